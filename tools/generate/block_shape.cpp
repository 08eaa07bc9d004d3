// Box trees from block geometry: a median split of the triangles by their
// centres along the longest side of the current box, down to small leaves.
#include "generate/block_shape.hpp"

#include <algorithm>
#include <limits>

#include "entry/station_build.hpp"

namespace quilbet {
namespace {

struct Triangle {
    double v[3][3];   // three corners
    double centre[3];
    size_t id;        // place in the mesh, to order triangles with equal centres
};

Box3 empty_box() {
    Box3 b;
    for (int a = 0; a < 3; ++a) {
        b.lo[a] = std::numeric_limits<double>::infinity();
        b.hi[a] = -std::numeric_limits<double>::infinity();
    }
    return b;
}

void grow(Box3& b, const double p[3]) {
    for (int a = 0; a < 3; ++a) {
        b.lo[a] = std::min(b.lo[a], p[a]);
        b.hi[a] = std::max(b.hi[a], p[a]);
    }
}

// Triangles longer than this are halved across their longest edge (up to
// max_splits times), so that a leaf's box follows the surface however the mesh
// was triangulated (merged hulls have long slivers whose boxes would take in
// empty space).
constexpr double longest_leaf_edge = 3.0;
constexpr int max_splits = 3;

double edge2(const Triangle& t, int i) {
    double d = 0;
    for (int a = 0; a < 3; ++a) {
        const double e = t.v[(i + 1) % 3][a] - t.v[i][a];
        d += e * e;
    }
    return d;
}

void add_split(std::vector<Triangle>& out, const Triangle& t, int depth) {
    int longest = 0;
    for (int i = 1; i < 3; ++i) {
        if (edge2(t, i) > edge2(t, longest)) longest = i;
    }
    if (depth < max_splits && edge2(t, longest) > longest_leaf_edge * longest_leaf_edge) {
        const int a = longest, b = (longest + 1) % 3;
        double mid[3];
        for (int k = 0; k < 3; ++k) mid[k] = (t.v[a][k] + t.v[b][k]) / 2.0;
        Triangle first = t, second = t;
        for (int k = 0; k < 3; ++k) {
            first.v[b][k] = mid[k];
            second.v[a][k] = mid[k];
        }
        add_split(out, first, depth + 1);
        add_split(out, second, depth + 1);
        return;
    }
    Triangle leaf = t;
    for (int k = 0; k < 3; ++k) leaf.centre[k] = (t.v[0][k] + t.v[1][k] + t.v[2][k]) / 3.0;
    leaf.id = out.size();
    out.push_back(leaf);
}

std::vector<Triangle> mesh_triangles(const typmsh& mesh) {
    std::vector<Triangle> out;
    const size_t groups = std::min(static_cast<size_t>(std::max(mesh.grpcnt, 0)), mesh.grp.size());
    for (size_t g = 0; g < groups; ++g) {
        const typmshgrp& grp = mesh.grp[g];
        for (size_t i = 0; i + 2 < grp.ind.size(); i += 3) {
            Triangle t;
            bool valid = true;
            for (int c = 0; c < 3; ++c) {
                const int32_t k = grp.ind[i + static_cast<size_t>(c)];
                if (k < 0 || static_cast<size_t>(k) >= grp.pnt.size()) {
                    valid = false;
                    break;
                }
                const Vec3f& p = grp.pnt[static_cast<size_t>(k)].pos;
                t.v[c][0] = p.x;
                t.v[c][1] = p.y;
                t.v[c][2] = p.z;
            }
            if (!valid) continue;
            add_split(out, t, 0);
        }
    }
    return out;
}

}  // namespace

BlockShape shape_of_mesh(const typmsh& mesh, bool keep_triangles) {
    std::vector<Triangle> tris = mesh_triangles(mesh);
    BlockShape shape;
    if (tris.empty()) return shape;

    struct Pending {
        int32_t node;
        size_t begin, end;   // triangle range
    };
    shape.nodes.push_back({});
    std::vector<Pending> todo{{0, 0, tris.size()}};
    while (!todo.empty()) {
        const Pending job = todo.back();
        todo.pop_back();
        Box3 box = empty_box();
        for (size_t i = job.begin; i < job.end; ++i) {
            for (const double* corner : tris[i].v) grow(box, corner);
        }
        // Flat pieces (panels, plates) would give boxes without thickness, and
        // two such boxes crossing each other would only touch.
        for (int a = 0; a < 3; ++a) {
            box.lo[a] -= shape_box_margin;
            box.hi[a] += shape_box_margin;
        }
        shape.nodes[static_cast<size_t>(job.node)].box = box;
        const size_t count = job.end - job.begin;
        if (count <= shape_leaf_triangles) {
            if (keep_triangles) {
                shape.leaf_begin.resize(shape.nodes.size());
                shape.leaf_end.resize(shape.nodes.size());
                shape.leaf_begin[static_cast<size_t>(job.node)] = static_cast<uint32_t>(job.begin);
                shape.leaf_end[static_cast<size_t>(job.node)] = static_cast<uint32_t>(job.end);
            }
            continue;
        }

        // Split at the median centre along the longest side of the centres' box.
        Box3 centres = empty_box();
        for (size_t i = job.begin; i < job.end; ++i) grow(centres, tris[i].centre);
        int axis = 0;
        for (int a = 1; a < 3; ++a) {
            if (centres.hi[a] - centres.lo[a] > centres.hi[axis] - centres.lo[axis]) axis = a;
        }
        // The order is total (ties go by the place in the mesh), so which
        // triangles fall on each side does not depend on the library's partition.
        const size_t mid = job.begin + count / 2;
        const auto first = tris.begin() + static_cast<std::ptrdiff_t>(job.begin);
        std::nth_element(first, tris.begin() + static_cast<std::ptrdiff_t>(mid),
                         tris.begin() + static_cast<std::ptrdiff_t>(job.end), [axis](const Triangle& a, const Triangle& b) {
                             if (a.centre[axis] != b.centre[axis]) return a.centre[axis] < b.centre[axis];
                             return a.id < b.id;
                         });

        const int32_t left = static_cast<int32_t>(shape.nodes.size());
        shape.nodes.push_back({});
        shape.nodes.push_back({});
        shape.nodes[static_cast<size_t>(job.node)].left = left;
        shape.nodes[static_cast<size_t>(job.node)].right = left + 1;
        todo.push_back({left, job.begin, mid});
        todo.push_back({left + 1, mid, job.end});
    }
    if (keep_triangles) {
        shape.leaf_begin.resize(shape.nodes.size());
        shape.leaf_end.resize(shape.nodes.size());
        shape.triangles.reserve(tris.size());
        for (const Triangle& t : tris) {
            shape.triangles.push_back({t.v[0][0], t.v[0][1], t.v[0][2], t.v[1][0], t.v[1][1], t.v[1][2], t.v[2][0], t.v[2][1], t.v[2][2]});
        }
    }
    return shape;
}

BlockShape build_block_shape(const BlockChoice& choice, bool keep_triangles) {
    Context ctx;
    ctx.threads = false;
    return shape_of_mesh(build_block(ctx, make_instance(choice), ctx.random.state()).block.msh, keep_triangles);
}

std::shared_ptr<const BlockShape> ShapeCache::shape(const BlockChoice& choice) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = shapes_.find(choice);
        if (it != shapes_.end()) return it->second;
    }
    // Built outside the lock: a habitat takes tens of milliseconds. Two threads
    // asking for the same new shape both build it and keep the first.
    auto built = std::make_shared<const BlockShape>(build_block_shape(choice));
    std::lock_guard<std::mutex> lock(mutex_);
    return shapes_.emplace(choice, std::move(built)).first->second;
}

size_t ShapeCache::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shapes_.size();
}

ShapeCache& ShapeCache::shared() {
    static ShapeCache cache;
    return cache;
}

}  // namespace quilbet
