// UI::Image: a bitmap of RGBA pixels (8 bits each, not premultiplied) with a size in points
// and a scale, so that a 20 x 20 point image at scale 2 holds 40 x 40 pixels.
#pragma once

#include "objc/Object.h"
#include "uikit/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace UI {

class Image : public objc::Object {
public:
    // Nil when the pixel count does not match width x height x 4.
    static objc::RefPtr<Image> imageWithPixels(std::size_t pixelWidth, std::size_t pixelHeight,
                                               CGFloat scale, std::vector<std::uint8_t> rgba);

    CGSize size() const;
    CGFloat scale() const { return m_scale; }
    std::size_t pixelWidth() const { return m_width; }
    std::size_t pixelHeight() const { return m_height; }
    const std::vector<std::uint8_t>& pixels() const { return m_pixels; }

private:
    Image(std::size_t width, std::size_t height, CGFloat scale, std::vector<std::uint8_t> rgba);
    std::size_t m_width;
    std::size_t m_height;
    CGFloat m_scale;
    std::vector<std::uint8_t> m_pixels;
};

} // namespace UI
