// arc4random_uniform as the notes are drawn with it: below the bound, and uniform without
// modulo bias.
#include "device/Random.h"

#include <gtest/gtest.h>
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

} // namespace
