#include "uikit/Image.h"

#include "objc/Runtime.h"

#include <cstdint>

namespace UI {

Image::Image(std::size_t width, std::size_t height, CGFloat scale, std::vector<std::uint8_t> rgba)
    : Object(objc::objc_lookUpOrRegisterClass("UIImage", objc::NSObjectClass())), m_width(width),
      m_height(height), m_scale(scale), m_pixels(std::move(rgba)) {}

objc::RefPtr<Image> Image::imageWithPixels(std::size_t pixelWidth, std::size_t pixelHeight,
                                           CGFloat scale, std::vector<std::uint8_t> rgba) {
    bool overflows = pixelWidth != 0 && pixelHeight > SIZE_MAX / 4 / pixelWidth;
    if (!(scale > 0) || overflows || rgba.size() != pixelWidth * pixelHeight * 4)
        return nullptr;
    return objc::adopt(new Image(pixelWidth, pixelHeight, scale, std::move(rgba)));
}

CGSize Image::size() const {
    return {static_cast<CGFloat>(m_width) / m_scale, static_cast<CGFloat>(m_height) / m_scale};
}

} // namespace UI
