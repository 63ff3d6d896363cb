// CoreGraphics' plain geometry types, as UIKit's functions take them.
#pragma once

using CGFloat = double;

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;
};
