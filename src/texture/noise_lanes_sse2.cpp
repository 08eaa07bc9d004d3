// The four-lane octave sweep on SSE2: the lane type of noise_sweep.hpp over
// 128-bit registers, and the sampler's four-lane entry points.
#include "texture/noise_lanes.hpp"

#if defined(__SSE2__) || defined(_M_X64)

#include <emmintrin.h>

#include "texture/noise_sweep.hpp"

namespace quilbet {

namespace {

// Four float lanes in one 128-bit register; doubles two at a time.
struct FourLanes {
    static constexpr int count = 4;
    static constexpr int all = 0xF;
    static constexpr int all_doubles = 0x3;
    using Floats = __m128;
    using Ints = __m128i;
    using Doubles = __m128d;
    using FloatsOfDoubles = __m128;   // two floats in lanes 0 and 1

    [[gnu::always_inline]] static Floats splat(float v) { return _mm_set1_ps(v); }
    [[gnu::always_inline]] static Ints splat(int32_t v) { return _mm_set1_epi32(v); }
    [[gnu::always_inline]] static Doubles splat(double v) { return _mm_set1_pd(v); }
    [[gnu::always_inline]] static Floats zeros_f() { return _mm_setzero_ps(); }
    [[gnu::always_inline]] static Doubles zeros_d() { return _mm_setzero_pd(); }
    [[gnu::always_inline]] static Doubles ones_d() { return _mm_castsi128_pd(_mm_set1_epi32(-1)); }
    [[gnu::always_inline]] static Floats load(const float* p) { return _mm_loadu_ps(p); }
    [[gnu::always_inline]] static Doubles load(const double* p) { return _mm_loadu_pd(p); }
    [[gnu::always_inline]] static void store(float* p, Floats v) { _mm_storeu_ps(p, v); }
    [[gnu::always_inline]] static void store(double* p, Doubles v) { _mm_storeu_pd(p, v); }
    [[gnu::always_inline]] static void store(uint32_t* p, Ints v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }

    [[gnu::always_inline]] static Floats add(Floats a, Floats b) { return _mm_add_ps(a, b); }
    [[gnu::always_inline]] static Floats sub(Floats a, Floats b) { return _mm_sub_ps(a, b); }
    [[gnu::always_inline]] static Floats mul(Floats a, Floats b) { return _mm_mul_ps(a, b); }
    [[gnu::always_inline]] static Floats abs(Floats v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }
    [[gnu::always_inline]] static Floats and_(Floats a, Floats b) { return _mm_and_ps(a, b); }
    [[gnu::always_inline]] static Doubles add(Doubles a, Doubles b) { return _mm_add_pd(a, b); }
    [[gnu::always_inline]] static Doubles sub(Doubles a, Doubles b) { return _mm_sub_pd(a, b); }
    [[gnu::always_inline]] static Doubles mul(Doubles a, Doubles b) { return _mm_mul_pd(a, b); }
    [[gnu::always_inline]] static Doubles abs(Doubles v) { return _mm_andnot_pd(_mm_set1_pd(-0.0), v); }
    [[gnu::always_inline]] static Doubles and_(Doubles a, Doubles b) { return _mm_and_pd(a, b); }
    [[gnu::always_inline]] static Doubles or_(Doubles a, Doubles b) { return _mm_or_pd(a, b); }
    [[gnu::always_inline]] static Ints add(Ints a, Ints b) { return _mm_add_epi32(a, b); }
    [[gnu::always_inline]] static Ints and_(Ints a, Ints b) { return _mm_and_si128(a, b); }
    [[gnu::always_inline]] static Ints or_(Ints a, Ints b) { return _mm_or_si128(a, b); }
    template <int N>
    [[gnu::always_inline]] static Ints shift_left(Ints v) { return _mm_slli_epi32(v, N); }
    template <int N>
    [[gnu::always_inline]] static Ints shift_right(Ints v) { return _mm_srli_epi32(v, N); }

    [[gnu::always_inline]] static Floats less(Floats a, Floats b) { return _mm_cmplt_ps(a, b); }
    [[gnu::always_inline]] static Floats equal(Floats a, Floats b) { return _mm_cmpeq_ps(a, b); }
    [[gnu::always_inline]] static int mask(Floats v) { return _mm_movemask_ps(v); }
    [[gnu::always_inline]] static int mask(Doubles v) { return _mm_movemask_pd(v); }
    [[gnu::always_inline]] static Doubles nonzero(Doubles v) { return _mm_cmpneq_pd(v, _mm_setzero_pd()); }
    [[gnu::always_inline]] static Doubles equal_zero(Doubles v) { return _mm_cmpeq_pd(v, _mm_setzero_pd()); }
    [[gnu::always_inline]] static Doubles greater(Doubles a, Doubles b) { return _mm_cmpgt_pd(a, b); }
    [[gnu::always_inline]] static Doubles not_above(Doubles a, Doubles b) { return _mm_cmple_pd(a, b); }

    // v - floor(v) per lane and floor(v) modulo 256, for |v| < 2^23: the
    // truncation, one lower where v - t < 0 (as noise_kernel::lattice_cell).
    [[gnu::always_inline]] static Floats lattice(Floats v, Ints& index) {
        __m128i t = _mm_cvttps_epi32(v);
        const __m128 below = _mm_cmplt_ps(_mm_sub_ps(v, _mm_cvtepi32_ps(t)), _mm_setzero_ps());
        t = _mm_add_epi32(t, _mm_castps_si128(below));
        index = _mm_and_si128(t, _mm_set1_epi32(255));
        return _mm_sub_ps(v, _mm_cvtepi32_ps(t));
    }

    [[gnu::always_inline]] static Doubles low_doubles(Floats v) { return _mm_cvtps_pd(v); }
    [[gnu::always_inline]] static Doubles high_doubles(Floats v) { return _mm_cvtps_pd(_mm_movehl_ps(v, v)); }

    // Component a of points k[0] and k[1].
    [[gnu::always_inline]] static Doubles column(const Vec3* p, const std::size_t* k, int a) {
        return _mm_loadh_pd(_mm_load_sd(&p[k[0]].x + a), &p[k[1]].x + a);
    }
    // All ones where the double d lies exactly halfway between two
    // neighbouring floats of normal precision (its 29 bits below a float's
    // precision are 1000...0): rounding it to float then hangs on the tie.
    [[gnu::always_inline]] static Doubles float_ties(Doubles d) {
        const __m128i low = _mm_and_si128(_mm_castpd_si128(d), _mm_set1_epi64x(0x1FFFFFFF));
        const __m128i tie = _mm_cmpeq_epi32(low, _mm_set1_epi64x(0x10000000));
        // The low 32-bit half decides (the high half is 0 == 0): spread it over the lane.
        return _mm_castsi128_pd(_mm_shuffle_epi32(tie, _MM_SHUFFLE(2, 2, 0, 0)));
    }
    [[gnu::always_inline]] static FloatsOfDoubles to_floats(Doubles d) { return _mm_cvtpd_ps(d); }
    [[gnu::always_inline]] static Doubles widen(FloatsOfDoubles f) { return _mm_cvtps_pd(f); }
    [[gnu::always_inline]] static void store_floats(float* p, FloatsOfDoubles f) {
        _mm_storel_pi(reinterpret_cast<__m64*>(p), f);
    }
    // All ones in the lanes holding whole numbers below 2^31.
    [[gnu::always_inline]] static FloatsOfDoubles whole_numbers(FloatsOfDoubles f) {
        return _mm_cmpeq_ps(f, _mm_cvtepi32_ps(_mm_cvttps_epi32(f)));
    }
    // Lanes 0 and 1 of a whole_numbers mask both set.
    [[gnu::always_inline]] static bool all_whole(FloatsOfDoubles mask) { return (_mm_movemask_ps(mask) & 3) == 3; }

    [[gnu::always_inline]] static bool all_equal(Ints v) {
        return _mm_movemask_epi8(_mm_cmpeq_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 0, 0, 0)))) == 0xFFFF;
    }
    // How the cell keys v spread: all alike, lanes 0, 1 and lanes 2, 3 alike, or neither.
    [[gnu::always_inline]] static noise_sweep::Cells cells(Ints v) {
        if (all_equal(v)) return noise_sweep::Cells::one;
        const __m128i firsts = _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 0, 0));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(v, firsts)) == 0xFFFF) return noise_sweep::Cells::two_halves;
        return noise_sweep::Cells::per_lane;
    }
    // table[index] per lane, one load at a time (SSE2 has no gather).
    [[gnu::always_inline]] static Ints gather(const uint32_t* table, Ints index) {
        alignas(16) uint32_t i[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(i), index);
        return _mm_setr_epi32(static_cast<int32_t>(table[i[0]]), static_cast<int32_t>(table[i[1]]),
                              static_cast<int32_t>(table[i[2]]), static_cast<int32_t>(table[i[3]]));
    }

    // The gradient-pair entry e (gx gx' gy gy' gz gz') in every lane.
    [[gnu::always_inline]] static void spread(const float* e, RowGradients<FourLanes>& g) {
        const __m128 v = _mm_loadu_ps(e);
        const __m128 w = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(e + 4));
        g.gx0 = _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 0, 0, 0));
        g.gx1 = _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1));
        g.gy0 = _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 2, 2));
        g.gy1 = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
        g.gz0 = _mm_shuffle_ps(w, w, _MM_SHUFFLE(0, 0, 0, 0));
        g.gz1 = _mm_shuffle_ps(w, w, _MM_SHUFFLE(1, 1, 1, 1));
    }
    // Entry a in lanes 0 and 1, entry b in lanes 2 and 3.
    [[gnu::always_inline]] static void spread_halves(const float* a, const float* b, RowGradients<FourLanes>& g) {
        const __m128 va = _mm_loadu_ps(a);
        const __m128 vb = _mm_loadu_ps(b);
        const __m128 wa = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(a + 4));
        const __m128 wb = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(b + 4));
        g.gx0 = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(0, 0, 0, 0));
        g.gx1 = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(1, 1, 1, 1));
        g.gy0 = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(2, 2, 2, 2));
        g.gy1 = _mm_shuffle_ps(va, vb, _MM_SHUFFLE(3, 3, 3, 3));
        g.gz0 = _mm_shuffle_ps(wa, wb, _MM_SHUFFLE(0, 0, 0, 0));
        g.gz1 = _mm_shuffle_ps(wa, wb, _MM_SHUFFLE(1, 1, 1, 1));
    }
    // Entry gp + offset[j] in lane j, by a 4 x 4 transpose.
    [[gnu::always_inline]] static void transpose(const float* gp, const uint32_t* offset, RowGradients<FourLanes>& g) {
        const float* e0 = gp + offset[0];
        const float* e1 = gp + offset[1];
        const float* e2 = gp + offset[2];
        const float* e3 = gp + offset[3];
        const __m128 v0 = _mm_loadu_ps(e0);   // gx gx' gy gy' of lane 0
        const __m128 v1 = _mm_loadu_ps(e1);
        const __m128 v2 = _mm_loadu_ps(e2);
        const __m128 v3 = _mm_loadu_ps(e3);
        const auto z_pair = [](const float* e) { return reinterpret_cast<const __m64*>(e + 4); };
        // gz gz' of lanes 0 and 1, then of lanes 2 and 3.
        const __m128 w01 = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), z_pair(e0)), z_pair(e1));
        const __m128 w23 = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), z_pair(e2)), z_pair(e3));
        g.gx0 = _mm_movelh_ps(_mm_unpacklo_ps(v0, v1), _mm_unpacklo_ps(v2, v3));
        g.gx1 = _mm_movehl_ps(_mm_unpacklo_ps(v2, v3), _mm_unpacklo_ps(v0, v1));
        g.gy0 = _mm_movelh_ps(_mm_unpackhi_ps(v0, v1), _mm_unpackhi_ps(v2, v3));
        g.gy1 = _mm_movehl_ps(_mm_unpackhi_ps(v2, v3), _mm_unpackhi_ps(v0, v1));
        g.gz0 = _mm_shuffle_ps(w01, w23, _MM_SHUFFLE(2, 0, 2, 0));
        g.gz1 = _mm_shuffle_ps(w01, w23, _MM_SHUFFLE(3, 1, 3, 1));
    }
};

}  // namespace

void NoiseLanes::prepare_four(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    NoiseSweep<FourLanes>(*this).prepare(count, p, scale, padded);
}

void NoiseLanes::sweep_four(int32_t octave, int32_t groups) { NoiseSweep<FourLanes>(*this).octave(octave, groups); }

}  // namespace quilbet

#else

namespace quilbet {

void NoiseLanes::prepare_four(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    const std::size_t last = static_cast<std::size_t>(count - 1);
    whole_ = false;
    for (std::size_t j = 0; j < padded; ++j) {
        const std::size_t k = j < last ? j : last;
        prepare_point(j, p[k], scale != nullptr ? &scale[k] : nullptr);
    }
}

// Without SSE2 every group takes the plain path.
void NoiseLanes::sweep_four(int32_t, int32_t groups) {
    for (int32_t group = 0; group < groups; ++group) plain_[static_cast<std::size_t>(group)] = 1;
}

}  // namespace quilbet

#endif
