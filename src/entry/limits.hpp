// Hard limits on what a station description may ask for.
//
// The catalogue's min / max describe sensible values to an editor and are not
// enforced: a value outside them but within these limits is built as given
// (the catalogue's own "Solar_Panel_B" default of 19 rows lies above its
// maximum of 15). These limits are different: a description that breaks one
// is refused whole before anything changes, because beyond them a block could
// need more than one host group of 65,536 vertices (16-bit indices), more than
// a generator's working capacity, or unbounded time.
//
// Vertex budget behind the whole-number limits (largest group per block):
//   "Rows" 64           panel group 64 x 16 vertices, frame group about 64 x 80
//                       (working capacity 10,000)
//   "Block_count" 64    about 65 frames x 12 boxes x 24 vertices plus rails and
//                       tubes, well under 65,536; 4 x 64 + 2 = 258 ports
//   "Windows" 32        one lattice pass per window slot over 61^3 points; the
//                       lattice has only 54 wall cells along z, so more slots
//                       cannot be told apart
//   "Panel type" -1..4  -1 is random, 0 to 3 the defined variants, 4 the
//                       catalogue's maximum
// Real-valued lengths and radii stay within 0 to 1,000 m so that every vertex
// stays finite in 32-bit floats; angles, shears and switches only need to be
// finite (and within +-1e6, far beyond any meaning).
#pragma once

#include <cstdint>

namespace quilbet {

// Block slots a description may declare (N); the hand-over can place at most
// 1,000 groups anyway, and every block needs at least one.
inline constexpr int32_t max_block_count = 1024;
// Parameter entries (P) and port entries (Q) of one block record. No type has
// more than 5 parameters or 258 ports; larger counts are refused as absurd.
inline constexpr int32_t max_record_params = 64;
inline constexpr int32_t max_record_ports = 1024;

// One hard limit: the parameter with this id in the types btype_first ..
// btype_last must lie in [lo, hi] (whole numbers are checked after rounding).
struct ParamLimit {
    int32_t btype_first;
    int32_t btype_last;
    int32_t param_id;
    double lo;
    double hi;
    const char* name;
};

inline constexpr ParamLimit param_limits[] = {
    {11, 13, 1, -1, 4, "Panel type"},
    {31, 34, 3, 0, 64, "Rows"},
    {41, 43, 2, 0, 64, "Block_count"},
    {41, 43, 1, 0, 1000, "Block_length"},
    {51, 54, 1, 0, 32, "Windows"},
    {51, 55, 3, 0, 1000, "Length"},
    {61, 62, 1, 0, 1000, "Length"},
    {71, 72, 1, 0, 1000, "Length"},
    {71, 72, 2, 0, 1000, "Radius"},
    {81, 82, 1, 0, 1000, "Length"},
};

// Any other finite parameter value must lie within +-general_value_limit.
inline constexpr double general_value_limit = 1e6;

// The hard limit of parameter param_id of type btype, or null for the general limit.
inline constexpr const ParamLimit* find_param_limit(int32_t btype, int32_t param_id) {
    for (const ParamLimit& l : param_limits) {
        if (btype >= l.btype_first && btype <= l.btype_last && param_id == l.param_id) return &l;
    }
    return nullptr;
}

}  // namespace quilbet
