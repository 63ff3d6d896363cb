// NS::String's number reading and formatting on any bytes. Oracle: the device reads numbers as
// strtoll does in base 10 (saturating), and boolValue is true for a leading Y/y/T/t or a number
// that is not zero; formatting never reads an argument as a format.
#include "foundation/String.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "ns_string: %s\n", what);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    objc::Ref<NS::String> s = NS::str(text);

    // strtoll stops at a NUL where the device's reading stops at any non-digit: the same.
    long long expected = std::strtoll(text.c_str(), nullptr, 10);
    if (s->longLongValue() != expected)
        fail("longLongValue differs from strtoll");
    long long clamped = expected > INT_MAX ? INT_MAX : expected < INT_MIN ? INT_MIN : expected;
    if (s->intValue() != clamped)
        fail("intValue is not strtoll clamped to int");
    std::size_t first = std::strspn(text.c_str(), " \t\n\v\f\r");
    bool yes = first < text.size() && std::strchr("YyTt", text[first]) && text[first] != '\0';
    if (s->boolValue() != (yes || expected != 0))
        fail("boolValue disagrees with the leading letter or number");

    // The input as a format, with one argument of each kind.
    objc::Ref<NS::String> formatted =
        NS::String::stringWithFormat(text, s, text.c_str(), static_cast<long long>(size));
    if (text.find('%') == std::string::npos && formatted->str() != text)
        fail("a format without % changed");
    // The input as arguments: copied verbatim, whatever % it holds.
    if (NS::String::stringWithFormat("<%@|%s>", s, text.c_str())->str() !=
        "<" + text + "|" + text.substr(0, text.find('\0')) + ">")
        fail("an argument was read as a format");
    if (NS::String::stringWithFormat("%d%%", expected)->str() != std::to_string(expected) + "%")
        fail("%d or %% misprinted");
    return 0;
}
