#include "kit/Alerts.h"

namespace kit {

namespace {
objc::RefPtr<NS::String> text(const std::optional<std::string>& s) {
    return s ? objc::RefPtr<NS::String>(NS::str(*s)) : nullptr;
}
} // namespace

objc::Ref<UI::AlertView> makeAlert(const AlertDescription& description, objc::Object* delegate) {
    objc::RefPtr<NS::String> title = text(description.title);
    objc::RefPtr<NS::String> message = text(description.message);
    objc::RefPtr<NS::String> cancel = text(description.cancelButton);
    objc::Ref<UI::AlertView> alert =
        UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
            title.get(), message.get(), description.delegateIsHandler ? delegate : nullptr,
            cancel.get(), {});
    for (const std::string& button : description.otherButtons)
        alert->addButtonWithTitle(NS::str(button).ptr());
    if (description.tag)
        alert->setTag(*description.tag);
    return alert;
}

void keepAliveWithAlert(UI::AlertView& alert, objc::Object* delegate) {
    objc::objc_setAssociatedObject(&alert, objc::sel_registerName("show"), delegate,
                                   objc::OBJC_ASSOCIATION_RETAIN);
}

void showAlert(const AlertDescription& description) {
    makeAlert(description, nullptr)->show();
}

} // namespace kit
