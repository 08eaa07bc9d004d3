// The readable station description (JSON) and its translation to and from the
// description blob's records.
//
//   { "blocks": [ { "id": "core", "type": "Hab_A", "params": { "Length": 10, "Round": true } },
//                 { "id": "node", "type": "Hab_Node_A" } ],
//     "links":  { "core.0": "node.1" } }
//
// Types by catalogue name (any letter case) or type id; parameters by name or
// by id written as a string of digits; switches as true / false (stored as
// 1 / -1); each link written once, both sides go into the blob. The first block
// is the root. Names as ids are numbered by their place in the list; ids that
// are whole numbers are the block slots themselves (what `decode` writes).
#pragma once

#include <map>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "station/blob.hpp"
#include "station/diagnostics.hpp"
#include "blocks/block_types.hpp"

namespace quilbet {

struct StationText {
    BlobStation station;
    std::map<int32_t, std::string> names;   // slot -> id as written
    std::string title;                      // the description's "name", "" when it has none
    std::string schema;                     // its "$schema", "" when it has none

    // The id a block was written with, or its slot's number when it has none.
    std::string id_of(int32_t slot) const {
        const auto it = names.find(slot);
        return it != names.end() ? it->second : std::to_string(slot);
    }
};

// A vector as a JSON array [x, y, z].
nlohmann::ordered_json vec_json(Vec3 v);

// Reads a description from JSON text (a UTF-8 byte-order mark skipped).
// Nesting and size are checked first, in one pass (check_json_text); then
// problems of the text itself (syntax, unknown keys, unknown types and
// parameters, malformed or doubled links) go to diag as errors naming the
// block and field, quoting at most a short excerpt of a value; returns false
// when any was found. The result still has to pass validate_station.
bool parse_station_json(std::string_view text, StationText& out, Diagnostics& diag);

// Writes the JSON description of a station that passed validate_station:
// integer ids (the slots), type and parameter names, switches as true / false,
// each link once. parse_station_json of its dump gives the same records.
nlohmann::ordered_json station_to_json(const BlobStation& st);

// The same with the ids as written (st.names; when every name is its slot's
// own number, the ids are written as numbers), and "$schema" and the title as
// "name" when there are. parse_station_json of its dump gives the same
// records, names, schema and title, so writing that dump again gives the same bytes.
nlohmann::ordered_json station_to_json(const StationText& st);

}  // namespace quilbet
