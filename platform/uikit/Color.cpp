#include "uikit/Color.h"

#include "objc/Runtime.h"

#include <algorithm>
#include <cstdio>

namespace UI {

namespace {
double clamped(double component) {
    return std::clamp(component, 0.0, 1.0);
}
} // namespace

Color::Color(double red, double green, double blue, double alpha)
    : Object(objc::objc_lookUpOrRegisterClass("UIColor", objc::NSObjectClass())),
      m_red(clamped(red)), m_green(clamped(green)), m_blue(clamped(blue)), m_alpha(clamped(alpha)) {
}

objc::Ref<Color> Color::colorWithRedGreenBlueAlpha(double red, double green, double blue,
                                                   double alpha) {
    return objc::adopt(new Color(red, green, blue, alpha));
}

objc::Ref<Color> Color::blackColor() {
    return colorWithRedGreenBlueAlpha(0, 0, 0, 1);
}

std::string Color::description() const {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "UIExtendedSRGBColorSpace %g %g %g %g", m_red, m_green,
                  m_blue, m_alpha);
    return buffer;
}

bool Color::isEqual(const objc::Object* other) const {
    const auto* color = dynamic_cast<const Color*>(other);
    return color && color->m_red == m_red && color->m_green == m_green && color->m_blue == m_blue &&
           color->m_alpha == m_alpha;
}

} // namespace UI
