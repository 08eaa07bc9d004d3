// Geometry dispatch: routes every block type to its generator with the
// arguments that its parameters give, defines the type's ports from the same
// values (block_ports.cpp) and measures the mesh.
//
// Every generator builds around the block's origin (zero offset, zero angles).
#include "blocks/geometry.hpp"

#include "blocks/block_ports.hpp"

#include "blocks/habitat.hpp"
#include "blocks/placement.hpp"
#include "blocks/wings.hpp"
#include "mesh/adaptor_tank.hpp"
#include "mesh/panel_truss.hpp"

namespace quilbet {

namespace {

constexpr Vec3 zero3{0, 0, 0};

Vec3 v(double x, double y, double z) { return Vec3{x, y, z}; }

// Calls the generator of b's type; returns the number of groups filled.
int32_t dispatch(Context& ctx, blocktyp& b) {
    typmsh& m = b.msh;
    typmshgrp* g0 = m.grp.data();
    const int32_t cap = block_group_capacity;
    const int32_t t = b.btype;

    switch (t) {
    case 11:
    case 12:
    case 13: {
        return gen_power_wing(ctx, m, 0, t - 11, param_int(b, 1), std_count, std_length, std_width, std_height,
                              param_value(b, 2), param_value(b, 3), zero3, zero3);
    }
    case 21:
    case 22:
    case 23:
    case 24: {
        return gen_solar_wing(ctx, m, 0, t - 21, std_width, std_height, param_value(b, 1), param_value(b, 2), zero3,
                              zero3);
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
        return gen_solar_panel(ctx, g0, cap, zero3, spec, zero3);
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
        return gen_truss(ctx, g0, cap, zero3, spec, zero3);
    }
    case 99: {
        truss_spec spec;
        spec.count = std_count;
        spec.variant = 2;
        spec.bar = 0.1;
        spec.rail = 0.2;
        spec.dims = v(2 * std_width, std_height, std_length);
        spec.cross_a = spec.cross_b = spec.cross_c = 1;
        return gen_truss(ctx, g0, cap, zero3, spec, zero3);
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
        return gen_habitat(ctx, m, 0, zero3, zero3, spec);
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
        return gen_adaptor(ctx, g0, cap, zero3, spec, zero3);
    }
    case 71:
    case 72: {
        return gen_tank(ctx, g0, cap, zero3, param_value(b, 2), param_value(b, 1), t - 71, zero3);
    }
    case 81:
    case 82: {
        const double h0 = (t == 81) ? std_height : std_width;
        return gen_port(ctx, m, 0, 0, std_length, h0, param_value(b, 1), zero3, zero3);
    }
    default:
        return 0;
    }
}

}  // namespace

void build_block_geometry(Context& ctx, blocktyp& b, bool with_ports) {
    msh_prepare(b.msh);
    int32_t count = dispatch(ctx, b);
    // A generator that reports too little room has filled nothing.
    if (count < 0) count = 0;
    if (count > block_group_capacity) count = block_group_capacity;

    std::vector<PortDef> rows;
    if (with_ports && block_port_defs(b, rows)) {
        b.nports = static_cast<int32_t>(rows.size());
        b.ports.resize(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) define_port(b.ports[i], rows[i].pos, rows[i].dir, rows[i].up, rows[i].kind);
    }
    b.size = msh_finish(b.msh, count);
}

}  // namespace quilbet
