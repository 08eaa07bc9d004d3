// Cached octave sums for the painters (see noise_sampler.hpp).
#include "texture/noise_sampler.hpp"

#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILBET_NOISE_SSE2 1
#endif

namespace quilbet {

NoiseSampler::NoiseSampler(const NoiseTables& nt, int32_t octaves, double wavelength)
    : nt_(nt), plan_(noise_kernel::make_octave_plan(octaves, wavelength)) {}

// Hashes a cell's corners and stores their gradients component by component.
[[gnu::noinline]] void NoiseSampler::fill(CellGradients& c, uint32_t key, uint32_t x, uint32_t y, uint32_t z) const {
    c.key = key;
    uint8_t h[8];
    noise_kernel::corner_hashes(nt_.noise_perm, x, y, z, h);
#ifdef QUILBET_NOISE_SSE2
    // Four corners at a time: load each gradient as (x, y, z, 0), then transpose.
    const auto load = [&](int k) {
        const Vec3f& g = nt_.noise_grad[h[k]];
        const __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&g.x));
        return _mm_movelh_ps(xy, _mm_load_ss(&g.z));
    };
    for (int k = 0; k < 8; k += 4) {
        __m128 r0 = load(k), r1 = load(k + 1), r2 = load(k + 2), r3 = load(k + 3);
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_store_ps(c.gx + k, r0);
        _mm_store_ps(c.gy + k, r1);
        _mm_store_ps(c.gz + k, r2);
    }
#else
    for (int k = 0; k < 8; ++k) {
        const Vec3f& g = nt_.noise_grad[h[k]];
        c.gx[k] = g.x;
        c.gy[k] = g.y;
        c.gz[k] = g.z;
    }
#endif
}

[[gnu::always_inline]] inline const NoiseSampler::CellGradients& NoiseSampler::cell(int32_t octave, uint32_t x,
                                                                                    uint32_t y, uint32_t z) {
    CellGradients& c = cache_[octave];
    const uint32_t key = x | y << 8 | z << 16;
    if (c.key != key) fill(c, key, x, y, z);
    return c;
}

namespace {

// The same blend as noise_kernel::blend, reading the gradients component-wise.
float blend_scalar(const float* gx, const float* gy, const float* gz, float fx, float fy, float fz) {
    using noise_kernel::fade;
    using noise_kernel::lerp;
    const float fx1 = fx - 1.0f;
    const float fy1 = fy - 1.0f;
    const float fz1 = fz - 1.0f;
    const float ox[8] = {fx, fx1, fx, fx1, fx, fx1, fx, fx1};
    const float oy[8] = {fy, fy, fy1, fy1, fy, fy, fy1, fy1};
    const float oz[8] = {fz, fz, fz, fz, fz1, fz1, fz1, fz1};
    float d[8];
    for (int k = 0; k < 8; ++k) d[k] = gx[k] * ox[k] + gy[k] * oy[k] + gz[k] * oz[k];
    const float sx = fade(fx);
    const float sy = fade(fy);
    const float sz = fade(fz);
    const float b0 = lerp(lerp(d[0], d[1], sx), lerp(d[2], d[3], sx), sy);
    const float b1 = lerp(lerp(d[4], d[5], sx), lerp(d[6], d[7], sx), sy);
    return lerp(b0, b1, sz);
}

}  // namespace

[[gnu::always_inline]] inline float NoiseSampler::octave_value(int32_t octave, float x, float y, float z, bool& lattice_point) {
    using namespace noise_kernel;
#ifdef QUILBET_NOISE_SSE2
    const __m128 p = _mm_setr_ps(x, y, z, 0.0f);
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), p);
    if ((_mm_movemask_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(8388608.0f))) & 7) == 7) {
        // Cell and offsets of x, y, z at once: truncate, one lower where v - t < 0.
        const __m128 zero = _mm_setzero_ps();
        __m128i t = _mm_cvttps_epi32(p);
        const __m128 below = _mm_cmplt_ps(_mm_sub_ps(p, _mm_cvtepi32_ps(t)), zero);
        t = _mm_add_epi32(t, _mm_castps_si128(below));
        const __m128 f = _mm_sub_ps(p, _mm_cvtepi32_ps(t));
        if ((_mm_movemask_ps(_mm_cmpeq_ps(f, zero)) & 7) == 7) {
            lattice_point = true;
            return 0.0f;
        }
        lattice_point = false;
        alignas(16) int32_t index[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_and_si128(t, _mm_set1_epi32(255)));
        const CellGradients& c = cell(octave, uint32_t(index[0]), uint32_t(index[1]), uint32_t(index[2]));

        const __m128 f1 = _mm_sub_ps(f, _mm_set1_ps(1.0f));
        const __m128 s = _mm_mul_ps(_mm_mul_ps(f, f), _mm_sub_ps(_mm_set1_ps(3.0f), _mm_mul_ps(_mm_set1_ps(2.0f), f)));
        const __m128 xy = _mm_unpacklo_ps(f, f1);                 // fx fx1 fy fy1
        const __m128 ox = _mm_movelh_ps(xy, xy);                   // fx fx1 fx fx1
        const __m128 oy = _mm_shuffle_ps(xy, xy, _MM_SHUFFLE(3, 3, 2, 2));   // fy fy fy1 fy1
        const __m128 oz0 = _mm_shuffle_ps(f, f, _MM_SHUFFLE(2, 2, 2, 2));
        const __m128 oz1 = _mm_shuffle_ps(f1, f1, _MM_SHUFFLE(2, 2, 2, 2));
        // Dot products (gx ox + gy oy) + gz oz of corners 0-3 (z0) and 4-7 (z1).
        const __m128 d0 = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_load_ps(c.gx), ox), _mm_mul_ps(_mm_load_ps(c.gy), oy)),
                                     _mm_mul_ps(_mm_load_ps(c.gz), oz0));
        const __m128 d1 =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_load_ps(c.gx + 4), ox), _mm_mul_ps(_mm_load_ps(c.gy + 4), oy)),
                       _mm_mul_ps(_mm_load_ps(c.gz + 4), oz1));
        // Along x: (a00, a10, a01, a11) = low + sx (high - low).
        const __m128 lo = _mm_shuffle_ps(d0, d1, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 hi = _mm_shuffle_ps(d0, d1, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 sx = _mm_shuffle_ps(s, s, _MM_SHUFFLE(0, 0, 0, 0));
        const __m128 a = _mm_add_ps(lo, _mm_mul_ps(sx, _mm_sub_ps(hi, lo)));
        // Along y: (b0, b1) = (a00, a01) + sy ((a10, a11) - (a00, a01)).
        const __m128 a_lo = _mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 a_hi = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 sy = _mm_shuffle_ps(s, s, _MM_SHUFFLE(1, 1, 1, 1));
        const __m128 b = _mm_add_ps(a_lo, _mm_mul_ps(sy, _mm_sub_ps(a_hi, a_lo)));
        // Along z: b0 + sz (b1 - b0).
        const __m128 b1 = _mm_shuffle_ps(b, b, _MM_SHUFFLE(1, 1, 1, 1));
        const __m128 sz = _mm_shuffle_ps(s, s, _MM_SHUFFLE(2, 2, 2, 2));
        return _mm_cvtss_f32(_mm_add_ss(b, _mm_mul_ss(sz, _mm_sub_ss(b1, b))));
    }
#endif
    const LatticeCell cx = lattice_cell(x);
    const LatticeCell cy = lattice_cell(y);
    const LatticeCell cz = lattice_cell(z);
    lattice_point = cx.offset == 0.0f && cy.offset == 0.0f && cz.offset == 0.0f;
    if (lattice_point) return 0.0f;
    const CellGradients& c = cell(octave, cx.index, cy.index, cz.index);
    return blend_scalar(c.gx, c.gy, c.gz, cx.offset, cy.offset, cz.offset);
}

double NoiseSampler::sum(Vec3 p, Vec3 scale) {
    float pts[33][3];
    noise_kernel::octave_points(plan_, nt_, p, scale, pts);
    double total = 0.0;
    for (int32_t i = 0; i < plan_.octaves; ++i) {
        // At a lattice point every offset is 0, the value is +-0 and adding it
        // leaves the sum as it is (the sum starts at +0).
        bool lattice_point = false;
        const float value = octave_value(i, pts[i][0], pts[i][1], pts[i][2], lattice_point);
        if (!lattice_point) total = noise_kernel::add_octave(total, value, plan_.inverse_weight[i]);
    }
    return total;
}

double NoiseSampler::fold(Vec3 p, Vec3 scale) {
    double s = sum(p, scale);
    if (s < -1.0) s = -1.0;
    if (s > 1.0) s = 1.0;
    return 1.0 - 2.0 * std::fabs(s);
}

}  // namespace quilbet
