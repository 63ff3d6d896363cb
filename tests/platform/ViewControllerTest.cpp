// Presenting, which the share button relies on: a controller shows one sheet at a time, keeps it
// until it is dismissed, and refuses a second one meanwhile.
#include "uikit/ViewController.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::WeakPtr;

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
    ASSERT_TRUE(shown.get()) << "the first sheet is still up";
    shown.get()->dismissViewControllerAnimatedCompletion(true, [&] { ++completions; });
    EXPECT_FALSE(shown.get());
    EXPECT_EQ(completions, 2);
}

} // namespace
