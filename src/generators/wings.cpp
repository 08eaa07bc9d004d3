// Solar wings and power wings: assemblies of trusses, solar panels and
// adaptors made by the part generators, each part built around its own
// origin and placed by its own offset and angles. Power wings nest wings
// depth first; every assembly finally turns and moves all the groups it
// filled (its nested parts included) by its caller's angles and offset.
//
// Offsets and angles are worked out in extended precision and rounded once to
// the 64-bit fields of Vec3.
#include "generators/wings.hpp"

#include "generators/assembly.hpp"
#include "generators/adaptor_tank.hpp"
#include "generators/panel_truss.hpp"

namespace quilbet {
namespace {

constexpr long double half_pi = pi_ext / 2;

// Groups each assembly fills: a solar wing is four two-group panels and a
// truss; the power wings follow from their parts.
constexpr int32_t solar_wing_groups = 4 * 2 + 1;

constexpr int32_t power_wing_groups(int32_t variant) {
    switch (variant) {
    case 0: return 2 * solar_wing_groups + 1;
    case 1: return 2 * power_wing_groups(0) + 3 + 2;
    case 2: return 2 * power_wing_groups(1) + 2;
    default: return 0;
    }
}

Vec3 vec_ext(long double x, long double y, long double z) {
    return Vec3{static_cast<double>(x), static_cast<double>(y), static_cast<double>(z)};
}

// Tracks the running group index of one assembly.
class PartWriter {
public:
    PartWriter(Context& ctx, typmsh& m, int32_t first) : ctx_(ctx), m_(m), first_(first), running_(first) {}

    int32_t running() const { return running_; }

    void truss(Vec3 t, const truss_spec& spec, Vec3 ang) {
        add(gen_truss(ctx_, group_at(m_, running_), groups_free(m_, running_), t, spec, ang));
    }
    void panel(Vec3 t, const panel_spec& spec, Vec3 ang) {
        add(gen_solar_panel(ctx_, group_at(m_, running_), groups_free(m_, running_), t, spec, ang));
    }
    void adaptor(Vec3 t, const adaptor_spec& spec, Vec3 ang) {
        add(gen_adaptor(ctx_, group_at(m_, running_), groups_free(m_, running_), t, spec, ang));
    }
    // Result of a nested assembly that was handed m and the running index.
    void add(int32_t filled) {
        // A refused part (negative count) changed nothing; the running index
        // never moves backwards.
        if (filled > 0) running_ += filled;
    }
    // Places everything this assembly filled and returns its group count.
    int32_t finish(Vec3 t, Vec3 ang) {
        place_groups(m_, first_, running_, t, ang);
        return running_ - first_;
    }

private:
    Context& ctx_;
    typmsh& m_;
    int32_t first_;
    int32_t running_;
};

// The panel of a solar wing: the default panel of "Solar_Panel_A" .. "D"
// without shrinking.
panel_spec wing_panel(int32_t variant, double shear) {
    panel_spec p;
    switch (variant) {
    case 1: p.rows = 19; p.dim_a = 5; p.dim_b = 2; p.gap = 0; break;
    case 2: p.rows = 4; p.dim_a = 8; p.dim_b = 2; p.gap = 0; break;
    case 3: p.rows = 5; p.dim_a = 5; p.dim_b = 8; p.gap = 0; break;
    default: p.rows = 8; p.dim_a = 5; p.dim_b = 5; p.gap = 1; break;
    }
    p.variant = variant;
    p.spine = 2;
    p.shear = shear;
    p.smalling = 0;
    return p;
}

truss_spec make_truss(int32_t count, int32_t variant, Vec3 dims) {
    truss_spec s;
    s.count = count;
    s.variant = variant;
    s.bar = 0.1;
    s.rail = 0.2;
    s.dims = dims;
    s.cross_a = 1;
    s.cross_b = 1;
    s.cross_c = 1;
    return s;
}

adaptor_spec make_adaptor(double len, double w0, double h0, double w1, double h1) {
    adaptor_spec s;
    s.variant = 1;
    s.bar = 0.1;
    s.rail = 0.2;
    s.len = len;
    s.w0 = w0;
    s.h0 = h0;
    s.w1 = w1;
    s.h1 = h1;
    s.sw_a = s.sw_b = s.sw_c = 1;
    return s;
}

}  // namespace

int32_t gen_solar_wing(Context& ctx, typmsh& m, int32_t first, int32_t variant, double W, double H,
                       double rot, double shear, Vec3 t, Vec3 ang) {
    if (groups_free(m, first) < solar_wing_groups) return -solar_wing_groups;
    if (variant == -1) variant = trunc_i32(4 * ctx.random.random_fraction());
    // Panel types without a definition of their own (the catalogue admits 4)
    // build the first kind.
    if (variant < 0 || variant > 3) variant = 0;

    truss_spec truss = make_truss(7, 1, Vec3{W, H, variant == 0 ? 8.0 : 5.0});
    truss.cross_c = variant == 0 ? 1 : 0;
    const panel_spec panel = wing_panel(variant, shear);

    const long double a = static_cast<long double>(truss.dims.x) / 2;
    const long double L = truss.dims.z;
    const long double c = 7 * L / 2;
    const Vec3 right_ang = vec_ext(half_pi, half_pi + rot, half_pi);
    const Vec3 left_ang = vec_ext(half_pi, -half_pi - rot, -half_pi);

    PartWriter w(ctx, m, first);
    w.panel(vec_ext(a, 0, L / 2 + L), panel, right_ang);
    w.panel(vec_ext(a, 0, L / 2 + 5 * L), panel, right_ang);
    w.panel(vec_ext(-a, 0, L / 2 + L), panel, left_ang);
    w.panel(vec_ext(-a, 0, L / 2 + 5 * L), panel, left_ang);
    w.truss(vec_ext(0, 0, c), truss, Vec3{});
    return w.finish(t, ang);
}

int32_t gen_power_wing(Context& ctx, typmsh& m, int32_t first, int32_t variant, int32_t ptype, int32_t count,
                       double blen, double W, double H, double rot, double shear, Vec3 t, Vec3 ang) {
    const int32_t needed = power_wing_groups(variant);
    if (groups_free(m, first) < needed) return -needed;

    const long double S = static_cast<long double>(count) * blen / 2;
    const long double Wx = W;
    PartWriter w(ctx, m, first);
    switch (variant) {
    case 0:
        w.add(gen_solar_wing(ctx, m, w.running(), ptype, W, H, rot, shear, vec_ext(-S, 0, 0),
                             vec_ext(0, -half_pi, 0)));
        w.add(gen_solar_wing(ctx, m, w.running(), ptype, W, H, -rot, shear, vec_ext(S, 0, 0),
                             vec_ext(0, half_pi, 0)));
        w.truss(Vec3{}, make_truss(count, 2, Vec3{W, H, blen}), vec_ext(0, half_pi, 0));
        break;
    case 1: {
        const long double reach = 3 * S + 1.5L * Wx;
        w.add(gen_power_wing(ctx, m, w.running(), 0, ptype, count, blen, W, H, rot, shear, vec_ext(reach, 0, 0),
                             vec_ext(0, half_pi, 0)));
        w.add(gen_power_wing(ctx, m, w.running(), 0, ptype, count, blen, W, H, rot, shear, vec_ext(-reach, 0, 0),
                             vec_ext(0, half_pi, 0)));
        const Vec3 across = vec_ext(half_pi, 0, half_pi);
        w.truss(Vec3{}, make_truss(7, 2, vec_ext(Wx, Wx, 2 * S / 7)), across);
        const truss_spec outer = make_truss(4, 1, vec_ext(Wx, Wx, 2 * S / 4));
        w.truss(vec_ext(2 * S, 0, 0), outer, across);
        w.truss(vec_ext(-2 * S, 0, 0), outer, across);
        const adaptor_spec ad = make_adaptor(W, W, W, blen, H);
        w.adaptor(vec_ext(3 * S, 0, 0), ad, vec_ext(0, half_pi, 0));
        w.adaptor(vec_ext(-3 * S, 0, 0), ad, vec_ext(0, -half_pi, 0));
        break;
    }
    case 2: {
        w.add(gen_power_wing(ctx, m, w.running(), 1, ptype, count, blen, W, H, rot, shear, vec_ext(0, 2 * Wx, 0),
                             vec_ext(0, half_pi, 0)));
        w.add(gen_power_wing(ctx, m, w.running(), 1, ptype, count, blen, W, H, rot, shear, vec_ext(0, -2 * Wx, 0),
                             Vec3{}));
        const adaptor_spec ad = make_adaptor(static_cast<double>(1.5L * Wx), blen, W, 4.0, 4.0);
        w.adaptor(vec_ext(0, 1.5L * Wx, 0), ad, vec_ext(half_pi, half_pi, 0));
        w.adaptor(vec_ext(0, -1.5L * Wx, 0), ad, vec_ext(-half_pi, 0, 0));
        break;
    }
    default:
        break;
    }
    return w.finish(t, ang);
}

}  // namespace quilbet
