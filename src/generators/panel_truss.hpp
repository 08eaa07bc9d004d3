// Solar panel, truss and hatch frame generators.
//
// Generator contract (shared with adaptor_tank.hpp): grp points at the first
// group the generator may fill and cap says how many are available from there.
// Each filled group is cleared, painted, given its material, built around the
// origin, shrunk to what was built, shifted by the generator's own fixed shift
// (if any) and finally turned by ang and moved by t (pnt_rotate_translate).
// The result is the number of groups filled, or its negative when cap is too
// small, in which case nothing is touched.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"
#include "texture/context.hpp"

namespace quilbet {

struct panel_spec {
    int32_t rows = 0;       // panel rows n
    int32_t variant = 0;    // 0 .. 3: Solar_Panel_A .. D; also the cell texture's panel type
    double dim_a = 0;       // main panel dimension a
    double dim_b = 0;       // second panel dimension b
    double gap = 0;         // gap between rows (variant 0)
    double spine = 0;       // width of the central spine
    double shear = 0;       // amplitude of the random row rotation (variant 0)
    uint8_t smalling = 0;   // 1: each row shorter than the one before (variant 0)
};

struct truss_spec {
    int32_t count = 0;      // bays n
    int32_t variant = 0;    // 0, 1, 2: Truss_A, B, C; 3 or more builds an empty group
    double bar = 0;         // frame and bracing thickness
    double rail = 0;        // corner rail thickness
    Vec3 dims;              // x width W, y height H, z bay length L
    uint8_t cross_a = 0;    // diagonals inside each frame
    uint8_t cross_b = 0;    // side faces x = +-W/2 (variants 1, 2 add parts there)
    uint8_t cross_c = 0;    // top and bottom faces y = +-H/2 (variant 2 adds cover plates)
};

// Two groups: 0 the panels (cells texture, specular 130 grey, power 45), 1 the frame.
// Draws rows random numbers first (the row angles), for every variant, then
// the cell painter's and the noise painter's. Both groups are shifted along z
// so that the frame's root flange sits at the origin, then placed by t and ang.
// A variant outside 0 .. 3 is built with variant 3's geometry (and painted as
// the cell painter paints that panel type, which is also like 3). Rows <= 0
// build no panels and a frame without rows (a spine of length 0).
// Groups grow as far as the rows need. Returns 2, or -2 when cap < 2.
int32_t gen_solar_panel(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, const panel_spec& spec, Vec3 ang);
// One group: the box-section girder, n bays centred on the origin along z,
// rails 2.1 bar longer than the n bays. Variant >= 3 leaves the group empty
// (no texture, no random draw). A negative count is built as 0 (four short
// rails and one frame). Returns 1, or -1 when cap < 1.
int32_t gen_truss(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, const truss_spec& spec, Vec3 ang);
// One group: square plate s x s (s/30 thick, z = 0 .. s/30) with a rim behind it. Returns 1, or -1.
int32_t gen_hatch_frame(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, Vec3 ang, double s);

}  // namespace quilbet
