// The cubic sampling lattice: construction, the inside test and the placement
// of a surface vertex on a lattice edge.
#include "metamold/grid.hpp"


namespace quilbet {

bool mbs_grid_built(const mbs_grid& grid) {
    const int32_t n = grid.resolution;
    if (n < 2 || grid.group_count < 1) return false;
    auto buckets = [&](int32_t level) {
        const size_t m = static_cast<size_t>(grid.bucket_span(level));
        return m * m * m * static_cast<size_t>(grid.group_count);
    };
    return grid.points.size() == static_cast<size_t>(n) * n * n && grid.buckets[0].size() == buckets(0) &&
           grid.buckets[1].size() == buckets(1);
}

void mbs_build_grid(mbs_grid& grid) {
    const int32_t n = grid.resolution;
    if (n < 2 || grid.group_count < 1) {
        // Nothing sensible can be built; leave the grid empty so that
        // polygonisation finds no cell.
        grid.points.clear();
        grid.buckets[0].clear();
        grid.buckets[1].clear();
        return;
    }
    const size_t count = static_cast<size_t>(n) * n * n;
    grid.points.assign(count, mbs_point{});

    // One coordinate per index, worked out in extended precision and rounded once.
    std::vector<float> coord(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) coord[static_cast<size_t>(i)] = lattice_coord(i, n);

    mbs_point* p = grid.points.data();
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            for (int32_t k = 0; k < n; ++k, ++p) {
                p->pos = Vec3f{coord[static_cast<size_t>(i)], coord[static_cast<size_t>(j)],
                               coord[static_cast<size_t>(k)]};
            }
        }
    }

    for (int32_t level = 0; level < 2; ++level) {
        const size_t m = static_cast<size_t>(grid.bucket_span(level));
        grid.buckets[level].clear();
        grid.buckets[level].resize(m * m * m * static_cast<size_t>(grid.group_count));
    }
}

}  // namespace quilbet
