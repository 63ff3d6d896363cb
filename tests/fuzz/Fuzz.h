// What every fuzz target shares: its input as text, and an oracle that stops the run where it
// fails, saying what it saw (libFuzzer keeps the input that did it).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline std::string text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

[[noreturn]] inline void fail(const char* what, const std::string& seen) {
    std::fprintf(stderr, "oracle failed: %s: %s\n", what, seen.c_str());
    std::abort();
}

inline void check(bool holds, const char* what, const std::string& seen) {
    if (!holds)
        fail(what, seen);
}

} // namespace fuzz
