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
using objc::RefPtr;
using objc::WeakPtr;

const char* const kMessage = "Hey there! Tapsonata is free, if you like it, please consider a "
                             "little donation :) It would be incredibly kind from you!";

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

    std::vector<std::string> buttons(const UI::AlertView& alert) {
        std::vector<std::string> titles;
        for (long i = 0; i < alert.numberOfButtons(); ++i)
            titles.push_back(alert.buttonTitleAtIndex(i)->str());
        return titles;
    }

    support::ScopedFakeURLOpener opener;
};

TEST_F(Donation, AlertTextsButtonsAndNoTag) {
    Ref<UI::AlertView> alert = show("Tapsonata");
    EXPECT_EQ(alert->title()->str(), "Tapsonata");
    EXPECT_EQ(alert->message()->str(), kMessage);
    EXPECT_EQ(buttons(alert), (std::vector<std::string>{"No thanks!", "Sure!"}));
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->tag(), 0);
    EXPECT_TRUE(alert->delegate());
    EXPECT_TRUE(alert->delegate()->isKindOfClass(QVDonateHandler::runtimeClass()));
}

TEST_F(Donation, SureOpensThePageExactlyOnce) {
    Ref<UI::AlertView> alert = show("Tapsonata");
    alert->tapButtonAtIndex(1);
    dispatch::main().runUntilIdle();
    EXPECT_EQ(opener->opened(), std::vector<std::string>{kit::donationPageURL()});
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
}

TEST_F(Donation, NoThanksOpensNothing) {
    Ref<UI::AlertView> alert = show("Tapsonata");
    alert->tapButtonAtIndex(0);
    dispatch::main().runUntilIdle();
    EXPECT_TRUE(opener->opened().empty());
}

TEST_F(Donation, ThePageIsTheSameWhateverTheName) {
    show("Tapsonata")->tapButtonAtIndex(1);
    show("Another Tweak")->tapButtonAtIndex(1);
    dispatch::main().runUntilIdle();
    std::vector<std::string> opened = opener->opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], opened[1]);
}

TEST_F(Donation, TwoCallsPutUpTwoIndependentAlerts) {
    Ref<UI::AlertView> first = show("A");
    Ref<UI::AlertView> second = show("B");
    EXPECT_NE(first.ptr(), second.ptr());
    EXPECT_NE(first->delegate(), second->delegate());
    first->tapButtonAtIndex(0);
    second->tapButtonAtIndex(1);
    dispatch::main().runUntilIdle();
    EXPECT_EQ(opener->opened().size(), 1u);
}

TEST_F(Donation, PercentSignsInTheNameAreShownLiterally) {
    Ref<UI::AlertView> alert = show("100% %@ %d %s");
    EXPECT_EQ(alert->title()->str(), "100% %@ %d %s");
    std::string message = alert->message()->str();
    EXPECT_EQ(message, "Hey there! 100% %@ %d %s is free, if you like it, please consider a little "
                       "donation :) It would be incredibly kind from you!");
}

TEST_F(Donation, NoNameShowsNoTitleAndTheNullText) {
    Ref<UI::AlertView> alert = show(nullptr);
    EXPECT_FALSE(alert->title());
    EXPECT_NE(alert->message()->str().find("Hey there! (null) is free"), std::string::npos);
}

TEST_F(Donation, TheHandlerIsFreedTogetherWithItsAlertWhicheverButton) {
    for (long index : {0L, 1L}) {
        WeakPtr<objc::Object> handler;
        WeakPtr<UI::AlertView> weakAlert;
        {
            Ref<UI::AlertView> alert = show("Tapsonata");
            RefPtr<objc::Object> kept =
                objc::objc_getAssociatedObject(alert.ptr(), objc::sel_registerName("show"));
            ASSERT_TRUE(kept);
            EXPECT_EQ(kept, alert->delegate());
            handler = kept;
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

// ---- Mail link ------------------------------------------------------------------------------

TEST_F(Donation, MailLinkIsMailtoAndTheAddressUnchanged) {
    QVOpenMailAddress(NS::str("author@quarvo.com").ptr());
    EXPECT_EQ(opener->opened(), std::vector<std::string>{"mailto:author@quarvo.com"});
}

TEST_F(Donation, AnAddressThatFormsNoURLOpensNothing) {
    QVOpenMailAddress(NS::str("the author@quarvo.com").ptr());
    QVOpenMailAddress(nullptr);
    EXPECT_TRUE(opener->opened().empty());
}

} // namespace
