// Smart pointers over objc::Object's intrusive count, after WebKit's WTF.
//
//   Ref<T>     an owning reference that is never null.
//   RefPtr<T>  an owning reference that may be null (null is nil).
//   WeakPtr<T> a non-owning link that reads as null once its target is gone.
//
// adopt() takes over a +1 reference (the result of `new`); retain() adds one.
#pragma once

#include <cassert>
#include <cstddef>
#include <utility>

namespace objc {

class Object;

template <typename T>
class Ref;
template <typename T>
Ref<T> adopt(T* object);

template <typename T>
class Ref {
public:
    Ref(T& object) : m_ptr(&object) { m_ptr->retain(); }
    Ref(const Ref& other) : m_ptr(other.m_ptr) { m_ptr->retain(); }
    template <typename U>
    Ref(const Ref<U>& other) : m_ptr(other.ptr()) {
        m_ptr->retain();
    }
    Ref(Ref&& other) noexcept : m_ptr(other.leak()) {}
    template <typename U>
    Ref(Ref<U>&& other) noexcept : m_ptr(other.leak()) {}
    ~Ref() {
        if (m_ptr)
            m_ptr->release();
    }

    Ref& operator=(Ref other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    T* ptr() const { return m_ptr; }
    T& get() const { return *m_ptr; }
    T* operator->() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    operator T&() const { return *m_ptr; }

    // Hands the reference to the caller, who must release it. Leaves a moved-from shell.
    T* leak() {
        T* p = m_ptr;
        m_ptr = nullptr;
        return p;
    }

private:
    template <typename U>
    friend Ref<U> adopt(U*);
    struct AdoptTag {};
    Ref(T* p, AdoptTag) : m_ptr(p) {}

    T* m_ptr;
};

template <typename T>
Ref<T> adopt(T* object) {
    assert(object);
    return Ref<T>(object, typename Ref<T>::AdoptTag{});
}

template <typename T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}
    RefPtr(T* p) : m_ptr(p) {
        if (m_ptr)
            m_ptr->retain();
    }
    RefPtr(const RefPtr& other) : RefPtr(other.m_ptr) {}
    template <typename U>
    RefPtr(const RefPtr<U>& other) : RefPtr(other.get()) {}
    RefPtr(RefPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    template <typename U>
    RefPtr(RefPtr<U>&& other) noexcept : m_ptr(other.leak()) {}
    template <typename U>
    RefPtr(const Ref<U>& other) : RefPtr(other.ptr()) {}
    template <typename U>
    RefPtr(Ref<U>&& other) noexcept : m_ptr(other.leak()) {}
    ~RefPtr() {
        if (m_ptr)
            m_ptr->release();
    }

    // Swap first, release last: the old object's destructor may reach this pointer again
    // (a self-owning object letting go of itself), and must find it already updated.
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    RefPtr& operator=(std::nullptr_t) noexcept {
        T* old = std::exchange(m_ptr, nullptr);
        if (old)
            old->release();
        return *this;
    }

    T* get() const { return m_ptr; }
    T* operator->() const {
        assert(m_ptr);
        return m_ptr;
    }
    T& operator*() const {
        assert(m_ptr);
        return *m_ptr;
    }
    explicit operator bool() const { return m_ptr != nullptr; }
    bool operator!() const { return m_ptr == nullptr; }

    T* leak() { return std::exchange(m_ptr, nullptr); }
    Ref<T> releaseNonNull() {
        assert(m_ptr);
        return adopt(leak());
    }

private:
    T* m_ptr = nullptr;
};

template <typename T, typename U>
bool operator==(const RefPtr<T>& a, const RefPtr<U>& b) {
    return a.get() == b.get();
}
template <typename T, typename U>
bool operator==(const RefPtr<T>& a, const U* b) {
    return a.get() == b;
}
template <typename T>
bool operator==(const RefPtr<T>& a, std::nullptr_t) {
    return !a;
}

// Takes over a +1 reference that may be null.
template <typename T>
RefPtr<T> adoptPtr(T* object) {
    RefPtr<T> result;
    if (object)
        result = adopt(object);
    return result;
}

// The retain counterpart of adopt(): the caller keeps its own reference.
template <typename T>
Ref<T> retain(T& object) {
    return Ref<T>(object);
}
template <typename T>
RefPtr<T> retain(T* object) {
    return RefPtr<T>(object);
}

} // namespace objc
