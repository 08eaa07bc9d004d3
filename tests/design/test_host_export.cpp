// "Export for the host": the zip holds, byte for byte, the files `quilbet
// build --host-mesh` writes for the same description.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include <zlib.h>

#include "design/design_api.hpp"
#include "station/files.hpp"
#include "station/load_station.hpp"
#include "station/station_outputs.hpp"

namespace quilbet {
namespace {

uint32_t zip16(const std::string& z, std::size_t at) { return uint8_t(z[at]) | uint32_t(uint8_t(z[at + 1])) << 8; }
uint32_t zip32(const std::string& z, std::size_t at) { return zip16(z, at) | zip16(z, at + 2) << 16; }

// The entries of a zip archive by name, read through its central directory and
// inflated; checked against their CRC-32 and sizes.
std::map<std::string, std::vector<uint8_t>> unzip(const std::string& z) {
    std::map<std::string, std::vector<uint8_t>> out;
    const std::size_t end = z.rfind(std::string("PK\x05\x06", 4));
    EXPECT_NE(end, std::string::npos);
    if (end == std::string::npos) return out;
    std::size_t at = zip32(z, end + 16);
    for (uint32_t i = 0; i < zip16(z, end + 10); ++i) {
        EXPECT_EQ(zip32(z, at), 0x02014b50u);
        const uint32_t method = zip16(z, at + 10), crc = zip32(z, at + 16), packed = zip32(z, at + 20),
                       size = zip32(z, at + 24), name_len = zip16(z, at + 28), local = zip32(z, at + 42);
        const std::string name = z.substr(at + 46, name_len);
        at += 46 + name_len + zip16(z, at + 30) + zip16(z, at + 32);
        const std::size_t data = local + 30 + zip16(z, local + 26) + zip16(z, local + 28);
        std::vector<uint8_t> bytes(size);
        if (method == 0) {
            std::memcpy(bytes.data(), z.data() + data, size);
        } else {
            EXPECT_EQ(method, 8u);
            z_stream s{};
            inflateInit2(&s, -15);
            s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data() + data));
            s.avail_in = packed;
            s.next_out = bytes.data();
            s.avail_out = size;
            EXPECT_EQ(inflate(&s, Z_FINISH), Z_STREAM_END) << name;
            inflateEnd(&s);
        }
        EXPECT_EQ(crc32(0, bytes.data(), size), crc) << name;
        out[name] = std::move(bytes);
    }
    return out;
}

TEST(HostExport, ZipHoldsTheFilesOfTheCommand) {
    const std::string path = std::string(QUILBET_SOURCE_DIR) + "/examples/habitats.json";
    std::vector<uint8_t> text;
    std::string error;
    ASSERT_TRUE(read_file_bytes(path, text, error)) << error;
    StationText st;
    Diagnostics diag;
    ASSERT_TRUE(load_station(path, st, diag));
    BuildOptions opt;
    opt.input = path;
    opt.host_mesh = "x";
    std::vector<OutputFile> files;
    ASSERT_TRUE(build_station_files(st.station, st.names, opt, files, error)) << error;

    StationBuilder builder;
    DesignApi api(builder, path);
    const ApiResponse r = api.export_host(std::string(text.begin(), text.end()), DdsFormat::dxt1);
    ASSERT_EQ(r.status, 200) << r.body.substr(0, 300);
    EXPECT_EQ(r.content_type, "application/zip");
    const auto entries = unzip(r.body);
    ASSERT_EQ(entries.size(), files.size());
    for (const OutputFile& f : files) {
        const auto e = entries.find(f.path.substr(2));   // "x/habitats.msh" -> "habitats.msh"
        ASSERT_NE(e, entries.end()) << f.path;
        EXPECT_TRUE(e->second == f.bytes) << f.path;
    }
    // A station the checks refuse builds nothing.
    EXPECT_EQ(api.export_host(R"({"blocks": [{"id": "a", "type": "Nope"}]})", DdsFormat::dxt1).status, 422);
}

}  // namespace
}  // namespace quilbet
