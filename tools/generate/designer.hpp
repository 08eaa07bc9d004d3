// What a style works with while it lays out a station: the grower, the
// seed's random numbers, the palette, the station's symmetry, the block
// count aimed at and the user's constraints.
//
// Growth you can keep: a style never looks at the block count. It grows the
// same sequence of pieces for every count, and the designer halts it at the
// first piece that would take the station past the count (a piece that
// brings it nearer the count is still placed). So the station of K blocks is
// a prefix of the station of K + 10: the same blocks, parameters and links.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generate/generate_constraints.hpp"
#include "generate/station_grower.hpp"
#include "generate/station_palette.hpp"
#include "generate/station_symmetry.hpp"

namespace quilbet {

class Designer {
public:
    Designer(StationGrower& grower, SeededRandom& rng, const Palette& palette, int32_t target,
             SymmetrySetting symmetry = {}, const GenerateConstraints& constraints = {});

    // Places the root at the origin and takes the station's symmetry from it:
    // the mirror plane most nearly across the direction of the root's port
    // `mirror_port`, or the N-fold axis most nearly along its port `axis_port`. When the root has no such symmetry the
    // designer halts with nothing more placed (why in problem()). Returns the
    // root's id, 0.
    int32_t start(const BlockChoice& root, int32_t axis_port, int32_t mirror_port);
    // Starts from a user's station instead (StationGrower::start_from), its
    // symmetry about the user's root as start() takes it, with the root's
    // first port as the hint. False, halted with why in problem(), when the
    // station cannot be grown from or its root lacks the symmetry.
    bool start_from(const BlobStation& kept);
    const std::string& problem() const { return problem_; }

    StationGrower& grower;
    SeededRandom& rng;
    const Palette& palette;
    StationSymmetry symmetry;   // set by the generator once the root is placed

    int32_t count() const { return grower.count(); }
    int32_t target() const { return target_; }
    // The most blocks a station may end with: the target and a tenth more.
    int32_t upper() const { return target_ + target_ / 10; }
    // True once a piece did not fit the count: nothing more is placed.
    bool halted() const { return halted_; }
    // The most blocks placed as one piece (with its twins) so far, or of the
    // piece that halted the station.
    int32_t largest_piece() const { return largest_piece_; }
    // Lifts the halt and the count for the constraints' last pieces.
    void unlimit() { halted_ = false; unlimited_ = true; }
    // When the station ends with fewer power blocks than habitats (halted
    // between a habitat and its power, or its power found no room), takes it
    // back to the last piece after which it had a power block per habitat;
    // returns the blocks taken away (0 when it has its power or never had).
    // A station so taken back is still a prefix of any larger one.
    int32_t take_back_to_power();

    // Blocks placed together as one piece (an adaptor and the wing on it, a
    // tank and its panel): while a piece is open, whether it brings the
    // station nearer the count is judged from the count before the piece.
    // A station keeps room within its count for a power block per habitat:
    // a piece that would leave too little halts it.
    class Piece {
    public:
        // power: the piece brings power (an adaptor and its wing, a girder
        // arm and its panel), so the room kept for power is its to use.
        explicit Piece(Designer& d, bool power = false) : d_(d), paying_(d.paying_) {
            if (d_.piece_depth_++ == 0) d_.piece_start_ = d_.count();
            d_.paying_ = paying_ || power;
        }
        ~Piece() {
            d_.paying_ = paying_;
            if (--d_.piece_depth_ == 0) d_.note_piece_end();
        }
        Piece(const Piece&) = delete;
        Piece& operator=(const Piece&) = delete;

    private:
        Designer& d_;
        bool paying_;
    };

    // Places choice at every port of `at` and at their twins under the
    // station's symmetry, all or none; the ids placed at `at` (in its order)
    // go to ids. Refused, nothing changed, when a port or twin port is taken,
    // the count or a constraint does not allow the piece, the budget does not
    // afford it or a block overlaps; a piece past the count halts the station.
    bool place(const std::vector<PortRef>& at, const BlockChoice& choice, int32_t child_port,
               std::vector<int32_t>* ids = nullptr);
    // One block (and its twins); its id, or -1 with nothing changed.
    int32_t add(PortRef at, const BlockChoice& choice, int32_t child_port);

    // Blocks of the habitat modules (nodes are not counted) and of power (wings and panels).
    int32_t habitats() const;
    int32_t power() const;
    // Free docking ports.
    int32_t free_docking() const;
    // Blocks that count towards requirement r.
    int32_t counted(const Requirement& r) const;
    const GenerateConstraints& constraints() const { return constraints_; }
    // The first constraint whose maximum turned a piece down while the style
    // grew ("--require NAME=MIN..MAX", "--docking N"), "" when none did: what
    // to blame when the station then ends short of its count.
    const std::string& capped_by() const { return capped_by_; }

    // Free ports of this kind on every block, the farthest from the root first
    // (ties by block and port), so that caps go to the outer ends.
    std::vector<PortRef> free_ports_outermost(PortKind kind) const;
    // Free ports of this kind on one block, in port order.
    std::vector<PortRef> free_ports(int32_t block, PortKind kind) const;
    // The squared distance of a port from the root on a 1/64 m grid, as a
    // whole number, so that comparisons cannot flip with rounding noise.
    int64_t reach(PortRef p) const;
    // True when the port faces away from the root (outward direction and
    // position agree by more than half).
    bool faces_out(PortRef p) const;

private:
    // Notes the count after a whole piece when the power matches the habitats.
    void note_piece_end();
    // Drops the noted piece ends above n blocks (the station was taken back below them).
    void forget_powered_ends_after(int32_t n);
    bool count_allows(int32_t n, const BlockChoice& choice);
    int32_t misplaced_ports(int32_t original, int32_t twin, int32_t transform) const;
    int32_t attach_twin(PortRef at, const BlockChoice& choice, int32_t child_port, int32_t original, int32_t transform);
    bool constraints_allow(const BlockChoice& choice, int32_t n);
    bool within_max_size() const;
    // Blocks the requirements' minimums (and the docking ports) still need.
    int32_t still_required() const;

    int32_t target_;
    SymmetrySetting setting_;
    GenerateConstraints constraints_;
    std::string problem_;
    std::string capped_by_;
    bool halted_ = false;
    bool unlimited_ = false;
    int32_t piece_depth_ = 0;
    bool paying_ = false;
    int32_t largest_piece_ = 1;
    int32_t piece_start_ = 0;
    // Counts after whole pieces at which the station had a power block per
    // habitat, ascending; counts above the station's are stale (taken back).
    std::vector<int32_t> powered_ends_;
};

// The three habitat modules (nodes are not counted).
inline bool is_habitat(BlockType t) {
    return t == BlockType::hab_a || t == BlockType::hab_b || t == BlockType::hab_c;
}
// Power wings, solar wings and solar panels.
bool is_power(BlockType t);
// Blocks whose outer end is a docking port.
bool is_docking(BlockType t);

}  // namespace quilbet
