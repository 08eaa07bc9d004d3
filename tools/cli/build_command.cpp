// The build command.
#include "cli/build_command.hpp"

#include <iostream>

#include "station/catalogue_types.hpp"
#include "station/files.hpp"
#include "station/load_station.hpp"

namespace quilbet {

int run_build(const BuildOptions& opt) {
    const std::string same =
        same_file_problem({{"the station", opt.input}}, {{"-o", opt.glb}, {"--png", opt.png}, {"--vessel", opt.vessel}});
    if (!same.empty()) {
        std::cerr << "quilbet: " << same << "\n";
        return 2;
    }
    // Every output must be writable before a build that can take seconds.
    std::string error;
    for (const std::string* path : {&opt.glb, &opt.png, &opt.vessel}) {
        if (!path->empty() && !can_write_file(*path, error)) {
            std::cerr << "quilbet: " << error << "\n";
            return 1;
        }
    }
    CatalogueTypes types;
    StationText st;
    Diagnostics diag;
    const bool ok = load_station(opt.input, types, st, diag);
    print_diagnostics(std::cerr, opt.input, diag);
    if (!ok) return 1;

    std::vector<OutputFile> outputs;
    if (!build_station_files(st.station, st.names, opt, outputs, error)) {
        std::cerr << "quilbet: " << error << "\n";
        return 1;
    }
    if (!write_files_together(outputs, error)) {
        std::cerr << "quilbet: " << error << " (nothing written)\n";
        return 1;
    }
    return 0;
}

}  // namespace quilbet
