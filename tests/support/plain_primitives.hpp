// Plain forms of the vertex transform and the five primitive builders, in
// namespace quilbet::plain. Same contracts and bit-identical results as
// pnt_rotate_translate (mesh.hpp) and the builders of primitives.hpp, which
// take their cosines and sines of recurring angles from tables and write each
// primitive in slices; these are written from the shapes' definitions instead
// (a plane rotation per axis, each vertex a closed form of its place, the box
// as its face table), so a slip in one is not repeated in the other. Kept as
// the oracle that the fast forms are tested against.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"
#include "mesh/primitives.hpp"

namespace quilbet::plain {

void pnt_rotate_translate(pnttyp* v, int32_t n, Vec3 t, Vec3 ang);
void quad_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double a, double b);
void trapezoid_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double b,
                   double w_front, double w_back);
void box_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double sx, double sy,
             double sz);
void prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t, double r, double len, int32_t seg);
void domed_prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t, double r, double len,
                     double dome_h, int32_t nr, int32_t seg);

}  // namespace quilbet::plain
