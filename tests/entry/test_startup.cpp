// Start-up in a temporary current folder: the placeholder files byte for
// byte, a second start-up, and a "meshes" that is a file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "entry/startup.hpp"
#include "entry_support.hpp"
#include "platform/fpu.hpp"

namespace quilbet::test {
namespace {

namespace fs = std::filesystem;

// Runs the test body in a fresh empty current folder and returns to the old one.
class InTempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("quilbet_startup_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path old_;
    fs::path dir_;
};

std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no CRLF>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST_F(InTempFolder, PlaceholderFilesByteForByte) {
    Module m;
    m.set_diagnostic_sink({});
    // Start-up works under control word 0x133F and gives the host's back.
    uint16_t inside = 0;
    m.set_progress_callback([&](int32_t, double) { inside = fpu_control_word(); });
    const FpuControl host{0x007F, sse_default_mxcsr};
    {
        const FpuScope host_state(host);
        ASSERT_TRUE(m.startup());
        EXPECT_EQ(fpu_control().x87, host.x87);
    }
    // Bit 6 of the x87 control word is reserved and reads back as 1.
    EXPECT_EQ(inside & ~0x40, 0x133F);
    EXPECT_TRUE(m.started());
    EXPECT_EQ(m.catalogue().catalogue_count(), 26);
    EXPECT_EQ(m.station().block_count, 0);

    const std::string mesh = read("meshes/quil_bets.msh");
    const std::vector<std::string> lines = crlf_lines(mesh);
    ASSERT_EQ(lines.size(), 42004u);
    EXPECT_EQ(mesh.find('\n'), mesh.find("\r\n") + 1);
    EXPECT_EQ(std::count(mesh.begin(), mesh.end(), '\n'), 42004);
    EXPECT_EQ(lines[0], "MSHX1");
    EXPECT_EQ(lines[1], "GROUPS 1000");
    EXPECT_EQ(lines[2], "MATERIAL 1");
    EXPECT_EQ(lines[3], "TEXTURE 1");
    EXPECT_EQ(lines[4], "GEOM 24 8");
    EXPECT_EQ(lines[5], "0 200 0 1 0 0 0 0");
    EXPECT_EQ(lines[10], "0 -200 0 1 0 0 0 0");
    EXPECT_EQ(lines[11], "0 200 0 1 0 0 0 0");
    EXPECT_EQ(lines[13], "0 200 0 1 0 0 0 0");
    EXPECT_EQ(lines[14], "0 0 -200 1 0 0 0 0");
    EXPECT_EQ(lines[28], "0 -200 0 1 0 0 0 0");
    EXPECT_EQ(lines[29], "0 2 1");
    EXPECT_EQ(lines[36], "23 20 11");
    EXPECT_EQ(lines[37], "MATERIAL 2");
    EXPECT_EQ(lines[2 + 999 * 35], "MATERIAL 1000");
    EXPECT_EQ(lines[35002], "MATERIALS 1000");
    EXPECT_EQ(lines[35003], "material1");
    EXPECT_EQ(lines[36002], "material1000");
    EXPECT_EQ(lines[36003], "MATERIAL material1");
    EXPECT_EQ(lines[36004], "1.000 1.000 1.000 1");
    EXPECT_EQ(lines[36007], "0 0 0 1");
    EXPECT_EQ(lines[41003], "TEXTURES 1000");
    EXPECT_EQ(lines[41004], "quil_bets.dds");
    EXPECT_EQ(lines[42003], "quil_bets.dds");
    EXPECT_EQ(mesh, placeholder_mesh_text());

    const std::string dds = read("textures/quil_bets.dds");
    // Little-endian words: magic, header size, flags, height, width, linear
    // size, depth, mipmaps, 11 reserved, pixel format (size, flags, "DXT1",
    // bit count, 4 masks), caps, caps 2-4 and reserved, then the DXT1 block.
    const uint32_t words[34] = {0x20534444u, 124, 0x00081007u, 4, 4, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                32, 4, 0x31545844u, 0, 0, 0, 0, 0, 0x1000u, 0, 0, 0, 0, 1, 0x55555555u};
    uint8_t expected[136];
    for (int i = 0; i < 34; ++i) {
        for (int k = 0; k < 4; ++k) expected[4 * i + k] = static_cast<uint8_t>(words[i] >> (8 * k));
    }
    ASSERT_EQ(dds.size(), 136u);
    EXPECT_EQ(std::memcmp(dds.data(), expected, 136), 0);

    // A second start-up, one that builds the catalogue's default geometry at
    // once, rewrites both files identically.
    Module again;
    again.set_diagnostic_sink({});
    ASSERT_TRUE(again.startup(StartupOptions{true, DefaultGeometry::now}));
    EXPECT_EQ(read("meshes/quil_bets.msh"), mesh);
    EXPECT_EQ(read("textures/quil_bets.dds"), dds);
}

TEST_F(InTempFolder, MeshesAsAFileSkipsTheMeshFileOnly) {
    { std::ofstream("meshes") << "not a folder"; }
    Module m;
    m.set_diagnostic_sink({});
    ASSERT_TRUE(m.startup());
    EXPECT_TRUE(fs::is_regular_file("meshes"));
    EXPECT_EQ(read("meshes"), "not a folder");
    EXPECT_EQ(fs::file_size("textures/quil_bets.dds"), 136u);
    EXPECT_EQ(m.catalogue().catalogue_count(), 26);
}

TEST_F(InTempFolder, AnUnwritableFileStopsStartUpSafely) {
    // A folder where the mesh file should go cannot be opened as a file.
    fs::create_directories("meshes/quil_bets.msh");
    Module m;
    std::vector<std::string> lines;
    m.set_diagnostic_sink([&](const std::string& l) { lines.push_back(l); });
    EXPECT_FALSE(m.startup());
    EXPECT_FALSE(m.started());
    EXPECT_EQ(m.catalogue().catalogue_count(), 0);  // the later steps did not run
    EXPECT_FALSE(fs::exists("textures/quil_bets.dds"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("quil_bets.msh"), std::string::npos);

    // The entry points stay safe.
    InProcessHost host;
    m.initint(host.table());
    auto w = make_blob(1, {{0, 71}});
    VesselCall call(m, w);
    m.make_vesselmesh(host.mesh());
    EXPECT_EQ(host.group_calls(), 0);
    EXPECT_EQ(lines.size(), 3u);
}

}  // namespace
}  // namespace quilbet::test
