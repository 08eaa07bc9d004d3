// Habitat hulls through the fast molder (block-by-block coarsening, fast
// merge, cached cube-pass normals) against the step-by-step molder with the
// step-by-step merge: every habitat variant, with and without windows,
// rounding, several window rows and proportions, must give the same three hull groups bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "generators/habitat.hpp"
#include "generators/habitat_lattice.hpp"
#include "metamold/grid.hpp"
#include "metamold/merge.hpp"
#include "metamold/polygonise.hpp"
#include "support/polygonise_by_buckets.hpp"
#include "support/sanitizer_share.hpp"

namespace quilbet {
namespace {

struct Hull {
    typmsh mesh;
    int32_t raw = 0, tris = 0;
};

enum class Molding { step_by_step, fast, fast_two_threads };

Hull mold(const hab_spec& spec, Molding how, int32_t passes = 6) {
    mbs_grid grid;
    grid.resolution = hab_resolution;
    grid.group_count = 3;
    grid.pass_count = passes;
    grid.round_sides = spec.rounded;
    mbs_build_grid(grid);
    hab_fill_lattice(grid, spec);
    Hull h;
    h.mesh.used = 1;
    h.mesh.grpcnt = 3;
    h.mesh.grp.resize(3);
    if (how == Molding::step_by_step) oracle::polygonise_by_buckets(h.mesh, 0, grid, mbs_merge_coplanar_tolerant);
    else mbs_polygonise(h.mesh, 0, grid, how == Molding::fast_two_threads);
    h.raw = grid.raw_triangle_count;
    h.tris = grid.triangle_count;
    return h;
}

// The fast molder, on one thread and on two, against the step-by-step form.
void expect_same_hull(const hab_spec& spec) {
    const Hull plain = mold(spec, Molding::step_by_step);
    for (const Molding how : {Molding::fast, Molding::fast_two_threads}) {
        SCOPED_TRACE(how == Molding::fast ? "one thread" : "two threads");
        const Hull fast = mold(spec, how);
        EXPECT_EQ(fast.raw, plain.raw);
        ASSERT_EQ(fast.tris, plain.tris);
        EXPECT_GT(fast.tris, 0);
        for (size_t g = 0; g < 3; ++g) {
            const typmshgrp& a = fast.mesh.grp[g];
            const typmshgrp& b = plain.mesh.grp[g];
            ASSERT_EQ(a.pnt.size(), b.pnt.size()) << "group " << g;
            EXPECT_EQ(a.ind, b.ind);
            EXPECT_EQ(std::memcmp(a.pnt.data(), b.pnt.data(), a.pnt.size() * sizeof(pnttyp)), 0) << "group " << g;
        }
    }
}

TEST(HabitatHullOracle, EveryVariantMoldsAsTheStepByStepForm) {
    int64_t case_number = 0;
    for (int32_t variant = 0; variant <= 4; ++variant) {
        for (int32_t windows : {0, 3, 5}) {
            for (uint8_t rounded = 0; rounded <= 1; ++rounded) {
                if (!in_sanitizer_share(case_number++)) continue;
                SCOPED_TRACE(::testing::Message() << variant << " " << windows << " " << int(rounded));
                hab_spec spec;
                spec.variant = variant;
                spec.length = variant == 2 ? 6.0 : 8.0;
                spec.windows = windows;
                spec.rounded = rounded;
                expect_same_hull(spec);
            }
        }
    }
}

TEST(HabitatHullOracle, WindowRowsAndProportionsMoldAsTheStepByStepForm) {
    for (int32_t variant : {0, 1, 3}) {
        for (int32_t windows : {2, 4}) {
            hab_spec spec;
            spec.variant = variant;
            spec.windows = windows;
            spec.width = 5.0;
            spec.length = windows == 2 ? 11.0 : 4.5;
            SCOPED_TRACE(::testing::Message() << variant << " windows " << windows);
            expect_same_hull(spec);
        }
    }
}

// Area (in double) and bounding box of one group's triangles.
struct GroupMeasure {
    double area = 0;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
};

GroupMeasure measure(const typmshgrp& g) {
    GroupMeasure m;
    for (size_t t = 0; t + 2 < g.ind.size(); t += 3) {
        const Vec3f a = g.pnt[size_t(g.ind[t])].pos, b = g.pnt[size_t(g.ind[t + 1])].pos, c = g.pnt[size_t(g.ind[t + 2])].pos;
        const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
        const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
        const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        m.area += std::sqrt(nx * nx + ny * ny + nz * nz) / 2;
        for (const Vec3f& p : {a, b, c}) {
            const float v[3] = {p.x, p.y, p.z};
            for (int k = 0; k < 3; ++k) {
                m.lo[k] = std::min(m.lo[k], v[k]);
                m.hi[k] = std::max(m.hi[k], v[k]);
            }
        }
    }
    return m;
}

// Merging changes how each hull group is cut into triangles, never its area
// or its extents: every variant, window count and cross-section against the
// cube pass's facets.
TEST(HabitatHullOracle, MergingKeepsTheAreaAndExtentsOfEveryGroup) {
    int64_t case_number = 0;
    for (int32_t variant = 0; variant <= 4; ++variant) {
        const int32_t most_windows = (variant == 2 || variant == 4) ? 0 : 5;
        for (int32_t windows = 0; windows <= most_windows; ++windows) {
            for (uint8_t rounded = 0; rounded <= 1; ++rounded) {
                if (!in_sanitizer_share(case_number++, 3)) continue;
                SCOPED_TRACE(::testing::Message() << "variant " << variant << " windows " << windows << " round " << int(rounded));
                hab_spec spec;
                spec.variant = variant;
                spec.length = variant == 2 ? 6.0 : 8.0;
                spec.windows = windows;
                spec.rounded = rounded;
                const Hull raw = mold(spec, Molding::fast, 0), merged = mold(spec, Molding::fast);
                EXPECT_LT(merged.tris, raw.tris);
                for (size_t g = 0; g < 3; ++g) {
                    const GroupMeasure a = measure(raw.mesh.grp[g]), b = measure(merged.mesh.grp[g]);
                    EXPECT_GT(a.area, 0.0) << "group " << g;
                    EXPECT_NEAR(b.area, a.area, 1e-6 * a.area) << "group " << g;
                    for (int k = 0; k < 3; ++k) {
                        EXPECT_EQ(b.lo[k], a.lo[k]) << "group " << g;
                        EXPECT_EQ(b.hi[k], a.hi[k]) << "group " << g;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace quilbet
