// The donation invitation and the mail link.
#include "foundation/URL.h"
#include "kit/Alerts.h"
#include "kit/PaneDecisions.h"
#include "kit/QVKit.h"
#include "uikit/AlertView.h"
#include "uikit/Application.h"

using objc::Ref;
using objc::RefPtr;

namespace {

void clickedButton(objc::Object* self, objc::SEL, objc::Object* alert, long index) {
    static_cast<QVDonateHandler*>(self)->alertViewClickedButtonAtIndex(
        dynamic_cast<UI::AlertView*>(alert), index);
}

} // namespace

objc::Class* QVDonateHandler::runtimeClass() {
    // Made when the library loads (kit/Classes.cpp), in the order of the method list.
    static objc::Class* cls = [] {
        objc::Class* c = objc::objc_allocateClassPair(objc::NSObjectClass(), "QVDonateHandler");
        c->addMethod(objc::sel_registerName("alertView:clickedButtonAtIndex:"),
                     objc::imp_cast(&clickedButton));
        c->addMethod(objc::sel_registerName("dealloc"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL) {
                         delete static_cast<QVDonateHandler*>(self);
                     }));
        objc::objc_registerClassPair(c);
        return c;
    }();
    return cls;
}

QVDonateHandler::QVDonateHandler() {
    setIsa(runtimeClass());
}

Ref<QVDonateHandler> QVDonateHandler::create() {
    return objc::adopt(new QVDonateHandler);
}

void QVDonateHandler::alertViewClickedButtonAtIndex(UI::AlertView*, long index) {
    if (!kit::donateAnswerOpensPage(index))
        return;
    RefPtr<NS::URL> page = NS::URL::URLWithString(kit::donationPageURL());
    UI::Application::sharedApplication().openURL(page.get());
}

extern "C" void QVShowDonateAlert(NS::String* name) {
    Ref<QVDonateHandler> handler = QVDonateHandler::create();
    Ref<NS::String> message = NS::String::stringWithFormat(kit::kDonateMessageFormat, name);
    Ref<UI::AlertView> alert =
        UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
            name, message.ptr(), handler.ptr(), NS::str(kit::kDonateCancelTitle).ptr(),
            {NS::str(kit::kDonateAcceptTitle).ptr()});
    kit::keepAliveWithAlert(alert, handler.ptr());
    alert->show();
    // From here the platform keeps the shown alert alive, and the alert keeps the handler.
}

extern "C" void QVOpenMailAddress(NS::String* address) {
    UI::Application& application = UI::Application::sharedApplication();
    if (!address)
        return;
    Ref<NS::String> link = NS::str(kit::kMailLinkPrefix)->stringByAppendingString(address);
    RefPtr<NS::URL> url = NS::URL::URLWithString(link.ptr());
    application.openURL(url.get()); // a nil URL opens nothing
}
