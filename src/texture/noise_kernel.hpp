// The pieces of the gradient noise that both the plain noise3/noise_sum and
// the painters' four-lane sampler use, so that both compute every value with
// the very same single-precision operations. Internal to src/texture.
#pragma once

#include <cmath>
#include <cstdint>

#include "maths/maths.hpp"
#include "texture/noise.hpp"

namespace quilbet::noise_kernel {

// The lattice cell below v: its index modulo 256 and the offset v - floor(v).
struct LatticeCell {
    uint32_t index;
    float offset;
};

// Whole-number or non-finite coordinates beyond 2^23 (out of line: rare).
LatticeCell lattice_cell_far(float v);

// floor is the truncation, one lower when the fractional part is negative.
[[gnu::always_inline]] inline LatticeCell lattice_cell(float v) {
    if (std::fabs(v) < 8388608.0f) {
        int32_t t = static_cast<int32_t>(v);
        if (v - static_cast<float>(t) < 0.0f) t -= 1;
        return {static_cast<uint32_t>(t) & 255u, v - static_cast<float>(t)};
    }
    return lattice_cell_far(v);
}

// Hash bytes of the eight corners, in the order 000, 100, 010, 110, 001, 101,
// 011, 111 (x changing fastest): perm[perm[perm[Z] + Y] + X], sums mod 256.
[[gnu::always_inline]] inline void corner_hashes(const uint8_t* perm, uint32_t x0, uint32_t y0, uint32_t z0, uint8_t h[8]) {
    const uint32_t x1 = (x0 + 1u) & 255u, y1 = (y0 + 1u) & 255u, z1 = (z0 + 1u) & 255u;
    const uint32_t pz0 = perm[z0], pz1 = perm[z1];
    const uint32_t p00 = perm[(pz0 + y0) & 255u], p10 = perm[(pz0 + y1) & 255u];
    const uint32_t p01 = perm[(pz1 + y0) & 255u], p11 = perm[(pz1 + y1) & 255u];
    h[0] = perm[(p00 + x0) & 255u];
    h[1] = perm[(p00 + x1) & 255u];
    h[2] = perm[(p10 + x0) & 255u];
    h[3] = perm[(p10 + x1) & 255u];
    h[4] = perm[(p01 + x0) & 255u];
    h[5] = perm[(p01 + x1) & 255u];
    h[6] = perm[(p11 + x0) & 255u];
    h[7] = perm[(p11 + x1) & 255u];
}

[[gnu::always_inline]] inline float fade(float t) { return t * t * (3.0f - 2.0f * t); }
[[gnu::always_inline]] inline float lerp(float a, float b, float s) { return a + s * (b - a); }
[[gnu::always_inline]] inline float dot(const Vec3f& g, float x, float y, float z) { return g.x * x + g.y * y + g.z * z; }

// The trilinear blend of the corner gradients' dot products with the offsets
// (fx, fy, fz) from the cell's low corner, weighted by the faded offsets.
[[gnu::always_inline]] inline float blend(const Vec3f* grad, const uint8_t h[8], float fx, float fy, float fz) {
    const float fx1 = fx - 1.0f;
    const float fy1 = fy - 1.0f;
    const float fz1 = fz - 1.0f;
    const float sx = fade(fx);
    const float sy = fade(fy);
    const float sz = fade(fz);
    const float a00 = lerp(dot(grad[h[0]], fx, fy, fz), dot(grad[h[1]], fx1, fy, fz), sx);
    const float a10 = lerp(dot(grad[h[2]], fx, fy1, fz), dot(grad[h[3]], fx1, fy1, fz), sx);
    const float b0 = lerp(a00, a10, sy);
    const float a01 = lerp(dot(grad[h[4]], fx, fy, fz1), dot(grad[h[5]], fx1, fy, fz1), sx);
    const float a11 = lerp(dot(grad[h[6]], fx, fy1, fz1), dot(grad[h[7]], fx1, fy1, fz1), sx);
    const float b1 = lerp(a01, a11, sy);
    return lerp(b0, b1, sz);
}

// Octave counts are capped at the 33 weights 2^0 .. 2^32; negative counts sum nothing.
inline int32_t usable_octaves(int32_t octaves) { return octaves > 33 ? 33 : (octaves < 0 ? 0 : octaves); }

// How the sample points of an octave sum are found, worked out once per
// (octaves, wavelength). Octave i samples at scale * p * c_i with
// c_i = 1 / (wavelength / 2^i), each component's product taken in extended
// precision and rounded to a float. When the wavelength is a power of two,
// 2^e, c_i is exactly 2^(i - e), so the product rounded once, P = float(scale * p),
// times 2^(i - e) in float is the very same value provided P and every scaled
// P are normal floats; points that fail the bounds take the general path.
struct OctavePlan {
    int32_t octaves = 0;
    double wavelength = 1.0;
    bool power_of_two = false;
    double low = 0.0;             // |P| must exceed this ...
    double high = 0.0;            // ... and must not exceed this
    float factor[33] = {};        // 2^(i - e)
    double inverse_weight[33] = {};   // 2^-i
};

OctavePlan make_octave_plan(int32_t octaves, double wavelength);

// For a power-of-two plan: the once-rounded products P = float(scale * p)
// (each in extended precision; a unit scale leaves the component as it is).
// True when every nonzero P passes the plan's bounds, so that octave i's
// sample point is exactly P * factor[i] in float; false sends the caller to
// the general path.
[[gnu::always_inline]] inline bool octave_base(const OctavePlan& plan, Vec3 p, Vec3 scale, float base[3]) {
    const double sc[3] = {scale.x, scale.y, scale.z};
    const double pc[3] = {p.x, p.y, p.z};
    bool exact = true;
    for (int a = 0; a < 3; ++a) {
        bool zero;
        if (sc[a] == 1.0) {
            base[a] = static_cast<float>(pc[a]);
            zero = pc[a] == 0.0;
        } else {
            const long double prod = static_cast<long double>(sc[a]) * pc[a];
            base[a] = static_cast<float>(prod);
            zero = prod == 0.0L;
        }
        if (zero) continue;
        const double m = std::fabs(static_cast<double>(base[a]));
        exact = exact && m > plan.low && m <= plan.high;
    }
    return exact;
}

// Writes the sample points of octaves 0 .. plan.octaves - 1 to pts.
inline void octave_points(const OctavePlan& plan, const NoiseTables& nt, Vec3 p, Vec3 scale, float (*pts)[3]) {
    const int32_t n = plan.octaves;
    float base[3];
    if (plan.power_of_two && octave_base(plan, p, scale, base)) {
        for (int32_t i = 0; i < n; ++i) {
            pts[i][0] = base[0] * plan.factor[i];
            pts[i][1] = base[1] * plan.factor[i];
            pts[i][2] = base[2] * plan.factor[i];
        }
        return;
    }
    for (int32_t i = 0; i < n; ++i) {
        const long double c = 1.0L / (static_cast<long double>(plan.wavelength) / nt.octave_weight[i]);
        pts[i][0] = static_cast<float>(static_cast<long double>(scale.x) * p.x * c);
        pts[i][1] = static_cast<float>(static_cast<long double>(scale.y) * p.y * c);
        pts[i][2] = static_cast<float>(static_cast<long double>(scale.z) * p.z * c);
    }
}

// sum + value / 2^i, added in extended precision and rounded to 64 bits;
// inverse_weight is 2^-i, so value * inverse_weight is exact and equals value / 2^i.
// When the plain double sum is exact (its rounding error, found by Knuth's
// two-sum, is zero) the extended sum is that very value and no x87 work is needed.
[[gnu::always_inline]] inline double add_octave(double sum, float value, double inverse_weight) {
    const double term = static_cast<double>(value) * inverse_weight;
    const double s = sum + term;
    const double bv = s - sum;
    const double err = (sum - (s - bv)) + (term - bv);
    if (err == 0.0) return s;
    return static_cast<double>(static_cast<long double>(sum) + static_cast<long double>(term));
}

}  // namespace quilbet::noise_kernel
