#include "foundation/String.h"

#include "foundation/Data.h"
#include "objc/Runtime.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace NS {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipBlanks(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

} // namespace

String::String(std::string text) : m_text(std::move(text)) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSString", objc::NSObjectClass());
    setIsa(cls);
}

Ref<String> String::string(std::string_view text) {
    return objc::adopt(new String(std::string(text)));
}

Ref<String> String::initWithData(const Data& data, StringEncoding encoding) {
    if (encoding != ASCIIStringEncoding)
        return string(data.bytes());
    std::string text;
    text.reserve(data.length());
    for (unsigned char c : data.bytes()) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else { // Latin-1 to UTF-8
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return string(text);
}

Ref<String> String::format(std::string_view fmt, std::initializer_list<FormatArg> args) {
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c != '%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        while (j < fmt.size() && fmt[j] == 'l') // length modifiers of %ld and %lld
            ++j;
        char conv = j < fmt.size() ? fmt[j] : '\0';
        if (conv == '%') {
            out += '%';
            i = j;
            continue;
        }
        if (conv != '@' && conv != 's' && conv != 'd' && conv != 'i' && conv != 'u') {
            out += c; // not a conversion we know: keep it as text
            continue;
        }
        i = j;
        if (next == args.end())
            continue; // too few arguments: print nothing rather than read garbage
        const FormatArg& arg = *next++;
        switch (arg.kind) {
        case FormatArg::Kind::Object:
            out += arg.object ? arg.object->description() : "(null)";
            break;
        case FormatArg::Kind::CString:
            out += arg.cstring ? arg.cstring : "(null)";
            break;
        case FormatArg::Kind::Integer:
            out += std::to_string(arg.integer);
            break;
        }
    }
    return string(out);
}

Ref<String> String::stringByAppendingString(const String* other) const {
    return string(other ? m_text + other->m_text : m_text);
}

bool String::boolValue() const {
    std::size_t i = skipBlanks(m_text);
    if (i < m_text.size()) {
        char c = m_text[i];
        if (c == 'Y' || c == 'y' || c == 'T' || c == 't')
            return true;
        if (c == '+' || c == '-')
            ++i;
    }
    while (i < m_text.size() && m_text[i] == '0')
        ++i;
    return i < m_text.size() && m_text[i] >= '1' && m_text[i] <= '9';
}

long long String::longLongValue() const {
    std::size_t i = skipBlanks(m_text);
    bool negative = false;
    if (i < m_text.size() && (m_text[i] == '+' || m_text[i] == '-'))
        negative = m_text[i++] == '-';
    // Accumulate toward the sign so that LLONG_MIN is reachable; saturate on overflow.
    long long value = 0;
    for (; i < m_text.size() && isDigit(m_text[i]); ++i) {
        int digit = m_text[i] - '0';
        if (negative) {
            if (value < (LLONG_MIN + digit) / 10)
                return LLONG_MIN;
            value = value * 10 - digit;
        } else {
            if (value > (LLONG_MAX - digit) / 10)
                return LLONG_MAX;
            value = value * 10 + digit;
        }
    }
    return value;
}

int String::intValue() const {
    long long value = longLongValue();
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

double String::doubleValue() const {
    return std::strtod(m_text.c_str() + skipBlanks(m_text), nullptr);
}

bool String::isEqual(const objc::Object* other) const {
    auto* text = dynamic_cast<const String*>(other);
    return text && text->m_text == m_text;
}

} // namespace NS
