// make_vesselmesh: the station's groups, materials and textures into a host
// mesh laid out like the placeholder mesh (1000 groups, materials, textures).
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/station.hpp"
#include "entry/diagnostic.hpp"
#include "entry/host_interface.hpp"
#include "mesh/mesh.hpp"

namespace quilbet {

// Host groups, materials and textures the placeholder mesh declares.
inline constexpr int32_t host_mesh_capacity = 1000;
// Vertices a group may hold so that 16-bit indices address all of them.
inline constexpr std::size_t max_group_vertices = 65536;

// One station group: group `group` of block `block`.
struct StationGroupRef {
    int32_t block;
    int32_t group;
};
// The station's groups in hand-over order: every group of every live block,
// blocks in ascending id (within the block count), groups in order.
std::vector<StationGroupRef> station_groups(const Station& st);
// How many groups station_groups lists.
int64_t station_group_count(const Station& st);

// The GDI colour of a pixel word (red in the lowest byte): its low 24 bits.
inline uint32_t gdi_colour(uint32_t w) {
    return (w & 0xFFu) + 256u * ((w >> 8) & 0xFFu) + 65536u * ((w >> 16) & 0xFFu);
}
// A colour byte as a material component: byte / 255 in extended precision, as a float.
inline float colour_component(uint32_t word, int byte) {
    return static_cast<float>(static_cast<long double>((word >> (8 * byte)) & 0xFFu) / 255.0L);
}

// Writes w x h pixels (row by row) onto surface s through the drawing context
// the host lends for it: in one block transfer when the surface takes one
// with the same result (24 or 32 bits per pixel, 16-bit 5-5-5 and 5-6-5 DIB sections), else with one SetPixel of
// gdi_colour per pixel. Either way each pixel gets the same colour.
void upload_texture(const HostInterface& host, const uint32_t* pixels, int32_t w, int32_t h, void* s);

// The whole hand-over. A full placement, then host group g is fetched for g <
// the count the host reports and touched only then; materials 0 .. 999 are
// fetched. Station group i, its block's group with the vertices copied and moved
// into the station frame with pnt_place by the block's pos and rot, gets
// vertices, 16-bit indices, flags 0, its material and, with a texture, a new
// surface bound as texture i + 1; host groups from the station group count to
// 999 get flags 2. A station group beyond the host's count or the 1000 of the
// placeholder is never copied, and one with more than 65,536 vertices is left
// out (its host group flagged 2), each with a diagnostic. The blocks' own
// groups keep their pixel blocks, so a second hand-over after one make_vessel
// uploads the same textures again.
// Every slot must be filled (the caller checks); host results are not checked
// beyond null records, which are skipped.
void make_vesselmesh(Station& st, const HostInterface& host, void* mesh, const DiagnosticFn& diagnostic);

}  // namespace quilbet
