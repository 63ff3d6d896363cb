// NS::Error: what went wrong, as a domain, a code and a sentence for people.
#pragma once

#include "foundation/String.h"

namespace NS {

// The domain of the URL loading system's errors, and the codes the platform reports.
extern const char* const URLErrorDomain; // "NSURLErrorDomain"
enum URLErrorCode : long {
    URLErrorUnknown = -1,
    URLErrorCancelled = -999,
    URLErrorBadURL = -1000,
    URLErrorTimedOut = -1001,
    URLErrorUnsupportedURL = -1002,
    URLErrorCannotFindHost = -1003,
    URLErrorCannotConnectToHost = -1004,
    URLErrorNetworkConnectionLost = -1005,
    URLErrorBadServerResponse = -1011,
    URLErrorSecureConnectionFailed = -1200,
    URLErrorServerCertificateUntrusted = -1202,
};

class Error : public objc::Object {
public:
    // A nil domain reads as the empty string; a nil description as "The operation couldn't
    // be completed. (<domain> error <code>.)", as the device words it.
    static Ref<Error> errorWithDomainCodeDescription(const String* domain, long code,
                                                     const String* localizedDescription);
    static Ref<Error> errorWithDomainCodeDescription(std::string_view domain, long code,
                                                     std::string_view localizedDescription);

    Ref<String> domain() const { return m_domain; }
    long code() const { return m_code; }
    Ref<String> localizedDescription() const { return m_description; }

    // "Error Domain=<domain> Code=<code> \"<description>\""
    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    Error(Ref<String> domain, long code, Ref<String> description);
    Ref<String> m_domain;
    long m_code;
    Ref<String> m_description;
};

} // namespace NS
