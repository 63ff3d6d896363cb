// UI::View: the part of a view that the kit sets, its tint and its resizing of subviews.
#pragma once

#include "uikit/Color.h"

namespace UI {

class View : public objc::Object {
public:
    static objc::Ref<View> create();

    Color* tintColor() const { return m_tintColor.get(); }
    void setTintColor(Color* color) { m_tintColor = color; }
    // On by default, as on the device.
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool value) { m_autoresizesSubviews = value; }

    // "UIResponder", the common root of views and view controllers.
    static objc::Class* responderClass();

protected:
    explicit View(objc::Class* cls) : Object(cls) {}

private:
    objc::RefPtr<Color> m_tintColor;
    bool m_autoresizesSubviews = true;
};

} // namespace UI
