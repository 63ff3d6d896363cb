// NS::URL: a parsed URL. URLWithString gives nil for text that is not a valid URL.
#pragma once

#include "foundation/String.h"

#include <mutex>

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

    const std::string& absoluteString() const;
    const std::string& scheme() const { return m_scheme; }
    bool isFileURL() const { return m_scheme == "file"; }
    // The path of a file URL, as given (a device path), without percent-escapes.
    const std::string& path() const { return m_path; }

    std::string description() const override { return absoluteString(); }
    bool isEqual(const objc::Object* other) const override;

private:
    URL(std::string text, std::string scheme, std::string path);
    // A file URL's text is escaped when first asked for: the library makes its 45 note URLs
    // at load in every process, and most processes never ask.
    mutable std::once_flag m_textMade;
    mutable std::string m_text;
    std::string m_scheme;
    std::string m_path;
};

} // namespace NS
