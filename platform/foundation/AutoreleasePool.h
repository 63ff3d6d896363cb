// NS::AutoreleasePool: holds autoreleased objects until the pool drains. Pools nest per
// thread; autorelease() with no pool keeps the object until the thread's outermost pool
// exists, so factory results never dangle where the caller keeps no reference.
#pragma once

#include "objc/Object.h"

#include <vector>

namespace NS {

class AutoreleasePool {
public:
    AutoreleasePool();
    ~AutoreleasePool() { drain(); }
    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

    void drain();
    std::size_t size() const { return m_objects.size(); }

private:
    friend objc::Object* autorelease(objc::Ref<objc::Object> object);
    AutoreleasePool* m_outer;
    std::vector<objc::Ref<objc::Object>> m_objects;
};

// Puts the reference in the innermost pool of this thread and returns a plain pointer that
// stays valid until that pool drains. With no pool, the object is leaked and a warning logged,
// as the device does.
objc::Object* autorelease(objc::Ref<objc::Object> object);
template <typename T>
T* autorelease(objc::Ref<T> object) {
    return static_cast<T*>(autorelease(objc::Ref<objc::Object>(std::move(object))));
}

} // namespace NS
