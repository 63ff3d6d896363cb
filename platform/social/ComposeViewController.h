// SL::ComposeViewController: the system's composer for a post to a social service. Presented
// over a controller, it shows on screen with its initial text, reported as a "compose" event
// ({"text": the initial text, or null}).
#pragma once

#include "foundation/String.h"
#include "uikit/ViewController.h"

namespace SL {

class ComposeViewController : public UI::ViewController {
public:
    // Nil where Social is unavailable (SL::isAvailable()) and for a service type other than
    // SLServiceTypeTwitter.
    static objc::RefPtr<ComposeViewController>
    composeViewControllerForServiceType(const NS::String* serviceType);

    const std::string& serviceType() const { return m_serviceType; }
    NS::String* initialText() const { return m_initialText.get(); }
    // Keeps a copy. False, and no change, once the composer is on screen, as on the device.
    bool setInitialText(const NS::String* text);

protected:
    void didPresent() override;

private:
    explicit ComposeViewController(std::string serviceType);
    std::string m_serviceType;
    objc::RefPtr<NS::String> m_initialText;
};

} // namespace SL
