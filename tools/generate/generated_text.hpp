// The description text of a generated station, and the seed as people write it.
#pragma once

#include <cstdint>
#include <string>

#include "generate/generate.hpp"
#include "station/blob.hpp"

namespace quilbet {

// The description text of a generated station: a name and a comment saying
// how to generate it again, then the blocks and links as `decode` writes them.
std::string generated_json(const BlobStation& station, const GenerateOptions& options);

// Reads a seed: decimal digits only, 0 to 18446744073709551615. False for
// anything else (a sign, a fraction, a number too large for 64 bits).
bool parse_seed(const std::string& text, uint64_t& seed);

// The glb and PNG paths of --build: the JSON path with its ".json" ending
// replaced (or the endings appended when it has none).
std::string sibling_path(const std::string& json_path, const std::string& ending);

}  // namespace quilbet
