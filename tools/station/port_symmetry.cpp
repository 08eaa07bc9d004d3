// Port symmetries: candidate planes and axes, each tested by mapping every
// port and matching it to a distinct port of the same kind.
#include "station/port_symmetry.hpp"

#include <cmath>

#include "maths/maths.hpp"

namespace quilbet {
namespace {

constexpr double pi = 3.14159265358979323846;
// Two candidate normals or axes are the same line when their unit vectors
// agree this closely up to sign.
constexpr double same_line = 1e-9;

double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// v reflected in the plane through the origin with unit normal n.
Vec3 reflect(Vec3 v, Vec3 n) { return vec_sub(v, vec_scale(n, 2.0 * dot(v, n))); }

// v turned right-handedly by angle t about the unit axis a (Rodrigues).
Vec3 turn(Vec3 v, Vec3 a, double t) {
    const double c = std::cos(t), s = std::sin(t);
    return vec_add(vec_add(vec_scale(v, c), vec_scale(vec_cross(a, v), s)), vec_scale(a, dot(a, v) * (1.0 - c)));
}

// Unit vector along v, or false when v is too short to have a direction.
bool unit(Vec3 v, Vec3& out) {
    const double len = vec_len(v);
    if (len < 1e-9) return false;
    out = vec_scale(v, 1.0 / len);
    return true;
}

// Appends the line of v (when it has one) unless an equal line is listed.
void add_line(std::vector<Vec3>& lines, Vec3 v) {
    Vec3 u;
    if (!unit(v, u)) return;
    for (const Vec3& l : lines) {
        if (std::fabs(std::fabs(dot(l, u)) - 1.0) < same_line) return;
    }
    lines.push_back(u);
}

// Maps every port by `map_point` / `map_dir` (about the centre) and matches
// it to a distinct port of the same kind; the matching as image[k], or empty
// when some port has no match.
template <typename MapPoint, typename MapDir>
std::vector<int32_t> match_ports(const std::vector<PortDef>& ports, Vec3 centre, MapPoint map_point, MapDir map_dir) {
    std::vector<int32_t> image(ports.size(), -1);
    std::vector<bool> used(ports.size(), false);
    for (size_t k = 0; k < ports.size(); ++k) {
        const Vec3 p = vec_add(map_point(vec_sub(ports[k].pos, centre)), centre);
        const Vec3 d = map_dir(ports[k].dir);
        for (size_t j = 0; j < ports.size(); ++j) {
            if (used[j] || ports[j].kind != ports[k].kind) continue;
            if (vec_len(vec_sub(ports[j].pos, p)) > port_position_tolerance) continue;
            if (vec_len(vec_sub(ports[j].dir, d)) > port_direction_tolerance) continue;
            image[k] = static_cast<int32_t>(j);
            used[j] = true;
            break;
        }
        if (image[k] < 0) return {};
    }
    return image;
}

bool moves_some_port(const std::vector<int32_t>& image) {
    for (size_t k = 0; k < image.size(); ++k) {
        if (image[k] != static_cast<int32_t>(k)) return true;
    }
    return false;
}

// Index of the entry (among those `usable` accepts) whose line is most nearly
// parallel to `hint`; the first usable one breaks ties; -1 when none is usable.
template <typename Entries, typename LineOf, typename Usable>
int32_t most_parallel(const Entries& entries, Vec3 hint, LineOf line_of, Usable usable) {
    int32_t best = -1;
    double best_score = -1.0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!usable(entries[i])) continue;
        const double score = std::fabs(dot(line_of(entries[i]), hint));
        if (best < 0 || score > best_score + same_line) {
            best = static_cast<int32_t>(i);
            best_score = score;
        }
    }
    return best;
}

bool in_range(const PortSymmetries& s, int32_t port) {
    return port >= 0 && static_cast<size_t>(port) < s.offsets.size();
}

}  // namespace

PortSymmetries find_port_symmetries(const std::vector<PortDef>& ports) {
    PortSymmetries s;
    if (ports.empty()) return s;
    for (const PortDef& p : ports) s.centre = vec_add(s.centre, p.pos);
    s.centre = vec_scale(s.centre, 1.0 / static_cast<double>(ports.size()));
    for (const PortDef& p : ports) s.offsets.push_back(vec_sub(p.pos, s.centre));

    // Mirror planes: the block's axes, then the normals that would take one
    // port of a kind onto another (position and direction differences).
    std::vector<Vec3> normals{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (size_t i = 0; i < ports.size(); ++i) {
        for (size_t j = i + 1; j < ports.size(); ++j) {
            if (ports[i].kind != ports[j].kind) continue;
            add_line(normals, vec_sub(ports[i].pos, ports[j].pos));
            add_line(normals, vec_sub(ports[i].dir, ports[j].dir));
        }
    }
    for (const Vec3& n : normals) {
        std::vector<int32_t> image = match_ports(
            ports, s.centre, [&](Vec3 v) { return reflect(v, n); }, [&](Vec3 v) { return reflect(v, n); });
        if (!image.empty()) s.mirrors.push_back({n, std::move(image)});
    }

    // Rotation axes: the block's axes, the lines where two mirror planes
    // meet, and the lines through the centre and a port or along a port.
    std::vector<Vec3> axes{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}};
    for (size_t i = 0; i < s.mirrors.size(); ++i) {
        for (size_t j = i + 1; j < s.mirrors.size(); ++j) add_line(axes, vec_cross(s.mirrors[i].normal, s.mirrors[j].normal));
    }
    for (const PortDef& p : ports) {
        add_line(axes, vec_sub(p.pos, s.centre));
        add_line(axes, p.dir);
    }
    for (const Vec3& a : axes) {
        // The largest order whose turn is a symmetry: every order that works
        // divides it, so trying from the top finds it first.
        for (int32_t order = max_radial_order; order >= 2; --order) {
            const double t = 2.0 * pi / order;
            std::vector<int32_t> step = match_ports(
                ports, s.centre, [&](Vec3 v) { return turn(v, a, t); }, [&](Vec3 v) { return turn(v, a, t); });
            if (step.empty()) continue;
            if (moves_some_port(step)) s.rotations.push_back({a, order, std::move(step)});
            break;
        }
    }
    return s;
}

std::vector<int32_t> mirror_equivalents(const PortSymmetries& s, int32_t port, Vec3 towards) {
    if (!in_range(s, port)) return {};
    // Without a hint, the port's own offset from the centre (a port at the
    // centre has no preference: the first plane that moves it).
    Vec3 hint;
    if (!unit(towards, hint) && !unit(s.offsets[static_cast<size_t>(port)], hint)) hint = {};
    const int32_t best = most_parallel(
        s.mirrors, hint, [](const PortMirror& m) { return m.normal; },
        [&](const PortMirror& m) { return m.image[static_cast<size_t>(port)] != port; });
    if (best < 0) return {port};
    return {port, s.mirrors[static_cast<size_t>(best)].image[static_cast<size_t>(port)]};
}

std::vector<int32_t> radial_equivalents(const PortSymmetries& s, int32_t port, int32_t n, Vec3 axis_hint) {
    if (!in_range(s, port)) return {};
    if (n < 2) return {port};
    Vec3 hint, offset;
    const bool hinted = unit(axis_hint, hint);
    const bool off_centre = unit(s.offsets[static_cast<size_t>(port)], offset);
    int32_t best = -1;
    double best_score = 0;
    for (size_t i = 0; i < s.rotations.size(); ++i) {
        const PortRotation& r = s.rotations[i];
        if (r.order % n != 0 || r.step[static_cast<size_t>(port)] == port) continue;
        const double score = hinted ? std::fabs(dot(r.axis, hint)) : off_centre ? 1.0 - std::fabs(dot(r.axis, offset)) : 0.0;
        if (best < 0 || score > best_score + same_line) {
            best = static_cast<int32_t>(i);
            best_score = score;
        }
    }
    if (best < 0) return {port};
    const PortRotation& r = s.rotations[static_cast<size_t>(best)];
    // One turn of 2 pi / n is order / n steps of 2 pi / order.
    std::vector<int32_t> out{port};
    int32_t at = port;
    for (int32_t turn_index = 1; turn_index < n; ++turn_index) {
        for (int32_t k = 0; k < r.order / n; ++k) at = r.step[static_cast<size_t>(at)];
        out.push_back(at);
    }
    return out;
}

int32_t largest_radial_order(const PortSymmetries& s, int32_t port) {
    if (!in_range(s, port)) return 0;
    int32_t best = 0;
    for (const PortRotation& r : s.rotations) {
        if (r.step[static_cast<size_t>(port)] != port && r.order > best) best = r.order;
    }
    return best;
}

}  // namespace quilbet
