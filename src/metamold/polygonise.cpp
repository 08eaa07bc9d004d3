// Marching-cubes polygonisation (Lorensen and Cline 1987, with Bourke's
// tables), coplanar merging inside ever larger blocks of cells, and an output
// stage that writes unshared, flat-shaded vertices with planar texture
// coordinates.
//
// The coarsening passes form an octree: the bucket of pass p at (X, Y, Z)
// covers 2^(p+1) cells per axis and receives, in order, the facets of the
// eight buckets (2X + dx, 2Y + dy, 2Z + dz) of pass p - 1 as their own merges
// left them, dx outermost, then dy, then dz (the order in which a pass moves
// its buckets up); the buckets of pass 0 receive the facets of their
// 2 x 2 x 2 cells in cell order. This file walks that tree depth first: it
// molds the cells of one block, merges, hands the facets up, and keeps one
// bucket per pass and group alive instead of two whole bucket levels. Each
// merge therefore sees exactly the facets, in the same order, that the
// bucket-by-bucket form (tests/support/polygonise_by_buckets.cpp) hands it, and the output
// is the same bit for bit. Blocks without a surface crossing are skipped
// whole, and the normals of cube-pass facets come from a small cache keyed by
// the exact cross product they are normalised from.
#include "metamold/polygonise.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "metamold/mc_tables.hpp"
#include "metamold/lattice_tag.hpp"
#include "metamold/merge.hpp"
#include "platform/fpu.hpp"

namespace quilbet {

namespace {

using ld = long double;

// vecf_sub and vecf_cross, written out so that the cube pass can inline them:
// the same long double operations, so the same float results.
inline Vec3f sub_ext(Vec3f a, Vec3f b) {
    return Vec3f{float(ld(a.x) - b.x), float(ld(a.y) - b.y), float(ld(a.z) - b.z)};
}

inline Vec3f cross_ext(Vec3f a, Vec3f b) {
    return Vec3f{float(ld(a.y) * b.z - ld(a.z) * b.y), float(ld(a.z) * b.x - ld(a.x) * b.z),
                 float(ld(a.x) * b.y - ld(a.y) * b.x)};
}

inline uint32_t float_bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// The exact bit pattern of a vector, and its slot hash, for the caches below.
using VecBits = std::array<uint32_t, 3>;
inline VecBits vec_bits(Vec3f v) { return VecBits{float_bits(v.x), float_bits(v.y), float_bits(v.z)}; }
inline uint32_t vec_bits_hash(const VecBits& key) {
    const uint32_t h = key[0] * 0x9E3779B1u ^ (key[1] + 0x7F4A7C15u) * 0x85EBCA77u ^ key[2] * 0xC2B2AE3Du;
    return h ^ (h >> 15);
}

// Facet normals from cross products: vecf_normalize of the cross product, and
// whether the facet is dropped (vecf_len of that normal is exactly 0, which
// happens exactly when the cross product is the zero vector: a normalised
// vector has a component of at least 1/sqrt(3), and one shorter than the
// tolerance is returned as it is). Results are remembered per exact bit
// pattern of the cross product, so a hit gives the same bits as a computation.
class NormalCache {
public:
    NormalCache() {
        for (Entry& e : entries_) e.key = {~0u, ~0u, ~0u};   // a NaN pattern no cross product hits first
        for (Entry& e : entries_) e.filled = false;
    }

    // False when the facet is dropped; otherwise its normal in `out`.
    bool normal(Vec3f cross, Vec3f& out) {
        const VecBits key = vec_bits(cross);
        Entry& e = entries_[vec_bits_hash(key) & (size - 1)];
        if (!e.filled || e.key != key) {
            e.key = key;
            e.filled = true;
            const ld x = cross.x, y = cross.y, z = cross.z;
            const ld l = std::sqrt(x * x + y * y + z * z);
            e.keep = l != 0;
            e.norm = l >= tolerance ? Vec3f{float(cross.x / l), float(cross.y / l), float(cross.z / l)} : cross;
        }
        out = e.norm;
        return e.keep;
    }

private:
    static constexpr size_t size = 1024;
    struct Entry {
        VecBits key;
        Vec3f norm;
        bool keep = false;
        bool filled = false;
    };
    std::array<Entry, size> entries_;
};

// Cube-pass triangles whose corners are all corners of their cell, keyed by
// the three cell corners (c0, c1, c2) of the table's vertex order. `unit` is
// the cross product (p0 - p1) x (p2 - p1) of the corners' integer offsets,
// worked out in float from differences -1, +0 and 1: small whole numbers, so
// exact, and with the same zero signs as the same operations on the real
// differences (those are +-d or +0 with d > 0, and the sign of every product
// and difference of zeros depends on the operands' signs alone). `kind` says
// how many of its components are non-zero: none (two corners coincide, the
// facet is dropped), one (an axis-aligned facet) or more.
struct CornerTriangle {
    Vec3f unit;
    Vec3f axis_normal;   // for kind == axis: unit with its non-zero component set to +-1
    uint8_t kind = 0;
    // The lattice tag of the stored facet (c0, c2, c1) in the cell at the
    // origin, and its reduced normal: in the cell (i, j, k) the tag has the
    // actual corner codes and an offset larger by normal . (i, j, k).
    lattice_tag tag;
    int32_t nx = 0, ny = 0, nz = 0;
};
enum : uint8_t { corner_degenerate = 0, corner_axis = 1, corner_slanted = 2 };

std::array<CornerTriangle, 512> make_corner_triangles() {
    std::array<CornerTriangle, 512> out{};
    auto offset = [](int c) {
        const mc_corner& o = mc_corner_offsets[c];
        return Vec3f{float(o.di), float(o.dj), float(o.dk)};
    };
    for (int c0 = 0; c0 < 8; ++c0) {
        for (int c1 = 0; c1 < 8; ++c1) {
            for (int c2 = 0; c2 < 8; ++c2) {
                const Vec3f p0 = offset(c0), p1 = offset(c1), p2 = offset(c2);
                const Vec3f u{p0.x - p1.x, p0.y - p1.y, p0.z - p1.z}, v{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
                CornerTriangle& t = out[size_t(c0 * 64 + c1 * 8 + c2)];
                t.unit = Vec3f{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
                const int nonzero = (t.unit.x != 0) + (t.unit.y != 0) + (t.unit.z != 0);
                t.kind = nonzero == 0 ? corner_degenerate : nonzero == 1 ? corner_axis : corner_slanted;
                t.axis_normal = t.unit;
                if (t.unit.x != 0) t.axis_normal.x = t.unit.x > 0 ? 1.0f : -1.0f;
                if (t.unit.y != 0) t.axis_normal.y = t.unit.y > 0 ? 1.0f : -1.0f;
                if (t.unit.z != 0) t.axis_normal.z = t.unit.z > 0 ? 1.0f : -1.0f;
                auto code = [](int c) {
                    const mc_corner& o = mc_corner_offsets[c];
                    return lattice_code(o.di, o.dj, o.dk);
                };
                t.tag = lattice_tag_of(code(c0), code(c2), code(c1));
                t.nx = lattice_tag_normal(t.tag, 0);
                t.ny = lattice_tag_normal(t.tag, 1);
                t.nz = lattice_tag_normal(t.tag, 2);
            }
        }
    }
    return out;
}

const std::array<CornerTriangle, 512>& corner_triangles() {
    static const std::array<CornerTriangle, 512> table = make_corner_triangles();
    return table;
}

// Tangent frames of the output stage: the tangent t = normalise(q x (0, 1, 0))
// (or normalise(q x (0, 0, 1)) when that is the zero vector) and the
// bitangent normalise(q x t) of a facet normal q, remembered per exact bit
// pattern of q. Merged facets share their region's normal, so most facets
// find their frame here; a hit gives the bits a computation gives.
class FrameCache {
public:
    FrameCache() {
        for (Entry& e : entries_) e.filled = false;
    }

    void frame(Vec3f q, Vec3f& t, Vec3f& bt) {
        const VecBits key = vec_bits(q);
        Entry& e = entries_[vec_bits_hash(key) & (size - 1)];
        if (!e.filled || e.key != key) {
            e.key = key;
            e.filled = true;
            const Vec3f up{0, 1, 0}, forward{0, 0, 1};
            e.t = vecf_normalize(vecf_cross(q, up));
            if (vecf_len2(e.t) == 0) e.t = vecf_normalize(vecf_cross(q, forward));
            e.bt = vecf_normalize(vecf_cross(q, e.t));
        }
        t = e.t;
        bt = e.bt;
    }

private:
    static constexpr size_t size = 256;
    struct Entry {
        VecBits key;
        Vec3f t, bt;
        bool filled = false;
    };
    std::array<Entry, size> entries_;
};

inline float dot_ext(Vec3f a, Vec3f b) {
    return float(ld(a.x) * b.x + ld(a.y) * b.y + ld(a.z) * b.z);
}

// Passes beyond this many would only merge the one bucket that holds the
// whole hull again (a block of 2^31 cells per axis spans any lattice); the
// step-by-step form's block size would no longer fit its 32-bit counter.
constexpr int32_t max_passes = 30;

class Molder {
public:
    Molder(mbs_grid& grid, bool threads, const mbs_merge_forms& forms)
        : grid_(grid), n_(grid.resolution), groups_(grid.group_count), top_group_(grid.group_count - 1), forms_(forms) {
        passes_ = std::clamp(grid.pass_count, 0, max_passes);
        top_ = std::max(passes_ - 1, 0);
        final_.resize(static_cast<size_t>(groups_));
        const size_t sj = static_cast<size_t>(n_), si = sj * sj;
        for (int c = 0; c < 8; ++c) {
            corner_offset_[c] = mc_corner_offsets[c].di * si + mc_corner_offsets[c].dj * sj + mc_corner_offsets[c].dk;
        }
        mark_surface();
        tagged_ = corner_pass_ && n_ <= lattice_tag_max_resolution;
        parallel_ = threads && n_ >= min_parallel_resolution && std::thread::hardware_concurrency() > 1;
        for (Worker& w : workers_) {
            w.lists.assign(static_cast<size_t>(top_ + 1), std::vector<polyarr>(static_cast<size_t>(groups_)));
            w.tags.assign(static_cast<size_t>(top_ + 1), std::vector<std::vector<lattice_tag>>(static_cast<size_t>(groups_)));
        }
    }

    void run(typmsh& mesh, int32_t first_group) {
        const int32_t range = span_positions(top_);
        for (int32_t x = 0; x <= range; ++x) {
            for (int32_t y = 0; y <= range; ++y) {
                for (int32_t z = 0; z <= range; ++z) {
                    if (!has_surface(top_, x, y, z)) continue;
                    Worker& w = workers_[0];
                    if (top_ > 0 && parallel_) build_in_parallel(top_, x, y, z);
                    else build(w, top_, x, y, z);
                    for (int32_t g = 0; g < groups_; ++g) {
                        polyarr& b = w.lists[static_cast<size_t>(top_)][static_cast<size_t>(g)];
                        std::vector<mbs_facet>& out = final_[static_cast<size_t>(g)];
                        out.insert(out.end(), b.tris.begin(), b.tris.begin() + b.count);
                        b.tris.clear();
                        b.count = 0;
                        w.tags[static_cast<size_t>(top_)][static_cast<size_t>(g)].clear();
                    }
                }
            }
        }
        for (const Worker& w : workers_) grid_.raw_triangle_count += w.raw;
        output(mesh, first_group);
    }

private:
    mbs_grid& grid_;
    const int32_t n_, groups_, top_group_;
    const mbs_merge_forms forms_;
    int32_t passes_ = 0, top_ = 0;
    size_t corner_offset_[8] = {};
    // What one thread of the block walk works with.
    struct Worker {
        // One bucket per pass level and group: the block being assembled there.
        std::vector<std::vector<polyarr>> lists;
        // With tagged_, the lattice tags of those buckets' facets, element
        // for element: the corner cube pass knows every vertex's lattice
        // point, and the merges keep the tags in step with the facets.
        std::vector<std::vector<std::vector<lattice_tag>>> tags;
        mbs_merger merger;
        NormalCache normals;
        int32_t raw = 0;   // cube-pass triangles kept
    };
    // The calling thread's worker and a second one: the children of the top
    // block are independent subtrees, built on two threads when the lattice
    // is large enough to pay for one and the machine has a second core.
    Worker workers_[2];
    bool parallel_ = false;
    static constexpr int32_t min_parallel_resolution = 24;
    bool tagged_ = false;
    // The facets of the last level per group, in walking order.
    std::vector<std::vector<mbs_facet>> final_;
    // Per pass level, one flag per bucket position: some cell of the block has
    // a corner inside and a corner outside.
    std::vector<std::vector<uint8_t>> surface_;
    // One byte per lattice point with what the cube pass reads of it: bit 0
    // set when outside, bit 1 when |value| is exactly 1 (the point captures
    // the vertex of its edges), bits 2-7 the group clamped into
    // 0 .. group_count - 1 when group_count is at most 64 (the larger of two
    // clamped groups is the clamped larger group). A whole lattice of 61^3
    // points stays within a few hundred kilobytes.
    std::unique_ptr<uint8_t[]> code_;
    static constexpr int32_t max_code_groups = 64;
    // Compact copies for the general cube pass (only made when it runs):
    // values and clamped groups.
    std::unique_ptr<float[]> value_;
    std::unique_ptr<int32_t[]> group_;
    std::vector<float> coord_;
    std::vector<float> step_;   // step_[i] = coord_[i + 1] - coord_[i], in float
    bool lattice_positions_ = false;
    // Every inside point has the value 1.0 and sits at its lattice position,
    // so every edge vertex is one of the edge's two lattice points (the one
    // valued 1.0 captures it, or an outside point valued -1.0 does first) and
    // distinct facet points are at least a lattice spacing apart.
    bool points_apart_ = false;
    // Up to this resolution the lattice spacing 2 / (n - 1) stays far above
    // the 1e-5 tolerance.
    static constexpr int32_t max_apart_resolution = 4097;
    // The cube pass takes vertices, groups and normals from the corners
    // (mold_block_corners): points_apart_ and the groups fit the point codes.
    bool corner_pass_ = false;

    // Highest bucket position per axis on pass level p (blocks of 2^(p+1) cells).
    int32_t span_positions(int32_t p) const { return p >= 30 ? 0 : n_ >> (p + 1); }

    size_t flag_index(int32_t p, int32_t x, int32_t y, int32_t z) const {
        const size_t m = static_cast<size_t>(span_positions(p)) + 1;
        return (static_cast<size_t>(x) * m + static_cast<size_t>(y)) * m + static_cast<size_t>(z);
    }
    bool has_surface(int32_t p, int32_t x, int32_t y, int32_t z) const {
        return surface_[static_cast<size_t>(p)][flag_index(p, x, y, z)] != 0;
    }

    void mark_surface() {
        const size_t count = static_cast<size_t>(n_) * n_ * n_;
        // Every element is written below, so the arrays are taken unfilled.
        code_.reset(new uint8_t[count]);
        coord_.resize(static_cast<size_t>(n_));
        for (int32_t i = 0; i < n_; ++i) coord_[static_cast<size_t>(i)] = lattice_coord(i, n_);
        step_.assign(static_cast<size_t>(n_), 0.0f);
        for (int32_t i = 0; i + 1 < n_; ++i) step_[static_cast<size_t>(i)] = coord_[size_t(i) + 1] - coord_[size_t(i)];
        std::vector<uint32_t> coord_bits(static_cast<size_t>(n_));
        for (size_t i = 0; i < coord_bits.size(); ++i) coord_bits[i] = float_bits(coord_[i]);

        surface_.assign(static_cast<size_t>(top_ + 1), {});
        for (int32_t p = 0; p <= top_; ++p) {
            const size_t m = static_cast<size_t>(span_positions(p)) + 1;
            surface_[static_cast<size_t>(p)].assign(m * m * m, 0);
        }
        // Level 0: a block has a surface when its points (up to 3 per axis)
        // are not all on one side. Each point gives 1 when outside and 2 when
        // inside; the OR over a block is 3 exactly when it has both. The OR is
        // taken along k per row (while the row's points are copied), then
        // along j, then along i. A row's codes sit in `side` with a 0 after
        // the last point, so the block at the far end of an even lattice
        // (two points) needs no test.
        const int32_t range0 = span_positions(0);
        const size_t m = static_cast<size_t>(range0) + 1, sj = static_cast<size_t>(n_), si = sj * sj;
        const int32_t blocks_k = (n_ - 2) / 2 + 1;   // z with 2z < n - 1
        std::vector<uint8_t> along_k(si * m, 0), along_j(sj * m * m, 0), side(sj + 1, 0);
        const mbs_point* pts = grid_.points.data();
        // Any bit that differs between a point's position and its lattice
        // position; an inside point valued above 1.0 (a NaN is outside).
        uint32_t moved = 0;
        bool over_one = false;
        size_t at = 0;
        for (int32_t i = 0; i < n_; ++i) {
            const uint32_t want_x = coord_bits[static_cast<size_t>(i)];
            for (int32_t j = 0; j < n_; ++j) {
                const uint32_t want_y = coord_bits[static_cast<size_t>(j)];
                const size_t row = at;
                for (int32_t k = 0; k < n_; ++k, ++at) {
                    const mbs_point& p = pts[at];
                    const float v = p.value;
                    const bool inside = mbs_inside(v);
                    const uint32_t group = static_cast<uint32_t>(std::clamp(p.group, 0, top_group_));
                    code_[at] = static_cast<uint8_t>((inside ? 0u : 1u) | (std::fabs(v) == 1.0f ? 2u : 0u) | group << 2);
                    side[static_cast<size_t>(k)] = inside ? 2 : 1;
                    over_one |= v > 1.0f;
                    moved |= (float_bits(p.pos.x) ^ want_x) | (float_bits(p.pos.y) ^ want_y) |
                             (float_bits(p.pos.z) ^ coord_bits[static_cast<size_t>(k)]);
                }
                uint8_t* out = &along_k[row / sj * m];
                for (int32_t z = 0; z < blocks_k; ++z) {
                    const size_t k0 = 2 * static_cast<size_t>(z);
                    out[z] = side[k0] | side[k0 + 1] | side[k0 + 2];
                }
            }
        }
        lattice_positions_ = moved == 0;
        points_apart_ = !over_one && lattice_positions_ && n_ <= max_apart_resolution;
        corner_pass_ = points_apart_ && groups_ <= max_code_groups;
        if (!corner_pass_) {
            value_.reset(new float[count]);
            group_.reset(new int32_t[count]);
            for (size_t i = 0; i < count; ++i) {
                value_[i] = pts[i].value;
                group_[i] = std::clamp(pts[i].group, 0, top_group_);
            }
        }
        for (int32_t i = 0; i < n_; ++i) {
            for (int32_t y = 0; y <= range0; ++y) {
                const int32_t j0 = 2 * y, j1 = std::min(2 * y + 2, n_ - 1);
                if (j0 >= n_ - 1) continue;
                uint8_t* out = &along_j[(static_cast<size_t>(i) * m + static_cast<size_t>(y)) * m];
                for (int32_t j = j0; j <= j1; ++j) {
                    const uint8_t* in = &along_k[(static_cast<size_t>(i) * sj + static_cast<size_t>(j)) * m];
                    for (size_t z = 0; z < m; ++z) out[z] |= in[z];
                }
            }
        }
        for (int32_t x = 0; x <= range0; ++x) {
            const int32_t i0 = 2 * x, i1 = std::min(2 * x + 2, n_ - 1);
            if (i0 >= n_ - 1) continue;
            for (int32_t y = 0; y <= range0; ++y) {
                for (int32_t z = 0; z <= range0; ++z) {
                    uint8_t code = 0;
                    for (int32_t i = i0; i <= i1; ++i) {
                        code |= along_j[(static_cast<size_t>(i) * m + static_cast<size_t>(y)) * m + static_cast<size_t>(z)];
                    }
                    surface_[0][flag_index(0, x, y, z)] = code == 3 ? 1 : 0;
                }
            }
        }
        for (int32_t p = 1; p <= top_; ++p) {
            const int32_t range = span_positions(p), below = span_positions(p - 1);
            for (int32_t x = 0; x <= range; ++x) {
                for (int32_t y = 0; y <= range; ++y) {
                    for (int32_t z = 0; z <= range; ++z) {
                        uint8_t any = 0;
                        for (int32_t dx = 0; dx < 2; ++dx) {
                            for (int32_t dy = 0; dy < 2; ++dy) {
                                for (int32_t dz = 0; dz < 2; ++dz) {
                                    const int32_t cx = 2 * x + dx, cy = 2 * y + dy, cz = 2 * z + dz;
                                    if (cx > below || cy > below || cz > below) continue;
                                    any |= surface_[static_cast<size_t>(p - 1)][flag_index(p - 1, cx, cy, cz)];
                                }
                            }
                        }
                        surface_[static_cast<size_t>(p)][flag_index(p, x, y, z)] = any;
                    }
                }
            }
        }
    }

    // Fills the buckets of level p with the block (x, y, z), merged when the
    // level is one of the passes.
    void build(Worker& w, int32_t p, int32_t x, int32_t y, int32_t z) {
        if (p == 0) {
            mold_block(w, x, y, z);
        } else {
            const int32_t below = span_positions(p - 1);
            for (int32_t dx = 0; dx < 2; ++dx) {
                for (int32_t dy = 0; dy < 2; ++dy) {
                    for (int32_t dz = 0; dz < 2; ++dz) {
                        const int32_t cx = 2 * x + dx, cy = 2 * y + dy, cz = 2 * z + dz;
                        if (cx > below || cy > below || cz > below) continue;
                        if (!has_surface(p - 1, cx, cy, cz)) continue;
                        build(w, p - 1, cx, cy, cz);
                        for (int32_t g = 0; g < groups_; ++g) {
                            hand_up(w.lists[static_cast<size_t>(p - 1)][static_cast<size_t>(g)],
                                    w.tags[static_cast<size_t>(p - 1)][static_cast<size_t>(g)],
                                    w.lists[static_cast<size_t>(p)][static_cast<size_t>(g)],
                                    w.tags[static_cast<size_t>(p)][static_cast<size_t>(g)]);
                        }
                    }
                }
            }
        }
        merge_level(w, p);
    }

    // Appends the facets (and tags) of one bucket to another and empties it.
    void hand_up(polyarr& from, std::vector<lattice_tag>& from_tags, polyarr& to, std::vector<lattice_tag>& to_tags) const {
        to.tris.insert(to.tris.end(), from.tris.begin(), from.tris.begin() + from.count);
        to.count += from.count;
        from.tris.clear();
        from.count = 0;
        if (tagged_) {
            to_tags.insert(to_tags.end(), from_tags.begin(), from_tags.end());
            from_tags.clear();
        }
    }

    void merge_level(Worker& w, int32_t p) {
        if (p >= passes_) return;
        std::vector<polyarr>& here = w.lists[static_cast<size_t>(p)];
        for (size_t g = 0; g < here.size(); ++g) {
            if (here[g].count < 3) continue;
            mbs_merge_input input{&here[g], nullptr, 0, forms_};
            if (tagged_) {
                input.tags = &w.tags[static_cast<size_t>(p)][g];
                input.resolution = n_;
            }
            w.merger.merge(input);
        }
    }

    // build for a block of level p >= 1 whose children are built on two
    // threads. Each child's buckets are kept apart until all are done, then
    // handed up in walking order, so the result is build's.
    void build_in_parallel(int32_t p, int32_t x, int32_t y, int32_t z) {
        struct Child {
            int32_t x, y, z;
            std::vector<polyarr> buckets;
            std::vector<std::vector<lattice_tag>> tags;
        };
        std::vector<Child> children;
        const int32_t below = span_positions(p - 1);
        for (int32_t dx = 0; dx < 2; ++dx) {
            for (int32_t dy = 0; dy < 2; ++dy) {
                for (int32_t dz = 0; dz < 2; ++dz) {
                    const int32_t cx = 2 * x + dx, cy = 2 * y + dy, cz = 2 * z + dz;
                    if (cx > below || cy > below || cz > below) continue;
                    if (!has_surface(p - 1, cx, cy, cz)) continue;
                    children.push_back(Child{cx, cy, cz, std::vector<polyarr>(static_cast<size_t>(groups_)),
                                             std::vector<std::vector<lattice_tag>>(static_cast<size_t>(groups_))});
                }
            }
        }
        std::atomic<size_t> next{0};
        auto work = [&](Worker& w) {
            for (size_t i; (i = next.fetch_add(1)) < children.size();) {
                Child& c = children[i];
                build(w, p - 1, c.x, c.y, c.z);
                for (int32_t g = 0; g < groups_; ++g) {
                    hand_up(w.lists[static_cast<size_t>(p - 1)][static_cast<size_t>(g)],
                            w.tags[static_cast<size_t>(p - 1)][static_cast<size_t>(g)], c.buckets[static_cast<size_t>(g)],
                            c.tags[static_cast<size_t>(g)]);
                }
            }
        };
        std::exception_ptr failure;
        // The helper computes under this thread's floating-point control, not the system's default.
        const FpuControl control = fpu_control();
        std::thread helper([&] {
            const FpuScope fpu(control);
            try {
                work(workers_[1]);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            work(workers_[0]);
        } catch (...) {
            next = children.size();   // the helper stops after its current child
            helper.join();
            throw;
        }
        helper.join();
        if (failure) std::rethrow_exception(failure);
        Worker& w = workers_[0];
        for (Child& c : children) {
            for (int32_t g = 0; g < groups_; ++g) {
                hand_up(c.buckets[static_cast<size_t>(g)], c.tags[static_cast<size_t>(g)],
                        w.lists[static_cast<size_t>(p)][static_cast<size_t>(g)], w.tags[static_cast<size_t>(p)][static_cast<size_t>(g)]);
            }
        }
        merge_level(w, p);
    }

    // The cube pass over the cells of the level-0 block (x, y, z), in cell
    // order, appending each facet to the bucket of its first vertex's group.
    void mold_block(Worker& w, int32_t x, int32_t y, int32_t z) {
        if (corner_pass_) mold_block_corners(w, x, y, z);
        else mold_block_general(w, x, y, z);
    }

    // The cube pass when every edge vertex is one of the edge's two lattice
    // points (points_apart_): the vertex is corner a when |value_a| is 1,
    // otherwise corner b (the inside one, valued exactly 1), as the edge
    // vertex rule gives it. The facet normal is then found without the
    // extended-precision difference and cross product they are defined by,
    // with the same bits:
    //  - All three vertices are corners of the cell (i, j, k), so each
    //    coordinate difference of (p0 - p1) and (p2 - p1) is +0 or
    //    +-d_a, where d_a = c[a + 1] - c[a] in float and a is i, j or k on
    //    the x, y or z axis. The extended difference of two lattice floats is
    //    exact (their exponents differ by at most 12), so rounding it to
    //    float gives what the float subtraction gives, and c[a] - c[a + 1]
    //    rounds to exactly -d_a (rounding to nearest is symmetric). d_a > 0:
    //    neighbouring coordinates are at least 2 / 4096 apart, far more than
    //    a float step in -1 .. 1.
    //  - The x component of the cross product is then s1 d_j d_k - s2 d_j d_k
    //    with s1, s2 in {-1, 0, 1}: each product of two floats is exact in
    //    extended precision (48 bits of 64), and so is their difference
    //    (s1 - s2) d_j d_k, with s1 - s2 in {-2 .. 2}. Rounded once to float
    //    it is (s1 - s2) times float(d_j d_k), because scaling by 1 or 2
    //    commutes with rounding (d_j d_k >= 2^-24 stays far from the
    //    subnormals); a zero keeps the sign the corner table's unit cross
    //    product gives it. Likewise for y (d_k d_i) and z (d_i d_j).
    //  - So the cross product is unit * (d_j d_k, d_k d_i, d_i d_j) in
    //    float, bit for bit, and the normal cache sees the same key.
    //  - With one non-zero component x, the normalising length
    //    sqrt(x^2 + 0 + 0) is exactly |x| in extended precision (x^2 has 48
    //    bits), so the normal is +-1 there and the signed zeros elsewhere,
    //    whenever |x| reaches the tolerance (below it the cross product
    //    itself is the normal; the cache handles that case).
    void mold_block_corners(Worker& w, int32_t x, int32_t y, int32_t z) {
        std::vector<polyarr>& out = w.lists[0];
        std::vector<std::vector<lattice_tag>>& out_tags = w.tags[0];
        const size_t sj = static_cast<size_t>(n_), si = sj * sj;
        const uint8_t* code = code_.get();
        const float* coord = coord_.data();
        const float* step = step_.data();
        const CornerTriangle* corner_tris = corner_triangles().data();
        uint8_t vcorner[12];
        uint32_t vcode[12];   // lattice points, for the tags (small lattices)
        int32_t vgroup[12];
        // Left unfilled: an edge's entry is written before a triangle reads it.
        struct Point { float x, y, z; } vpos[12];
        int32_t raw = 0;
        const int32_t i_end = std::min(2 * x + 2, n_ - 1), j_end = std::min(2 * y + 2, n_ - 1),
                      k_end = std::min(2 * z + 2, n_ - 1);
        for (int32_t i = 2 * x; i < i_end; ++i) {
            for (int32_t j = 2 * y; j < j_end; ++j) {
                for (int32_t k = 2 * z; k < k_end; ++k) {
                    const size_t base = static_cast<size_t>(i) * si + static_cast<size_t>(j) * sj + static_cast<size_t>(k);
                    // Corner c at (di, dj, dk) adds its bit 1 << c when outside (bit 0 of its code).
                    const uint8_t* o = code + base;
                    const int index = (o[0] & 1) | (o[si] & 1) << 1 | (o[si + 1] & 1) << 2 | (o[1] & 1) << 3 |
                                      (o[sj] & 1) << 4 | (o[si + sj] & 1) << 5 | (o[si + sj + 1] & 1) << 6 |
                                      (o[sj + 1] & 1) << 7;
                    const unsigned crossed = mc_edge_table[index];
                    if (crossed == 0) continue;
                    const float cx[2] = {coord[i], coord[i + 1]}, cy[2] = {coord[j], coord[j + 1]},
                                cz[2] = {coord[k], coord[k + 1]};
                    for (unsigned bits = crossed; bits != 0; bits &= bits - 1) {
                        const int e = std::countr_zero(bits);
                        const uint8_t ca = mc_edge_corners[e].a, cb = mc_edge_corners[e].b;
                        const size_t a = base + corner_offset_[ca], b = base + corner_offset_[cb];
                        const uint8_t c = (code[a] & 2) != 0 ? ca : cb;
                        const mc_corner& oc = mc_corner_offsets[c];
                        vcorner[e] = c;
                        vpos[e] = Point{cx[oc.di], cy[oc.dj], cz[oc.dk]};
                        vcode[e] = lattice_code(i + oc.di, j + oc.dj, k + oc.dk);
                        vgroup[e] = std::max(code[a], code[b]) >> 2;
                    }
                    const float di = step[i], dj = step[j], dk = step[k];
                    const float pyz = dj * dk, pzx = dk * di, pxy = di * dj;
                    const int8_t* row = mc_tri_table[index];
                    for (int t = 0; row[t] != -1; t += 3) {
                        const int e0 = row[t], e1 = row[t + 1], e2 = row[t + 2];
                        const CornerTriangle& ct = corner_tris[vcorner[e0] * 64 + vcorner[e1] * 8 + vcorner[e2]];
                        if (ct.kind == corner_degenerate) continue;
                        const Vec3f cross{ct.unit.x * pyz, ct.unit.y * pzx, ct.unit.z * pxy};
                        Vec3f norm;
                        if (ct.kind == corner_axis &&
                            std::fabs(cross.x) + std::fabs(cross.y) + std::fabs(cross.z) >= tolerance) {
                            norm = ct.axis_normal;
                        } else if (!w.normals.normal(cross, norm)) {
                            continue;
                        }
                        polyarr& b = out[static_cast<size_t>(vgroup[e0])];
                        const Point &p0 = vpos[e0], &p1 = vpos[e1], &p2 = vpos[e2];
                        b.tris.push_back(mbs_facet{Vec3f{p0.x, p0.y, p0.z}, Vec3f{p2.x, p2.y, p2.z},
                                                   Vec3f{p1.x, p1.y, p1.z}, norm});
                        ++b.count;
                        ++raw;
                        if (tagged_) {
                            lattice_tag tag = ct.tag;
                            tag.code[0] = vcode[e0];
                            tag.code[1] = vcode[e2];
                            tag.code[2] = vcode[e1];
                            tag.offset += ct.nx * i + ct.ny * j + ct.nz * k;
                            out_tags[static_cast<size_t>(vgroup[e0])].push_back(tag);
                        }
                    }
                }
            }
        }
        w.raw += raw;
    }

    void mold_block_general(Worker& w, int32_t x, int32_t y, int32_t z) {
        std::vector<polyarr>& out = w.lists[0];
        const size_t sj = static_cast<size_t>(n_), si = sj * sj;
        const mbs_point* pts = grid_.points.data();
        const uint8_t* code = code_.get();
        Vec3f vert[12];
        int32_t vgroup[12];
        const int32_t i_end = std::min(2 * x + 2, n_ - 1), j_end = std::min(2 * y + 2, n_ - 1),
                      k_end = std::min(2 * z + 2, n_ - 1);
        for (int32_t i = 2 * x; i < i_end; ++i) {
            for (int32_t j = 2 * y; j < j_end; ++j) {
                for (int32_t k = 2 * z; k < k_end; ++k) {
                    const size_t base = static_cast<size_t>(i) * si + static_cast<size_t>(j) * sj + static_cast<size_t>(k);
                    int index = 0;
                    for (int c = 0; c < 8; ++c) {
                        if (code[base + corner_offset_[c]] & 1) index |= mc_edge_corners[c].bit;
                    }
                    const int crossed = mc_edge_table[index];
                    if (crossed == 0) continue;
                    for (int e = 0; e < 12; ++e) {
                        if (!(crossed & mc_edge_corners[e].bit)) continue;
                        const uint8_t ca = mc_edge_corners[e].a, cb = mc_edge_corners[e].b;
                        const size_t a = base + corner_offset_[ca], b = base + corner_offset_[cb];
                        Vec3f pa, pb;
                        if (lattice_positions_) {
                            const mc_corner& oa = mc_corner_offsets[ca];
                            const mc_corner& ob = mc_corner_offsets[cb];
                            pa = Vec3f{coord_[size_t(i + oa.di)], coord_[size_t(j + oa.dj)], coord_[size_t(k + oa.dk)]};
                            pb = Vec3f{coord_[size_t(i + ob.di)], coord_[size_t(j + ob.dj)], coord_[size_t(k + ob.dk)]};
                        } else {
                            pa = pts[a].pos;
                            pb = pts[b].pos;
                        }
                        vert[e] = mbs_edge_vertex(pa, pb, value_[a], value_[b]);
                        vgroup[e] = std::max(group_[a], group_[b]);
                    }
                    const int8_t* row = mc_tri_table[index];
                    for (int t = 0; row[t] != -1; t += 3) {
                        const Vec3f p0 = vert[row[t]], p1 = vert[row[t + 1]], p2 = vert[row[t + 2]];
                        Vec3f norm;
                        if (!w.normals.normal(cross_ext(sub_ext(p0, p1), sub_ext(p2, p1)), norm)) continue;
                        polyarr& b = out[static_cast<size_t>(vgroup[row[t]])];
                        b.tris.push_back(mbs_facet{p0, p2, p1, norm});
                        ++b.count;
                        ++w.raw;
                    }
                }
            }
        }
    }

    // Unshared vertices, one group after another in walking order.
    void output(typmsh& mesh, int32_t first_group) {
        FrameCache frames;
        for (int32_t g = 0; g < groups_; ++g) {
            std::vector<mbs_facet>& facets = final_[static_cast<size_t>(g)];
            // Merging writes the collinear ears of its outlines as facets of
            // zero area, for later passes to merge away; those still left
            // cover nothing and are not part of the hull.
            std::erase_if(facets, [](const mbs_facet& f) { return points_collinear(f.pa, f.pb, f.pc); });
            grid_.triangle_count += static_cast<int32_t>(facets.size());
            const int64_t at = int64_t(first_group) + g;
            if (at < 0 || at >= static_cast<int64_t>(mesh.grp.size())) continue;
            typmshgrp& grp = mesh.grp[static_cast<size_t>(at)];
            grp.pnt.resize(3 * facets.size());
            grp.ind.resize(3 * facets.size());
            size_t v = 0;
            for (const mbs_facet& facet : facets) {
                const Vec3f q = facet.norm;
                Vec3f t, bt;
                frames.frame(q, t, bt);
                const Vec3f corner[3] = {facet.pa, facet.pb, facet.pc};
                for (int c = 0; c < 3; ++c) {
                    pnttyp& out = grp.pnt[v];
                    const Vec3f p = corner[c];
                    out.nrm = q;
                    out.pos = p;
                    out.tu = dot_ext(p, t);
                    out.tv = dot_ext(p, bt);
                    grp.ind[v] = static_cast<int32_t>(v);
                    if (grid_.round_sides && q.z == 0.0f) {
                        Vec3f r = vecf_normalize(Vec3f{p.x, p.y, 0});
                        if (vecf_dot(out.nrm, r) < 0) r = Vec3f{-r.x, -r.y, -r.z};
                        out.nrm = r;
                    }
                    ++v;
                }
            }
        }
    }
};

}  // namespace

bool mbs_polygonise_start(typmsh& mesh, int32_t first_group, mbs_grid& grid) {
    grid.triangle_count = 0;
    grid.raw_triangle_count = 0;
    if (mbs_grid_built(grid)) return true;
    for (int32_t g = 0; g < std::max(grid.group_count, 0); ++g) {
        const int64_t at = int64_t(first_group) + g;
        if (at < 0 || at >= static_cast<int64_t>(mesh.grp.size())) continue;
        mesh.grp[static_cast<size_t>(at)].pnt.clear();
        mesh.grp[static_cast<size_t>(at)].ind.clear();
    }
    return false;
}

void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid) { mbs_polygonise(mesh, first_group, grid, false); }

void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid, bool threads) {
    mbs_polygonise(mesh, first_group, grid, threads, mbs_merge_forms{});
}

void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid, bool threads, const mbs_merge_forms& forms) {
    if (!mbs_polygonise_start(mesh, first_group, grid)) return;
    Molder molder(grid, threads, forms);
    molder.run(mesh, first_group);
}

}  // namespace quilbet
