// The station build of make_vessel: the description blob, its check, its
// parse into the block table, and the walk for docking ports and habitats.
//
// Blob: 32-bit little-endian signed words, length / 4 of them (length in
// bytes). Word 0 is the magic 0x01010101, word 1 the block count N, then
// block records until the words run out:
//   block id, type id, parameter count P, port count Q,
//   P x (parameter id, value as a 64-bit float in two words, low word first),
//   Q x (linked flag; when non-zero also linked block id, linked port index).
// The first record's block id becomes the root.
#pragma once

#include <cstdint>
#include <string>

#include "blocks/block_types.hpp"
#include "blocks/catalogue.hpp"
#include "blocks/station.hpp"
#include "entry/diagnostic.hpp"
#include "entry/vessel_definition.hpp"
#include "texture/context.hpp"

namespace quilbet {

inline constexpr int32_t blob_magic = 0x01010101;

// The verdict on a blob, given before anything changes.
struct BlobCheck {
    bool accepted = false;
    bool wrong_magic = false;  // word 0 is not the magic (or the blob is too short to hold it)
    std::string reason;        // empty when accepted; names the record and field otherwise
    std::string note;          // accepted, but the station will be empty: why (a type id not in the catalogue)
    BuildFigures figures;      // what the records checked so far will build
};

// Checks the whole blob the way the parse will read it: the magic; N within
// 0 .. max_block_count; every record complete within length / 4 words (at
// least one record); block ids and link targets within 0 .. N - 1 and no block
// id twice; P and Q within their limits, link port indices not negative; every
// parameter value finite and within its hard limit in the block-type table
// for the record's type. Parameter ids a type lacks are not errors. A record whose type
// id the catalogue lacks ends the check (the parse stops there too; note says
// so). Finally the station budget (station_budget.hpp) over every record the
// parse will build: a station over it is refused, the reason naming the budget.
// A null blob or a negative length is refused.
BlobCheck check_blob(const Catalogue& cat, const void* blob, int32_t length);

// Removes block r unless it is not live or has two or more linked ports: the
// root passes to the block its linked port names (or -1), links are cut on
// both sides, parameters, ports and mesh are emptied and live is cleared.
// r outside the table is ignored.
void remove_block(Station& st, int32_t r);
// remove_block for every block id 0 .. count - 1, then count 0.
void reset_station(Station& st);

// Parses a blob that check_blob accepted into st: reset, progress (1, 0.0),
// table of N slots, then per record a copy of its catalogue entry without
// geometry, its parameter values by id, build_block_geometry with ports, its
// port links, and progress (1, done / N). An unknown type id clears the
// station (root -1) and stops the parse. A blob that check_blob refuses is left
// alone (nothing changes) and false is returned.
bool parse_blob(Context& ctx, Station& st, const Catalogue& cat, const void* blob, int32_t length,
                const ProgressFn& progress);

// The walk from the root over live, not yet visited blocks, ports in index
// order, depth first: "Hab_A" and "Hab_C" add 3 to the habitat total at offset
// 856 and set the habitat position at 680 (last one wins), "Hab_B" adds 1;
// every free port of kind 11 becomes a docking port in list 7 with its world
// position and its ldir and lup rotated by wrot. Visited flags must be clear.
void scan_block(Station& st, VesselDefinition& vd, int32_t root);

// When the habitat total is not zero: one list-8 entry carrying the total,
// the position and first direction of docking port 0 (or the origin and +y)
// and the extent (2, 2, 2); the total field then counts list 8 (1).
void build_habitat_entry(VesselDefinition& vd);

}  // namespace quilbet
