// Solar wing and power wing assemblies. Both fill groups of m from `first`,
// apply their own t and ang to every vertex of the groups they filled (nested
// calls apply theirs first), and return the number of groups filled.
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"
#include "texture/context.hpp"

namespace quilbet {

// A truss carrying four solar panels; variant -1 picks 0 .. 3 with one random draw.
int32_t gen_solar_wing(Context& ctx, typmsh& m, int32_t first, int32_t variant, double W, double H,
                       double rot, double shear, Vec3 t, Vec3 ang);
// Variants 0, 1, 2 (Power_wing_A .. C); others fill nothing.
int32_t gen_power_wing(Context& ctx, typmsh& m, int32_t first, int32_t variant, int32_t ptype, int32_t count,
                       double blen, double W, double H, double rot, double shear, Vec3 t, Vec3 ang);

}  // namespace quilbet
