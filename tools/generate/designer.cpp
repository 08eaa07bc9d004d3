// The designer's attach helpers and port queries.
#include "generate/designer.hpp"

#include <algorithm>
#include <cmath>

namespace quilbet {
namespace {

int64_t grid(double v) { return std::llround(v * 64.0); }

}  // namespace

Designer::Designer(StationGrower& g, SeededRandom& r, const Palette& p) : grower(g), rng(r), palette(p) {}

int32_t Designer::add(PortRef at, const BlockChoice& choice, int32_t child_port) {
    if (!room(1) || !grower.affordable(choice)) return -1;
    return grower.attach(at, choice, child_port);
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
