// Lattice gradient noise (Perlin's 1985 gradient noise with the cubic fade
// 3t^2 - 2t^3) over a 256-entry hash table and 256 random unit gradients,
// plus its octave sum and folded sum.
//
// The hash is three nested table lookups, perm[perm[perm[Z] + Y] + X] with
// every sum taken modulo 256, so the noise repeats every 256 units on each
// axis. The table is filled with random bytes rather than a permutation, so
// entries may repeat. noise3 runs entirely in single precision: every
// product, sum, dot product and interpolation is rounded to a 32-bit float
// (the build never fuses a multiply with an add).
#include "texture/noise.hpp"

#include <cmath>

namespace quilbet {

NoiseTables::NoiseTables() {
    double w = 1.0;
    for (double& weight : octave_weight) {
        weight = w;
        w *= 2.0;
    }
}

void noise_seed(NoiseTables& nt, Random& rng, int32_t seed) {
    const uint32_t saved = rng.state();
    rng.set_state(static_cast<uint32_t>(seed));
    for (uint8_t& p : nt.noise_perm) p = static_cast<uint8_t>(rng.random_int(256));
    for (Vec3f& g : nt.noise_grad) {
        // Uniform on the sphere: z uniform in [-1, 1], longitude uniform in [0, 2 pi).
        const long double a = rng.random_fraction();
        const float z = static_cast<float>(1.0L - 2.0L * a);
        const float e = static_cast<float>(std::sqrt(1.0L - static_cast<long double>(z) * z));
        const float b = static_cast<float>(rng.random_fraction() * 2.0L * pi_ext);
        g.x = static_cast<float>(std::cos(static_cast<long double>(b)) * e);
        g.y = static_cast<float>(std::sin(static_cast<long double>(b)) * e);
        g.z = z;
    }
    rng.set_state(saved);
}

namespace {

// The lattice cell below v: its index modulo 256 and the offset v - floor(v).
// floor is the truncation, one lower when the fractional part is negative.
// From 2^23 on every float is a whole number, so the offset is 0 and the
// index is v modulo 256 (taken exactly), which keeps huge coordinates from
// overflowing the integer cell; non-finite v gives a NaN offset.
struct LatticeCell {
    uint32_t index;
    float offset;
};

LatticeCell lattice_cell(float v) {
    if (std::fabs(v) < 8388608.0f) {
        int32_t t = static_cast<int32_t>(v);
        if (v - static_cast<float>(t) < 0.0f) t -= 1;
        return {static_cast<uint32_t>(t) & 255u, v - static_cast<float>(t)};
    }
    return {static_cast<uint32_t>(trunc_i32(std::fmod(v, 256.0f))) & 255u, v - v};
}

float fade(float t) { return t * t * (3.0f - 2.0f * t); }

float lerp(float a, float b, float s) { return a + s * (b - a); }

float dot(const Vec3f& g, float x, float y, float z) { return g.x * x + g.y * y + g.z * z; }

}  // namespace

float noise3(const NoiseTables& nt, float x, float y, float z) {
    const LatticeCell cx = lattice_cell(x);
    const LatticeCell cy = lattice_cell(y);
    const LatticeCell cz = lattice_cell(z);
    const float fx = cx.offset;
    const float fy = cy.offset;
    const float fz = cz.offset;
    const float fx1 = fx - 1.0f;
    const float fy1 = fy - 1.0f;
    const float fz1 = fz - 1.0f;
    const float sx = fade(fx);
    const float sy = fade(fy);
    const float sz = fade(fz);

    const uint32_t x0 = cx.index, x1 = (x0 + 1u) & 255u;
    const uint32_t y0 = cy.index, y1 = (y0 + 1u) & 255u;
    const uint32_t z0 = cz.index, z1 = (z0 + 1u) & 255u;
    const uint8_t* perm = nt.noise_perm;
    const uint32_t pz0 = perm[z0], pz1 = perm[z1];
    const uint32_t p00 = perm[(pz0 + y0) & 255u], p10 = perm[(pz0 + y1) & 255u];
    const uint32_t p01 = perm[(pz1 + y0) & 255u], p11 = perm[(pz1 + y1) & 255u];
    const Vec3f* grad = nt.noise_grad;

    const float d000 = dot(grad[perm[(p00 + x0) & 255u]], fx, fy, fz);
    const float d100 = dot(grad[perm[(p00 + x1) & 255u]], fx1, fy, fz);
    const float d010 = dot(grad[perm[(p10 + x0) & 255u]], fx, fy1, fz);
    const float d110 = dot(grad[perm[(p10 + x1) & 255u]], fx1, fy1, fz);
    const float d001 = dot(grad[perm[(p01 + x0) & 255u]], fx, fy, fz1);
    const float d101 = dot(grad[perm[(p01 + x1) & 255u]], fx1, fy, fz1);
    const float d011 = dot(grad[perm[(p11 + x0) & 255u]], fx, fy1, fz1);
    const float d111 = dot(grad[perm[(p11 + x1) & 255u]], fx1, fy1, fz1);

    const float a00 = lerp(d000, d100, sx);
    const float a10 = lerp(d010, d110, sx);
    const float b0 = lerp(a00, a10, sy);
    const float a01 = lerp(d001, d101, sx);
    const float a11 = lerp(d011, d111, sx);
    const float b1 = lerp(a01, a11, sy);
    return lerp(b0, b1, sz);
}

double noise_sum(const NoiseTables& nt, Vec3 p, int32_t octaves, Vec3 scale, double wavelength) {
    // The weight table ends at 2^32; more octaves would add nothing visible anyway.
    constexpr int32_t max_octaves = static_cast<int32_t>(sizeof(nt.octave_weight) / sizeof(double));
    if (octaves > max_octaves) octaves = max_octaves;
    double sum = 0.0;
    for (int32_t i = 0; i < octaves; ++i) {
        const long double weight = nt.octave_weight[i];
        const long double c = 1.0L / (static_cast<long double>(wavelength) / weight);
        const float sx = static_cast<float>(static_cast<long double>(scale.x) * p.x * c);
        const float sy = static_cast<float>(static_cast<long double>(scale.y) * p.y * c);
        const float sz = static_cast<float>(static_cast<long double>(scale.z) * p.z * c);
        sum = static_cast<double>(sum + noise3(nt, sx, sy, sz) / weight);
    }
    return sum;
}

double noise_fold(const NoiseTables& nt, Vec3 p, int32_t octaves, Vec3 scale, double wavelength) {
    double s = noise_sum(nt, p, octaves, scale, wavelength);
    if (s < -1.0) s = -1.0;
    if (s > 1.0) s = 1.0;
    return 1.0 - 2.0 * std::fabs(s);
}

}  // namespace quilbet
