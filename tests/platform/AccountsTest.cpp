// AC::AccountStore: the account type, the access request's one callback on a worker thread,
// the device's accounts in order, and refusal.
#include "accounts/AccountStore.h"
#include "dispatch/Queue.h"
#include "fixtures/Capture.h"
#include "objc/Runtime.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using objc::Ref;
using objc::RefPtr;
using objc::WeakPtr;

constexpr auto kPatience = 30s; // never reached unless something hangs
constexpr const char* kFile = "/var/mobile/Library/Accounts/Twitter.plist";

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body +
           "</dict></plist>\n";
}

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
        std::filesystem::path file = root / kFile;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << plist(body);
    }
    // Asks a fresh store for access and waits for the answer.
    Ref<AC::AccountStore> ask(Answer& answer) {
        auto store = AC::AccountStore::create();
        type = store->accountTypeWithAccountTypeIdentifier(
            NS::str(AC::ACAccountTypeIdentifierTwitter).ptr());
        store->requestAccessToAccountsWithTypeWithCompletionHandler(type.get(), answer.handler());
        EXPECT_TRUE(answer.wait());
        return store;
    }

    fixtures::TemporaryRoot root;
    fixtures::EventCapture events;
    RefPtr<AC::AccountType> type;
};

TEST_F(Accounts, TheTwitterTypeIsKnownAndOthersAreNot) {
    auto store = AC::AccountStore::create();
    EXPECT_EQ(store->isa()->name(), "ACAccountStore");
    auto twitter = store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.twitter").ptr());
    ASSERT_TRUE(twitter);
    EXPECT_EQ(twitter->identifier()->str(), "com.apple.twitter");
    EXPECT_FALSE(store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.facebook").ptr()));
    EXPECT_FALSE(store->accountTypeWithAccountTypeIdentifier(nullptr));
}

TEST_F(Accounts, GrantedAccessCallsBackOnceOffTheMainThread) {
    write("<key>access</key><string>grant</string>" + kThreeAccounts);
    Answer answer;
    ask(answer);
    EXPECT_EQ(answer.calls, 1);
    EXPECT_TRUE(answer.granted);
    EXPECT_FALSE(answer.error);
    EXPECT_FALSE(answer.onMainThread);
    auto asked = events.events("accounts_access");
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(device::jsonField(asked[0], "granted"), "true");
    EXPECT_EQ(device::jsonField(asked[0], "type"), "com.apple.twitter");
}

TEST_F(Accounts, AccountsKeepTheDevicesOrderWithTheirCredentials) {
    write("<key>access</key><string>grant</string>" + kThreeAccounts);
    Answer answer;
    auto store = ask(answer);
    RefPtr<NS::Array> list = store->accountsWithAccountType(type.get());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 3U);
    std::vector<std::string> names;
    for (const auto& item : list->items()) {
        auto* a = dynamic_cast<AC::Account*>(item.get());
        ASSERT_TRUE(a);
        names.push_back(a->username()->str());
        EXPECT_EQ(a->accountType()->identifier()->str(), "com.apple.twitter");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"zed", "alice", "mallory"}));
    auto* second = static_cast<AC::Account*>(list->objectAtIndex(1).get());
    EXPECT_EQ(second->credential().consumerKey, "ck-2");
    EXPECT_EQ(second->credential().consumerSecret, "cs-2");
    EXPECT_EQ(second->credential().token, "tk-2");
    EXPECT_EQ(second->credential().tokenSecret, "ts-2");
}

TEST_F(Accounts, NoAccountsUntilAccessIsGranted) {
    write("<key>access</key><string>grant</string>" + kThreeAccounts);
    auto store = AC::AccountStore::create();
    auto twitter = store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.twitter").ptr());
    EXPECT_FALSE(store->accountsWithAccountType(twitter.get()));
    EXPECT_FALSE(store->accountsWithAccountType(nullptr));
}

TEST_F(Accounts, GrantedWithoutAccountsGivesAnEmptyList) {
    write("<key>access</key><string>grant</string>");
    Answer answer;
    auto store = ask(answer);
    ASSERT_TRUE(answer.granted);
    auto list = store->accountsWithAccountType(type.get());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->count(), 0U);
}

TEST_F(Accounts, ADenialIsAnsweredNoWithoutAnErrorAndShowsNoAccounts) {
    write("<key>access</key><string>deny</string>" + kThreeAccounts);
    Answer answer;
    auto store = ask(answer);
    EXPECT_EQ(answer.calls, 1);
    EXPECT_FALSE(answer.granted);
    EXPECT_FALSE(answer.error);
    EXPECT_FALSE(answer.onMainThread);
    EXPECT_FALSE(store->accountsWithAccountType(type.get()));
    EXPECT_EQ(device::jsonField(events.events("accounts_access").at(0), "granted"), "false");
}

TEST_F(Accounts, AnAbsentAnswerOrAbsentFileIsADenial) {
    write(kThreeAccounts);
    Answer noAnswer;
    ask(noAnswer);
    EXPECT_FALSE(noAnswer.granted);

    std::filesystem::remove(root / kFile);
    Answer noFile;
    ask(noFile);
    EXPECT_EQ(noFile.calls, 1);
    EXPECT_FALSE(noFile.granted);
    EXPECT_FALSE(noFile.error);
}

TEST_F(Accounts, TheBooleanTrueGrantsAndOtherValuesDeny) {
    write("<key>access</key><true/>");
    Answer yes;
    ask(yes);
    EXPECT_TRUE(yes.granted);
    write("<key>access</key><integer>1</integer>");
    Answer number;
    ask(number);
    EXPECT_FALSE(number.granted);
    write("<key>access</key><string>Grant</string>");
    Answer otherCase;
    ask(otherCase);
    EXPECT_FALSE(otherCase.granted);
}

TEST_F(Accounts, AWithdrawnAnswerHidesTheAccountsAgain) {
    write("<key>access</key><string>grant</string>" + kThreeAccounts);
    Answer answer;
    auto store = ask(answer);
    ASSERT_TRUE(store->accountsWithAccountType(type.get()));
    write("<key>access</key><string>deny</string>" + kThreeAccounts);
    EXPECT_FALSE(store->accountsWithAccountType(type.get()));
}

TEST_F(Accounts, EntriesWithoutAUsernameAreSkippedAndMissingCredentialsAreEmpty) {
    write("<key>access</key><string>grant</string><key>accounts</key><array>"
          "<dict><key>consumerKey</key><string>orphan</string></dict>"
          "<string>not an account</string>"
          "<dict><key>username</key><string>bare</string></dict>" +
          account("full", "9") + "</array>");
    Answer answer;
    auto store = ask(answer);
    auto list = store->accountsWithAccountType(type.get());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 2U);
    auto* bare = static_cast<AC::Account*>(list->objectAtIndex(0).get());
    EXPECT_EQ(bare->username()->str(), "bare");
    EXPECT_EQ(bare->credential().token, "");
    EXPECT_EQ(static_cast<AC::Account*>(list->objectAtIndex(1).get())->username()->str(), "full");
}

TEST_F(Accounts, ANilTypeIsRefusedWithAnError) {
    auto store = AC::AccountStore::create();
    Answer answer;
    store->requestAccessToAccountsWithTypeWithCompletionHandler(nullptr, answer.handler());
    ASSERT_TRUE(answer.wait());
    EXPECT_EQ(answer.calls, 1);
    EXPECT_FALSE(answer.granted);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->domain()->str(), "com.apple.accounts");
    EXPECT_EQ(answer.error->code(), AC::ACErrorAccountTypeInvalid);
}

// Something a callback captures; counts its own deaths.
class Captured : public objc::Object {
public:
    static Ref<Captured> create(std::atomic<int>& deaths) {
        return objc::adopt(new Captured(deaths));
    }

private:
    explicit Captured(std::atomic<int>& deaths) : m_deaths(deaths) {}
    ~Captured() override { ++m_deaths; }
    std::atomic<int>& m_deaths;
};

TEST_F(Accounts, TheStoreLivesThroughTheCallbackAndThenLetsGoOfItAndItself) {
    write("<key>access</key><string>grant</string>" + kThreeAccounts);
    std::atomic<int> deaths{0};
    WeakPtr<AC::AccountStore> weakStore;
    Answer answer;
    {
        auto store = AC::AccountStore::create();
        weakStore = WeakPtr<AC::AccountStore>(store);
        auto twitter =
            store->accountTypeWithAccountTypeIdentifier(NS::str("com.apple.twitter").ptr());
        auto held = Captured::create(deaths);
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
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(deaths, 1) << "what the callback captured is released once it has run";
    EXPECT_FALSE(weakStore.get());
}

TEST_F(Accounts, AnAccountsDescriptionNeverShowsItsCredentials) {
    auto twitter = AC::AccountType::typeWithIdentifier(AC::ACAccountTypeIdentifierTwitter);
    ASSERT_TRUE(twitter);
    auto a = AC::Account::initWithAccountType(
        *twitter, NS::str("quarvo"), {"KEY-aaa", "SECRET-bbb", "TOKEN-ccc", "TSECRET-ddd"});
    std::string text = a->description();
    EXPECT_NE(text.find("quarvo"), std::string::npos);
    for (const char* secret : {"KEY-aaa", "SECRET-bbb", "TOKEN-ccc", "TSECRET-ddd"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    std::string formatted = NS::String::stringWithFormat("%@", a)->str();
    EXPECT_EQ(formatted.find("SECRET"), std::string::npos);
    EXPECT_EQ(a->isa()->name(), "ACAccount");
}

} // namespace
