// The build command.
#include "cli/build_command.hpp"

#include <iostream>

#include "generate/station_survey.hpp"
#include "station/load_station.hpp"

namespace quilbet {

int run_build(const BuildOptions& opt) {
    // Every output must be writable before a build that can take seconds.
    std::string error;
    for (const std::string* path : {&opt.glb, &opt.png, &opt.vessel}) {
        if (!path->empty() && !can_write_file(*path, error)) {
            std::cerr << "quilbet: " << error << "\n";
            return 1;
        }
    }
    StationText st;
    Diagnostics diag;
    const bool ok = load_station(opt.input, st, diag);
    print_diagnostics(std::cerr, opt.input, diag);
    if (!ok) return 1;

    std::vector<OutputFile> outputs;
    HandedOver handed;
    if (!build_station_files(st.station, st.names, opt, outputs, error, &handed)) {
        std::cerr << "quilbet: " << error << "\n";
        return 1;
    }
    if (!write_files_together(outputs, error)) {
        std::cerr << "quilbet: " << error << " (nothing written)\n";
        return 1;
    }
    if (!st.station.records.empty()) {
        StationSurvey survey = survey_station(st.station);
        survey.built_groups = handed.groups;
        survey.built_vertices = handed.vertices;
        std::cout << survey_text(survey);
    }
    return 0;
}

}  // namespace quilbet
