// The share button: the item it installs, what a tap opens and over which controller, and
// the lifetimes of items and their controllers.
#include "device/Events.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "social/ComposeViewController.h"
#include "social/Request.h"
#include "support/EventRecorder.h"
#include "uikit/ImageContext.h"
#include "uikit/NavigationItem.h"
#include "uikit/Screen.h"
#include "uikit/ViewController.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::RefPtr;
using objc::WeakPtr;
using Texts = std::vector<std::optional<std::string>>;

Ref<UI::Image> buttonImage() {
    return UI::Image::imageWithPixels(1, 1, 1.0, {1, 2, 3, 4}).releaseNonNull();
}

QVBarButtonItem* rightItem(UI::ViewController& controller) {
    return dynamic_cast<QVBarButtonItem*>(controller.navigationItem().rightBarButtonItem());
}

class ShareButton : public ::testing::Test {
protected:
    void SetUp() override { SL::setAvailable(true); }
    void TearDown() override { SL::setAvailable(true); }

    // Adds a share button with `text` to a new controller.
    Ref<UI::ViewController> withButton(const char* text) {
        Ref<UI::ViewController> controller = UI::ViewController::create();
        QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(),
                                text ? NS::str(text).ptr() : nullptr);
        return controller;
    }
    // The texts of the composers that opened, in order (null for none).
    Texts composed() const {
        Texts texts;
        for (const std::string& line : events.events("compose")) {
            // jsonField gives a JSON null as the text "null"; a string would be quoted.
            bool isNull = line.find("\"text\":null") != std::string::npos;
            texts.push_back(isNull ? std::nullopt : device::jsonField(line, "text"));
        }
        return texts;
    }

    support::EventRecorder events;
};

TEST_F(ShareButton, InstallsAPlainItemWithABlankTwentyPointBackgroundTargetingTheSharedHandler) {
    UI::Screen::mainScreen().setScale(3.0);
    Ref<UI::ViewController> controller = withButton("Try Tapsonata!");
    UI::Screen::mainScreen().setScale(2.0);
    QVBarButtonItem* item = rightItem(controller);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->target().get(), QVTwitterShareHandler::sharedInstance());
    EXPECT_STREQ(item->action(), "shareTapped:");
    EXPECT_EQ(item->style(), UI::BarButtonItemStylePlain);
    EXPECT_EQ(item->container().get(), controller.ptr());

    UI::Image* background =
        item->backgroundImageForStateBarMetrics(UI::ControlStateNormal, UI::BarMetricsDefault);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->pixelWidth(), 60u);
    EXPECT_EQ(background->size().width, 20.0);
    const std::vector<std::uint8_t>& pixels = background->pixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](auto b) { return b == 0; }));
    EXPECT_FALSE(UIGraphicsGetImageFromCurrentImageContext()) << "no context is left open";
}

TEST_F(ShareButton, EachControllerGetsItsOwnTextAndItsOwnComposer) {
    Ref<UI::ViewController> a = withButton("from A");
    Ref<UI::ViewController> b = withButton("from B");
    rightItem(b)->tap();
    rightItem(a)->tap();
    auto* overA = dynamic_cast<SL::ComposeViewController*>(a->presentedViewController());
    auto* overB = dynamic_cast<SL::ComposeViewController*>(b->presentedViewController());
    ASSERT_TRUE(overA && overB);
    EXPECT_EQ(overA->serviceType(), SL::SLServiceTypeTwitter);
    EXPECT_EQ(overA->initialText()->str(), "from A");
    EXPECT_EQ(overB->initialText()->str(), "from B");
    EXPECT_EQ(composed(), (Texts{"from B", "from A"}));
}

TEST_F(ShareButton, ALaterShareTextIsUsedByTheNextTapAndNoTextOpensAnEmptyComposer) {
    Ref<UI::ViewController> controller = withButton("old");
    rightItem(controller)->tap();
    controller->dismissViewControllerAnimatedCompletion(true, nullptr);
    objc::msgSend<void, objc::Object*>(rightItem(controller),
                                       "setShareText:", NS::str("by message").ptr());
    rightItem(controller)->tap();
    controller->dismissViewControllerAnimatedCompletion(true, nullptr);
    rightItem(controller)->setShareText(nullptr);
    rightItem(controller)->tap();
    EXPECT_EQ(composed(), (Texts{"old", "by message", std::nullopt}));
}

TEST_F(ShareButton, ASecondButtonReplacesTheFirstWhichIsFreedWithItsText) {
    Ref<UI::ViewController> controller = withButton("first");
    WeakPtr<UI::BarButtonItem> first(rightItem(controller));
    WeakPtr<NS::String> firstText(rightItem(controller)->shareText());
    ASSERT_TRUE(first.get());
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("second").ptr());
    ASSERT_NE(rightItem(controller), nullptr);
    EXPECT_FALSE(first.get());
    EXPECT_FALSE(firstText.get());
    EXPECT_EQ(rightItem(controller)->shareText()->str(), "second");
}

TEST_F(ShareButton, TheItemOutlivingItsControllerReadsNilAndATapDoesNothing) {
    RefPtr<UI::BarButtonItem> kept;
    WeakPtr<NS::String> text;
    WeakPtr<UI::BarButtonItem> freed;
    {
        Ref<UI::ViewController> controller = withButton("x");
        kept = rightItem(controller);
        Ref<UI::ViewController> other = withButton("y");
        freed = rightItem(other);
        text = rightItem(other)->shareText();
    }
    EXPECT_FALSE(freed.get()) << "the controller frees its item";
    EXPECT_FALSE(text.get()) << "and with it its text";
    auto* item = dynamic_cast<QVBarButtonItem*>(kept.get());
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->container());
    item->tap();
    EXPECT_TRUE(composed().empty());
}

TEST_F(ShareButton, WithoutSocialATapDoesNothing) {
    Ref<UI::ViewController> controller = withButton("x");
    SL::setAvailable(false);
    rightItem(controller)->tap();
    EXPECT_EQ(controller->presentedViewController(), nullptr);
    EXPECT_TRUE(composed().empty());
}

TEST_F(ShareButton, SharedInstanceIsOneObjectAlsoThroughTheRuntimeAndUnderTheClassLock) {
    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(objc::msgSend<objc::Object*>(QVTwitterShareHandler::runtimeClass(), "sharedInstance"),
              handler);
    objc::objc_sync_enter(QVTwitterShareHandler::runtimeClass());
    EXPECT_EQ(QVTwitterShareHandler::sharedInstance(), handler);
    objc::objc_sync_exit(QVTwitterShareHandler::runtimeClass());
}

} // namespace
