// The donation invitation and the mail link, through the platform's alerts and application.
#include "dispatch/Queue.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "support/FakeURLOpener.h"
#include "uikit/AlertView.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::WeakPtr;
using Strings = std::vector<std::string>;

// Shows the alert for `name` and returns the one alert it put on screen.
Ref<UI::AlertView> show(const char* name) {
    std::size_t before = UI::AlertView::visibleAlerts().size();
    QVShowDonateAlert(name ? NS::str(name).ptr() : nullptr);
    std::vector<Ref<UI::AlertView>> alerts = UI::AlertView::visibleAlerts();
    EXPECT_EQ(alerts.size(), before + 1);
    return alerts.back();
}

// The texts and a name with "%" in it are checked end to end (tests/e2e); no name shows (null)
// and no title.
TEST(Donation, OnlySureOpensThePageOnceAndTheHandlerGoesWithItsAlert) {
    support::ScopedFakeURLOpener opener;
    for (long index : {0L, 1L}) {
        WeakPtr<objc::Object> handler;
        WeakPtr<UI::AlertView> weakAlert;
        {
            Ref<UI::AlertView> alert = show(index ? "Other" : nullptr);
            ASSERT_TRUE(alert->delegate());
            EXPECT_EQ(alert->cancelButtonIndex(), 0);
            if (!index) {
                EXPECT_FALSE(alert->title());
                EXPECT_EQ(alert->message()->str().rfind("Hey there! (null) is free, if", 0), 0u);
            }
            handler = alert->delegate();
            weakAlert = alert;
        }
        // On screen, the alert holds the handler, and nothing else does.
        ASSERT_TRUE(handler.get());
        weakAlert.get()->tapButtonAtIndex(2); // no such button: the alert stays up
        weakAlert.get()->tapButtonAtIndex(index);
        ASSERT_TRUE(handler.get()) << "the handler must outlive the tap's delivery";
        weakAlert.get()->tapButtonAtIndex(1); // only the first tap counts
        dispatch::main().runUntilIdle();
        EXPECT_FALSE(weakAlert.get()) << index;
        EXPECT_FALSE(handler.get()) << index;
    }
    // An index no button has, sent directly, opens nothing either.
    objc::msgSend<void, objc::Object*, long>(QVDonateHandler::create().ptr(),
                                             "alertView:clickedButtonAtIndex:", nullptr, 2);
    EXPECT_EQ(opener->opened(), Strings{"https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&"
                                        "hosted_button_id=QVTAPSONATA26"});
}

} // namespace
