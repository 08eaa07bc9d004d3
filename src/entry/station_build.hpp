// The station build of make_vessel: checked blob records into the block
// table, and the removal of blocks from it.
#pragma once

#include <cstdint>

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

// Builds the records of a blob that check_blob accepted into st: reset,
// progress (1, 0.0), table of N slots, then per record a copy of its
// catalogue entry without geometry, its parameter values by id (ids the type
// lacks skipped), build_block_geometry with ports, its port links (entries
// beyond the block's ports skipped), and progress (1, done / N). A record
// whose type the catalogue lacks clears the station (root -1) and ends the parse.
void parse_blob(Context& ctx, Station& st, const Catalogue& cat, const BlobStation& records, const ProgressFn& progress);

}  // namespace quilbet
