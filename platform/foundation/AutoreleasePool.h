// NS::AutoreleasePool: holds autoreleased objects until the pool drains. Pools nest per
// thread, innermost first. An object autoreleased with no pool in place goes to the thread's
// own implicit pool, which drains when the thread ends, so nothing is leaked.
#pragma once

#include "objc/Object.h"

#include <vector>

namespace NS {

class AutoreleasePool {
public:
    AutoreleasePool();
    // Drains, and takes the pool off this thread's stack of pools.
    ~AutoreleasePool();
    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

    // Releases everything the pool holds, including what is autoreleased while that happens.
    // The pool stays in place.
    void drain();
    std::size_t size() const { return m_objects.size(); }

private:
    friend objc::Object* autorelease(objc::Ref<objc::Object> object);
    AutoreleasePool* m_outer;
    std::vector<objc::Ref<objc::Object>> m_objects;
};

// Puts the reference in the innermost pool of this thread and returns a plain pointer that
// stays valid until that pool drains.
objc::Object* autorelease(objc::Ref<objc::Object> object);
template <typename T>
T* autorelease(objc::Ref<T> object) {
    return static_cast<T*>(autorelease(objc::Ref<objc::Object>(std::move(object))));
}

} // namespace NS
