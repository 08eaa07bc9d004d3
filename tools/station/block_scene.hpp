// The station block by block as exporters take it: each block's groups in its
// own frame with the materials and textures the hand-over gives the host, and
// the block's placement.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "blocks/station.hpp"
#include "station/scene.hpp"

namespace quilbet {

// Group g in the block's own frame: positions, normals and texture coordinates
// as the host receives them before placement, indices, the material the
// hand-over writes (colour bytes / 255; specular and power only with a
// highlight) and the texture as RGBA with opaque alpha (the host keeps 24 bits).
SceneGroup scene_group(const typmshgrp& g);

// True when the hand-over passes group g to the host: it has a vertex and a
// triangle, and 16-bit indices address all its vertices.
bool group_reaches_host(const typmshgrp& g);

// Block b as the exporters write it: `id`, its type name, every parameter
// with the value it was built with, its placement (b.pos, b.rot) and its
// groups that reach the host, in order.
SceneBlock scene_block(const blocktyp& b, const std::string& id);

// Every live block of the placed station in ascending id (the hand-over's
// order); ids from names, or the slot number for a slot without one.
std::vector<SceneBlock> station_scene_blocks(const Station& st, const std::map<int32_t, std::string>& names);

}  // namespace quilbet
