// NS::String: an immutable UTF-8 string with the device's formatting and number-reading rules.
#pragma once

#include "objc/Object.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace NS {

using objc::Ref;
using objc::RefPtr;

// String encodings by the device's numbers.
enum StringEncoding : unsigned { ASCIIStringEncoding = 1, UTF8StringEncoding = 4 };

class Data;

// One argument of a format: an object for %@, a C string for %s, an integer for %d.
struct FormatArg {
    enum class Kind { Object, CString, Integer } kind;
    const objc::Object* object = nullptr;
    const char* cstring = nullptr;
    long long integer = 0;

    FormatArg(const objc::Object* o) : kind(Kind::Object), object(o) {}
    FormatArg(std::nullptr_t) : kind(Kind::Object) {}
    template <typename T>
    FormatArg(const objc::Ref<T>& o) : kind(Kind::Object), object(o.ptr()) {}
    template <typename T>
    FormatArg(const objc::RefPtr<T>& o) : kind(Kind::Object), object(o.get()) {}
    FormatArg(const char* s) : kind(Kind::CString), cstring(s) {}
    FormatArg(int i) : kind(Kind::Integer), integer(i) {}
    FormatArg(long i) : kind(Kind::Integer), integer(i) {}
    FormatArg(long long i) : kind(Kind::Integer), integer(i) {}
    FormatArg(unsigned i) : kind(Kind::Integer), integer(i) {}
    FormatArg(unsigned long i) : kind(Kind::Integer), integer(static_cast<long long>(i)) {}
    FormatArg(unsigned long long i) : kind(Kind::Integer), integer(static_cast<long long>(i)) {}
};

class String : public objc::Object {
public:
    static Ref<String> string(std::string_view text = {});
    // Decodes bytes; with ASCIIStringEncoding, bytes above 0x7f are kept as Latin-1 characters.
    static Ref<String> initWithData(const Data& data, StringEncoding encoding);

    // stringWithFormat: with the conversions %@ (an object's description, "(null)" for nil),
    // %s, %d and %%. Arguments are never read as formats.
    static Ref<String> format(std::string_view format, std::initializer_list<FormatArg> args);
    template <typename... Args>
    static Ref<String> stringWithFormat(std::string_view fmt, const Args&... args) {
        return format(fmt, {FormatArg(args)...});
    }

    const std::string& str() const { return m_text; }
    const char* UTF8String() const { return m_text.c_str(); }
    std::size_t length() const { return m_text.size(); }
    Ref<String> stringByAppendingString(const String* other) const;

    // The device's rules: leading blanks are skipped; boolValue is true for a leading
    // "Y", "y", "T", "t" or a non-zero digit after optional zeros and sign; intValue reads
    // an optional sign and digits, stops at the first other character and saturates.
    bool boolValue() const;
    int intValue() const;
    long long longLongValue() const;
    double doubleValue() const;

    std::string description() const override { return m_text; }
    bool isEqual(const objc::Object* other) const override;

protected:
    explicit String(std::string text);

private:
    std::string m_text;
};

// A short way to make a string literal into an object.
inline Ref<String> str(std::string_view text) {
    return String::string(text);
}

} // namespace NS
