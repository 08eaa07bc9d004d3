// The host's text mesh format, as the placeholder mesh file uses it, for a
// whole station: "MSHX1", then "GROUPS n" and per group its MATERIAL and
// TEXTURE numbers, "GEOM vertices triangles", one line per vertex (position,
// normal, texture u and v) and one per triangle (three 0-based vertex
// numbers); then "MATERIALS n", the material names, each material's four
// colour lines; then "TEXTURES k" and the texture file names. Lines end with
// CR LF.
#pragma once

#include <string>
#include <vector>

#include "station/host_handover.hpp"

namespace quilbet {

// A float in the shortest decimal form (no exponent) that reads back as the
// same 32-bit float: "0.1", "-200", "0.000012", "-0"; "nan" and "inf" for
// values that are not finite.
std::string shortest_decimal(float v);

// The mesh file of a hand-over. Group g (g from 0) is written with MATERIAL
// g + 1 and the vertices and triangles exactly as the host received them;
// texture_files[g] names its texture file ("" for a group without a texture,
// which gets TEXTURE 0; the others are numbered from 1 in group order and
// listed in that order). Material g + 1 is named after its block and group
// ("hab_2"; characters other than letters, digits, '.', '-' and '_' become
// '_', and a name already taken gets "_g" and the group number), with the
// lines of the host's material record: diffuse, ambient, specular (followed
// by the power when it is not 0) and emissive, R G B A each.
// texture_files must have one entry per group.
std::string host_mesh_text(const HostHandover& handover, const std::vector<std::string>& texture_files);

}  // namespace quilbet
