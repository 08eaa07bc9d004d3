// The designer's server: block-by-block builds equal to the module's own,
// the geometry cache, the API's answers and every refusal, over HTTP too.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <fstream>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "design/deadline_server.hpp"
#include "design/design_api.hpp"
#include "design/design_server.hpp"
#include "design/station_builder.hpp"
#include "design/variation_answer.hpp"
#include "station/png_io.hpp"
#include "generate/generate.hpp"
#include "generate/generated_text.hpp"
#include "station/files.hpp"
#include "station/load_station.hpp"
#include "station/station_runner.hpp"
#include "station/validate.hpp"
#include "support/sanitizer_share.hpp"

namespace quilbet {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

std::string example(const std::string& name) { return std::string(QUILBET_SOURCE_DIR) + "/examples/" + name; }

std::string read_text(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(read_file_bytes(path, bytes, error)) << error;
    return std::string(bytes.begin(), bytes.end());
}

StationText load(const std::string& text) {
    StationText st;
    Diagnostics diag;
    EXPECT_TRUE(load_station_bytes(std::vector<uint8_t>(text.begin(), text.end()), false, st, diag));
    return st;
}

// One builder for the whole program: its module starts once.
StationBuilder& builder() {
    static StationBuilder b;
    return b;
}

// Every host group of the real build (make_vessel, make_vesselmesh) equals,
// bit for bit, the builder's block-frame group placed as the hand-over places it.
void expect_same_as_module(const StationText& st, const StationBuild& built) {
    Module module;
    StartupOptions opt;
    opt.write_placeholder_files = false;
    ASSERT_TRUE(module.startup(opt));
    BuildResult real;
    std::string error;
    ASSERT_TRUE(run_station(module, encode_blob(st.station), real, error)) << error;

    std::vector<const PlacedBlock*> by_slot;
    for (const PlacedBlock& p : built.blocks) by_slot.push_back(&p);
    std::sort(by_slot.begin(), by_slot.end(), [](auto* a, auto* b) { return a->slot < b->slot; });
    size_t host_group = 0;
    for (const PlacedBlock* p : by_slot) {
        for (const auto& g : p->built->groups) {
            ASSERT_LT(host_group, real.scene.groups.size());
            const SceneGroup& h = real.scene.groups[host_group++];
            std::vector<pnttyp> v(g->vertex_count());
            for (size_t i = 0; i < v.size(); ++i) {
                v[i].pos = {g->pos[3 * i], g->pos[3 * i + 1], g->pos[3 * i + 2]};
                v[i].nrm = {g->nrm[3 * i], g->nrm[3 * i + 1], g->nrm[3 * i + 2]};
            }
            pnt_place(v.data(), static_cast<int32_t>(v.size()), p->pos, p->rot);
            ASSERT_EQ(h.vertex_count(), v.size()) << p->id;
            for (size_t i = 0; i < v.size(); ++i) {
                ASSERT_EQ(std::memcmp(&h.pos[3 * i], &v[i].pos, 12), 0) << p->id << " vertex " << i;
                ASSERT_EQ(std::memcmp(&h.nrm[3 * i], &v[i].nrm, 12), 0) << p->id << " vertex " << i;
            }
            ASSERT_EQ(h.uv, g->uv) << p->id;
            ASSERT_EQ(h.ind, g->ind) << p->id;
            ASSERT_EQ(h.rgba, g->rgba) << p->id;
        }
    }
    EXPECT_EQ(host_group, real.scene.groups.size());
}

TEST(StationBuilder, BuildsWhatTheModuleBuildsAndRebuildsOnlyTheChangedBlock) {
    ASSERT_TRUE(builder().started()) << builder().start_error();
    const std::string text = read_text(example("large_station.json"));
    const StationText st = load(text);
    const StationBuild first = builder().build(st);
    ASSERT_EQ(first.blocks.size(), st.station.records.size());
    expect_same_as_module(st, first);

    const StationBuild again = builder().build(st);
    EXPECT_EQ(again.built_anew, 0u);
    EXPECT_EQ(again.reused, st.station.records.size());

    // One parameter of a block early in the list: that block is made anew,
    // every other one comes from the cache, and the result is still exactly
    // what the module builds for the changed description.
    json doc = json::parse(text);
    size_t changed = 0;
    for (size_t i = 0; i < doc["blocks"].size(); ++i) {
        if (doc["blocks"][i]["id"] == "truss_r") changed = i;
    }
    ASSERT_GT(changed, 0u);
    doc["blocks"][changed]["params"]["Block_count"] = 28;
    const StationText edited = load(doc.dump());
    const StationBuild rebuilt = builder().build(edited);
    EXPECT_EQ(rebuilt.built_anew, 1u);
    EXPECT_NE(rebuilt.blocks[changed].built->key, first.blocks[changed].built->key);
    expect_same_as_module(edited, rebuilt);

    // Past the byte limit the least recently used entries go, never a block of the last build.
    builder().set_cache_limit(0);
    const StationBuild small = builder().build(load(read_text(example("small_station.json"))));
    std::set<std::string> kept;
    for (const PlacedBlock& p : small.blocks) kept.insert(p.built->key);
    EXPECT_EQ(builder().cached(), kept.size());
    for (const std::string& key : kept) EXPECT_TRUE(builder().find(key));
    builder().set_cache_limit(default_cache_limit);
}

// The designer and the module build through the same steps; whatever the
// station, the designer's view is what the host receives.
TEST(StationBuilder, BuildsEveryExampleAndTwentyGeneratedStationsAsTheModuleHandsThemOver) {
    ASSERT_TRUE(builder().started()) << builder().start_error();
    std::vector<std::pair<std::string, std::string>> stations;   // name, description text
    for (const auto& f : fs::directory_iterator(std::string(QUILBET_SOURCE_DIR) + "/examples")) {
        if (f.path().extension() == ".json") stations.push_back({f.path().filename().string(), read_text(f.path().string())});
    }
    ASSERT_FALSE(stations.empty());
    for (int i = 0; i < 20; ++i) {
        if (!in_sanitizer_share(i / 4, 3)) continue;   // all four styles, at two of the five sizes
        GenerateOptions options;
        options.seed = 9000 + static_cast<uint64_t>(i);
        options.blocks = 3 + i / 2;
        options.style = static_cast<StationStyle>(i % 4);
        stations.push_back({std::string(style_name(options.style)) + " seed " + std::to_string(options.seed),
                            generated_json(generate_station(options).station, options)});
    }
    for (const auto& [name, text] : stations) {
        SCOPED_TRACE(name);
        const StationText st = load(text);
        const StationBuild built = builder().build(st);
        ASSERT_EQ(built.blocks.size(), st.station.records.size());
        expect_same_as_module(st, built);
    }
}

TEST(DesignApi, SavedTextIsTheToolsOwnLayoutAndReadsBackToTheSameBytes) {
    for (const char* name : {"small_station.json", "large_station.json", "habitats.json"}) {
        const StationText st = load(read_text(example(name)));
        const std::string saved = saved_text(st);
        const StationText back = load(saved);
        EXPECT_EQ(saved_text(back), saved) << name;
        EXPECT_EQ(encode_blob(back.station), encode_blob(st.station)) << name;
        EXPECT_EQ(back.title, json::parse(read_text(example(name)))["name"]) << name;
        EXPECT_EQ(back.schema, json::parse(read_text(example(name)))["$schema"]) << name;
        // With numeric ids the text is what `quilbet decode` writes for the blob.
        StationText numbered = st;
        for (auto& [slot, id] : numbered.names) id = std::to_string(slot);
        numbered.title.clear();
        numbered.schema.clear();
        EXPECT_EQ(saved_text(numbered), station_to_json(st.station).dump(2) + "\n") << name;
    }
}

TEST(DesignApi, MessagesPointAtTheBlockAndFieldTheyName) {
    // Faults put into the small station; each message of the CLI must be
    // placed at the block and field that was spoiled.
    struct Row {
        const char* block;
        const char* field;
        std::function<void(json&)> spoil;
    };
    const std::vector<Row> rows = {
        {"hab", "Length", [](json& d) { d["blocks"][1]["params"]["Length"] = 1e9; }},
        {"truss", "Block_count", [](json& d) { d["blocks"][4]["params"]["Block_count"] = 40; }},   // a warning
        {"lab", "type", [](json& d) { d["blocks"][3]["type"] = "Hab_Q"; }},
        {"dock", "Length", [](json& d) { d["blocks"][2]["params"] = {{"Length", "long"}}; }},
        {"truss", "port 4", [](json& d) { d["links"]["truss.4"] = "truss.0"; }},
    };
    for (const Row& row : rows) {
        json doc = json::parse(read_text(example("small_station.json")));
        row.spoil(doc);
        StationText st;
        Diagnostics diag;
        const std::string text = doc.dump();
        load_station_bytes(std::vector<uint8_t>(text.begin(), text.end()), false, st, diag);
        ASSERT_FALSE(diag.list().empty()) << row.block << " " << row.field;
        const MessagePlace place = message_place(diag.list().front().text);
        EXPECT_EQ(place.block, row.block) << diag.list().front().text;
        EXPECT_EQ(place.field, row.field) << diag.list().front().text;
    }
}

// A description the CLI refuses for the station budget only after thousands
// of blocks: 1024 habitats, unlinked (also unreachable), well below 1 MiB.
std::string over_budget() {
    std::string text = R"({"blocks": [)";
    for (int i = 0; i < 1024; ++i) {
        text += std::string(i ? "," : "") + R"({"id": )" + std::to_string(i) + R"(, "type": "Hab_A", "params": {"Length": 30}})";
    }
    return text + R"(], "links": {}})";
}

TEST(DesignApi, RefusedDescriptionsAreNeverBuilt) {
    DesignApi api(builder(), "");
    json beyond = json::parse(read_text(example("small_station.json")));
    beyond["blocks"][4]["params"]["Block_count"] = 100000;
    struct Row {
        const char* what;
        std::string body;
        int status;
        const char* says;   // words of the answer
    };
    const std::vector<Row> rows = {
        {"not JSON", "{\"blocks\": [", 400, "parse error"},
        {"not JSON either", "blocks", 400, "parse error"},
        {"beyond a hard limit", beyond.dump(), 422, "breaks the hard limit 0 to 64"},
        {"beyond the station budget", over_budget(), 422, "station budget"},
        {"unknown type", R"({"blocks": [{"id": "a", "type": "Tank_AA"}]})", 422, "did you mean"},
        {"100,000 nested lists as an id", R"({"blocks": [{"id": )" + std::string(100000, '[') + std::string(100000, ']') + "}]}",
         422, "nested deeper than 64"},
        {"an unclosed string of a megabyte", "{\"blocks\": \"" + std::string(1 << 20, 'x'), 400, "parse error"},
    };
    for (const Row& row : rows) {
        const size_t cached = builder().cached();
        for (const ApiResponse& r : {api.build(row.body), api.export_glb(row.body), api.export_blob(row.body), api.variations(row.body)}) {
            EXPECT_EQ(r.status, row.status) << row.what;
            EXPECT_NE(r.body.find(row.says), std::string::npos) << row.what << ": " << r.body.substr(0, 300);
            EXPECT_LT(r.body.size(), 20000u) << row.what << " is quoted at length";
        }
        EXPECT_EQ(builder().cached(), cached) << row.what << " was built";
        // Validation and the page's edit call answer the same verdict without an
        // HTTP error, except for text that is not JSON.
        for (const ApiResponse& v : {api.validate(row.body), api.edit(row.body)}) {
            EXPECT_EQ(v.status, row.status == 400 ? 400 : 200) << row.what;
            if (v.status == 200) {
                EXPECT_FALSE(json::parse(v.body)["ok"].get<bool>()) << row.what;
            }
        }
        EXPECT_EQ(builder().cached(), cached) << row.what << " was built";
    }
    // Without a file given on the command line there is nowhere to save.
    EXPECT_EQ(api.save(read_text(example("small_station.json")), "none").status, 409);
}

// Generate answers what `quilbet generate` writes for the same options, or
// 400 naming the field.
TEST(DesignApi, GenerateAnswersTheToolsStationOrNamesTheField) {
    DesignApi api(builder(), "");
    const ApiResponse ok = api.generate(R"({"seed": "7", "blocks": 12, "style": "ring"})");
    ASSERT_EQ(ok.status, 200) << ok.body;
    GenerateOptions options;
    options.seed = 7;
    options.blocks = 12;
    options.style = StationStyle::ring;
    EXPECT_EQ(json::parse(ok.body)["text"].get<std::string>(), generated_json(generate_station(options).station, options));
    EXPECT_EQ(json::parse(ok.body)["name"].get<std::string>(), "generated_ring_7.json");
    const std::pair<std::string, const char*> refused[] = {
        {R"({"seed": "-3"})", "seed"},      {R"({"blocks": 0})", "blocks"}, {R"({"blocks": 201})", "blocks"},
        {R"({"style": "spiral"})", "style"}, {"[1, 2]", "expected an object"}, {"{", "parse error"},
        {R"({"seed": )" + std::string(100000, '[') + std::string(100000, ']') + "}", "nested deeper than 64"},
    };
    for (const auto& [body, says] : refused) {
        const ApiResponse r = api.generate(body);
        EXPECT_EQ(r.status, 400) << body;
        EXPECT_NE(r.body.find(says), std::string::npos) << body << ": " << r.body;
    }
}

// The symmetry mode's twins: a mirror pairs a port with the one facing the
// other way, radial N gives N ports, a block without symmetry gives the port alone.
TEST(DesignApi, SymmetryAnswersTheEquivalentPortsOrNamesTheField) {
    DesignApi api(builder(), "");
    struct Row {
        const char* body;
        std::vector<int32_t> ports;   // sorted
    };
    const Row rows[] = {
        {R"({"block": {"type": "Truss_A", "params": {"Block_count": 3}}, "port": 6, "mode": "mirror"})", {6, 7}},   // bay 2 +x, -x
        {R"({"block": {"type": "Truss_A"}, "port": 0, "mode": "mirror"})", {0, 1}},                                // the two ends
        {R"({"block": {"type": "Hab_Node_A"}, "port": 4, "mode": "mirror"})", {4, 5}},
        {R"({"block": {"type": "Hab_Node_A"}, "port": 2, "mode": "radial", "n": 4})", {2, 3, 4, 5}},
        {R"({"block": {"type": "Solar_wing_A"}, "port": 0, "mode": "radial", "n": 3})", {0}},
    };
    for (const Row& row : rows) {
        const ApiResponse r = api.symmetry(row.body);
        ASSERT_EQ(r.status, 200) << row.body << ": " << r.body;
        std::vector<int32_t> ports = json::parse(r.body)["ports"].get<std::vector<int32_t>>();
        ASSERT_FALSE(ports.empty());
        EXPECT_EQ(ports.front(), json::parse(row.body)["port"].get<int32_t>()) << "the port asked for comes first";
        std::sort(ports.begin(), ports.end());
        EXPECT_EQ(ports, row.ports) << row.body;
    }
    const std::pair<const char*, const char*> refused[] = {
        {R"({"port": 0, "mode": "mirror"})", "block"},
        {R"({"block": {"type": "Truss_A"}, "port": 99, "mode": "mirror"})", "has 30 ports"},
        {R"({"block": {"type": "Truss_A"}, "port": 0, "mode": "spin"})", "mode"},
        {R"({"block": {"type": "Truss_A"}, "port": 0, "mode": "radial", "n": 13})", "n:"},
        {R"({"block": {"type": "Trus_A"}, "port": 0, "mode": "mirror"})", "Truss_A"},
        {R"({"block": {"type": "Truss_A", "params": {"Block_count": 100000}}, "port": 0, "mode": "mirror"})", "hard limit"},
    };
    for (const auto& [body, says] : refused) {
        const ApiResponse r = api.symmetry(body);
        EXPECT_EQ(r.status, 400) << body;
        EXPECT_NE(r.body.find(says), std::string::npos) << body << ": " << r.body;
    }
}

std::vector<uint8_t> from_base64(const std::string& text) {
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int held = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = bits << 6 | static_cast<uint32_t>(digits.find(c));
        if ((held += 6) >= 8) out.push_back(static_cast<uint8_t>(bits >> (held -= 8)));
    }
    return out;
}

// Six variations of the page's station, each a description of the same
// blocks and ids that the tool accepts, with a thumbnail of it.
TEST(DesignApi, VariationsComeAsDescriptionsWithThumbnails) {
    DesignApi api(builder(), "");
    const StationText original = load(read_text(example("small_station.json")));
    const ApiResponse r = api.variations(read_text(example("small_station.json")));
    ASSERT_EQ(r.status, 200) << r.body.substr(0, 300);
    const json doc = json::parse(r.body);
    EXPECT_EQ(doc["variations"].size(), 6u) << doc["missing"].dump();
    std::set<std::string> texts;
    for (const json& v : doc["variations"]) {
        const StationText st = load(v["text"].get<std::string>());
        EXPECT_EQ(st.names, original.names);
        texts.insert(v["text"].get<std::string>());
        const std::string url = v["picture"].get<std::string>();
        const std::string prefix = "data:image/png;base64,";
        ASSERT_EQ(url.substr(0, prefix.size()), prefix) << v.value("picture_error", "");
        std::vector<uint8_t> rgba;
        int32_t w = 0, h = 0;
        std::string error;
        ASSERT_TRUE(decode_png(from_base64(url.substr(prefix.size())), rgba, w, h, error)) << error;
        EXPECT_EQ(w, variation_picture_width);
        EXPECT_EQ(h, variation_picture_height);
        EXPECT_GT(std::set<uint8_t>(rgba.begin(), rgba.end()).size(), 16u) << "a picture of the background alone";
    }
    EXPECT_EQ(texts.size(), doc["variations"].size()) << "variations repeat";
}

TEST(DesignApi, BuildAnswersPlacementPortsAndMeshes) {
    DesignApi api(builder(), "");
    const ApiResponse r = api.build(read_text(example("small_station.json")));
    ASSERT_EQ(r.status, 200) << r.body;
    const json doc = json::parse(r.body);
    ASSERT_EQ(doc["blocks"].size(), 9u);
    size_t linked = 0;
    for (const json& b : doc["blocks"]) {
        for (const json& p : b["ports"]) linked += p["linked"].get<bool>() ? 1 : 0;
        const ApiResponse mesh = api.mesh(b["mesh"]);
        EXPECT_EQ(mesh.status, 200);
        EXPECT_EQ(mesh.content_type, "model/gltf-binary");
        EXPECT_EQ(mesh.body.substr(0, 4), "glTF");
    }
    EXPECT_EQ(linked, 2 * 8u);   // eight links, two sides each
    EXPECT_EQ(api.mesh("0123456789abcdef").status, 404);
    const ApiResponse blob = api.export_blob(read_text(example("small_station.json")));
    EXPECT_EQ(std::vector<uint8_t>(blob.body.begin(), blob.body.end()),
              encode_blob(load(read_text(example("small_station.json"))).station));
}

// The server on a free port in a thread of its own, stopped at the end.
class LiveServer {
public:
    LiveServer(DesignApi& api, const std::string& web_root,
               std::chrono::milliseconds deadline = default_request_deadline)
        : server_(api, web_root) {
        server_.set_request_deadline(deadline);
        std::string error;
        EXPECT_TRUE(server_.bind(0, error)) << error;
        thread_ = std::thread([this] { server_.run(); });
    }
    ~LiveServer() {
        server_.stop();
        thread_.join();
    }
    int port() const { return server_.port(); }
    const std::string& token() const { return server_.token(); }

private:
    DesignServer server_;
    std::thread thread_;
};

TEST(DesignServer, RefusesForeignHostsLargeBodiesBadJsonAndPathsOutOfItsFolder) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_design_server";
    fs::remove_all(dir);
    fs::create_directories(dir / "web");
    std::ofstream(dir / "web" / "index.html") << "<!doctype html><title>page</title>";
    std::ofstream(dir / "secret.txt") << "classified station plans";
    fs::create_symlink(dir / "secret.txt", dir / "web" / "leak.txt");
    const fs::path station = dir / "station.json";
    fs::copy_file(example("small_station.json"), station);
    DesignApi api(builder(), station.string());
    LiveServer live(api, (dir / "web").string());
    httplib::Client client("127.0.0.1", live.port());

    auto get = [&](const std::string& path) { return client.Get(path.c_str()); };
    auto res = get("/");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find("<title>page</title>"), std::string::npos);
    EXPECT_EQ(get("/api/catalogue")->status, 200);
    // Nothing is compressed, whatever the browser accepts: on the loopback it costs time and saves nothing.
    client.set_decompress(false);
    for (const char* path : {"/", "/api/catalogue"}) {
        auto r = client.Get(path, {{"Accept-Encoding", "br, gzip, deflate"}});
        ASSERT_TRUE(r) << path;
        EXPECT_FALSE(r->has_header("Content-Encoding")) << path << " came " << r->get_header_value("Content-Encoding");
    }

    // Paths out of the folder, spelled several ways, and a link that leads out.
    for (const char* path : {"/../secret.txt", "/%2e%2e/secret.txt", "/web/../../secret.txt", "/leak.txt",
                             "/..%2fsecret.txt", "/.%2e/secret.txt", "//etc/passwd", "/%5c..%5csecret.txt"}) {
        auto r = get(path);
        ASSERT_TRUE(r) << path;
        EXPECT_EQ(r->status, r->status == 400 ? 400 : 404) << path;
        EXPECT_EQ(r->body.find("classified"), std::string::npos) << path;
    }

    // Another Host (a DNS name pointed at this port) is refused, API and files alike.
    for (const char* host : {"evil.example", "evil.example:80", "127.0.0.1", "127.0.0.1:1"}) {
        for (const char* path : {"/", "/api/catalogue"}) {
            auto r = client.Get(path, {{"Host", host}});
            ASSERT_TRUE(r);
            EXPECT_EQ(r->status, 403) << host << path;
        }
    }

    // Requests that change anything carry the token the server made for this run.
    const httplib::Headers own = {{token_header, live.token()}};

    // Over 1 MiB: 413, whatever the body; just under passes to the API (as bad JSON here).
    const std::string big(max_body_bytes + 1, ' ');
    auto large = client.Post("/api/build", own, big, "application/json");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->status, 413);
    auto fits = client.Post("/api/build", own, std::string(max_body_bytes - 1, ' ') + "x", "application/json");
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->status, 400);

    auto bad = client.Post("/api/validate", own, "{\"blocks\": [1,", "application/json");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    EXPECT_NE(json::parse(bad->body)["error"].get<std::string>().find("parse error"), std::string::npos);

    // Save writes the file given on the command line, in the tool's layout,
    // and only while it is the version the page read: a save without a
    // version, or after the file changed on disk, leaves it as it is.
    const std::string original = read_text(station.string());
    auto opened = client.Get("/api/station", own);
    ASSERT_TRUE(opened);
    const std::string version = json::parse(opened->body)["version"].get<std::string>();
    auto save = [&](const std::string& base) {
        httplib::Headers h = own;
        if (!base.empty()) h.emplace("X-Quilbet-Base-Version", base);
        return client.Post("/api/save", h, original, "application/json");
    };
    EXPECT_EQ(save("")->status, 428);
    auto saved = save(version);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->status, 200) << saved->body;
    EXPECT_EQ(read_text(station.string()), saved_text(load(original)));
    const std::string after = json::parse(saved->body)["version"].get<std::string>();
    std::ofstream(station) << "{}";           // another program writes the file
    auto stale = save(after);
    EXPECT_EQ(stale->status, 409);
    EXPECT_TRUE(json::parse(stale->body)["changed"].get<bool>());
    EXPECT_EQ(read_text(station.string()), "{}");
    fs::remove_all(dir);
}

// What a page of another site can send: a form, a no-cors fetch, a request
// without the token or from another origin. Each is refused and the station
// file keeps its bytes; the designer's own page (token from index.html, its
// own Origin) and a tool that sends the token without browser headers pass.
TEST(DesignServer, OnlyTheDesignersOwnPageChangesAnything) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_design_origin";
    fs::remove_all(dir);
    fs::create_directories(dir / "web");
    std::ofstream(dir / "web" / "index.html") << "<head><meta name=\"quilbet-token\" content=\"\"></head>";
    const fs::path station = dir / "station.json";
    fs::copy_file(example("small_station.json"), station);
    const std::string before = read_text(station.string());
    json changed = json::parse(before);
    changed["name"] = "replaced by another site";
    DesignApi api(builder(), station.string());
    LiveServer live(api, (dir / "web").string());
    httplib::Client client("127.0.0.1", live.port());

    const std::string page = client.Get("/")->body;
    const std::string token = page.substr(page.find("content=\"") + 9, 32);
    ASSERT_EQ(token, live.token());
    const std::string self = "http://127.0.0.1:" + std::to_string(live.port());
    struct Foreign {
        const char* what;
        httplib::Headers headers;
        const char* content_type;
    };
    const Foreign foreign[] = {
        {"text/plain form", {{"Origin", "http://evil.example"}, {"Sec-Fetch-Site", "cross-site"}}, "text/plain"},
        {"no-cors fetch", {{"Origin", "http://127.0.0.1:9"}, {"Sec-Fetch-Site", "same-site"}}, "text/plain;charset=UTF-8"},
        {"url-encoded form with the token", {{token_header, token}}, "application/x-www-form-urlencoded"},
        {"no token", {{"Origin", self}, {"Sec-Fetch-Site", "same-origin"}}, "application/json"},
        {"another run's token", {{token_header, std::string(32, '0')}}, "application/json"},
        {"token and another origin", {{token_header, token}, {"Origin", "http://localhost:9"}}, "application/json"},
        {"token and an opaque origin", {{token_header, token}, {"Origin", "null"}}, "application/json"},
        {"token and another site", {{token_header, token}, {"Sec-Fetch-Site", "cross-site"}}, "application/json"},
        {"token twice", {{token_header, "x"}, {token_header, token}}, "application/json"},
    };
    for (const Foreign& f : foreign) {
        for (const char* path : {"/api/save", "/api/build", "/api/variations"}) {
            auto r = client.Post(path, f.headers, changed.dump(), f.content_type);
            ASSERT_TRUE(r) << f.what;
            EXPECT_EQ(r->status, 403) << f.what << " " << path;
        }
        EXPECT_EQ(read_text(station.string()), before) << f.what;
    }
    // A preflight is never granted.
    auto preflight = client.Options("/api/save", {{"Origin", "http://evil.example"}});
    ASSERT_TRUE(preflight);
    EXPECT_EQ(preflight->status, 403);
    EXPECT_FALSE(preflight->has_header("Access-Control-Allow-Origin"));

    std::string version = json::parse(client.Get("/api/station")->body)["version"].get<std::string>();
    for (httplib::Headers h : {httplib::Headers{{token_header, token}, {"Origin", self}, {"Sec-Fetch-Site", "same-origin"}},
                               httplib::Headers{{token_header, token}}}) {
        h.emplace("X-Quilbet-Base-Version", version);
        auto r = client.Post("/api/save", h, changed.dump(), "application/json; charset=utf-8");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << r->body;
        version = json::parse(r->body)["version"].get<std::string>();
    }
    EXPECT_NE(read_text(station.string()).find("replaced by another site"), std::string::npos);
    fs::remove_all(dir);
}

// Sixteen clients that send a request one byte at a time (twice the workers
// cpp-httplib has by default) hold no worker the page needs, and each is cut
// off when its request is late, while it is still sending.
TEST(DesignServer, SlowClientsCannotHoldTheWorkers) {
    DesignApi api(builder(), "");
    LiveServer live(api, QUILBET_DESIGN_WEB, std::chrono::milliseconds(1000));
    const std::string request = "GET /api/catalogue HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(live.port()) +
                                "\r\nX-Padding: " + std::string(100, 'x') + "\r\n\r\n";
    std::vector<int> slow;
    for (int i = 0; i < 16; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(live.port()));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        slow.push_back(fd);
    }
    // 15 bytes each over 3 s, far from the whole request.
    std::thread drip([&] {
        for (size_t k = 0; k < 15; ++k) {
            for (int fd : slow) send(fd, &request[k], 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    httplib::Client client("127.0.0.1", live.port());
    client.set_read_timeout(2, 0);
    auto res = client.Get("/api/catalogue");
    EXPECT_TRUE(res && res->status == 200) << "the page's request was not answered while slow clients sent";
    drip.join();
    for (int fd : slow) {
        // Closed by the server: whatever it answered, then the end of the stream.
        char buf[512];
        ssize_t n = 1;
        while (n > 0) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) break;
            n = recv(fd, buf, sizeof buf, 0);
        }
        EXPECT_LE(n, 0) << "a late request's connection is still open";
        close(fd);
    }
}

TEST(DesignServer, StaticFilesResolveOnlyInsideTheFolder) {
    const fs::path dir = fs::path(::testing::TempDir()) / "quilbet_static";
    fs::remove_all(dir);
    fs::create_directories(dir / "web" / "sub");
    std::ofstream(dir / "web" / "index.html") << "i";
    std::ofstream(dir / "web" / "sub" / "a.js") << "a";
    const std::string root = (dir / "web").string();
    EXPECT_EQ(static_file(root, "/"), fs::canonical(dir / "web" / "index.html").string());
    EXPECT_EQ(static_file(root, "/sub/a.js"), fs::canonical(dir / "web" / "sub" / "a.js").string());
    for (const char* path : {"", "sub/a.js", "/sub", "/sub/", "/sub/../index.html", "/./index.html", "/sub\\a.js",
                             "/missing.js", "/../web/index.html"}) {
        EXPECT_EQ(static_file(root, path), "") << path;
    }
    EXPECT_TRUE(host_header_allowed("127.0.0.1:8417", 8417));
    EXPECT_TRUE(host_header_allowed("localhost:8417", 8417));
    for (const char* host : {"", "127.0.0.1", "127.0.0.1:8418", "127.0.0.2:8417", "localhost.evil:8417", "[::1]:8417"}) {
        EXPECT_FALSE(host_header_allowed(host, 8417)) << host;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quilbet
