// Gradient noise: seeding, the lattice noise itself, octave and folded sums.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "lane_support.hpp"
#include "texture/noise.hpp"
#include "texture/noise_reference.hpp"

namespace quilbet {
namespace {

// Tables a person can evaluate by hand: hash(X, Y, Z) = (X + Y + Z) mod 256
// and all gradients zero unless a test sets them.
NoiseTables hand_tables() {
    NoiseTables nt;
    for (int i = 0; i < 256; ++i) nt.noise_perm[i] = static_cast<uint8_t>(i);
    return nt;
}

using testing_lanes::seeded;

TEST(NoiseSeed, FirstHashBytesFollowTheGeneratorFromTheSeed) {
    // From state 0 the fractions are 12345 / 2^32, 0.82757.., 0.65240..; times 255 rounded.
    const NoiseTables nt = seeded(0);
    EXPECT_EQ(nt.noise_perm[0], 0);
    EXPECT_EQ(nt.noise_perm[1], 211);
    EXPECT_EQ(nt.noise_perm[2], 166);
}

TEST(NoiseSeed, SameSeedSameTablesAndMainSequenceUntouched) {
    Random a;
    Random b;
    for (int i = 0; i < 5; ++i) {
        a.random_fraction();
        b.random_fraction();
    }
    NoiseTables t1;
    NoiseTables t2;
    noise_seed(t1, a, 987654);
    noise_seed(t2, a, 987654);
    EXPECT_EQ(std::memcmp(t1.noise_perm, t2.noise_perm, sizeof t1.noise_perm), 0);
    EXPECT_EQ(std::memcmp(t1.noise_grad, t2.noise_grad, sizeof t1.noise_grad), 0);
    EXPECT_EQ(a.state(), b.state());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.random_fraction(), b.random_fraction());

    const NoiseTables other = seeded(987655);
    EXPECT_NE(std::memcmp(t1.noise_perm, other.noise_perm, sizeof t1.noise_perm), 0);
}

TEST(NoiseSeed, GradientsAreUnitAndHashBytesSpanTheRange) {
    const NoiseTables nt = seeded(-12345);   // negative seeds are used as their 32-bit pattern
    bool seen_low = false;
    bool seen_high = false;
    for (int i = 0; i < 256; ++i) {
        const Vec3f g = nt.noise_grad[i];
        EXPECT_NEAR(std::sqrt(double(g.x) * g.x + double(g.y) * g.y + double(g.z) * g.z), 1.0, 1e-6) << i;
        seen_low |= nt.noise_perm[i] < 16;
        seen_high |= nt.noise_perm[i] > 239;
    }
    EXPECT_TRUE(seen_low && seen_high);
    EXPECT_EQ(nt.octave_weight[0], 1.0);
    EXPECT_EQ(nt.octave_weight[32], 4294967296.0);
}

TEST(Noise3, ZeroWithUnseededTablesAndAtLatticePoints) {
    const NoiseTables blank;
    const NoiseTables nt = seeded(4242);
    for (float x = -3.0f; x <= 3.0f; x += 0.375f) {
        EXPECT_EQ(noise3(blank, x, 0.3f * x, 17.7f), 0.0f);
        EXPECT_EQ(noise_sum(blank, Vec3{x, 2.0 * x, 5.5}, 6, Vec3{1, 1, 1}, 8.0), 0.0);
    }
    for (int x = -300; x <= 300; x += 37) {
        for (int y = -5; y <= 5; ++y) {
            for (int z = -2; z <= 2; ++z) EXPECT_EQ(noise3(nt, float(x), float(y), float(z)), 0.0f);
        }
    }
    // Beyond 2^23 every float is whole, however large: still a lattice point.
    EXPECT_EQ(noise3(nt, 3.0e9f, -1.0e20f, 16777217.0f), 0.0f);
    EXPECT_EQ(noise3(nt, -3.4e38f, 0.0f, 8388608.0f), 0.0f);
}

TEST(Noise3, RepeatsEvery256OnEachAxis) {
    const NoiseTables nt = seeded(77);
    int nonzero = 0;
    for (int i = 0; i < 400; ++i) {
        // Eighths keep x + 256 exact in single precision.
        const float x = float(i % 23) / 8.0f - 1.0f, y = float(i % 31) / 8.0f, z = float(i % 7) / 8.0f - 0.5f;
        const float v = noise3(nt, x, y, z);
        nonzero += v != 0.0f;
        EXPECT_EQ(noise3(nt, x + 256.0f, y, z), v);
        EXPECT_EQ(noise3(nt, x, y + 256.0f, z), v);
        EXPECT_EQ(noise3(nt, x, y, z - 256.0f), v);
    }
    EXPECT_GT(nonzero, 300);
}

TEST(Noise3, NegativeCoordinatesUseTheFloor) {
    // At (-0.25, 0, 0) the cell is X0 = -1 (hash 255) with fx = 0.75, X1 = 0 (hash 0)
    // with fx1 = -0.25; y and z sit on the lattice, so only the x lerp is left.
    NoiseTables nt = hand_tables();
    nt.noise_grad[255] = Vec3f{1, 0, 0};
    nt.noise_grad[0] = Vec3f{-1, 0, 0};
    nt.noise_grad[1] = Vec3f{5, 0, 0};   // would be picked by a truncating cell (X1 = 1)
    // d0 = 0.75, d1 = 0.25, sx = 0.75^2 (3 - 1.5) = 0.84375: 0.75 + 0.84375 (0.25 - 0.75).
    EXPECT_EQ(noise3(nt, -0.25f, 0.0f, 0.0f), 0.328125f);
    // Same along y and z: the hash sums the three coordinates.
    nt.noise_grad[255] = Vec3f{0, 1, 0};
    nt.noise_grad[0] = Vec3f{0, -1, 0};
    EXPECT_EQ(noise3(nt, 0.0f, -0.25f, 0.0f), 0.328125f);
    nt.noise_grad[255] = Vec3f{0, 0, 1};
    nt.noise_grad[0] = Vec3f{0, 0, -1};
    EXPECT_EQ(noise3(nt, 0.0f, 0.0f, -0.25f), 0.328125f);
}

TEST(Noise3, MatchesThePlainDefinitionEverywhere) {
    // Seeded tables, many points over several cells, both signs and the period.
    for (int32_t seed : {1, 348576, -99}) {
        const NoiseTables nt = seeded(seed);
        Random pick;
        for (int i = 0; i < 20000; ++i) {
            const float x = static_cast<float>((pick.random_fraction() - 0.5L) * 700.0L);
            const float y = static_cast<float>((pick.random_fraction() - 0.5L) * 40.0L);
            const float z = static_cast<float>(pick.random_fraction() * 3.0L + 99.0L);
            const float got = noise3(nt, x, y, z);
            const float want = reference_noise3(nt, x, y, z);
            ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << x << " " << y << " " << z;
        }
    }
}

TEST(NoiseSum, OctavesWavelengthAndScale) {
    const NoiseTables nt = seeded(5);
    const Vec3 one{1, 1, 1};
    const Vec3 p{3.3, -1.7, 100.0};
    EXPECT_EQ(noise_sum(nt, p, 0, one, 1.0), 0.0);
    EXPECT_EQ(noise_fold(nt, p, 0, one, 1.0), 1.0);
    // One octave at wavelength 2 samples at p / 2; the second octave doubles the
    // frequency and halves the amplitude; the scale multiplies per axis.
    const float hx = float(p.x / 2), hy = float(p.y / 2);
    EXPECT_EQ(noise_sum(nt, p, 1, one, 2.0), double(noise3(nt, hx, hy, 50.0f)));
    const double two = double(noise3(nt, hx, hy, 50.0f)) + double(noise3(nt, float(p.x), float(p.y), 100.0f)) / 2.0;
    EXPECT_EQ(noise_sum(nt, p, 2, one, 2.0), two);
    EXPECT_EQ(noise_sum(nt, p, 1, Vec3{2, 0.5, 1}, 2.0), double(noise3(nt, float(p.x), float(p.y / 4), 50.0f)));
    // More octaves than weights: the sum stops at the last weight instead of
    // reading past it, and the far octaves' huge coordinates stay finite.
    const double all = noise_sum(nt, p, 33, one, 1.0);
    EXPECT_TRUE(std::isfinite(all));
    EXPECT_EQ(noise_sum(nt, p, 1000, one, 1.0), all);
    EXPECT_EQ(noise_sum(nt, p, -3, one, 1.0), 0.0);
}

TEST(NoiseFold, FoldsAndSaturates) {
    // hash(0) = 0, hash(1) = 1: at (0.5, 0, 0) the noise is g0.x * 0.5 / 2.
    NoiseTables nt = hand_tables();
    const Vec3 p{0.5, 0, 0};
    const Vec3 one{1, 1, 1};
    const auto fold_with = [&](float gx) {
        nt.noise_grad[0] = Vec3f{gx, 0, 0};
        return noise_fold(nt, p, 1, one, 1.0);
    };
    EXPECT_EQ(fold_with(1.0f), 0.5);    // sum 0.25
    EXPECT_EQ(fold_with(-1.0f), 0.5);   // sum -0.25
    EXPECT_EQ(fold_with(0.0f), 1.0);    // sum 0
    EXPECT_EQ(fold_with(4.0f), -1.0);   // sum 1
    EXPECT_EQ(fold_with(-12.0f), -1.0); // sum -3, clamped
}

}  // namespace
}  // namespace quilbet
