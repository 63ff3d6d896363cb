// The random source. The platform library defines arc4random_uniform itself, so every caller
// in the process (a loaded tweak included) comes here before glibc. Like the device's, it draws
// from ChaCha20 in user space, one generator per thread, seeded from getrandom and seeded again
// after a while and in a forked child: no system call per draw. A test or the simulator can
// install a source of its own (a fixed value, a seed) instead.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace device {

using RandomSource = std::function<std::uint32_t(std::uint32_t bound)>;
// Null restores the generator above.
void setRandomSource(RandomSource source);
// A repeatable source for --seed: uniform draws from a seeded generator.
RandomSource seededRandomSource(std::uint64_t seed);

namespace detail {
// One ChaCha20 block (RFC 8439): 16 words of key stream.
std::array<std::uint32_t, 16> chacha20Block(const std::array<std::uint32_t, 8>& key,
                                            std::uint32_t counter,
                                            const std::array<std::uint32_t, 3>& nonce);
} // namespace detail

} // namespace device
