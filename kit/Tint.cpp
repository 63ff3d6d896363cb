// The settings-pane tint and its reset: the steps come from the tables of PaneDecisions; this
// finds the objects they name and sets each property.
#include "foundation/Collections.h"
#include "kit/PaneDecisions.h"
#include "kit/QVKit.h"
#include "uikit/Controls.h"
#include "uikit/NavigationController.h"
#include "uikit/SplitViewController.h"

using objc::RefPtr;

namespace {

constexpr const char* kEdgesGetter = "edgesForExtendedLayout";
constexpr const char* kEdgesSetter = "setEdgesForExtendedLayout:";

// What the steps act on. A link missing on the way leaves its objects nil, and steps on nil
// have no effect, as messages to nil have none on the device.
struct PaneObjects {
    UI::ViewController* pane;
    RefPtr<UI::NavigationController> navigation; // the last child of the split view
    RefPtr<UI::ViewController> visible;          // whatever the navigation shows now
    RefPtr<UI::Color> colour;
};

PaneObjects paneObjects(UI::ViewController* pane, UI::Color* colour) {
    PaneObjects objects{pane, nullptr, nullptr, colour};
    RefPtr<UI::SplitViewController> split = pane->splitViewController();
    RefPtr<objc::Object> last = split ? split->viewControllers()->lastObject() : nullptr;
    objects.navigation = dynamic_cast<UI::NavigationController*>(last.get());
    if (objects.navigation)
        objects.visible = objects.navigation->visibleViewController();
    return objects;
}

RefPtr<UI::Color> colourOf(kit::TintValue value, const PaneObjects& objects) {
    switch (value) {
    case kit::TintValue::Colour:
        return objects.colour;
    case kit::TintValue::Black:
        return UI::Color::blackColor();
    default:
        return nullptr;
    }
}

void applyToBar(UI::NavigationBar& bar, const kit::TintStep& step, UI::Color* colour) {
    switch (step.property) {
    case kit::TintProperty::TitleTextAttributes:
        bar.setTitleTextAttributes(
            NS::Dictionary::dictionary(
                {{std::string(UI::NSForegroundColorAttributeName), RefPtr<objc::Object>(colour)}})
                .ptr());
        break;
    case kit::TintProperty::TintColor:
        bar.setTintColor(colour);
        break;
    case kit::TintProperty::BarTintColor:
        bar.setBarTintColor(colour);
        break;
    default:
        break;
    }
}

void applyToView(UI::View& view, const kit::TintStep& step, UI::Color* colour) {
    if (step.property == kit::TintProperty::TintColor)
        view.setTintColor(colour);
    else if (step.property == kit::TintProperty::AutoresizesSubviews)
        view.setAutoresizesSubviews(step.value == kit::TintValue::Yes);
}

void apply(const kit::TintStep& step, const PaneObjects& objects) {
    RefPtr<UI::Color> colour = colourOf(step.value, objects);
    objc::Class* paneClass = objects.pane->isa();
    switch (step.target) {
    case kit::TintTarget::NavigationBar:
        if (objects.navigation)
            applyToBar(objects.navigation->navigationBar(), step, colour.get());
        break;
    case kit::TintTarget::VisibleView:
        if (objects.visible)
            applyToView(objects.visible->view(), step, colour.get());
        break;
    case kit::TintTarget::PaneController:
        // Only present where the table asked the pane first; older systems lack the method.
        objc::msgSend<void, unsigned long>(objects.pane, kEdgesSetter, UI::RectEdgeBottom);
        break;
    case kit::TintTarget::SegmentedControl:
        UI::SegmentedControl::appearanceWhenContainedIn(paneClass)->setTintColor(colour.get());
        break;
    case kit::TintTarget::Slider:
        UI::Slider::appearanceWhenContainedIn(paneClass)->setMaximumTrackTintColor(colour.get());
        break;
    case kit::TintTarget::Switch:
        UI::Switch::appearanceWhenContainedIn(paneClass)->setOnTintColor(colour.get());
        break;
    }
}

} // namespace

extern "C" void QVSetPrefsTint(UI::ViewController* paneController, UI::Color* colour) {
    // Not the device's way: there the appearance steps would colour every control anywhere.
    if (!paneController)
        return;
    PaneObjects objects = paneObjects(paneController, colour);
    for (const kit::TintStep& step :
         kit::tintSteps(colour != nullptr, paneController->respondsToSelector(kEdgesGetter)))
        apply(step, objects);
}

extern "C" void QVResetPrefsTint(UI::ViewController* paneController) {
    if (!paneController)
        return;
    PaneObjects objects = paneObjects(paneController, nullptr);
    for (const kit::TintStep& step : kit::resetSteps())
        apply(step, objects);
}
