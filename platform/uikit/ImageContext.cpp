#include "uikit/ImageContext.h"

#include "uikit/Screen.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Beyond this many pixels a side, a request is a mistake rather than an image.
constexpr double kMaxPixelsPerSide = 8192;

struct Context {
    std::size_t width;
    std::size_t height;
    CGFloat scale;
    std::vector<std::uint8_t> pixels;
};

thread_local std::vector<Context> t_contexts;

} // namespace

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale) {
    if (scale == 0)
        scale = UI::Screen::mainScreen().scale();
    double width = std::ceil(size.width * scale);
    double height = std::ceil(size.height * scale);
    if (!(scale > 0) || !(width >= 1 && width <= kMaxPixelsPerSide) ||
        !(height >= 1 && height <= kMaxPixelsPerSide))
        return;
    Context context{static_cast<std::size_t>(width), static_cast<std::size_t>(height), scale, {}};
    context.pixels.assign(context.width * context.height * 4, 0);
    if (opaque) {
        for (std::size_t i = 3; i < context.pixels.size(); i += 4)
            context.pixels[i] = 0xff;
    }
    t_contexts.push_back(std::move(context));
}

objc::RefPtr<UI::Image> UIGraphicsGetImageFromCurrentImageContext() {
    if (t_contexts.empty())
        return nullptr;
    const Context& context = t_contexts.back();
    return UI::Image::imageWithPixels(context.width, context.height, context.scale, context.pixels);
}

void UIGraphicsEndImageContext() {
    if (!t_contexts.empty())
        t_contexts.pop_back();
}
