// Growing a station: links, the module's placement, overlap and budget checks.
#include "generate/station_grower.hpp"

#include <algorithm>

#include "blocks/placement.hpp"
#include "entry/station_budget.hpp"

namespace quilbet {
namespace {

bool within(const BuildFigures& f, const BuildFigures& limit) {
    return f.groups <= limit.groups && f.vertices <= limit.vertices && f.pixels <= limit.pixels && f.work <= limit.work;
}

BuildFigures times(const BuildFigures& f, int64_t n) { return {f.groups * n, f.vertices * n, f.pixels * n, f.work * n}; }

}  // namespace

StationGrower::StationGrower(ShapeCache& cache, int32_t target) : cache_(cache), target_(target) {}

StationGrower::Placed StationGrower::placed_block(const BlockChoice& choice, const blocktyp& b) const {
    Placed p;
    p.choice = choice;
    p.shape = cache_.shape(choice);
    p.pose = pose_from(b.pos, b.rot);
    p.bounds = placed_bounds(*p.shape, p.pose);
    p.figures = choice_figures(choice);
    return p;
}

int32_t StationGrower::start(const BlockChoice& root) {
    station_ = Station{};
    placed_.clear();
    kept_ = BlobStation{};
    figures_ = {};
    station_.blocks.push_back(make_instance(root));
    station_.blocks[0].id = 0;
    station_.block_count = 1;
    station_.root = 0;
    place_block(station_, 0, root_position, root_orientation, false);
    placed_.push_back(placed_block(root, station_.blocks[0]));
    figures_ += placed_.back().figures;
    return 0;
}

std::string StationGrower::start_from(const BlobStation& kept) {
    station_ = Station{};
    placed_.clear();
    kept_ = BlobStation{};
    figures_ = {};
    std::vector<BlockChoice> choices;
    for (size_t i = 0; i < kept.records.size(); ++i) {
        const BlobRecord& r = kept.records[i];
        if (r.id != static_cast<int32_t>(i)) {
            return "its blocks are numbered with gaps or out of order (block " + std::to_string(i) + " has slot " +
                   std::to_string(r.id) + "); `quilbet decode` of its blob numbers them 0 to N-1";
        }
        BlockChoice c = choice_of_record(r);
        blocktyp b = make_instance(c);
        if (static_cast<int32_t>(r.ports.size()) != b.nports) {
            return "block " + std::to_string(i) + " lists " + std::to_string(r.ports.size()) + " port entries, its type has " +
                   std::to_string(b.nports);
        }
        b.id = r.id;
        for (size_t k = 0; k < r.ports.size(); ++k) {
            b.ports[k].linked = r.ports[k].flag != 0 ? 1 : 0;
            b.ports[k].lblock = r.ports[k].flag != 0 ? r.ports[k].block : 0;
            b.ports[k].lport = r.ports[k].flag != 0 ? r.ports[k].port : 0;
        }
        station_.blocks.push_back(std::move(b));
        choices.push_back(std::move(c));
    }
    station_.block_count = static_cast<int32_t>(station_.blocks.size());
    station_.root = 0;
    place_block(station_, 0, root_position, root_orientation, true);
    for (size_t i = 0; i < choices.size(); ++i) {
        placed_.push_back(placed_block(choices[i], station_.blocks[i]));
        figures_ += placed_.back().figures;
    }
    kept_ = kept;
    return {};
}

bool StationGrower::affordable(const BlockChoice& choice) const {
    const int64_t still_to_come = std::max<int64_t>(0, target_ - count() - 1);
    BuildFigures need = figures_;
    need += choice_figures(choice);
    need += times(reserve_per_block, still_to_come);
    return within(need, station_budget);
}

int32_t StationGrower::attach(PortRef at, const BlockChoice& choice, int32_t child_port) {
    ++tried_;
    if (!port_free(at)) {
        last_ = AttachResult::port_taken;
        return -1;
    }
    blocktyp child = make_instance(choice);
    if (child_port < 0 || child_port >= child.nports ||
        child.ports[static_cast<size_t>(child_port)].kind != port_kind(at)) {
        last_ = AttachResult::kinds_differ;
        return -1;
    }
    const BuildFigures cost = choice_figures(choice);
    BuildFigures after = figures_;
    after += cost;
    if (!within(after, station_budget)) {
        last_ = AttachResult::over_budget;
        return -1;
    }

    // Link both sides, then let the module's placement put the child where the
    // two ports meet: every other block is marked placed, so the walk from the
    // parent places only the child.
    const int32_t id = count();
    child.id = id;
    BlockPort& cp = child.ports[static_cast<size_t>(child_port)];
    cp.linked = 1;
    cp.lblock = at.block;
    cp.lport = at.port;
    station_.blocks.push_back(std::move(child));
    station_.block_count = id + 1;
    blocktyp& parent = station_.blocks[static_cast<size_t>(at.block)];
    BlockPort& pp = parent.ports[static_cast<size_t>(at.port)];
    pp.linked = 1;
    pp.lblock = id;
    pp.lport = child_port;
    parent.visited = 0;
    place_block(station_, at.block, parent.pos, parent.rot, false);

    const blocktyp& placed = station_.blocks[static_cast<size_t>(id)];
    Placed p;
    p.choice = choice;
    p.shape = cache_.shape(choice);
    p.pose = pose_from(placed.pos, placed.rot);
    p.bounds = placed_bounds(*p.shape, p.pose);
    p.figures = cost;
    p.parent = at.block;
    p.parent_port = at.port;
    placed_.push_back(std::move(p));
    if (overlaps_any(static_cast<size_t>(id))) {
        ++overlapped_;
        rollback(id);
        last_ = AttachResult::overlaps;
        return -1;
    }
    figures_ += cost;
    last_ = AttachResult::placed;
    return id;
}

bool StationGrower::overlaps_any(size_t id) const {
    const Placed& n = placed_[id];
    for (size_t j = 0; j < id; ++j) {
        const Placed& o = placed_[j];
        if (!bounds_meet(o.bounds, n.bounds, 0.0)) continue;
        const double allowed = static_cast<int32_t>(j) == n.parent ? linked_depth : touching_depth;
        if (shapes_overlap(*o.shape, o.pose, *n.shape, n.pose, allowed)) return true;
    }
    return false;
}

int64_t StationGrower::overlapping_pairs() const {
    int64_t n = 0;
    for (size_t i = 1; i < placed_.size(); ++i) {
        const Placed& a = placed_[i];
        for (size_t j = 0; j < i; ++j) {
            if (static_cast<int32_t>(i) < kept()) break;   // the user's own blocks are theirs to arrange
            const Placed& b = placed_[j];
            if (!bounds_meet(a.bounds, b.bounds, 0.0)) continue;
            const double allowed = static_cast<int32_t>(j) == a.parent ? linked_depth : touching_depth;
            n += shapes_overlap(*b.shape, b.pose, *a.shape, a.pose, allowed) ? 1 : 0;
        }
    }
    return n;
}

void StationGrower::rollback(int32_t mark) {
    while (count() > mark && count() > std::max(1, kept())) {
        const size_t id = placed_.size() - 1;
        const Placed& p = placed_[id];
        BlockPort& pp = station_.blocks[static_cast<size_t>(p.parent)].ports[static_cast<size_t>(p.parent_port)];
        pp.linked = 0;
        pp.lblock = 0;
        pp.lport = 0;
        placed_.pop_back();
        station_.blocks.pop_back();
        station_.block_count = static_cast<int32_t>(station_.blocks.size());
    }
    // Summed again from the blocks kept: a candidate turned down by attach()
    // was never counted.
    figures_ = {};
    for (const Placed& p : placed_) figures_ += p.figures;
}

Box3 StationGrower::bounds() const {
    Box3 out = placed_[0].bounds;
    for (const Placed& p : placed_) {
        for (int a = 0; a < 3; ++a) {
            out.lo[a] = std::min(out.lo[a], p.bounds.lo[a]);
            out.hi[a] = std::max(out.hi[a], p.bounds.hi[a]);
        }
    }
    return out;
}

bool StationGrower::port_free(PortRef p) const {
    if (p.block < 0 || p.block >= count()) return false;
    const blocktyp& b = station_.blocks[static_cast<size_t>(p.block)];
    if (p.port < 0 || p.port >= b.nports) return false;
    return b.ports[static_cast<size_t>(p.port)].linked == 0;
}

int32_t StationGrower::port_kind(PortRef p) const {
    return station_.blocks[static_cast<size_t>(p.block)].ports[static_cast<size_t>(p.port)].kind;
}

Vec3 StationGrower::port_position(PortRef p) const {
    const Pose& pose = pose_of(p.block);
    const Vec3 l = station_.blocks[static_cast<size_t>(p.block)].ports[static_cast<size_t>(p.port)].lpos;
    return {pose.rot[0] * l.x + pose.rot[1] * l.y + pose.rot[2] * l.z + pose.pos.x,
            pose.rot[3] * l.x + pose.rot[4] * l.y + pose.rot[5] * l.z + pose.pos.y,
            pose.rot[6] * l.x + pose.rot[7] * l.y + pose.rot[8] * l.z + pose.pos.z};
}

Vec3 StationGrower::port_direction(PortRef p) const {
    const Pose& pose = pose_of(p.block);
    const Vec3 d = station_.blocks[static_cast<size_t>(p.block)].ports[static_cast<size_t>(p.port)].ldir;
    return {pose.rot[0] * d.x + pose.rot[1] * d.y + pose.rot[2] * d.z, pose.rot[3] * d.x + pose.rot[4] * d.y + pose.rot[5] * d.z,
            pose.rot[6] * d.x + pose.rot[7] * d.y + pose.rot[8] * d.z};
}

namespace {

// The farthest corner of the shape's root box beyond the port's plane, less
// the boxes' margin: how far the triangles reach past it.
double shape_reach(const BlockShape& shape, const BlockPort& port) {
    if (shape.nodes.empty()) return 0;
    const Box3& box = shape.nodes[0].box;
    const double lo[3] = {box.lo[0] - port.lpos.x, box.lo[1] - port.lpos.y, box.lo[2] - port.lpos.z};
    const double hi[3] = {box.hi[0] - port.lpos.x, box.hi[1] - port.lpos.y, box.hi[2] - port.lpos.z};
    const double dir[3] = {port.ldir.x, port.ldir.y, port.ldir.z};
    double reach = 0;
    for (int a = 0; a < 3; ++a) reach += std::max(lo[a] * dir[a], hi[a] * dir[a]);
    return reach - shape_box_margin;
}

}  // namespace

double StationGrower::reach_past(PortRef p) const {
    const BlockPort& port = station_.blocks[static_cast<size_t>(p.block)].ports[static_cast<size_t>(p.port)];
    return shape_reach(*placed_[static_cast<size_t>(p.block)].shape, port);
}

double StationGrower::reach_past(const BlockChoice& choice, int32_t port) const {
    const blocktyp b = make_instance(choice);
    return shape_reach(*cache_.shape(choice), b.ports[static_cast<size_t>(port)]);
}

BlobStation StationGrower::to_blob() const {
    BlobStation out;
    out.block_count = count();
    for (int32_t id = 0; id < count(); ++id) {
        const blocktyp& b = station_.blocks[static_cast<size_t>(id)];
        BlobRecord r;
        r.id = id;
        r.btype = b.btype;
        r.params = id < kept() ? kept_.records[static_cast<size_t>(id)].params : placed_[static_cast<size_t>(id)].choice.params;
        for (int32_t k = 0; k < b.nports; ++k) {
            const BlockPort& p = b.ports[static_cast<size_t>(k)];
            r.ports.push_back(p.linked ? BlobPort{1, p.lblock, p.lport} : BlobPort{0, -1, -1});
        }
        out.records.push_back(std::move(r));
    }
    return out;
}

}  // namespace quilbet
