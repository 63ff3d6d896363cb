// UI::AlertView: button indices, absent parts, showing, the keep-alive until a tap, and the
// delegate's call on the main queue.
#include "dispatch/Queue.h"
#include "objc/Runtime.h"
#include "support/EventRecorder.h"
#include "uikit/AlertView.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using objc::Ref;
using objc::RefPtr;
using objc::WeakPtr;

// A delegate that records each "alertView:clickedButtonAtIndex:" it receives.
class Delegate : public objc::Object {
public:
    struct Click {
        const objc::Object* alert;
        long index;
        bool onMainThread;
    };

    static Ref<Delegate> create(std::atomic<int>* deaths = nullptr) {
        auto d = objc::adopt(new Delegate(deaths));
        d->setIsa(cls());
        return d;
    }
    std::vector<Click> clicks;

private:
    explicit Delegate(std::atomic<int>* deaths) : m_deaths(deaths) {}
    ~Delegate() override {
        if (m_deaths)
            ++*m_deaths;
    }

    static void clicked(objc::Object* self, objc::SEL, objc::Object* alert, long index) {
        static_cast<Delegate*>(self)->clicks.push_back({alert, index, dispatch::isMainThread()});
    }
    static objc::Class* cls() {
        static objc::Class* c = [] {
            objc::Class* k =
                objc::objc_lookUpOrRegisterClass("AlertTestDelegate", objc::NSObjectClass());
            k->addMethod(objc::sel_registerName("alertView:clickedButtonAtIndex:"),
                         objc::imp_cast(&clicked));
            return k;
        }();
        return c;
    }

    std::atomic<int>* m_deaths;
};

Ref<NS::String> s(const char* text) {
    return NS::str(text);
}

Ref<UI::AlertView> makeAlert(objc::Object* delegate = nullptr) {
    return UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        s("Title").ptr(), s("Message").ptr(), delegate, s("No thanks!").ptr(),
        {s("I'd love to!").ptr()});
}

std::vector<std::string> titles(const UI::AlertView& alert) {
    std::vector<std::string> out;
    for (long i = 0; i < alert.numberOfButtons(); ++i)
        out.push_back(alert.buttonTitleAtIndex(i)->str());
    return out;
}

// Every test leaves the screen as it found it: alerts still up are tapped away.
class AlertTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& alert : UI::AlertView::visibleAlerts())
            alert->tapButtonAtIndex(0);
        dispatch::main().runUntilIdle();
    }
    support::EventRecorder events;
};

using AlertButtons = AlertTest;

TEST_F(AlertButtons, CancelIsIndexZeroAndOthersAndAddedOnesFollowElseTheyStartAtZero) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, nullptr, nullptr, s("All!").ptr(), {s("One").ptr(), nullptr});
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->addButtonWithTitle(s("first").ptr()), 2);
    EXPECT_EQ(alert->addButtonWithTitle(nullptr), -1);
    EXPECT_EQ(titles(alert), (std::vector<std::string>{"All!", "One", "first"}));
    EXPECT_FALSE(alert->buttonTitleAtIndex(3));
    auto noCancel = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, nullptr, nullptr, nullptr, {s("You're welcome <3").ptr()});
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(titles(noCancel), std::vector<std::string>{"You're welcome <3"});
}

using AlertShow = AlertTest;

TEST_F(AlertShow, ReportsTheAlertOnceWithItsTagTextsAndButtons) {
    auto alert = makeAlert();
    alert->setTag(1);
    alert->show();
    alert->show();
    ASSERT_EQ(UI::AlertView::visibleAlerts().size(), 1U);
    UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, s("").ptr(), nullptr, s("OK").ptr(), {})
        ->show();
    auto shown = events.events("alert");
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(device::jsonField(shown[0], "tag"), "1");
    EXPECT_EQ(device::jsonField(shown[0], "buttons"), "[\"No thanks!\",\"I'd love to!\"]");
    EXPECT_EQ(device::jsonField(shown[1], "title"), "null");
    EXPECT_EQ(device::jsonField(shown[1], "message"), "") << "an empty message stays empty";
}

TEST_F(AlertShow, AShownAlertAndWhatItHoldsUnderShowLiveUntilATapAndTheDelegateCall) {
    WeakPtr<UI::AlertView> neverShown(makeAlert());
    EXPECT_FALSE(neverShown.get());
    std::atomic<int> deaths{0};
    WeakPtr<UI::AlertView> weak;
    {
        auto delegate = Delegate::create(&deaths);
        auto alert = makeAlert(delegate.ptr());
        objc::objc_setAssociatedObject(alert.ptr(), objc::sel_registerName("show"), delegate.ptr(),
                                       objc::OBJC_ASSOCIATION_RETAIN);
        weak = WeakPtr<UI::AlertView>(alert);
        alert->show();
    }
    EXPECT_EQ(deaths, 0) << "the alert on screen keeps its delegate";
    RefPtr<UI::AlertView> alive = weak.get();
    ASSERT_TRUE(alive);
    alive->tapButtonAtIndex(1);
    alive = nullptr;
    EXPECT_TRUE(weak.get()) << "the queued delegate call holds the alert";
    dispatch::main().runUntilIdle();
    EXPECT_FALSE(weak.get());
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
}

using AlertDelegate = AlertTest;

TEST_F(AlertDelegate, ATapCallsTheDelegateOnceOnTheMainQueueWithTheIndex) {
    auto delegate = Delegate::create();
    auto alert = makeAlert(delegate.ptr());
    alert->show();
    alert->tapButtonAtIndex(1);
    alert->tapButtonAtIndex(0);
    EXPECT_TRUE(delegate->clicks.empty()) << "the call waits for the main queue";
    EXPECT_FALSE(alert->isVisible());
    dispatch::main().runUntilIdle();
    ASSERT_EQ(delegate->clicks.size(), 1U) << "a second tap is not delivered";
    EXPECT_EQ(delegate->clicks[0].alert, alert.ptr());
    EXPECT_EQ(delegate->clicks[0].index, 1);
    EXPECT_EQ(events.events("tap").size(), 1U);

    alert->show();
    std::thread host([&] { alert->tapButtonAtIndex(0); });
    host.join();
    dispatch::main().runUntilIdle();
    ASSERT_EQ(delegate->clicks.size(), 2U);
    EXPECT_TRUE(delegate->clicks[1].onMainThread) << "even for a tap from another thread";
}

TEST_F(AlertDelegate, TheDelegateIsAWeakLink) {
    std::atomic<int> deaths{0};
    auto alert = makeAlert();
    {
        auto delegate = Delegate::create(&deaths);
        alert->setDelegate(delegate.ptr());
    }
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(alert->delegate());
    alert->show();
    alert->tapButtonAtIndex(1); // nobody to tell, and nothing breaks
    EXPECT_NO_THROW(dispatch::main().runUntilIdle());
}

} // namespace
