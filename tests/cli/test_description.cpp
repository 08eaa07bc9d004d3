// Station descriptions: JSON <-> blob round trips, and one clear message per
// fault that names the block and the field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "station/load_station.hpp"
#include "station/station_json.hpp"
#include "station/validate.hpp"

namespace quilbet {
namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Loaded {
    bool ok = false;
    StationText st;
    Diagnostics diag;
    std::vector<std::string> errors() const {
        std::vector<std::string> out;
        for (const Diagnostic& d : diag.list()) {
            if (d.error) out.push_back(d.text);
        }
        return out;
    }
    std::vector<std::string> warnings() const {
        std::vector<std::string> out;
        for (const Diagnostic& d : diag.list()) {
            if (!d.error) out.push_back(d.text);
        }
        return out;
    }
};

Loaded load_json(const std::string& text) {
    Loaded l;
    l.ok = load_station_bytes(std::vector<uint8_t>(text.begin(), text.end()), false, l.st, l.diag);
    return l;
}

Loaded load_blob(const std::vector<uint8_t>& blob) {
    Loaded l;
    l.ok = load_station_bytes(blob, true, l.st, l.diag);
    return l;
}

// A small valid station the fault cases start from.
std::string base_station(const std::string& extra_blocks = "", const std::string& links = "") {
    return R"({"blocks": [
        {"id": "core", "type": "Hab_Node_A"},
        {"id": "hab", "type": "Hab_A", "params": {"Length": 10, "Round": true}},
        {"id": "truss", "type": "Truss_A", "params": {"Block_count": 2}})" +
           extra_blocks + R"(],
      "links": {"core.0": "hab.1", "hab.2": "truss.1")" +
           links + "}}";
}

// Exactly one error, and it contains every fragment.
void expect_one_error(const Loaded& l, const std::vector<std::string>& fragments) {
    EXPECT_FALSE(l.ok);
    const auto errors = l.errors();
    ASSERT_EQ(errors.size(), 1u) << (errors.empty() ? "no error" : errors[0] + " ... and more");
    for (const std::string& f : fragments) EXPECT_NE(errors[0].find(f), std::string::npos) << errors[0] << "\n  lacks: " << f;
}

TEST(Description, BaseStationIsValidAndLinksAreWrittenOnBothSides) {
    const Loaded l = load_json(base_station());
    ASSERT_TRUE(l.ok) << (l.errors().empty() ? "" : l.errors()[0]);
    const BlobStation& st = l.st.station;
    EXPECT_EQ(st.block_count, 3);
    ASSERT_EQ(st.records.size(), 3u);
    EXPECT_EQ(st.records[0].btype, 53);
    EXPECT_EQ(st.records[1].btype, 51);
    // Hab_A: Length (id 3) = 10, Round (id 2) = on, in the order written.
    ASSERT_EQ(st.records[1].params.size(), 2u);
    EXPECT_EQ(st.records[1].params[0].id, 3);
    EXPECT_EQ(st.records[1].params[0].value, 10.0);
    EXPECT_EQ(st.records[1].params[1].id, 2);
    EXPECT_EQ(st.records[1].params[1].value, 1.0);
    // One port entry per port of the instance: a truss of 2 bays has 4 * 2 + 2.
    EXPECT_EQ(st.records[0].ports.size(), 6u);
    EXPECT_EQ(st.records[2].ports.size(), 10u);
    const BlobPort& a = st.records[0].ports[0];
    const BlobPort& b = st.records[1].ports[1];
    EXPECT_EQ(a.flag, 1);
    EXPECT_EQ(a.block, 1);
    EXPECT_EQ(a.port, 1);
    EXPECT_EQ(b.flag, 1);
    EXPECT_EQ(b.block, 0);
    EXPECT_EQ(b.port, 0);
    EXPECT_EQ(st.records[2].ports[1].block, 1);
    EXPECT_EQ(st.records[2].ports[1].port, 2);
    EXPECT_EQ(st.records[2].ports[0].flag, 0);
}

// Ports named in links read into the same blob as their numbers, and the
// written form stays numeric; a name the block lacks is refused with the nearest one.
TEST(Description, LinksAcceptPortNames) {
    const Loaded numbers = load_json(base_station(R"(, {"id": "tank", "type": "Tank_A"})", R"(, "truss.0": "tank.0")"));
    const Loaded names = load_json(
        R"({"blocks": [{"id": "core", "type": "Hab_Node_A"}, {"id": "hab", "type": "Hab_A", "params": {"Length": 10, "Round": true}},
            {"id": "truss", "type": "Truss_A", "params": {"Block_count": 2}}, {"id": "tank", "type": "Tank_A"}],
          "links": {"core.end +z": "hab.end -z", "hab.face +x": "truss.end -z", "truss.end +z": "tank.end -z"}})");
    ASSERT_TRUE(numbers.ok && names.ok) << (names.errors().empty() ? "" : names.errors()[0]);
    EXPECT_EQ(encode_blob(names.st.station), encode_blob(numbers.st.station));
    EXPECT_EQ(station_to_json(names.st.station).dump(), station_to_json(numbers.st.station).dump());
    expect_one_error(load_json(base_station("", R"(, "truss.bay 3 +x": "core.2")")),
                     {"\"truss.bay 3 +x\"", "no port named \"bay 3 +x\"", "did you mean \"bay "});
}

TEST(Description, ExamplesRoundTripExactly) {
    for (const char* name : {"small_station.json", "large_station.json", "habitats.json"}) {
        SCOPED_TRACE(name);
        const Loaded l = load_json(read_text(std::string(QUILBET_SOURCE_DIR) + "/examples/" + name));
        ASSERT_TRUE(l.ok) << (l.errors().empty() ? "" : l.errors()[0]);
        EXPECT_TRUE(l.warnings().empty()) << l.warnings()[0];
        const std::vector<uint8_t> blob = encode_blob(l.st.station);
        // blob -> JSON -> blob gives the same bytes, and the JSON is stable too.
        const Loaded back = load_blob(blob);
        ASSERT_TRUE(back.ok);
        const std::string json = station_to_json(back.st.station).dump(2);
        const Loaded again = load_json(json);
        ASSERT_TRUE(again.ok) << (again.errors().empty() ? "" : again.errors()[0]);
        EXPECT_EQ(encode_blob(again.st.station), blob);
        EXPECT_EQ(station_to_json(again.st.station).dump(2), json);
    }
}

TEST(Description, UnusualBlobsRoundTripExactly) {
    // Root in slot 2 listed first, a spare slot (N = 4), values JSON must
    // carry bit for bit (-0, 0.1, a switch at 0.5, 1e300 is beyond the hard
    // limit so not here), fewer port entries than the block has, a free entry.
    BlobStation st;
    st.block_count = 4;
    BlobRecord node{2, 53, {}, {{1, 0, 1}}};
    BlobRecord hab{0, 51, {{3, 0.1}, {2, 0.5}, {1, -0.0}}, {{0, -1, -1}, {1, 2, 0}}};
    st.records = {node, hab};
    const std::vector<uint8_t> blob = encode_blob(st);
    const Loaded l = load_blob(blob);
    ASSERT_TRUE(l.ok) << (l.errors().empty() ? "" : l.errors()[0]);
    const std::string json = station_to_json(l.st.station).dump();
    const Loaded again = load_json(json);
    ASSERT_TRUE(again.ok) << json;
    EXPECT_EQ(encode_blob(again.st.station), blob) << json;
    EXPECT_TRUE(std::signbit(again.st.station.records[1].params[2].value));
}

TEST(Description, BlobWordsAreLittleEndianWithLowWordFirst) {
    BlobStation st;
    st.block_count = 1;
    st.records = {BlobRecord{0, 71, {{1, 12.0}}, {{0, -1, -1}, {1, 5, 7}}}};
    const std::vector<uint8_t> blob = encode_blob(st);
    ASSERT_EQ(blob.size(), 4u * (2 + 4 + 3 + 1 + 3));
    auto word = [&](size_t i) {
        uint32_t w;
        std::memcpy(&w, blob.data() + 4 * i, 4);
        return w;
    };
    EXPECT_EQ(word(0), 0x01010101u);
    EXPECT_EQ(word(1), 1u);
    EXPECT_EQ(word(3), 71u);
    EXPECT_EQ(word(4), 1u);     // P
    EXPECT_EQ(word(5), 2u);     // Q
    EXPECT_EQ(word(6), 1u);     // parameter id
    EXPECT_EQ(word(7), 0u);     // 12.0 = 0x4028000000000000: low word first
    EXPECT_EQ(word(8), 0x40280000u);
    EXPECT_EQ(word(9), 0u);     // free port: one word
    EXPECT_EQ(word(10), 1u);
    EXPECT_EQ(word(11), 5u);
    EXPECT_EQ(word(12), 7u);
}

TEST(Validation, TypoInTypeNameSuggestsTheClosest) {
    expect_one_error(load_json(base_station(R"(, {"id": "tank", "type": "Tnak_A"})", R"(, "truss.0": "tank.0")")),
                     {"block \"tank\"", "type", "\"Tnak_A\"", "did you mean \"Tank_A\"?"});
}

TEST(Validation, TypoInParameterNameSuggestsTheClosest) {
    expect_one_error(
        load_json(base_station(R"(, {"id": "tank", "type": "Tank_A", "params": {"Lenght": 12}})", R"(, "truss.0": "tank.0")")),
        {"block \"tank\" (Tank_A)", "parameter \"Lenght\"", "did you mean \"Length\"?"});
}

TEST(Validation, LinkToAPortThatDoesNotExist) {
    // A Tank_A has ports 0 and 1 only.
    expect_one_error(load_json(base_station(R"(, {"id": "tank", "type": "Tank_A"})", R"(, "truss.0": "tank.5")")),
                     {"block \"tank\" (Tank_A)", "no port 5", "ports are 0 to 1"});
}

TEST(Validation, PortKindsThatDiffer) {
    // truss.3 is a side port of kind 2; a tank's end is kind 1.
    expect_one_error(load_json(base_station(R"(, {"id": "tank", "type": "Tank_A"})", R"(, "truss.3": "tank.0")")),
                     {"\"truss.3\"", "\"tank.0\"", "port kinds differ", "kind 2", "kind 1"});
}

TEST(Validation, PortLinkedTwice) {
    expect_one_error(load_json(base_station(R"(, {"id": "tank", "type": "Tank_A"}, {"id": "tank2", "type": "Tank_B"})",
                                            R"(, "truss.0": "tank.0", "tank2.0": "truss.0")")),
                     {"\"truss.0\"", "linked twice", "\"tank.0\"", "\"tank2.0\""});
    // The same port twice as a key of "links".
    expect_one_error(load_json(base_station(R"(, {"id": "tank", "type": "Tank_A"}, {"id": "tank2", "type": "Tank_B"})",
                                            R"(, "truss.0": "tank.0", "truss.0": "tank2.0")")),
                     {"\"truss.0\"", "linked twice"});
}

TEST(Validation, UnreachableBlock) {
    expect_one_error(load_json(base_station(R"(, {"id": "lost", "type": "Tank_A"})")),
                     {"block \"lost\" (Tank_A)", "not connected to the root", "\"core\""});
}

TEST(Validation, CycleIsAnErrorNamingTheClosingLink) {
    // core - hab - truss - tank ... and the tank's far end back to the hab's other side port.
    expect_one_error(load_json(base_station(R"(, {"id": "tank", "type": "Tank_A"})",
                                            R"(, "truss.0": "tank.0", "tank.1": "hab.3")")),
                     {"closes a cycle", "\"truss\" - \"hab\" - \"tank\"", "tree"});
}

TEST(Validation, HardLimitIsAnErrorAndCatalogueRangeAWarning) {
    const Loaded beyond = load_json(R"({"blocks": [{"id": "t", "type": "Truss_A", "params": {"Block_count": 100000}}]})");
    expect_one_error(beyond, {"block \"t\" (Truss_A)", "parameter \"Block_count\"", "hard limit"});

    const Loaded outside = load_json(R"({"blocks": [{"id": "t", "type": "Truss_A", "params": {"Block_count": 40}}]})");
    EXPECT_TRUE(outside.ok);
    ASSERT_EQ(outside.warnings().size(), 1u);
    EXPECT_NE(outside.warnings()[0].find("parameter \"Block_count\""), std::string::npos);
    EXPECT_NE(outside.warnings()[0].find("outside the catalogue range 1 to 28"), std::string::npos);
    EXPECT_EQ(outside.st.station.records[0].ports.size(), 4u * 40 + 2);
}

TEST(Validation, ValuesOfTheWrongKind) {
    expect_one_error(load_json(R"({"blocks": [{"id": "h", "type": "Hab_A", "params": {"Windows": true}}]})"),
                     {"block \"h\" (Hab_A)", "parameter \"Windows\"", "only for switches"});
    expect_one_error(load_json(R"({"blocks": [{"id": "h", "type": "Hab_A", "params": {"Round": "yes"}}]})"),
                     {"parameter \"Round\"", "true or false"});
}

TEST(Validation, ParametersAndTypesById) {
    const Loaded l = load_json(R"({"blocks": [{"id": "h", "type": 51, "params": {"3": 12, "round": false}}]})");
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.st.station.records[0].params.size(), 2u);
    EXPECT_EQ(l.st.station.records[0].params[0].id, 3);
    EXPECT_EQ(l.st.station.records[0].params[1].value, -1.0);
}

TEST(Validation, BlobFaultsNameRecordAndField) {
    // A one-sided link in a blob: block 0 names (1, 0) but block 1's port 0 is free.
    BlobStation st;
    st.block_count = 2;
    st.records = {BlobRecord{0, 71, {}, {{1, 1, 0}, {0, -1, -1}}}, BlobRecord{1, 72, {}, {{0, -1, -1}, {0, -1, -1}}}};
    expect_one_error(load_blob(encode_blob(st)), {"\"0.0\"", "\"1.0\"", "one-sided"});
    // A repeated block id.
    st.records = {BlobRecord{0, 71, {}, {}}, BlobRecord{0, 72, {}, {}}};
    expect_one_error(load_blob(encode_blob(st)), {"record 1", "block id 0 repeated"});
    // A link target outside the table.
    st.records = {BlobRecord{0, 71, {}, {{1, 9, 0}}}};
    st.block_count = 1;
    expect_one_error(load_blob(encode_blob(st)), {"record 0", "port entry 0", "link target block 9 outside"});
    // A non-finite value.
    st.records = {BlobRecord{0, 71, {{1, NAN}}, {}}};
    expect_one_error(load_blob(encode_blob(st)), {"parameter \"Length\"", "not a finite number"});
    // A wrong magic.
    std::vector<uint8_t> blob = encode_blob(st);
    blob[0] = 2;
    expect_one_error(load_blob(blob), {"wrong magic"});
}

TEST(Validation, EveryTruncatedBlobIsRefusedWithOneMessage) {
    const Loaded l = load_json(read_text(std::string(QUILBET_SOURCE_DIR) + "/examples/small_station.json"));
    ASSERT_TRUE(l.ok);
    const std::vector<uint8_t> blob = encode_blob(l.st.station);
    // Record boundaries: a blob cut there is a shorter, well-formed blob.
    std::vector<size_t> boundaries;
    size_t at = 8;
    for (const BlobRecord& r : l.st.station.records) {
        at += 16 + 12 * r.params.size();
        for (const BlobPort& p : r.ports) at += p.flag ? 12 : 4;
        boundaries.push_back(at);
    }
    ASSERT_EQ(at, blob.size());
    for (size_t len = 0; len < blob.size(); ++len) {
        SCOPED_TRACE(len);
        BlobStation st;
        const BlobRead read = read_blob(blob.data(), static_cast<int64_t>(len), false, st);
        const bool boundary = std::find(boundaries.begin(), boundaries.end(), len - len % 4) != boundaries.end();
        EXPECT_EQ(read.ok, boundary) << read.reason;
        if (len % 4 != 0 || !boundary) {
            const Loaded cut = load_blob(std::vector<uint8_t>(blob.begin(), blob.begin() + static_cast<long>(len)));
            expect_one_error(cut, {});
            const std::string why = cut.errors().empty() ? "" : cut.errors()[0];
            if (len % 4 != 0 && boundary) {
                EXPECT_NE(why.find("whole number of 32-bit words"), std::string::npos) << why;
            } else if (len >= 12) {
                EXPECT_NE(why.find("cut by the end"), std::string::npos) << why;
            }
        }
    }
}

TEST(Validation, HostileCountsAreRefusedWithoutAllocating) {
    BlobStation st;
    st.block_count = 1;
    st.records = {BlobRecord{0, 71, {}, {}}};
    std::vector<uint8_t> blob = encode_blob(st);
    // P = 0x7FFFFFFF with nothing behind it.
    blob[16] = 0xFF, blob[17] = 0xFF, blob[18] = 0xFF, blob[19] = 0x7F;
    expect_one_error(load_blob(blob), {"record 0 (word 2)", "parameter count P = 2147483647", "outside"});
    // N far beyond the hard limit.
    blob = encode_blob(st);
    blob[4] = 0xFF, blob[5] = 0xFF, blob[6] = 0xFF, blob[7] = 0x7F;
    expect_one_error(load_blob(blob), {"block count N = 2147483647", "outside"});
}

TEST(Validation, SyntaxAndStructureErrors) {
    expect_one_error(load_json(R"({"blocks": [)"), {"JSON syntax"});
    expect_one_error(load_json(R"({"blocks": [{"id": "a", "type": "Tank_A"}], "linx": {}})"),
                     {"unknown key \"linx\"", "did you mean \"links\"?"});
    expect_one_error(load_json(R"({"blocks": [{"id": "a", "type": "Tank_A"}], "links": {"a.0": "b.1"}})"),
                     {"\"b.1\"", "no block has the id \"b\""});
    expect_one_error(load_json(R"({"blocks": [{"id": "a", "type": "Tank_A"}, {"id": "a", "type": "Tank_B"}]})"),
                     {"block \"a\"", "used by two blocks"});
}

}  // namespace
}  // namespace quilbet

namespace quilbet {
namespace {

// The editor schema lists every type with exactly the catalogue's parameter names.
TEST(Schema, MatchesTheCatalogue) {
    const auto schema = nlohmann::json::parse(read_text(std::string(QUILBET_SOURCE_DIR) + "/schema/station.schema.json"));
    const auto& rules = schema["$defs"]["block"]["allOf"];
    ASSERT_EQ(rules.size(), block_types().size());
    for (size_t i = 0; i < rules.size(); ++i) {
        const BlockTypeSpec& t = block_types()[i];
        EXPECT_EQ(rules[i]["if"]["properties"]["type"]["enum"][0], std::string(t.name));
        EXPECT_EQ(rules[i]["if"]["properties"]["type"]["enum"][1], t.btype());
        const auto& props = rules[i]["then"]["properties"]["params"]["properties"];
        ASSERT_EQ(props.size(), t.params.size()) << t.name;
        for (const ParamSpec& p : t.params) EXPECT_TRUE(props.contains(p.name)) << t.name << " " << p.name;
    }
}

}  // namespace
}  // namespace quilbet
