// `quilbet design`: the station designer's server, started from the command line.
#pragma once

#include <string>

namespace quilbet {

inline constexpr int default_design_port = 8417;

struct DesignOptions {
    std::string station;            // JSON description to open ("" for an empty station); save writes it
    int port = default_design_port; // 0: any free port
    bool open_browser = true;
    std::string web_root;           // "" for the design-web folder beside the executable
};

// Serves the designer on 127.0.0.1 until Ctrl-C (SIGINT) or SIGTERM, printing
// its address on stdout first. Returns the exit code: 0 after a clean stop, 1
// when the module did not start, the station file cannot be read, the web
// folder is missing or the port cannot be bound. A station file that does not
// exist yet opens an empty designer that will create it on save.
int run_design(const DesignOptions& options);

}  // namespace quilbet
