// Zip writer: local headers, raw deflate streams through zlib, a central
// directory and its end record (APPNOTE.TXT sections 4.3 and 4.4).
#include "station/zip_writer.hpp"

#include <limits>

#include <zlib.h>

namespace quilbet {
namespace {

constexpr uint16_t method_stored = 0, method_deflate = 8;
constexpr uint16_t version_needed = 20;   // 2.0: deflate and folders
constexpr uint16_t dos_date_1980_01_01 = (1 << 5) | 1;
constexpr uint64_t limit32 = std::numeric_limits<uint32_t>::max();

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

// A raw deflate stream (no zlib header) of data at the best compression.
bool deflate_raw(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END;
}

struct Entry {
    uint32_t crc, packed, size, offset;
    uint16_t method;
};

// The fields a local header and its central directory record share, from "version needed" on.
void put_common(std::vector<uint8_t>& out, const Entry& e, const std::string& name) {
    put16(out, version_needed);
    put16(out, 0);   // flags
    put16(out, e.method);
    put16(out, 0);   // time 00:00
    put16(out, dos_date_1980_01_01);
    put32(out, e.crc);
    put32(out, e.packed);
    put32(out, e.size);
    put16(out, static_cast<uint32_t>(name.size()));
    put16(out, 0);   // extra field length
}

}  // namespace

bool zip_archive(const std::vector<OutputFile>& files, std::vector<uint8_t>& out, std::string& error) {
    if (files.size() >= 0xFFFF) {
        error = "a zip archive holds fewer than 65,535 files";
        return false;
    }
    out.clear();
    std::vector<Entry> entries;
    std::vector<uint8_t> packed;
    for (const OutputFile& f : files) {
        if (f.bytes.size() >= limit32 || f.path.size() >= 0xFFFF) {
            error = f.path + " is too large for a zip archive";
            return false;
        }
        if (!deflate_raw(f.bytes, packed)) {
            error = "cannot compress " + f.path;
            return false;
        }
        const bool store = packed.size() >= f.bytes.size();
        Entry e{};
        e.crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), f.bytes.data(), static_cast<uInt>(f.bytes.size())));
        e.size = static_cast<uint32_t>(f.bytes.size());
        e.packed = static_cast<uint32_t>(store ? f.bytes.size() : packed.size());
        e.method = store ? method_stored : method_deflate;
        if (out.size() + 30 + f.path.size() + e.packed >= limit32) {
            error = "the files are too large together for a zip archive";
            return false;
        }
        e.offset = static_cast<uint32_t>(out.size());
        put32(out, 0x04034b50);
        put_common(out, e, f.path);
        out.insert(out.end(), f.path.begin(), f.path.end());
        const std::vector<uint8_t>& body = store ? f.bytes : packed;
        out.insert(out.end(), body.begin(), body.end());
        entries.push_back(e);
    }
    const uint64_t directory = out.size();
    for (std::size_t i = 0; i < files.size(); ++i) {
        put32(out, 0x02014b50);
        put16(out, version_needed);   // version made by: 2.0, MS-DOS attributes
        put_common(out, entries[i], files[i].path);
        put16(out, 0);   // comment length
        put16(out, 0);   // disk number
        put16(out, 0);   // internal attributes
        put32(out, 0);   // external attributes
        put32(out, entries[i].offset);
        out.insert(out.end(), files[i].path.begin(), files[i].path.end());
    }
    if (out.size() >= limit32) {
        error = "the files are too large together for a zip archive";
        return false;
    }
    const uint32_t directory_size = static_cast<uint32_t>(out.size() - directory);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(files.size()));
    put16(out, static_cast<uint32_t>(files.size()));
    put32(out, directory_size);
    put32(out, static_cast<uint32_t>(directory));
    put16(out, 0);   // comment length
    return true;
}

}  // namespace quilbet
