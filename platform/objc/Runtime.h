// The object runtime: interned selectors, classes registered by name with method tables
// keyed by the selector string, message sending, associated objects and the per-object lock.
#pragma once

#include "objc/Object.h"

#include <atomic>
#include <map>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace objc {

// A selector is its interned name: equal names give the same pointer, so the address of a
// selector can serve as a key (the alert keep-alive convention uses the one of "show").
using SEL = const char*;
// Null for a null name.
SEL sel_registerName(const char* name);

// A method implementation. The real signature is R(*)(Object* self, SEL, Args...).
using IMP = void (*)();

// A class object. Its instance methods live in its own table; its class methods live in its
// metaclass, which is the class object's isa, so a message sent to the class object finds
// them. The metaclass chain follows the superclass chain, as on the device.
class Class : public Object {
public:
    const std::string& name() const { return m_name; }
    Class* superclass() const { return m_super; }
    Class* metaclass() const { return m_meta; }
    bool isMetaclass() const { return m_meta == nullptr; }

    // Adds or replaces a method; returns the implementation it replaced, if any.
    IMP addMethod(SEL sel, IMP imp);
    // Adds or replaces a class method (a method of the metaclass).
    IMP addClassMethod(SEL sel, IMP imp) { return m_meta ? m_meta->addMethod(sel, imp) : nullptr; }
    // Replaces a method only where this class itself defines it; null when it does not.
    IMP replaceMethod(SEL sel, IMP imp);
    // Lookup through the superclass chain.
    IMP lookup(SEL sel) const;
    bool definesMethod(SEL sel) const;
    bool instancesRespondToSelector(const char* selector) const;
    bool isSubclassOf(const Class* other) const;

    std::string description() const override { return m_name; }

private:
    friend Class* objc_allocateClassPair(Class*, const char*);
    friend Class* objc_lookUpOrRegisterClass(const char*, Class*);
    Class(Class* super, std::string name);
    Class(Class* super, std::string name, std::nullptr_t meta); // a metaclass
    ~Class() override = default;

    Class* m_super;
    Class* m_meta = nullptr;
    std::string m_name;
    mutable std::shared_mutex m_lock;
    std::map<SEL, std::atomic<IMP>> m_methods;
};

// The registry. A class is visible to objc_getClass once registered; classes live forever.
Class* objc_allocateClassPair(Class* super, const char* name);
void objc_registerClassPair(Class* cls);
Class* objc_getClass(const char* name);
// Finds or creates and registers a class; handy for the platform's own classes.
Class* objc_lookUpOrRegisterClass(const char* name, Class* super);
void objc_unregisterClass(Class* cls);
Class* NSObjectClass();

struct UnrecognizedSelector : std::logic_error {
    using std::logic_error::logic_error;
};
// "-[Class selector]: unrecognized selector", with "+" for a class receiver.
std::string unrecognizedSelectorMessage(const Object* receiver, const char* selector);

// Sends a message. A message to nil does nothing and yields a zero value; a selector that
// the receiver does not implement throws UnrecognizedSelector, as the device would raise.
// A class object receives its class methods.
template <typename R = void, typename... Args>
R msgSend(const Object* self, const char* selector, Args... args) {
    if (!self) {
        if constexpr (std::is_void_v<R>)
            return;
        else
            return R{};
    }
    SEL sel = selector ? sel_registerName(selector) : nullptr;
    IMP imp = sel && self->isa() ? self->isa()->lookup(sel) : nullptr;
    if (!imp)
        throw UnrecognizedSelector(unrecognizedSelectorMessage(self, selector));
    auto fn = reinterpret_cast<R (*)(Object*, SEL, Args...)>(imp);
    return fn(const_cast<Object*>(self), sel, args...);
}

// Casts an implementation to the generic IMP type for registration.
template <typename Fn>
IMP imp_cast(Fn* fn) {
    return reinterpret_cast<IMP>(fn);
}

// Association policies, with the device's values.
enum AssociationPolicy : std::uintptr_t {
    OBJC_ASSOCIATION_ASSIGN = 0,
    OBJC_ASSOCIATION_RETAIN_NONATOMIC = 1,
    OBJC_ASSOCIATION_COPY_NONATOMIC = 3,
    OBJC_ASSOCIATION_RETAIN = 01401, // 769
    OBJC_ASSOCIATION_COPY = 01403,   // 771
};

// An assigned association is kept as a weak link: it reads as nil once its value is gone,
// where the device would dangle. Setting nil removes the association.
void objc_setAssociatedObject(const Object* object, const void* key, Object* value,
                              AssociationPolicy policy);
RefPtr<Object> objc_getAssociatedObject(const Object* object, const void* key);
void objc_removeAssociatedObjects(const Object* object);

// The recursive per-object lock of @synchronized, with the device's results. A message to
// nil does nothing: both succeed. Exiting a lock this thread does not hold is refused.
enum SyncResult : int {
    OBJC_SYNC_SUCCESS = 0,
    OBJC_SYNC_NOT_OWNING_THREAD_ERROR = -1,
};
int objc_sync_enter(const Object* object);
int objc_sync_exit(const Object* object);
// Frees an object's lock when the object dies (called by ~Object).
void destroySyncLock(SyncLock* lock);

// Typed accessors for an association: a strong reference to the value when it is a T.
template <typename T>
RefPtr<T> associatedObject(const Object* object, const void* key) {
    RefPtr<Object> value = objc_getAssociatedObject(object, key);
    return RefPtr<T>(dynamic_cast<T*>(value.get()));
}

} // namespace objc
