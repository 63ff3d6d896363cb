// UI::NavigationBar: the bar's title attributes and colours.
#pragma once

#include "foundation/Collections.h"
#include "uikit/Color.h"

#include <string_view>

namespace UI {

// The key of a title's text colour in an attributes dictionary.
inline constexpr std::string_view NSForegroundColorAttributeName = "NSColor";

class NavigationBar : public objc::Object {
public:
    static objc::Ref<NavigationBar> create();

    NS::Dictionary* titleTextAttributes() const { return m_titleTextAttributes.get(); }
    // Keeps a copy; the new attributes replace all earlier ones.
    void setTitleTextAttributes(const NS::Dictionary* attributes);
    Color* tintColor() const { return m_tintColor.get(); }
    void setTintColor(Color* color) { m_tintColor = color; }
    Color* barTintColor() const { return m_barTintColor.get(); }
    void setBarTintColor(Color* color) { m_barTintColor = color; }

private:
    NavigationBar();
    objc::RefPtr<NS::Dictionary> m_titleTextAttributes;
    objc::RefPtr<Color> m_tintColor;
    objc::RefPtr<Color> m_barTintColor;
};

} // namespace UI
