#include "uikit/BarButtonItem.h"

namespace UI {

objc::Class* BarButtonItem::barButtonItemClass() {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("UIBarButtonItem", objc::NSObjectClass());
    return cls;
}

objc::Ref<BarButtonItem> BarButtonItem::alloc() {
    return objc::adopt(new BarButtonItem(barButtonItemClass()));
}

BarButtonItem& BarButtonItem::initWithImageStyleTargetAction(Image* image, BarButtonItemStyle style,
                                                             objc::Object* target,
                                                             objc::SEL action) {
    m_image = image;
    m_style = style;
    m_target = target;
    m_action = action ? objc::sel_registerName(action) : nullptr;
    return *this;
}

void BarButtonItem::setBackgroundImageForStateBarMetrics(Image* image, ControlState state,
                                                         BarMetrics metrics) {
    if (image)
        m_backgrounds[{state, metrics}] = image;
    else
        m_backgrounds.erase({state, metrics});
}

Image* BarButtonItem::backgroundImageForStateBarMetrics(ControlState state,
                                                        BarMetrics metrics) const {
    auto it = m_backgrounds.find({state, metrics});
    return it == m_backgrounds.end() ? nullptr : it->second.get();
}

void BarButtonItem::tap() {
    objc::RefPtr<objc::Object> target = m_target.get();
    if (!target || !m_action || !target->respondsToSelector(m_action))
        return;
    // Keep the sender alive for the whole action, even if the action replaces it.
    objc::Ref<BarButtonItem> sender(*this);
    objc::msgSend<void, objc::Object*>(target.get(), m_action, sender.ptr());
}

} // namespace UI
