// A checked station built through the module's entry points into the bytes of
// its output files (glb, PNG preview, vessel JSON): what `quilbet build`,
// `quilbet generate --build` and the designer's exports write.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "station/blob.hpp"
#include "station/files.hpp"

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
// What the host received, counted over its groups.
struct HandedOver {
    int64_t groups = 0;
    int64_t vertices = 0;
};

bool build_station_files(const BlobStation& station, const std::map<int32_t, std::string>& names,
                         const BuildOptions& opt, std::vector<OutputFile>& files, std::string& error,
                         HandedOver* handed = nullptr);

}  // namespace quilbet
