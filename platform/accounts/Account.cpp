#include "accounts/Account.h"

#include "objc/Runtime.h"

namespace AC {

const char* const ACAccountTypeIdentifierTwitter = "com.apple.twitter";

AccountType::AccountType(Ref<NS::String> identifier, Ref<NS::String> description)
    : m_identifier(std::move(identifier)), m_description(std::move(description)) {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("ACAccountType", objc::NSObjectClass());
    setIsa(cls);
}

RefPtr<AccountType> AccountType::typeWithIdentifier(std::string_view identifier) {
    if (identifier != ACAccountTypeIdentifierTwitter)
        return nullptr;
    return objc::adopt(new AccountType(NS::str(identifier), NS::str("Twitter")));
}

std::string AccountType::description() const {
    return objc::Object::description() + " " + m_identifier->str();
}

Account::Account(Ref<AccountType> type, Ref<NS::String> username, OAuthCredential credential)
    : m_type(std::move(type)), m_username(std::move(username)),
      m_credential(std::move(credential)) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("ACAccount", objc::NSObjectClass());
    setIsa(cls);
}

Ref<Account> Account::initWithAccountType(const AccountType& type, const NS::String& username,
                                          OAuthCredential credential) {
    return objc::adopt(new Account(const_cast<AccountType&>(type),
                                   const_cast<NS::String&>(username), std::move(credential)));
}

std::string Account::description() const {
    return objc::Object::description() + " type:" + m_type->identifier()->str() +
           " username:" + m_username->str();
}

} // namespace AC
