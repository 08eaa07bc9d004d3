// Helpers shared by the noise sampler tests.
#pragma once

#include <cstring>

#include "maths/random.hpp"
#include "texture/noise.hpp"

namespace quilbet::testing_lanes {

// Equal to the bit, so that -0 differs from +0.
inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Noise tables seeded with `seed` from a fresh random state.
inline NoiseTables seeded(int32_t seed) {
    NoiseTables nt;
    Random rng;
    noise_seed(nt, rng, seed);
    return nt;
}

}  // namespace quilbet::testing_lanes
