// Reading a station from a file, JSON or blob, into checked blob records.
#pragma once

#include <string>

#include "diagnostics.hpp"
#include "station_json.hpp"
#include "type_info.hpp"

namespace quilbet {

// True when the bytes start with the blob magic (a JSON text never does).
bool looks_like_blob(const std::vector<uint8_t>& bytes);

// Reads `path` (a JSON description, or a blob when it starts with the magic),
// converts and validates it. Returns true when no error was found; warnings
// and errors go to diag either way. out.names maps slots to the ids written.
bool load_station(const std::string& path, const TypeSource& types, StationText& out, Diagnostics& diag);

// Same from bytes already read; `is_blob` picks the format.
bool load_station_bytes(const std::vector<uint8_t>& bytes, bool is_blob, const TypeSource& types, StationText& out,
                        Diagnostics& diag);

}  // namespace quilbet
