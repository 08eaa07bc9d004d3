// Copies a finished hand-over out of the in-process host.
#include "station/host_handover.hpp"

#include "entry/mesh_handover.hpp"

namespace quilbet {

HostHandover capture_handover(InProcessHost& host, Station& station, const std::map<int32_t, std::string>& names) {
    const std::vector<StationGroupRef> refs = station_groups(station);
    HostHandover out;
    for (int32_t g = 0; g < InProcessHost::mesh_size; ++g) {
        const HostGroup& hg = host.group(g);
        if (hg.flags != 0) break;
        HandoverGroup group;
        if (const HostVertex* v = host.vertices(g)) group.vertices.assign(v, v + hg.nvtx);
        if (const uint16_t* ind = host.indices(g)) group.indices.assign(ind, ind + hg.nidx);
        group.material = host.material(g);
        group.texw = host.texture_width(g + 1);
        group.texh = host.texture_height(g + 1);
        if (group.texw > 0 && group.texh > 0) group.texels = host.texture_words(g + 1);
        if (static_cast<std::size_t>(g) < refs.size()) {
            const StationGroupRef& ref = refs[static_cast<std::size_t>(g)];
            const auto name = names.find(ref.block);
            group.block = name != names.end() ? name->second : std::to_string(ref.block);
            group.block_group = ref.group;
        }
        out.groups.push_back(std::move(group));
    }
    return out;
}

}  // namespace quilbet
