// The block-type table, walked once: every type's catalogue entry is its row,
// its defaults pass its hard limits, it builds, its ports worked out without
// geometry are the ports the build defines, and its build figures are never
// below what the build really makes, over a sweep of each parameter's hard range;
// and its default build draws the row's count of random numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "blocks/block_types.hpp"
#include "blocks/catalogue.hpp"
#include "blocks/geometry.hpp"
#include "blocks/placement.hpp"
#include "support/sanitizer_share.hpp"
#include "texture/painters.hpp"

namespace quilbet {
namespace {

// The values each parameter of type btype is swept over: both ends of its
// hard range, the catalogue's range and default, and some points between;
// switches both ways. Habitat hulls are slow to mold, so their sweep is coarser.
std::vector<double> sweep(int32_t btype, const ParamSpec& p) {
    if (p.kind == ParamKind::on_off) return {1.0, -1.0};
    const double lo = p.hard_lo, hi = p.hard_hi;
    if (hi >= general_value_limit) return {p.min, p.max, p.def, -1.0, hi};
    std::set<double> v{lo, hi, p.min, p.max, p.def};
    const bool molded = btype >= 51 && btype <= 55;
    const int steps = molded ? 3 : 16;
    for (int i = 1; i < steps; ++i) v.insert(p.kind == ParamKind::whole ? std::floor(lo + (hi - lo) * i / steps)
                                                                        : lo + (hi - lo) * i / steps);
    return {v.begin(), v.end()};
}

struct Measured {
    int64_t groups = 0, vertices = 0, pixels = 0;
};

Measured measure(const blocktyp& b) {
    Measured m{b.msh.grpcnt, 0, 0};
    for (int32_t i = 0; i < b.msh.grpcnt; ++i) {
        const typmshgrp& g = b.msh.grp[static_cast<size_t>(i)];
        m.vertices += static_cast<int64_t>(g.pnt.size());
        if (g.texpix) m.pixels += static_cast<int64_t>(g.texw) * g.texh;
    }
    return m;
}

TEST(BlockTypes, EveryRowBuildsWithinItsFiguresAndPorts) {
    Context ctx;
    Catalogue cat;
    cat.build_catalogue(ctx);
    ASSERT_EQ(cat.entries().size(), block_types().size());
    for (size_t i = 0; i < block_types().size(); ++i) {
        const BlockTypeSpec& row = block_types()[i];
        const blocktyp& entry = cat.entries()[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.btype, row.btype());
        EXPECT_EQ(find_block_type(row.btype()), &row);
        EXPECT_EQ(cat.names().at(static_cast<size_t>(entry.cat)), category_names().at(static_cast<size_t>(row.category)));
        ASSERT_EQ(entry.nparams, static_cast<int32_t>(row.params.size()));
        for (const ParamSpec& p : row.params) {
            EXPECT_EQ(param_value(entry, p.id), p.def);
            EXPECT_EQ(hard_limit_problem(p, p.def), "") << p.name;
        }
    }
    for (const blocktyp& entry : cat.entries()) {
        // Each parameter swept on its own from the defaults; for trusses also
        // with every switch on, where the figures are largest.
        std::vector<std::vector<std::pair<int32_t, double>>> cases{{}};
        for (const ParamSpec& p : find_block_type(entry.btype)->params) {
            for (double value : sweep(entry.btype, p)) cases.push_back({{p.id, value}});
        }
        if (entry.btype >= 41 && entry.btype <= 43) {
            for (double n : {0.0, 1.0, 64.0}) cases.push_back({{2, n}, {3, 1.0}, {4, 1.0}, {5, 1.0}});
        }
        for (size_t c = 0; c < cases.size(); ++c) {
            if (!in_sanitizer_share(static_cast<int64_t>(c), 3)) continue;
            const auto& values = cases[c];
            blocktyp b;
            copy_block(b, entry, true);
            for (const auto& [id, value] : values)
                for (paramtyp& p : b.params)
                    if (p.id == id) p.val = value;
            const BuildFigures f = block_build_figures(b);
            std::vector<PortDef> defs;
            ASSERT_TRUE(block_port_defs(b, defs));
            build_block_geometry(ctx, b, true);
            const Measured m = measure(b);
            SCOPED_TRACE(entry.name + (values.empty() ? std::string(" defaults")
                                                      : " parameter " + std::to_string(values[0].first) + " = " +
                                                            std::to_string(values[0].second)));
            EXPECT_GE(f.groups, m.groups);
            EXPECT_GE(f.vertices, m.vertices);
            EXPECT_GE(f.pixels, m.pixels);
            EXPECT_GT(f.work, 0);
            // The rows read without geometry are the ports the build defined.
            ASSERT_EQ(defs.size(), b.ports.size());
            for (size_t i = 0; i < defs.size(); ++i) {
                EXPECT_EQ(static_cast<int32_t>(defs[i].kind), b.ports[i].kind);
                EXPECT_EQ(defs[i].pos.z, b.ports[i].lpos.z);
                // Every port has a name, and the name finds that port and no other.
                EXPECT_FALSE(port_name(defs[i]).empty());
                EXPECT_EQ(port_index_named(defs, port_name(defs[i])), static_cast<int32_t>(i)) << port_name(defs[i]);
            }
        }
    }
    blocktyp unknown;
    unknown.btype = 77;
    EXPECT_EQ(block_build_figures(unknown).groups, 0);
}

// Start-up skips the entries' default builds by each row's default_draws, so
// the default build must draw exactly that many numbers from any state, the
// last one seeding the noise tables as tex_noise does.
TEST(BlockTypes, DefaultBuildDrawsTheRowsCount) {
    Context unused;
    Catalogue cat;
    cat.build_catalogue(unused);
    for (size_t i = 0; i < block_types().size(); ++i) {
        const BlockTypeSpec& row = block_types()[i];
        SCOPED_TRACE(row.name);
        for (uint32_t start : {0u, 0x9E3779B9u, 0xFFFFFFFFu}) {
            Context built;
            built.random.set_state(start);
            blocktyp b = cat.definition(static_cast<int32_t>(i));
            build_block_geometry(built, b, true);
            Context skipped;
            skipped.random.set_state(start);
            skipped.random.advance(static_cast<uint32_t>(row.default_draws - 1));
            tex_noise_seed(skipped);
            EXPECT_EQ(built.random.state(), skipped.random.state()) << "from state " << start;
            EXPECT_EQ(std::memcmp(built.noise.noise_perm, skipped.noise.noise_perm, sizeof built.noise.noise_perm), 0);
            EXPECT_EQ(std::memcmp(built.noise.noise_grad, skipped.noise.noise_grad, sizeof built.noise.noise_grad), 0);
        }
    }
}

}  // namespace
}  // namespace quilbet
