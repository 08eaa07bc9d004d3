// `quilbet build`: description -> checked blob -> real entry points -> GLB,
// optional PNG preview and vessel JSON.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "blob.hpp"
#include "files.hpp"

namespace quilbet {

struct BuildOptions {
    std::string input;     // JSON description or blob
    std::string glb;       // required
    std::string png;       // "" for none
    std::string vessel;    // "" for none
    int32_t width = 1280, height = 960;
};

// Parses "WxH" (16 to 8192 each). False on anything else.
bool parse_size(const std::string& text, int32_t& width, int32_t& height);

// Builds a checked station through the module's entry points and gives the
// bytes of the glb (opt.glb) and, when asked for, of the PNG preview and the
// vessel JSON, in that order; nothing is written. names gives the blocks'
// ids as written, for the glb's node names (a slot without one is named by its
// number). False with the reason in
// error (a failed build names opt.input when it is set). A progress line
// appears when the build takes more than a moment.
bool build_station_files(const BlobStation& station, const std::map<int32_t, std::string>& names,
                         const BuildOptions& opt, std::vector<OutputFile>& files, std::string& error);

// Runs the whole build; returns the process exit code (0 success, 1 invalid
// input or a failed build or write). Messages go to stderr; a progress line
// appears when the build takes more than a moment. Nothing is written unless
// the build succeeded.
int run_build(const BuildOptions& opt);

}  // namespace quilbet
