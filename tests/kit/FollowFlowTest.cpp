// The follow flow against the platform stand-ins: a device root with Twitter accounts, a URL
// opener that records, and a local server standing for the API. The texts, the requests'
// contents and their accounts are checked end to end (tests/e2e); here, the lifetimes and the
// edges of each branch.
#include "dispatch/Queue.h"
#include "foundation/Collections.h"
#include "kit/FollowDecisions.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "social/Request.h"
#include "support/EventRecorder.h"
#include "support/FakeURLOpener.h"
#include "support/LocalHTTPServer.h"
#include "support/TemporaryRoot.h"
#include "uikit/AlertView.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using objc::RefPtr;
using Strings = std::vector<std::string>;

class FollowFlow : public ::testing::Test {
protected:
    void SetUp() override {
        dispatch::setMainThread();
        SL::setAPIBase(server.base());
        SL::setTimeouts(2s, 4s);
    }
    void TearDown() override {
        settle();
        for (const auto& alert : UI::AlertView::visibleAlerts()) // none left for the next test
            alert->tapButtonAtIndex(0);
        settle();
        SL::setAPIBase("https://api.twitter.com");
    }

    // The device's Twitter accounts and the user's answer to the access request.
    void setAccounts(const Strings& names, bool grant = true) {
        auto accounts = NS::Array::array();
        for (const std::string& name : names) {
            auto account = NS::MutableDictionary::dictionary();
            account->setObjectForKey(NS::str(name), "username");
            for (const char* key : {"consumerKey", "consumerSecret", "token", "tokenSecret"})
                account->setObjectForKey(NS::str(name + key), key);
            accounts->addObject(account);
        }
        auto file = NS::Dictionary::dictionary(
            {{"access", NS::str(grant ? "grant" : "deny")}, {"accounts", accounts}});
        root.write("/var/mobile/Library/Accounts/Twitter.plist", NS::propertyListToXML(*file));
    }
    // Runs the main queue and waits for background work until both are idle.
    static void settle() {
        for (int round = 0; round < 400; ++round) {
            dispatch::main().runUntilIdle();
            if (dispatch::waitUntilIdle(20ms) && dispatch::main().empty())
                return;
        }
        ADD_FAILURE() << "the main queue or the background never went idle";
    }
    // Puts up the invitation and keeps a weak link to its handler.
    void invite(NS::String* handle = NS::str("Quarvo").ptr()) {
        QVShowTwitterFollowAlert(NS::str("Tapsonata").ptr(), NS::str("Follow?").ptr(), handle);
        RefPtr<UI::AlertView> alert = topAlert();
        ASSERT_TRUE(alert);
        handler = objc::objc_getAssociatedObject(alert.get(), objc::sel_registerName("show"));
        ASSERT_TRUE(handler);
    }
    static RefPtr<UI::AlertView> topAlert() {
        std::vector<objc::Ref<UI::AlertView>> alerts = UI::AlertView::visibleAlerts();
        return alerts.empty() ? nullptr : RefPtr<UI::AlertView>(alerts.back());
    }
    static void tap(long index) {
        RefPtr<UI::AlertView> alert = topAlert();
        ASSERT_TRUE(alert);
        alert->tapButtonAtIndex(index);
        settle();
    }
    // The alert on top is the one described: its message and tag tell them apart.
    static void expectOnTop(const kit::AlertDescription& d) {
        RefPtr<UI::AlertView> alert = topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->message()->str(), d.message);
        EXPECT_EQ(alert->tag(), d.tag.value_or(0));
    }

    TemporaryRoot root;
    support::ScopedFakeURLOpener opener;
    support::LocalHTTPServer server;
    support::EventRecorder events;
    objc::WeakPtr<objc::Object> handler;
};

TEST_F(FollowFlow, EndsWithNoAlertAndTheHandlerFreed) {
    struct Row {
        const char* name;
        Strings accounts;
        bool grant;
        const char* handle;
        long tap;
        Strings opened;
    } rows[] = {
        {"No thanks", {"alice"}, true, "Quarvo", 0, {}},
        {"access refused", {"alice", "bob"}, false, "Quarvo", 1, {}},
        {"no handle: asks for nothing", {"alice"}, true, nullptr, 1, {}},
        {"no account: the profile", {}, true, "Quarvo", 1, {"http://twitter.com/Quarvo"}},
    }; // what opens adds up: the one open comes last
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setAccounts(row.accounts, row.grant);
        events.clear();
        invite(row.handle ? NS::str(row.handle).ptr() : nullptr);
        tap(row.tap);
        EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
        EXPECT_EQ(opener->opened(), row.opened);
        EXPECT_TRUE(server.requests().empty());
        EXPECT_EQ(events.events("accounts_access").size(), row.tap == 1 && row.handle ? 1u : 0u);
        EXPECT_FALSE(handler);
    }
}

TEST_F(FollowFlow, OneAccountIsThankedForAFailedFollowAndWithoutSocialToo) {
    setAccounts({"alice"});
    server.answer(500, "oops"); // a failed follow is thanked all the same
    for (bool social : {true, false}) {
        SCOPED_TRACE(social ? "a failed follow" : "without Social");
        SL::setAvailable(social);
        std::size_t before = server.requests().size();
        invite();
        tap(1); // settles only once the request has ended
        SL::setAvailable(true);
        EXPECT_EQ(server.requests().size(), before + (social ? 1 : 0));
        expectOnTop(kit::singleAccountConfirmation());
        tap(0);
        EXPECT_FALSE(handler);
    }
}

TEST_F(FollowFlow, SeveralAccountsGetAChooserAndOnlyARealChoiceIsThanked) {
    struct Row {
        const char* name;
        long tap;
        bool loseTheList;
        std::size_t requests;
    } rows[] = {
        {"All: every account", 0, false, 3},
        {"the second account", 2, false, 1},
        {"a button the list lacks", 2, true, 0},
    };
    setAccounts({"alice", "bob", "carol"});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        invite();
        tap(1);
        expectOnTop(kit::accountChooser({"alice", "bob", "carol"}));
        EXPECT_TRUE(handler) << "the handler outlived the invitation";
        if (row.loseTheList) // the list the chooser reads back is shorter than its buttons
            objc::objc_setAssociatedObject(topAlert().get(), objc::sel_registerName("description"),
                                           NS::Array::array().ptr(), objc::OBJC_ASSOCIATION_RETAIN);
        std::size_t before = server.requests().size();
        tap(row.tap); // settles only once the requests have ended
        EXPECT_EQ(server.requests().size(), before + row.requests);
        if (row.requests == 0) {
            EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
        } else {
            expectOnTop(kit::chooserConfirmation());
            tap(0);
        }
        EXPECT_FALSE(handler);
    }
}

} // namespace
