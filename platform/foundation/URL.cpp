#include "foundation/URL.h"

#include "objc/Runtime.h"

#include <uriparser/Uri.h>
#include <vector>

namespace NS {

namespace {

objc::Class* urlClass() {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSURL", objc::NSObjectClass());
    return cls;
}

} // namespace

std::string percentEscape(std::string_view text, std::string_view alsoPlain) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("-._~").find(static_cast<char>(c)) != std::string_view::npos ||
            alsoPlain.find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

RefPtr<URL> URL::URLWithString(const String* text) {
    return text ? URLWithString(text->str()) : nullptr;
}

RefPtr<URL> URL::URLWithString(std::string_view text) {
    if (text.empty())
        return nullptr;
    std::string owned(text);
    if (owned.find('\0') != std::string::npos)
        return nullptr;
    UriUriA uri;
    const char* errorPos = nullptr;
    if (uriParseSingleUriA(&uri, owned.c_str(), &errorPos) != URI_SUCCESS)
        return nullptr;
    std::string scheme(uri.scheme.first ? uri.scheme.first : "",
                       uri.scheme.first ? uri.scheme.afterLast - uri.scheme.first : 0);
    uriFreeUriMembersA(&uri);
    std::string path;
    if (scheme == "file") {
        // file:///a/b -> /a/b, percent-escapes undone.
        std::string rest = owned.substr(owned.find(':') + 1);
        rest = rest.substr(0, rest.find_first_of("?#"));
        if (rest.rfind("//", 0) == 0)
            rest = rest.substr(rest.find('/', 2) == std::string::npos ? rest.size()
                                                                      : rest.find('/', 2));
        std::vector<char> buffer(rest.begin(), rest.end());
        buffer.push_back('\0');
        uriUnescapeInPlaceA(buffer.data());
        path = buffer.data();
    }
    auto url = objc::adopt(new URL(std::move(owned), std::move(scheme), std::move(path)));
    url->setIsa(urlClass());
    return url;
}

Ref<URL> URL::fileURLWithPath(const String* path) {
    return fileURLWithPath(path ? path->str() : "");
}

Ref<URL> URL::fileURLWithPath(std::string_view path) {
    // A relative path is taken from the device's "/", the working directory of its processes;
    // without the slash, its first part would read as a host name.
    std::string absolute = path.starts_with('/') ? std::string(path) : "/" + std::string(path);
    auto url = objc::adopt(
        new URL("file://" + percentEscape(absolute, "/!$&'()*+,;=:@"), "file", absolute));
    url->setIsa(urlClass());
    return url;
}

bool URL::isEqual(const objc::Object* other) const {
    auto* u = dynamic_cast<const URL*>(other);
    return u && u->m_text == m_text;
}

} // namespace NS
