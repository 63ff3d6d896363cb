// UI::AlertView: button indices, absent parts, showing, the keep-alive until a tap, and the
// delegate's call on the main queue.
#include "dispatch/Queue.h"
#include "fixtures/Capture.h"
#include "objc/Runtime.h"
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

// Every test leaves the screen as it found it: alerts still up are tapped away.
class AlertTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& alert : UI::AlertView::visibleAlerts())
            alert->tapButtonAtIndex(0);
        dispatch::main().runUntilIdle();
    }
    fixtures::EventCapture events;
};

using AlertButtons = AlertTest;

TEST_F(AlertButtons, CancelIsIndexZeroAndTheOthersFollowInOrder) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, nullptr, nullptr, s("Cancel").ptr(), {s("One").ptr(), s("Two").ptr()});
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    ASSERT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->buttonTitleAtIndex(0)->str(), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1)->str(), "One");
    EXPECT_EQ(alert->buttonTitleAtIndex(2)->str(), "Two");
}

TEST_F(AlertButtons, WithoutACancelButtonTheOthersStartAtZero) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        s("Done <3").ptr(), s("Thanks").ptr(), nullptr, nullptr, {s("You're welcome <3").ptr()});
    EXPECT_EQ(alert->cancelButtonIndex(), -1);
    ASSERT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0)->str(), "You're welcome <3");
}

TEST_F(AlertButtons, AddedButtonsTakeTheNextIndexAfterTheCancelButton) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, s("Which one?").ptr(), nullptr, s("All!").ptr(), {});
    EXPECT_EQ(alert->addButtonWithTitle(s("first").ptr()), 1);
    EXPECT_EQ(alert->addButtonWithTitle(s("second").ptr()), 2);
    EXPECT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->buttonTitleAtIndex(0)->str(), "All!");
    EXPECT_EQ(alert->buttonTitleAtIndex(2)->str(), "second");
}

TEST_F(AlertButtons, NilButtonTitlesAreLeftOut) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, nullptr, nullptr, nullptr, {nullptr, s("Only").ptr()});
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->addButtonWithTitle(nullptr), -1);
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0)->str(), "Only");
}

TEST_F(AlertButtons, ATitleOutsideTheButtonsIsNil) {
    auto alert = makeAlert();
    EXPECT_FALSE(alert->buttonTitleAtIndex(2));
    EXPECT_FALSE(alert->buttonTitleAtIndex(-1));
}

TEST_F(AlertButtons, AbsentTitleMessageAndDelegateAreLeftOut) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, nullptr, nullptr, s("OK").ptr(), {});
    EXPECT_FALSE(alert->title());
    EXPECT_FALSE(alert->message());
    EXPECT_FALSE(alert->delegate());
    alert->show();
    auto shown = events.events("alert");
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(device::jsonField(shown[0], "title"), "null");
    EXPECT_EQ(device::jsonField(shown[0], "message"), "null");
}

TEST_F(AlertButtons, AnEmptyMessageStaysEmpty) {
    auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        nullptr, s("").ptr(), nullptr, s("OK").ptr(), {});
    ASSERT_TRUE(alert->message());
    EXPECT_EQ(alert->message()->str(), "");
    alert->show();
    EXPECT_EQ(device::jsonField(events.events("alert").at(0), "message"), "");
}

TEST_F(AlertButtons, TheTagIsZeroUntilSetAndKeepsItsValue) {
    auto alert = makeAlert();
    EXPECT_EQ(alert->tag(), 0);
    alert->setTag(2);
    EXPECT_EQ(alert->tag(), 2);
}

using AlertShow = AlertTest;

TEST_F(AlertShow, ReportsTheAlertWithItsTagTextsAndButtons) {
    auto alert = makeAlert();
    alert->setTag(1);
    alert->show();
    auto shown = events.events("alert");
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(device::jsonField(shown[0], "tag"), "1");
    EXPECT_EQ(device::jsonField(shown[0], "title"), "Title");
    EXPECT_EQ(device::jsonField(shown[0], "message"), "Message");
    EXPECT_EQ(device::jsonField(shown[0], "buttons"), "[\"No thanks!\",\"I'd love to!\"]");
}

TEST_F(AlertShow, ReturnsAtOnceAndListsTheAlertOnScreenOnce) {
    auto alert = makeAlert();
    EXPECT_FALSE(alert->isVisible());
    alert->show();
    alert->show();
    auto visible = UI::AlertView::visibleAlerts();
    ASSERT_EQ(visible.size(), 1U);
    EXPECT_EQ(visible[0].ptr(), alert.ptr());
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(events.events("alert").size(), 1U);
}

TEST_F(AlertShow, AShownAlertLivesWithoutItsCreatorUntilATapAndTheDelegateCall) {
    WeakPtr<UI::AlertView> weak;
    {
        auto alert = makeAlert();
        weak = WeakPtr<UI::AlertView>(alert);
        alert->show();
    }
    RefPtr<UI::AlertView> alive = weak.get();
    ASSERT_TRUE(alive);
    alive->tapButtonAtIndex(1);
    alive = nullptr;
    EXPECT_TRUE(weak.get()) << "the queued delegate call holds the alert";
    dispatch::main().runUntilIdle();
    EXPECT_FALSE(weak.get());
    EXPECT_TRUE(UI::AlertView::visibleAlerts().empty());
}

TEST_F(AlertShow, AnAlertNeverShownIsFreedWithItsLastReference) {
    WeakPtr<UI::AlertView> weak;
    {
        auto alert = makeAlert();
        weak = WeakPtr<UI::AlertView>(alert);
    }
    EXPECT_FALSE(weak.get());
}

TEST_F(AlertShow, TheDelegateAttachedUnderShowIsFreedWithTheAlert) {
    std::atomic<int> deaths{0};
    WeakPtr<Delegate> weakDelegate;
    {
        auto delegate = Delegate::create(&deaths);
        weakDelegate = WeakPtr<Delegate>(delegate);
        auto alert = makeAlert(delegate.ptr());
        objc::objc_setAssociatedObject(alert.ptr(), objc::sel_registerName("show"), delegate.ptr(),
                                       objc::OBJC_ASSOCIATION_RETAIN);
        alert->show();
    }
    EXPECT_EQ(deaths, 0) << "the alert on screen keeps its delegate";
    UI::AlertView::visibleAlerts().at(0)->tapButtonAtIndex(0);
    dispatch::main().runUntilIdle();
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(weakDelegate.get());
}

TEST_F(AlertShow, ATapOnAnAlertNotOnScreenDoesNothing) {
    auto delegate = Delegate::create();
    auto alert = makeAlert(delegate.ptr());
    alert->tapButtonAtIndex(0);
    dispatch::main().runUntilIdle();
    EXPECT_TRUE(delegate->clicks.empty());
    EXPECT_TRUE(events.events("tap").empty());
}

TEST_F(AlertShow, ATapOutsideTheButtonsLeavesTheAlertUp) {
    auto delegate = Delegate::create();
    auto alert = makeAlert(delegate.ptr());
    alert->show();
    alert->tapButtonAtIndex(2);
    alert->tapButtonAtIndex(-1);
    dispatch::main().runUntilIdle();
    EXPECT_TRUE(delegate->clicks.empty());
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(UI::AlertView::visibleAlerts().size(), 1U);
}

TEST_F(AlertShow, ADismissedAlertCanBeShownAgain) {
    auto alert = makeAlert();
    alert->show();
    alert->tapButtonAtIndex(0);
    dispatch::main().runUntilIdle();
    alert->show();
    EXPECT_EQ(UI::AlertView::visibleAlerts().size(), 1U);
    EXPECT_EQ(events.events("alert").size(), 2U);
}

using AlertDelegate = AlertTest;

TEST_F(AlertDelegate, ATapCallsTheDelegateOnTheMainQueueWithTheIndex) {
    auto delegate = Delegate::create();
    auto alert = makeAlert(delegate.ptr());
    alert->show();
    alert->tapButtonAtIndex(1);
    EXPECT_TRUE(delegate->clicks.empty()) << "the call waits for the main queue";
    EXPECT_FALSE(alert->isVisible());
    dispatch::main().runUntilIdle();
    ASSERT_EQ(delegate->clicks.size(), 1U);
    EXPECT_EQ(delegate->clicks[0].alert, alert.ptr());
    EXPECT_EQ(delegate->clicks[0].index, 1);
    EXPECT_TRUE(delegate->clicks[0].onMainThread);
    auto taps = events.events("tap");
    ASSERT_EQ(taps.size(), 1U);
    EXPECT_EQ(device::jsonField(taps[0], "index"), "1");
}

TEST_F(AlertDelegate, ATapFromAnotherThreadStillReachesTheDelegateOnTheMainThread) {
    auto delegate = Delegate::create();
    auto alert = makeAlert(delegate.ptr());
    alert->show();
    std::thread host([&] { alert->tapButtonAtIndex(0); });
    host.join();
    dispatch::main().runUntilIdle();
    ASSERT_EQ(delegate->clicks.size(), 1U);
    EXPECT_EQ(delegate->clicks[0].index, 0);
    EXPECT_TRUE(delegate->clicks[0].onMainThread);
}

TEST_F(AlertDelegate, ASecondTapOnTheSameAlertIsNotDelivered) {
    auto delegate = Delegate::create();
    auto alert = makeAlert(delegate.ptr());
    alert->show();
    alert->tapButtonAtIndex(1);
    alert->tapButtonAtIndex(0);
    dispatch::main().runUntilIdle();
    ASSERT_EQ(delegate->clicks.size(), 1U);
    EXPECT_EQ(delegate->clicks[0].index, 1);
}

TEST_F(AlertDelegate, TheDelegateIsAWeakLink) {
    std::atomic<int> deaths{0};
    auto alert = makeAlert();
    {
        auto delegate = Delegate::create(&deaths);
        auto before = delegate->retainCount();
        alert->setDelegate(delegate.ptr());
        EXPECT_EQ(delegate->retainCount(), before);
        EXPECT_EQ(alert->delegate().get(), delegate.ptr());
    }
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(alert->delegate());
    alert->show();
    alert->tapButtonAtIndex(1); // nobody to tell, and nothing breaks
    dispatch::main().runUntilIdle();
    EXPECT_FALSE(alert->isVisible());
}

TEST_F(AlertDelegate, ADelegateWithoutTheMethodIsNotCalled) {
    struct Plain : objc::Object {};
    auto plain = objc::adopt(new Plain);
    auto alert = makeAlert(plain.ptr());
    alert->show();
    alert->tapButtonAtIndex(0);
    EXPECT_NO_THROW(dispatch::main().runUntilIdle());
    EXPECT_FALSE(alert->isVisible());
}

TEST_F(AlertDelegate, TheRuntimeClassIsUIAlertView) {
    auto alert = makeAlert();
    EXPECT_EQ(alert->isa()->name(), "UIAlertView");
    EXPECT_EQ(objc::objc_getClass("UIAlertView"), alert->isa());
}

} // namespace
