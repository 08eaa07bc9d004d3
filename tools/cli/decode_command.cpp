// The decode command.
#include "cli/decode_command.hpp"

#include <iostream>

#include "station/files.hpp"
#include "station/load_station.hpp"
#include "station/station_json.hpp"

namespace quilbet {

int run_decode(const std::string& in, const std::string& out) {
    if (const std::string same = same_file_problem({{"the blob", in}}, {{"-o", out}}); !same.empty()) {
        std::cerr << "quilbet: " << same << "\n";
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!read_file_bytes(in, bytes, error)) {
        std::cerr << "quilbet: " << error << "\n";
        return 1;
    }
    if (!looks_like_blob(bytes)) {
        std::cerr << in << ": error: "
                  << (looks_like_json(bytes) ? "this is JSON text; decode reads a description blob (describe and "
                                               "build read JSON)"
                                             : "not a description blob: it does not start with the bytes 01 01 01 01")
                  << "\n";
        return 1;
    }
    StationText st;
    Diagnostics diag;
    const bool ok = load_station_bytes(bytes, true, st, diag);
    print_diagnostics(std::cerr, in, diag);
    if (!ok) return 1;
    const std::string text = station_to_json(st.station).dump(2) + "\n";
    if (out.empty()) {
        std::cout << text;
        return 0;
    }
    if (!write_file_bytes(out, text.data(), text.size(), error)) {
        std::cerr << "quilbet: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace quilbet
