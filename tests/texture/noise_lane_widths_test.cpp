// The row sampler's four-lane and eight-lane sweeps forced on the same rows:
// both must give noise_sum bit for bit, whatever the group layout (one cell,
// two cells of four lanes, a cell per lane with a shared or a differing (y, z)
// row, lattice axes in every combination), the row length, or the points
// whose products tie between two floats or that fall back to the plain path.
// The eight-lane half is skipped on processors without AVX2.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "lane_support.hpp"
#include "texture/noise_lanes.hpp"

namespace quilbet {
namespace {

using testing_lanes::same_bits;
using testing_lanes::seeded;

struct Row {
    std::vector<Vec3> p;
    std::vector<Vec3> scale;   // empty: unit scale
};

// Rows that put the lanes of a group into every layout the sweeps tell apart.
std::vector<Row> rows_of_every_layout() {
    std::vector<Row> rows;
    Random r;
    for (int length : {1, 3, 7, 8, 9, 13, 16, 23, 40, 67}) {
        Row unit, shifted, warped, scattered, eighths, lattice_yz, negative_zero, mixed;
        for (int x = 0; x < length; ++x) {
            const double fx = x;
            const double f = static_cast<double>(r.random_fraction());
            unit.p.push_back(Vec3{fx, 5.0, 100.0});                   // cells of 1 .. 32 pixels along x
            shifted.p.push_back(Vec3{fx + 3.0, -17.0, 100.0});        // cells straddling the groups
            warped.p.push_back(Vec3{fx, 9.0, 100.0});                 // y and z differ per lane: gathered rows
            warped.scale.push_back(Vec3{1.0 + f / 3.0, 0.6 + (x % 5) / 7.0, 1.0 - f / 5.0});
            scattered.p.push_back(Vec3{f * 600.0 - 300.0, f * 97.0, -f * 31.0});
            eighths.p.push_back(Vec3{x / 8.0, 2.5, 1900.0});
            lattice_yz.p.push_back(Vec3{x * 0.3, 11.0, -4.0});        // whole y and z in every lane
            negative_zero.p.push_back(Vec3{-0.0, fx * 0.37, -0.0});   // offsets of -0 on two axes
            // An occasional far, huge, tiny or negative-zero point among ordinary ones.
            const double odd[] = {3e7, -1e12, 1e-39, 2.5e38, -0.0};
            mixed.p.push_back(x % 6 == 5 ? Vec3{odd[x % 5], fx, 100.0} : Vec3{fx * 0.7, 3.25, 100.0});
        }
        for (Row* row : {&unit, &shifted, &warped, &scattered, &eighths, &lattice_yz, &negative_zero, &mixed}) rows.push_back(*row);
    }
    // Every choice of axes on which whole groups sit on whole numbers (their
    // corners are skipped at the wavelengths that keep them whole), the other
    // axes spread over one or more cells.
    for (int zero_axes = 1; zero_axes < 7; ++zero_axes) {
        Row row;
        for (int x = 0; x < 24; ++x) {
            double c[3];
            for (int a = 0; a < 3; ++a) c[a] = 7.0 + a * 3 + ((zero_axes >> a & 1) ? 0.0 : x * (0.1 + 0.2 * a));
            row.p.push_back(Vec3{c[0], c[1], c[2]});
        }
        rows.push_back(row);
    }
    // Scaled points whose double product lands exactly on a tie between two
    // floats while the extended product lies beside it, among ordinary ones.
    Row tied;
    for (int coord = 3; coord < 400 && tied.p.size() < 48; coord += 2) {
        for (int k = 0; k < 40 && tied.p.size() < 48; ++k) {
            const double tie = 1.0 + 0x1p-24 + k * 0x1p-23;
            const double s = tie / coord;
            if (s * coord == tie && static_cast<long double>(s) * coord != static_cast<long double>(tie)) {
                tied.p.push_back(Vec3{double(coord), double(coord), 100.0});
                tied.scale.push_back(Vec3{s, 1.0, 1.0});
                tied.p.push_back(Vec3{coord + 0.5, double(coord), 100.0});
                tied.scale.push_back(Vec3{1.0, 1.0, 1.0});
            }
        }
    }
    EXPECT_GT(tied.p.size(), 16u);
    rows.push_back(tied);
    return rows;
}

// Sums every row with the given lane width and checks each point against noise_sum.
void check_width(NoiseLanePath path, int32_t want_lanes) {
    const NoiseTables nt = seeded(271828);
    const NoiseLaneTables tables(nt);
    const std::vector<Row> rows = rows_of_every_layout();
    for (double wl : {32.0, 16.0, 8.0, 4.0, 1.0, 0.5, 5.0}) {
        for (int32_t octaves : {1, 3, 6}) {
            NoiseLanes lanes(tables, octaves, wl, path);
            ASSERT_EQ(lanes.lanes(), want_lanes);
            for (const Row& row : rows) {
                const auto n = static_cast<int32_t>(row.p.size());
                const Vec3* scale = row.scale.empty() ? nullptr : row.scale.data();
                std::vector<double> got(row.p.size());
                lanes.sum(n, row.p.data(), scale, got.data());
                for (size_t j = 0; j < got.size(); ++j) {
                    const double want = noise_sum(nt, row.p[j], octaves, scale ? scale[j] : Vec3{1, 1, 1}, wl);
                    if (std::isnan(want)) {
                        EXPECT_TRUE(std::isnan(got[j]));
                    } else {
                        ASSERT_TRUE(same_bits(got[j], want))
                            << want_lanes << " lanes, wl " << wl << " oct " << octaves << " length " << n << " point "
                            << j << ": " << row.p[j].x << " " << row.p[j].y << " " << row.p[j].z;
                    }
                }
            }
        }
    }
}

TEST(NoiseLaneWidths, FourLanesMatchNoiseSum) { check_width(NoiseLanePath::four_lanes, 4); }

TEST(NoiseLaneWidths, EightLanesMatchNoiseSum) {
    if (!NoiseLanes::eight_lanes_supported()) GTEST_SKIP() << "no AVX2 on this processor";
    check_width(NoiseLanePath::eight_lanes, 8);
}

TEST(NoiseLaneWidths, AutomaticTakesTheWidestAndBothWidthsAgree) {
    const NoiseTables nt = seeded(-99);
    const NoiseLaneTables tables(nt);
    NoiseLanes automatic(tables, 6, 16.0);
    EXPECT_EQ(automatic.lanes(), NoiseLanes::eight_lanes_supported() ? 8 : 4);
    NoiseLanes four(tables, 6, 16.0, NoiseLanePath::four_lanes);
    NoiseLanes eight(tables, 6, 16.0, NoiseLanePath::eight_lanes);
    // A texture's worth of warped rows, as the marble styles sample them,
    // through one sampler each (so the per-octave cell caches carry over).
    std::vector<Vec3> p(129), sc(129);
    std::vector<double> a(129), b(129);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 129; ++x) {
            p[static_cast<size_t>(x)] = Vec3{double(x), double(y), 100.0};
            sc[static_cast<size_t>(x)] = Vec3{1.0 + 0.4 * std::sin(x * 0.07 + y * 0.05), 0.8, 1.2};
        }
        four.sum(129, p.data(), sc.data(), a.data());
        eight.sum(129, p.data(), sc.data(), b.data());
        for (size_t x = 0; x < a.size(); ++x) ASSERT_TRUE(same_bits(a[x], b[x])) << x << "," << y;
    }
}

}  // namespace
}  // namespace quilbet
