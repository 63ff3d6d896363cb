#include "foundation/URL.h"

#include "objc/Runtime.h"

#include <array>
#include <uriparser/Uri.h>
#include <vector>

namespace NS {

namespace {

objc::Class* urlClass() {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSURL", objc::NSObjectClass());
    return cls;
}

using ByteSet = std::array<bool, 256>;

constexpr ByteSet bytesPlus(std::string_view extra) {
    ByteSet set{};
    for (int c = 0; c < 256; ++c)
        set[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    for (char c : extra)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}

// What a file URL's path keeps as it is, worked out once, by the compiler.
constexpr ByteSet kFilePathPlain = bytesPlus("/!$&'()*+,;=:@");

// Appends `text` to `out`, percent-escaping every byte not in `plain`.
void appendEscaped(std::string& out, std::string_view text, const ByteSet& plain) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size());
    char* to = out.data() + start;
    for (unsigned char c : text) {
        if (plain[c]) {
            *to++ = static_cast<char>(c);
        } else {
            *to++ = '%';
            *to++ = kHex[c >> 4];
            *to++ = kHex[c & 15];
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

} // namespace

std::string percentEscape(std::string_view text, std::string_view alsoPlain) {
    std::string out;
    appendEscaped(out, text, bytesPlus(alsoPlain));
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
    auto url = objc::adopt(new URL({}, "file", std::move(absolute)));
    url->setIsa(urlClass());
    return url;
}

URL::URL(std::string text, std::string scheme, std::string path)
    : m_text(std::move(text)), m_scheme(std::move(scheme)), m_path(std::move(path)) {
    if (!m_text.empty())
        std::call_once(m_textMade, [] {});
}

const std::string& URL::absoluteString() const {
    std::call_once(m_textMade, [this] {
        m_text = "file://";
        appendEscaped(m_text, m_path, kFilePathPlain);
    });
    return m_text;
}

bool URL::isEqual(const objc::Object* other) const {
    auto* u = dynamic_cast<const URL*>(other);
    return u && u->absoluteString() == absoluteString();
}

} // namespace NS
