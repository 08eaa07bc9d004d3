// Ports and the placement tree: port frames, placing linked blocks so that
// their ports meet, and the small block-table operations.
#pragma once

#include <cstdint>
#include <string>

#include "blocks/block.hpp"
#include "blocks/station.hpp"

namespace quilbet {

class Catalogue;

// Stores position, direction, up and kind, the three frame quaternions, and
// wpos = lpos, wrot = identity. Link fields are left alone.
void define_port(BlockPort& port, Vec3 position, Vec3 direction, Vec3 up, int32_t kind);

// Places block `block` at position p with orientation q and, depth first, every
// block linked below it. full = true clears the visited flags, places the root
// at the origin and then leaves every block the root does not reach where it
// stands. A block is placed once; cycles terminate. Links to ids outside
// 0 .. block_count - 1, to empty slots or to a port the other block lacks are
// never followed. The walk keeps its own stack (no recursion).
void place_block(Station& st, int32_t block, Vec3 p, Quat q, bool full);
void clear_visited(Station& st);

// Copies a catalogue entry into an instance (link flags cleared, at the root
// position, new texture object); the mesh and texture image too unless skip_geometry.
void copy_block(blocktyp& instance, const blocktyp& entry, bool skip_geometry);
// Adds a copy of entry (with its geometry) to the lowest free slot, growing the
// table to 2 count + 1 when full, and links its child_port to the parent's
// parent_port. Returns the new id, or -1 (nothing changed) when the parent port
// is linked already or the kinds differ; also when the entry is not defined, the
// parent is not a live block of the table, or either port number is out of range.
int32_t add_block(Station& st, const blocktyp& entry, int32_t parent, int32_t child_port, int32_t parent_port);
// add_block for the first catalogue entry whose name matches ignoring case (with
// its default geometry, built on first use); -1 when none.
int32_t add_block_by_name(Station& st, const Catalogue& cat, const std::string& name, int32_t parent,
                          int32_t child_port, int32_t parent_port);

}  // namespace quilbet
