// The space a block takes up, as a tree of boxes in the block's own frame:
// the root box holds the whole mesh, every node's box holds all triangles of
// its subtree, and the leaves hold a few dozen triangles each, so that boxes
// follow the block's outline (a habitat's cut corners, a wing's separate
// panels) instead of one box around everything.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "generate/block_choice.hpp"
#include "mesh/mesh.hpp"

namespace quilbet {

struct Box3 {
    double lo[3] = {0, 0, 0};
    double hi[3] = {0, 0, 0};
};

struct ShapeNode {
    Box3 box;
    int32_t left = -1;    // child node indices; -1 for a leaf
    int32_t right = -1;
    bool leaf() const { return left < 0; }
};

struct BlockShape {
    std::vector<ShapeNode> nodes;   // node 0 is the root; empty for a block without triangles
    // Kept only when asked for (the shape cache does not keep them): the
    // triangles in the block's frame, three corners each, ordered so that leaf
    // n holds triangles leaf_begin[n] .. leaf_end[n] - 1.
    std::vector<std::array<double, 9>> triangles;
    std::vector<uint32_t> leaf_begin, leaf_end;
};

// Triangles per leaf at most (a leaf is split only while it holds more).
inline constexpr size_t shape_leaf_triangles = 24;
// Every box is this much larger than its triangles on each side (metres).
inline constexpr double shape_box_margin = 0.005;

// The box tree of the triangles of a mesh's groups 0 .. grpcnt - 1, with the
// leaves' triangles when keep_triangles is set.
BlockShape shape_of_mesh(const typmsh& mesh, bool keep_triangles = false);

// The box tree of a block built from a choice: the geometry is built once with
// a context of its own (the module's random state is not involved).
BlockShape build_block_shape(const BlockChoice& choice, bool keep_triangles = false);

// Box trees by type and parameter values, built on first use and kept for the
// life of the process; safe to use from several threads.
class ShapeCache {
public:
    std::shared_ptr<const BlockShape> shape(const BlockChoice& choice);
    size_t size() const;
    // The cache every generator call shares.
    static ShapeCache& shared();

private:
    mutable std::mutex mutex_;
    std::map<BlockChoice, std::shared_ptr<const BlockShape>> shapes_;
};

}  // namespace quilbet
