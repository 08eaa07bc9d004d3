// Stations built after a start-up that defers the catalogue's default geometry
// against those after one that builds it at once: every example, one after
// another on the same module (each build draws on from the random state the
// previous one left), reaches the host bit for bit the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

#include "station/load_station.hpp"
#include "station/station_runner.hpp"

namespace quilbet {
namespace {

using Reports = std::vector<std::pair<int32_t, double>>;

void expect_same_handover(const HostHandover& a, const HostHandover& b) {
    ASSERT_EQ(a.groups.size(), b.groups.size());
    for (std::size_t g = 0; g < a.groups.size(); ++g) {
        const HandoverGroup& x = a.groups[g];
        const HandoverGroup& y = b.groups[g];
        SCOPED_TRACE("group " + std::to_string(g) + " of block " + x.block);
        ASSERT_EQ(x.vertices.size(), y.vertices.size());
        EXPECT_EQ(std::memcmp(x.vertices.data(), y.vertices.data(), x.vertices.size() * sizeof(HostVertex)), 0);
        EXPECT_EQ(x.indices, y.indices);
        EXPECT_EQ(std::memcmp(&x.material, &y.material, sizeof(HostMaterial)), 0);
        EXPECT_EQ(x.texw, y.texw);
        EXPECT_EQ(x.texh, y.texh);
        EXPECT_EQ(x.texels, y.texels);
        EXPECT_EQ(x.block, y.block);
        EXPECT_EQ(x.block_group, y.block_group);
    }
}

TEST(StartupStations, DeferredGeometryBuildsTheSameStations) {
    Module deferred, full;
    Reports deferred_reports, full_reports;
    deferred.set_progress_callback([&](int32_t phase, double f) { deferred_reports.emplace_back(phase, f); });
    full.set_progress_callback([&](int32_t phase, double f) { full_reports.emplace_back(phase, f); });
    ASSERT_TRUE(deferred.startup(StartupOptions{false, DefaultGeometry::on_first_use}));
    ASSERT_TRUE(full.startup(StartupOptions{false, DefaultGeometry::now}));
    EXPECT_EQ(deferred_reports, full_reports);

    std::vector<std::filesystem::path> examples;
    for (const auto& f : std::filesystem::directory_iterator(std::string(QUILBET_SOURCE_DIR) + "/examples")) {
        if (f.path().extension() == ".json") examples.push_back(f.path());
    }
    std::sort(examples.begin(), examples.end());
    ASSERT_GE(examples.size(), 6u);
    for (const auto& path : examples) {
        SCOPED_TRACE(path.filename().string());
        StationText st;
        Diagnostics diag;
        ASSERT_TRUE(load_station(path.string(), st, diag));
        const std::vector<uint8_t> blob = encode_blob(st.station);
        BuildResult a, b;
        std::string error;
        ASSERT_TRUE(run_station(deferred, blob, a, error)) << error;
        ASSERT_TRUE(run_station(full, blob, b, error)) << error;
        expect_same_handover(a.handover, b.handover);
        EXPECT_EQ(a.vessel, b.vessel);
        EXPECT_EQ(deferred.context().random.state(), full.context().random.state());
    }
    // Progress of the builds too; and no host path needed an entry's geometry.
    EXPECT_EQ(deferred_reports, full_reports);
    EXPECT_EQ(deferred.catalogue().built_count(), 0);
}

}  // namespace
}  // namespace quilbet
