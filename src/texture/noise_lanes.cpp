// Four-lane octave sums (see noise_lanes.hpp).
#include "texture/noise_lanes.hpp"

#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILBET_NOISE_LANES_SSE2 1
#endif

namespace quilbet {

NoiseLanes::NoiseLanes(const NoiseTables& nt, int32_t octaves, double wavelength)
    : nt_(nt),
      octaves_(octaves),
      wavelength_(wavelength),
      plan_(noise_kernel::make_octave_plan(octaves, wavelength)),
      grad4_(256 * 4, 0.0f),
      shared_(static_cast<std::size_t>(plan_.octaves)),
      hashed_(static_cast<std::size_t>(plan_.octaves)) {
    for (int i = 0; i < 256; ++i) {
        grad4_[i * 4 + 0] = nt.noise_grad[i].x;
        grad4_[i * 4 + 1] = nt.noise_grad[i].y;
        grad4_[i * 4 + 2] = nt.noise_grad[i].z;
        pair_[i] = static_cast<uint16_t>(nt.noise_perm[i] | nt.noise_perm[(i + 1) & 255] << 8);
    }
}

void NoiseLanes::sum(const Vec3 p[lanes], const Vec3 scale[lanes], double out[lanes]) { sum_lanes(p, scale, out); }

void NoiseLanes::sum(const Vec3 p[lanes], double out[lanes]) { sum_lanes(p, nullptr, out); }

void NoiseLanes::fill_shared(SharedCell& c, uint32_t key) const {
    c.key = key;
    uint8_t h[8];
    noise_kernel::corner_hashes(nt_.noise_perm, key & 255u, (key >> 8) & 255u, key >> 16, h);
    for (int k = 0; k < 8; ++k) {
        const Vec3f& g = nt_.noise_grad[h[k]];
        for (int j = 0; j < lanes; ++j) {
            c.g[k][j] = g.x;
            c.g[8 + k][j] = g.y;
            c.g[16 + k][j] = g.z;
        }
    }
}

// The eight corner hashes of noise_kernel::corner_hashes, corner k in bits
// 8k .. 8k + 7, from neighbouring pairs of the hash table: the inner hashes of
// the cell's (y, z) row come from the octave's last row when it is the same.
uint64_t NoiseLanes::hashes(int32_t octave, uint32_t key) {
    HashedRow& row = hashed_[static_cast<std::size_t>(octave)];
    const uint32_t yz = key >> 8;
    if (row.key != yz) {
        const uint32_t z = pair(yz >> 8);
        const uint32_t y = yz & 255u;
        row.key = yz;
        row.inner = pair((z & 255u) + y) | pair((z >> 8) + y) << 16;
    }
    const uint32_t x = key & 255u;
    const uint32_t inner = row.inner;
    return static_cast<uint64_t>(pair((inner & 255u) + x)) |
           static_cast<uint64_t>(pair(((inner >> 8) & 255u) + x)) << 16 |
           static_cast<uint64_t>(pair(((inner >> 16) & 255u) + x)) << 32 |
           static_cast<uint64_t>(pair((inner >> 24) + x)) << 48;
}

#ifdef QUILBET_NOISE_LANES_SSE2

namespace {

// v - floor(v) per lane and floor(v) modulo 256, for |v| < 2^23: the
// truncation, one lower where v - t < 0 (as noise_kernel::lattice_cell).
[[gnu::always_inline]] inline __m128 lattice(__m128 v, __m128i& index) {
    __m128i t = _mm_cvttps_epi32(v);
    const __m128 below = _mm_cmplt_ps(_mm_sub_ps(v, _mm_cvtepi32_ps(t)), _mm_setzero_ps());
    t = _mm_add_epi32(t, _mm_castps_si128(below));
    index = _mm_and_si128(t, _mm_set1_epi32(255));
    return _mm_sub_ps(v, _mm_cvtepi32_ps(t));
}

[[gnu::always_inline]] inline __m128 fade4(__m128 t) {
    return _mm_mul_ps(_mm_mul_ps(t, t), _mm_sub_ps(_mm_set1_ps(3.0f), _mm_mul_ps(_mm_set1_ps(2.0f), t)));
}

[[gnu::always_inline]] inline __m128 lerp4(__m128 a, __m128 b, __m128 s) {
    return _mm_add_ps(a, _mm_mul_ps(s, _mm_sub_ps(b, a)));
}

// (gx ox + gy oy) + gz oz, the order of noise_kernel::dot.
[[gnu::always_inline]] inline __m128 dot4(__m128 gx, __m128 gy, __m128 gz, __m128 ox, __m128 oy, __m128 oz) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(gx, ox), _mm_mul_ps(gy, oy)), _mm_mul_ps(gz, oz));
}

// The trilinear blend of noise_kernel::blend on four lanes; corner(k, gx, gy, gz)
// supplies corner k's gradient components across the lanes.
template <typename Corner>
[[gnu::always_inline]] inline __m128 blend4(Corner corner, __m128 fx, __m128 fy, __m128 fz) {
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 fx1 = _mm_sub_ps(fx, one);
    const __m128 fy1 = _mm_sub_ps(fy, one);
    const __m128 fz1 = _mm_sub_ps(fz, one);
    const __m128 sx = fade4(fx);
    const __m128 sy = fade4(fy);
    const __m128 sz = fade4(fz);
    __m128 gx, gy, gz;
    const auto d = [&](int k, __m128 ox, __m128 oy, __m128 oz) {
        corner(k, gx, gy, gz);
        return dot4(gx, gy, gz, ox, oy, oz);
    };
    const __m128 d0 = d(0, fx, fy, fz);
    const __m128 d1 = d(1, fx1, fy, fz);
    const __m128 a00 = lerp4(d0, d1, sx);
    const __m128 d2 = d(2, fx, fy1, fz);
    const __m128 d3 = d(3, fx1, fy1, fz);
    const __m128 a10 = lerp4(d2, d3, sx);
    const __m128 b0 = lerp4(a00, a10, sy);
    const __m128 d4 = d(4, fx, fy, fz1);
    const __m128 d5 = d(5, fx1, fy, fz1);
    const __m128 a01 = lerp4(d4, d5, sx);
    const __m128 d6 = d(6, fx, fy1, fz1);
    const __m128 d7 = d(7, fx1, fy1, fz1);
    const __m128 a11 = lerp4(d6, d7, sx);
    const __m128 b1 = lerp4(a01, a11, sy);
    return lerp4(b0, b1, sz);
}

}  // namespace

void NoiseLanes::sum_lanes(const Vec3 p[lanes], const Vec3* scale, double out[lanes]) {
    using namespace noise_kernel;
    const int32_t n = plan_.octaves;
    float base[3][lanes];
    bool exact = plan_.power_of_two;
    for (int j = 0; j < lanes && exact; ++j) {
        float b[3];
        exact = octave_base(plan_, p[j], scale != nullptr ? scale[j] : Vec3{1.0, 1.0, 1.0}, b);
        base[0][j] = b[0];
        base[1][j] = b[1];
        base[2][j] = b[2];
    }
    if (!exact) {
        const Vec3 unit{1.0, 1.0, 1.0};
        for (int j = 0; j < lanes; ++j) out[j] = noise_sum(nt_, p[j], octaves_, scale != nullptr ? scale[j] : unit, wavelength_);
        return;
    }
    const __m128 bx = _mm_loadu_ps(base[0]);
    const __m128 by = _mm_loadu_ps(base[1]);
    const __m128 bz = _mm_loadu_ps(base[2]);
    const __m128 limit = _mm_set1_ps(8388608.0f);
    const __m128 sign = _mm_set1_ps(-0.0f);
    const __m128 zero = _mm_setzero_ps();
    __m128d sum01 = _mm_setzero_pd();
    __m128d sum23 = _mm_setzero_pd();
    for (int32_t i = 0; i < n; ++i) {
        const __m128 factor = _mm_set1_ps(plan_.factor[i]);
        const __m128 x = _mm_mul_ps(bx, factor);
        const __m128 y = _mm_mul_ps(by, factor);
        const __m128 z = _mm_mul_ps(bz, factor);
        __m128 value;
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(_mm_andnot_ps(sign, x), limit),
                                                    _mm_cmplt_ps(_mm_andnot_ps(sign, y), limit)),
                                         _mm_cmplt_ps(_mm_andnot_ps(sign, z), limit));
        if (_mm_movemask_ps(inside) != 0xF) {
            // Far or non-finite coordinates: the plain noise3, lane by lane.
            float px[lanes], py[lanes], pz[lanes], v[lanes];
            _mm_storeu_ps(px, x);
            _mm_storeu_ps(py, y);
            _mm_storeu_ps(pz, z);
            for (int j = 0; j < lanes; ++j) v[j] = noise3(nt_, px[j], py[j], pz[j]);
            value = _mm_loadu_ps(v);
        } else {
            __m128i ix, iy, iz;
            const __m128 fx = lattice(x, ix);
            const __m128 fy = lattice(y, iy);
            const __m128 fz = lattice(z, iz);
            const __m128 on_lattice =
                _mm_and_ps(_mm_and_ps(_mm_cmpeq_ps(fx, zero), _mm_cmpeq_ps(fy, zero)), _mm_cmpeq_ps(fz, zero));
            // At a lattice point every offset and fade is 0 and noise3 is +-0,
            // which leaves the sum as it is (the sum is never -0).
            if (_mm_movemask_ps(on_lattice) == 0xF) continue;
            const __m128i key = _mm_or_si128(ix, _mm_or_si128(_mm_slli_epi32(iy, 8), _mm_slli_epi32(iz, 16)));
            const __m128i key0 = _mm_shuffle_epi32(key, _MM_SHUFFLE(0, 0, 0, 0));
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(key, key0)) == 0xFFFF) {
                SharedCell& c = shared_[static_cast<std::size_t>(i)];
                const uint32_t k0 = static_cast<uint32_t>(_mm_cvtsi128_si32(key));
                if (c.key != k0) fill_shared(c, k0);
                const float* g = &c.g[0][0];
                value = blend4(
                    [g](int k, __m128& gx, __m128& gy, __m128& gz) {
                        gx = _mm_loadu_ps(g + 4 * k);
                        gy = _mm_loadu_ps(g + 4 * (8 + k));
                        gz = _mm_loadu_ps(g + 4 * (16 + k));
                    },
                    fx, fy, fz);
            } else {
                uint32_t keys[lanes];
                _mm_storeu_si128(reinterpret_cast<__m128i*>(keys), key);
                uint8_t h[lanes][8];
                for (int j = 0; j < lanes; ++j) {
                    const uint64_t packed = hashes(i, keys[j]);
                    std::memcpy(h[j], &packed, 8);   // little-endian: corner k is byte k
                }
                const float* g4 = grad4_.data();
                value = blend4(
                    [&h, g4](int k, __m128& gx, __m128& gy, __m128& gz) {
                        const __m128 r0 = _mm_loadu_ps(g4 + 4 * h[0][k]);
                        const __m128 r1 = _mm_loadu_ps(g4 + 4 * h[1][k]);
                        const __m128 r2 = _mm_loadu_ps(g4 + 4 * h[2][k]);
                        const __m128 r3 = _mm_loadu_ps(g4 + 4 * h[3][k]);
                        // Transpose the four (x, y, z, 0) rows into x, y and z columns.
                        const __m128 t0 = _mm_unpacklo_ps(r0, r1);   // x0 x1 y0 y1
                        const __m128 t1 = _mm_unpacklo_ps(r2, r3);   // x2 x3 y2 y3
                        const __m128 t2 = _mm_unpackhi_ps(r0, r1);   // z0 z1 . .
                        const __m128 t3 = _mm_unpackhi_ps(r2, r3);   // z2 z3 . .
                        gx = _mm_movelh_ps(t0, t1);
                        gy = _mm_movehl_ps(t1, t0);
                        gz = _mm_movelh_ps(t2, t3);
                    },
                    fx, fy, fz);
            }
        }
        // sum + value / 2^i per lane, through the two-sum test of add_octave;
        // lanes whose double sum is inexact take add_octave's extended sum.
        const __m128d w = _mm_set1_pd(plan_.inverse_weight[i]);
        const __m128d t01 = _mm_mul_pd(_mm_cvtps_pd(value), w);
        const __m128d t23 = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(value, value)), w);
        const __m128d s01 = _mm_add_pd(sum01, t01);
        const __m128d s23 = _mm_add_pd(sum23, t23);
        const __m128d v01 = _mm_sub_pd(s01, sum01);
        const __m128d v23 = _mm_sub_pd(s23, sum23);
        const __m128d e01 = _mm_add_pd(_mm_sub_pd(sum01, _mm_sub_pd(s01, v01)), _mm_sub_pd(t01, v01));
        const __m128d e23 = _mm_add_pd(_mm_sub_pd(sum23, _mm_sub_pd(s23, v23)), _mm_sub_pd(t23, v23));
        const __m128d zero_d = _mm_setzero_pd();
        if ((_mm_movemask_pd(_mm_cmpneq_pd(e01, zero_d)) | _mm_movemask_pd(_mm_cmpneq_pd(e23, zero_d))) == 0) {
            sum01 = s01;
            sum23 = s23;
        } else {
            double s[lanes];
            float v[lanes];
            _mm_storeu_pd(s, sum01);
            _mm_storeu_pd(s + 2, sum23);
            _mm_storeu_ps(v, value);
            for (int j = 0; j < lanes; ++j) s[j] = add_octave(s[j], v[j], plan_.inverse_weight[i]);
            sum01 = _mm_loadu_pd(s);
            sum23 = _mm_loadu_pd(s + 2);
        }
    }
    _mm_storeu_pd(out, sum01);
    _mm_storeu_pd(out + 2, sum23);
}

#else

void NoiseLanes::sum_lanes(const Vec3 p[lanes], const Vec3* scale, double out[lanes]) {
    const Vec3 unit{1.0, 1.0, 1.0};
    for (int j = 0; j < lanes; ++j) out[j] = noise_sum(nt_, p[j], octaves_, scale != nullptr ? scale[j] : unit, wavelength_);
}

#endif

}  // namespace quilbet
