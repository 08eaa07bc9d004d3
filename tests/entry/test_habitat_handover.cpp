// Habitat hulls as the host receives them: the triangles of the three hull
// groups after merging, for the habitats whose hulls the host draws most.
#include <gtest/gtest.h>

#include "entry_support.hpp"

namespace quilbet::test {
namespace {

TEST(HabitatHandover, HullGroupsReachTheHostWithTheirMergedTriangleCounts) {
    struct Row {
        const char* habitat;
        int32_t type;
        std::vector<std::pair<int32_t, double>> params;   // Windows = 1, Round = 2
        uint32_t triangles[3];
    };
    const Row rows[] = {
        {"Hab_A defaults", 51, {}, {668, 80, 892}},
        {"Hab_Node_A defaults", 53, {}, {536, 144, 200}},
        {"Hab_A, Round off, Windows 0", 51, {{2, 0.0}, {1, 0.0}}, {128, 48, 96}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.habitat);
        TestModule t;
        InProcessHost host;
        t.m.initint(host.table());
        VesselCall call(t.m, make_blob(1, {{0, r.type, r.params, {}}}));
        t.m.make_vesselmesh(host.mesh());
        ASSERT_TRUE(t.lines.empty());
        for (int32_t g = 0; g < 3; ++g) {
            EXPECT_EQ(host.group(g).flags, 0u);
            EXPECT_EQ(host.group(g).nidx, 3 * r.triangles[g]) << "group " << g;
        }
    }
}

}  // namespace
}  // namespace quilbet::test
