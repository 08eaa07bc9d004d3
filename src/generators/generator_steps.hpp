// Steps that every block generator built from primitives shares: the plain
// material and the finishing of a group (shrink, own shift, placement).
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"

namespace quilbet {

// Opaque white diffuse, no emissive colour, no specular highlight.
void grp_plain_material(typmshgrp& g);

// Shrinks pnt and ind to the nv vertices and nind indices that were built, then
// turns every vertex by ang (about x, then y, then z) and moves it by t.
void grp_finish(typmshgrp& g, int32_t nv, int32_t nind, Vec3 t, Vec3 ang);

// As grp_finish, with the generator's own shift (0, 0, shift_z) applied to every
// vertex first (a translation through pnt_rotate_translate, so shift_z is
// rounded to float32 before it is added).
void grp_finish_shifted(typmshgrp& g, int32_t nv, int32_t nind, double shift_z, Vec3 t, Vec3 ang);

}  // namespace quilbet
