// Checks a decoded station description as a whole before anything is built
// from it: types, parameters, port entries, links, the tree shape and the hard
// limits. Values outside a catalogue range are warnings; everything that the
// module would refuse, misread or place wrongly is an error.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "station/blob.hpp"
#include "station/diagnostics.hpp"

namespace quilbet {

// How messages name a block: its id as the user wrote it ("core", or 3 for a
// blob). Given the slot, returns the text without type.
using BlockNamer = std::function<std::string(int32_t slot)>;

// Adds every problem of `st` to `diag`. Each fault is reported once: a block of
// unknown type gets no further messages about its parameters or ports, and a
// link is judged once from its first side.
void validate_station(const BlobStation& st, const BlockNamer& name_of, Diagnostics& diag);

// The hard limit on the block count N, or "" when it is within it.
std::string block_count_problem(int64_t count);

}  // namespace quilbet
