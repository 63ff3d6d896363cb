// AC::AccountType and AC::Account: a kind of account (Twitter) and one account of the device,
// with its OAuth credentials. The credentials are never printed: not by description(), not
// in any log.
#pragma once

#include "foundation/String.h"

#include <string>

namespace AC {

using objc::Ref;
using objc::RefPtr;

extern const char* const ACAccountTypeIdentifierTwitter; // "com.apple.twitter"

class AccountType : public objc::Object {
public:
    // Nil for an identifier the device does not know.
    static RefPtr<AccountType> typeWithIdentifier(std::string_view identifier);

    Ref<NS::String> identifier() const { return m_identifier; }
    Ref<NS::String> accountTypeDescription() const { return m_description; }
    std::string description() const override;

private:
    AccountType(Ref<NS::String> identifier, Ref<NS::String> description);
    Ref<NS::String> m_identifier;
    Ref<NS::String> m_description;
};

struct OAuthCredential {
    std::string consumerKey;
    std::string consumerSecret;
    std::string token;
    std::string tokenSecret;
};

class Account : public objc::Object {
public:
    static Ref<Account> initWithAccountType(const AccountType& type, const NS::String& username,
                                            OAuthCredential credential);

    Ref<AccountType> accountType() const { return m_type; }
    Ref<NS::String> username() const { return m_username; }
    const OAuthCredential& credential() const { return m_credential; }

    // "<ACAccount: 0x…> type:com.apple.twitter username:<name>", without the credentials.
    std::string description() const override;

private:
    Account(Ref<AccountType> type, Ref<NS::String> username, OAuthCredential credential);
    Ref<AccountType> m_type;
    Ref<NS::String> m_username;
    OAuthCredential m_credential;
};

} // namespace AC
