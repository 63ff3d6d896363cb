// The random source. The platform library defines arc4random_uniform itself, so every caller
// in the process (a loaded tweak included) comes here before glibc. By default it hands on to
// glibc's; a test or the simulator can install a source of its own (a fixed value, a seed).
#pragma once

#include <cstdint>
#include <functional>

namespace device {

using RandomSource = std::function<std::uint32_t(std::uint32_t bound)>;
// Null restores glibc's arc4random_uniform.
void setRandomSource(RandomSource source);
// A repeatable source for --seed: uniform draws from a seeded generator.
RandomSource seededRandomSource(std::uint64_t seed);

} // namespace device
