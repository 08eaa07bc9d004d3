// The generator's random numbers: the same seed and salt give the same
// sequence, a different seed or salt another; draws stay in range and are
// spread evenly.
#include <gtest/gtest.h>

#include <vector>

#include "generate/seeded_random.hpp"

namespace quilbet {
namespace {

std::vector<uint64_t> first(uint64_t seed, uint64_t salt, int n) {
    SeededRandom r(seed, salt);
    std::vector<uint64_t> out;
    for (int i = 0; i < n; ++i) out.push_back(r.next());
    return out;
}

TEST(SeededRandom, SequenceFollowsSeedAndSalt) {
    EXPECT_EQ(first(7, 3, 16), first(7, 3, 16));
    EXPECT_NE(first(7, 3, 16), first(8, 3, 16));
    EXPECT_NE(first(7, 3, 16), first(7, 4, 16));
    // Seed 0 with salt 0 is a seed like any other, not a stuck all-zero state.
    const std::vector<uint64_t> zero = first(0, 0, 4);
    EXPECT_NE(zero[0], zero[1]);
}

TEST(SeededRandom, DrawsStayInRangeAndSpreadEvenly) {
    SeededRandom r(42);
    const uint32_t n = 7;
    std::vector<int> hist(n, 0);
    const int draws = 70000;
    for (int i = 0; i < draws; ++i) {
        const uint32_t v = r.below(n);
        ASSERT_LT(v, n);
        ++hist[v];
    }
    for (int c : hist) EXPECT_NEAR(c, draws / 7, 400);   // about 4.4 standard deviations

    for (int i = 0; i < 1000; ++i) {
        const int32_t v = r.between(-3, 3);
        ASSERT_GE(v, -3);
        ASSERT_LE(v, 3);
    }
    EXPECT_EQ(r.between(5, 5), 5);
    EXPECT_EQ(r.below(1), 0u);

    int yes = 0;
    for (int i = 0; i < 10000; ++i) yes += r.chance(250) ? 1 : 0;
    EXPECT_NEAR(yes, 2500, 200);
}

TEST(SeededRandom, WeightedSkipsZeroWeights) {
    SeededRandom r(9);
    std::vector<int> hist(4, 0);
    for (int i = 0; i < 8000; ++i) ++hist[static_cast<size_t>(r.weighted({0, 1, 0, 3}))];
    EXPECT_EQ(hist[0], 0);
    EXPECT_EQ(hist[2], 0);
    EXPECT_NEAR(hist[3], 6000, 250);
    EXPECT_EQ(r.weighted({0, 0}), -1);
    EXPECT_EQ(r.weighted({}), -1);
}

}  // namespace
}  // namespace quilbet
