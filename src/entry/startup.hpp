// Load-time start-up: the floating-point environment, the "meshes" and
// "textures" folders and the two placeholder files the host loads before
// make_vesselmesh fills the mesh.
//
// Placeholder mesh "meshes<sep>quil_bets.msh": MSHX1 text with CR LF line
// ends, 1000 groups (each an octahedron of 24 vertices at distance 200,
// material i, texture i), 1000 materials and 1000 textures named
// "quil_bets.dds": 42,004 lines. Placeholder texture "textures<sep>quil_bets.dds":
// a 4 x 4 DXT1 DDS of 136 bytes, all black.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quilbet {

inline constexpr int32_t placeholder_groups = 1000;
inline constexpr std::size_t placeholder_dds_size = 136;

// The whole text of the placeholder mesh file.
std::string placeholder_mesh_text();
// The 136 bytes of the placeholder texture file.
std::array<uint8_t, placeholder_dds_size> placeholder_dds();

// Paths relative to the current folder, with the platform's separator.
std::string placeholder_mesh_path();
std::string placeholder_texture_path();

// Start-up steps 1 to 4: control word 0x133F (and default MXCSR); "meshes" and
// "textures" created with their parents when missing (a failure only means the
// file for that folder is not written); each placeholder file written anew
// when its folder exists. Returns false at the first file that cannot be
// created, written or closed, with error naming it; the later steps are not run.
bool prepare_environment(std::string& error);

}  // namespace quilbet
