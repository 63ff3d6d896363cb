// UI::ViewController and its containers: presenting, the split view found through ancestors,
// the navigation stack, and `edgesForExtendedLayout` only where the class has it.
#include "objc/Runtime.h"
#include "uikit/NavigationController.h"
#include "uikit/NavigationItem.h"
#include "uikit/SplitViewController.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::WeakPtr;

TEST(ViewController, ExtendedLayoutIsAMethodOnlyOfClassesThatHaveIt) {
    objc::Class* paneClass = objc::objc_lookUpOrRegisterClass(
        "ViewControllerTestPane", UI::ViewController::viewControllerClass());
    Ref<UI::ViewController> pane = UI::ViewController::create(paneClass);
    ASSERT_TRUE(pane->respondsToSelector("edgesForExtendedLayout"));
    EXPECT_EQ(objc::msgSend<unsigned long>(pane.ptr(), "edgesForExtendedLayout"),
              static_cast<unsigned long>(UI::RectEdgeAll));
    objc::msgSend<void, unsigned long>(pane.ptr(),
                                       "setEdgesForExtendedLayout:", UI::RectEdgeBottom);
    EXPECT_EQ(pane->storedEdgesForExtendedLayout(), UI::RectEdgeBottom);

    objc::Class* legacy = UI::ViewController::registerLegacyClass("ViewControllerTestLegacy");
    Ref<UI::ViewController> old = UI::ViewController::create(legacy);
    EXPECT_FALSE(old->respondsToSelector("edgesForExtendedLayout"));
    EXPECT_THROW((objc::msgSend<void, unsigned long>(
                     old.ptr(), "setEdgesForExtendedLayout:", UI::RectEdgeBottom)),
                 objc::UnrecognizedSelector);
}

TEST(ViewController, PresentingRetainsUntilDismissedAndIgnoresASecondPresentation) {
    Ref<UI::ViewController> presenter = UI::ViewController::create();
    WeakPtr<UI::ViewController> shown;
    int completions = 0;
    {
        Ref<UI::ViewController> sheet = UI::ViewController::create();
        shown = sheet;
        presenter->presentViewControllerAnimatedCompletion(sheet.ptr(), true,
                                                           [&] { ++completions; });
    }
    ASSERT_TRUE(shown.get());
    EXPECT_EQ(shown.get()->presentingViewController().get(), presenter.ptr());
    EXPECT_EQ(completions, 1);

    Ref<UI::ViewController> second = UI::ViewController::create();
    presenter->presentViewControllerAnimatedCompletion(second.ptr(), true, [&] { ++completions; });
    EXPECT_FALSE(second->presentingViewController());
    EXPECT_EQ(completions, 1);

    shown.get()->dismissViewControllerAnimatedCompletion(true, [&] { ++completions; });
    EXPECT_FALSE(shown.get());
    EXPECT_EQ(completions, 2);
}

TEST(ViewController, TheSplitViewIsFoundThroughTheNavigationControllerWhileItHoldsIt) {
    Ref<UI::ViewController> pane = UI::ViewController::create();
    Ref<UI::NavigationController> navigation =
        UI::NavigationController::initWithRootViewController(pane.ptr());
    EXPECT_FALSE(pane->splitViewController());
    {
        Ref<UI::SplitViewController> split = UI::SplitViewController::create();
        Ref<UI::ViewController> master = UI::ViewController::create();
        split->setViewControllers({master, navigation});
        EXPECT_EQ(pane->splitViewController().get(), split.ptr());
        split->setViewControllers({master});
        EXPECT_FALSE(pane->splitViewController());
        split->setViewControllers({master, navigation});
    }
    EXPECT_FALSE(pane->splitViewController()) << "a split view that went away";
}

TEST(NavigationController, StackTopAndVisible) {
    Ref<UI::ViewController> root = UI::ViewController::create();
    Ref<UI::ViewController> sub = UI::ViewController::create();
    Ref<UI::NavigationController> navigation =
        UI::NavigationController::initWithRootViewController(root.ptr());
    navigation->pushViewControllerAnimated(sub.ptr(), true);
    navigation->pushViewControllerAnimated(sub.ptr(), true); // already there: ignored
    EXPECT_EQ(navigation->viewControllers()->count(), 2u);
    EXPECT_EQ(navigation->visibleViewController(), sub.ptr());
    EXPECT_EQ(sub->parentViewController().get(), navigation.ptr());

    EXPECT_EQ(navigation->popViewControllerAnimated(true).get(), sub.ptr());
    EXPECT_FALSE(sub->parentViewController());
    EXPECT_FALSE(navigation->popViewControllerAnimated(true)) << "the root stays";
    EXPECT_EQ(navigation->visibleViewController(), root.ptr());
}

} // namespace
