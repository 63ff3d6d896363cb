// UI::Screen: the main screen's scale, the one screen property the platform needs. The host
// sets it to match the device it simulates (2.0 by default, a Retina phone).
#pragma once

#include "uikit/Geometry.h"

namespace UI {

class Screen {
public:
    static Screen& mainScreen();

    CGFloat scale() const;
    // Host side. Values that are not positive and finite are ignored.
    void setScale(CGFloat scale);

private:
    Screen() = default;
};

} // namespace UI
