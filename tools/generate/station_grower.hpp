// A station grown block by block: each new block is linked to a free port of
// a block already placed, placed by the module's own placement, and kept only
// when it overlaps no other block and the station stays within its budget.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "blocks/station.hpp"
#include "entry/blob.hpp"
#include "generate/block_choice.hpp"
#include "generate/block_shape.hpp"
#include "generate/box_overlap.hpp"

namespace quilbet {

struct PortRef {
    int32_t block = -1;
    int32_t port = -1;
};

// How deep boxes may interpenetrate: blocks that are not linked may touch but
// not cut into each other; linked blocks meet face to face at their ports,
// where girder rails, hull rims and panel roots reach past the port plane (a
// Power_wing_B's hub girder by 0.6 m), while a wing whose panels run through
// its girder lies deeper than this.
inline constexpr double touching_depth = 1e-6;
inline constexpr double linked_depth = 0.8;

// What the budget keeps back for every block still to come, so that early
// heavy blocks (habitats, power wings) never leave the rest of the station
// without room: about what a light block (truss, tank, panel, adaptor) costs.
inline constexpr BuildFigures reserve_per_block{2, 2500, 24576, 500};

// Why an attach failed.
enum class AttachResult { placed, port_taken, kinds_differ, over_budget, overlaps };

class StationGrower {
public:
    // target: the block count the budget keeps a reserve for.
    StationGrower(ShapeCache& cache, int32_t target);

    // Places the root at the origin. Call once, first.
    int32_t start(const BlockChoice& root);
    // Starts from a user's station instead (one that passed the description
    // checks): its blocks, parameters and links are kept as they are, placed
    // by the module's placement, and are never rolled back, re-tested for
    // overlaps nor rewritten (to_blob writes their records as given). Empty
    // when it can be grown from; otherwise why not (slots that are not
    // 0 .. N-1 in order, or a record whose port entries differ from its type's).
    std::string start_from(const BlobStation& kept);
    // Blocks of the user's station (0 after start()).
    int32_t kept() const { return static_cast<int32_t>(kept_.records.size()); }
    // Links a new block's child_port to the free port `at` and keeps it when it
    // fits; returns its id, or -1 with nothing changed (why in last_result()).
    int32_t attach(PortRef at, const BlockChoice& choice, int32_t child_port);
    AttachResult last_result() const { return last_; }

    // Everything attached after mark() is undone by rollback(mark).
    int32_t mark() const { return count(); }
    void rollback(int32_t mark);

    int32_t count() const { return static_cast<int32_t>(placed_.size()); }
    int32_t target() const { return target_; }
    BlockType type_of(int32_t id) const { return placed_[static_cast<size_t>(id)].choice.type; }
    const BlockChoice& choice_of(int32_t id) const { return placed_[static_cast<size_t>(id)].choice; }
    int32_t parent_of(int32_t id) const { return placed_[static_cast<size_t>(id)].parent; }
    // The parent's port the block is linked to (-1 for the root).
    int32_t parent_port_of(int32_t id) const { return placed_[static_cast<size_t>(id)].parent_port; }
    int32_t port_count(int32_t id) const { return station_.blocks[static_cast<size_t>(id)].nports; }
    bool port_free(PortRef p) const;
    int32_t port_kind(PortRef p) const;
    // Station-frame position and outward direction of a port.
    Vec3 port_position(PortRef p) const;
    Vec3 port_direction(PortRef p) const;
    const Pose& pose_of(int32_t id) const { return placed_[static_cast<size_t>(id)].pose; }
    const BuildFigures& figures() const { return figures_; }
    // The station-frame box around every block placed.
    Box3 bounds() const;
    // How far a block's geometry reaches past the plane of one of its ports,
    // outward along the port's direction (hull rims and caps reach past the
    // ends of a habitat): of a placed block's port, or of a candidate's port.
    double reach_past(PortRef p) const;
    double reach_past(const BlockChoice& choice, int32_t port) const;

    // Would a block of this choice fit the budget, with the reserve for the
    // blocks still to come after it?
    bool affordable(const BlockChoice& choice) const;

    // The station as description records: slot = id, the root first, every
    // parameter written, both sides of every link.
    BlobStation to_blob() const;

    // Pairs of placed blocks that overlap, tested again from scratch.
    int64_t overlapping_pairs() const;

    // Candidates tried and turned down for overlapping, over the grower's life.
    int64_t tried() const { return tried_; }
    int64_t overlapped() const { return overlapped_; }

private:
    struct Placed {
        BlockChoice choice;
        std::shared_ptr<const BlockShape> shape;
        Pose pose;
        Box3 bounds;        // station frame
        BuildFigures figures;
        int32_t parent = -1;
        int32_t parent_port = -1;
    };
    bool overlaps_any(size_t id) const;
    Placed placed_block(const BlockChoice& choice, const blocktyp& b) const;

    ShapeCache& cache_;
    int32_t target_;
    BlobStation kept_;   // the user's station, when grown from one
    Station station_;
    std::vector<Placed> placed_;
    BuildFigures figures_;
    AttachResult last_ = AttachResult::placed;
    int64_t tried_ = 0;
    int64_t overlapped_ = 0;
};

}  // namespace quilbet
