// The station build of make_vessel in its steps (one block from its type,
// parameter values and random state; the loop that links a set of records
// into the block table; the placement), the parse that runs them, and the
// removal of blocks from the table. The tools build through the same steps.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "blocks/catalogue.hpp"
#include "blocks/station.hpp"
#include "entry/blob.hpp"
#include "texture/context.hpp"

namespace quilbet {

// Removes block r unless it is not live or has two or more linked ports: the
// root passes to the block its linked port names (or -1), links are cut on
// both sides, parameters, ports and mesh are emptied and live is cleared.
// r outside the table is ignored.
void remove_block(Station& st, int32_t r);
// remove_block for every block id 0 .. count - 1, then count 0.
void reset_station(Station& st);

// One block built in its own frame, and the random state the build left.
struct BlockBuild {
    blocktyp block;
    uint32_t random_after = 0;
};

// The block a record of type btype starts as: b becomes a copy of the
// catalogue's first entry of that type without its geometry (copy_block with
// skip geometry), then each of values goes to the first of its parameters with
// the value's id (ids the type lacks are skipped). False, b untouched, when
// the catalogue has no entry of that type.
bool instance_block(blocktyp& b, const Catalogue& cat, int32_t btype, const std::vector<BlobParam>& values);

// Builds the geometry and ports of a block instance (build_block_geometry with
// ports) drawing from random state random_before; returns the block and the
// state after it. ctx.random is left at that state. The same instance and
// state give the same block, bit for bit. An instance of a type that the
// block-type table lacks gets an empty mesh and keeps its ports.
BlockBuild build_block(Context& ctx, blocktyp instance, uint32_t random_before);

// Sets the port links a record gives to its block: port k gets linked =
// (flag != 0) and, when linked, the record's block and port; entries at or
// beyond the block's ports (nports, or the ports it holds) are skipped.
void link_ports(blocktyp& b, const BlobRecord& r);

// Fills block b of a record, already live with its btype and id; false stops the build.
using RecordBlockFn = std::function<bool(const BlobRecord& r, blocktyp& b)>;

// The build loop over a set of records: the table becomes block_count slots
// with live cleared and no root; then, for each record in order, the first
// record's id becomes the root, its slot is set live with the record's btype
// and id, make fills the block and link_ports sets its links. When make
// returns false the loop ends there and returns false (blocks before it stay
// as built); true when every record was made. Records must come from a blob
// that read_blob accepted (ids within the table).
bool build_records(Station& st, const BlobStation& records, const RecordBlockFn& make);

// Places the whole station from its root (place_block, full), as make_vessel does after the parse.
void place_station(Station& st);

// Builds the records of a blob that check_blob accepted into st: reset,
// progress (1, 0.0), then build_records with per record instance_block and
// build_block from ctx's random state, and progress (1, done / N) after each
// block. A record whose type the catalogue lacks clears the station (root -1)
// and ends the parse.
void parse_blob(Context& ctx, Station& st, const Catalogue& cat, const BlobStation& records, const ProgressFn& progress);

}  // namespace quilbet
