#include "audiotoolbox/Clock.h"

#include "audiotoolbox/Sound.h"

namespace audio {

std::chrono::nanoseconds SteadyClock::now() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::uint64_t samplePosition(std::chrono::nanoseconds sinceOrigin) {
    if (sinceOrigin.count() <= 0)
        return 0;
    constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;
    // Whole seconds and the rest apart, so hours of time never overflow the product.
    auto ns = static_cast<std::uint64_t>(sinceOrigin.count());
    std::uint64_t seconds = ns / kNanosPerSecond, rest = ns % kNanosPerSecond;
    return seconds * kSampleRate + (rest * kSampleRate + kNanosPerSecond / 2) / kNanosPerSecond;
}

} // namespace audio
