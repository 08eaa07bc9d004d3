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

#include "texture/noise_kernel.hpp"

namespace quilbet {

NoiseTables::NoiseTables() {
    double w = 1.0;
    for (double& weight : octave_weight) {
        weight = w;
        w *= 2.0;
    }
}

namespace {

// float(t e), where t is the extended-precision sine or cosine of b, times e
// in extended precision: what the gradients are built from. The double
// sine or cosine `approx` of the same b lies within 2^-40 of t on any
// usable maths library (both are within a few units in the last place of
// the true value), so t e lies within 2^-40 e of approx e, and the extended
// product within 2^-50 |approx e| more. When the interval around approx e
// holds no rounding boundary of float, its float is that of t e; otherwise
// the extended function decides.
template <typename Exact>
float scaled_trig(double approx, float e, Exact exact) {
    const double x = approx * e;
    const double reach = 0x1p-40 * e + 0x1p-50 * std::fabs(x);
    const float f = static_cast<float>(x);
    const double below = (static_cast<double>(f) + std::nextafter(f, -INFINITY)) / 2.0;
    const double above = (static_cast<double>(f) + std::nextafter(f, INFINITY)) / 2.0;
    if (x - reach > below && x + reach < above) return f;
    return static_cast<float>(exact() * e);
}

}  // namespace

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
        // cos(b) e and sin(b) e in extended precision, settled by the double
        // functions whenever that is certain (all but about 1 in 10^4).
        const double bd = b;
        g.x = scaled_trig(std::cos(bd), e, [b] { return std::cos(static_cast<long double>(b)); });
        g.y = scaled_trig(std::sin(bd), e, [b] { return std::sin(static_cast<long double>(b)); });
        g.z = z;
    }
    rng.set_state(saved);
}

namespace noise_kernel {

// From 2^23 on every float is a whole number, so the offset is 0 and the
// index is v modulo 256 (taken exactly); this keeps huge coordinates from
// overflowing an integer cell. Non-finite v gives a NaN offset.
LatticeCell lattice_cell_far(float v) {
    return {static_cast<uint32_t>(trunc_i32(std::fmod(v, 256.0f))) & 255u, v - v};
}

OctavePlan make_octave_plan(int32_t octaves, double wavelength) {
    OctavePlan plan;
    plan.octaves = usable_octaves(octaves);
    plan.wavelength = wavelength;
    double inverse = 1.0;
    for (int32_t i = 0; i < plan.octaves; ++i) {
        plan.inverse_weight[i] = inverse;
        inverse /= 2.0;
    }
    int exponent = 0;
    const double mantissa = std::frexp(wavelength, &exponent);
    if (mantissa != 0.5 || exponent < -60 || exponent > 60 || plan.octaves < 1) return plan;
    const int32_t e = exponent - 1;   // wavelength = 2^e
    plan.factor[0] = std::ldexp(1.0f, -e);
    for (int32_t i = 1; i < plan.octaves; ++i) plan.factor[i] = plan.factor[i - 1] * 2.0f;
    // P, P 2^-e and P 2^(octaves - 1 - e) all normal floats.
    const double flt_min = 0x1p-126;
    const double flt_max = 0x1.fffffep127;
    plan.low = std::fmax(flt_min, std::ldexp(flt_min, e));
    plan.high = std::fmin(flt_max, std::ldexp(flt_max, e - (plan.octaves - 1)));
    plan.power_of_two = true;
    return plan;
}

}  // namespace noise_kernel

float noise3(const NoiseTables& nt, float x, float y, float z) {
    using namespace noise_kernel;
    const LatticeCell cx = lattice_cell(x);
    const LatticeCell cy = lattice_cell(y);
    const LatticeCell cz = lattice_cell(z);
    uint8_t h[8];
    corner_hashes(nt.noise_perm, cx.index, cy.index, cz.index, h);
    return blend(nt.noise_grad, h, cx.offset, cy.offset, cz.offset);
}

double noise_sum(const NoiseTables& nt, Vec3 p, int32_t octaves, Vec3 scale, double wavelength) {
    using namespace noise_kernel;
    const OctavePlan plan = make_octave_plan(octaves, wavelength);
    float pts[33][3];
    octave_points(plan, nt, p, scale, pts);
    double sum = 0.0;
    for (int32_t i = 0; i < plan.octaves; ++i) {
        sum = add_octave(sum, noise3(nt, pts[i][0], pts[i][1], pts[i][2]), plan.inverse_weight[i]);
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
