#include "social/ComposeViewController.h"

#include "device/Events.h"
#include "objc/Runtime.h"
#include "social/Request.h"

#include <optional>

namespace SL {

ComposeViewController::ComposeViewController(std::string serviceType)
    : UI::ViewController(
          objc::objc_lookUpOrRegisterClass("SLComposeViewController", viewControllerClass())),
      m_serviceType(std::move(serviceType)) {}

objc::RefPtr<ComposeViewController>
ComposeViewController::composeViewControllerForServiceType(const NS::String* serviceType) {
    if (!isAvailable() || !serviceType || serviceType->str() != SLServiceTypeTwitter)
        return nullptr;
    return objc::adopt(new ComposeViewController(serviceType->str()));
}

bool ComposeViewController::setInitialText(const NS::String* text) {
    if (presentingViewController())
        return false;
    m_initialText = text ? objc::RefPtr<NS::String>(NS::String::string(text->str())) : nullptr;
    return true;
}

void ComposeViewController::didPresent() {
    std::optional<std::string> text;
    if (m_initialText)
        text = m_initialText->str();
    device::emit("compose", {{"text", text}});
}

} // namespace SL
