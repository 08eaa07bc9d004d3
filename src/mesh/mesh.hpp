// Mesh records (vertex, group, mesh), colour packing and the group library.
//
// A block owns one typmsh: a list of groups, each a triangle list with one
// material and at most one painted texture. Winding: for a triangle (a, b, c),
// (b - a) x (c - a) points to the outside, the same way as the vertex normals.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "maths/maths.hpp"

namespace quilbet {

// One vertex: twelve 32-bit words, the normal first and the position second.
struct pnttyp {
    Vec3f nrm;
    Vec3f pos;
    float tu = 0;
    float tv = 0;
    uint32_t aux[4] = {0, 0, 0, 0};
};
static_assert(sizeof(pnttyp) == 48);
using aopntyp = std::vector<pnttyp>;

// A painted texture: texw x texh words, row by row, red in the lowest byte.
// Groups share blocks after grp_copy; the shared count keeps every block alive
// for as long as any group still names it, so no group can see freed pixels.
using PixelBlock = std::shared_ptr<uint32_t[]>;

struct typmshgrp {
    aopntyp pnt;
    std::vector<int32_t> ind;   // three entries per triangle, indices into pnt
    int32_t texw = 0;
    int32_t texh = 0;
    PixelBlock texpix;          // null when the group has no texture
    uint32_t diffuse = 0;       // colours as rgba_pack words (R in the lowest byte)
    uint32_t emissive = 0;
    uint32_t specular = 0;
    float specpow = 0;          // 0: no specular highlight
};

struct typmsh {
    uint8_t used = 0;           // 1 once the groups have been set up
    int32_t grpcnt = 0;
    std::vector<typmshgrp> grp;
};

// Groups a block mesh offers its generator.
inline constexpr int32_t block_group_capacity = 200;

// ---- colour packing ----
// r + 256 g + 65536 b + 16777216 a.
uint32_t rgba_pack(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
// Each fraction times 255 in extended precision, rounded to nearest-even; the low 8 bits kept.
uint32_t rgba_pack_f(float r, float g, float b, float a);

// ---- group library ----
// Empties pnt and ind, forgets the texture (texw/texh stay), white diffuse, no emissive/specular.
// Forgetting drops only this group's reference: groups that share the block keep it alive.
void grp_reset(typmshgrp& g);
// Copies vertices, indices, texture size, texture reference, colours and power.
void grp_copy(typmshgrp& dst, const typmshgrp& src);
// Copies `used`; when the source was never set up nothing else is copied.
// Otherwise dst gets grpcnt groups, each copied with grp_copy (pixel blocks shared).
void msh_copy(typmsh& dst, const typmsh& src);
// Turns n vertices about x, then y, then z (an angle of exactly 0 is skipped),
// positions and normals alike, then adds t to the positions.
void pnt_rotate_translate(pnttyp* v, int32_t n, Vec3 t, Vec3 ang);
// Rotates positions and normals by the unit quaternion q, then adds t to the positions.
void pnt_place(pnttyp* v, int32_t n, Vec3 t, Quat q);
// Scales positions per axis (s rounded to float first); normals unchanged.
void pnt_scale(pnttyp* v, int32_t n, Vec3 s);
// Largest distance of a position from the origin; 0 for n = 0.
double pnt_radius(const pnttyp* v, int32_t n);
// Largest pnt_radius over groups 0 .. grpcnt - 1; 0 without groups.
double msh_radius(const typmsh& m);

// Prepares a block mesh for a generator: resets the groups in use (or marks the
// mesh as set up) and gives it block_group_capacity empty groups.
void msh_prepare(typmsh& m);
// After the generator: measures the radius over all prepared groups, then keeps
// only the first `count` groups. Returns the radius. A count outside
// 0 .. block_group_capacity (a generator's negative failure result) is clamped
// into that range, so grpcnt always matches the length of grp.
double msh_finish(typmsh& m, int32_t count);

}  // namespace quilbet
