// Geometry dispatch: routes every block type to its generator with the
// arguments that its parameters give, defines the type's ports from the same
// values and measures the mesh.
//
// Every generator builds around the block's origin (zero offset, zero angles).
// Port directions point out of the block; positions are in the block's frame.
#include "blocks/geometry.hpp"

#include <limits>

#include "blocks/habitat.hpp"
#include "blocks/placement.hpp"
#include "blocks/wings.hpp"
#include "mesh/adaptor_tank.hpp"
#include "mesh/panel_truss.hpp"

namespace quilbet {

namespace {

constexpr Vec3 zero3{0, 0, 0};

// Collects the ports of one type while the generator runs; written into the
// block only when ports are requested.
struct PortList {
    struct Row {
        Vec3 pos, dir, up;
        int32_t kind;
    };
    std::vector<Row> rows;
    bool defined = false;  // false for a type the dispatch does not know

    void add(Vec3 pos, Vec3 dir, Vec3 up, int32_t kind) { rows.push_back({pos, dir, up, kind}); }
};

Vec3 v(double x, double y, double z) { return Vec3{x, y, z}; }

// The box-section girder's ports: the two ends, then four side ports per bay.
// Bays are centred on the origin along z: z_i = i L - (n L / 2 - L / 2).
void truss_ports(PortList& pl, int32_t n, Vec3 dims) {
    const long double w = dims.x;
    const long double h = dims.y;
    const long double len = dims.z;
    pl.add(v(0, 0, static_cast<double>(n * len / 2)), v(0, 0, 1), v(0, 1, 0), 1);
    pl.add(v(0, 0, static_cast<double>(-(n * len) / 2)), v(0, 0, -1), v(0, -1, 0), 1);
    for (int32_t i = 0; i < n; ++i) {
        const double z = static_cast<double>(i * len - (n * len / 2 - len / 2));
        const double hw = static_cast<double>(w / 2);
        const double hh = static_cast<double>(h / 2);
        pl.add(v(hw, 0, z), v(1, 0, 0), v(0, 1, 0), 2);
        pl.add(v(-hw, 0, z), v(-1, 0, 0), v(0, -1, 0), 2);
        pl.add(v(0, hh, z), v(0, 1, 0), v(1, 0, 0), 3);
        pl.add(v(0, -hh, z), v(0, -1, 0), v(-1, 0, 0), 3);
    }
}

// Habitat ports: two axial ports of kind 10 and four side ports at offset s.
void habitat_ports(PortList& pl, int32_t btype, double len, double s) {
    pl.add(v(0, 0, len / 2), v(0, 0, 1), v(0, 1, 0), 10);
    pl.add(v(0, 0, -len / 2), v(0, 0, -1), v(0, -1, 0), 10);
    if (btype == 53) {
        pl.add(v(0, s, 0), v(0, 1, 0), v(0, 0, 1), 10);
        pl.add(v(0, -s, 0), v(0, -1, 0), v(0, 0, -1), 10);
        pl.add(v(s, 0, 0), v(1, 0, 0), v(0, 1, 0), 10);
        pl.add(v(-s, 0, 0), v(-1, 0, 0), v(0, -1, 0), 10);
        return;
    }
    pl.add(v(s, 0, 0), v(1, 0, 0), v(0, 1, 0), 1);
    pl.add(v(-s, 0, 0), v(-1, 0, 0), v(0, -1, 0), 1);
    if (btype == 52) {
        pl.add(v(0, s, 0), v(0, 1, 0), v(1, 0, 0), 1);
        pl.add(v(0, -s, 0), v(0, -1, 0), v(-1, 0, 0), 1);
    } else {
        pl.add(v(0, s, 0), v(0, 1, 0), v(0, 0, 1), 1);
        pl.add(v(0, -s, 0), v(0, -1, 0), v(0, 0, -1), 1);
    }
}

// The block count of a truss, refused when negative (or so large that 4 n + 2
// ports cannot be counted in 32 bits): such a truss is built with no bays.
int32_t safe_bay_count(int32_t n) {
    if (n < 0 || n > (std::numeric_limits<int32_t>::max() - 2) / 4) return 0;
    return n;
}

// Calls the generator of b's type; returns the number of groups filled.
int32_t dispatch(Context& ctx, blocktyp& b, PortList& pl) {
    typmsh& m = b.msh;
    typmshgrp* g0 = m.grp.data();
    const int32_t cap = block_group_capacity;
    const int32_t t = b.btype;
    pl.defined = true;

    switch (t) {
    case 11:
    case 12:
    case 13: {
        const int32_t filled = gen_power_wing(ctx, m, 0, t - 11, param_int(b, 1), std_count, std_length, std_width,
                                              std_height, param_value(b, 2), param_value(b, 3), zero3, zero3);
        if (t == 13) {
            const double e = 2.5 * std_width;
            pl.add(v(0, e, 0), v(0, 1, 0), v(0, 0, 1), 3);
            pl.add(v(0, -e, 0), v(0, -1, 0), v(0, 0, -1), 3);
        } else {
            pl.add(v(0, std_height / 2, 0), v(0, 1, 0), v(0, 0, 1), 3);
            pl.add(v(0, -std_height / 2, 0), v(0, -1, 0), v(0, 0, -1), 3);
            pl.add(v(0, 0, std_width / 2), v(0, 0, 1), v(0, 1, 0), 2);
            pl.add(v(0, 0, -std_width / 2), v(0, 0, -1), v(0, -1, 0), 2);
        }
        return filled;
    }
    case 21:
    case 22:
    case 23:
    case 24: {
        const int32_t filled = gen_solar_wing(ctx, m, 0, t - 21, std_width, std_height, param_value(b, 1),
                                              param_value(b, 2), zero3, zero3);
        pl.add(v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), 1);
        return filled;
    }
    case 31:
    case 32:
    case 33:
    case 34: {
        static constexpr double dims[4][4] = {{5, 5, 1, 2}, {5, 2, 0, 2}, {8, 2, 0, 2}, {5, 8, 0, 2}};
        panel_spec spec;
        spec.rows = param_int(b, 3);
        spec.variant = t - 31;
        spec.dim_a = dims[t - 31][0];
        spec.dim_b = dims[t - 31][1];
        spec.gap = dims[t - 31][2];
        spec.spine = dims[t - 31][3];
        spec.shear = param_value(b, 2);
        spec.smalling = param_bool(b, 1) ? 1 : 0;
        const int32_t filled = gen_solar_panel(ctx, g0, cap, zero3, spec, zero3);
        pl.add(v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), 1);
        return filled;
    }
    case 41:
    case 42:
    case 43: {
        truss_spec spec;
        spec.count = safe_bay_count(param_int(b, 2));
        spec.variant = t - 41;
        spec.bar = 0.1;
        spec.rail = 0.2;
        spec.dims = v(std_width, std_height, param_value(b, 1));
        spec.cross_a = param_bool(b, 3) ? 1 : 0;
        spec.cross_b = param_bool(b, 4) ? 1 : 0;
        spec.cross_c = param_bool(b, 5) ? 1 : 0;
        const int32_t filled = gen_truss(ctx, g0, cap, zero3, spec, zero3);
        truss_ports(pl, spec.count, spec.dims);
        return filled;
    }
    case 99: {
        truss_spec spec;
        spec.count = std_count;
        spec.variant = 2;
        spec.bar = 0.1;
        spec.rail = 0.2;
        spec.dims = v(2 * std_width, std_height, std_length);
        spec.cross_a = spec.cross_b = spec.cross_c = 1;
        const int32_t filled = gen_truss(ctx, g0, cap, zero3, spec, zero3);
        const long double n = spec.count;
        pl.add(v(0, 0, static_cast<double>(n * spec.dims.z / 2)), v(0, 0, 1), v(0, 1, 0), 1);
        pl.add(v(spec.dims.x / 2, 0, 0), v(1, 0, 0), v(0, 1, 0), 1);
        pl.add(v(0, spec.dims.y / 2, 0), v(0, 1, 0), v(0, 0, 1), 1);
        return filled;
    }
    case 51:
    case 52:
    case 53:
    case 54:
    case 55: {
        hab_spec spec;
        spec.variant = t - 51;
        spec.width = 6.0;
        if (t == 53) {
            spec.length = 6.0;
            spec.windows = 0;
            spec.rounded = 0;
        } else {
            spec.length = param_value(b, 3);
            spec.windows = param_int(b, 1);
            spec.rounded = (t == 54) ? 0 : (param_bool(b, 2) ? 1 : 0);
        }
        for (uint8_t& h : spec.no_hatch) h = 0;
        const int32_t filled = gen_habitat(ctx, m, 0, zero3, zero3, spec);
        const double len = spec.length;
        if (t == 55) {
            pl.add(v(0, 0, -len / 2), v(0, 0, -1), v(0, -1, 0), 10);
            pl.add(v(0, 0, len / 11), v(0, 0, 1), v(0, 1, 0), 11);
        } else {
            double s = 6.0 / 2;
            if (t == 52) s = 4 * 6.0 / 12;
            if (t == 54) s = (6.0 - 0.5) / 2;
            habitat_ports(pl, t, len, s);
        }
        return filled;
    }
    case 61:
    case 62: {
        adaptor_spec spec;
        spec.variant = 1;
        spec.bar = 0.1;
        spec.rail = 0.2;
        spec.len = param_value(b, 1);
        spec.w0 = std_length;
        spec.h0 = (t == 61) ? std_height : std_width;
        spec.w1 = std_width;
        spec.h1 = std_height;
        spec.sw_a = spec.sw_b = spec.sw_c = 1;
        const int32_t filled = gen_adaptor(ctx, g0, cap, zero3, spec, zero3);
        pl.add(v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), t == 61 ? 2 : 3);
        pl.add(v(0, 0, spec.len), v(0, 0, 1), v(0, 1, 0), 1);
        return filled;
    }
    case 71:
    case 72: {
        const double len = param_value(b, 1);
        const double r = param_value(b, 2);
        const int32_t filled = gen_tank(ctx, g0, cap, zero3, r, len, t - 71, zero3);
        pl.add(v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), 1);
        pl.add(v(0, 0, len), v(0, 0, 1), v(0, 1, 0), 1);
        return filled;
    }
    case 81:
    case 82: {
        const double len = param_value(b, 1);
        const double h0 = (t == 81) ? std_height : std_width;
        const int32_t filled = gen_port(ctx, m, 0, 0, std_length, h0, len, zero3, zero3);
        pl.add(v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), t - 81 + 2);
        pl.add(v(0, 0, len + 2.5), v(0, 0, 1), v(0, 1, 0), 11);
        return filled;
    }
    default:
        pl.defined = false;
        return 0;
    }
}

}  // namespace

void build_block_geometry(Context& ctx, blocktyp& b, bool with_ports) {
    msh_prepare(b.msh);
    PortList pl;
    int32_t count = dispatch(ctx, b, pl);
    // A generator that reports too little room has filled nothing.
    if (count < 0) count = 0;
    if (count > block_group_capacity) count = block_group_capacity;

    if (with_ports && pl.defined) {
        b.nports = static_cast<int32_t>(pl.rows.size());
        b.ports.resize(pl.rows.size());
        for (size_t i = 0; i < pl.rows.size(); ++i) {
            const PortList::Row& r = pl.rows[i];
            define_port(b.ports[i], r.pos, r.dir, r.up, r.kind);
        }
    }
    b.size = msh_finish(b.msh, count);
}

}  // namespace quilbet
