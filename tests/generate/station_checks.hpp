// What the generator's tests check on a generated station: the description
// checks of `quilbet describe`, the block count, and (when built) that the
// module builds it and no two blocks that are not linked cross.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "entry/module.hpp"
#include "generate/generate.hpp"

namespace quilbet {

struct StationCheck {
    std::vector<std::string> messages;   // errors and warnings of the description checks
    int32_t blocks = 0;
    int32_t layouts = 0;                 // layouts the generator tried
    std::set<int32_t> types;             // type ids present
    bool built = false;
    std::string build_error;
    std::vector<std::string> crossings;  // "a (Type) x b (Type)" for blocks whose triangles cross
};

// Generates the station of options and checks it; with build, also builds it
// on module (started) and tests its triangles.
StationCheck check_generated(const GenerateOptions& options, Module* build);

// The options' text for messages: "core seed 7 K 25".
std::string describe_options(const GenerateOptions& options);

// A started module for test builds (no placeholder files).
Module& test_module();

}  // namespace quilbet
