// The describe command.
#include "cli/describe_command.hpp"

#include <iostream>

#include "generate/station_survey.hpp"
#include "station/files.hpp"
#include "station/load_station.hpp"

namespace quilbet {

int run_describe(const std::string& in, const std::string& out, bool json) {
    if (const std::string same = same_file_problem({{"the station", in}}, {{"-o", out}}); !same.empty()) {
        std::cerr << "quilbet: " << same << "\n";
        return 2;
    }
    StationText st;
    Diagnostics diag;
    const bool ok = load_station(in, st, diag);
    StationSurvey survey;
    if (ok) {
        survey = survey_station(st.station);
        for (std::string& w : overlap_messages(survey, st)) diag.warning(std::move(w));
    }
    print_diagnostics(std::cerr, in, diag);
    if (!ok) return 1;
    if (!out.empty()) {
        const std::vector<uint8_t> blob = encode_blob(st.station);
        std::string error;
        if (!write_file_bytes(out, blob.data(), blob.size(), error)) {
            std::cerr << "quilbet: " << error << "\n";
            return 1;
        }
    }
    std::cout << (json ? survey_json(survey).dump(2) + "\n" : survey_text(survey));
    return 0;
}

}  // namespace quilbet
