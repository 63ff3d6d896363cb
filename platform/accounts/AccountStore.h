// AC::AccountStore: the device's accounts, and the user's answer to an app asking for them.
//
// Where the device keeps them (paths under the device root, so the simulator can set them up):
//
//   "/var/mobile/Library/Accounts/Twitter.plist", a property list whose root is a dictionary:
//     "access"    the user's answer when an app asks for the Twitter accounts: the string
//                 "grant" (or the boolean true) allows it; "deny", absent, any other value or
//                 no file at all refuses it.
//     "accounts"  an array of dictionaries, one per account, in the order the device lists
//                 them: "username" (a string; an entry without one is skipped), and the OAuth
//                 credentials "consumerKey", "consumerSecret", "token", "tokenSecret"
//                 (strings; absent ones read as empty).
//
// The files are read when asked, so a change applies to the next request.
#pragma once

#include "accounts/Account.h"
#include "foundation/Collections.h"
#include "foundation/Error.h"

#include <functional>
#include <mutex>
#include <set>

namespace AC {

// The domain of the account store's errors, and the one code it reports.
extern const char* const ACErrorDomain; // "com.apple.accounts"
enum ErrorCode : long { ACErrorAccountTypeInvalid = 4 };

using AccessCompletionHandler = std::function<void(bool granted, NS::Error* error)>;

class AccountStore : public objc::Object {
public:
    static Ref<AccountStore> create();
    static Ref<AccountStore> init() { return create(); }

    // Nil for an identifier the device does not know, or for nil.
    RefPtr<AccountType> accountTypeWithAccountTypeIdentifier(const NS::String* identifier);

    // Asks for access and returns at once. The handler is called exactly once, later, on a
    // worker thread (never the main thread), and released (with what it captured) right after.
    // The store keeps itself alive until then. A refusal carries no error; a nil type is
    // refused with ACErrorAccountTypeInvalid.
    void requestAccessToAccountsWithTypeWithCompletionHandler(AccountType* type,
                                                              AccessCompletionHandler handler);

    // The accounts of that type in the device's order; nil until this store has been granted
    // access (and again once the user has withdrawn it).
    RefPtr<NS::Array> accountsWithAccountType(AccountType* type);

private:
    AccountStore();
    bool granted(const std::string& identifier) const;

    mutable std::mutex m_lock;
    std::set<std::string> m_granted;
};

} // namespace AC
