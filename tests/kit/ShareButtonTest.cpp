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

    // The texts of the composers that opened, in order (null for none).
    std::vector<std::optional<std::string>> composed() const {
        std::vector<std::optional<std::string>> texts;
        for (const std::string& line : events.events("compose")) {
            // jsonField gives a JSON null as the text "null"; a string would be quoted.
            bool isNull = line.find("\"text\":null") != std::string::npos;
            texts.push_back(isNull ? std::nullopt : device::jsonField(line, "text"));
        }
        return texts;
    }

    support::EventRecorder events;
};

TEST_F(ShareButton, InstallsAPlainItemTargetingTheSharedHandler) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    Ref<UI::Image> image = buttonImage();
    QVAddTwitterShareButton(controller.ptr(), image.ptr(), NS::str("Try Tapsonata!").ptr());

    QVBarButtonItem* item = rightItem(controller);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->target().get(), QVTwitterShareHandler::sharedInstance());
    EXPECT_STREQ(item->action(), "shareTapped:");
    EXPECT_EQ(item->style(), UI::BarButtonItemStylePlain);
    EXPECT_EQ(item->image(), image.ptr());
    EXPECT_EQ(item->shareText()->str(), "Try Tapsonata!");
    EXPECT_EQ(item->container().get(), controller.ptr());
}

TEST_F(ShareButton, BackgroundIsABlankTwentyPointImageAtTheScreensScale) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    UI::Screen::mainScreen().setScale(3.0);
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("x").ptr());
    UI::Screen::mainScreen().setScale(2.0);

    UI::Image* background =
        rightItem(controller)
            ->backgroundImageForStateBarMetrics(UI::ControlStateNormal, UI::BarMetricsDefault);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->pixelWidth(), 60u);
    EXPECT_EQ(background->pixelHeight(), 60u);
    EXPECT_EQ(background->size().width, 20.0);
    const std::vector<std::uint8_t>& pixels = background->pixels();
    EXPECT_EQ(pixels.size(), 60u * 60u * 4u);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](auto b) { return b == 0; }));
    // No context is left open behind it.
    EXPECT_FALSE(UIGraphicsGetImageFromCurrentImageContext());
}

TEST_F(ShareButton, TapOpensTheComposerWithTheTextOverTheController) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("Try Tapsonata!").ptr());
    rightItem(controller)->tap();

    auto* composer =
        dynamic_cast<SL::ComposeViewController*>(controller->presentedViewController());
    ASSERT_NE(composer, nullptr);
    EXPECT_EQ(composer->serviceType(), SL::SLServiceTypeTwitter);
    EXPECT_EQ(composer->initialText()->str(), "Try Tapsonata!");
    EXPECT_EQ(composed(), (std::vector<std::optional<std::string>>{"Try Tapsonata!"}));
}

TEST_F(ShareButton, SecondButtonReplacesTheFirstWhichIsFreed) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("first").ptr());
    WeakPtr<UI::BarButtonItem> first(rightItem(controller));
    WeakPtr<NS::String> firstText(rightItem(controller)->shareText());
    ASSERT_TRUE(first.get());

    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("second").ptr());
    QVBarButtonItem* second = rightItem(controller);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(first.get()) << "the replaced item must be freed";
    EXPECT_FALSE(firstText.get()) << "and with it its text";
    EXPECT_EQ(second->shareText()->str(), "second");
    EXPECT_EQ(second->target().get(), QVTwitterShareHandler::sharedInstance());
}

TEST_F(ShareButton, EachControllerGetsItsOwnTextAndItsOwnComposer) {
    Ref<UI::ViewController> a = UI::ViewController::create();
    Ref<UI::ViewController> b = UI::ViewController::create();
    QVAddTwitterShareButton(a.ptr(), buttonImage().ptr(), NS::str("from A").ptr());
    QVAddTwitterShareButton(b.ptr(), buttonImage().ptr(), NS::str("from B").ptr());
    EXPECT_EQ(rightItem(a)->target(), rightItem(b)->target());

    rightItem(b)->tap();
    rightItem(a)->tap();
    auto* overA = dynamic_cast<SL::ComposeViewController*>(a->presentedViewController());
    auto* overB = dynamic_cast<SL::ComposeViewController*>(b->presentedViewController());
    ASSERT_TRUE(overA && overB);
    EXPECT_EQ(overA->initialText()->str(), "from A");
    EXPECT_EQ(overB->initialText()->str(), "from B");
    EXPECT_EQ(composed(), (std::vector<std::optional<std::string>>{"from B", "from A"}));
}

TEST_F(ShareButton, ALaterShareTextIsUsedByTheNextTap) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("old").ptr());
    rightItem(controller)->tap();
    controller->dismissViewControllerAnimatedCompletion(true, nullptr);

    rightItem(controller)->setShareText(NS::str("new").ptr());
    rightItem(controller)->tap();
    EXPECT_EQ(composed(), (std::vector<std::optional<std::string>>{"old", "new"}));
}

TEST_F(ShareButton, TheRuntimeSetterIsTheSameProperty) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("old").ptr());
    objc::msgSend<void, objc::Object*>(rightItem(controller),
                                       "setShareText:", NS::str("by message").ptr());
    rightItem(controller)->tap();
    EXPECT_EQ(composed(), (std::vector<std::optional<std::string>>{"by message"}));
}

TEST_F(ShareButton, NoShareTextOpensAnEmptyComposer) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), nullptr, nullptr);
    ASSERT_NE(rightItem(controller), nullptr);
    EXPECT_NE(
        rightItem(controller)
            ->backgroundImageForStateBarMetrics(UI::ControlStateNormal, UI::BarMetricsDefault),
        nullptr);
    rightItem(controller)->tap();
    EXPECT_NE(controller->presentedViewController(), nullptr);
    EXPECT_EQ(composed(), (std::vector<std::optional<std::string>>{std::nullopt}));
}

TEST_F(ShareButton, WithoutSocialATapDoesNothing) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("x").ptr());
    SL::setAvailable(false);
    rightItem(controller)->tap();
    EXPECT_EQ(controller->presentedViewController(), nullptr);
    EXPECT_TRUE(composed().empty());
}

TEST_F(ShareButton, ContainerReadsNilOnceTheControllerIsGone) {
    RefPtr<UI::BarButtonItem> kept;
    {
        Ref<UI::ViewController> controller = UI::ViewController::create();
        QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("x").ptr());
        kept = rightItem(controller);
    }
    auto* item = dynamic_cast<QVBarButtonItem*>(kept.get());
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->container());
    item->tap(); // nowhere to present: nothing happens, nothing fails
    EXPECT_TRUE(composed().empty());
}

TEST_F(ShareButton, TheControllerFreesItsItemAndItsText) {
    WeakPtr<UI::BarButtonItem> item;
    WeakPtr<NS::String> text;
    {
        Ref<UI::ViewController> controller = UI::ViewController::create();
        QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("x").ptr());
        item = rightItem(controller);
        text = rightItem(controller)->shareText();
        ASSERT_TRUE(item.get() && text.get());
    }
    EXPECT_FALSE(item.get());
    EXPECT_FALSE(text.get());
}

TEST_F(ShareButton, NoControllerMakesAnItemThatIsFreedAtOnce) {
    WeakPtr<NS::String> text;
    {
        Ref<NS::String> shareText = NS::str("x");
        text = shareText;
        QVAddTwitterShareButton(nullptr, buttonImage().ptr(), shareText.ptr());
    }
    EXPECT_FALSE(text.get()) << "the item holding the text must be gone";
}

TEST_F(ShareButton, SharedInstanceIsOneObjectAlsoThroughTheRuntime) {
    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(QVTwitterShareHandler::sharedInstance(), handler);
    EXPECT_EQ(objc::msgSend<objc::Object*>(QVTwitterShareHandler::runtimeClass(), "sharedInstance"),
              handler);
    EXPECT_TRUE(handler->respondsToSelector("shareTapped:"));
}

TEST_F(ShareButton, SharedInstanceWorksWhileTheCallerHoldsTheClassLock) {
    objc::objc_sync_enter(QVTwitterShareHandler::runtimeClass());
    QVTwitterShareHandler* handler = QVTwitterShareHandler::sharedInstance();
    objc::objc_sync_exit(QVTwitterShareHandler::runtimeClass());
    EXPECT_EQ(handler, QVTwitterShareHandler::sharedInstance());
}

} // namespace
