// What `quilbet build` produces: the station through the real entry points,
// its GLB, the preview picture's framing, and the command's exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "station/gltf_writer.hpp"
#include "station/load_station.hpp"
#include "station/png_io.hpp"
#include "station/preview.hpp"
#include "station/station_runner.hpp"
#include "station/version.hpp"

namespace quilbet {
namespace {

std::string example(const std::string& name) { return std::string(QUILBET_SOURCE_DIR) + "/examples/" + name; }

// Builds an example once per test program (the large one takes a few seconds).
const BuildResult& built(const std::string& name) {
    static std::map<std::string, BuildResult> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return it->second;
    Module module;
    StartupOptions opt;
    opt.write_placeholder_files = false;
    EXPECT_TRUE(module.startup(opt));
    StationText st;
    Diagnostics diag;
    EXPECT_TRUE(load_station(example(name), st, diag));
    BuildResult r;
    std::string error;
    EXPECT_TRUE(run_station(module, encode_blob(st.station), r, error)) << error;
    return cache[name] = std::move(r);
}

TEST(Build, HabitatsReachTheHostWithTexturesAndVesselData) {
    const BuildResult& r = built("habitats.json");
    ASSERT_FALSE(r.scene.groups.empty());
    size_t textured = 0;
    for (const SceneGroup& g : r.scene.groups) {
        ASSERT_EQ(g.nrm.size(), g.pos.size());
        ASSERT_EQ(g.uv.size() * 3, g.pos.size() * 2);
        ASSERT_EQ(g.ind.size() % 3, 0u);
        for (uint32_t i : g.ind) ASSERT_LT(i, g.vertex_count());
        if (g.texw > 0) {
            ++textured;
            EXPECT_EQ(g.rgba.size(), size_t(g.texw) * g.texh * 4);
        }
    }
    EXPECT_GT(textured, 0u);
    // Three free habitat docking ports ("DG_Hab_Port" outer ends, kind 11).
    EXPECT_EQ(r.vessel["docking_ports"].size(), 3u);
    ASSERT_TRUE(r.vessel["habitat_entry"].is_object());
    // Two Hab_A (3 each), one Hab_B (1), one Hab_C (3).
    EXPECT_EQ(r.vessel["habitat_entry"]["total"], 10);
    EXPECT_EQ(r.vessel["list_counts"]["list7"], 3);
}

// The GLB's JSON chunk.
nlohmann::json glb_json(const std::vector<uint8_t>& glb) {
    uint32_t head[5];
    std::memcpy(head, glb.data(), sizeof head);
    EXPECT_EQ(head[0], 0x46546C67u);   // "glTF"
    EXPECT_EQ(head[1], 2u);
    EXPECT_EQ(head[2], glb.size());
    EXPECT_EQ(head[4], 0x4E4F534Au);   // JSON chunk
    return nlohmann::json::parse(std::string(glb.begin() + 20, glb.begin() + 20 + head[3]));
}

// Reads float i of accessor a from the GLB's binary chunk.
float accessor_float(const std::vector<uint8_t>& glb, const nlohmann::json& doc, int a, size_t i) {
    uint32_t json_len;
    std::memcpy(&json_len, glb.data() + 12, 4);
    const size_t bin = 20 + json_len + 8;
    const auto& acc = doc["accessors"][a];
    const auto& view = doc["bufferViews"][acc["bufferView"].get<int>()];
    float f;
    std::memcpy(&f, glb.data() + bin + view.value("byteOffset", 0) + acc.value("byteOffset", 0) + 4 * i, 4);
    return f;
}

TEST(Build, GlbHasOneNodePerBlockWhosePlacedVerticesAreTheHostsOwn) {
    const BuildResult& r = built("small_station.json");
    std::vector<uint8_t> glb;
    std::string error;
    ASSERT_TRUE(write_glb(r.scene, glb, error)) << error;
    const auto doc = glb_json(glb);
    EXPECT_EQ(doc["asset"]["generator"], std::string("quilbet ") + quilbet_version);
    // Node names and parameters from the description (ids are slots for a blob build).
    const std::vector<std::string> names = {"0 (Hab_Node_A)", "1 (Hab_A)", "2 (DG_Hab_Port)", "3 (Hab_B)",
                                            "4 (Truss_A)", "5 (Truss_A)", "6 (Adaptor_B)", "7 (Power_wing_A)",
                                            "8 (Solar_wing_A)"};
    ASSERT_EQ(doc["nodes"].size(), names.size());
    for (size_t n = 0; n < names.size(); ++n) EXPECT_EQ(doc["nodes"][n]["name"], names[n]);
    EXPECT_EQ(doc["nodes"][1]["extras"]["params"]["Length"], 10.0);
    EXPECT_EQ(doc["nodes"][1]["extras"]["params"]["Round"], true);
    EXPECT_EQ(doc["nodes"][4]["extras"]["params"]["Block_count"], 3.0);

    // Each block's primitives, moved by its node's rotation and translation,
    // land on the host's groups in hand-over order (blocks by id, groups in order).
    size_t host_group = 0;
    double worst = 0;
    for (const auto& node : doc["nodes"]) {
        const auto t = node.value("translation", std::vector<double>{0, 0, 0});
        const auto q = node.value("rotation", std::vector<double>{0, 0, 0, 1});
        const Quat rot{q[0], q[1], q[2], q[3]};
        if (!node.contains("mesh")) continue;
        for (const auto& prim : doc["meshes"][node["mesh"].get<int>()]["primitives"]) {
            ASSERT_LT(host_group, r.scene.groups.size());
            const SceneGroup& h = r.scene.groups[host_group++];
            const int pos = prim["attributes"]["POSITION"];
            ASSERT_EQ(doc["accessors"][pos]["count"], h.vertex_count());
            EXPECT_EQ(doc["accessors"][prim["indices"].get<int>()]["count"], h.ind.size());
            const std::string node_name = node["name"];
            const size_t open = node_name.find('(');
            const std::string type = node_name.substr(open + 1, node_name.size() - open - 2);
            const std::string material = doc["materials"][prim["material"].get<int>()]["name"];
            EXPECT_EQ(material.rfind(type + " group ", 0), 0u) << material;
            for (size_t i = 0; i < h.vertex_count(); ++i) {
                const Vec3 local{accessor_float(glb, doc, pos, 3 * i), accessor_float(glb, doc, pos, 3 * i + 1),
                                 accessor_float(glb, doc, pos, 3 * i + 2)};
                const Vec3 placed = vec_add(quat_rotate(rot, local), Vec3{t[0], t[1], t[2]});
                worst = std::max({worst, std::fabs(placed.x - h.pos[3 * i]), std::fabs(placed.y - h.pos[3 * i + 1]),
                                  std::fabs(placed.z - h.pos[3 * i + 2])});
            }
        }
    }
    EXPECT_EQ(host_group, r.scene.groups.size());
    // The host's floats were rounded once more after placement: a few float steps at 30 m.
    EXPECT_LT(worst, 1e-4);
    EXPECT_EQ(doc["images"].size(), std::count_if(r.scene.groups.begin(), r.scene.groups.end(),
                                                  [](const SceneGroup& g) { return g.texw > 0; }));
}

TEST(Preview, LargeStationFillsTheFrameWithoutTouchingTheBorder) {
    const BuildResult& r = built("large_station.json");
    const int w = 640, h = 480;
    std::vector<uint8_t> rgb;
    PreviewInfo info;
    std::string error;
    ASSERT_TRUE(render_preview(r.scene, w, h, rgb, info, error)) << error;
    ASSERT_EQ(rgb.size(), size_t(w) * h * 3);
    int x0 = w, x1 = -1, y0 = h, y1 = -1;
    bool border = false;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            const bool station = p[0] != info.background[0] || p[1] != info.background[1] || p[2] != info.background[2];
            if (!station) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            border = border || x == 0 || y == 0 || x == w - 1 || y == h - 1;
        }
    }
    EXPECT_FALSE(border);
    // The painted pixels reach each side of the projected bounding box.
    const double tol = 4;
    EXPECT_NEAR(x0, info.min_x, tol);
    EXPECT_NEAR(x1 + 1, info.max_x, tol);
    EXPECT_NEAR(y0, info.min_y, tol);
    EXPECT_NEAR(y1 + 1, info.max_y, tol);
    // A small margin only: the station spans most of the frame one way or the other.
    EXPECT_TRUE(x1 - x0 > 0.8 * w || y1 - y0 > 0.8 * h) << x0 << " " << x1 << " " << y0 << " " << y1;
    // Not a flat silhouette: lighting and textures give many distinct colours.
    std::set<uint32_t> colours;
    for (size_t i = 0; i < rgb.size(); i += 3) colours.insert(rgb[i] | rgb[i + 1] << 8 | rgb[i + 2] << 16);
    EXPECT_GT(colours.size(), 1000u);
}

// Runs the built CLI through the shell; returns its exit code.
int run_cli(const std::string& args) {
    const std::string cmd = std::string(QUILBET_CLI_BINARY) + " " + args + " >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Command, ExitCodesAndNoOutputForInvalidInput) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_cli_test";
    fs::create_directories(dir);
    const fs::path bad = dir / "bad.json", out = dir / "out.blob", back = dir / "back.json";
    std::ofstream(bad) << R"({"blocks": [{"id": "a", "type": "Tank_AA"}]})";
    fs::remove(out);
    EXPECT_EQ(run_cli("describe " + bad.string() + " -o " + out.string()), 1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(run_cli("build " + bad.string() + " -o " + (dir / "bad.glb").string()), 1);
    EXPECT_FALSE(fs::exists(dir / "bad.glb"));

    EXPECT_EQ(run_cli(""), 2);
    EXPECT_EQ(run_cli("describe"), 2);
    EXPECT_EQ(run_cli("frobnicate x"), 2);
    EXPECT_EQ(run_cli("build " + example("small_station.json") + " -o x.glb --size 3x3"), 2);
    // A preview larger than Mesa's off-screen GL can allocate: refused before the build.
    EXPECT_EQ(run_cli("build " + example("small_station.json") + " -o " + (dir / "big.glb").string() + " --png " +
                      (dir / "big.png").string() + " --size 8192x8192"),
              2);
    EXPECT_FALSE(fs::exists(dir / "big.glb"));

    EXPECT_EQ(run_cli("describe " + example("small_station.json") + " -o " + out.string()), 0);
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(run_cli("decode " + out.string() + " -o " + back.string()), 0);
    EXPECT_TRUE(fs::exists(back));
    EXPECT_EQ(run_cli("catalogue --json"), 0);

    // No output may be the input or another output (by any name): usage
    // errors, before anything is read or built, every file as it was.
    const fs::path station = dir / "s.json", glb = dir / "o.glb";
    fs::copy_file(example("small_station.json"), station);
    std::ofstream(glb) << "glb";
    fs::create_symlink(station, dir / "alias.json");
    fs::create_hard_link(station, dir / "hard.json");
    const std::string s = station.string(), g = glb.string();
    auto read_text = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string same_file[] = {
        "describe " + s + " -o " + s,
        "describe " + s + " -o " + (dir / "alias.json").string(),
        "describe " + s + " -o " + (dir / "." / "hard.json").string(),
        "decode " + out.string() + " -o " + out.string(),
        "build " + s + " -o " + g + " --vessel " + s,
        "build " + s + " -o " + s,
        "build " + s + " -o " + g + " --png " + g,
        "build " + s + " -o " + (dir / "new.glb").string() + " --png " + (dir / "sub" / ".." / "new.glb").string(),
        "generate --seed 1 --blocks 5 -o " + (dir / "g.json").string() + " --build",
    };
    const std::string station_bytes = read_text(s), blob_bytes = read_text(out.string());
    fs::create_directories(dir / "sub");
    fs::create_symlink("g.json", dir / "g.png");   // the preview generate writes beside g.json leads to g.json
    for (const std::string& args : same_file) {
        EXPECT_EQ(run_cli(args), 2) << args;
        EXPECT_EQ(read_text(s), station_bytes) << args;
        EXPECT_EQ(read_text(g), "glb") << args;
        EXPECT_EQ(read_text(out.string()), blob_bytes) << args;
        EXPECT_FALSE(fs::exists(dir / "new.glb") || fs::exists(dir / "g.json")) << args;
    }
    // Text that starts with a UTF-8 byte-order mark, as some editors write it.
    const fs::path bom = dir / "bom.json";
    std::ofstream(bom, std::ios::binary) << "\xEF\xBB\xBF" << std::ifstream(example("small_station.json")).rdbuf();
    EXPECT_EQ(run_cli("describe " + bom.string()), 0);
    fs::remove_all(dir);
}

// Inputs of a few bytes to a few MB that once aborted the tool or ran it out
// of memory: each now ends with exit code 1, a message naming what is wrong
// and no output file.
TEST(Command, HostileInputsGetAClearMessageAndNoOutput) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_hostile";
    fs::create_directories(dir / "folder");
    auto file = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    };
    std::string cycles = R"({"blocks": [)";
    for (int i = 0; i < 17; ++i) cycles += std::string(i ? "," : "") + R"({"id": "t)" + std::to_string(i) + R"(", "type": "Truss_A", "params": {"Block_count": 28}})";
    cycles += R"(], "links": {)";
    for (int i = 0; i < 16; ++i)
        for (int k = 2; k < 114; ++k)
            cycles += std::string(i || k > 2 ? "," : "") + "\"t" + std::to_string(i) + "." + std::to_string(k) + "\": \"t" +
                      std::to_string(i + 1) + "." + std::to_string(k) + "\"";
    cycles += "}}";
    std::string habitats = R"({"blocks": [)";
    for (int i = 0; i < 1024; ++i) habitats += std::string(i ? "," : "") + R"({"id": )" + std::to_string(i) +
                                               R"(, "type": "Hab_A", "params": {"Length": )" + std::to_string(4 + i / 100.0) + "}}";
    habitats += R"(], "links": {}})";
    std::vector<uint8_t> corrupt = {2, 1, 1, 1, 1, 0, 0, 0};
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string shallow = std::string(60, '[') + std::string(60, ']');
    auto blocks = [](int n, const std::string& params) {
        std::string text = R"({"blocks": [)";
        for (int i = 0; i < n; ++i) text += std::string(i ? "," : "") + R"({"id": "b)" + std::to_string(i) + R"(", "type": "Tank_A", "params": )" + params + "}";
        return text + "]}";
    };
    std::string wide_links = R"({"blocks": [{"id": "a", "type": "Tank_A"}], "links": {)";
    for (int i = 0; i < 107000; ++i) wide_links += std::string(i ? "," : "") + "\"a." + std::to_string(i) + "\": \"a.0\"";
    wide_links += "}}";
    std::string many_keys = "{";
    for (int i = 0; i < 900; ++i) many_keys += std::string(i ? "," : "") + "\"k" + std::to_string(i) + "\": 1";
    many_keys += "}";
    const std::string glb = (dir / "out.glb").string();
    struct Row {
        std::string args;
        std::string message;
    };
    const Row rows[] = {
        {"describe " + file("huge.json", R"({"blocks": [{"id": "a", "type": "Tank_A", "params": {"Length": 1e400}}]})"),
         "block \"a\", parameter \"Length\": the number '1e400' does not fit"},
        {"build " + (dir / "huge.json").string() + " -o " + glb, "does not fit a 64-bit"},
        {"describe " + (dir / "folder").string() + "/", "is a folder"},
        {"describe " + file("port.json", R"({"blocks": [{"id": "a", "type": "Tank_A"}, {"id": "b", "type": "Tank_A"}],
                                              "links": {"a.1": "b.999999999"}})"),
         "port 999999999 is beyond the limit"},
        {"describe " + file("long.json", R"({"blocks": [{"id": ")" + std::string(20000, 'x') + R"(", "type": "Tank_A"}],
                                              "links": {"y.0": "z.1"}})"),
         "no block has the id \"y\""},
        {"build " + example("small_station.json") + " -o " + glb + " --vessel " + (dir / "no" / "v.json").string(),
         "cannot create"},
        {"build " + file("corrupt.blob", std::string(corrupt.begin(), corrupt.end())) + " -o " + glb,
         "not a station description"},
        {"decode " + example("small_station.json"), "this is JSON text"},
        {"describe " + file("cycles.json", cycles), "more"},
        {"describe " + file("habitats.json", habitats), "station budget"},
        // Nesting and size are refused before the value is built or quoted.
        {"describe " + file("deep_param.json", R"({"blocks": [{"id": "a", "type": "Tank_A", "params": {"Length": )" + deep + "}}]}"),
         "blocks[0].params.Length[0][0]…: nested deeper than 64 levels"},
        {"describe " + file("deep_id.json", R"({"blocks": [{"id": )" + deep + "}]}"), "nested deeper than 64"},
        {"build " + file("deep_link.json", R"({"blocks": [{"id": "a", "type": "Tank_A"}], "links": {"a.0": )" + deep + "}}") +
             " -o " + glb, "links.a.0[0]"},
        {"describe " + file("shallow_type.json", R"({"blocks": [{"id": "a", "type": )" + shallow + "}]}"),
         "expected a type name or type id, not [[[[[["},
        {"describe " + file("blocks.json", blocks(1100, "{}")), "more than 1024 blocks"},
        {"describe " + file("long_key.json", R"({"blocks": [{"id": ")" + std::string(20000, 'i') + R"(", "type": "Tank_A", ")" +
                                                 std::string(20000, 'k') + R"(": 1}]})"),
         "unknown key \"kkkk"},
        {"describe " + file("links.json", wide_links), "links: more than 1024 keys in one object"},
        {"describe " + file("keys.json", blocks(200, many_keys)), "keys in all"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.substr(0, 120));
        const fs::path err = dir / "stderr.txt";
        const std::string cmd = std::string(QUILBET_CLI_BINARY) + " " + row.args + " >/dev/null 2>" + err.string();
        const int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        std::ifstream in(err);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find(row.message), std::string::npos) << text.substr(0, 2000);
        EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 51);
        for (size_t from = 0, to; (to = text.find('\n', from)) != std::string::npos; from = to + 1) EXPECT_LT(to - from, 400u);
        EXPECT_FALSE(fs::exists(glb));
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quilbet
