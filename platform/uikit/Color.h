// UI::Color: an immutable colour of red, green, blue and alpha components from 0 to 1.
#pragma once

#include "objc/Object.h"

#include <string>

namespace UI {

class Color : public objc::Object {
public:
    static objc::Ref<Color> colorWithRedGreenBlueAlpha(double red, double green, double blue,
                                                       double alpha);
    static objc::Ref<Color> blackColor();

    double red() const { return m_red; }
    double green() const { return m_green; }
    double blue() const { return m_blue; }
    double alpha() const { return m_alpha; }

    // Prints like the device: "UIExtendedSRGBColorSpace 1 0.5 0 1".
    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    Color(double red, double green, double blue, double alpha);
    double m_red;
    double m_green;
    double m_blue;
    double m_alpha;
};

} // namespace UI
