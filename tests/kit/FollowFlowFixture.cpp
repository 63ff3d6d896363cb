#include "FollowFlowFixture.h"

#include "dispatch/Queue.h"
#include "foundation/Collections.h"
#include "objc/Runtime.h"
#include "social/Request.h"

#include <chrono>

using namespace std::chrono_literals;

void FollowFlow::SetUp() {
    dispatch::setMainThread();
    root.emplace();
    opener.emplace();
    server.emplace();
    events.emplace();
    SL::setAPIBase(server->base());
    SL::setTimeouts(2s, 4s);
}

void FollowFlow::TearDown() {
    settle();
    // Whatever the user left on screen goes away, so that each test starts with none.
    for (const auto& alert : UI::AlertView::visibleAlerts())
        alert->tapButtonAtIndex(0);
    settle();
    SL::setAPIBase("https://api.twitter.com");
    events.reset();
    server.reset();
    opener.reset();
    root.reset();
}

void FollowFlow::setAccounts(const std::vector<std::string>& names, bool grant) {
    auto file = NS::MutableDictionary::dictionary();
    file->setObjectForKey(NS::str(grant ? "grant" : "deny"), "access");
    auto accounts = NS::Array::array();
    for (const std::string& name : names) {
        auto account = NS::MutableDictionary::dictionary();
        account->setObjectForKey(NS::str(name), "username");
        account->setObjectForKey(NS::str("ck"), "consumerKey");
        account->setObjectForKey(NS::str("cs"), "consumerSecret");
        account->setObjectForKey(NS::str("t-" + name), "token");
        account->setObjectForKey(NS::str("ts-" + name), "tokenSecret");
        accounts->addObject(account);
    }
    file->setObjectForKey(accounts, "accounts");
    root->write("/var/mobile/Library/Accounts/Twitter.plist", NS::propertyListToXML(*file));
}

void FollowFlow::settle() {
    for (int round = 0; round < 400; ++round) {
        dispatch::main().runUntilIdle();
        if (dispatch::waitUntilIdle(20ms) && dispatch::main().empty())
            return;
    }
    ADD_FAILURE() << "the main queue or the background never went idle";
}

objc::WeakPtr<UI::AlertView> FollowFlow::invite() {
    QVShowTwitterFollowAlert(NS::str("Tapsonata").ptr(), NS::str("Follow?").ptr(),
                             NS::str("Quarvo").ptr());
    objc::RefPtr<UI::AlertView> alert = topAlert();
    EXPECT_TRUE(alert);
    handler = objc::WeakPtr<objc::Object>(
        objc::objc_getAssociatedObject(alert.get(), objc::sel_registerName("show")));
    return objc::WeakPtr<UI::AlertView>(alert);
}

objc::RefPtr<UI::AlertView> FollowFlow::topAlert() {
    std::vector<objc::Ref<UI::AlertView>> alerts = UI::AlertView::visibleAlerts();
    return alerts.empty() ? nullptr : objc::RefPtr<UI::AlertView>(alerts.back());
}

void FollowFlow::tap(long index) {
    objc::RefPtr<UI::AlertView> alert = topAlert();
    ASSERT_TRUE(alert);
    alert->tapButtonAtIndex(index);
    settle();
}

std::vector<std::string> FollowFlow::buttons(const UI::AlertView& alert) const {
    std::vector<std::string> out;
    for (long i = 0; i < alert.numberOfButtons(); ++i)
        out.push_back(alert.buttonTitleAtIndex(i)->str());
    return out;
}
