#include "uikit/Controls.h"

#include "objc/Runtime.h"
#include "uikit/ViewController.h"

namespace UI {

namespace {
objc::Class* controlClass(const char* name) {
    static objc::Class* view = objc::objc_lookUpOrRegisterClass("UIView", View::responderClass());
    static objc::Class* control = objc::objc_lookUpOrRegisterClass("UIControl", view);
    return objc::objc_lookUpOrRegisterClass(name, control);
}
} // namespace

Switch::Switch() : View(switchClass()) {}

objc::Class* Switch::switchClass() {
    static objc::Class* cls = controlClass("UISwitch");
    return cls;
}

objc::Ref<Appearance> Switch::appearanceWhenContainedIn(objc::Class* containerClass) {
    return Appearance::appearanceWhenContainedIn(switchClass(), containerClass);
}

objc::Ref<Switch> Switch::showInViewController(const ViewController& controller) {
    auto control = objc::adopt(new Switch);
    control->m_onTintColor = Appearance::resolvedColor(switchClass(), controller.isa(),
                                                       Appearance::Property::OnTintColor);
    return control;
}

Slider::Slider() : View(sliderClass()) {}

objc::Class* Slider::sliderClass() {
    static objc::Class* cls = controlClass("UISlider");
    return cls;
}

objc::Ref<Appearance> Slider::appearanceWhenContainedIn(objc::Class* containerClass) {
    return Appearance::appearanceWhenContainedIn(sliderClass(), containerClass);
}

objc::Ref<Slider> Slider::showInViewController(const ViewController& controller) {
    auto control = objc::adopt(new Slider);
    control->m_maximumTrackTintColor = Appearance::resolvedColor(
        sliderClass(), controller.isa(), Appearance::Property::MaximumTrackTintColor);
    return control;
}

SegmentedControl::SegmentedControl() : View(segmentedControlClass()) {}

objc::Class* SegmentedControl::segmentedControlClass() {
    static objc::Class* cls = controlClass("UISegmentedControl");
    return cls;
}

objc::Ref<Appearance> SegmentedControl::appearanceWhenContainedIn(objc::Class* containerClass) {
    return Appearance::appearanceWhenContainedIn(segmentedControlClass(), containerClass);
}

objc::Ref<SegmentedControl>
SegmentedControl::showInViewController(const ViewController& controller) {
    auto control = objc::adopt(new SegmentedControl);
    objc::RefPtr<Color> tint = Appearance::resolvedColor(segmentedControlClass(), controller.isa(),
                                                         Appearance::Property::TintColor);
    control->setTintColor(tint.get());
    return control;
}

} // namespace UI
