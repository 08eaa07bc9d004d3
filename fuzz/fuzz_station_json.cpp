// Feeds arbitrary text to the station-description reader as `quilbet
// describe` reads a file: the bounds check, the JSON parse, the translation to
// blob records and the validation, diagnostics out. A description it accepts
// must come back the same from its own writer (the layout the designer saves).
// Stops on a crash, a sanitizer report, a message that quotes at length, or an
// accepted description whose written form reads back differently.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "station/load_station.hpp"
#include "station/station_json.hpp"

namespace {

// Longer messages mean a value was quoted whole.
constexpr size_t longest_message = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    quilbet::StationText st;
    quilbet::Diagnostics diag;
    const bool ok = quilbet::load_station_bytes(bytes, false, st, diag);
    for (const quilbet::Diagnostic& d : diag.list()) {
        if (d.text.size() > longest_message) std::abort();
    }
    if (!ok) return 0;
    const std::string written = quilbet::station_to_json(st).dump(2);
    quilbet::StationText again;
    quilbet::Diagnostics again_diag;
    if (!quilbet::load_station_bytes(std::vector<uint8_t>(written.begin(), written.end()), false, again,
                                     again_diag) ||
        quilbet::encode_blob(again.station) != quilbet::encode_blob(st.station) || again.names != st.names) {
        std::abort();
    }
    return 0;
}
