#include "uikit/Appearance.h"

#include "objc/Runtime.h"

#include <map>
#include <utility>

namespace UI {

namespace {

using Key = std::pair<const objc::Class*, const objc::Class*>;

struct Proxies {
    std::mutex lock;
    std::map<Key, objc::Ref<Appearance>> byClasses;
};

Proxies& proxies() {
    static auto* instance = new Proxies; // proxies live as long as the process
    return *instance;
}

objc::RefPtr<Appearance> findProxy(const objc::Class* control, const objc::Class* container) {
    Proxies& p = proxies();
    std::lock_guard guard(p.lock);
    auto it = p.byClasses.find({control, container});
    return it == p.byClasses.end() ? nullptr : objc::RefPtr<Appearance>(it->second);
}

} // namespace

Appearance::Appearance()
    : Object(objc::objc_lookUpOrRegisterClass("_UIAppearance", objc::NSObjectClass())) {}

objc::Ref<Appearance> Appearance::appearanceWhenContainedIn(objc::Class* controlClass,
                                                            objc::Class* containerClass) {
    Proxies& p = proxies();
    std::lock_guard guard(p.lock);
    auto it = p.byClasses.find({controlClass, containerClass});
    if (it == p.byClasses.end())
        it = p.byClasses.emplace(Key{controlClass, containerClass}, objc::adopt(new Appearance))
                 .first;
    return it->second;
}

objc::RefPtr<Color> Appearance::get(Property property) const {
    std::lock_guard guard(m_lock);
    return m_colors[static_cast<int>(property)];
}

void Appearance::set(Property property, Color* color) {
    objc::RefPtr<Color> old;
    {
        std::lock_guard guard(m_lock);
        old = std::exchange(m_colors[static_cast<int>(property)], color);
    }
}

objc::RefPtr<Color> Appearance::resolvedColor(objc::Class* controlClass,
                                              const objc::Class* container, Property property) {
    for (const objc::Class* cls = container; cls; cls = cls->superclass()) {
        if (objc::RefPtr<Appearance> proxy = findProxy(controlClass, cls)) {
            if (objc::RefPtr<Color> color = proxy->get(property))
                return color;
        }
    }
    return nullptr;
}

} // namespace UI
