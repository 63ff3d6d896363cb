#include "foundation/AutoreleasePool.h"

#include <cstdio>

namespace NS {

namespace {
thread_local AutoreleasePool* t_innermost = nullptr;
} // namespace

AutoreleasePool::AutoreleasePool() : m_outer(t_innermost) { t_innermost = this; }

void AutoreleasePool::drain() {
    // Releasing may autorelease more objects into this pool; keep going until it is empty.
    while (!m_objects.empty()) {
        std::vector<objc::Ref<objc::Object>> batch;
        batch.swap(m_objects);
    }
    if (t_innermost == this)
        t_innermost = m_outer;
}

objc::Object* autorelease(objc::Ref<objc::Object> object) {
    objc::Object* raw = object.ptr();
    if (!t_innermost) {
        std::fprintf(stderr, "autorelease with no pool in place: just leaking\n");
        object.leak();
        return raw;
    }
    t_innermost->m_objects.push_back(std::move(object));
    return raw;
}

} // namespace NS
