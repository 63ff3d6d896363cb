// UIKit's bitmap image contexts, with the device's C names. Each thread has its own stack
// of contexts, as on the device, so a context begun on one thread is not seen on another.
#pragma once

#include "objc/Ref.h"
#include "uikit/Geometry.h"
#include "uikit/Image.h"

// Opens a context of `size` points. A context that is not opaque starts fully transparent
// (every byte zero); an opaque one starts opaque black. A scale of 0 stands for the main
// screen's scale. An empty, negative or absurdly large size opens nothing.
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale);
// The current context's pixels as a new image; nil when no context is open.
objc::RefPtr<UI::Image> UIGraphicsGetImageFromCurrentImageContext();
// Closes the current context; does nothing when none is open.
void UIGraphicsEndImageContext();
