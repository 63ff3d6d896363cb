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
    EXPECT_EQ(item->target().get(), objc::msgSend<objc::Object*>(
                                        QVTwitterShareHandler::runtimeClass(), "sharedInstance"));
    EXPECT_STREQ(item->action(), "shareTapped:");
    EXPECT_EQ(item->style(), UI::BarButtonItemStylePlain);
    EXPECT_EQ(objc::msgSend<objc::Object*>(item, "container"), controller.ptr());
    UI::Image* background =
        item->backgroundImageForStateBarMetrics(UI::ControlStateNormal, UI::BarMetricsDefault);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->pixelWidth(), 60u);
    EXPECT_EQ(background->size().width, 20.0);
    const std::vector<std::uint8_t>& pixels = background->pixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](auto b) { return b == 0; }));
    EXPECT_FALSE(UIGraphicsGetImageFromCurrentImageContext()) << "no context is left open";
}

TEST_F(ShareButton, EachTapOpensAComposerWithItsItemsTextNowOverItsItemsController) {
    Ref<UI::ViewController> a = withButton("from A");
    Ref<UI::ViewController> b = withButton("from B");
    rightItem(b)->tap();
    rightItem(a)->tap();
    auto* overA = dynamic_cast<SL::ComposeViewController*>(a->presentedViewController());
    auto* overB = dynamic_cast<SL::ComposeViewController*>(b->presentedViewController());
    ASSERT_TRUE(overA && overB);
    EXPECT_EQ(overA->serviceType(), SL::SLServiceTypeTwitter);
    EXPECT_EQ(overA->initialText()->str(), "from A");
    a->dismissViewControllerAnimatedCompletion(true, nullptr);
    objc::msgSend<void, objc::Object*>(rightItem(a), "setShareText:", NS::str("later").ptr());
    EXPECT_EQ(objc::msgSend<objc::Object*>(rightItem(a), "shareText")->description(), "later");
    rightItem(a)->tap();
    a->dismissViewControllerAnimatedCompletion(true, nullptr);
    rightItem(a)->setShareText(nullptr);
    rightItem(a)->tap();
    a->dismissViewControllerAnimatedCompletion(true, nullptr);
    SL::setAvailable(false);
    rightItem(a)->tap();
    EXPECT_EQ(a->presentedViewController(), nullptr) << "without Social, nothing";
    EXPECT_EQ(composed(), (Texts{"from B", "from A", "later", std::nullopt}));
}

TEST_F(ShareButton, ASecondButtonReplacesTheFirstWhichIsFreedWithItsText) {
    Ref<UI::ViewController> controller = withButton("first");
    WeakPtr<UI::BarButtonItem> first(rightItem(controller));
    WeakPtr<NS::String> firstText(rightItem(controller)->shareText());
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("second").ptr());
    ASSERT_NE(rightItem(controller), nullptr);
    EXPECT_FALSE(first.get());
    EXPECT_FALSE(firstText.get());
    EXPECT_EQ(rightItem(controller)->shareText()->str(), "second");
}

TEST_F(ShareButton, AnItemOutlivingItsControllerReadsNilAndATapDoesNothing) {
    RefPtr<UI::BarButtonItem> kept;
    {
        Ref<UI::ViewController> controller = withButton("x");
        kept = rightItem(controller);
    }
    auto* item = dynamic_cast<QVBarButtonItem*>(kept.get());
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->container());
    item->tap();
    EXPECT_TRUE(composed().empty());
}

} // namespace
