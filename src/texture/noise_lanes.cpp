// Octave sums in four SSE2 lanes, and the choice of lane width (see
// noise_lanes.hpp; the eight-lane sweep is in noise_lanes_avx2.cpp).
#include "texture/noise_lanes.hpp"

#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILBET_NOISE_LANES_SSE2 1
#endif

// The blend's pieces must fold into one straight run of vector code.
#if defined(__GNUC__)
#define QUILBET_INLINE __attribute__((always_inline))
#else
#define QUILBET_INLINE
#endif

namespace quilbet {

namespace {
constexpr int group4 = 4;   // the SSE2 sweep's group
}  // namespace

NoiseLaneTables::NoiseLaneTables(const NoiseTables& nt) : nt(nt), grad_pairs(256 * 8, 0.0f) {
    for (int i = 0; i < 256; ++i) {
        const Vec3f& g0 = nt.noise_grad[nt.noise_perm[i]];
        const Vec3f& g1 = nt.noise_grad[nt.noise_perm[(i + 1) & 255]];
        float* e = &grad_pairs[static_cast<std::size_t>(i) * 8];
        e[0] = g0.x;
        e[1] = g1.x;
        e[2] = g0.y;
        e[3] = g1.y;
        e[4] = g0.z;
        e[5] = g1.z;
        pair[i] = static_cast<uint16_t>(nt.noise_perm[i] | nt.noise_perm[(i + 1) & 255] << 8);
    }
}

bool NoiseLanes::eight_lanes_supported() {
#ifdef QUILBET_NOISE_LANES_AVX2
    // The check covers the operating system's saving of the 256-bit registers too.
    static const bool supported = __builtin_cpu_supports("avx2") != 0;
    return supported;
#else
    return false;
#endif
}

NoiseLanes::NoiseLanes(const NoiseLaneTables& tables, int32_t octaves, double wavelength, NoiseLanePath path)
    : tables_(tables),
      nt_(tables.nt),
      octaves_(octaves),
      wavelength_(wavelength),
      lanes_(path != NoiseLanePath::four_lanes && eight_lanes_supported() ? 8 : 4),
      plan_(noise_kernel::make_octave_plan(octaves, wavelength)),
      shared_(static_cast<std::size_t>(plan_.octaves)),
      rows_(static_cast<std::size_t>(plan_.octaves)) {}

void NoiseLanes::sum(int32_t count, const Vec3* p, const Vec3* scale, double* out) {
    using namespace noise_kernel;
    if (count < 1) return;
    const Vec3 unit{1.0, 1.0, 1.0};
    const int32_t groups = (count + lanes_ - 1) / lanes_;
    const std::size_t padded = static_cast<std::size_t>(groups) * static_cast<std::size_t>(lanes_);
    base_x_.resize(padded);
    base_y_.resize(padded);
    base_z_.resize(padded);
    sums_.assign(padded, 0.0);
    plain_.assign(static_cast<std::size_t>(groups), plan_.power_of_two ? 0 : 1);
    // Lanes past the end repeat the last point; their sums are dropped.
    if (plan_.power_of_two) {
        prepare(count, p, scale, padded);
        for (int32_t i = 0; i < plan_.octaves; ++i) {
            // Whole-number points times a whole factor are lattice points
            // throughout, where every octave adds nothing.
            if (whole_ && plan_.factor[i] >= 1.0f) continue;
            if (lanes_ == 8) {
                sweep_octave_avx2(i, groups);
            } else {
                sweep_octave(i, groups);
            }
        }
    }
    for (int32_t group = 0; group < groups; ++group) {
        const int32_t first = group * lanes_;
        const int32_t end = count - first < lanes_ ? count : first + lanes_;
        if (plain_[static_cast<std::size_t>(group)]) {
            for (int32_t j = first; j < end; ++j) {
                out[j] = noise_sum(nt_, p[j], octaves_, scale != nullptr ? scale[j] : unit, wavelength_);
            }
        } else {
            std::memcpy(out + first, &sums_[static_cast<std::size_t>(first)],
                        static_cast<std::size_t>(end - first) * sizeof(double));
        }
    }
}

// Point j's products through octave_base (extended precision), marking its
// group for the plain path when they fail the plan's bounds.
void NoiseLanes::prepare_point(std::size_t j, const Vec3& p, const Vec3* scale) {
    float b[3];
    if (!noise_kernel::octave_base(plan_, p, scale != nullptr ? *scale : Vec3{1.0, 1.0, 1.0}, b)) plain_[j / static_cast<std::size_t>(lanes_)] = 1;
    base_x_[j] = b[0];
    base_y_[j] = b[1];
    base_z_[j] = b[2];
}

#ifdef QUILBET_NOISE_LANES_SSE2

namespace {

// All ones where the double d lies exactly halfway between two neighbouring
// floats of normal precision (its 29 bits below a float's precision are
// 1000...0): rounding it to float then hangs on the tie.
[[gnu::always_inline]] inline __m128d float_ties(__m128d d) {
    const __m128i low = _mm_and_si128(_mm_castpd_si128(d), _mm_set1_epi64x(0x1FFFFFFF));
    const __m128i tie = _mm_cmpeq_epi32(low, _mm_set1_epi64x(0x10000000));
    // The low 32-bit half decides (the high half is 0 == 0): spread it over the lane.
    return _mm_castsi128_pd(_mm_shuffle_epi32(tie, _MM_SHUFFLE(2, 2, 0, 0)));
}

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
//
// Zero names the axes whose offset is 0 in every lane (bit 0 x, 1 y, 2 z).
// Along such an axis the fade is 0, so each lerp along it returns its first
// argument (a + 0 (b - a) is a, up to the sign of a zero), and the axis's
// product in each dot product is a zero that leaves the sum as it is (again up
// to the sign of a zero): the corners beyond that axis and its products are
// skipped. The sign of a zero never reaches a nonzero result of the blend, and
// adding +0 or -0 to an octave sum (which is never -0) leaves it unchanged, so
// the sums come out the same bit for bit.
template <int Zero, typename Corner>
[[gnu::always_inline]] inline __m128 blend4(Corner corner, __m128 fx, __m128 fy, __m128 fz) {
    constexpr bool zx = (Zero & 1) != 0;
    constexpr bool zy = (Zero & 2) != 0;
    constexpr bool zz = (Zero & 4) != 0;
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 fx1 = _mm_sub_ps(fx, one);
    const __m128 fy1 = _mm_sub_ps(fy, one);
    const __m128 fz1 = _mm_sub_ps(fz, one);
    // Dot product of corner k with the offsets (ox, oy, oz), in the order
    // (gx ox + gy oy) + gz oz, leaving out the zero axes.
    const auto d = [&](int k, __m128 ox, __m128 oy, __m128 oz) QUILBET_INLINE {
        __m128 gx, gy, gz;
        corner(k, gx, gy, gz);
        if constexpr (zx) {
            if constexpr (zy) return _mm_mul_ps(gz, oz);
            else if constexpr (zz) return _mm_mul_ps(gy, oy);
            else return _mm_add_ps(_mm_mul_ps(gy, oy), _mm_mul_ps(gz, oz));
        } else if constexpr (zy) {
            if constexpr (zz) return _mm_mul_ps(gx, ox);
            else return _mm_add_ps(_mm_mul_ps(gx, ox), _mm_mul_ps(gz, oz));
        } else if constexpr (zz) {
            return _mm_add_ps(_mm_mul_ps(gx, ox), _mm_mul_ps(gy, oy));
        } else {
            return dot4(gx, gy, gz, ox, oy, oz);
        }
    };
    // Along x: corners k and k + 1.
    const auto along_x = [&](int k, __m128 oy, __m128 oz) QUILBET_INLINE {
        const __m128 low = d(k, fx, oy, oz);
        if constexpr (zx) {
            return low;
        } else {
            return lerp4(low, d(k + 1, fx1, oy, oz), fade4(fx));
        }
    };
    // Along y: the x-blends of rows k and k + 2.
    const auto along_y = [&](int k, __m128 oz) QUILBET_INLINE {
        const __m128 low = along_x(k, fy, oz);
        if constexpr (zy) {
            return low;
        } else {
            return lerp4(low, along_x(k + 2, fy1, oz), fade4(fy));
        }
    };
    const __m128 b0 = along_y(0, fz);
    if constexpr (zz) {
        return b0;
    } else {
        return lerp4(b0, along_y(4, fz1), fade4(fz));
    }
}

// blend4 with the zero axes given at run time (0 .. 6; 7, a lattice point in
// every lane, never reaches it).
template <typename Corner>
[[gnu::always_inline]] inline __m128 blend4_zero(int zero, Corner corner, __m128 fx, __m128 fy, __m128 fz) {
    switch (zero) {
        case 0: return blend4<0>(corner, fx, fy, fz);
        case 1: return blend4<1>(corner, fx, fy, fz);
        case 2: return blend4<2>(corner, fx, fy, fz);
        case 3: return blend4<3>(corner, fx, fy, fz);
        case 4: return blend4<4>(corner, fx, fy, fz);
        case 5: return blend4<5>(corner, fx, fy, fz);
        default: return blend4<6>(corner, fx, fy, fz);
    }
}

}  // namespace

// The once-rounded products P = float(scale * p) of octave_base, two points
// at a time. The product is taken in double: unless it lands exactly on a
// tie between two floats, rounding it to float gives what rounding the
// extended product gives (a tie is itself a double, so an extended product
// that would round onto it rounds to it in double too); ties go through
// octave_base. A zero product is one with a zero factor, as in extended
// precision; a P failing the plan's bounds sends its group to the plain path.
void NoiseLanes::prepare(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    if (lanes_ == 8) {
        prepare_avx2(count, p, scale, padded);
    } else if (scale != nullptr) {
        prepare_points<true>(count, p, scale, padded);
    } else {
        prepare_points<false>(count, p, scale, padded);
    }
}

template <bool Scaled>
void NoiseLanes::prepare_points(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    const __m128d low = _mm_set1_pd(plan_.low);
    const __m128d high = _mm_set1_pd(plan_.high);
    const __m128d zero = _mm_setzero_pd();
    const __m128d sign = _mm_set1_pd(-0.0);
    float* base[3] = {base_x_.data(), base_y_.data(), base_z_.data()};
    const std::size_t last = static_cast<std::size_t>(count - 1);
    __m128 whole = _mm_castsi128_ps(_mm_set1_epi32(-1));
    for (std::size_t j = 0; j < padded; j += 2) {
        const std::size_t k0 = j < last ? j : last;
        const std::size_t k1 = j + 1 < last ? j + 1 : last;
        const double* p0 = &p[k0].x;
        const double* p1 = &p[k1].x;
        __m128d ok = _mm_castsi128_pd(_mm_set1_epi32(-1));
        __m128d tie = _mm_setzero_pd();
        for (int a = 0; a < 3; ++a) {
            const __m128d pv = _mm_loadh_pd(_mm_load_sd(p0 + a), p1 + a);
            __m128d prod = pv;
            __m128d is_zero = _mm_cmpeq_pd(pv, zero);
            if constexpr (Scaled) {
                const __m128d sv = _mm_loadh_pd(_mm_load_sd(&scale[k0].x + a), &scale[k1].x + a);
                prod = _mm_mul_pd(sv, pv);
                is_zero = _mm_or_pd(is_zero, _mm_cmpeq_pd(sv, zero));
            }
            tie = _mm_or_pd(tie, float_ties(prod));
            const __m128 f = _mm_cvtpd_ps(prod);
            const __m128d m = _mm_andnot_pd(sign, _mm_cvtps_pd(f));
            ok = _mm_and_pd(ok, _mm_or_pd(is_zero, _mm_and_pd(_mm_cmpgt_pd(m, low), _mm_cmple_pd(m, high))));
            whole = _mm_and_ps(whole, _mm_cmpeq_ps(f, _mm_cvtepi32_ps(_mm_cvttps_epi32(f))));
            _mm_storel_pi(reinterpret_cast<__m64*>(base[a] + j), f);
        }
        if (_mm_movemask_pd(ok) != 3) plain_[j / static_cast<std::size_t>(lanes_)] = 1;
        const int ties = _mm_movemask_pd(tie);
        if (ties != 0) {
            whole = _mm_setzero_ps();
            if (ties & 1) prepare_point(j, p[k0], Scaled ? &scale[k0] : nullptr);
            if (ties & 2) prepare_point(j + 1, p[k1], Scaled ? &scale[k1] : nullptr);
        }
    }
    whole_ = (_mm_movemask_ps(whole) & 3) == 3;
}

void NoiseLanes::sweep_octave(int32_t octave, int32_t groups) {
    using namespace noise_kernel;
    const __m128 factor = _mm_set1_ps(plan_.factor[octave]);
    const double inverse_weight = plan_.inverse_weight[octave];
    const __m128d w = _mm_set1_pd(inverse_weight);
    const __m128 limit = _mm_set1_ps(8388608.0f);
    const __m128 sign = _mm_set1_ps(-0.0f);
    const __m128 zero = _mm_setzero_ps();
    const float* gp = tables_.grad_pairs.data();
    HashedCell& shared = shared_[static_cast<std::size_t>(octave)];
    HashedRow& row = rows_[static_cast<std::size_t>(octave)];
    for (int32_t group = 0; group < groups; ++group) {
        if (plain_[static_cast<std::size_t>(group)]) continue;
        const std::size_t at = static_cast<std::size_t>(group) * group4;
        const __m128 x = _mm_mul_ps(_mm_loadu_ps(&base_x_[at]), factor);
        const __m128 y = _mm_mul_ps(_mm_loadu_ps(&base_y_[at]), factor);
        const __m128 z = _mm_mul_ps(_mm_loadu_ps(&base_z_[at]), factor);
        __m128 value;
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(_mm_andnot_ps(sign, x), limit),
                                                    _mm_cmplt_ps(_mm_andnot_ps(sign, y), limit)),
                                         _mm_cmplt_ps(_mm_andnot_ps(sign, z), limit));
        if (_mm_movemask_ps(inside) != 0xF) {
            // Far or non-finite coordinates: the plain noise3, lane by lane.
            float px[group4], py[group4], pz[group4], v[group4];
            _mm_storeu_ps(px, x);
            _mm_storeu_ps(py, y);
            _mm_storeu_ps(pz, z);
            for (int j = 0; j < group4; ++j) v[j] = noise3(nt_, px[j], py[j], pz[j]);
            value = _mm_loadu_ps(v);
        } else {
            __m128i ix, iy, iz;
            const __m128 fx = lattice(x, ix);
            const __m128 fy = lattice(y, iy);
            const __m128 fz = lattice(z, iz);
            // Axes whose offset is 0 in all four lanes. At a lattice point every
            // offset and fade is 0 and noise3 is +-0, which leaves the sum as
            // it is (the sum is never -0).
            const int zero_axes = (_mm_movemask_ps(_mm_cmpeq_ps(fx, zero)) == 0xF ? 1 : 0) |
                                  (_mm_movemask_ps(_mm_cmpeq_ps(fy, zero)) == 0xF ? 2 : 0) |
                                  (_mm_movemask_ps(_mm_cmpeq_ps(fz, zero)) == 0xF ? 4 : 0);
            if (zero_axes == 7) continue;
            const __m128i key = _mm_or_si128(ix, _mm_or_si128(_mm_slli_epi32(iy, 8), _mm_slli_epi32(iz, 16)));
            const __m128i key0 = _mm_shuffle_epi32(key, _MM_SHUFFLE(0, 0, 0, 0));
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(key, key0)) == 0xFFFF) {
                // One cell for all lanes: each corner's gradient spread across the lanes.
                const uint32_t k0 = static_cast<uint32_t>(_mm_cvtsi128_si32(key));
                if (shared.key != k0) {
                    shared.key = k0;
                    shared.pairs = pairs_of(inner_of(row, k0), k0);
                }
                const uint32_t pairs = shared.pairs;
                value = blend4_zero(
                    zero_axes,
                    [pairs, gp](int k, __m128& gx, __m128& gy, __m128& gz) QUILBET_INLINE {
                        const float* e = gp + 8 * ((pairs >> (8 * (k >> 1))) & 255u);
                        const __m128 v = _mm_loadu_ps(e);
                        const __m128 w = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(e + 4));
                        if (k & 1) {
                            gx = _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1));
                            gy = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
                            gz = _mm_shuffle_ps(w, w, _MM_SHUFFLE(1, 1, 1, 1));
                        } else {
                            gx = _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 0, 0, 0));
                            gy = _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 2, 2));
                            gz = _mm_shuffle_ps(w, w, _MM_SHUFFLE(0, 0, 0, 0));
                        }
                    },
                    fx, fy, fz);
            } else if (_mm_movemask_epi8(_mm_cmpeq_epi32(key, _mm_shuffle_epi32(key, _MM_SHUFFLE(2, 2, 0, 0)))) ==
                       0xFFFF) {
                // Lanes 0, 1 in one cell and lanes 2, 3 in another (octaves whose
                // cells are two pixels wide): each corner's two gradients spread
                // across their lane pairs.
                uint32_t keys[group4];
                _mm_storeu_si128(reinterpret_cast<__m128i*>(keys), key);
                const uint32_t pairs_a = pairs_of(inner_of(row, keys[0]), keys[0]);
                const uint32_t pairs_b = pairs_of(inner_of(row, keys[2]), keys[2]);
                value = blend4_zero(
                    zero_axes,
                    [pairs_a, pairs_b, gp](int k, __m128& gx, __m128& gy, __m128& gz) QUILBET_INLINE {
                        const int shift = 8 * (k >> 1);
                        const float* ea = gp + 8 * ((pairs_a >> shift) & 255u);
                        const float* eb = gp + 8 * ((pairs_b >> shift) & 255u);
                        const __m128 va = _mm_loadu_ps(ea);
                        const __m128 vb = _mm_loadu_ps(eb);
                        const __m128 wa = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(ea + 4));
                        const __m128 wb = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(eb + 4));
                        if (k & 1) {
                            gx = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(1, 1, 1, 1));
                            gy = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(3, 3, 3, 3));
                            gz = _mm_shuffle_ps(wa, wb, _MM_SHUFFLE(1, 1, 1, 1));
                        } else {
                            gx = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(0, 0, 0, 0));
                            gy = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(2, 2, 2, 2));
                            gz = _mm_shuffle_ps(wa, wb, _MM_SHUFFLE(0, 0, 0, 0));
                        }
                    },
                    fx, fy, fz);
            } else {
                // Four cells: lane j's entries in bytes 4j .. 4j + 3, gathered
                // per row of corners with a 4 x 4 transpose.
                uint32_t keys[group4];
                _mm_storeu_si128(reinterpret_cast<__m128i*>(keys), key);
                const __m128i inner = _mm_setr_epi32(
                    static_cast<int32_t>(inner_of(row, keys[0])), static_cast<int32_t>(inner_of(row, keys[1])),
                    static_cast<int32_t>(inner_of(row, keys[2])), static_cast<int32_t>(inner_of(row, keys[3])));
                const __m128i x2 = _mm_or_si128(ix, _mm_slli_epi32(ix, 8));
                const __m128i x4 = _mm_or_si128(x2, _mm_slli_epi32(x2, 16));
                uint8_t entry[4 * group4];
                _mm_storeu_si128(reinterpret_cast<__m128i*>(entry), _mm_add_epi8(inner, x4));
                value = blend4_zero(
                    zero_axes,
                    [&entry, gp](int k, __m128& gx, __m128& gy, __m128& gz) QUILBET_INLINE {
                        const int r = k >> 1;
                        const float* e0 = gp + 8 * entry[r];
                        const float* e1 = gp + 8 * entry[4 + r];
                        const float* e2 = gp + 8 * entry[8 + r];
                        const float* e3 = gp + 8 * entry[12 + r];
                        const __m128 v0 = _mm_loadu_ps(e0);   // gx gx' gy gy' of lane 0
                        const __m128 v1 = _mm_loadu_ps(e1);
                        const __m128 v2 = _mm_loadu_ps(e2);
                        const __m128 v3 = _mm_loadu_ps(e3);
                        const auto z_pair = [](const float* e) { return reinterpret_cast<const __m64*>(e + 4); };
                        // gz gz' of lanes 0 and 1, then of lanes 2 and 3.
                        const __m128 w01 = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), z_pair(e0)), z_pair(e1));
                        const __m128 w23 = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), z_pair(e2)), z_pair(e3));
                        if (k & 1) {
                            gx = _mm_movehl_ps(_mm_unpacklo_ps(v2, v3), _mm_unpacklo_ps(v0, v1));
                            gy = _mm_movehl_ps(_mm_unpackhi_ps(v2, v3), _mm_unpackhi_ps(v0, v1));
                            gz = _mm_shuffle_ps(w01, w23, _MM_SHUFFLE(3, 1, 3, 1));
                        } else {
                            gx = _mm_movelh_ps(_mm_unpacklo_ps(v0, v1), _mm_unpacklo_ps(v2, v3));
                            gy = _mm_movelh_ps(_mm_unpackhi_ps(v0, v1), _mm_unpackhi_ps(v2, v3));
                            gz = _mm_shuffle_ps(w01, w23, _MM_SHUFFLE(2, 0, 2, 0));
                        }
                    },
                    fx, fy, fz);
            }
        }
        // sum + value / 2^i per lane, through the two-sum test of add_octave;
        // lanes whose double sum is inexact take add_octave's extended sum.
        double* sum = &sums_[at];
        const __m128d sum01 = _mm_loadu_pd(sum);
        const __m128d sum23 = _mm_loadu_pd(sum + 2);
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
            _mm_storeu_pd(sum, s01);
            _mm_storeu_pd(sum + 2, s23);
        } else {
            float v[group4];
            _mm_storeu_ps(v, value);
            for (int j = 0; j < group4; ++j) sum[j] = add_octave(sum[j], v[j], inverse_weight);
        }
    }
}

#else

void NoiseLanes::prepare(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    const std::size_t last = static_cast<std::size_t>(count - 1);
    whole_ = false;
    for (std::size_t j = 0; j < padded; ++j) {
        const std::size_t k = j < last ? j : last;
        prepare_point(j, p[k], scale != nullptr ? &scale[k] : nullptr);
    }
}

// Without SSE2 every group takes the plain path.
void NoiseLanes::sweep_octave(int32_t, int32_t groups) {
    for (int32_t group = 0; group < groups; ++group) plain_[static_cast<std::size_t>(group)] = 1;
}

#endif

}  // namespace quilbet
