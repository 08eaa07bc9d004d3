// Block, parameter and port records; the standard dimensions; parameter accessors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"

namespace quilbet {

inline constexpr double std_width = 4.0;
inline constexpr double std_height = 3.0;
inline constexpr double std_length = 8.0;
inline constexpr int32_t std_count = 7;

// Parameter kinds.
inline constexpr int32_t param_switch = 0;  // on when the value is above 0 (catalogue stores 1 / -1)
inline constexpr int32_t param_whole = 1;   // rounded to nearest-even when read
inline constexpr int32_t param_real = 2;

struct paramtyp {
    std::string name;
    int32_t id = 0;
    int32_t kind = 0;
    double val = 0;
    double min = 0;
    double max = 0;
    double def = 0;
};

struct BlockPort {
    Vec3 lpos;              // position in the block's frame
    Vec3 ldir;              // outward direction, unit length
    Vec3 lup;               // up vector, unit length
    int32_t kind = 0;       // only ports of equal kind may be linked
    Quat qframe;            // frame built from ldir and lup
    Quat qframe_inv;        // its inverse
    Quat qmate;             // frame built from -ldir and lup
    Vec3 wpos;              // station-frame position (placement)
    Quat wrot;              // station-frame orientation of the owning block (placement)
    uint8_t linked = 0;
    int32_t lblock = 0;     // linked block id
    int32_t lport = 0;      // port index on the linked block
};

struct blocktyp {
    uint8_t live = 0;
    std::string name;
    int32_t btype = 0;      // catalogue type id
    int32_t cat = 0;        // category (catalogue entries only)
    int32_t id = 0;         // index in the station's block table; -1 in catalogue entries
    double size = 0;        // bounding radius of msh
    uint8_t visited = 0;
    Vec3 pos;
    Quat rot;
    std::vector<paramtyp> params;
    std::vector<BlockPort> ports;
    int32_t nparams = 0;
    int32_t nports = 0;
    typmsh msh;
    uint32_t tex = 0;       // OpenGL texture object name (0 without a context)
};

// Sets name, id, kind, min, max, and both val and def to def_value.
void define_param(paramtyp& p, const std::string& name, int32_t id, int32_t kind, double def_value,
                  double min, double max);
// Resets b to a fresh catalogue entry: live, name, btype, cat, nparams and
// nports (arrays resized, new entries zero-filled), size 1, id -1, mesh never
// set up, not visited, at the origin with identity rotation. Its texture
// object is the caller's to create (the catalogue does, with gl_tex_create).
void define_block_type(blocktyp& b, const std::string& name, int32_t btype, int32_t cat,
                       int32_t nparams, int32_t nports);
// val of the first of the first nparams parameters with this id (never reading
// past the params array); 0.0 when none.
double param_value(const blocktyp& b, int32_t id);
// param_value > 0.
bool param_bool(const blocktyp& b, int32_t id);
// param_value rounded to nearest, ties to even (non-finite or huge: INT32_MIN, see nearest_i32).
int32_t param_int(const blocktyp& b, int32_t id);

}  // namespace quilbet
