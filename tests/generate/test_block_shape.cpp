// Box trees of block geometry: every triangle of a block lies in a leaf box,
// every box holds its children; the leaves follow the outline closely enough
// that habitats on neighbouring node ports do not count as overlapping; and
// the designs the generator draws build the same geometry whatever the
// module's random state, so the shape it tests is the shape the module builds.
#include <gtest/gtest.h>

#include <cstring>

#include "entry/station_build.hpp"
#include "generate/block_shape.hpp"
#include "generate/station_grower.hpp"
#include "generate/station_palette.hpp"

namespace quilbet {
namespace {

bool holds(const Box3& outer, const Box3& inner) {
    for (int a = 0; a < 3; ++a) {
        if (inner.lo[a] < outer.lo[a] || inner.hi[a] > outer.hi[a]) return false;
    }
    return true;
}

// True when some leaf below node n holds all three corners.
bool point_in_some_leaf(const BlockShape& s, int32_t n, const Vec3f& p) {
    const ShapeNode& node = s.nodes[static_cast<size_t>(n)];
    // Sample points are formed in float: a tenth of a millimetre of slack.
    const double v[3] = {p.x, p.y, p.z};
    for (int a = 0; a < 3; ++a) {
        if (v[a] < node.box.lo[a] - 1e-4 || v[a] > node.box.hi[a] + 1e-4) return false;
    }
    if (node.leaf()) return true;
    return point_in_some_leaf(s, node.left, p) || point_in_some_leaf(s, node.right, p);
}

// Long triangles are cut into pieces across leaves: every point of a
// barycentric sample of the triangle must lie in some leaf.
bool in_some_leaf(const BlockShape& s, int32_t n, const Vec3f (&t)[3]) {
    constexpr int steps = 8;
    for (int i = 0; i <= steps; ++i) {
        for (int j = 0; i + j <= steps; ++j) {
            const float a = static_cast<float>(i) / steps, b = static_cast<float>(j) / steps, c = 1.0f - a - b;
            const Vec3f p{a * t[0].x + b * t[1].x + c * t[2].x, a * t[0].y + b * t[1].y + c * t[2].y,
                          a * t[0].z + b * t[1].z + c * t[2].z};
            if (!point_in_some_leaf(s, n, p)) return false;
        }
    }
    return true;
}

blocktyp built(const BlockChoice& c, uint32_t random_state) {
    Context ctx;
    return build_block(ctx, make_instance(c), random_state).block;
}

// Designs of every type as the palette draws them, and the catalogue defaults when asked for.
std::vector<BlockChoice> sample_designs(int drawn_per_type, bool defaults) {
    std::vector<BlockChoice> out;
    SeededRandom rng(2024);
    for (const BlockTypeSpec& t : block_types()) {
        if (defaults) out.push_back(default_choice(t.type));
        for (int i = 0; i < drawn_per_type; ++i) out.push_back(draw_design(t.type, rng));
    }
    return out;
}

TEST(BlockShape, EveryTriangleLiesInALeafAndBoxesNest) {
    for (const BlockChoice& c : sample_designs(1, true)) {
        const blocktyp b = built(c, 0);
        const BlockShape s = shape_of_mesh(b.msh);
        const char* name = type_spec(c.type).name;
        ASSERT_FALSE(s.nodes.empty()) << name;
        for (const ShapeNode& n : s.nodes) {
            if (n.leaf()) continue;
            EXPECT_TRUE(holds(n.box, s.nodes[static_cast<size_t>(n.left)].box)) << name;
            EXPECT_TRUE(holds(n.box, s.nodes[static_cast<size_t>(n.right)].box)) << name;
        }
        size_t missing = 0;
        for (int32_t g = 0; g < b.msh.grpcnt; ++g) {
            const typmshgrp& grp = b.msh.grp[static_cast<size_t>(g)];
            for (size_t i = 0; i + 2 < grp.ind.size(); i += 3) {
                const Vec3f t[3] = {grp.pnt[static_cast<size_t>(grp.ind[i])].pos, grp.pnt[static_cast<size_t>(grp.ind[i + 1])].pos,
                                    grp.pnt[static_cast<size_t>(grp.ind[i + 2])].pos};
                missing += in_some_leaf(s, 0, t) ? 0 : 1;
            }
        }
        EXPECT_EQ(missing, 0u) << name << ": triangles outside every leaf";
    }
}

TEST(BlockShape, HabitatsOnNeighbouringNodePortsDoNotOverlap) {
    // Hull boxes around whole habitats would overlap in the corner between two
    // node ports; the leaves follow the cut corners of the hulls.
    ShapeCache cache;
    StationGrower g(cache, 3);
    g.start(default_choice(BlockType::hab_node_a));
    const BlockChoice hab = default_choice(BlockType::hab_a);
    const int32_t east = g.attach({0, 4}, hab, 1);
    const int32_t north = g.attach({0, 2}, hab, 1);
    ASSERT_GE(east, 0);
    ASSERT_GE(north, 0);
    BlockShape whole = *cache.shape(hab);
    whole.nodes.resize(1);
    whole.nodes[0].left = whole.nodes[0].right = -1;
    EXPECT_TRUE(shapes_overlap(whole, g.pose_of(east), whole, g.pose_of(north), touching_depth));
}

TEST(BlockShape, DrawnDesignsBuildTheSameWhateverTheModulesRandomState) {
    for (const BlockChoice& c : sample_designs(3, false)) {
        const blocktyp a = built(c, 0);
        const blocktyp b = built(c, 0x9E3779B9u);
        ASSERT_EQ(a.msh.grpcnt, b.msh.grpcnt) << type_spec(c.type).name;
        for (int32_t g = 0; g < a.msh.grpcnt; ++g) {
            const auto& pa = a.msh.grp[static_cast<size_t>(g)].pnt;
            const auto& pb = b.msh.grp[static_cast<size_t>(g)].pnt;
            ASSERT_EQ(pa.size(), pb.size()) << type_spec(c.type).name;
            for (size_t i = 0; i < pa.size(); ++i) {
                ASSERT_EQ(std::memcmp(&pa[i].pos, &pb[i].pos, sizeof(Vec3f)), 0) << type_spec(c.type).name << " group " << g;
            }
        }
    }
}

TEST(ShapeCache, OneShapePerTypeAndValues) {
    ShapeCache cache;
    const BlockChoice a = default_choice(BlockType::tank_a);
    BlockChoice longer = a;
    longer.set(param::length, 16);
    const auto first = cache.shape(a);
    EXPECT_EQ(cache.shape(a), first);
    const auto other = cache.shape(longer);
    EXPECT_NE(other, first);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_GT(other->nodes[0].box.hi[2], first->nodes[0].box.hi[2]);
}

}  // namespace
}  // namespace quilbet
