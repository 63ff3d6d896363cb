// The root of the platform's object model: an intrusive reference count, weak links,
// associated objects, and a runtime class used for message lookup by selector.
#pragma once

#include "objc/Ref.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace objc {

class Class;
struct WeakControl;
struct SyncLock;

class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    void retain() const { m_count.fetch_add(1, std::memory_order_relaxed); }
    void release() const;
    std::uint32_t retainCount() const { return m_count.load(std::memory_order_relaxed); }

    // The runtime class, which answers message lookups and respondsToSelector.
    Class* isa() const { return m_isa; }
    bool respondsToSelector(const char* selector) const;
    bool isKindOfClass(const Class* cls) const;

    // What `%@` prints. Objects without a description of their own print like NSObject.
    virtual std::string description() const;
    virtual bool isEqual(const Object* other) const { return other == this; }
    // The copy a copying association or property keeps. Immutable objects return themselves.
    virtual Ref<Object> copy() const { return Ref<Object>(const_cast<Object&>(*this)); }

    WeakControl* weakControl() const;

protected:
    Object();
    explicit Object(Class* cls) : m_isa(cls) {}
    virtual ~Object();
    void setIsa(Class* cls) { m_isa = cls; }

private:
    friend struct AssociationMap;
    friend struct WeakControl;
    friend struct SyncLock;
    bool tryRetain() const;

    mutable std::atomic<std::uint32_t> m_count{1};
    Class* m_isa;
    mutable std::atomic<WeakControl*> m_weak{nullptr};
    mutable std::atomic<struct AssociationMap*> m_associations{nullptr};
    mutable std::atomic<SyncLock*> m_sync{nullptr};
};

// Shared between an object and its weak links; lets a link ask for a strong reference
// without racing the object's destruction.
struct WeakControl {
    std::atomic<std::uint32_t> links{1};
    std::mutex lock;
    const Object* target;

    explicit WeakControl(const Object* t) : target(t) {}
    RefPtr<Object> lockTarget();
    void unlink() {
        if (links.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
};

template <typename T>
class WeakPtr {
public:
    WeakPtr() = default;
    WeakPtr(std::nullptr_t) {}
    WeakPtr(const T* object) { reset(object); }
    WeakPtr(const RefPtr<T>& object) { reset(object.get()); }
    WeakPtr(const Ref<T>& object) { reset(object.ptr()); }
    WeakPtr(const WeakPtr& other) : m_control(other.m_control) {
        if (m_control)
            m_control->links.fetch_add(1, std::memory_order_relaxed);
    }
    WeakPtr& operator=(WeakPtr other) noexcept {
        std::swap(m_control, other.m_control);
        return *this;
    }
    ~WeakPtr() {
        if (m_control)
            m_control->unlink();
    }

    // A strong reference to the target, or null once it is gone.
    RefPtr<T> get() const {
        if (!m_control)
            return nullptr;
        RefPtr<Object> strong = m_control->lockTarget();
        return RefPtr<T>(static_cast<T*>(strong.get()));
    }
    explicit operator bool() const { return static_cast<bool>(get()); }

private:
    void reset(const Object* object) {
        if (!object)
            return;
        m_control = object->weakControl();
        m_control->links.fetch_add(1, std::memory_order_relaxed);
    }
    WeakControl* m_control = nullptr;
};

} // namespace objc
