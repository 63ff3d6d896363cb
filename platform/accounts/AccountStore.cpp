#include "accounts/AccountStore.h"

#include "device/Events.h"
#include "dispatch/Queue.h"
#include "foundation/Number.h"
#include "objc/Runtime.h"

namespace AC {

const char* const ACErrorDomain = "com.apple.accounts";

namespace {

// The device file of an account type.
const char* accountsFile(std::string_view identifier) {
    if (identifier == ACAccountTypeIdentifierTwitter)
        return "/var/mobile/Library/Accounts/Twitter.plist";
    return nullptr;
}

RefPtr<NS::MutableDictionary> readAccounts(const AccountType& type) {
    const char* path = accountsFile(type.identifier()->str());
    if (!path)
        return nullptr;
    return NS::MutableDictionary::initWithContentsOfFile(NS::str(path).ptr());
}

bool accessGranted(const NS::Dictionary* file) {
    if (!file)
        return false;
    RefPtr<objc::Object> access = file->objectForKey("access");
    if (auto* text = dynamic_cast<NS::String*>(access.get()))
        return text->str() == "grant";
    if (auto* number = dynamic_cast<NS::Number*>(access.get()))
        return number->kind() == NS::Number::Kind::Bool && number->boolValue();
    return false;
}

std::string stringFor(const NS::Dictionary& entry, std::string_view key) {
    RefPtr<objc::Object> value = entry.objectForKey(key);
    auto* text = dynamic_cast<NS::String*>(value.get());
    return text ? text->str() : std::string();
}

} // namespace

AccountStore::AccountStore() {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("ACAccountStore", objc::NSObjectClass());
    setIsa(cls);
}

Ref<AccountStore> AccountStore::create() {
    return objc::adopt(new AccountStore);
}

RefPtr<AccountType>
AccountStore::accountTypeWithAccountTypeIdentifier(const NS::String* identifier) {
    return identifier ? AccountType::typeWithIdentifier(identifier->str()) : nullptr;
}

void AccountStore::requestAccessToAccountsWithTypeWithCompletionHandler(
    AccountType* type, AccessCompletionHandler handler) {
    if (!handler)
        return;
    RefPtr<AccountStore> self(this);
    RefPtr<AccountType> requested(type);
    dispatch::global([self = std::move(self), requested = std::move(requested),
                      handler = std::move(handler)]() mutable {
        RefPtr<NS::Error> error;
        bool granted = false;
        if (!requested) {
            error = NS::Error::errorWithDomainCodeDescription(
                ACErrorDomain, ACErrorAccountTypeInvalid, "The account type is invalid.");
        } else {
            RefPtr<NS::MutableDictionary> file = readAccounts(*requested);
            granted = accessGranted(file.get());
            std::string identifier = requested->identifier()->str();
            if (granted) {
                std::lock_guard guard(self->m_lock);
                self->m_granted.insert(identifier);
            }
            device::emit("accounts_access", {{"type", identifier}, {"granted", granted}});
        }
        // Call once, then let go of the handler and everything it holds before this task ends.
        AccessCompletionHandler call;
        std::swap(call, handler);
        call(granted, error.get());
        call = nullptr;
        error = nullptr;
        requested = nullptr;
        self = nullptr;
    });
}

bool AccountStore::granted(const std::string& identifier) const {
    std::lock_guard guard(m_lock);
    return m_granted.count(identifier) != 0;
}

RefPtr<NS::Array> AccountStore::accountsWithAccountType(AccountType* type) {
    if (!type || !granted(type->identifier()->str()))
        return nullptr;
    RefPtr<NS::MutableDictionary> file = readAccounts(*type);
    if (!accessGranted(file.get()))
        return nullptr;
    Ref<NS::Array> accounts = NS::Array::array();
    RefPtr<objc::Object> list = file->objectForKey("accounts");
    auto* entries = dynamic_cast<NS::Array*>(list.get());
    if (!entries)
        return accounts;
    for (const RefPtr<objc::Object>& item : entries->items()) {
        auto* entry = dynamic_cast<NS::Dictionary*>(item.get());
        RefPtr<objc::Object> name = entry ? entry->objectForKey("username") : nullptr;
        auto* username = dynamic_cast<NS::String*>(name.get());
        if (!username)
            continue;
        OAuthCredential credential{stringFor(*entry, "consumerKey"),
                                   stringFor(*entry, "consumerSecret"), stringFor(*entry, "token"),
                                   stringFor(*entry, "tokenSecret")};
        accounts->addObject(Account::initWithAccountType(*type, *username, std::move(credential)));
    }
    return accounts;
}

} // namespace AC
