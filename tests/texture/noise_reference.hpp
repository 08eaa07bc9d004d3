// The gradient noise written out the plain way, as a test oracle for the
// production code: std::floor for the cell, the nested hash spelt out per
// corner, every operation in single precision.
#pragma once

#include <cmath>

#include "texture/noise.hpp"

namespace quilbet {

inline float reference_noise3(const NoiseTables& nt, float x, float y, float z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return std::nanf("");
    // floor in double (exact for every float), the cell index taken modulo 256.
    const double fl[3] = {std::floor(double(x)), std::floor(double(y)), std::floor(double(z))};
    int cell[3];
    for (int a = 0; a < 3; ++a) cell[a] = (static_cast<int>(std::fmod(fl[a], 256.0)) + 256) & 255;
    const int X0 = cell[0], Y0 = cell[1], Z0 = cell[2];
    const float fx = x - float(fl[0]), fy = y - float(fl[1]), fz = z - float(fl[2]);
    const float fx1 = fx - 1.0f, fy1 = fy - 1.0f, fz1 = fz - 1.0f;
    const float sx = fx * fx * (3.0f - 2.0f * fx);
    const float sy = fy * fy * (3.0f - 2.0f * fy);
    const float sz = fz * fz * (3.0f - 2.0f * fz);
    const auto d = [&](int X, int Y, int Z, float ox, float oy, float oz) {
        const int h = nt.noise_perm[(nt.noise_perm[(nt.noise_perm[Z & 255] + Y) & 255] + X) & 255];
        const Vec3f g = nt.noise_grad[h];
        const float gx = g.x * ox;
        const float gy = g.y * oy;
        const float gz = g.z * oz;
        const float s = gx + gy;
        return s + gz;
    };
    const auto lerp = [](float a, float b, float s) {
        const float diff = b - a;
        const float step = s * diff;
        return a + step;
    };
    const float a00 = lerp(d(X0, Y0, Z0, fx, fy, fz), d(X0 + 1, Y0, Z0, fx1, fy, fz), sx);
    const float a10 = lerp(d(X0, Y0 + 1, Z0, fx, fy1, fz), d(X0 + 1, Y0 + 1, Z0, fx1, fy1, fz), sx);
    const float b0 = lerp(a00, a10, sy);
    const float a01 = lerp(d(X0, Y0, Z0 + 1, fx, fy, fz1), d(X0 + 1, Y0, Z0 + 1, fx1, fy, fz1), sx);
    const float a11 = lerp(d(X0, Y0 + 1, Z0 + 1, fx, fy1, fz1), d(X0 + 1, Y0 + 1, Z0 + 1, fx1, fy1, fz1), sx);
    const float b1 = lerp(a01, a11, sy);
    return lerp(b0, b1, sz);
}

}  // namespace quilbet

namespace quilbet {

// The octave sum written out the plain way: every octave's factor and sample
// point in extended precision, the sum in extended precision rounded to double.
inline double reference_noise_sum(const NoiseTables& nt, Vec3 p, int32_t octaves, Vec3 scale, double wavelength) {
    double sum = 0.0;
    for (int32_t i = 0; i < octaves && i < 33; ++i) {
        const long double c = 1.0L / (static_cast<long double>(wavelength) / nt.octave_weight[i]);
        const float x = static_cast<float>(static_cast<long double>(scale.x) * p.x * c);
        const float y = static_cast<float>(static_cast<long double>(scale.y) * p.y * c);
        const float z = static_cast<float>(static_cast<long double>(scale.z) * p.z * c);
        sum = static_cast<double>(sum + static_cast<long double>(reference_noise3(nt, x, y, z)) / nt.octave_weight[i]);
    }
    return sum;
}

}  // namespace quilbet

namespace quilbet {

// Seeding written out the plain way: every sine and cosine in extended precision.
inline void reference_noise_seed(NoiseTables& nt, Random& rng, int32_t seed) {
    const uint32_t saved = rng.state();
    rng.set_state(static_cast<uint32_t>(seed));
    for (uint8_t& p : nt.noise_perm) p = static_cast<uint8_t>(rng.random_int(256));
    for (Vec3f& g : nt.noise_grad) {
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

}  // namespace quilbet
