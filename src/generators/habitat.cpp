// Habitat modules: a hull molded from a solid/empty pattern on the metaball
// lattice (habitat_lattice.cpp), polygonised into three groups (hull skin,
// openings and windows, interior), scaled from the lattice's -1 .. 1 to the
// block's size, with a square hatch frame on each opening.
#include <array>

#include "generators/assembly.hpp"
#include "generators/habitat.hpp"
#include "generators/habitat_lattice.hpp"
#include "generators/panel_truss.hpp"
#include "metamold/grid.hpp"
#include "metamold/polygonise.hpp"
#include "platform/alongside.hpp"
#include "texture/painters.hpp"

namespace quilbet {
namespace {

constexpr int32_t hull_groups = 3;
constexpr int32_t hull_passes = 6;
constexpr int32_t opening_size = 10;   // lattice opening size q; collars reach q + 1

struct Hatch {
    Vec3 offset;
    Vec3 ang;
    double edge = 0;
};

Vec3 vec_ext(long double x, long double y, long double z) {
    return Vec3{static_cast<double>(x), static_cast<double>(y), static_cast<double>(z)};
}

// The hatches of spec's variant that its no_hatch entries leave in, in
// building order. Entries 0 .. 5 of no_hatch stand for +z, -z, +y, -y, +x, -x.
int32_t hatch_list(const hab_spec& spec, std::array<Hatch, 6>& out) {
    const long double pi = pi_ext;
    const long double len = spec.length;
    const long double sh = 2.0L * spec.width * (opening_size + 1) / hab_resolution;
    const long double end_z = (0.5L - 0.5L / hab_resolution) * len;
    const long double g = (0.5L - 2.5L / hab_resolution) * len;

    struct Slot {
        int32_t side;
        Hatch hatch;
    };
    std::array<Slot, 6> all{};
    int32_t total = 0;
    switch (spec.variant) {
    case 0:
    case 1:
    case 3:
        all[total++] = {0, {vec_ext(0, 0, end_z), Vec3{}, static_cast<double>(sh)}};
        all[total++] = {1, {vec_ext(0, 0, -end_z), vec_ext(0, pi, 0), static_cast<double>(sh)}};
        break;
    case 4:
        all[total++] = {0, {vec_ext(0, 0, 5.5L / hab_resolution * len), Vec3{}, 0.4}};
        all[total++] = {1, {vec_ext(0, 0, -end_z), vec_ext(0, pi, 0), static_cast<double>(sh)}};
        break;
    case 2:
        all[total++] = {0, {vec_ext(0, 0, g), Vec3{}, static_cast<double>(sh)}};
        all[total++] = {1, {vec_ext(0, 0, -g), vec_ext(0, pi, 0), static_cast<double>(sh)}};
        all[total++] = {2, {vec_ext(0, g, 0), vec_ext(-pi / 2, 0, 0), static_cast<double>(sh)}};
        all[total++] = {3, {vec_ext(0, -g, 0), vec_ext(pi / 2, 0, 0), static_cast<double>(sh)}};
        all[total++] = {4, {vec_ext(g, 0, 0), vec_ext(0, pi / 2, 0), static_cast<double>(sh)}};
        all[total++] = {5, {vec_ext(-g, 0, 0), vec_ext(0, -pi / 2, 0), static_cast<double>(sh)}};
        break;
    default:
        break;
    }
    int32_t kept = 0;
    for (int32_t i = 0; i < total; ++i) {
        if (spec.no_hatch[all[i].side] == 0) out[kept++] = all[i].hatch;
    }
    return kept;
}

// Textures of the three hull groups; the painting order fixes the random draws.
void paint_hull(Context& ctx, typmshgrp* hull, int32_t variant) {
    switch (variant) {
    case 0:
        tex_style(ctx, hull[0], TexStyle::riveted_plating, 128);
        tex_noise(ctx, hull[1]);
        tex_style(ctx, hull[2], TexStyle::streaks, 128);
        break;
    case 1:
        tex_style(ctx, hull[0], TexStyle::riveted_plating, 128);
        tex_noise(ctx, hull[1]);
        tex_style(ctx, hull[2], TexStyle::fine_wavy_streaks, 128);
        break;
    case 3:
        tex_style(ctx, hull[0], TexStyle::light_plating, 128);
        tex_noise(ctx, hull[1]);
        tex_style(ctx, hull[2], TexStyle::tan_marble, 256);
        break;
    case 4:
        tex_style(ctx, hull[0], TexStyle::hyperbolic_plating, 128);
        tex_noise(ctx, hull[1]);
        tex_style(ctx, hull[2], TexStyle::wavy_streaks, 128);
        break;
    default:
        tex_ridges(ctx, hull[0], RidgeKind::grey);
        tex_noise(ctx, hull[1]);
        tex_stripes(ctx, hull[2]);
        break;
    }
}

}  // namespace

int32_t gen_habitat(Context& ctx, typmsh& m, int32_t first, Vec3 t, Vec3 ang, hab_spec& spec) {
    if (spec.variant < 0 || spec.variant > 4 || spec.variant == 2) spec.windows = 0;

    std::array<Hatch, 6> hatches{};
    const int32_t hatch_count = hatch_list(spec, hatches);
    const int32_t needed = hull_groups + hatch_count;
    if (groups_free(m, first) < needed) return -needed;

    typmshgrp* hull = group_at(m, first);
    for (int32_t g = 0; g < hull_groups; ++g) grp_reset(hull[g]);
    for (int32_t g = 0; g < hull_groups; ++g) hull[g].diffuse = rgba_pack(255, 255, 255, 255);
    hull[2].emissive = rgba_pack(52, 82, 52, 255);

    mbs_grid grid;   // released on every way out of this function
    grid.resolution = hab_resolution;
    grid.group_count = hull_groups;
    grid.pass_count = hull_passes;
    grid.round_sides = 0;
    // The textures and the hull touch different things (the painters the
    // context and the groups' pixels, the molder the grid and the groups'
    // vertices), so they may be made at the same time.
    run_alongside(
        ctx.threads, [&] { paint_hull(ctx, hull, spec.variant); },
        [&] {
            mbs_build_grid(grid);
            hab_fill_lattice(grid, spec);
            mbs_polygonise(m, first, grid, ctx.threads);
        });
    int32_t running = first + hull_groups;

    // The lattice spans -1 .. 1 from point 0 to point 60; h = 3 - 61/53 maps
    // it onto the block's width and length.
    const float h = static_cast<float>(3.0L - 61.0L / 53.0L);
    const Vec3 scale = vec_ext(spec.width / static_cast<long double>(h), spec.width / static_cast<long double>(h),
                               spec.length / static_cast<long double>(h));
    for (int32_t g = 0; g < hull_groups; ++g) {
        pnt_scale(hull[g].pnt.data(), static_cast<int32_t>(hull[g].pnt.size()), scale);
    }

    for (int32_t i = 0; i < hatch_count; ++i) {
        const int32_t filled = gen_hatch_frame(ctx, group_at(m, running), groups_free(m, running), hatches[i].offset,
                                               hatches[i].ang, hatches[i].edge);
        if (filled > 0) running += filled;
    }

    place_groups(m, first, running, t, ang);
    return running - first;
}

}  // namespace quilbet
