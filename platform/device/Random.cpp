#include "device/Random.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <random>
#include <sys/random.h>
#include <unistd.h>

namespace device {

namespace {

std::mutex g_lock;
std::shared_ptr<RandomSource> g_source;
std::atomic<bool> g_hasSource{false};

// Bumped in a forked child, so that no thread there goes on with its parent's stream.
std::atomic<std::uint32_t> g_forks{0};

void quarterRound(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
    a += b, d = std::rotl(d ^ a, 16);
    c += d, b = std::rotl(b ^ c, 12);
    a += b, d = std::rotl(d ^ a, 8);
    c += d, b = std::rotl(b ^ c, 7);
}

void fillFromKernel(void* out, std::size_t size) {
    auto* at = static_cast<unsigned char*>(out);
    while (size > 0) {
        ssize_t got = getrandom(at, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        at += got, size -= static_cast<std::size_t>(got);
    }
    if (size == 0)
        return;
    // No getrandom (an old kernel or a sandbox): the device file, then the library's source.
    if (int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC); fd >= 0) {
        ssize_t got;
        while (size > 0 && (got = read(fd, at, size)) > 0)
            at += got, size -= static_cast<std::size_t>(got);
        close(fd);
    }
    std::random_device fallback;
    for (; size > 0; --size)
        *at++ = static_cast<unsigned char>(fallback());
}

// A thread's generator. Each refill makes kBlocks blocks and keys the next refill from the
// first of them, so a later look at the state does not reveal draws already made.
class ChaCha {
public:
    std::uint32_t next() {
        if (m_used == m_words.size() || m_forks != g_forks.load(std::memory_order_relaxed))
            refill();
        std::uint32_t word = m_words[m_used];
        m_words[m_used++] = 0;
        return word;
    }

private:
    static constexpr std::size_t kBlocks = 8;
    // Fresh kernel entropy after about this many words, as OpenBSD does after 1.6 MB.
    static constexpr std::uint64_t kReseedWords = 400'000;

    void refill() {
        const std::uint32_t forks = g_forks.load(std::memory_order_relaxed);
        if (m_forks != forks || m_sinceSeed >= kReseedWords) {
            std::uint32_t seed[11];
            fillFromKernel(seed, sizeof seed);
            std::memcpy(m_key.data(), seed, sizeof m_key);
            std::memcpy(m_nonce.data(), seed + 8, sizeof m_nonce);
            m_counter = 0;
            m_sinceSeed = 0;
            m_forks = forks;
        }
        std::array<std::uint32_t, 16 * kBlocks> stream;
        for (std::size_t b = 0; b < kBlocks; ++b) {
            auto block = detail::chacha20Block(m_key, m_counter++, m_nonce);
            std::memcpy(&stream[16 * b], block.data(), sizeof block);
        }
        std::memcpy(m_key.data(), stream.data(), sizeof m_key);
        std::memcpy(m_words.data(), stream.data() + m_key.size(), sizeof m_words);
        m_used = 0;
        m_sinceSeed += m_words.size();
    }

    std::array<std::uint32_t, 8> m_key{};
    std::array<std::uint32_t, 3> m_nonce{};
    std::uint32_t m_counter = 0;
    std::array<std::uint32_t, 16 * kBlocks - 8> m_words{};
    std::size_t m_used = m_words.size();
    std::uint64_t m_sinceSeed = kReseedWords; // seeded on the first draw
    std::uint32_t m_forks = 0;
};

std::uint32_t uniform(std::uint32_t bound) {
    thread_local ChaCha generator;
    static const bool forkHandled = [] {
        pthread_atfork(nullptr, nullptr, [] { g_forks.fetch_add(1, std::memory_order_relaxed); });
        return true;
    }();
    (void)forkHandled;
    if (bound < 2)
        return 0;
    // Lemire's multiply-and-reject: exactly uniform, and rarely a division.
    std::uint64_t product = std::uint64_t{generator.next()} * bound;
    if (static_cast<std::uint32_t>(product) < bound) {
        const std::uint32_t threshold = -bound % bound;
        while (static_cast<std::uint32_t>(product) < threshold)
            product = std::uint64_t{generator.next()} * bound;
    }
    return static_cast<std::uint32_t>(product >> 32);
}

} // namespace

namespace detail {

std::array<std::uint32_t, 16> chacha20Block(const std::array<std::uint32_t, 8>& key,
                                            std::uint32_t counter,
                                            const std::array<std::uint32_t, 3>& nonce) {
    const std::array<std::uint32_t, 16> input = {
        0x61707865, 0x3320646e, 0x79622d32, 0x6b206574, key[0],  key[1],   key[2],   key[3],
        key[4],     key[5],     key[6],     key[7],     counter, nonce[0], nonce[1], nonce[2]};
    std::array<std::uint32_t, 16> x = input;
    for (int round = 0; round < 10; ++round) {
        quarterRound(x[0], x[4], x[8], x[12]);
        quarterRound(x[1], x[5], x[9], x[13]);
        quarterRound(x[2], x[6], x[10], x[14]);
        quarterRound(x[3], x[7], x[11], x[15]);
        quarterRound(x[0], x[5], x[10], x[15]);
        quarterRound(x[1], x[6], x[11], x[12]);
        quarterRound(x[2], x[7], x[8], x[13]);
        quarterRound(x[3], x[4], x[9], x[14]);
    }
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] += input[i];
    return x;
}

} // namespace detail

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

extern "C" __attribute__((visibility("default"))) std::uint32_t
arc4random_uniform(std::uint32_t bound) {
    // An installed source is for tests and --seed only; real use never takes this lock.
    if (device::g_hasSource.load(std::memory_order_acquire)) {
        std::shared_ptr<device::RandomSource> source;
        {
            std::lock_guard guard(device::g_lock);
            source = device::g_source;
        }
        if (source)
            return (*source)(bound);
    }
    return device::uniform(bound);
}
