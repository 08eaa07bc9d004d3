// Polygonisation written step by step through the grid's buckets: the cube
// pass appends every facet to its level-0 bucket, each coarsening pass merges
// every bucket of a level and moves the facets one level up, and the output
// stage walks the last level. mbs_polygonise (polygonise.cpp) gives the same
// mesh without the buckets; this form is the oracle it is checked against.
#include "support/polygonise_by_buckets.hpp"

#include <algorithm>

#include "metamold/mc_tables.hpp"
#include "metamold/merge.hpp"
#include "metamold/polygonise.hpp"

namespace quilbet::oracle {

namespace {

void append_facet(polyarr& bucket, const mbs_facet& f) {
    if (static_cast<size_t>(bucket.count) >= bucket.tris.size()) bucket.tris.push_back(f);
    else bucket.tris[static_cast<size_t>(bucket.count)] = f;
    ++bucket.count;
}

// Stage 1: one pass over every cell, facets into the level-0 buckets.
void cube_pass(mbs_grid& grid) {
    const int32_t n = grid.resolution;
    const int32_t top_group = grid.group_count - 1;
    const size_t sj = static_cast<size_t>(n), si = sj * sj;
    size_t corner_offset[8];
    for (int c = 0; c < 8; ++c) {
        corner_offset[c] = mc_corner_offsets[c].di * si + mc_corner_offsets[c].dj * sj + mc_corner_offsets[c].dk;
    }
    const mbs_point* pts = grid.points.data();
    Vec3f vert[12];
    int32_t vgroup[12];
    for (int32_t i = 0; i + 1 < n; ++i) {
        for (int32_t j = 0; j + 1 < n; ++j) {
            for (int32_t k = 0; k + 1 < n; ++k) {
                const mbs_point* base = pts + (static_cast<size_t>(i) * si + static_cast<size_t>(j) * sj + k);
                const mbs_point* corner[8];
                int index = 0;
                for (int c = 0; c < 8; ++c) {
                    corner[c] = base + corner_offset[c];
                    if (!mbs_inside(corner[c]->value)) index |= mc_edge_corners[c].bit;
                }
                const int crossed = mc_edge_table[index];
                if (crossed == 0) continue;
                for (int e = 0; e < 12; ++e) {
                    if (!(crossed & mc_edge_corners[e].bit)) continue;
                    const mbs_point* a = corner[mc_edge_corners[e].a];
                    const mbs_point* b = corner[mc_edge_corners[e].b];
                    vert[e] = mbs_edge_vertex(a->pos, b->pos, a->value, b->value);
                    vgroup[e] = std::clamp(std::max(a->group, b->group), 0, top_group);
                }
                const int8_t* row = mc_tri_table[index];
                for (int t = 0; row[t] != -1; t += 3) {
                    const Vec3f p0 = vert[row[t]], p1 = vert[row[t + 1]], p2 = vert[row[t + 2]];
                    const Vec3f norm = vecf_normalize(vecf_cross(vecf_sub(p0, p1), vecf_sub(p2, p1)));
                    if (vecf_len(norm) == 0) continue;
                    append_facet(grid.bucket(0, i / 2, j / 2, k / 2, vgroup[row[t]]), mbs_facet{p0, p2, p1, norm});
                    ++grid.raw_triangle_count;
                }
            }
        }
    }
}

// Stage 2: merge inside blocks of 2, 4, 8 ... cells, moving the facets one
// level up between passes. Returns the final level and span.
void coarsen(mbs_grid& grid, void (*merge)(polyarr&), int32_t& level, int32_t& span) {
    const int32_t n = grid.resolution;
    const int32_t groups = grid.group_count;
    level = 0;
    span = 2;
    for (int32_t pass = 0; pass < grid.pass_count; ++pass) {
        const int32_t range = n / span;
        for (int32_t bx = 0; bx <= range; ++bx) {
            for (int32_t by = 0; by <= range; ++by) {
                for (int32_t bz = 0; bz <= range; ++bz) {
                    for (int32_t g = 0; g < groups; ++g) {
                        polyarr& b = grid.bucket(level, bx, by, bz, g);
                        if (b.count >= 3) merge(b);
                    }
                }
            }
        }
        if (pass == grid.pass_count - 1) break;
        for (int32_t bx = 0; bx <= range; ++bx) {
            for (int32_t by = 0; by <= range; ++by) {
                for (int32_t bz = 0; bz <= range; ++bz) {
                    for (int32_t g = 0; g < groups; ++g) {
                        polyarr& src = grid.bucket(level, bx, by, bz, g);
                        polyarr& dst = grid.bucket(1 - level, bx / 2, by / 2, bz / 2, g);
                        const size_t moved = static_cast<size_t>(std::max(src.count, 0));
                        const size_t at = static_cast<size_t>(std::max(dst.count, 0));
                        dst.tris.resize(at + moved);
                        std::copy_n(src.tris.begin(), moved, dst.tris.begin() + static_cast<std::ptrdiff_t>(at));
                        dst.count = static_cast<int32_t>(at + moved);
                        src.count = 0;
                    }
                }
            }
        }
        span *= 2;
        level = 1 - level;
    }
}

inline float dot_ext(Vec3f a, Vec3f b) {
    using ld = long double;
    return float(ld(a.x) * b.x + ld(a.y) * b.y + ld(a.z) * b.z);
}

// Stage 3: unshared vertices, one group after another in walking order.
// A facet of zero area (a collinear ear the last merges left) is not written out.
bool flat(const mbs_facet& f) { return points_collinear(f.pa, f.pb, f.pc); }

void output(typmsh& mesh, int32_t first_group, mbs_grid& grid, int32_t level, int32_t span) {
    const int32_t groups = grid.group_count;
    const int32_t range = grid.resolution / span;
    std::vector<size_t> facets(static_cast<size_t>(groups), 0);
    for (int32_t bx = 0; bx <= range; ++bx) {
        for (int32_t by = 0; by <= range; ++by) {
            for (int32_t bz = 0; bz <= range; ++bz) {
                for (int32_t g = 0; g < groups; ++g) {
                    const polyarr& b = grid.bucket(level, bx, by, bz, g);
                    for (int32_t f = 0; f < b.count; ++f) facets[static_cast<size_t>(g)] += !flat(b.tris[static_cast<size_t>(f)]);
                }
            }
        }
    }
    std::vector<typmshgrp*> target(static_cast<size_t>(groups), nullptr);
    for (int32_t g = 0; g < groups; ++g) {
        const int64_t at = int64_t(first_group) + g;
        if (at < 0 || at >= static_cast<int64_t>(mesh.grp.size())) continue;
        typmshgrp& grp = mesh.grp[static_cast<size_t>(at)];
        grp.pnt.resize(3 * facets[static_cast<size_t>(g)]);
        grp.ind.resize(3 * facets[static_cast<size_t>(g)]);
        target[static_cast<size_t>(g)] = &grp;
    }
    std::vector<size_t> written(static_cast<size_t>(groups), 0);
    const Vec3f up{0, 1, 0}, forward{0, 0, 1};
    for (int32_t bx = 0; bx <= range; ++bx) {
        for (int32_t by = 0; by <= range; ++by) {
            for (int32_t bz = 0; bz <= range; ++bz) {
                for (int32_t g = 0; g < groups; ++g) {
                    const polyarr& b = grid.bucket(level, bx, by, bz, g);
                    typmshgrp* grp = target[static_cast<size_t>(g)];
                    for (int32_t f = 0; f < b.count; ++f) {
                        const mbs_facet& facet = b.tris[static_cast<size_t>(f)];
                        if (flat(facet)) continue;
                        ++grid.triangle_count;
                        if (grp == nullptr) continue;
                        const Vec3f q = facet.norm;
                        Vec3f t = vecf_normalize(vecf_cross(q, up));
                        if (vecf_len2(t) == 0) t = vecf_normalize(vecf_cross(q, forward));
                        const Vec3f bt = vecf_normalize(vecf_cross(q, t));
                        const Vec3f corner[3] = {facet.pa, facet.pb, facet.pc};
                        size_t& v = written[static_cast<size_t>(g)];
                        for (int c = 0; c < 3; ++c) {
                            pnttyp& out = grp->pnt[v];
                            const Vec3f p = corner[c];
                            out.nrm = q;
                            out.pos = p;
                            out.tu = dot_ext(p, t);
                            out.tv = dot_ext(p, bt);
                            grp->ind[v] = static_cast<int32_t>(v);
                            if (grid.round_sides && q.z == 0.0f) {
                                Vec3f r = vecf_normalize(Vec3f{p.x, p.y, 0});
                                if (vecf_dot(out.nrm, r) < 0) r = Vec3f{-r.x, -r.y, -r.z};
                                out.nrm = r;
                            }
                            ++v;
                        }
                    }
                }
            }
        }
    }
}

}  // namespace

void polygonise_by_buckets(typmsh& mesh, int32_t first_group, mbs_grid& grid, void (*merge)(polyarr&)) {
    if (!mbs_polygonise_start(mesh, first_group, grid)) return;
    cube_pass(grid);
    int32_t level = 0, span = 2;
    coarsen(grid, merge, level, span);
    output(mesh, first_group, grid, level, span);
}

}  // namespace quilbet::oracle
