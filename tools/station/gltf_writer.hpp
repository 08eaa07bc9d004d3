// glTF 2.0 binary (.glb) export of a built station.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "station/scene.hpp"

namespace quilbet {

// Writes the scene as one GLB. With blocks: one node per block, named
// "id (Type)", holding the block's groups as the primitives of one mesh in the
// block's own frame, the placement as the node's translation and rotation and
// the parameters in its extras ({"params": {name: value}}); materials named
// "Type group k". Without blocks: one node and mesh per group of
// scene.groups. Either way groups without triangles are skipped, positions, unit normals, texture
// coordinates and indices (16-bit when they fit, else 32-bit), a metallic-
// roughness material from the group's colours (base colour = diffuse, emissive
// factor = emissive, roughness = clamp(1 - specpow / 100, 0.1, 1), metallic 0)
// and the group's texture embedded as PNG with linear filtering and clamped
// coordinates. Units are metres; the station frame is kept as it is.
// False with a reason on failure.
// asset.generator is "quilbet VERSION".
bool write_glb(const Scene& scene, std::vector<uint8_t>& out, std::string& error);

// "id (Type)": the name of a block's node.
std::string block_node_name(const SceneBlock& b);

}  // namespace quilbet
