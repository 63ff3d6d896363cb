// The settings-pane tint and its reset, on a pane inside a navigation controller inside a
// split view controller, as the Settings application shows it.
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "uikit/Controls.h"
#include "uikit/NavigationController.h"
#include "uikit/SplitViewController.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>

namespace {

using objc::Ref;
using objc::RefPtr;

// Appearance settings last for the process, so each test's pane has a class of its own.
objc::Class* freshPaneClass(objc::Class* super = UI::ViewController::viewControllerClass()) {
    static std::atomic<int> counter{0};
    std::string name = "TintTestListController" + std::to_string(++counter);
    return objc::objc_lookUpOrRegisterClass(name.c_str(), super);
}

const auto red = [] { return UI::Color::colorWithRedGreenBlueAlpha(1, 0, 0, 1); };
const auto green = [] { return UI::Color::colorWithRedGreenBlueAlpha(0, 1, 0, 1); };
const auto same = [](const objc::Object* a, const objc::Object* b) {
    return a && b && a->isEqual(b);
};

// The title colour of the bar, when its attributes hold nothing else.
RefPtr<objc::Object> titleColourAlone(UI::NavigationBar& bar) {
    NS::Dictionary* attributes = bar.titleTextAttributes();
    if (!attributes || attributes->count() != 1)
        return nullptr;
    return attributes->objectForKey(UI::NSForegroundColorAttributeName);
}

struct Settings {
    Ref<UI::SplitViewController> split = UI::SplitViewController::create();
    Ref<UI::ViewController> master = UI::ViewController::create();
    Ref<UI::ViewController> pane;
    Ref<UI::NavigationController> navigation;

    explicit Settings(objc::Class* paneClass = freshPaneClass())
        : pane(UI::ViewController::create(paneClass)),
          navigation(UI::NavigationController::initWithRootViewController(pane.ptr())) {
        split->setViewControllers({master, navigation});
    }
    UI::NavigationBar& bar() { return navigation->navigationBar(); }
    // Whether every control shown later in a controller of the pane's class has the colour.
    bool controlsHave(const objc::Object* colour) {
        Ref<UI::ViewController> sibling = UI::ViewController::create(pane->isa());
        return same(UI::Switch::showInViewController(sibling)->onTintColor(), colour) &&
               same(UI::Slider::showInViewController(sibling)->maximumTrackTintColor(), colour) &&
               same(UI::SegmentedControl::showInViewController(sibling)->tintColor(), colour);
    }
};

// The plain tint and reset are checked end to end; here, what they must leave alone, and that
// no colour changes nothing while a second colour wins. A pane without extended layout (an
// older system's) skips only the edges.
TEST(Tint, ReplacesTitleAttributesLeavesTheBarTintAndColoursOnlyThePanesControls) {
    for (bool legacy : {false, true}) {
        SCOPED_TRACE(legacy ? "without extended layout" : "with extended layout");
        Settings s(legacy ? UI::ViewController::registerLegacyClass("TintTestLegacyListController")
                          : freshPaneClass());
        ASSERT_EQ(s.pane->respondsToSelector("edgesForExtendedLayout"), !legacy);
        s.bar().setBarTintColor(green().ptr());
        s.bar().setTitleTextAttributes(
            NS::Dictionary::dictionary({{"NSFont", NS::str("Helvetica")}}).ptr());
        QVSetPrefsTint(s.pane.ptr(), nullptr);
        EXPECT_EQ(s.pane->storedEdgesForExtendedLayout(), UI::RectEdgeAll);
        EXPECT_EQ(UI::Switch::showInViewController(s.pane)->onTintColor(), nullptr);
        QVSetPrefsTint(s.pane.ptr(), green().ptr());
        QVSetPrefsTint(s.pane.ptr(), red().ptr());
        EXPECT_TRUE(same(titleColourAlone(s.bar()).get(), red().ptr()));
        EXPECT_TRUE(same(s.pane->view().tintColor(), red().ptr()));
        EXPECT_TRUE(same(s.bar().barTintColor(), green().ptr()));
        EXPECT_TRUE(s.controlsHave(red().ptr()));
        EXPECT_EQ(s.pane->storedEdgesForExtendedLayout(),
                  legacy ? UI::RectEdgeAll : UI::RectEdgeBottom);
        Ref<UI::ViewController> other = UI::ViewController::create(freshPaneClass());
        EXPECT_EQ(UI::Switch::showInViewController(other)->onTintColor(), nullptr);
        QVResetPrefsTint(s.pane.ptr());
        EXPECT_TRUE(same(titleColourAlone(s.bar()).get(), UI::Color::blackColor().ptr()));
        EXPECT_EQ(s.bar().barTintColor(), nullptr);
    }
}

TEST(Tint, APaneOutsideASplitViewGetsEdgesAndControlsAndANilPaneNothing) {
    Ref<UI::ViewController> pane = UI::ViewController::create(freshPaneClass());
    Ref<UI::NavigationController> navigation =
        UI::NavigationController::initWithRootViewController(pane.ptr());
    QVSetPrefsTint(pane.ptr(), red().ptr());
    EXPECT_EQ(navigation->navigationBar().titleTextAttributes(), nullptr);
    EXPECT_EQ(pane->view().tintColor(), nullptr);
    EXPECT_EQ(pane->storedEdgesForExtendedLayout(), UI::RectEdgeBottom);
    EXPECT_TRUE(same(UI::Switch::showInViewController(pane)->onTintColor(), red().ptr()));
    QVResetPrefsTint(pane.ptr());
    EXPECT_TRUE(pane->view().autoresizesSubviews());
    // No pane: nothing to find on the way, and no class to colour the controls of.
    QVSetPrefsTint(nullptr, green().ptr());
    QVResetPrefsTint(nullptr);
}

TEST(Tint, AVisibleSubPaneIsTheViewTintedWhileEdgesAndControlsFollowThePane) {
    Settings s;
    Ref<UI::ViewController> subPane = UI::ViewController::create(freshPaneClass());
    s.navigation->pushViewControllerAnimated(subPane.ptr(), true);
    QVSetPrefsTint(s.pane.ptr(), red().ptr());
    EXPECT_TRUE(same(subPane->view().tintColor(), red().ptr()));
    EXPECT_EQ(s.pane->view().tintColor(), nullptr);
    EXPECT_EQ(subPane->storedEdgesForExtendedLayout(), UI::RectEdgeAll);
    EXPECT_EQ(UI::Switch::showInViewController(subPane)->onTintColor(), nullptr);
    QVResetPrefsTint(s.pane.ptr());
    EXPECT_FALSE(subPane->view().autoresizesSubviews());
}

} // namespace
