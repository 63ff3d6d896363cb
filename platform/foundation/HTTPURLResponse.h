// NS::HTTPURLResponse: the status line and header fields of an HTTP response.
#pragma once

#include "foundation/Collections.h"
#include "foundation/URL.h"

namespace NS {

class HTTPURLResponse : public objc::Object {
public:
    // Header names keep the case the server sent; look them up with valueForHTTPHeaderField,
    // which ignores case. A nil headers dictionary reads as empty.
    static Ref<HTTPURLResponse>
    initWithURLStatusCodeHTTPVersionHeaderFields(const NS::URL* url, long statusCode,
                                                 const String* httpVersion,
                                                 const Dictionary* headerFields);

    RefPtr<NS::URL> URL() const { return m_url; }
    long statusCode() const { return m_statusCode; }
    Ref<Dictionary> allHeaderFields() const { return m_headers; }
    RefPtr<String> valueForHTTPHeaderField(std::string_view field) const;

    // "<NSHTTPURLResponse: 0x…> { URL: <url> } { Status Code: <code> }"
    std::string description() const override;

private:
    HTTPURLResponse(RefPtr<NS::URL> url, long statusCode, Ref<Dictionary> headers);
    RefPtr<NS::URL> m_url;
    long m_statusCode;
    Ref<Dictionary> m_headers;
};

} // namespace NS
