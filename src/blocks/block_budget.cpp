// Per-type build figures.
//
// Counts of the parametrised types follow their generators: a truss is boxes
// (24 vertices each), 8-segment prisms (36) and two-sided quads (8); a solar
// panel grows by a fixed number of vertices per row. Wings, tanks, adaptors
// and ports do not change size with their parameters (a random power-wing
// panel type is at most the size of type 0, the largest). Molded habitat
// hulls have no closed-form size: their bounds are twice the largest count
// seen over Windows 0 to 32, both Round settings and lengths 0 to 1,000 m.
//
// Work is fixed per type plus one microsecond per twelve vertices, fitted to
// single-thread builds at the catalogue defaults and at the largest bay and
// row counts on the reference VM; habitats are dominated by the lattice molding.
#include "blocks/block_budget.hpp"

#include <algorithm>

#include "blocks/block_ports.hpp"

namespace quilbet {

namespace {

constexpr int64_t box_vertices = 24;
constexpr int64_t prism8_vertices = 36;
constexpr int64_t quad2_vertices = 8;

struct FixedFigures {
    int32_t btype;
    int64_t groups, vertices, pixels, work_fixed;
};

// Types whose size does not depend on their parameters, and the fixed parts
// of those that do (vertices 0 there: counted below).
constexpr FixedFigures fixed_figures[] = {
    {11, 19, 16044, 176128, 0},     {12, 43, 40340, 372736, 0},    {13, 88, 81328, 753664, 0},
    {21, 9, 6596, 86016, 0},        {22, 9, 4948, 86016, 0},       {23, 9, 3684, 86016, 50},
    {24, 9, 3748, 86016, 110},      {99, 1, 2852, 4096, 0},        {31, 2, 0, 20480, 20},
    {32, 2, 0, 20480, 20},          {33, 2, 0, 20480, 20},         {34, 2, 0, 20480, 20},
    {41, 1, 0, 4096, 40},           {42, 1, 0, 4096, 40},          {43, 1, 0, 4096, 40},
    {51, 5, 24000, 45056, 13000},   {52, 5, 20000, 45056, 9000},   {53, 9, 10000, 36864, 9000},
    {54, 5, 20000, 94208, 13000},   {55, 5, 4000, 45056, 7000},    {61, 1, 324, 4096, 50},
    {62, 1, 324, 4096, 50},         {71, 2, 1692, 8192, 0},        {72, 2, 2348, 20480, 900},
    {81, 2, 384, 8192, 80},         {82, 2, 384, 8192, 80},
};

// Vertices of a truss of n bays (variant 0 plain, 1 with hubs and tubes, 2 with covers).
int64_t truss_vertices(int64_t n, int32_t variant, bool cross_a, bool cross_b, bool cross_c) {
    int64_t boxes = 4 + (n + 1) * (4 + (cross_a ? 2 : 0)) + n * ((cross_b ? 4 : 0) + (cross_c ? 4 : 0));
    int64_t prisms = 0;
    int64_t quads = 0;
    if (variant == 1) prisms = 1 + (cross_a ? n + 1 : 0) + (cross_b ? 4 * n : 0);
    if (variant == 2) {
        prisms = 1;
        quads = (cross_b ? 2 * n : 0) + (cross_c ? 2 * n : 0);
    }
    return boxes * box_vertices + prisms * prism8_vertices + quads * quad2_vertices;
}

// Vertices of a solar panel of the given rows: a frame plus a fixed count per row.
int64_t panel_vertices(int32_t btype, int64_t rows) {
    if (btype == 31) return 60 + 76 * rows;
    if (btype == 32) return 120 + 16 * rows;
    return 44 + 16 * rows;
}

}  // namespace

BuildFigures block_build_figures(const blocktyp& b) {
    const FixedFigures* row = nullptr;
    for (const FixedFigures& f : fixed_figures) {
        if (f.btype == b.btype) row = &f;
    }
    if (row == nullptr) return {};
    BuildFigures out{row->groups, row->vertices, row->pixels, 0};
    if (b.btype >= 31 && b.btype <= 34) {
        out.vertices = panel_vertices(b.btype, std::max<int64_t>(0, param_int(b, 3)));
    } else if (b.btype >= 41 && b.btype <= 43) {
        out.vertices = truss_vertices(safe_bay_count(param_int(b, 2)), b.btype - 41, param_bool(b, 3),
                                      param_bool(b, 4), param_bool(b, 5));
    }
    out.work = row->work_fixed + out.vertices / 12;
    return out;
}

}  // namespace quilbet
