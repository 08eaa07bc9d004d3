// The gradient noise written out the plain way, as a test oracle for the
// production code: std::floor for the cell, the nested hash spelt out per
// corner, every operation in single precision.
#pragma once

#include <cmath>

#include "texture/noise.hpp"

namespace quilbet {

inline float reference_noise3(const NoiseTables& nt, float x, float y, float z) {
    const int X0 = static_cast<int>(std::floor(x)), Y0 = static_cast<int>(std::floor(y)),
              Z0 = static_cast<int>(std::floor(z));
    const float fx = x - float(X0), fy = y - float(Y0), fz = z - float(Z0);
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
