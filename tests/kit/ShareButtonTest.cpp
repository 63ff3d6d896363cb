// The share button: the item it installs, what a tap opens and over which controller, and
// the lifetimes of items and their controllers.
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

// Adds a share button with `text` to a new controller.
Ref<UI::ViewController> withButton(const char* text) {
    Ref<UI::ViewController> controller = UI::ViewController::create();
    QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(),
                            text ? NS::str(text).ptr() : nullptr);
    return controller;
}

// The text of the Twitter composer shown over `controller`, which is then dismissed.
std::string composerOver(UI::ViewController& controller) {
    auto* composer = dynamic_cast<SL::ComposeViewController*>(controller.presentedViewController());
    std::string text = !composer                                             ? "(no composer)"
                       : composer->serviceType() != SL::SLServiceTypeTwitter ? "(not Twitter)"
                       : composer->initialText() ? composer->initialText()->str()
                                                 : "(no text)";
    controller.dismissViewControllerAnimatedCompletion(true, nullptr);
    return text;
}

TEST(ShareButton, InstallsAPlainItemWithABlankTwentyPointBackgroundTargetingTheSharedHandler) {
    UI::Screen::mainScreen().setScale(3.0);
    Ref<UI::ViewController> controller = withButton("Try Tapsonata!");
    UI::Screen::mainScreen().setScale(2.0);
    QVBarButtonItem* item = rightItem(controller);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->target().get(), objc::msgSend<objc::Object*>(
                                        QVTwitterShareHandler::runtimeClass(), "sharedInstance"));
    EXPECT_EQ(item->style(), UI::BarButtonItemStylePlain);
    UI::Image* background =
        item->backgroundImageForStateBarMetrics(UI::ControlStateNormal, UI::BarMetricsDefault);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->pixelWidth(), 60u);
    EXPECT_EQ(background->size().width, 20.0);
    const std::vector<std::uint8_t>& pixels = background->pixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](auto b) { return b == 0; }));
    EXPECT_FALSE(UIGraphicsGetImageFromCurrentImageContext()) << "no context is left open";
}

TEST(ShareButton, EachTapOpensAComposerWithItsItemsTextNowOverItsItemsController) {
    Ref<UI::ViewController> a = withButton("from A");
    Ref<UI::ViewController> b = withButton("from B");
    rightItem(b)->tap();
    rightItem(a)->tap();
    EXPECT_EQ(composerOver(a), "from A");
    EXPECT_EQ(composerOver(b), "from B");
    rightItem(a)->setShareText(NS::str("later").ptr());
    rightItem(a)->tap();
    rightItem(a)->setShareText(NS::str("twice").ptr());
    rightItem(a)->tap(); // refused while the first composer is up
    EXPECT_EQ(composerOver(a), "later");
    rightItem(a)->setShareText(nullptr);
    rightItem(a)->tap();
    EXPECT_EQ(composerOver(a), "(no text)");
    SL::setAvailable(false);
    rightItem(a)->tap();
    SL::setAvailable(true);
    EXPECT_EQ(composerOver(a), "(no composer)") << "without Social, nothing";
    EXPECT_FALSE(SL::ComposeViewController::composeViewControllerForServiceType(
        NS::str("com.apple.social.facebook").ptr()))
        << "only Twitter composes, as on the device";
}

// A second button frees the first with its text; an item outliving its controller reads nil,
// and a tap on it does nothing.
TEST(ShareButton, ASecondButtonReplacesTheFirstAndAnOrphanedItemDoesNothing) {
    RefPtr<UI::BarButtonItem> kept;
    {
        Ref<UI::ViewController> controller = withButton("first");
        WeakPtr<UI::BarButtonItem> first(rightItem(controller));
        WeakPtr<NS::String> firstText(rightItem(controller)->shareText());
        QVAddTwitterShareButton(controller.ptr(), buttonImage().ptr(), NS::str("second").ptr());
        ASSERT_NE(rightItem(controller), nullptr);
        EXPECT_FALSE(first.get());
        EXPECT_FALSE(firstText.get());
        EXPECT_EQ(rightItem(controller)->shareText()->str(), "second");
        kept = rightItem(controller);
    }
    auto* item = dynamic_cast<QVBarButtonItem*>(kept.get());
    EXPECT_FALSE(item->container());
    support::EventRecorder events;
    item->tap();
    // Nor does one whose target lacks the action: it is not sent.
    item->initWithImageStyleTargetAction(nullptr, UI::BarButtonItemStylePlain, item, "none:");
    EXPECT_NO_THROW(item->tap());
    EXPECT_TRUE(events.events("compose").empty());
}

} // namespace
