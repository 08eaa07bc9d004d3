// Variations of hand-made and generated stations: the same blocks, ids and
// links; two or three designs redrawn inside the catalogue's ranges, equal
// blocks kept equal; checked and overlap-free as the original; the same
// bytes for the same station and number.
#include <gtest/gtest.h>

#include <set>

#include "generate/generate.hpp"
#include "generate/generated_text.hpp"
#include "generate/station_survey.hpp"
#include "generate/station_variations.hpp"
#include "station/load_station.hpp"

namespace quilbet {
namespace {

StationText read(const std::string& text) {
    StationText st;
    Diagnostics diag;
    EXPECT_TRUE(parse_station_json(text, st, diag) && validate_station_text(st, diag)) << text.substr(0, 80);
    return st;
}

// A record's value of parameter `id`, written or the type's default.
double value_of(const BlobRecord& r, const ParamSpec& p) {
    for (const BlobParam& q : r.params) {
        if (q.id == p.id) return q.value;
    }
    return p.def;
}

std::vector<double> values(const BlobRecord& r) {
    std::vector<double> out;
    for (const ParamSpec& p : find_block_type(r.btype)->params) out.push_back(value_of(r, p));
    return out;
}

std::string written(const StationText& st) { return station_to_json(st).dump(2); }

std::set<std::pair<int32_t, int32_t>> overlaps(const BlobStation& st) {
    std::set<std::pair<int32_t, int32_t>> out;
    for (const BlockOverlap& o : survey_station(st).overlaps) out.emplace(o.a, o.b);
    return out;
}

TEST(StationVariations, KeepTheStationAndRedrawTwoOrThreeDesigns) {
    GenerateOptions generated;
    generated.seed = 7;
    generated.blocks = 30;
    const std::vector<std::pair<std::string, StationText>> stations = {
        {"large example", [] { StationText st; Diagnostics d; EXPECT_TRUE(load_station(std::string(QUILBET_SOURCE_DIR) + "/examples/large_station.json", st, d)); return st; }()},
        {"generated core 7", read(generated_json(generate_station(generated).station, generated))},
    };
    for (const auto& [name, original] : stations) {
        const StationVariations variations(original);
        const std::set<std::pair<int32_t, int32_t>> overlapping = overlaps(original.station);
        std::set<std::string> texts;
        for (int32_t k = 1; k <= 6; ++k) {
            const StationVariation v = variations.make(k);
            ASSERT_TRUE(v.found) << name << " K " << k << ": " << v.why;
            const std::string text = written(v.text);
            texts.insert(text);
            EXPECT_EQ(text, written(StationVariations(original).make(k).text)) << name << " K " << k << ": not repeatable";
            EXPECT_EQ(v.text.names, original.names);
            const auto& before = original.station.records;
            const auto& after = v.text.station.records;
            ASSERT_EQ(after.size(), before.size());
            std::set<std::pair<int32_t, std::vector<double>>> changed_designs;
            for (size_t i = 0; i < before.size(); ++i) {
                EXPECT_EQ(after[i].id, before[i].id);
                EXPECT_EQ(after[i].btype, before[i].btype);
                EXPECT_EQ(after[i].ports.size(), before[i].ports.size()) << name << " K " << k << " block " << i;
                for (size_t p = 0; p < before[i].ports.size() && p < after[i].ports.size(); ++p) {
                    EXPECT_EQ(after[i].ports[p].flag, before[i].ports[p].flag);
                    EXPECT_EQ(after[i].ports[p].block, before[i].ports[p].block);
                    EXPECT_EQ(after[i].ports[p].port, before[i].ports[p].port);
                }
                const std::vector<double> a = values(after[i]), b = values(before[i]);
                if (a != b) {
                    changed_designs.emplace(before[i].btype, b);
                    const auto& specs = find_block_type(after[i].btype)->params;
                    for (size_t p = 0; p < specs.size(); ++p) {
                        if (a[p] != b[p] && specs[p].kind != ParamKind::on_off) EXPECT_TRUE(a[p] >= specs[p].min && a[p] <= specs[p].max) << name << " " << specs[p].name << " " << a[p];
                    }
                }
                // Blocks that were equal stay equal.
                for (size_t j = 0; j < i; ++j) {
                    if (before[j].btype == before[i].btype && values(before[j]) == b) EXPECT_EQ(values(after[j]), a) << name << " K " << k;
                }
            }
            EXPECT_GE(changed_designs.size(), 2u) << name << " K " << k;
            EXPECT_LE(changed_designs.size(), 3u) << name << " K " << k;
            EXPECT_EQ(static_cast<size_t>(v.designs), changed_designs.size()) << name << " K " << k;
            Diagnostics diag;
            EXPECT_TRUE(validate_station_text(v.text, diag)) << name << " K " << k;
            const auto now = overlaps(v.text.station);
            EXPECT_TRUE(std::includes(overlapping.begin(), overlapping.end(), now.begin(), now.end())) << name << " K " << k;
        }
        EXPECT_EQ(texts.size(), 6u) << name << ": variations repeat";
    }
    // Nothing whose design may change: said so, no station made.
    const StationVariation none = StationVariations(read(R"({"blocks": [{"id": "n", "type": "Hab_Node_A"}]})")).make(1);
    EXPECT_FALSE(none.found);
    EXPECT_NE(none.why.find("no habitat"), std::string::npos) << none.why;
}

}  // namespace
}  // namespace quilbet
