// NS::String's number reading and formatting on any bytes. Oracle: the device reads numbers as
// strtoll does in base 10 (saturating), and boolValue is true for a leading Y/y/T/t or a number
// that is not zero; formatting never reads an argument as a format.
#include "Fuzz.h"
#include "foundation/String.h"

#include <climits>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = fuzz::text(data, size);
    objc::Ref<NS::String> s = NS::str(text);

    // strtoll stops at a NUL where the device's reading stops at any non-digit: the same.
    long long expected = std::strtoll(text.c_str(), nullptr, 10);
    fuzz::check(s->longLongValue() == expected, "longLongValue differs from strtoll", text);
    long long clamped = expected > INT_MAX ? INT_MAX : expected < INT_MIN ? INT_MIN : expected;
    fuzz::check(s->intValue() == clamped, "intValue is not strtoll clamped to int", text);
    std::size_t first = std::strspn(text.c_str(), " \t\n\v\f\r");
    bool yes = first < text.size() && std::strchr("YyTt", text[first]) && text[first] != '\0';
    fuzz::check(s->boolValue() == (yes || expected != 0),
                "boolValue disagrees with the leading letter or number", text);

    // The input as a format, with one argument of each kind.
    objc::Ref<NS::String> formatted =
        NS::String::stringWithFormat(text, s, text.c_str(), static_cast<long long>(size));
    fuzz::check(text.find('%') != std::string::npos || formatted->str() == text,
                "a format without % changed", text);
    // The input as arguments: copied verbatim, whatever % it holds.
    fuzz::check(NS::String::stringWithFormat("<%@|%s>", s, text.c_str())->str() ==
                    "<" + text + "|" + text.substr(0, text.find('\0')) + ">",
                "an argument was read as a format", text);
    fuzz::check(NS::String::stringWithFormat("%d%%", expected)->str() ==
                    std::to_string(expected) + "%",
                "%d or %% misprinted", text);
    return 0;
}
