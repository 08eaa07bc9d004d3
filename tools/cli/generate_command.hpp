// `quilbet generate`: a seeded station description, checked like `describe`
// checks a file, written as JSON; with --build also its glb and PNG preview.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "blob.hpp"
#include "generate.hpp"

namespace quilbet {

struct GenerateCommand {
    GenerateOptions generate;
    std::string output;          // JSON file; "" writes to standard output
    bool build = false;          // also OUTPUT.glb and OUTPUT.png beside the JSON file
    int32_t width = 1280, height = 960;
};

// The description text of a generated station: a name and a comment saying
// how to generate it again, then the blocks and links as `decode` writes them.
std::string generated_json(const BlobStation& station, const GenerateOptions& options);

// Reads a seed: decimal digits only, 0 to 18446744073709551615. False for
// anything else (a sign, a fraction, a number too large for 64 bits).
bool parse_seed(const std::string& text, uint64_t& seed);

// The glb and PNG paths of --build: the JSON path with its ".json" ending
// replaced (or the endings appended when it has none).
std::string sibling_path(const std::string& json_path, const std::string& ending);

// Runs the command; returns the exit code (0 success, 1 a failed check, build
// or write, 2 a usage error). Nothing is written unless everything succeeded.
int run_generate(const GenerateCommand& cmd);

}  // namespace quilbet
