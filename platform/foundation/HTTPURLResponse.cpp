#include "foundation/HTTPURLResponse.h"

#include "objc/Runtime.h"

#include <algorithm>
#include <cctype>

namespace NS {

HTTPURLResponse::HTTPURLResponse(RefPtr<NS::URL> url, long statusCode, Ref<Dictionary> headers)
    : m_url(std::move(url)), m_statusCode(statusCode), m_headers(std::move(headers)) {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("NSHTTPURLResponse", objc::NSObjectClass());
    setIsa(cls);
}

Ref<HTTPURLResponse>
HTTPURLResponse::initWithURLStatusCodeHTTPVersionHeaderFields(const NS::URL* url, long statusCode,
                                                              const String* httpVersion,
                                                              const Dictionary* headerFields) {
    Ref<Dictionary> headers = headerFields ? Ref<Dictionary>(const_cast<Dictionary&>(*headerFields))
                                           : Dictionary::dictionary();
    return objc::adopt(
        new HTTPURLResponse(const_cast<NS::URL*>(url), statusCode, std::move(headers)));
}

RefPtr<String> HTTPURLResponse::valueForHTTPHeaderField(std::string_view field) const {
    auto sameText = [field](const std::string& name) {
        return std::equal(name.begin(), name.end(), field.begin(), field.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    for (const auto& [name, value] : m_headers->entries())
        if (sameText(name))
            return RefPtr<String>(dynamic_cast<String*>(value.get()));
    return nullptr;
}

std::string HTTPURLResponse::description() const {
    return objc::Object::description() + " { URL: " + (m_url ? m_url->absoluteString() : "(null)") +
           " } { Status Code: " + std::to_string(m_statusCode) + " }";
}

} // namespace NS
