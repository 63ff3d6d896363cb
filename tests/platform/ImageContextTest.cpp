// Bitmap image contexts: transparent or opaque pixels at the asked scale, the main screen's
// scale for 0, one stack of contexts per thread.
#include "uikit/ImageContext.h"

#include "uikit/Screen.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using objc::RefPtr;

TEST(ImageContext, TransparentTwentyPointsAtTheMainScreensScale) {
    UI::Screen::mainScreen().setScale(2.0);
    UI::Screen::mainScreen().setScale(-2); // ignored
    UIGraphicsBeginImageContextWithOptions({20, 20}, false, 0.0);
    RefPtr<UI::Image> image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 40u);
    EXPECT_EQ(image->pixelHeight(), 40u);
    EXPECT_EQ(image->scale(), 2.0);
    EXPECT_TRUE(
        std::all_of(image->pixels().begin(), image->pixels().end(), [](auto b) { return b == 0; }));
}

TEST(ImageContext, AnExplicitScaleWinsAndOpaqueStartsBlack) {
    UIGraphicsBeginImageContextWithOptions({3, 2}, true, 1.0);
    RefPtr<UI::Image> image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 3u);
    for (std::size_t i = 0; i < image->pixels().size(); ++i)
        EXPECT_EQ(image->pixels()[i], i % 4 == 3 ? 0xff : 0) << i;
}

TEST(ImageContext, ContextsNestAndBadSizesOpenNothing) {
    UIGraphicsBeginImageContextWithOptions({1, 1}, false, 1.0);
    UIGraphicsBeginImageContextWithOptions({2, 2}, false, 1.0);
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext()->pixelWidth(), 2u);
    UIGraphicsEndImageContext();
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext()->pixelWidth(), 1u);
    UIGraphicsEndImageContext();
    UIGraphicsEndImageContext(); // none open: nothing happens
    UIGraphicsBeginImageContextWithOptions({1e9, 1}, false, 1.0);
    EXPECT_FALSE(UIGraphicsGetImageFromCurrentImageContext());
}

} // namespace
