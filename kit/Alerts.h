// Turning an alert's description into a platform alert, and the keep-alive convention: an
// alert holds its delegate under the key of the `show` selector, retained and atomic, so the
// delegate lives exactly as long as the alert.
#pragma once

#include "kit/FollowDecisions.h"
#include "objc/Runtime.h"
#include "uikit/AlertView.h"

namespace kit {

objc::Ref<UI::AlertView> makeAlert(const AlertDescription& description, objc::Object* delegate);
void keepAliveWithAlert(UI::AlertView& alert, objc::Object* delegate);

// Builds, shows and lets go of an alert that has no delegate (a confirmation).
void showAlert(const AlertDescription& description);

} // namespace kit
