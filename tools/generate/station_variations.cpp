// Variations of a station: designs grouped by equal values, a few redrawn,
// each draw checked as `quilbet describe` checks a description.
#include "generate/station_variations.hpp"

#include <algorithm>
#include <map>

#include "entry/blob.hpp"
#include "generate/designer.hpp"
#include "generate/seeded_random.hpp"
#include "generate/station_palette.hpp"
#include "generate/station_survey.hpp"
#include "station/load_station.hpp"

namespace quilbet {
namespace {

using T = BlockType;

// The types whose designs the generator varies (vary_palette); the test
// article counts as power but has no design to draw.
bool may_vary(BlockType type) {
    return type != T::test_article && (is_habitat(type) || is_power(type) || type == T::tank_a || type == T::tank_b);
}

// A new design of the same type, different from `old`: a habitat keeps its
// length, as the generator's variations keep it, so what hangs from its ends stays put.
BlockChoice redraw_design(const BlockChoice& old, SeededRandom& rng) {
    BlockChoice fresh = old;
    for (int32_t attempt = 0; attempt < 8 && fresh == old; ++attempt) {
        fresh = draw_design(old.type, rng);
        if (is_habitat(old.type)) {
            for (const BlobParam& p : old.params) {
                if (p.id == param::hab_length) fresh.set(p.id, p.value);
            }
        }
    }
    return fresh;
}

// Writes a design's values into a record: written parameters take their new
// value in place; a value that changed and was not written is added.
void write_design(BlobRecord& r, const BlockChoice& old, const BlockChoice& fresh) {
    for (size_t i = 0; i < fresh.params.size(); ++i) {
        const BlobParam& p = fresh.params[i];
        auto written = std::find_if(r.params.begin(), r.params.end(), [&](const BlobParam& q) { return q.id == p.id; });
        if (written != r.params.end()) written->value = p.value;
        else if (p.value != old.params[i].value) r.params.push_back(p);
    }
}

uint64_t station_hash(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

std::set<std::pair<int32_t, int32_t>> overlap_pairs(const BlobStation& st, ShapeCache& cache) {
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (const BlockOverlap& o : survey_station(st, cache).overlaps) pairs.emplace(o.a, o.b);
    return pairs;
}

}  // namespace

StationVariations::StationVariations(const StationText& station, ShapeCache& cache)
    : station_(station), cache_(cache), seed_(station_hash(encode_blob(station.station))) {
    const std::vector<BlobRecord>& records = station_.station.records;
    std::map<BlockChoice, size_t> design_of;   // a design's place in designs_
    for (size_t i = 0; i < records.size(); ++i) {
        values_.push_back(choice_of_record(records[i]));
        if (!may_vary(values_.back().type)) continue;
        const auto [at, fresh] = design_of.emplace(values_.back(), designs_.size());
        if (fresh) designs_.emplace_back();
        designs_[at->second].push_back(static_cast<int32_t>(i));
    }
    overlapping_ = overlap_pairs(station_.station, cache_);
}

StationVariation StationVariations::make(int32_t variation, std::chrono::steady_clock::time_point give_up) const {
    StationVariation out;
    if (designs_.empty()) {
        out.why = "the station has no habitat, power wing, solar wing, panel or tank whose design could change";
        return out;
    }
    SeededRandom rng(seed_, 0x76617279ULL << 32 | static_cast<uint32_t>(variation));
    const int32_t available = static_cast<int32_t>(designs_.size());
    for (; out.draws < variation_draws; ++out.draws) {
        if (std::chrono::steady_clock::now() > give_up) {
            out.why = "out of time after " + std::to_string(out.draws) + " draws";
            return out;
        }
        // Two or three designs, chosen by a partial shuffle.
        std::vector<int32_t> order(designs_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
        const int32_t n = std::min(rng.between(2, 3), available);
        for (int32_t i = 0; i < n; ++i) {
            const size_t pick = static_cast<size_t>(i) + rng.below(static_cast<uint32_t>(available - i));
            std::swap(order[static_cast<size_t>(i)], order[pick]);
        }
        StationText varied = station_;
        std::vector<int32_t> redrawn;
        int32_t changed = 0;
        for (int32_t d = 0; d < n; ++d) {
            const std::vector<int32_t>& members = designs_[static_cast<size_t>(order[static_cast<size_t>(d)])];
            const BlockChoice& old = values_[static_cast<size_t>(members.front())];
            const BlockChoice fresh = redraw_design(old, rng);
            if (fresh == old) continue;
            ++changed;
            for (int32_t index : members) {
                BlobRecord& r = varied.station.records[static_cast<size_t>(index)];
                write_design(r, old, fresh);
                redrawn.push_back(r.id);
            }
        }
        if (redrawn.empty()) continue;
        Diagnostics diag;
        if (!validate_station_text(varied, diag)) continue;
        const std::set<std::pair<int32_t, int32_t>> pairs = overlap_pairs(varied.station, cache_);
        if (!std::includes(overlapping_.begin(), overlapping_.end(), pairs.begin(), pairs.end())) continue;
        std::sort(redrawn.begin(), redrawn.end());
        out.found = true;
        out.text = std::move(varied);
        out.redrawn = std::move(redrawn);
        out.designs = changed;
        ++out.draws;
        return out;
    }
    out.why = "none of " + std::to_string(variation_draws) + " draws passed the checks without a new overlap";
    return out;
}

}  // namespace quilbet
