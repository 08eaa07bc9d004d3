// Reading a station from a file, JSON or blob, into checked blob records.
#pragma once

#include <string>

#include "station/diagnostics.hpp"
#include "station/station_json.hpp"
#include "blocks/block_types.hpp"

namespace quilbet {

// True when the bytes start with the blob magic (a JSON text never does).
bool looks_like_blob(const std::vector<uint8_t>& bytes);
// True when the first character after white space (and a UTF-8 byte-order
// mark) opens a JSON object or array.
bool looks_like_json(const std::vector<uint8_t>& bytes);
// For bytes that are not a blob: "" when they look like JSON text, otherwise
// a sentence saying what the file is not and how it starts.
std::string file_kind_problem(const std::vector<uint8_t>& bytes);

// Reads `path` (a JSON description, or a blob when it starts with the magic),
// converts and validates it; a file that is neither is refused as such. Returns true when no error was found; warnings
// and errors go to diag either way. out.names maps slots to the ids written.
bool load_station(const std::string& path, StationText& out, Diagnostics& diag);

// Validates a description already read, naming blocks by the ids written
// (out.names); true when no error was found.
bool validate_station_text(const StationText& st, Diagnostics& diag);

// Same as load_station from bytes already read; `is_blob` picks the format.
bool load_station_bytes(const std::vector<uint8_t>& bytes, bool is_blob, StationText& out,
                        Diagnostics& diag);

}  // namespace quilbet
