// The built station's last check: finite vertices, finite placement, extent.
#include "entry/station_check.hpp"

#include <cmath>

#include "entry/station_budget.hpp"

namespace quilbet {

namespace {

bool finite(Vec3f v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool finite(Quat q) { return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w); }

double length(Vec3f v) {
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

std::string block_name(const blocktyp& b, std::size_t id) {
    return "block " + std::to_string(id) + " (" + b.name + ")";
}

}  // namespace

std::string station_handover_problem(const Station& st) {
    const std::size_t slots = st.block_count < 0 ? 0 : static_cast<std::size_t>(st.block_count);
    const std::size_t count = slots < st.blocks.size() ? slots : st.blocks.size();
    double extent = 0;
    std::size_t farthest = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const blocktyp& b = st.blocks[k];
        if (!b.live) continue;
        if (!finite(b.pos) || !finite(b.rot)) return block_name(b, k) + " is placed at a non-finite position or turn";
        // A rotation keeps lengths: no vertex lies farther out than the block's
        // origin plus the vertex's own distance from it.
        double reach = 0;
        for (int32_t i = 0; i < b.msh.grpcnt && static_cast<std::size_t>(i) < b.msh.grp.size(); ++i) {
            for (const pnttyp& p : b.msh.grp[static_cast<std::size_t>(i)].pnt) {
                if (!finite(p.pos) || !finite(p.nrm) || !std::isfinite(p.tu) || !std::isfinite(p.tv)) {
                    return block_name(b, k) + " group " + std::to_string(i) + " has a non-finite vertex";
                }
                const double r = length(p.pos);
                if (r > reach) reach = r;
            }
        }
        const double out = std::sqrt(b.pos.x * b.pos.x + b.pos.y * b.pos.y + b.pos.z * b.pos.z) + reach;
        if (out > extent) {
            extent = out;
            farthest = k;
        }
    }
    const std::string problem = station_extent_problem(extent);
    if (problem.empty()) return {};
    return problem + "; farthest: " + block_name(st.blocks[farthest], farthest);
}

}  // namespace quilbet
