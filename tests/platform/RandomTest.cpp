// arc4random_uniform as the note choice relies on it: below the bound, without modulo bias, and
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
    std::vector<std::uint32_t> other(4);
    std::thread([&] { other = draws(4); }).join();
    EXPECT_NE(draws(4), other);
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    if (fork() == 0)
        _exit(write(channel[1], draws(4).data(), 16) == 16 ? 0 : 1);
    EXPECT_EQ(read(channel[0], other.data(), 16), 16);
    wait(nullptr);
    close(channel[0]);
    close(channel[1]);
    EXPECT_NE(other, draws(4)) << "the child went on with its parent's stream";
}

} // namespace
