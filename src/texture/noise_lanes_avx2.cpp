// The eight-lane octave sweep for processors with AVX2: the lane type of
// noise_sweep.hpp over 256-bit registers, and the sampler's eight-lane entry
// points. 256-bit adds, subtractions and multiplies round each lane as the
// scalar operations do, and the unit is compiled for AVX2 alone (no FMA), so
// no multiply is ever fused with an add.
#include "texture/noise_lanes.hpp"

#ifdef QUILBET_NOISE_LANES_AVX2

#include <immintrin.h>

// Everything below, the sweep of noise_sweep.hpp and its lambdas included, is
// built for AVX2 (and so is only called once eight_lanes_supported() has said yes).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
// Vector arguments of the inlined helpers never cross a call boundary.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

#include "texture/noise_sweep.hpp"

namespace quilbet {

namespace {

// Eight float lanes in one 256-bit register; doubles four at a time. Where
// gradients are loaded per lane, lanes j and j + 4 share a load pattern, one
// in each 128-bit half.
struct EightLanes {
    static constexpr int count = 8;
    static constexpr int all = 0xFF;
    static constexpr int all_doubles = 0xF;
    using Floats = __m256;
    using Ints = __m256i;
    using Doubles = __m256d;
    using FloatsOfDoubles = __m128;   // four floats

    [[gnu::always_inline]] static Floats splat(float v) { return _mm256_set1_ps(v); }
    [[gnu::always_inline]] static Ints splat(int32_t v) { return _mm256_set1_epi32(v); }
    [[gnu::always_inline]] static Doubles splat(double v) { return _mm256_set1_pd(v); }
    [[gnu::always_inline]] static Floats zeros_f() { return _mm256_setzero_ps(); }
    [[gnu::always_inline]] static Doubles zeros_d() { return _mm256_setzero_pd(); }
    [[gnu::always_inline]] static Doubles ones_d() { return _mm256_castsi256_pd(_mm256_set1_epi32(-1)); }
    [[gnu::always_inline]] static Floats load(const float* p) { return _mm256_loadu_ps(p); }
    [[gnu::always_inline]] static Doubles load(const double* p) { return _mm256_loadu_pd(p); }
    [[gnu::always_inline]] static void store(float* p, Floats v) { _mm256_storeu_ps(p, v); }
    [[gnu::always_inline]] static void store(double* p, Doubles v) { _mm256_storeu_pd(p, v); }
    [[gnu::always_inline]] static void store(uint32_t* p, Ints v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }

    [[gnu::always_inline]] static Floats add(Floats a, Floats b) { return _mm256_add_ps(a, b); }
    [[gnu::always_inline]] static Floats sub(Floats a, Floats b) { return _mm256_sub_ps(a, b); }
    [[gnu::always_inline]] static Floats mul(Floats a, Floats b) { return _mm256_mul_ps(a, b); }
    [[gnu::always_inline]] static Floats abs(Floats v) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v); }
    [[gnu::always_inline]] static Floats and_(Floats a, Floats b) { return _mm256_and_ps(a, b); }
    [[gnu::always_inline]] static Doubles add(Doubles a, Doubles b) { return _mm256_add_pd(a, b); }
    [[gnu::always_inline]] static Doubles sub(Doubles a, Doubles b) { return _mm256_sub_pd(a, b); }
    [[gnu::always_inline]] static Doubles mul(Doubles a, Doubles b) { return _mm256_mul_pd(a, b); }
    [[gnu::always_inline]] static Doubles abs(Doubles v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
    [[gnu::always_inline]] static Doubles and_(Doubles a, Doubles b) { return _mm256_and_pd(a, b); }
    [[gnu::always_inline]] static Doubles or_(Doubles a, Doubles b) { return _mm256_or_pd(a, b); }
    [[gnu::always_inline]] static Ints add(Ints a, Ints b) { return _mm256_add_epi32(a, b); }
    [[gnu::always_inline]] static Ints and_(Ints a, Ints b) { return _mm256_and_si256(a, b); }
    [[gnu::always_inline]] static Ints or_(Ints a, Ints b) { return _mm256_or_si256(a, b); }
    template <int N>
    [[gnu::always_inline]] static Ints shift_left(Ints v) { return _mm256_slli_epi32(v, N); }
    template <int N>
    [[gnu::always_inline]] static Ints shift_right(Ints v) { return _mm256_srli_epi32(v, N); }

    [[gnu::always_inline]] static Floats less(Floats a, Floats b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
    [[gnu::always_inline]] static Floats equal(Floats a, Floats b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
    [[gnu::always_inline]] static int mask(Floats v) { return _mm256_movemask_ps(v); }
    [[gnu::always_inline]] static int mask(Doubles v) { return _mm256_movemask_pd(v); }
    [[gnu::always_inline]] static Doubles nonzero(Doubles v) {
        return _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_NEQ_UQ);
    }
    [[gnu::always_inline]] static Doubles equal_zero(Doubles v) {
        return _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_EQ_OQ);
    }
    [[gnu::always_inline]] static Doubles greater(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    [[gnu::always_inline]] static Doubles not_above(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }

    // v - floor(v) per lane and floor(v) modulo 256, for |v| < 2^23. The
    // floor is the truncation one lower where v - t < 0, as
    // noise_kernel::lattice_cell takes it, and the offset v - floor(v) the
    // same exact difference, except that v = -0 gives +0 here and -0 there:
    // a zero offset of either sign fades to +0 and only ever makes zero
    // products, which leave every nonzero result and every octave sum (never
    // -0) as they are.
    [[gnu::always_inline]] static Floats lattice(Floats v, Ints& index) {
        const __m256 floor = _mm256_round_ps(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        index = _mm256_and_si256(_mm256_cvttps_epi32(floor), _mm256_set1_epi32(255));
        return _mm256_sub_ps(v, floor);
    }

    [[gnu::always_inline]] static Doubles low_doubles(Floats v) { return _mm256_cvtps_pd(_mm256_castps256_ps128(v)); }
    [[gnu::always_inline]] static Doubles high_doubles(Floats v) {
        return _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1));
    }

    // Component a of points k[0] .. k[3].
    [[gnu::always_inline]] static Doubles column(const Vec3* p, const std::size_t* k, int a) {
        return _mm256_setr_pd((&p[k[0]].x)[a], (&p[k[1]].x)[a], (&p[k[2]].x)[a], (&p[k[3]].x)[a]);
    }
    // All ones where the double d lies exactly halfway between two
    // neighbouring floats of normal precision (its 29 bits below a float's
    // precision are 1000...0): rounding it to float hangs on the tie.
    [[gnu::always_inline]] static Doubles float_ties(Doubles d) {
        const __m256i low = _mm256_and_si256(_mm256_castpd_si256(d), _mm256_set1_epi64x(0x1FFFFFFF));
        return _mm256_castsi256_pd(_mm256_cmpeq_epi64(low, _mm256_set1_epi64x(0x10000000)));
    }
    [[gnu::always_inline]] static FloatsOfDoubles to_floats(Doubles d) { return _mm256_cvtpd_ps(d); }
    [[gnu::always_inline]] static Doubles widen(FloatsOfDoubles f) { return _mm256_cvtps_pd(f); }
    [[gnu::always_inline]] static void store_floats(float* p, FloatsOfDoubles f) { _mm_storeu_ps(p, f); }
    // All ones in the lanes holding whole numbers below 2^31.
    [[gnu::always_inline]] static FloatsOfDoubles whole_numbers(FloatsOfDoubles f) {
        return _mm_cmpeq_ps(f, _mm_cvtepi32_ps(_mm_cvttps_epi32(f)));
    }
    [[gnu::always_inline]] static FloatsOfDoubles and_(FloatsOfDoubles a, FloatsOfDoubles b) {
        return _mm_and_ps(a, b);
    }
    // Every lane of a whole_numbers mask set.
    [[gnu::always_inline]] static bool all_whole(FloatsOfDoubles mask) { return _mm_movemask_ps(mask) == 0xF; }

    [[gnu::always_inline]] static bool all_equal(Ints v) {
        const __m256i first = _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256());
        return _mm256_movemask_epi8(_mm256_cmpeq_epi32(v, first)) == -1;
    }
    // How the cell keys v spread: lanes 0 .. 3 and lanes 4 .. 7 alike and
    // lane 0 like lane 4, only the halves alike, or neither.
    [[gnu::always_inline]] static noise_sweep::Cells cells(Ints v) {
        const __m256i firsts = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 0, 0, 0, 4, 4, 4, 4));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(v, firsts)) != -1) return noise_sweep::Cells::per_lane;
        return _mm256_extract_epi32(v, 0) == _mm256_extract_epi32(v, 4) ? noise_sweep::Cells::one
                                                                         : noise_sweep::Cells::two_halves;
    }
    [[gnu::always_inline]] static Ints gather(const uint32_t* table, Ints index) {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), index, 4);
    }

    // The gradient-pair entry e (gx gx' gy gy' gz gz') in every lane.
    [[gnu::always_inline]] static void spread(const float* e, RowGradients<EightLanes>& g) {
        g.gx0 = _mm256_broadcast_ss(e);
        g.gx1 = _mm256_broadcast_ss(e + 1);
        g.gy0 = _mm256_broadcast_ss(e + 2);
        g.gy1 = _mm256_broadcast_ss(e + 3);
        g.gz0 = _mm256_broadcast_ss(e + 4);
        g.gz1 = _mm256_broadcast_ss(e + 5);
    }
    // Entry a in lanes 0 .. 3, entry b in lanes 4 .. 7.
    [[gnu::always_inline]] static void spread_halves(const float* a, const float* b, RowGradients<EightLanes>& g) {
        g.gx0 = halves(_mm_broadcast_ss(a), _mm_broadcast_ss(b));
        g.gx1 = halves(_mm_broadcast_ss(a + 1), _mm_broadcast_ss(b + 1));
        g.gy0 = halves(_mm_broadcast_ss(a + 2), _mm_broadcast_ss(b + 2));
        g.gy1 = halves(_mm_broadcast_ss(a + 3), _mm_broadcast_ss(b + 3));
        g.gz0 = halves(_mm_broadcast_ss(a + 4), _mm_broadcast_ss(b + 4));
        g.gz1 = halves(_mm_broadcast_ss(a + 5), _mm_broadcast_ss(b + 5));
    }
    // Entry gp + offset[j] in lane j, by 4 x 4 transposes within each 128-bit half.
    [[gnu::always_inline]] static void transpose(const float* gp, const uint32_t* offset, RowGradients<EightLanes>& g) {
        const float* e[8];
        for (int j = 0; j < 8; ++j) e[j] = gp + offset[j];
        // gx gx' gy gy' of lane j in the low half, of lane j + 4 in the high half.
        const __m256 v0 = halves(_mm_loadu_ps(e[0]), _mm_loadu_ps(e[4]));
        const __m256 v1 = halves(_mm_loadu_ps(e[1]), _mm_loadu_ps(e[5]));
        const __m256 v2 = halves(_mm_loadu_ps(e[2]), _mm_loadu_ps(e[6]));
        const __m256 v3 = halves(_mm_loadu_ps(e[3]), _mm_loadu_ps(e[7]));
        const __m256 x01 = _mm256_unpacklo_ps(v0, v1);   // gx0 gx1 gx0' gx1' | lanes 4, 5
        const __m256 x23 = _mm256_unpacklo_ps(v2, v3);
        const __m256 y01 = _mm256_unpackhi_ps(v0, v1);   // gy0 gy1 gy0' gy1' | lanes 4, 5
        const __m256 y23 = _mm256_unpackhi_ps(v2, v3);
        g.gx0 = _mm256_shuffle_ps(x01, x23, _MM_SHUFFLE(1, 0, 1, 0));
        g.gx1 = _mm256_shuffle_ps(x01, x23, _MM_SHUFFLE(3, 2, 3, 2));
        g.gy0 = _mm256_shuffle_ps(y01, y23, _MM_SHUFFLE(1, 0, 1, 0));
        g.gy1 = _mm256_shuffle_ps(y01, y23, _MM_SHUFFLE(3, 2, 3, 2));
        // gz gz' of lanes 0, 1 | 4, 5, then of lanes 2, 3 | 6, 7.
        const __m256 z01 = halves(z_pairs(e[0], e[1]), z_pairs(e[4], e[5]));
        const __m256 z23 = halves(z_pairs(e[2], e[3]), z_pairs(e[6], e[7]));
        g.gz0 = _mm256_shuffle_ps(z01, z23, _MM_SHUFFLE(2, 0, 2, 0));
        g.gz1 = _mm256_shuffle_ps(z01, z23, _MM_SHUFFLE(3, 1, 3, 1));
    }

private:
    [[gnu::always_inline]] static __m256 halves(__m128 low, __m128 high) {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
    }
    // gz gz' of entries a and b, side by side.
    [[gnu::always_inline]] static __m128 z_pairs(const float* a, const float* b) {
        return _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(a + 4)),
                            reinterpret_cast<const __m64*>(b + 4));
    }
};

}  // namespace

void NoiseLanes::prepare_eight(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    NoiseSweep<EightLanes>(*this).prepare(count, p, scale, padded);
}

void NoiseLanes::sweep_eight(int32_t octave, int32_t groups) { NoiseSweep<EightLanes>(*this).octave(octave, groups); }

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
void NoiseLanes::prepare_eight(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    prepare_four(count, p, scale, padded);
}
void NoiseLanes::sweep_eight(int32_t octave, int32_t groups) { sweep_four(octave, groups); }

}  // namespace quilbet

#endif
