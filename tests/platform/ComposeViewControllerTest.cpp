// SL::ComposeViewController: made only where Social is present and for Twitter; reported
// when presented.
#include "social/ComposeViewController.h"

#include "device/Events.h"
#include "social/Request.h"
#include "support/EventRecorder.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::RefPtr;

class Compose : public ::testing::Test {
protected:
    void SetUp() override { SL::setAvailable(true); }
    void TearDown() override { SL::setAvailable(true); }
    support::EventRecorder events;
};

RefPtr<SL::ComposeViewController> twitterComposer() {
    return SL::ComposeViewController::composeViewControllerForServiceType(
        NS::str(SL::SLServiceTypeTwitter).ptr());
}

TEST_F(Compose, TwitterOnlyAndOnlyWithSocial) {
    EXPECT_TRUE(twitterComposer());
    EXPECT_FALSE(SL::ComposeViewController::composeViewControllerForServiceType(
        NS::str("com.apple.social.facebook").ptr()));
    EXPECT_FALSE(SL::ComposeViewController::composeViewControllerForServiceType(nullptr));
    SL::setAvailable(false);
    EXPECT_FALSE(twitterComposer());
}

TEST_F(Compose, PresentingShowsItWithItsTextOrNull) {
    RefPtr<SL::ComposeViewController> composer = twitterComposer();
    ASSERT_TRUE(composer);
    EXPECT_TRUE(composer->setInitialText(NS::str("Hello \"world\"\n").ptr()));
    Ref<UI::ViewController> pane = UI::ViewController::create();
    EXPECT_TRUE(events.events("compose").empty()) << "nothing shows before presenting";
    pane->presentViewControllerAnimatedCompletion(composer.get(), true, nullptr);
    EXPECT_FALSE(composer->setInitialText(NS::str("too late").ptr()));
    UI::ViewController::create()->presentViewControllerAnimatedCompletion(twitterComposer().get(),
                                                                          false, nullptr);

    std::vector<std::string> shown = events.events("compose");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(device::jsonField(shown[0], "text"), "Hello \"world\"\n");
    EXPECT_NE(shown[1].find("\"text\":null"), std::string::npos) << shown[1];
}

} // namespace
