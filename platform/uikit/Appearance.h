// UI::Appearance: an appearance proxy. It holds settings for every control of one class shown
// inside a controller of one container class (or a subclass of it) from then on. There is one
// proxy per (control class, container class); proxies live as long as the process.
#pragma once

#include "uikit/Color.h"

#include <mutex>

namespace UI {

class Appearance : public objc::Object {
public:
    enum class Property { TintColor, MaximumTrackTintColor, OnTintColor };

    static objc::Ref<Appearance> appearanceWhenContainedIn(objc::Class* controlClass,
                                                           objc::Class* containerClass);

    objc::RefPtr<Color> tintColor() const { return get(Property::TintColor); }
    void setTintColor(Color* color) { set(Property::TintColor, color); }
    objc::RefPtr<Color> maximumTrackTintColor() const {
        return get(Property::MaximumTrackTintColor);
    }
    void setMaximumTrackTintColor(Color* color) { set(Property::MaximumTrackTintColor, color); }
    objc::RefPtr<Color> onTintColor() const { return get(Property::OnTintColor); }
    void setOnTintColor(Color* color) { set(Property::OnTintColor, color); }

    // Host side: what a control of `controlClass` shown inside a controller of class
    // `container` reads: the setting of the proxy for the nearest of the container's classes
    // (the class itself, then its superclasses) that has one; nil when none has.
    static objc::RefPtr<Color> resolvedColor(objc::Class* controlClass,
                                             const objc::Class* container, Property property);

private:
    Appearance();
    objc::RefPtr<Color> get(Property property) const;
    void set(Property property, Color* color);

    mutable std::mutex m_lock; // proxies are shared by the whole process
    objc::RefPtr<Color> m_colors[3];
};

} // namespace UI
