#include "foundation/AutoreleasePool.h"

namespace NS {

namespace {

thread_local AutoreleasePool* t_innermost = nullptr;

void releaseAll(std::vector<objc::Ref<objc::Object>>& objects) {
    // Releasing may autorelease more objects into the same place; go on until it is empty.
    while (!objects.empty()) {
        std::vector<objc::Ref<objc::Object>> batch;
        batch.swap(objects);
    }
}

// Where objects go when the thread has no pool of its own.
struct ImplicitPool {
    std::vector<objc::Ref<objc::Object>> objects;
    ~ImplicitPool() { releaseAll(objects); }
};
thread_local ImplicitPool t_implicit;

} // namespace

AutoreleasePool::AutoreleasePool() : m_outer(t_innermost) {
    t_innermost = this;
}

AutoreleasePool::~AutoreleasePool() {
    drain();
    if (t_innermost == this) {
        t_innermost = m_outer;
        return;
    }
    // Destroyed out of order (a pool on the heap): unlink it where it sits.
    for (AutoreleasePool* pool = t_innermost; pool; pool = pool->m_outer) {
        if (pool->m_outer == this) {
            pool->m_outer = m_outer;
            break;
        }
    }
}

void AutoreleasePool::drain() {
    releaseAll(m_objects);
}

objc::Object* autorelease(objc::Ref<objc::Object> object) {
    objc::Object* raw = object.ptr();
    if (t_innermost)
        t_innermost->m_objects.push_back(std::move(object));
    else
        t_implicit.objects.push_back(std::move(object));
    return raw;
}

} // namespace NS
