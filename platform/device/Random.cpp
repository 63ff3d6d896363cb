#include "device/Random.h"

#include <atomic>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <random>

namespace device {

namespace {

std::mutex g_lock;
std::shared_ptr<RandomSource> g_source;
std::atomic<bool> g_hasSource{false};

using Uniform = std::uint32_t (*)(std::uint32_t);

Uniform glibcUniform() {
    static Uniform next = reinterpret_cast<Uniform>(dlsym(RTLD_NEXT, "arc4random_uniform"));
    return next;
}

} // namespace

void setRandomSource(RandomSource source) {
    std::lock_guard guard(g_lock);
    g_source = source ? std::make_shared<RandomSource>(std::move(source)) : nullptr;
    g_hasSource.store(g_source != nullptr, std::memory_order_release);
}

RandomSource seededRandomSource(std::uint64_t seed) {
    auto engine = std::make_shared<std::mt19937_64>(seed);
    auto lock = std::make_shared<std::mutex>();
    return [engine, lock](std::uint32_t bound) -> std::uint32_t {
        if (bound < 2)
            return 0;
        std::lock_guard guard(*lock);
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(*engine);
    };
}

} // namespace device

extern "C" __attribute__((visibility("default"))) std::uint32_t arc4random_uniform(std::uint32_t bound) {
    if (device::g_hasSource.load(std::memory_order_acquire)) {
        std::shared_ptr<device::RandomSource> source;
        {
            std::lock_guard guard(device::g_lock);
            source = device::g_source;
        }
        if (source)
            return (*source)(bound);
    }
    if (device::Uniform next = device::glibcUniform())
        return next(bound);
    return 0;
}
