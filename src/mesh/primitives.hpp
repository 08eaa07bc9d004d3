// The five primitive builders every generator assembles its geometry from.
//
// Each builder appends one primitive to group g at the running counts nv
// (vertices) and nind (indices), writing absolute indices (local + nv on entry),
// builds it around the origin, then turns it by ang (about x, then y, then z)
// and moves it by t with pnt_rotate_translate. nv and nind grow by the counts
// written. The builders keep g.pnt and g.ind at least nv / nind long: they grow
// the arrays when the next primitive would pass their end, so a caller's
// working capacity is a size hint and never a limit that can be overrun.
//
// Counts (s = 1 when two-sided, n segments, nr dome rings):
//   quad_add, trapezoid_add  4(1 + s) vertices, 6(1 + s) indices
//   box_add                  24(1 + s), 36(1 + s)
//   prism_add                4n + 4, 12n
//   domed_prism_add          2(n + 1) + 2 nr n + 2, 12 n nr
//
// Segment codes of the prisms: 0 -> 4, 1 -> 8, 2 -> 16, anything else is the
// count itself; a count below 3 (a negative code) is raised to 3, the fewest
// segments that close a prism. A dome ring count below 1 is raised to 1.
//
// Bad requests write nothing and leave nv and nind unchanged: negative running
// counts, running counts beyond the current lengths of g.pnt / g.ind, a primitive of more than 2^22 vertices or indices, or counts that
// would pass INT32_MAX. Growth is geometric and zero-fills new entries, so
// g.pnt / g.ind may end up longer than nv / nind; the caller shrinks them to
// the running counts when the group is complete.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"

namespace quilbet {

// Segment count of a segment code (see above); at least 3.
int32_t segment_count(int32_t seg);

// Rectangle a along x by b along z in the plane y = 0, normal +y.
void quad_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t,
              double a, double b);
// Like quad_add; the edge at z = +b/2 is w_front long, the edge at z = -b/2 is w_back long.
void trapezoid_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t,
                   double b, double w_front, double w_back);
// Box sx x sy x sz centred on the origin, six quads.
void box_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t,
             double sx, double sy, double sz);
// Closed prism along z, circumradius r, end faces at z = +-len/2. The side's
// texture runs v 0 .. len / (2 r); a side too thin for that ratio to be a
// finite float (r = 0 included) gets v 0 throughout, so every vertex stays finite.
void prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t,
               double r, double len, int32_t seg);
// Prism side (as prism_add's) closed by two domes of height dome_h made of nr rings.
void domed_prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t,
                     double r, double len, double dome_h, int32_t nr, int32_t seg);

}  // namespace quilbet
