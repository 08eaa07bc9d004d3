// `quilbet generate`: a seeded station description, checked like `describe`
// checks a file, written as JSON; with --build also its glb and PNG preview.
#pragma once

#include <cstdint>
#include <string>

#include "generate/generate.hpp"

namespace quilbet {

struct GenerateCommand {
    GenerateOptions generate;    // generate.from_path: --from, read by run_generate
    std::string output;          // JSON file; "" writes to standard output
    bool build = false;          // also OUTPUT.glb and OUTPUT.png beside the JSON file
    int32_t width = 1280, height = 960;
};

// Runs the command; returns the exit code (0 success, 1 a failed check, build
// or write, 2 a usage error). Nothing is written unless everything succeeded.
int run_generate(const GenerateCommand& cmd);

}  // namespace quilbet
