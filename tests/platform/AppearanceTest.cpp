// Appearance proxies: one per control class and container class, read by controls shown
// later inside controllers of that class or of a subclass.
#include "objc/Runtime.h"
#include "uikit/Controls.h"
#include "uikit/ViewController.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;

objc::Class* containerClass(const char* name, objc::Class* super = nullptr) {
    return objc::objc_lookUpOrRegisterClass(
        name, super ? super : UI::ViewController::viewControllerClass());
}

Ref<UI::Color> blue() {
    return UI::Color::colorWithRedGreenBlueAlpha(0, 0, 1, 1);
}
Ref<UI::Color> green() {
    return UI::Color::colorWithRedGreenBlueAlpha(0, 1, 0, 1);
}

TEST(Appearance, ControlsShownLaterReadTheirContainersSettings) {
    objc::Class* pane = containerClass("AppearanceTestPane");
    Ref<UI::ViewController> before = UI::ViewController::create(pane);
    Ref<UI::Switch> shownBefore = UI::Switch::showInViewController(before);
    UI::Switch::appearanceWhenContainedIn(pane)->setOnTintColor(blue().ptr());
    UI::Slider::appearanceWhenContainedIn(pane)->setMaximumTrackTintColor(green().ptr());

    EXPECT_EQ(shownBefore->onTintColor(), nullptr) << "a control already shown keeps its look";
    Ref<UI::ViewController> controller = UI::ViewController::create(pane);
    EXPECT_TRUE(UI::Switch::showInViewController(controller)->onTintColor()->isEqual(blue().ptr()));
    EXPECT_TRUE(UI::Slider::showInViewController(controller)
                    ->maximumTrackTintColor()
                    ->isEqual(green().ptr()));
    // Each proxy holds only what was set on it.
    EXPECT_EQ(UI::Switch::appearanceWhenContainedIn(pane)->tintColor(), nullptr);
}

TEST(Appearance, ASubclassOfTheContainerInheritsUnlessItHasItsOwn) {
    objc::Class* pane = containerClass("AppearanceTestBase");
    objc::Class* sub = containerClass("AppearanceTestSub", pane);
    objc::Class* unrelated = containerClass("AppearanceTestUnrelated");
    UI::Switch::appearanceWhenContainedIn(pane)->setOnTintColor(blue().ptr());

    EXPECT_TRUE(UI::Switch::showInViewController(UI::ViewController::create(sub))
                    ->onTintColor()
                    ->isEqual(blue().ptr()));
    EXPECT_EQ(
        UI::Switch::showInViewController(UI::ViewController::create(unrelated))->onTintColor(),
        nullptr);

    UI::Switch::appearanceWhenContainedIn(sub)->setOnTintColor(green().ptr());
    EXPECT_TRUE(UI::Switch::showInViewController(UI::ViewController::create(sub))
                    ->onTintColor()
                    ->isEqual(green().ptr()));
}

} // namespace
