// The station baked into the host's own files: the mesh file read back by the
// tests' reader against what the in-process host received, the placeholder
// mesh read by the same reader, the DDS chain's shape, and the command's
// refusals.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "cli/host_mesh_reader.hpp"
#include "entry/module.hpp"
#include "entry/startup.hpp"
#include "host/inprocess_host.hpp"
#include "station/dds_writer.hpp"
#include "station/host_mesh_writer.hpp"
#include "station/load_station.hpp"
#include "station/station_outputs.hpp"

namespace quilbet {
namespace {

namespace fs = std::filesystem;
using test::MshFile;
using test::read_msh;

std::string example_path(const std::string& name) { return std::string(QUILBET_SOURCE_DIR) + "/examples/" + name; }

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// The files `quilbet build --host-mesh` would write for an example, keyed by file name.
std::map<std::string, std::vector<uint8_t>> baked(const std::string& name, DdsFormat format) {
    StationText st;
    Diagnostics diag;
    EXPECT_TRUE(load_station(example_path(name), st, diag));
    BuildOptions opt;
    opt.input = example_path(name);
    opt.host_mesh = "host";
    opt.host_textures = format;
    std::vector<OutputFile> files;
    std::string error;
    EXPECT_TRUE(build_station_files(st.station, st.names, opt, files, error)) << error;
    std::map<std::string, std::vector<uint8_t>> out;
    for (OutputFile& f : files) {
        EXPECT_EQ(fs::path(f.path).parent_path(), "host");
        out[fs::path(f.path).filename().string()] = std::move(f.bytes);
    }
    return out;
}

TEST(HostMesh, ReadsBackAsTheHostReceivedIt) {
    for (const char* name : {"small_station.json", "habitats.json"}) {
        SCOPED_TRACE(name);
        // The hand-over of the same station on a host of the test's own.
        StationText st;
        Diagnostics diag;
        ASSERT_TRUE(load_station(example_path(name), st, diag));
        const std::vector<uint8_t> blob = encode_blob(st.station);
        Module module;
        StartupOptions start;
        start.write_placeholder_files = false;
        ASSERT_TRUE(module.startup(start));
        InProcessHost host;
        module.initint(host.table());
        HostVesselRecord record = InProcessHost::make_vessel_record(blob.data(), static_cast<int32_t>(blob.size()));
        vesdeftyp def;
        module.make_vessel(&def, &record);
        module.make_vesselmesh(host.mesh());
        InProcessHost::release_vessel(record);

        for (DdsFormat format : {DdsFormat::dxt1, DdsFormat::rgba}) {
            const auto files = baked(name, format);
            const std::string stem = fs::path(name).stem().string();
            ASSERT_EQ(files.count(stem + ".msh"), 1u);
            const std::vector<uint8_t>& msh_bytes = files.at(stem + ".msh");
            MshFile msh;
            std::string error;
            ASSERT_TRUE(read_msh(std::string(msh_bytes.begin(), msh_bytes.end()), msh, error)) << error;

            ASSERT_GT(msh.groups.size(), 0u);
            ASSERT_LT(msh.groups.size(), size_t(InProcessHost::mesh_size));
            EXPECT_EQ(host.group(static_cast<int32_t>(msh.groups.size())).flags, 2u);
            ASSERT_EQ(msh.materials.size(), msh.groups.size());
            int64_t textured = 0;
            for (int32_t g = 0; g < static_cast<int32_t>(msh.groups.size()); ++g) {
                SCOPED_TRACE("group " + std::to_string(g));
                const test::MshGroup& mg = msh.groups[static_cast<size_t>(g)];
                const HostGroup& hg = host.group(g);
                ASSERT_EQ(hg.flags, 0u);
                ASSERT_EQ(mg.vertices.size(), hg.nvtx);
                ASSERT_EQ(mg.triangles.size() * 3, hg.nidx);
                // Bit for bit: the eight floats of every host vertex, the 16-bit indices.
                if (hg.nvtx > 0) {
                    static_assert(sizeof(mg.vertices[0]) == sizeof(HostVertex));
                    EXPECT_EQ(std::memcmp(mg.vertices.data(), host.vertices(g), hg.nvtx * sizeof(HostVertex)), 0);
                }
                for (size_t k = 0; k < hg.nidx; ++k) ASSERT_EQ(mg.triangles[k / 3][k % 3], host.indices(g)[k]);

                ASSERT_EQ(mg.material, g + 1);
                const test::MshMaterial& mm = msh.materials[static_cast<size_t>(g)];
                const HostMaterial& hm = host.material(g);
                const float* host_colours[4] = {hm.diffuse, hm.ambient, hm.specular, hm.emissive};
                for (int c = 0; c < 4; ++c) {
                    EXPECT_EQ(std::memcmp(mm.colours[c].data(), host_colours[c], 16), 0) << mm.name << " colour " << c;
                }
                EXPECT_EQ(mm.has_power, hm.power != 0);
                if (mm.has_power) {
                    EXPECT_EQ(mm.power, hm.power);
                }

                // Texture: the next number of the list, a DDS of the host surface's size.
                const int32_t w = host.texture_width(g + 1), h = host.texture_height(g + 1);
                if (w == 0) {
                    EXPECT_EQ(mg.texture, 0);
                    continue;
                }
                ASSERT_EQ(mg.texture, ++textured);
                ASSERT_LE(size_t(textured), msh.textures.size());
                const auto dds = files.find(msh.textures[static_cast<size_t>(textured - 1)]);
                ASSERT_NE(dds, files.end()) << msh.textures[static_cast<size_t>(textured - 1)];
                EXPECT_EQ(le32(dds->second, 12), uint32_t(h));
                EXPECT_EQ(le32(dds->second, 16), uint32_t(w));
                if (format == DdsFormat::rgba) {
                    const std::vector<uint32_t> words = host.texture_words(g + 1);
                    for (size_t p = 0; p < words.size(); ++p) {
                        ASSERT_EQ(le32(dds->second, 128 + 4 * p), words[p] | 0xFF000000u) << "pixel " << p;
                    }
                }
            }
            EXPECT_GT(textured, 0);
            EXPECT_EQ(size_t(textured), msh.textures.size());
            EXPECT_EQ(files.size(), msh.textures.size() + 1);
        }
    }
}

TEST(HostMesh, ReaderAgreesWithThePlaceholderStartUpWrites) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_placeholder_read";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    Module module;
    const bool started = module.startup();
    fs::current_path(old);
    ASSERT_TRUE(started) << module.last_error();
    std::ifstream in(dir / placeholder_mesh_path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MshFile msh;
    std::string error;
    ASSERT_TRUE(read_msh(text, msh, error)) << error;
    ASSERT_EQ(msh.groups.size(), 1000u);
    ASSERT_EQ(msh.materials.size(), 1000u);
    ASSERT_EQ(msh.textures.size(), 1000u);
    for (size_t g = 0; g < msh.groups.size(); ++g) {
        const test::MshGroup& mg = msh.groups[g];
        ASSERT_EQ(mg.material, int64_t(g + 1));
        ASSERT_EQ(mg.texture, int64_t(g + 1));
        ASSERT_EQ(mg.vertices.size(), 24u);
        ASSERT_EQ(mg.triangles.size(), 8u);
        // An octahedron: every vertex 200 from the centre on one axis, normal +x, texture origin.
        for (const auto& v : mg.vertices) {
            EXPECT_EQ(std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]), 200.0f);
            EXPECT_EQ(std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])}), 200.0f);
            EXPECT_EQ((std::array<float, 5>{v[3], v[4], v[5], v[6], v[7]}), (std::array<float, 5>{1, 0, 0, 0, 0}));
        }
        for (const auto& t : mg.triangles)
            for (int64_t i : t) ASSERT_LT(i, 24);
        const test::MshMaterial& mm = msh.materials[g];
        EXPECT_EQ(mm.name, "material" + std::to_string(g + 1));
        EXPECT_FALSE(mm.has_power);
        EXPECT_EQ(mm.colours[1], (std::array<float, 4>{1, 1, 1, 1}));
        EXPECT_EQ(mm.colours[3], (std::array<float, 4>{0, 0, 0, 1}));
        EXPECT_EQ(msh.textures[g], fs::path(placeholder_texture_path()).filename().string());
    }
    fs::remove_all(dir);
}

// Decimal forms that read back as the same float at the ends of the range,
// where the stations' own numbers do not go.
TEST(HostMesh, DecimalFormReadsBackBitForBit) {
    const float values[] = {std::numeric_limits<float>::denorm_min(), -std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::max(), -0.0f, 0.1f, 16777215.0f, 1.0f / 3.0f, -1e-20f};
    for (float v : values) {
        const std::string s = shortest_decimal(v);
        EXPECT_EQ(s.find_first_not_of("0123456789-."), std::string::npos) << s;
        const float back = std::strtof(s.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << s;
    }
    EXPECT_EQ(shortest_decimal(0.1f), "0.1");
}

// Odd and lopsided sizes: a chain down to 1 x 1 whose byte counts add up, in both forms.
TEST(HostMesh, DdsChainReachesOneByOne) {
    struct Size {
        int32_t w, h, levels;
    };
    for (const Size s : {Size{1, 1, 1}, Size{5, 3, 3}, Size{3, 17, 5}, Size{64, 32, 7}}) {
        std::vector<uint32_t> words(size_t(s.w) * s.h);
        for (size_t i = 0; i < words.size(); ++i) words[i] = (i % 3 == 0 ? 0xFF0000u : 0x0000FFu) | uint32_t(i * 7 % 256) << 8;
        for (DdsFormat f : {DdsFormat::dxt1, DdsFormat::rgba}) {
            const std::vector<uint8_t> dds = dds_file(words.data(), s.w, s.h, f);
            EXPECT_EQ(le32(dds, 28), uint32_t(s.levels));
            size_t bytes = 128;
            for (int32_t l = 0, w = s.w, h = s.h; l < s.levels; ++l, w = std::max(w / 2, 1), h = std::max(h / 2, 1)) {
                bytes += f == DdsFormat::dxt1 ? size_t((w + 3) / 4) * ((h + 3) / 4) * 8 : size_t(w) * h * 4;
            }
            EXPECT_EQ(dds.size(), bytes) << s.w << "x" << s.h;
        }
    }
}

int run_quilbet(const std::string& args, std::string& err) {
    const fs::path err_file = fs::path(::testing::TempDir()) / "quilbet_host_stderr.txt";
    const int status = std::system((std::string(QUILBET_CLI_BINARY) + " " + args + " >/dev/null 2>" + err_file.string()).c_str());
    std::ifstream in(err_file);
    err.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every refusal leaves the folder as it was: not created, or holding nothing new.
TEST(HostMesh, CommandWritesEverythingOrNothing) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_host_cli";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "file") << "x";
    // Twelve wings in a row: more groups than the host mesh holds.
    std::string blocks, links;
    for (int i = 0; i < 12; ++i) {
        blocks += std::string(i ? "," : "") + R"({"id": "p)" + std::to_string(i) + R"(", "type": "Power_wing_C"})";
        if (i > 0) links += std::string(i > 1 ? "," : "") + "\"p" + std::to_string(i - 1) + ".0\": \"p" + std::to_string(i) + ".1\"";
    }
    std::ofstream(dir / "over.json") << R"({"blocks": [)" + blocks + R"(], "links": {)" + links + "}}";
    const std::string small = example_path("small_station.json"), out = (dir / "out").string();
    struct Row {
        std::string args;
        int code;
        std::string message;   // "" for: the same message as the glb build of the same station
    };
    const Row rows[] = {
        {"build " + small + " --host-mesh " + (dir / "file" / "sub").string(), 1, "is not a folder"},
        {"build " + small, 2, "--host-mesh"},
        {"build " + small + " --host-mesh " + out + " --host-textures png", 2, "--host-textures"},
        {"build " + (dir / "over.json").string() + " --host-mesh " + out, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        std::string err, glb_err;
        EXPECT_EQ(run_quilbet(row.args, err), row.code);
        if (row.message.empty()) {
            EXPECT_EQ(run_quilbet("build " + (dir / "over.json").string() + " -o " + (dir / "x.glb").string(), glb_err), 1);
            EXPECT_EQ(err, glb_err);
            EXPECT_NE(err.find("mesh groups exceed"), std::string::npos) << err;
        } else {
            EXPECT_NE(err.find(row.message), std::string::npos) << err;
        }
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(dir / "file" / "sub"));
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quilbet
