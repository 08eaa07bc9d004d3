// The describe command.
#include "cli/describe_command.hpp"

#include <iostream>

#include "station/catalogue_types.hpp"
#include "station/files.hpp"
#include "station/load_station.hpp"

namespace quilbet {

int run_describe(const std::string& in, const std::string& out) {
    if (const std::string same = same_file_problem({{"the station", in}}, {{"-o", out}}); !same.empty()) {
        std::cerr << "quilbet: " << same << "\n";
        return 2;
    }
    CatalogueTypes types;
    StationText st;
    Diagnostics diag;
    const bool ok = load_station(in, types, st, diag);
    print_diagnostics(std::cerr, in, diag);
    if (!ok) return 1;
    if (out.empty()) return 0;
    const std::vector<uint8_t> blob = encode_blob(st.station);
    std::string error;
    if (!write_file_bytes(out, blob.data(), blob.size(), error)) {
        std::cerr << "quilbet: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace quilbet
