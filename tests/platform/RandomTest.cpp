// arc4random_uniform as real use has it: ChaCha20 in user space, uniform without modulo bias,
// a stream of its own per thread and in a forked child.
#include "device/Random.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" std::uint32_t arc4random_uniform(std::uint32_t bound);

namespace {

std::vector<std::uint32_t> draws(std::size_t n, std::uint32_t bound = 0xffffffffu) {
    std::vector<std::uint32_t> out(n);
    for (auto& x : out)
        x = arc4random_uniform(bound);
    return out;
}

TEST(Random, ChaCha20BlockMatchesTheKnownAnswer) {
    std::array<std::uint32_t, 8> key;
    for (std::uint32_t i = 0; i < 8; ++i)
        key[i] = 0x03020100u + 0x04040404u * i; // bytes 00 01 02 … 1f
    const std::array<std::uint32_t, 16> expected = {0xe4e7f110, 0x15593bd1, 0x1fdd0f50, 0xc47120a3,
                                                    0xc7f4d1c7, 0x0368c033, 0x9aaa2204, 0x4e6cd4c3,
                                                    0x466482d2, 0x09aa9f07, 0x05d7c214, 0xa2028bd9,
                                                    0xd19c12b5, 0xb94e16de, 0xe883d0cb, 0x4e3c50a2};
    EXPECT_EQ(device::detail::chacha20Block(key, 1, {0x09000000, 0x4a000000, 0}), expected);
}

TEST(Random, DrawsStayBelowTheBoundAndCoverItEvenly) {
    for (std::uint32_t bound : {0u, 1u, 2u, 3u, 13u, 0x80000001u, 0xffffffffu})
        for (std::uint32_t x : draws(2000, bound))
            ASSERT_LT(x, std::max(bound, 1u)) << "bound " << bound;
    std::vector<int> seen(13);
    for (std::uint32_t x : draws(13000, 13))
        ++seen[x];
    for (int count : seen)
        EXPECT_NEAR(count, 1000, 150);
    // Below 2^30 is a third of 3·2^30; a draw reduced modulo the bound lands there half the time.
    int low = 0;
    for (std::uint32_t x : draws(6000, 0xc0000000u))
        low += x < 0x40000000u;
    EXPECT_NEAR(low, 2000, 200) << "modulo bias";
}

TEST(Random, ThreadsAndAForkedChildEachGetTheirOwnStream) {
    draws(1); // the parent's generator exists before the fork
    std::vector<std::uint32_t> other;
    std::thread([&] { other = draws(4); }).join();
    EXPECT_NE(draws(4), other);

    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto mine = draws(4);
        _exit(write(channel[1], mine.data(), 16) == 16 ? 0 : 1);
    }
    std::vector<std::uint32_t> fromChild(4);
    EXPECT_EQ(read(channel[0], fromChild.data(), 16), 16);
    waitpid(child, nullptr, 0);
    close(channel[0]);
    close(channel[1]);
    EXPECT_NE(fromChild, draws(4)) << "the child went on with its parent's stream";
}

} // namespace
