// Seeded lattice gradient noise in three dimensions, its octave sum and the
// folded sum. The tables live in one value object; painters reseed them
// before every texture, so a texture depends only on the seed it draws.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "maths/random.hpp"

namespace quilbet {

struct NoiseTables {
    uint8_t noise_perm[256] = {};      // hash table (entries may repeat); all 0 before seeding
    Vec3f noise_grad[256] = {};        // unit gradients; all 0 before seeding
    double octave_weight[33];          // 2^i, i = 0 .. 32

    NoiseTables();
};

// Refills perm and grad from seed, drawing from rng with its state set to seed;
// the state rng had on entry is restored, so the main sequence loses nothing.
void noise_seed(NoiseTables& nt, Random& rng, int32_t seed);
// Gradient noise at a point, single precision; 0 at integer points; period 256.
// Coordinates of 2^23 and more (all whole numbers) are lattice coordinates
// taken modulo 256, so huge values stay finite; non-finite ones give NaN.
float noise3(const NoiseTables& nt, float x, float y, float z);
// sum over i < octaves of noise3(scale * p * 2^i / wavelength) / 2^i.
// Octave counts above 33 (the weights 2^0 .. 2^32) are taken as 33; 0 or fewer give 0.
double noise_sum(const NoiseTables& nt, Vec3 p, int32_t octaves, Vec3 scale, double wavelength);
// 1 - 2 |clamp(noise_sum, -1, 1)|.
double noise_fold(const NoiseTables& nt, Vec3 p, int32_t octaves, Vec3 scale, double wavelength);

}  // namespace quilbet
