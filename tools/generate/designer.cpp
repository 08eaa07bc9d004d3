// The designer's placement of pieces, its counts and its port queries.
#include "generate/designer.hpp"

#include <algorithm>
#include <cmath>

namespace quilbet {
namespace {

int64_t grid(double v) { return std::llround(v * 64.0); }

}  // namespace

bool is_power(BlockType t) {
    const Category c = type_spec(t).category;
    return c == Category::power || c == Category::solar;
}

bool is_docking(BlockType t) {
    return t == BlockType::dg_hab_port || t == BlockType::dg_aux_port_a || t == BlockType::dg_aux_port_b;
}

Designer::Designer(StationGrower& g, SeededRandom& r, const Palette& p, int32_t target, SymmetrySetting symmetry_setting,
                   const GenerateConstraints& c)
    : grower(g), rng(r), palette(p), target_(target), setting_(symmetry_setting), constraints_(c) {}

int32_t Designer::start(const BlockChoice& root, int32_t axis_port, int32_t mirror_port) {
    grower.start(root);
    const Vec3 hint = grower.port_direction({0, setting_.kind == SymmetryKind::mirror ? mirror_port : axis_port});
    if (!symmetry.from_root(grower, setting_, hint, problem_)) halted_ = true;
    return 0;
}

bool Designer::count_allows(int32_t n) {
    if (unlimited_) return true;
    if (halted_) return false;
    const int32_t limit = upper() - still_required();
    const int32_t after = count() + n;
    // Past the count the piece halts the station, unless it brings the
    // station nearer the count than stopping short would.
    if (after > limit && !(count() < target_ && after - target_ < target_ - count())) halted_ = true;
    return !halted_;
}

bool Designer::constraints_allow(const BlockChoice& choice, int32_t n) const {
    for (const Requirement& r : constraints_.requirements) {
        if (r.counts(choice.type) && counted(r) + n > r.max) return false;
    }
    if (constraints_.docking >= 0 && is_docking(choice.type) && free_docking() + n > constraints_.docking) return false;
    return true;
}

int32_t Designer::still_required() const {
    int32_t need = 0;
    for (const Requirement& r : constraints_.requirements) need += std::max(0, r.min - counted(r));
    if (constraints_.docking > 0) need += std::max(0, constraints_.docking - free_docking());
    return need;
}

bool Designer::within_max_size() const {
    if (!constraints_.has_max_size) return true;
    const Box3 b = grower.bounds();
    const Vec3& m = constraints_.max_size;
    return b.hi[0] - b.lo[0] <= m.x && b.hi[1] - b.lo[1] <= m.y && b.hi[2] - b.lo[2] <= m.z;
}

bool Designer::place(const std::vector<PortRef>& at, const BlockChoice& choice, int32_t child_port, std::vector<int32_t>* ids) {
    // Every port and its twins, each once; all must be free.
    std::vector<PortRef> ports;
    for (const PortRef& p : at) {
        if (!grower.port_free(p)) return false;
        const std::vector<PortRef> orbit = symmetry.orbit(grower, p);
        if (orbit.empty()) return false;
        for (const PortRef& q : orbit) {
            if (std::none_of(ports.begin(), ports.end(), [&](const PortRef& o) { return o.block == q.block && o.port == q.port; })) {
                ports.push_back(q);
            }
        }
    }
    const int32_t n = static_cast<int32_t>(ports.size());
    if (!constraints_allow(choice, n) || !count_allows(n)) return false;
    const int32_t mark = grower.mark();
    std::vector<int32_t> placed;
    for (const PortRef& p : ports) {
        const int32_t id = grower.affordable(choice) ? grower.attach(p, choice, child_port) : -1;
        if (id < 0) {
            grower.rollback(mark);
            return false;
        }
        placed.push_back(id);
    }
    if (!within_max_size()) {
        grower.rollback(mark);
        return false;
    }
    if (ids != nullptr) {
        ids->clear();
        for (const PortRef& p : at) {
            const auto it = std::find_if(ports.begin(), ports.end(), [&](const PortRef& o) { return o.block == p.block && o.port == p.port; });
            ids->push_back(placed[static_cast<size_t>(it - ports.begin())]);
        }
    }
    return true;
}

int32_t Designer::add(PortRef at, const BlockChoice& choice, int32_t child_port) {
    std::vector<int32_t> ids;
    return place({at}, choice, child_port, &ids) ? ids[0] : -1;
}

int32_t Designer::habitats() const {
    int32_t n = 0;
    for (int32_t b = 0; b < count(); ++b) n += is_habitat(grower.type_of(b)) ? 1 : 0;
    return n;
}

int32_t Designer::power() const {
    int32_t n = 0;
    for (int32_t b = 0; b < count(); ++b) n += is_power(grower.type_of(b)) ? 1 : 0;
    return n;
}

int32_t Designer::free_docking() const {
    int32_t n = 0;
    for (int32_t b = 0; b < count(); ++b) n += static_cast<int32_t>(free_ports(b, PortKind::docking).size());
    return n;
}

int32_t Designer::counted(const Requirement& r) const {
    int32_t n = 0;
    for (int32_t b = 0; b < count(); ++b) n += r.counts(grower.type_of(b)) ? 1 : 0;
    return n;
}

std::vector<PortRef> Designer::free_ports(int32_t block, PortKind kind) const {
    std::vector<PortRef> out;
    for (int32_t k = 0; k < grower.port_count(block); ++k) {
        const PortRef p{block, k};
        if (grower.port_free(p) && grower.port_kind(p) == static_cast<int32_t>(kind)) out.push_back(p);
    }
    return out;
}

std::vector<PortRef> Designer::free_ports_outermost(PortKind kind) const {
    std::vector<std::pair<int64_t, PortRef>> found;
    for (int32_t b = 0; b < count(); ++b) {
        for (const PortRef& p : free_ports(b, kind)) found.push_back({reach(p), p});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    std::vector<PortRef> out;
    for (const auto& f : found) out.push_back(f.second);
    return out;
}

int64_t Designer::reach(PortRef p) const {
    const Vec3 v = grower.port_position(p);
    const int64_t x = grid(v.x), y = grid(v.y), z = grid(v.z);
    return x * x + y * y + z * z;
}

bool Designer::faces_out(PortRef p) const {
    const Vec3 v = grower.port_position(p);
    const Vec3 d = grower.port_direction(p);
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len < 1.0) return true;
    return (v.x * d.x + v.y * d.y + v.z * d.z) > 0.5 * len;
}

}  // namespace quilbet
