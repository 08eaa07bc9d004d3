// Plumbing shared by the assembly generators (wings, habitats, ports): where a
// part generator may write in a block mesh, and how the groups that an
// assembly filled are turned and moved as one.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"

namespace quilbet {

// Groups of m that may be filled from index `from` on: the smaller of grpcnt
// and the length of grp, minus from. 0 when from lies outside that range, so a
// part generator handed this capacity never writes past the group array.
int32_t groups_free(const typmsh& m, int32_t from);
// Address of group `index` for a part generator, or null when index lies
// outside 0 .. length of grp (the one-past-the-end address is allowed; its
// capacity from groups_free is 0).
typmshgrp* group_at(typmsh& m, int32_t index);
// Turns by ang (about x, then y, then z) and moves by t every vertex of the
// groups from .. to - 1 (pnt_rotate_translate over each whole vertex array).
// Indices outside the group array are ignored.
void place_groups(typmsh& m, int32_t from, int32_t to, Vec3 t, Vec3 ang);

}  // namespace quilbet
