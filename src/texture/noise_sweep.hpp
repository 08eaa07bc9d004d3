// The row sampler's octave sweep written once over a lane type (see
// noise_lanes.hpp for what it computes). A lane type wraps one instruction
// set's registers: FourLanes (SSE2, noise_lanes_sse2.cpp) and EightLanes
// (AVX2, noise_lanes_avx2.cpp). Each of those units includes this header
// where its own target options are in force, so every function here, being a
// template over the lane type, is compiled for that unit's instruction set
// and never shared between the two. Include it nowhere else.
//
// Every lane runs the operations of noise_kernel::blend on its own point, in
// the same order and in single precision; only the way the corner gradients
// reach the lanes (the lane type's spread, spread_halves and transpose)
// depends on the width.
//
// A lane type L provides, as static members:
//   count, all, all_doubles   lanes per group (4 or 8); a movemask of every
//                             float lane, of every double lane
//   Floats, Ints, Doubles     registers of count floats, count 32-bit
//                             integers, count / 2 doubles;
//   FloatsOfDoubles           the floats one Doubles rounds to
//   splat, zeros_f, zeros_d, ones_d, load, store, add, sub, mul, abs, and_,
//   or_, shift_left<n>, shift_right<n>
//                             the plain operations, overloaded per register
//   less, equal, greater, not_above, equal_zero, nonzero
//                             comparisons (all ones where they hold); mask
//                             turns one into bits (movemask)
//   lattice                   v - floor(v) and floor(v) modulo 256, |v| < 2^23
//   low_doubles, high_doubles the halves of a Floats, widened
//   column, float_ties, to_floats, widen, store_floats, whole_numbers,
//   all_whole                 the pieces of the products' preparation
//   all_equal, cells, gather  tests and table lookups on Ints
//   spread, spread_halves, transpose
//                             one row of corner gradients into the lanes
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/noise_lanes.hpp"

// The lambdas of the blend must fold into one straight run of vector code.
#define QUILBET_SWEEP_INLINE __attribute__((always_inline))

namespace quilbet {

// The gradients of one (Y, Z) row of corners in all lanes: the corner at X0
// and the corner at X1.
template <typename L>
struct RowGradients {
    typename L::Floats gx0, gy0, gz0, gx1, gy1, gz1;
};

namespace noise_sweep {

// How the lanes of a group spread over lattice cells (a lane type's cells()).
enum class Cells {
    one,          // all lanes in one cell
    two_halves,   // each half of the lanes in one cell, the halves in two
    per_lane,     // anything else
};

template <typename L>
[[gnu::always_inline]] inline typename L::Floats fade(typename L::Floats t) {
    return L::mul(L::mul(t, t), L::sub(L::splat(3.0f), L::mul(L::splat(2.0f), t)));
}

template <typename L>
[[gnu::always_inline]] inline typename L::Floats lerp(typename L::Floats a, typename L::Floats b,
                                                      typename L::Floats s) {
    return L::add(a, L::mul(s, L::sub(b, a)));
}

// (gx ox + gy oy) + gz oz, the order of noise_kernel::dot, leaving out the
// axes named by Zero (bit 0 x, 1 y, 2 z).
template <typename L, int Zero>
[[gnu::always_inline]] inline typename L::Floats dot(typename L::Floats gx, typename L::Floats gy,
                                                     typename L::Floats gz, typename L::Floats ox,
                                                     typename L::Floats oy, typename L::Floats oz) {
    constexpr bool zx = (Zero & 1) != 0;
    constexpr bool zy = (Zero & 2) != 0;
    constexpr bool zz = (Zero & 4) != 0;
    if constexpr (zx) {
        if constexpr (zy) return L::mul(gz, oz);
        else if constexpr (zz) return L::mul(gy, oy);
        else return L::add(L::mul(gy, oy), L::mul(gz, oz));
    } else if constexpr (zy) {
        if constexpr (zz) return L::mul(gx, ox);
        else return L::add(L::mul(gx, ox), L::mul(gz, oz));
    } else if constexpr (zz) {
        return L::add(L::mul(gx, ox), L::mul(gy, oy));
    } else {
        return L::add(L::add(L::mul(gx, ox), L::mul(gy, oy)), L::mul(gz, oz));
    }
}

// The trilinear blend of noise_kernel::blend on all lanes; row(r, g) fills g
// with the gradients of corner row r (0: (Y0, Z0), 1: (Y1, Z0), 2: (Y0, Z1),
// 3: (Y1, Z1)).
//
// Zero names the axes whose offset is 0 in every lane. Along such an axis the
// fade is 0, so each lerp along it returns its first argument (a + 0 (b - a)
// is a, up to the sign of a zero), and the axis's product in each dot product
// is a zero that leaves the sum as it is (again up to the sign of a zero): the
// corners beyond that axis and its products are skipped. The sign of a zero
// never reaches a nonzero result of the blend, and adding +0 or -0 to an
// octave sum (which is never -0) leaves it unchanged, so the sums come out
// the same bit for bit.
template <typename L, int Zero, typename Row>
[[gnu::always_inline]] inline typename L::Floats blend(Row row, typename L::Floats fx, typename L::Floats fy,
                                                       typename L::Floats fz) {
    using F = typename L::Floats;
    constexpr bool zx = (Zero & 1) != 0;
    constexpr bool zy = (Zero & 2) != 0;
    constexpr bool zz = (Zero & 4) != 0;
    const F one = L::splat(1.0f);
    const F fx1 = L::sub(fx, one);
    const F fy1 = L::sub(fy, one);
    const F fz1 = L::sub(fz, one);
    // Along x within corner row r.
    const auto along_x = [&](int r, F oy, F oz) QUILBET_SWEEP_INLINE {
        RowGradients<L> g;
        row(r, g);
        const F low = dot<L, Zero>(g.gx0, g.gy0, g.gz0, fx, oy, oz);
        if constexpr (zx) {
            return low;
        } else {
            return lerp<L>(low, dot<L, Zero>(g.gx1, g.gy1, g.gz1, fx1, oy, oz), fade<L>(fx));
        }
    };
    // Along y: corner rows r and r + 1.
    const auto along_y = [&](int r, F oz) QUILBET_SWEEP_INLINE {
        const F low = along_x(r, fy, oz);
        if constexpr (zy) {
            return low;
        } else {
            return lerp<L>(low, along_x(r + 1, fy1, oz), fade<L>(fy));
        }
    };
    const F b0 = along_y(0, fz);
    if constexpr (zz) {
        return b0;
    } else {
        return lerp<L>(b0, along_y(2, fz1), fade<L>(fz));
    }
}

// blend with the zero axes given at run time (0 .. 6; 7, a lattice point in
// every lane, never reaches it).
template <typename L, typename Row>
[[gnu::always_inline]] inline typename L::Floats blend_zero(int zero, Row row, typename L::Floats fx,
                                                            typename L::Floats fy, typename L::Floats fz) {
    switch (zero) {
        case 0: return blend<L, 0>(row, fx, fy, fz);
        case 1: return blend<L, 1>(row, fx, fy, fz);
        case 2: return blend<L, 2>(row, fx, fy, fz);
        case 3: return blend<L, 3>(row, fx, fy, fz);
        case 4: return blend<L, 4>(row, fx, fy, fz);
        case 5: return blend<L, 5>(row, fx, fy, fz);
        default: return blend<L, 6>(row, fx, fy, fz);
    }
}

}  // namespace noise_sweep

// One sampler's preparation and octave sweeps in lanes of type L; a view of
// the sampler's tables, caches and scratch (NoiseLanes befriends it).
template <typename L>
class NoiseSweep {
public:
    explicit NoiseSweep(NoiseLanes& lanes) : s_(lanes) {}

    // The once-rounded products P = float(scale * p) of octave_base, count / 2
    // points at a time, into the sampler's base rows; padded lanes repeat
    // the last point. The product is taken in double: unless it lands
    // exactly on a tie between two floats, rounding it to float gives what
    // rounding the extended product gives (a tie is itself a double, so an
    // extended product that would round onto it rounds to it in double too);
    // ties go through octave_base. A zero product is one with a zero factor,
    // as in extended precision; a P failing the plan's bounds sends its group
    // to the plain path. (Both entry points fold into their one caller, so
    // that the view itself stays in registers.)
    [[gnu::always_inline]] void prepare(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
        if (scale != nullptr) {
            prepare_points<true>(count, p, scale, padded);
        } else {
            prepare_points<false>(count, p, scale, padded);
        }
    }

    // Adds octave `octave` of every group not on the plain path to its sums.
    [[gnu::always_inline]] inline void octave(int32_t octave, int32_t groups);

private:
    using F = typename L::Floats;
    using I = typename L::Ints;
    using D = typename L::Doubles;

    // What all groups of one octave share: the tables and the octave's caches.
    struct Octave {
        const float* grad_pairs;
        const uint32_t* pair;
        NoiseLanes::HashedCell& shared;
        NoiseLanes::HashedRow& row;
    };

    template <bool Scaled>
    [[gnu::always_inline]] inline void prepare_points(int32_t count, const Vec3* p, const Vec3* scale,
                                                      std::size_t padded);
    // The octave's noise in all lanes of a group with sample points (x, y, z);
    // false when every lane sits on a lattice point (the octave adds nothing).
    [[gnu::always_inline]] inline bool noise(const Octave& o, F x, F y, F z, F& value) const;
    // The blend for lanes whose cells differ: each lane's gradient-pair
    // entries looked up from its own cell.
    [[gnu::always_inline]] inline F lane_by_lane(const Octave& o, const uint32_t* keys, I ix, I iy, I iz, I yz,
                                                 int zero_axes, F fx, F fy, F fz) const;
    // sum + value / 2^i per lane, through the two-sum test of add_octave;
    // lanes whose double sum is inexact take add_octave's extended sum.
    // w is inverse_weight in every lane.
    [[gnu::always_inline]] static inline void add(double* sum, F value, double inverse_weight, D w);

    NoiseLanes& s_;
};

template <typename L>
template <bool Scaled>
void NoiseSweep<L>::prepare_points(int32_t count, const Vec3* p, const Vec3* scale, std::size_t padded) {
    constexpr std::size_t step = L::count / 2;
    const D low = L::splat(s_.plan_.low);
    const D high = L::splat(s_.plan_.high);
    const D zero = L::zeros_d();
    float* base[3] = {s_.base_x_.data(), s_.base_y_.data(), s_.base_z_.data()};
    const std::size_t last = static_cast<std::size_t>(count - 1);
    // Whether every P so far is a whole number below 2^31 (lane by lane), and
    // whether a tie sent a point through octave_base.
    typename L::FloatsOfDoubles whole = L::whole_numbers(L::to_floats(zero));   // 0 is whole: all set
    bool tied = false;
    for (std::size_t j = 0; j < padded; j += step) {
        std::size_t k[step];
        for (std::size_t i = 0; i < step; ++i) k[i] = j + i < last ? j + i : last;
        D ok = L::ones_d();
        D tie = zero;
        for (int a = 0; a < 3; ++a) {
            const D pv = L::column(p, k, a);
            D prod = pv;
            D is_zero = L::equal_zero(pv);
            if constexpr (Scaled) {
                const D sv = L::column(scale, k, a);
                prod = L::mul(sv, pv);
                is_zero = L::or_(is_zero, L::equal_zero(sv));
            }
            tie = L::or_(tie, L::float_ties(prod));
            const typename L::FloatsOfDoubles f = L::to_floats(prod);
            const D m = L::abs(L::widen(f));
            ok = L::and_(ok, L::or_(is_zero, L::and_(L::greater(m, low), L::not_above(m, high))));
            whole = L::and_(whole, L::whole_numbers(f));
            L::store_floats(base[a] + j, f);
        }
        if (L::mask(ok) != L::all_doubles) s_.plain_[j / L::count] = 1;
        const int ties = L::mask(tie);
        if (ties != 0) {
            tied = true;
            for (std::size_t i = 0; i < step; ++i) {
                if (ties >> i & 1) s_.prepare_point(j + i, p[k[i]], Scaled ? &scale[k[i]] : nullptr);
            }
        }
    }
    s_.whole_ = !tied && L::all_whole(whole);
}

template <typename L>
void NoiseSweep<L>::octave(int32_t octave, int32_t groups) {
    const F factor = L::splat(s_.plan_.factor[octave]);
    const double inverse_weight = s_.plan_.inverse_weight[octave];
    const D w = L::splat(inverse_weight);
    const Octave o{s_.tables_.grad_pairs.data(), s_.tables_.pair, s_.shared_[static_cast<std::size_t>(octave)],
                   s_.rows_[static_cast<std::size_t>(octave)]};
    for (int32_t group = 0; group < groups; ++group) {
        if (s_.plain_[static_cast<std::size_t>(group)]) continue;
        const std::size_t at = static_cast<std::size_t>(group) * L::count;
        const F x = L::mul(L::load(&s_.base_x_[at]), factor);
        const F y = L::mul(L::load(&s_.base_y_[at]), factor);
        const F z = L::mul(L::load(&s_.base_z_[at]), factor);
        F value;
        if (noise(o, x, y, z, value)) add(&s_.sums_[at], value, inverse_weight, w);
    }
}

template <typename L>
bool NoiseSweep<L>::noise(const Octave& o, F x, F y, F z, F& value) const {
    const F limit = L::splat(8388608.0f);
    const F inside =
        L::and_(L::and_(L::less(L::abs(x), limit), L::less(L::abs(y), limit)), L::less(L::abs(z), limit));
    if (L::mask(inside) != L::all) {
        // Far or non-finite coordinates: the plain noise3, lane by lane.
        float px[L::count], py[L::count], pz[L::count], v[L::count];
        L::store(px, x);
        L::store(py, y);
        L::store(pz, z);
        for (int j = 0; j < L::count; ++j) v[j] = noise3(s_.nt_, px[j], py[j], pz[j]);
        value = L::load(v);
        return true;
    }
    I ix, iy, iz;
    const F fx = L::lattice(x, ix);
    const F fy = L::lattice(y, iy);
    const F fz = L::lattice(z, iz);
    // Axes whose offset is 0 in all lanes. At a lattice point every offset
    // and fade is 0 and noise3 is +-0, which leaves the sum as it is (the sum
    // is never -0).
    const F zero = L::zeros_f();
    const int zero_axes = (L::mask(L::equal(fx, zero)) == L::all ? 1 : 0) |
                          (L::mask(L::equal(fy, zero)) == L::all ? 2 : 0) |
                          (L::mask(L::equal(fz, zero)) == L::all ? 4 : 0);
    if (zero_axes == 7) return false;
    const I yz = L::or_(iy, L::template shift_left<8>(iz));
    const I key = L::or_(ix, L::template shift_left<8>(yz));
    alignas(sizeof(I)) uint32_t keys[L::count];
    L::store(keys, key);
    const float* gp = o.grad_pairs;
    const noise_sweep::Cells cells = L::cells(key);
    if (cells == noise_sweep::Cells::one) {
        // One cell for all lanes: each corner's gradient spread across the lanes.
        if (o.shared.key != keys[0]) {
            o.shared.key = keys[0];
            o.shared.pairs = NoiseLanes::pairs_of(s_.inner_of(o.row, keys[0]), keys[0]);
        }
        const uint32_t pairs = o.shared.pairs;
        value = noise_sweep::blend_zero<L>(
            zero_axes,
            [pairs, gp](int r, RowGradients<L>& g) QUILBET_SWEEP_INLINE {
                L::spread(gp + 8 * ((pairs >> (8 * r)) & 255u), g);
            },
            fx, fy, fz);
    } else if (cells == noise_sweep::Cells::two_halves) {
        // The first half of the lanes in one cell and the second half in
        // another (octaves whose cells are half a group wide): each corner's
        // two gradients spread across their halves.
        const uint32_t pairs_a = NoiseLanes::pairs_of(s_.inner_of(o.row, keys[0]), keys[0]);
        const uint32_t pairs_b = NoiseLanes::pairs_of(s_.inner_of(o.row, keys[L::count / 2]), keys[L::count / 2]);
        value = noise_sweep::blend_zero<L>(
            zero_axes,
            [pairs_a, pairs_b, gp](int r, RowGradients<L>& g) QUILBET_SWEEP_INLINE {
                L::spread_halves(gp + 8 * ((pairs_a >> (8 * r)) & 255u), gp + 8 * ((pairs_b >> (8 * r)) & 255u), g);
            },
            fx, fy, fz);
    } else {
        value = lane_by_lane(o, keys, ix, iy, iz, yz, zero_axes, fx, fy, fz);
    }
    return true;
}

template <typename L>
typename L::Floats NoiseSweep<L>::lane_by_lane(const Octave& o, const uint32_t* keys, I ix, I iy, I iz, I yz,
                                               int zero_axes, F fx, F fy, F fz) const {
    const I byte = L::splat(255);
    // The inner hashes perm[perm[Z] + Y] of the four corner rows (Y0, Z0),
    // (Y1, Z0), (Y0, Z1), (Y1, Z1): from the last (y, z) row when all lanes
    // share it, otherwise looked up in the pair table (perm[v] and
    // perm[v + 1] per entry).
    I inner[4];
    if (L::all_equal(yz)) {
        const uint32_t in = s_.inner_of(o.row, keys[0]);
        for (int r = 0; r < 4; ++r) inner[r] = L::splat(static_cast<int32_t>((in >> (8 * r)) & 255u));
    } else {
        const I zs = L::gather(o.pair, iz);
        const I z0 = L::and_(zs, byte);
        const I z1 = L::template shift_right<8>(zs);
        const I rows_z0 = L::gather(o.pair, L::and_(L::add(z0, iy), byte));
        const I rows_z1 = L::gather(o.pair, L::and_(L::add(z1, iy), byte));
        inner[0] = L::and_(rows_z0, byte);
        inner[1] = L::template shift_right<8>(rows_z0);
        inner[2] = L::and_(rows_z1, byte);
        inner[3] = L::template shift_right<8>(rows_z1);
    }
    // Row r's entry in lane j, (inner + X0) modulo 256, as an offset into grad_pairs.
    alignas(sizeof(I)) uint32_t entry[4][L::count];
    for (int r = 0; r < 4; ++r) L::store(entry[r], L::template shift_left<3>(L::and_(L::add(inner[r], ix), byte)));
    const float* gp = o.grad_pairs;
    return noise_sweep::blend_zero<L>(
        zero_axes, [&entry, gp](int r, RowGradients<L>& g) QUILBET_SWEEP_INLINE { L::transpose(gp, entry[r], g); },
        fx, fy, fz);
}

template <typename L>
void NoiseSweep<L>::add(double* sum, F value, double inverse_weight, D w) {
    constexpr int half = L::count / 2;
    const D sum_lo = L::load(sum);
    const D sum_hi = L::load(sum + half);
    const D t_lo = L::mul(L::low_doubles(value), w);
    const D t_hi = L::mul(L::high_doubles(value), w);
    const D s_lo = L::add(sum_lo, t_lo);
    const D s_hi = L::add(sum_hi, t_hi);
    const D v_lo = L::sub(s_lo, sum_lo);
    const D v_hi = L::sub(s_hi, sum_hi);
    const D e_lo = L::add(L::sub(sum_lo, L::sub(s_lo, v_lo)), L::sub(t_lo, v_lo));
    const D e_hi = L::add(L::sub(sum_hi, L::sub(s_hi, v_hi)), L::sub(t_hi, v_hi));
    if ((L::mask(L::nonzero(e_lo)) | L::mask(L::nonzero(e_hi))) == 0) {
        L::store(sum, s_lo);
        L::store(sum + half, s_hi);
    } else {
        float v[L::count];
        L::store(v, value);
        for (int j = 0; j < L::count; ++j) sum[j] = noise_kernel::add_octave(sum[j], v[j], inverse_weight);
    }
}

}  // namespace quilbet
