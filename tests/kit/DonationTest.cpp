// The donation invitation and the mail link, through the platform's alerts and application.
#include "dispatch/Queue.h"
#include "kit/PaneDecisions.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "support/FakeURLOpener.h"
#include "uikit/AlertView.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::WeakPtr;

class Donation : public ::testing::Test {
protected:
    void TearDown() override {
        // Leave no alert on screen for the next test.
        for (const Ref<UI::AlertView>& alert : UI::AlertView::visibleAlerts())
            alert->tapButtonAtIndex(0);
        dispatch::main().runUntilIdle();
    }

    // Shows the alert for `name` and returns the one alert it put on screen.
    Ref<UI::AlertView> show(const char* name) {
        std::size_t before = UI::AlertView::visibleAlerts().size();
        QVShowDonateAlert(name ? NS::str(name).ptr() : nullptr);
        std::vector<Ref<UI::AlertView>> alerts = UI::AlertView::visibleAlerts();
        EXPECT_EQ(alerts.size(), before + 1);
        return alerts.back();
    }

    support::ScopedFakeURLOpener opener;
};

TEST_F(Donation, TheAlertsTextsAndButtons) {
    Ref<UI::AlertView> alert = show("Tapsonata");
    EXPECT_EQ(alert->title()->str(), "Tapsonata");
    EXPECT_EQ(alert->message()->str(),
              "Hey there! Tapsonata is free, if you like it, please consider a little donation :) "
              "It would be incredibly kind from you!");
    ASSERT_EQ(alert->numberOfButtons(), 2);
    EXPECT_EQ(alert->buttonTitleAtIndex(0)->str(), "No thanks!");
    EXPECT_EQ(alert->buttonTitleAtIndex(1)->str(), "Sure!");
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->tag(), 0);
}

TEST_F(Donation, OnlySureOpensThePageAndExactlyOnce) {
    show("Tapsonata")->tapButtonAtIndex(0);
    show("Tapsonata")->tapButtonAtIndex(1);
    dispatch::main().runUntilIdle();
    EXPECT_EQ(opener->opened(), std::vector<std::string>{kit::donationPageURL()});
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
}

TEST_F(Donation, ANameIsShownLiterallyAndNoNameAsNull) {
    Ref<UI::AlertView> alert = show("100% %@ %d %s");
    EXPECT_EQ(alert->title()->str(), "100% %@ %d %s");
    EXPECT_EQ(alert->message()->str().rfind("Hey there! 100% %@ %d %s is free, if you like", 0),
              0u);
    alert = show(nullptr);
    EXPECT_FALSE(alert->title());
    EXPECT_EQ(alert->message()->str().rfind("Hey there! (null) is free", 0), 0u);
}

TEST_F(Donation, TheHandlerIsFreedTogetherWithItsAlertWhicheverButton) {
    for (long index : {0L, 1L}) {
        WeakPtr<objc::Object> handler;
        WeakPtr<UI::AlertView> weakAlert;
        {
            Ref<UI::AlertView> alert = show("Tapsonata");
            ASSERT_TRUE(alert->delegate());
            EXPECT_TRUE(alert->delegate()->isKindOfClass(QVDonateHandler::runtimeClass()));
            handler = alert->delegate();
            weakAlert = alert;
        }
        // On screen, the alert holds the handler, and nothing else does.
        ASSERT_TRUE(handler.get());
        weakAlert.get()->tapButtonAtIndex(index);
        ASSERT_TRUE(handler.get()) << "the handler must outlive the tap's delivery";
        dispatch::main().runUntilIdle();
        EXPECT_FALSE(weakAlert.get()) << index;
        EXPECT_FALSE(handler.get()) << index;
    }
}

TEST_F(Donation, TheMailLinkIsTheAddressUnchangedAndAnInvalidOneOpensNothing) {
    QVOpenMailAddress(NS::str("the author@quarvo.com").ptr());
    QVOpenMailAddress(nullptr);
    QVOpenMailAddress(NS::str("author@quarvo.com").ptr());
    EXPECT_EQ(opener->opened(), std::vector<std::string>{"mailto:author@quarvo.com"});
}

} // namespace
