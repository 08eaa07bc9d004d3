// Blob check: structure, values, budget.
#include "entry/blob_check.hpp"

#include "entry/station_budget.hpp"

namespace quilbet {

namespace {

BlobCheck refuse(std::string reason) {
    BlobCheck c;
    c.reason = std::move(reason);
    return c;
}

// Empty when value is acceptable for parameter id of type t, else why not.
std::string check_value(const BlockTypeSpec& t, int32_t id, double value) {
    static const ParamSpec unknown{"", 0, ParamKind::real, 0, 0, 0};
    const ParamSpec* p = t.param(id);
    const std::string problem = hard_limit_problem(p != nullptr ? *p : unknown, value);
    if (problem.empty() || p == nullptr) return problem;
    return std::string("\"") + p->name + "\" " + problem;
}

}  // namespace

BlobCheck check_blob(const Catalogue& cat, const void* blob, int32_t length) {
    BlobCheck c;
    const BlobRead read = read_blob(blob, length, true, c.station);
    if (!read.ok) {
        BlobCheck r = refuse(read.reason);
        r.wrong_magic = read.wrong_magic;
        return r;
    }
    for (std::size_t i = 0; i < c.station.records.size(); ++i) {
        const BlobRecord& r = c.station.records[i];
        const int32_t entry = cat.find_type(r.btype);
        if (entry < 0) {
            c.note = "record " + std::to_string(i) + " (word " + std::to_string(r.word) + "): type id " +
                     std::to_string(r.btype) + " is not in the catalogue; the station is cleared and has no blocks";
            break;
        }
        const BlockTypeSpec* spec = find_block_type(r.btype);
        for (std::size_t k = 0; k < r.params.size(); ++k) {
            const BlobParam& p = r.params[k];
            const std::string bad = check_value(*spec, p.id, p.value);
            if (!bad.empty()) {
                return refuse("record " + std::to_string(i) + " (word " + std::to_string(r.word) + "), parameter entry " +
                              std::to_string(k) + " (id " + std::to_string(p.id) + "): " + bad);
            }
        }
        c.figures += block_build_figures(type_instance(*spec, r.params));
    }
    c.reason = station_budget_problem(c.figures);
    c.accepted = c.reason.empty();
    if (!c.accepted) {
        c.note.clear();
        c.station = BlobStation{};
    }
    return c;
}

}  // namespace quilbet
