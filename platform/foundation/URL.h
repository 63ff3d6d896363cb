// NS::URL: a parsed URL. URLWithString gives nil for text that is not a valid URL.
#pragma once

#include "foundation/String.h"

namespace NS {

// Percent-escapes every byte but RFC 3986's unreserved characters (letters, digits, "-._~")
// and those in `alsoPlain`.
std::string percentEscape(std::string_view text, std::string_view alsoPlain = {});

class URL : public objc::Object {
public:
    // Nil for text that is not a valid URL reference (RFC 3986, checked with uriparser).
    static RefPtr<URL> URLWithString(const String* text);
    static RefPtr<URL> URLWithString(std::string_view text);
    // A file URL for a device path; a relative one is taken from "/".
    static Ref<URL> fileURLWithPath(const String* path);
    static Ref<URL> fileURLWithPath(std::string_view path);

    const std::string& absoluteString() const { return m_text; }
    const std::string& scheme() const { return m_scheme; }
    bool isFileURL() const { return m_scheme == "file"; }
    // The path of a file URL, as given (a device path), without percent-escapes.
    const std::string& path() const { return m_path; }

    std::string description() const override { return m_text; }
    bool isEqual(const objc::Object* other) const override;

private:
    URL(std::string text, std::string scheme, std::string path)
        : m_text(std::move(text)), m_scheme(std::move(scheme)), m_path(std::move(path)) {}
    std::string m_text;
    std::string m_scheme;
    std::string m_path;
};

} // namespace NS
