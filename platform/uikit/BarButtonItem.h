// UI::BarButtonItem: a button in a navigation bar. Like any control it does not own its
// target: a tap sends the action to the target only while the target lives.
#pragma once

#include "objc/Runtime.h"
#include "uikit/Image.h"

#include <map>
#include <utility>

namespace UI {

enum BarButtonItemStyle : long {
    BarButtonItemStylePlain = 0,
    BarButtonItemStyleBordered = 1,
    BarButtonItemStyleDone = 2,
};

enum ControlState : unsigned long {
    ControlStateNormal = 0,
    ControlStateHighlighted = 1,
    ControlStateDisabled = 2,
    ControlStateSelected = 4,
};

enum BarMetrics : long {
    BarMetricsDefault = 0,
    BarMetricsCompact = 1,
};

class BarButtonItem : public objc::Object {
public:
    static objc::Ref<BarButtonItem> alloc();
    static objc::Class* barButtonItemClass();

    // `action` is the selector of a method of the target's runtime class that takes the
    // sender: void (*)(objc::Object* self, objc::SEL, objc::Object* sender).
    BarButtonItem& initWithImageStyleTargetAction(Image* image, BarButtonItemStyle style,
                                                  objc::Object* target, objc::SEL action);

    Image* image() const { return m_image.get(); }
    BarButtonItemStyle style() const { return m_style; }
    objc::RefPtr<objc::Object> target() const { return m_target.get(); }
    objc::SEL action() const { return m_action; }

    void setBackgroundImageForStateBarMetrics(Image* image, ControlState state, BarMetrics metrics);
    Image* backgroundImageForStateBarMetrics(ControlState state, BarMetrics metrics) const;

    // Host side: the user taps the item. The action goes to the target, with this item as
    // the sender, when both are set and the target implements it; otherwise nothing happens.
    void tap();

protected:
    explicit BarButtonItem(objc::Class* cls) : Object(cls) {}

private:
    objc::RefPtr<Image> m_image;
    BarButtonItemStyle m_style = BarButtonItemStylePlain;
    objc::WeakPtr<objc::Object> m_target;
    objc::SEL m_action = nullptr;
    std::map<std::pair<ControlState, BarMetrics>, objc::RefPtr<Image>> m_backgrounds;
};

} // namespace UI
