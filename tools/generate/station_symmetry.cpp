// Station symmetry from the root's port symmetries.
#include "generate/station_symmetry.hpp"

#include <cmath>

#include "station/port_symmetry.hpp"

namespace quilbet {
namespace {

constexpr double pi = 3.14159265358979323846;

Vec3 sym_times(const Mat3& m, Vec3 v) {
    return {m.m[0] * v.x + m.m[1] * v.y + m.m[2] * v.z, m.m[3] * v.x + m.m[4] * v.y + m.m[5] * v.z,
            m.m[6] * v.x + m.m[7] * v.y + m.m[8] * v.z};
}

Mat3 reflection(Vec3 n) {
    Mat3 r;
    const double v[3] = {n.x, n.y, n.z};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) r.m[3 * i + j] = (i == j ? 1.0 : 0.0) - 2.0 * v[i] * v[j];
    }
    return r;
}

// Right-handed turn by t about unit axis a.
Mat3 rotation(Vec3 a, double t) {
    const double c = std::cos(t), s = std::sin(t), k = 1.0 - c;
    Mat3 r;
    r.m[0] = c + a.x * a.x * k;       r.m[1] = a.x * a.y * k - a.z * s; r.m[2] = a.x * a.z * k + a.y * s;
    r.m[3] = a.y * a.x * k + a.z * s; r.m[4] = c + a.y * a.y * k;       r.m[5] = a.y * a.z * k - a.x * s;
    r.m[6] = a.z * a.x * k - a.y * s; r.m[7] = a.z * a.y * k + a.x * s; r.m[8] = c + a.z * a.z * k;
    return r;
}

double sym_dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

std::string symmetry_name(SymmetrySetting s) {
    switch (s.kind) {
    case SymmetryKind::none: return "none";
    case SymmetryKind::mirror: return "mirror";
    case SymmetryKind::radial: return "radial:" + std::to_string(s.order);
    }
    return "none";
}

bool parse_symmetry(const std::string& text, SymmetrySetting& s) {
    if (text == "none" || text == "mirror") {
        s = {text == "none" ? SymmetryKind::none : SymmetryKind::mirror, 0};
        return true;
    }
    const std::string prefix = "radial:";
    if (text.rfind(prefix, 0) != 0 || text.size() == prefix.size() || text.size() > prefix.size() + 2) return false;
    int32_t n = 0;
    for (size_t i = prefix.size(); i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = 10 * n + (text[i] - '0');
    }
    if (n < 2 || n > max_radial_order) return false;
    s = {SymmetryKind::radial, n};
    return true;
}

bool StationSymmetry::from_root(const StationGrower& grower, SymmetrySetting setting, Vec3 hint, std::string& why) {
    rots_.clear();
    if (setting.kind == SymmetryKind::none) return true;
    std::vector<PortDef> ports;
    for (int32_t k = 0; k < grower.port_count(0); ++k) {
        ports.push_back({grower.port_position({0, k}), grower.port_direction({0, k}), {}, static_cast<PortKind>(grower.port_kind({0, k}))});
    }
    const PortSymmetries s = find_port_symmetries(ports);
    centre_ = s.centre;
    const std::string root = type_spec(grower.type_of(0)).name;
    double best = -1;
    if (setting.kind == SymmetryKind::mirror) {
        for (const PortMirror& m : s.mirrors) {
            const double score = std::fabs(sym_dot(m.normal, hint));
            if (score > best + 1e-9) {
                best = score;
                rots_ = {reflection(m.normal)};
            }
        }
        if (rots_.empty()) why = "the root block, a " + root + ", has no mirror symmetry";
        return !rots_.empty();
    }
    const PortRotation* axis = nullptr;
    for (const PortRotation& r : s.rotations) {
        const double score = std::fabs(sym_dot(r.axis, hint));
        if (r.order % setting.order == 0 && score > best + 1e-9) {
            best = score;
            axis = &r;
        }
    }
    if (axis == nullptr) {
        why = "the root block, a " + root + ", has no " + std::to_string(setting.order) + "-fold symmetry";
        return false;
    }
    for (int32_t k = 1; k < setting.order; ++k) rots_.push_back(rotation(axis->axis, 2.0 * pi * k / setting.order));
    return true;
}

Vec3 StationSymmetry::map_point(int32_t transform, Vec3 q) const {
    if (transform == 0) return q;
    return vec_add(sym_times(rots_[static_cast<size_t>(transform - 1)], vec_sub(q, centre_)), centre_);
}

Vec3 StationSymmetry::map_direction(int32_t transform, Vec3 d) const {
    return transform == 0 ? d : sym_times(rots_[static_cast<size_t>(transform - 1)], d);
}

PortRef port_at(const StationGrower& grower, Vec3 position, Vec3 direction, int32_t kind) {
    for (int32_t b = 0; b < grower.count(); ++b) {
        for (int32_t k = 0; k < grower.port_count(b); ++k) {
            const PortRef q{b, k};
            if (grower.port_kind(q) != kind) continue;
            if (vec_len(vec_sub(grower.port_position(q), position)) > port_position_tolerance) continue;
            if (vec_len(vec_sub(grower.port_direction(q), direction)) > 1e3 * port_direction_tolerance) continue;
            return q;
        }
    }
    return {-1, -1};
}

std::vector<std::pair<PortRef, int32_t>> StationSymmetry::orbit_transforms(const StationGrower& grower, PortRef p) const {
    std::vector<std::pair<PortRef, int32_t>> out{{p, 0}};
    if (rots_.empty()) return out;
    const Vec3 pos = grower.port_position(p), dir = grower.port_direction(p);
    const int32_t kind = grower.port_kind(p);
    for (int32_t t = 1; t < size(); ++t) {
        const PortRef q = port_at(grower, map_point(t, pos), map_direction(t, dir), kind);
        if (q.block < 0 || !grower.port_free(q)) return {};
        bool seen = false;
        for (const auto& o : out) seen = seen || (o.first.block == q.block && o.first.port == q.port);
        if (!seen) out.push_back({q, t});
    }
    return out;
}

std::vector<PortRef> StationSymmetry::orbit(const StationGrower& grower, PortRef p) const {
    std::vector<PortRef> out;
    for (const auto& o : orbit_transforms(grower, p)) out.push_back(o.first);
    return out;
}

}  // namespace quilbet
