// Loading and checking a station description from JSON or blob bytes.
#include "station/load_station.hpp"

#include <cstdio>

#include "station/bounded_json.hpp"
#include "station/files.hpp"
#include "station/validate.hpp"

namespace quilbet {

bool looks_like_blob(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 1 && bytes[2] == 1 && bytes[3] == 1;
}

bool looks_like_json(const std::vector<uint8_t>& bytes) {
    // Some editors start UTF-8 text with a byte-order mark; the reader skips it.
    const bool bom = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    for (size_t i = bom ? 3 : 0; i < bytes.size(); ++i) {
        const uint8_t c = bytes[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '[';
    }
    return false;
}

std::string file_kind_problem(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return "the file is empty";
    if (looks_like_json(bytes)) return "";
    char start[16];
    std::snprintf(start, sizeof start, "0x%02X%02X%02X%02X", bytes[0], bytes.size() > 1 ? bytes[1] : 0,
                  bytes.size() > 2 ? bytes[2] : 0, bytes.size() > 3 ? bytes[3] : 0);
    return std::string("not a station description: JSON text starts with {, and a description blob with the bytes "
                       "01 01 01 01, but this file starts with ") + start;
}

bool load_station_bytes(const std::vector<uint8_t>& bytes, bool is_blob, StationText& out,
                        Diagnostics& diag) {
    out = StationText{};
    if (is_blob) {
        const BlobRead read = read_blob(bytes.data(), static_cast<int64_t>(bytes.size()), false, out.station);
        if (!read.ok) {
            diag.error(read.reason);
            return false;
        }
        // The module ignores bytes short of a word; in a file they mean it was cut or padded.
        if (read.trailing_bytes != 0) {
            diag.error("blob: " + std::to_string(read.trailing_bytes) +
                       " bytes after the last word; a blob is a whole number of 32-bit words");
            return false;
        }
        for (const BlobRecord& r : out.station.records) out.names[r.id] = std::to_string(r.id);
    } else {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (!parse_station_json(text, out, diag)) return false;
    }
    return validate_station_text(out, diag);
}

bool validate_station_text(const StationText& st, Diagnostics& diag) {
    validate_station(st.station, [&st](int32_t slot) { return text_excerpt(st.id_of(slot)); }, diag);
    return !diag.has_errors();
}

bool load_station(const std::string& path, StationText& out, Diagnostics& diag) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!read_file_bytes(path, bytes, error)) {
        diag.error(error);
        return false;
    }
    if (!looks_like_blob(bytes)) {
        if (const std::string p = file_kind_problem(bytes); !p.empty()) {
            diag.error(p);
            return false;
        }
    }
    return load_station_bytes(bytes, looks_like_blob(bytes), out, diag);
}

}  // namespace quilbet
