#include "objc/Object.h"

#include "objc/Runtime.h"

#include <cstdio>
#include <map>
#include <shared_mutex>

namespace objc {

Object::Object() : m_isa(NSObjectClass()) {}

void Object::release() const {
    // acq_rel: the thread that destroys must see every write made before other releases.
    if (m_count.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

Object::~Object() {
    // Associated values go first: a value's destructor may still make a weak link to this
    // object, and that link must be cleared below like every other.
    objc_removeAssociatedObjects(this);
    if (WeakControl* control = m_weak.load(std::memory_order_acquire)) {
        {
            std::lock_guard guard(control->lock);
            control->target = nullptr;
        }
        control->unlink();
    }
    destroySyncLock(m_sync.load(std::memory_order_acquire));
}

bool Object::tryRetain() const {
    std::uint32_t count = m_count.load(std::memory_order_relaxed);
    while (count != 0) {
        if (m_count.compare_exchange_weak(count, count + 1, std::memory_order_acquire))
            return true;
    }
    return false;
}

WeakControl* Object::weakControl() const {
    WeakControl* control = m_weak.load(std::memory_order_acquire);
    if (control)
        return control;
    auto* fresh = new WeakControl(this);
    if (m_weak.compare_exchange_strong(control, fresh, std::memory_order_acq_rel))
        return fresh;
    delete fresh;
    return control;
}

RefPtr<Object> WeakControl::lockTarget() {
    std::lock_guard guard(lock);
    if (!target)
        return nullptr;
    // Only an object that still has an owner may be revived; one whose count reached zero
    // is being destroyed and waits on this lock before its memory goes.
    if (!target->tryRetain())
        return nullptr;
    return adoptPtr(const_cast<Object*>(target));
}

std::string Object::description() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%p", static_cast<const void*>(this));
    return "<" + (m_isa ? m_isa->name() : std::string("Object")) + ": " + buffer + ">";
}

bool Object::respondsToSelector(const char* selector) const {
    return selector && m_isa && m_isa->lookup(sel_registerName(selector)) != nullptr;
}

bool Object::isKindOfClass(const Class* cls) const {
    return m_isa && m_isa->isSubclassOf(cls);
}

} // namespace objc
