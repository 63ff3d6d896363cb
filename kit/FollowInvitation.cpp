// The follow invitation and the follow flow. It starts on the main thread, goes on in the
// account store's callback, and comes back to the main queue for everything on screen.
#include "accounts/AccountStore.h"
#include "dispatch/Queue.h"
#include "kit/Alerts.h"
#include "kit/QVKit.h"
#include "social/Request.h"

using objc::Ref;
using objc::RefPtr;

namespace {

std::optional<std::string> textOf(const NS::String* s) {
    return s ? std::optional<std::string>(s->str()) : std::nullopt;
}

// The chooser keeps its account list under the key of the `description` selector.
const void* accountListKey() {
    return objc::sel_registerName("description");
}

void clickedButton(objc::Object* self, objc::SEL, objc::Object* alert, long index) {
    static_cast<QVWelcomeTwitterHandler*>(self)->alertViewClickedButtonAtIndex(
        dynamic_cast<UI::AlertView*>(alert), index);
}
void dropMeAFollow(objc::Object* self, objc::SEL) {
    static_cast<QVWelcomeTwitterHandler*>(self)->dropMeAFollow();
}
void followWithAccount(objc::Object* self, objc::SEL, objc::Object* account) {
    static_cast<QVWelcomeTwitterHandler*>(self)->followWithAccount(
        dynamic_cast<AC::Account*>(account));
}

void showChooser(const Ref<QVWelcomeTwitterHandler>& handler, const Ref<NS::Array>& accounts) {
    std::vector<std::string> names;
    for (const auto& item : accounts->items()) {
        auto* account = dynamic_cast<AC::Account*>(item.get());
        names.push_back(account ? account->username()->str() : std::string());
    }
    Ref<UI::AlertView> chooser = kit::makeAlert(kit::accountChooser(names), handler.ptr());
    kit::keepAliveWithAlert(chooser, handler.ptr());
    objc::objc_setAssociatedObject(chooser.ptr(), accountListKey(), accounts.ptr(),
                                   objc::OBJC_ASSOCIATION_RETAIN);
    chooser->show();
}

} // namespace

objc::Class* QVWelcomeTwitterHandler::runtimeClass() {
    // Made when the library loads (kit/Classes.cpp), in the order of the method list.
    static objc::Class* cls = [] {
        objc::Class* c =
            objc::objc_allocateClassPair(objc::NSObjectClass(), "QVWelcomeTwitterHandler");
        c->addMethod(objc::sel_registerName("alertView:clickedButtonAtIndex:"),
                     objc::imp_cast(&clickedButton));
        c->addMethod(objc::sel_registerName("dropMeAFollow"), objc::imp_cast(&::dropMeAFollow));
        c->addMethod(objc::sel_registerName("followWithAccount:"),
                     objc::imp_cast(&::followWithAccount));
        c->addMethod(objc::sel_registerName("dealloc"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL) {
                         delete static_cast<QVWelcomeTwitterHandler*>(self);
                     }));
        // The getter hands the handle out unretained, as a synthesised nonatomic one does.
        c->addMethod(objc::sel_registerName("username"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL) -> objc::Object* {
                         return static_cast<QVWelcomeTwitterHandler*>(self)->m_username.get();
                     }));
        c->addMethod(objc::sel_registerName("setUsername:"),
                     objc::imp_cast(+[](objc::Object* self, objc::SEL, objc::Object* username) {
                         static_cast<QVWelcomeTwitterHandler*>(self)->setUsername(
                             dynamic_cast<NS::String*>(username));
                     }));
        objc::objc_registerClassPair(c);
        return c;
    }();
    return cls;
}

QVWelcomeTwitterHandler::QVWelcomeTwitterHandler() {
    setIsa(runtimeClass());
}
QVWelcomeTwitterHandler::~QVWelcomeTwitterHandler() {
    setUsername(nullptr);
}

Ref<QVWelcomeTwitterHandler> QVWelcomeTwitterHandler::create() {
    return objc::adopt(new QVWelcomeTwitterHandler);
}

void QVWelcomeTwitterHandler::alertViewClickedButtonAtIndex(UI::AlertView* alert, long index) {
    if (!alert)
        return;
    RefPtr<NS::Array> accounts;
    if (alert->tag() == kit::kChooserTag)
        accounts = objc::associatedObject<NS::Array>(alert, accountListKey());
    kit::ClickDecision decision = kit::decideClick(
        alert->tag(), index, accounts ? accounts->count() : 0, m_username.get() != nullptr);
    if (decision.askForAccess)
        dropMeAFollow();
    // One after another, without waiting for any answer.
    for (std::size_t position : decision.follow)
        followWithAccount(dynamic_cast<AC::Account*>(accounts->objectAtIndex(position).get()));
    if (decision.showChooserConfirmation)
        kit::showAlert(kit::chooserConfirmation());
}

void QVWelcomeTwitterHandler::dropMeAFollow() {
    Ref<AC::AccountStore> store = AC::AccountStore::create();
    RefPtr<AC::AccountType> type = store->accountTypeWithAccountTypeIdentifier(
        NS::str(AC::ACAccountTypeIdentifierTwitter).ptr());
    // The callback holds the store, the type and this handler until the store lets it go.
    Ref<QVWelcomeTwitterHandler> handler(*this);
    store->requestAccessToAccountsWithTypeWithCompletionHandler(
        type.get(), [store, type, handler](bool granted, NS::Error*) {
            RefPtr<NS::Array> accounts =
                granted ? store->accountsWithAccountType(type.get()) : nullptr;
            switch (kit::decideAccess(granted, accounts ? accounts->count() : 0)) {
            case kit::AccessOutcome::Nothing:
                break;
            case kit::AccessOutcome::FollowTheOnlyAccount:
                handler->followWithAccount(
                    dynamic_cast<AC::Account*>(accounts->objectAtIndex(0).get()));
                dispatch::main().async([] { kit::showAlert(kit::singleAccountConfirmation()); });
                break;
            case kit::AccessOutcome::ShowChooser: {
                Ref<NS::Array> list = accounts.releaseNonNull();
                dispatch::main().async([handler, list] { showChooser(handler, list); });
                break;
            }
            case kit::AccessOutcome::OpenProfile: {
                RefPtr<NS::String> username = handler->username();
                dispatch::main().async([username] { QVOpenTwitterUsername(username.get()); });
                break;
            }
            }
        });
}

void QVWelcomeTwitterHandler::followWithAccount(AC::Account* account) {
    // Social is linked weakly on the device: where it is missing, there is nothing to send.
    // Without a handle the request would follow no one.
    if (!SL::isAvailable() || !m_username)
        return;
    kit::FollowRequest description = kit::followRequest(textOf(m_username.get()));
    NS::Dictionary::Entries parameters;
    for (const auto& [key, value] : description.parameters)
        parameters[key] = NS::str(value);
    RefPtr<SL::Request> request = SL::Request::requestForServiceTypeRequestMethodURLParameters(
        NS::str(description.serviceType).ptr(), static_cast<SL::RequestMethod>(description.method),
        NS::URL::URLWithString(description.url).get(),
        NS::Dictionary::dictionary(std::move(parameters)).ptr());
    if (!request)
        return;
    request->setAccount(account);
    request->performRequestWithHandler([](NS::Data*, NS::HTTPURLResponse*, NS::Error*) {});
}

extern "C" void QVShowTwitterFollowAlert(NS::String* title, NS::String* message,
                                         NS::String* username) {
    Ref<QVWelcomeTwitterHandler> handler = QVWelcomeTwitterHandler::create();
    handler->setUsername(username);
    Ref<UI::AlertView> alert =
        kit::makeAlert(kit::invitationAlert(textOf(title), textOf(message)), handler.ptr());
    kit::keepAliveWithAlert(alert, handler.ptr());
    alert->show();
}
