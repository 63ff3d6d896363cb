#include "uikit/Screen.h"

#include <atomic>
#include <cmath>

namespace UI {

namespace {
std::atomic<CGFloat> g_scale{2.0};
} // namespace

Screen& Screen::mainScreen() {
    static Screen screen;
    return screen;
}

CGFloat Screen::scale() const {
    return g_scale.load(std::memory_order_relaxed);
}

void Screen::setScale(CGFloat scale) {
    if (std::isfinite(scale) && scale > 0)
        g_scale.store(scale, std::memory_order_relaxed);
}

} // namespace UI
