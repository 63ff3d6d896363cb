// QVOpenTwitterUsername: the profile in the first installed Twitter client, else on the web.
#include "kit/FollowDecisions.h"
#include "kit/QVKit.h"
#include "uikit/Application.h"

extern "C" void QVOpenTwitterUsername(NS::String* username) {
    // No handle, no profile: the device would open a client's bare prefix or the site's root.
    if (!username)
        return;
    UI::Application& application = UI::Application::sharedApplication();
    std::string profile = kit::profileURL(username->str(), [&](const std::string& probe) {
        objc::RefPtr<NS::URL> url = NS::URL::URLWithString(probe);
        return application.canOpenURL(url.get());
    });
    // A handle that cannot form a URL opens nothing, and no later row is tried.
    application.openURL(NS::URL::URLWithString(profile).get());
}
