// The module's verdict on a description blob, given whole before anything
// changes: the blob's structure (the one reader, blob.hpp), every parameter
// value against its hard limit, and the station budget.
#pragma once

#include <cstdint>
#include <string>

#include "blocks/block_types.hpp"
#include "blocks/catalogue.hpp"
#include "entry/blob.hpp"

namespace quilbet {

struct BlobCheck {
    bool accepted = false;
    bool wrong_magic = false;  // word 0 is not the magic (or the blob is too short to hold it)
    std::string reason;        // empty when accepted; names the record and field, or the budget
    std::string note;          // accepted, but the station will be empty: why (a type id not in the catalogue)
    BuildFigures figures;      // what the records the parse will build make
    BlobStation station;       // the records, when accepted
};

// Reads the blob as read_blob does, stopping at a type id the catalogue lacks
// (the parse clears the station there; note says so). Then every parameter
// value of every record before it must pass hard_limit_problem for its type
// (ids a type lacks are skipped by the parse but must still be finite and
// within the general limit), and the station budget (station_budget.hpp)
// must hold over every record the parse will build.
BlobCheck check_blob(const Catalogue& cat, const void* blob, int32_t length);

}  // namespace quilbet
