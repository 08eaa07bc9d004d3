// Habitat hulls molded on the 61^3 lattice, and the auxiliary docking ports.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"
#include "texture/context.hpp"

namespace quilbet {

struct hab_spec {
    int32_t variant = 0;        // 0 Hab_A, 1 Hab_B, 2 Hab_Node_A, 3 Hab_C, 4 DG_Hab_Port
    double width = 6.0;
    double length = 8.0;
    int32_t windows = 0;
    uint8_t no_hatch[6] = {};   // +z, -z, +y, -y, +x, -x
    uint8_t rounded = 0;
};

// Three hull groups (skin, openings and windows, interior) plus one per hatch;
// returns the number of groups filled. Sets spec.windows to 0 for the node and
// unknown variants.
int32_t gen_habitat(Context& ctx, typmsh& m, int32_t first, Vec3 t, Vec3 ang, hab_spec& spec);
// Adaptor plus docking collar; 0 groups when skip != 0.
int32_t gen_port(Context& ctx, typmsh& m, int32_t first, int32_t skip, double w0, double h0, double len,
                 Vec3 t, Vec3 ang);

}  // namespace quilbet
