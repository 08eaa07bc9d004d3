// A station's symmetry: the mirror plane or the N-fold axis of its root
// block, found by the port-symmetry rule, applied to the whole station. A
// block placed at a port has its twins, with equal parameters, at the images
// of that port; a port's images are found among the station's free ports by
// position, direction and kind, with the rule's tolerances.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "generate/station_grower.hpp"

namespace quilbet {

enum class SymmetryKind { none, mirror, radial };

struct SymmetrySetting {
    SymmetryKind kind = SymmetryKind::none;
    int32_t order = 0;   // radial: N >= 2
    bool operator==(const SymmetrySetting& o) const { return kind == o.kind && order == o.order; }
};

// "none", "mirror", "radial:N".
std::string symmetry_name(SymmetrySetting s);
// Reads "none", "mirror" or "radial:N" (N 2 .. 12); false for anything else.
bool parse_symmetry(const std::string& text, SymmetrySetting& s);

class StationSymmetry {
public:
    // No symmetry: every port is its own orbit.
    StationSymmetry() = default;

    // The symmetry of the setting about the grower's root (block 0, placed):
    // the root's mirror plane whose normal is most nearly parallel to `hint`,
    // or its axis of an order N divides most nearly parallel to `hint`. False,
    // with why, when the root has no such plane or axis.
    bool from_root(const StationGrower& grower, SymmetrySetting setting, Vec3 hint, std::string& why);

    // The ports a block at `p` and its twins go to: p first, then its images
    // under the other transforms, each once. Empty when an image is not a free
    // port of the same kind (the twins cannot all be placed).
    std::vector<PortRef> orbit(const StationGrower& grower, PortRef p) const;
    // The same with the transform that takes p to each (0 for p itself).
    std::vector<std::pair<PortRef, int32_t>> orbit_transforms(const StationGrower& grower, PortRef p) const;

    // The transforms, the identity first: station point q maps to rot (q - centre) + centre.
    int32_t size() const { return static_cast<int32_t>(rots_.size()) + 1; }
    Vec3 map_point(int32_t transform, Vec3 q) const;
    Vec3 map_direction(int32_t transform, Vec3 d) const;

private:
    Vec3 centre_;
    std::vector<Mat3> rots_;   // without the identity
};

// The port of any placed block at this station position and direction and of
// this kind (free or not), or {-1, -1}.
PortRef port_at(const StationGrower& grower, Vec3 position, Vec3 direction, int32_t kind);

}  // namespace quilbet
