// AC::AccountStore: the account type, the access request's one callback on a worker thread,
// the device's accounts in order, and refusal.
#include "accounts/AccountStore.h"
#include "dispatch/Queue.h"
#include "objc/Runtime.h"
#include "support/EventRecorder.h"
#include "support/LifetimeProbe.h"
#include "support/TemporaryRoot.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using objc::Ref;
using objc::RefPtr;
using objc::WeakPtr;

constexpr auto kPatience = 30s; // never reached unless something hangs
constexpr const char* kFile = "/var/mobile/Library/Accounts/Twitter.plist";
constexpr const char* kGrant = "<key>access</key><string>grant</string>";

std::string account(const std::string& name, const std::string& secretTag) {
    return "<dict><key>username</key><string>" + name +
           "</string><key>consumerKey</key><string>ck-" + secretTag +
           "</string><key>consumerSecret</key><string>cs-" + secretTag +
           "</string><key>token</key><string>tk-" + secretTag +
           "</string><key>tokenSecret</key><string>ts-" + secretTag + "</string></dict>";
}

const std::string kThreeAccounts = "<key>accounts</key><array>" + account("zed", "1") +
                                   account("alice", "2") + account("mallory", "3") + "</array>";

// What one access request's callback saw.
struct Answer {
    std::mutex lock;
    std::condition_variable arrived;
    int calls = 0;
    bool granted = false;
    RefPtr<NS::Error> error;
    bool onMainThread = true;

    AC::AccessCompletionHandler handler() {
        return [this](bool g, NS::Error* e) {
            std::lock_guard guard(lock);
            ++calls;
            granted = g;
            error = e;
            onMainThread = dispatch::isMainThread();
            arrived.notify_all();
        };
    }
    // Waits for the callback and for the worker to be done with it.
    bool wait() {
        std::unique_lock guard(lock);
        bool called = arrived.wait_for(guard, kPatience, [this] { return calls > 0; });
        guard.unlock();
        return called && dispatch::waitUntilIdle(kPatience);
    }
};

class Accounts : public ::testing::Test {
protected:
    void write(const std::string& body) const {
        root.write(kFile,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
                       body + "</dict></plist>\n");
    }
    // Asks a fresh store for access and waits for the answer.
    Ref<AC::AccountStore> ask(Answer& answer) {
        auto store = AC::AccountStore::create();
        type = store->accountTypeWithAccountTypeIdentifier(
            NS::str(AC::ACAccountTypeIdentifierTwitter).ptr());
        store->requestAccessToAccountsWithTypeWithCompletionHandler(type.get(), answer.handler());
        EXPECT_TRUE(answer.wait());
        EXPECT_EQ(answer.calls, 1);
        EXPECT_FALSE(answer.onMainThread);
        return store;
    }
    std::vector<std::string> names(AC::AccountStore& store) {
        std::vector<std::string> out;
        if (RefPtr<NS::Array> list = store.accountsWithAccountType(type.get()))
            for (const auto& item : list->items())
                out.push_back(dynamic_cast<AC::Account&>(*item).username()->str());
        return out;
    }

    TemporaryRoot root;
    support::EventRecorder events;
    RefPtr<AC::AccountType> type;
};

TEST_F(Accounts, GrantedAccessShowsTheAccountsInTheDevicesOrderWithTheirCredentials) {
    write(kGrant + kThreeAccounts);
    auto store = AC::AccountStore::create();
    auto twitter = store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.twitter").ptr());
    EXPECT_FALSE(store->accountsWithAccountType(twitter.get())) << "none until access is granted";
    Answer answer;
    store = ask(answer);
    EXPECT_TRUE(answer.granted);
    EXPECT_EQ(names(*store), (std::vector<std::string>{"zed", "alice", "mallory"}));
    RefPtr<NS::Array> list = store->accountsWithAccountType(type.get());
    auto* second = static_cast<AC::Account*>(list->objectAtIndex(1).get());
    EXPECT_EQ(second->credential().consumerKey, "ck-2");
    EXPECT_EQ(second->credential().tokenSecret, "ts-2");

    write("<key>access</key><string>deny</string>" + kThreeAccounts);
    EXPECT_FALSE(store->accountsWithAccountType(type.get())) << "a withdrawn answer hides them";
}

TEST_F(Accounts, OnlyTheWordGrantOrTrueGrantsAndADenialIsNoErrorAndNoAccounts) {
    const struct {
        std::string access;
        bool granted;
    } cases[] = {{"<key>access</key><true/>", true},
                 {"<key>access</key><string>Grant</string>", false},
                 {"", false}};
    for (const auto& c : cases) {
        write(c.access + kThreeAccounts);
        Answer answer;
        auto store = ask(answer);
        EXPECT_EQ(answer.granted, c.granted) << c.access;
        EXPECT_FALSE(answer.error) << c.access;
        EXPECT_EQ(bool(store->accountsWithAccountType(type.get())), c.granted) << c.access;
    }
}

TEST_F(Accounts, OnlyTheTwitterTypeIsKnownAndANilTypeIsRefusedWithAnError) {
    auto store = AC::AccountStore::create();
    EXPECT_FALSE(store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.facebook").ptr()));
    EXPECT_FALSE(store->accountTypeWithAccountTypeIdentifier(nullptr));
    Answer answer;
    store->requestAccessToAccountsWithTypeWithCompletionHandler(nullptr, answer.handler());
    ASSERT_TRUE(answer.wait());
    EXPECT_FALSE(answer.granted);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->code(), AC::ACErrorAccountTypeInvalid);
}

TEST_F(Accounts, TheStoreLivesThroughTheCallbackAndThenLetsGoOfItAndItself) {
    write(kGrant + kThreeAccounts);
    std::atomic<int> deaths{0};
    WeakPtr<AC::AccountStore> weakStore;
    Answer answer;
    {
        auto store = AC::AccountStore::create();
        weakStore = WeakPtr<AC::AccountStore>(store);
        auto twitter =
            store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.twitter").ptr());
        auto held = LifetimeProbe::create(deaths);
        auto record = answer.handler();
        // Like the kit's callback: it holds what it needs, the store included.
        store->requestAccessToAccountsWithTypeWithCompletionHandler(
            twitter.get(), [record, held, store, twitter, &deaths](bool g, NS::Error* e) {
                auto list = store->accountsWithAccountType(twitter.get());
                EXPECT_TRUE(list && list->count() == 3);
                EXPECT_EQ(deaths, 0);
                record(g, e);
            });
    }
    ASSERT_TRUE(answer.wait());
    EXPECT_EQ(deaths, 1) << "what the callback captured is released once it has run";
    EXPECT_FALSE(weakStore.get());
}

TEST_F(Accounts, AnAccountsDescriptionNeverShowsItsCredentials) {
    auto twitter = AC::AccountType::typeWithIdentifier(AC::ACAccountTypeIdentifierTwitter);
    auto a = AC::Account::initWithAccountType(
        *twitter, NS::str("quarvo"), {"KEY-aaa", "SECRET-bbb", "TOKEN-ccc", "TSECRET-ddd"});
    std::string text = NS::String::stringWithFormat("%@", a)->str();
    EXPECT_NE(text.find("quarvo"), std::string::npos);
    for (const char* secret : {"KEY-aaa", "SECRET-bbb", "TOKEN-ccc", "TSECRET-ddd"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
}

} // namespace
