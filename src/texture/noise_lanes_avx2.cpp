// The eight-lane octave sweep for processors with AVX2 (see noise_lanes.hpp).
//
// Each lane runs the operations of noise_kernel::blend on its own point, in
// the same order and in single precision, exactly as the four SSE2 lanes do;
// 256-bit adds, subtractions and multiplies round each lane as the scalar
// operations do, and the code is compiled for AVX2 alone (no FMA), so no
// multiply is ever fused with an add. Only the way the corner gradients reach
// the lanes differs: broadcast from one cell, from two cells (one per half),
// or loaded per lane and transposed within each 128-bit half.
#include "texture/noise_lanes.hpp"

#ifdef QUILBET_NOISE_LANES_AVX2

#include <immintrin.h>

// Everything below, lambdas included, is built for AVX2 (and so is only
// called once eight_lanes_supported() has said yes).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
// Vector arguments of the inlined helpers never cross a call boundary.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

#define QUILBET_INLINE8 __attribute__((always_inline))

namespace quilbet {

namespace {

constexpr int lanes8 = 8;

// The gradients of one (Y, Z) row of corners in all lanes: the corner at X0
// and the corner at X1.
struct RowGradients {
    __m256 gx0, gy0, gz0, gx1, gy1, gz1;
};

// v - floor(v) per lane and floor(v) modulo 256, for |v| < 2^23. The floor
// is the truncation one lower where v - t < 0, as noise_kernel::lattice_cell
// takes it, and the offset v - floor(v) the same exact difference, except
// that v = -0 gives +0 here and -0 there: a zero offset of either sign fades
// to +0 and only ever makes zero products, which leave every nonzero result
// and every octave sum (never -0) as they are.
inline QUILBET_INLINE8 __m256 lattice8(__m256 v, __m256i& index) {
    const __m256 floor = _mm256_round_ps(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    index = _mm256_and_si256(_mm256_cvttps_epi32(floor), _mm256_set1_epi32(255));
    return _mm256_sub_ps(v, floor);
}

inline QUILBET_INLINE8 __m256 fade8(__m256 t) {
    return _mm256_mul_ps(_mm256_mul_ps(t, t), _mm256_sub_ps(_mm256_set1_ps(3.0f), _mm256_mul_ps(_mm256_set1_ps(2.0f), t)));
}

inline QUILBET_INLINE8 __m256 lerp8(__m256 a, __m256 b, __m256 s) {
    return _mm256_add_ps(a, _mm256_mul_ps(s, _mm256_sub_ps(b, a)));
}

// The trilinear blend on eight lanes; row(r, g) supplies the gradients of
// corner row r (0: (Y0, Z0), 1: (Y1, Z0), 2: (Y0, Z1), 3: (Y1, Z1)).
// Zero names the axes whose offset is 0 in every lane, skipped as in the
// four-lane blend (the skipped terms are zeros that leave every nonzero
// result, and every octave sum, as it is).
template <int Zero, typename Row>
inline QUILBET_INLINE8 __m256 blend8(Row row, __m256 fx, __m256 fy, __m256 fz) {
    constexpr bool zx = (Zero & 1) != 0;
    constexpr bool zy = (Zero & 2) != 0;
    constexpr bool zz = (Zero & 4) != 0;
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 fx1 = _mm256_sub_ps(fx, one);
    const __m256 fy1 = _mm256_sub_ps(fy, one);
    const __m256 fz1 = _mm256_sub_ps(fz, one);
    // (gx ox + gy oy) + gz oz, the order of noise_kernel::dot, leaving out the zero axes.
    const auto d = [](__m256 gx, __m256 gy, __m256 gz, __m256 ox, __m256 oy, __m256 oz) QUILBET_INLINE8 {
        if constexpr (zx) {
            if constexpr (zy) return _mm256_mul_ps(gz, oz);
            else if constexpr (zz) return _mm256_mul_ps(gy, oy);
            else return _mm256_add_ps(_mm256_mul_ps(gy, oy), _mm256_mul_ps(gz, oz));
        } else if constexpr (zy) {
            if constexpr (zz) return _mm256_mul_ps(gx, ox);
            else return _mm256_add_ps(_mm256_mul_ps(gx, ox), _mm256_mul_ps(gz, oz));
        } else if constexpr (zz) {
            return _mm256_add_ps(_mm256_mul_ps(gx, ox), _mm256_mul_ps(gy, oy));
        } else {
            return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(gx, ox), _mm256_mul_ps(gy, oy)), _mm256_mul_ps(gz, oz));
        }
    };
    // Along x within corner row r.
    const auto along_x = [&](int r, __m256 oy, __m256 oz) QUILBET_INLINE8 {
        RowGradients g;
        row(r, g);
        const __m256 low = d(g.gx0, g.gy0, g.gz0, fx, oy, oz);
        if constexpr (zx) {
            return low;
        } else {
            return lerp8(low, d(g.gx1, g.gy1, g.gz1, fx1, oy, oz), fade8(fx));
        }
    };
    // Along y: corner rows r and r + 1.
    const auto along_y = [&](int r, __m256 oz) QUILBET_INLINE8 {
        const __m256 low = along_x(r, fy, oz);
        if constexpr (zy) {
            return low;
        } else {
            return lerp8(low, along_x(r + 1, fy1, oz), fade8(fy));
        }
    };
    const __m256 b0 = along_y(0, fz);
    if constexpr (zz) {
        return b0;
    } else {
        return lerp8(b0, along_y(2, fz1), fade8(fz));
    }
}

// blend8 with the zero axes given at run time (0 .. 6).
template <typename Row>
inline QUILBET_INLINE8 __m256 blend8_zero(int zero, Row row, __m256 fx, __m256 fy, __m256 fz) {
    switch (zero) {
        case 0: return blend8<0>(row, fx, fy, fz);
        case 1: return blend8<1>(row, fx, fy, fz);
        case 2: return blend8<2>(row, fx, fy, fz);
        case 3: return blend8<3>(row, fx, fy, fz);
        case 4: return blend8<4>(row, fx, fy, fz);
        case 5: return blend8<5>(row, fx, fy, fz);
        default: return blend8<6>(row, fx, fy, fz);
    }
}

inline QUILBET_INLINE8 __m256 halves(__m128 low, __m128 high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

// gz gz' of entries a and b, side by side.
inline QUILBET_INLINE8 __m128 z_pairs(const float* a, const float* b) {
    return _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(a + 4)),
                        reinterpret_cast<const __m64*>(b + 4));
}

inline QUILBET_INLINE8 bool all_equal(__m256i v) {
    const __m256i first = _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256());
    return _mm256_movemask_epi8(_mm256_cmpeq_epi32(v, first)) == -1;
}

// All ones in the 64-bit lanes where the double d lies exactly halfway
// between two neighbouring floats of normal precision (its 29 bits below a
// float's precision are 1000...0): rounding it to float hangs on the tie.
inline QUILBET_INLINE8 __m256d float_ties4(__m256d d) {
    const __m256i low = _mm256_and_si256(_mm256_castpd_si256(d), _mm256_set1_epi64x(0x1FFFFFFF));
    return _mm256_castsi256_pd(_mm256_cmpeq_epi64(low, _mm256_set1_epi64x(0x10000000)));
}

}  // namespace

// The once-rounded products P = float(scale * p), four points at a time, as
// the SSE2 preparation takes them: the product in double, which rounds to the
// float of the extended product unless it is a tie between two floats (those
// points go through octave_base); a zero product is one with a zero factor; a
// P failing the plan's bounds sends its group to the plain path.
void NoiseLanes::prepare_avx2(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    const bool scaled = scale != nullptr;
    const __m256d low = _mm256_set1_pd(plan_.low);
    const __m256d high = _mm256_set1_pd(plan_.high);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d sign = _mm256_set1_pd(-0.0);
    float* base[3] = {base_x_.data(), base_y_.data(), base_z_.data()};
    const std::size_t last = static_cast<std::size_t>(count - 1);
    __m128 whole = _mm_castsi128_ps(_mm_set1_epi32(-1));
    for (std::size_t j = 0; j < padded; j += 4) {
        // Lanes past the end repeat the last point.
        std::size_t k[4];
        for (std::size_t i = 0; i < 4; ++i) k[i] = j + i < last ? j + i : last;
        __m256d ok = _mm256_castsi256_pd(_mm256_set1_epi32(-1));
        __m256d tie = _mm256_setzero_pd();
        for (int a = 0; a < 3; ++a) {
            const __m256d pv = _mm256_setr_pd((&p[k[0]].x)[a], (&p[k[1]].x)[a], (&p[k[2]].x)[a], (&p[k[3]].x)[a]);
            __m256d prod = pv;
            __m256d is_zero = _mm256_cmp_pd(pv, zero, _CMP_EQ_OQ);
            if (scaled) {
                const __m256d sv = _mm256_setr_pd((&scale[k[0]].x)[a], (&scale[k[1]].x)[a], (&scale[k[2]].x)[a],
                                                  (&scale[k[3]].x)[a]);
                prod = _mm256_mul_pd(sv, pv);
                is_zero = _mm256_or_pd(is_zero, _mm256_cmp_pd(sv, zero, _CMP_EQ_OQ));
            }
            tie = _mm256_or_pd(tie, float_ties4(prod));
            const __m128 f = _mm256_cvtpd_ps(prod);
            const __m256d m = _mm256_andnot_pd(sign, _mm256_cvtps_pd(f));
            const __m256d in_range = _mm256_and_pd(_mm256_cmp_pd(m, low, _CMP_GT_OQ), _mm256_cmp_pd(m, high, _CMP_LE_OQ));
            ok = _mm256_and_pd(ok, _mm256_or_pd(is_zero, in_range));
            whole = _mm_and_ps(whole, _mm_cmpeq_ps(f, _mm_cvtepi32_ps(_mm_cvttps_epi32(f))));
            _mm_storeu_ps(base[a] + j, f);
        }
        if (_mm256_movemask_pd(ok) != 0xF) plain_[j / lanes8] = 1;
        const int ties = _mm256_movemask_pd(tie);
        if (ties != 0) {
            whole = _mm_setzero_ps();
            for (std::size_t i = 0; i < 4; ++i) {
                if (ties >> i & 1) prepare_point(j + i, p[k[i]], scaled ? &scale[k[i]] : nullptr);
            }
        }
    }
    whole_ = _mm_movemask_ps(whole) == 0xF;
}

void NoiseLanes::sweep_octave_avx2(int32_t octave, int32_t groups) {
    using namespace noise_kernel;
    const __m256 factor = _mm256_set1_ps(plan_.factor[octave]);
    const double inverse_weight = plan_.inverse_weight[octave];
    const __m256d w = _mm256_set1_pd(inverse_weight);
    const __m256 limit = _mm256_set1_ps(8388608.0f);
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256 zero = _mm256_setzero_ps();
    const __m256i byte = _mm256_set1_epi32(255);
    const float* gp = tables_.grad_pairs.data();
    const int* pair_table = reinterpret_cast<const int*>(tables_.pair);
    HashedCell& shared = shared_[static_cast<std::size_t>(octave)];
    HashedRow& row = rows_[static_cast<std::size_t>(octave)];
    for (int32_t group = 0; group < groups; ++group) {
        if (plain_[static_cast<std::size_t>(group)]) continue;
        const std::size_t at = static_cast<std::size_t>(group) * lanes8;
        const __m256 x = _mm256_mul_ps(_mm256_loadu_ps(&base_x_[at]), factor);
        const __m256 y = _mm256_mul_ps(_mm256_loadu_ps(&base_y_[at]), factor);
        const __m256 z = _mm256_mul_ps(_mm256_loadu_ps(&base_z_[at]), factor);
        __m256 value;
        const __m256 inside =
            _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(_mm256_andnot_ps(sign, x), limit, _CMP_LT_OQ),
                                        _mm256_cmp_ps(_mm256_andnot_ps(sign, y), limit, _CMP_LT_OQ)),
                          _mm256_cmp_ps(_mm256_andnot_ps(sign, z), limit, _CMP_LT_OQ));
        if (_mm256_movemask_ps(inside) != 0xFF) {
            // Far or non-finite coordinates: the plain noise3, lane by lane.
            float px[lanes8], py[lanes8], pz[lanes8], v[lanes8];
            _mm256_storeu_ps(px, x);
            _mm256_storeu_ps(py, y);
            _mm256_storeu_ps(pz, z);
            for (int j = 0; j < lanes8; ++j) v[j] = noise3(nt_, px[j], py[j], pz[j]);
            value = _mm256_loadu_ps(v);
        } else {
            __m256i ix, iy, iz;
            const __m256 fx = lattice8(x, ix);
            const __m256 fy = lattice8(y, iy);
            const __m256 fz = lattice8(z, iz);
            // Axes whose offset is 0 in all lanes; at a lattice point in every
            // lane the octave adds +-0, which leaves the sums as they are.
            const int zero_axes = (_mm256_movemask_ps(_mm256_cmp_ps(fx, zero, _CMP_EQ_OQ)) == 0xFF ? 1 : 0) |
                                  (_mm256_movemask_ps(_mm256_cmp_ps(fy, zero, _CMP_EQ_OQ)) == 0xFF ? 2 : 0) |
                                  (_mm256_movemask_ps(_mm256_cmp_ps(fz, zero, _CMP_EQ_OQ)) == 0xFF ? 4 : 0);
            if (zero_axes == 7) continue;
            const __m256i yz = _mm256_or_si256(iy, _mm256_slli_epi32(iz, 8));
            const __m256i key = _mm256_or_si256(ix, _mm256_slli_epi32(yz, 8));
            alignas(32) uint32_t keys[lanes8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(keys), key);
            // Whether lanes 0 .. 3 share lane 0's cell and lanes 4 .. 7 lane 4's.
            const __m256i halves_keys = _mm256_permutevar8x32_epi32(key, _mm256_setr_epi32(0, 0, 0, 0, 4, 4, 4, 4));
            const bool halves_alike = _mm256_movemask_epi8(_mm256_cmpeq_epi32(key, halves_keys)) == -1;
            if (halves_alike && keys[0] == keys[4]) {
                // One cell for all lanes: each corner's gradient spread across the lanes.
                const uint32_t k0 = keys[0];
                if (shared.key != k0) {
                    shared.key = k0;
                    shared.pairs = pairs_of(inner_of(row, k0), k0);
                }
                const uint32_t pairs = shared.pairs;
                value = blend8_zero(
                    zero_axes,
                    [pairs, gp](int r, RowGradients& g) QUILBET_INLINE8 {
                        const float* e = gp + 8 * ((pairs >> (8 * r)) & 255u);
                        g.gx0 = _mm256_broadcast_ss(e);
                        g.gx1 = _mm256_broadcast_ss(e + 1);
                        g.gy0 = _mm256_broadcast_ss(e + 2);
                        g.gy1 = _mm256_broadcast_ss(e + 3);
                        g.gz0 = _mm256_broadcast_ss(e + 4);
                        g.gz1 = _mm256_broadcast_ss(e + 5);
                    },
                    fx, fy, fz);
            } else if (halves_alike) {
                // Lanes 0 .. 3 in one cell and lanes 4 .. 7 in another.
                const uint32_t pairs_a = pairs_of(inner_of(row, keys[0]), keys[0]);
                const uint32_t pairs_b = pairs_of(inner_of(row, keys[4]), keys[4]);
                value = blend8_zero(
                    zero_axes,
                    [pairs_a, pairs_b, gp](int r, RowGradients& g) QUILBET_INLINE8 {
                        const float* ea = gp + 8 * ((pairs_a >> (8 * r)) & 255u);
                        const float* eb = gp + 8 * ((pairs_b >> (8 * r)) & 255u);
                        g.gx0 = halves(_mm_broadcast_ss(ea), _mm_broadcast_ss(eb));
                        g.gx1 = halves(_mm_broadcast_ss(ea + 1), _mm_broadcast_ss(eb + 1));
                        g.gy0 = halves(_mm_broadcast_ss(ea + 2), _mm_broadcast_ss(eb + 2));
                        g.gy1 = halves(_mm_broadcast_ss(ea + 3), _mm_broadcast_ss(eb + 3));
                        g.gz0 = halves(_mm_broadcast_ss(ea + 4), _mm_broadcast_ss(eb + 4));
                        g.gz1 = halves(_mm_broadcast_ss(ea + 5), _mm_broadcast_ss(eb + 5));
                    },
                    fx, fy, fz);
            } else {
                // Cells lane by lane. The inner hashes of the four corner rows,
                // perm[perm[Z] + Y] for (Y0, Z0), (Y1, Z0), (Y0, Z1), (Y1, Z1):
                // from the last (y, z) row when all lanes share it, otherwise
                // gathered from the pair table (perm[v] and perm[v + 1] per entry).
                __m256i inner[4];
                if (all_equal(yz)) {
                    const uint32_t in = inner_of(row, keys[0]);
                    for (int r = 0; r < 4; ++r) inner[r] = _mm256_set1_epi32(static_cast<int>((in >> (8 * r)) & 255u));
                } else {
                    const __m256i zs = _mm256_i32gather_epi32(pair_table, iz, 4);
                    const __m256i z0 = _mm256_and_si256(zs, byte);
                    const __m256i z1 = _mm256_srli_epi32(zs, 8);
                    const __m256i rows_z0 =
                        _mm256_i32gather_epi32(pair_table, _mm256_and_si256(_mm256_add_epi32(z0, iy), byte), 4);
                    const __m256i rows_z1 =
                        _mm256_i32gather_epi32(pair_table, _mm256_and_si256(_mm256_add_epi32(z1, iy), byte), 4);
                    inner[0] = _mm256_and_si256(rows_z0, byte);
                    inner[1] = _mm256_srli_epi32(rows_z0, 8);
                    inner[2] = _mm256_and_si256(rows_z1, byte);
                    inner[3] = _mm256_srli_epi32(rows_z1, 8);
                }
                // Entry of row r in lane j: (inner + X0) modulo 256, as a float offset.
                alignas(32) uint32_t entry[4][lanes8];
                for (int r = 0; r < 4; ++r) {
                    const __m256i e = _mm256_slli_epi32(_mm256_and_si256(_mm256_add_epi32(inner[r], ix), byte), 3);
                    _mm256_store_si256(reinterpret_cast<__m256i*>(entry[r]), e);
                }
                value = blend8_zero(
                    zero_axes,
                    [&entry, gp](int r, RowGradients& g) QUILBET_INLINE8 {
                        const uint32_t* en = entry[r];
                        const float* e0 = gp + en[0];
                        const float* e1 = gp + en[1];
                        const float* e2 = gp + en[2];
                        const float* e3 = gp + en[3];
                        const float* e4 = gp + en[4];
                        const float* e5 = gp + en[5];
                        const float* e6 = gp + en[6];
                        const float* e7 = gp + en[7];
                        // gx gx' gy gy' of lane j in the low half, of lane j + 4 in the high half.
                        const __m256 v0 = halves(_mm_loadu_ps(e0), _mm_loadu_ps(e4));
                        const __m256 v1 = halves(_mm_loadu_ps(e1), _mm_loadu_ps(e5));
                        const __m256 v2 = halves(_mm_loadu_ps(e2), _mm_loadu_ps(e6));
                        const __m256 v3 = halves(_mm_loadu_ps(e3), _mm_loadu_ps(e7));
                        const __m256 x01 = _mm256_unpacklo_ps(v0, v1);   // gx0 gx1 gx0' gx1' | lanes 4, 5
                        const __m256 x23 = _mm256_unpacklo_ps(v2, v3);
                        const __m256 y01 = _mm256_unpackhi_ps(v0, v1);   // gy0 gy1 gy0' gy1' | lanes 4, 5
                        const __m256 y23 = _mm256_unpackhi_ps(v2, v3);
                        g.gx0 = _mm256_shuffle_ps(x01, x23, _MM_SHUFFLE(1, 0, 1, 0));
                        g.gx1 = _mm256_shuffle_ps(x01, x23, _MM_SHUFFLE(3, 2, 3, 2));
                        g.gy0 = _mm256_shuffle_ps(y01, y23, _MM_SHUFFLE(1, 0, 1, 0));
                        g.gy1 = _mm256_shuffle_ps(y01, y23, _MM_SHUFFLE(3, 2, 3, 2));
                        // gz gz' of lanes 0, 1 | 4, 5, then of lanes 2, 3 | 6, 7.
                        const __m256 z01 = halves(z_pairs(e0, e1), z_pairs(e4, e5));
                        const __m256 z23 = halves(z_pairs(e2, e3), z_pairs(e6, e7));
                        g.gz0 = _mm256_shuffle_ps(z01, z23, _MM_SHUFFLE(2, 0, 2, 0));
                        g.gz1 = _mm256_shuffle_ps(z01, z23, _MM_SHUFFLE(3, 1, 3, 1));
                    },
                    fx, fy, fz);
            }
        }
        // sum + value / 2^i per lane, through the two-sum test of add_octave;
        // lanes whose double sum is inexact take add_octave's extended sum.
        double* sum = &sums_[at];
        const __m256d sum_lo = _mm256_loadu_pd(sum);
        const __m256d sum_hi = _mm256_loadu_pd(sum + 4);
        const __m256d t_lo = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(value)), w);
        const __m256d t_hi = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(value, 1)), w);
        const __m256d s_lo = _mm256_add_pd(sum_lo, t_lo);
        const __m256d s_hi = _mm256_add_pd(sum_hi, t_hi);
        const __m256d v_lo = _mm256_sub_pd(s_lo, sum_lo);
        const __m256d v_hi = _mm256_sub_pd(s_hi, sum_hi);
        const __m256d e_lo = _mm256_add_pd(_mm256_sub_pd(sum_lo, _mm256_sub_pd(s_lo, v_lo)), _mm256_sub_pd(t_lo, v_lo));
        const __m256d e_hi = _mm256_add_pd(_mm256_sub_pd(sum_hi, _mm256_sub_pd(s_hi, v_hi)), _mm256_sub_pd(t_hi, v_hi));
        const __m256d zero_d = _mm256_setzero_pd();
        if ((_mm256_movemask_pd(_mm256_cmp_pd(e_lo, zero_d, _CMP_NEQ_UQ)) |
             _mm256_movemask_pd(_mm256_cmp_pd(e_hi, zero_d, _CMP_NEQ_UQ))) == 0) {
            _mm256_storeu_pd(sum, s_lo);
            _mm256_storeu_pd(sum + 4, s_hi);
        } else {
            float v[lanes8];
            _mm256_storeu_ps(v, value);
            for (int j = 0; j < lanes8; ++j) sum[j] = add_octave(sum[j], v[j], inverse_weight);
        }
    }
}

}  // namespace quilbet

#pragma GCC diagnostic pop
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

namespace quilbet {

// Never chosen without AVX2 support in the build (see eight_lanes_supported).
void NoiseLanes::sweep_octave_avx2(int32_t octave, int32_t groups) { sweep_octave(octave, groups); }
void NoiseLanes::prepare_avx2(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    for (std::size_t j = 0; j < padded; ++j) {
        const std::size_t k = j < static_cast<std::size_t>(count - 1) ? j : static_cast<std::size_t>(count - 1);
        prepare_point(j, p[k], scale != nullptr ? &scale[k] : nullptr);
    }
    whole_ = false;
}

}  // namespace quilbet

#endif
