// UI::Switch, UI::Slider and UI::SegmentedControl: the controls whose colours a settings pane
// sets through their appearance proxies. Host side, showInViewController stands for a control
// appearing inside a controller: it takes what the proxies hold for that controller's class.
#pragma once

#include "uikit/Appearance.h"
#include "uikit/View.h"

namespace UI {

class ViewController;

class Switch : public View {
public:
    static objc::Class* switchClass();
    static objc::Ref<Appearance> appearanceWhenContainedIn(objc::Class* containerClass);
    static objc::Ref<Switch> showInViewController(const ViewController& controller);

    Color* onTintColor() const { return m_onTintColor.get(); }
    void setOnTintColor(Color* color) { m_onTintColor = color; }

private:
    Switch();
    objc::RefPtr<Color> m_onTintColor;
};

class Slider : public View {
public:
    static objc::Class* sliderClass();
    static objc::Ref<Appearance> appearanceWhenContainedIn(objc::Class* containerClass);
    static objc::Ref<Slider> showInViewController(const ViewController& controller);

    Color* maximumTrackTintColor() const { return m_maximumTrackTintColor.get(); }
    void setMaximumTrackTintColor(Color* color) { m_maximumTrackTintColor = color; }

private:
    Slider();
    objc::RefPtr<Color> m_maximumTrackTintColor;
};

// Its tint is the view's tintColor.
class SegmentedControl : public View {
public:
    static objc::Class* segmentedControlClass();
    static objc::Ref<Appearance> appearanceWhenContainedIn(objc::Class* containerClass);
    static objc::Ref<SegmentedControl> showInViewController(const ViewController& controller);

private:
    SegmentedControl();
};

} // namespace UI
