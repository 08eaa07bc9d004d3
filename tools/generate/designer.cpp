// The designer's placement of pieces, its counts and its port queries.
#include "generate/designer.hpp"

#include <algorithm>
#include <cmath>

#include "station/port_symmetry.hpp"

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
    powered_ends_.clear();
    note_piece_end();
    return 0;
}

bool Designer::start_from(const BlobStation& kept) {
    problem_ = grower.start_from(kept);
    if (problem_.empty()) symmetry.from_root(grower, setting_, grower.port_direction({0, 0}), problem_);
    halted_ = !problem_.empty();
    powered_ends_.clear();
    if (!halted_) note_piece_end();
    return !halted_;
}

void Designer::forget_powered_ends_after(int32_t n) {
    while (!powered_ends_.empty() && powered_ends_.back() > n) powered_ends_.pop_back();
}

void Designer::note_piece_end() {
    forget_powered_ends_after(count() - 1);
    if (power() >= habitats()) powered_ends_.push_back(count());
}

int32_t Designer::take_back_to_power() {
    forget_powered_ends_after(count());
    if (power() >= habitats() || powered_ends_.empty()) return 0;
    const int32_t taken = count() - powered_ends_.back();
    grower.rollback(powered_ends_.back());
    return taken;
}

bool Designer::count_allows(int32_t n, const BlockChoice& choice) {
    if (unlimited_) return true;
    if (halted_) return false;
    // Room is kept for the power the habitats still lack: any piece but one
    // that brings power (or a piece of power) counts it against the count.
    const bool pays = paying_ || is_power(choice.type);
    const int32_t debt = pays ? 0 : std::max(0, habitats() + (is_habitat(choice.type) ? n : 0) - power());
    const int32_t limit = upper() - still_required() - debt;
    const int32_t after = count() + n;
    const int32_t before = piece_depth_ > 0 ? piece_start_ : count();
    // Past the count the piece halts the station, unless it brings the
    // station nearer the count than stopping short would: a station ends
    // within half a piece of its count (or a tenth above it).
    if (after > limit && !(debt == 0 && before < target_ && after - target_ < target_ - before)) {
        halted_ = true;
        largest_piece_ = std::max(largest_piece_, after + debt - before);   // the piece with the power it needs
    }
    return !halted_;
}

bool Designer::constraints_allow(const BlockChoice& choice, int32_t n) {
    const auto refuse = [&](std::string option) {
        if (capped_by_.empty() && !unlimited_) capped_by_ = std::move(option);
        return false;
    };
    for (const Requirement& r : constraints_.requirements) {
        if (r.counts(choice.type) && counted(r) + n > r.max) {
            return refuse("--require " + r.name + "=" + std::to_string(r.min) + (r.min == r.max ? "" : ".." + std::to_string(r.max)));
        }
    }
    if (constraints_.docking >= 0 && is_docking(choice.type) && free_docking() + n > constraints_.docking) {
        return refuse("--docking " + std::to_string(constraints_.docking));
    }
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

// Ports of the twin that lie off the images of the original's ports: 0
// when the twin is the original's image under the transform.
int32_t Designer::misplaced_ports(int32_t original, int32_t twin, int32_t transform) const {
    int32_t off = 0;
    for (int32_t k = 0; k < grower.port_count(original); ++k) {
        const Vec3 pos = symmetry.map_point(transform, grower.port_position({original, k}));
        const Vec3 dir = symmetry.map_direction(transform, grower.port_direction({original, k}));
        bool found = false;
        for (int32_t j = 0; j < grower.port_count(twin) && !found; ++j) {
            found = grower.port_kind({twin, j}) == grower.port_kind({original, k}) &&
                    vec_len(vec_sub(grower.port_position({twin, j}), pos)) < port_position_tolerance &&
                    vec_len(vec_sub(grower.port_direction({twin, j}), dir)) < 1e-3;
        }
        off += found ? 0 : 1;
    }
    return off;
}

int32_t Designer::attach_twin(PortRef at, const BlockChoice& choice, int32_t child_port, int32_t original, int32_t transform) {
    const int32_t first = grower.attach(at, choice, child_port);
    if (first >= 0 && misplaced_ports(original, first, transform) == 0) return first;
    // The ports around the twin's parent need not have their up vectors
    // turned with them: try the child's other ports of this kind and keep
    // the one that makes the twin the original's image, else the first that fits.
    const blocktyp probe = make_instance(choice);
    int32_t best_port = first >= 0 ? child_port : -1;
    int32_t best_off = first >= 0 ? misplaced_ports(original, first, transform) : grower.port_count(original) + 1;
    if (first >= 0) grower.rollback(first);
    for (int32_t k = 0; k < probe.nports && best_off > 0; ++k) {
        if (k == child_port || probe.ports[static_cast<size_t>(k)].kind != grower.port_kind(at)) continue;
        const int32_t id = grower.attach(at, choice, k);
        if (id < 0) continue;
        const int32_t off = misplaced_ports(original, id, transform);
        grower.rollback(id);
        if (off < best_off) {
            best_off = off;
            best_port = k;
        }
    }
    return best_port >= 0 ? grower.attach(at, choice, best_port) : -1;
}

bool Designer::place(const std::vector<PortRef>& at, const BlockChoice& choice, int32_t child_port, std::vector<int32_t>* ids) {
    // Every port and its twins, each once; all must be free. A twin goes to
    // the image of its original's port under its transform.
    struct Slot {
        PortRef port;
        int32_t transform = 0;
        size_t original = 0;
    };
    std::vector<Slot> slots;
    // Piece ends above the count were taken back since.
    forget_powered_ends_after(count());
    for (const PortRef& p : at) {
        if (!grower.port_free(p)) return false;
        const auto orbit = symmetry.orbit_transforms(grower, p);
        if (orbit.empty()) return false;
        const size_t original = slots.size();
        for (const auto& [q, t] : orbit) {
            if (std::none_of(slots.begin(), slots.end(), [&](const Slot& o) { return o.port.block == q.block && o.port.port == q.port; })) {
                slots.push_back({q, t, original});
            }
        }
    }
    const int32_t n = static_cast<int32_t>(slots.size());
    if (!constraints_allow(choice, n) || !count_allows(n, choice)) return false;
    const int32_t mark = grower.mark();
    std::vector<int32_t> placed;
    for (const Slot& s : slots) {
        int32_t id = -1;
        if (grower.affordable(choice)) {
            id = s.transform == 0 ? grower.attach(s.port, choice, child_port)
                                  : attach_twin(s.port, choice, child_port, placed[s.original], s.transform);
        }
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
    largest_piece_ = std::max(largest_piece_, count() - (piece_depth_ > 0 ? std::min(piece_start_, mark) : mark));
    if (piece_depth_ == 0) note_piece_end();
    if (ids != nullptr) {
        ids->clear();
        for (const PortRef& p : at) {
            const auto it = std::find_if(slots.begin(), slots.end(), [&](const Slot& o) { return o.port.block == p.block && o.port.port == p.port; });
            ids->push_back(placed[static_cast<size_t>(it - slots.begin())]);
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
