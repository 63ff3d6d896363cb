#include "FollowFlowFixture.h"
#include "social/Request.h"
#include "support/OAuthCheck.h"

#include <map>

namespace {

using namespace std::chrono_literals;

TEST_F(FollowFlow, TheInvitationHasItsTextsButtonsAndTag) {
    objc::WeakPtr<UI::AlertView> invitation = invite();
    objc::RefPtr<UI::AlertView> alert = invitation.get();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title()->str(), "Tapsonata");
    EXPECT_EQ(alert->message()->str(), "Follow?");
    EXPECT_EQ(buttons(*alert), (std::vector<std::string>{"No thanks!", "I'd love to!"}));
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->tag(), 1);
    EXPECT_TRUE(handler);
    EXPECT_EQ(alert->delegate().get(), handler.get().get());
}

TEST_F(FollowFlow, NoHandleShowsNothing) {
    QVShowTwitterFollowAlert(NS::str("T").ptr(), nullptr, nullptr);
    QVOpenTwitterUsername(nullptr);
    settle();
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
    EXPECT_TRUE((*opener)->probes().empty());
    EXPECT_TRUE((*opener)->opened().empty());
}

TEST_F(FollowFlow, NoThanksDoesNothingAndFreesTheHandlerWithTheAlert) {
    setAccounts({"alice"});
    objc::WeakPtr<UI::AlertView> invitation = invite();
    tap(0);
    EXPECT_FALSE(invitation);
    EXPECT_FALSE(handler);
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
    EXPECT_TRUE(server->requests().empty());
    EXPECT_TRUE(events->events("accounts_access").empty());
}

TEST_F(FollowFlow, AccessRefusedEndsSilently) {
    setAccounts({"alice", "bob"}, /*grant=*/false);
    invite();
    tap(1);
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
    EXPECT_TRUE(server->requests().empty());
    EXPECT_TRUE((*opener)->opened().empty());
    EXPECT_FALSE(handler);
}

TEST_F(FollowFlow, NoAccountOpensTheProfileInsteadOfFollowing) {
    setAccounts({});
    invite();
    tap(1);
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
    EXPECT_EQ((*opener)->opened(), std::vector<std::string>{"http://twitter.com/Quarvo"});
    EXPECT_TRUE(server->requests().empty());
    EXPECT_FALSE(handler);
}

TEST_F(FollowFlow, OneAccountFollowsAtOnceSignedAsThatAccountThenConfirms) {
    setAccounts({"alice"});
    objc::WeakPtr<UI::AlertView> invitation = invite();
    tap(1);
    EXPECT_FALSE(invitation); // the handler lives on through the access callback alone
    ASSERT_TRUE(server->waitForRequests(1, 5s));
    settle();
    std::vector<support::RecordedRequest> requests = server->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path(), "/1.1/friendships/create.json");
    EXPECT_NE(requests[0].body.find("screen_name=Quarvo"), std::string::npos);
    EXPECT_NE(requests[0].body.find("follow=FALSE"), std::string::npos);
    support::OAuthCheck check = support::checkOAuthSignature(requests[0], server->base(),
                                                             {"ck", "cs", "t-alice", "ts-alice"});
    EXPECT_TRUE(check.valid) << check.problem;

    objc::RefPtr<UI::AlertView> done = topAlert();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->title()->str(), "Done <3");
    EXPECT_EQ(done->message()->str(), "Awesome. Thanks for following me ^-^");
    EXPECT_EQ(buttons(*done), std::vector<std::string>{"You're welcome <3"});
    EXPECT_EQ(done->delegate(), nullptr);
    EXPECT_FALSE(handler);
}

TEST_F(FollowFlow, TheConfirmationIsShownEvenWhenTheRequestFails) {
    setAccounts({"alice"});
    server->answer(500, "oops");
    invite();
    tap(1);
    objc::RefPtr<UI::AlertView> done = topAlert();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->message()->str(), "Awesome. Thanks for following me ^-^");
}

TEST_F(FollowFlow, AMisbehavingServerEndsWithinTheTimeoutAndTheConfirmationStillShows) {
    using Behaviour = support::LocalHTTPServer::Behaviour;
    setAccounts({"alice"});
    SL::setTimeouts(300ms, 600ms);
    for (Behaviour behaviour : {Behaviour::NoAnswer, Behaviour::Garbage, Behaviour::Close}) {
        SCOPED_TRACE(static_cast<int>(behaviour));
        server->setBehaviour(behaviour);
        events->clear();
        invite();
        tap(1); // settles only once the request has ended
        ASSERT_EQ(events->events("http").size(), 1u);
        EXPECT_EQ(device::jsonField(events->events("http")[0], "status"), "null");
        objc::RefPtr<UI::AlertView> done = topAlert();
        ASSERT_TRUE(done);
        EXPECT_EQ(done->message()->str(), "Awesome. Thanks for following me ^-^");
        tap(0);
        EXPECT_FALSE(handler);
    }
}

TEST_F(FollowFlow, TwoAccountsGetAChooserWhoseAllFollowsFromEachInListOrder) {
    setAccounts({"alice", "bob"});
    invite();
    objc::RefPtr<objc::Object> handlerBefore = handler.get();
    tap(1);
    objc::RefPtr<UI::AlertView> chooser = topAlert();
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->title(), nullptr);
    EXPECT_EQ(chooser->tag(), 2);
    EXPECT_EQ(buttons(*chooser), (std::vector<std::string>{"All!", "alice", "bob"}));
    EXPECT_EQ(chooser->delegate().get(),
              handlerBefore.get()); // the same handler outlived the invitation
    handlerBefore = nullptr;
    chooser = nullptr;
    EXPECT_TRUE(handler);

    tap(0);
    ASSERT_TRUE(server->waitForRequests(2, 5s));
    settle();
    // "seq" is the order the requests were sent in.
    std::map<long long, std::string> accounts;
    for (const std::string& line : events->events("http"))
        accounts[std::stoll(device::jsonField(line, "seq").value_or("0"))] =
            device::jsonField(line, "account").value_or("");
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts.begin()->second, "alice");
    EXPECT_EQ(accounts.rbegin()->second, "bob");
    for (const auto& request : server->requests())
        EXPECT_NE(request.body.find("screen_name=Quarvo"), std::string::npos);

    objc::RefPtr<UI::AlertView> done = topAlert();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->title()->str(), "Done <3");
    EXPECT_EQ(buttons(*done), std::vector<std::string>{"Will do!"});
    done = nullptr;
    EXPECT_FALSE(handler);
}

TEST_F(FollowFlow, ChoosingOneAccountFollowsFromThatOneOnly) {
    setAccounts({"alice", "bob"});
    invite();
    tap(1);
    tap(2);
    ASSERT_TRUE(server->waitForRequests(1, 5s));
    settle();
    ASSERT_EQ(server->requests().size(), 1u);
    support::OAuthCheck check = support::checkOAuthSignature(server->requests()[0], server->base(),
                                                             {"ck", "cs", "t-bob", "ts-bob"});
    EXPECT_TRUE(check.valid) << check.problem;
    EXPECT_FALSE(handler);
}

TEST_F(FollowFlow, WithoutSocialTheFollowSendsNothingAndFailsNothing) {
    setAccounts({"alice"});
    SL::setAvailable(false);
    invite();
    tap(1);
    SL::setAvailable(true);
    EXPECT_TRUE(server->requests().empty());
    objc::RefPtr<UI::AlertView> done = topAlert();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->title()->str(), "Done <3");
}

TEST_F(FollowFlow, TwoInvitationsRunSideBySide) {
    setAccounts({"alice", "bob"});
    invite();
    objc::WeakPtr<objc::Object> first = handler;
    invite();
    ASSERT_EQ(UI::AlertView::visibleAlerts().size(), 2u);
    EXPECT_NE(first.get().get(), handler.get().get());
    tap(1); // the second invitation accepted: its chooser comes up
    UI::AlertView::visibleAlerts().front()->tapButtonAtIndex(0); // the first declined
    settle();
    EXPECT_FALSE(first);
    EXPECT_EQ(topAlert()->tag(), 2);
}

} // namespace
