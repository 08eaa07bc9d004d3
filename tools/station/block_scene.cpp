// Block meshes into scene groups, the way the hand-over fills host groups.
#include "station/block_scene.hpp"

#include <memory>

#include "entry/mesh_handover.hpp"

namespace quilbet {

bool group_reaches_host(const typmshgrp& g) {
    return !g.pnt.empty() && g.ind.size() >= 3 && g.pnt.size() <= max_group_vertices;
}

SceneGroup scene_group(const typmshgrp& g) {
    SceneGroup sg;
    sg.pos.reserve(g.pnt.size() * 3);
    sg.nrm.reserve(g.pnt.size() * 3);
    sg.uv.reserve(g.pnt.size() * 2);
    for (const pnttyp& p : g.pnt) {
        sg.pos.insert(sg.pos.end(), {p.pos.x, p.pos.y, p.pos.z});
        sg.nrm.insert(sg.nrm.end(), {p.nrm.x, p.nrm.y, p.nrm.z});
        sg.uv.insert(sg.uv.end(), {p.tu, p.tv});
    }
    // The host reads 16-bit indices.
    sg.ind.reserve(g.ind.size());
    for (int32_t i : g.ind) sg.ind.push_back(static_cast<uint32_t>(i) & 0xFFFFu);
    for (int c = 0; c < 4; ++c) {
        sg.diffuse[c] = colour_component(g.diffuse, c);
        sg.emissive[c] = colour_component(g.emissive, c);
        sg.specular[c] = g.specpow != 0 ? colour_component(g.specular, c) : 0.0f;
    }
    sg.specpow = g.specpow;
    if (g.texpix && g.texw > 0 && g.texh > 0) {
        sg.texw = g.texw;
        sg.texh = g.texh;
        const size_t n = static_cast<size_t>(g.texw) * static_cast<size_t>(g.texh);
        sg.rgba.resize(n * 4);
        for (size_t k = 0; k < n; ++k) {
            const uint32_t w = gdi_colour(g.texpix[k]);
            sg.rgba[4 * k] = static_cast<uint8_t>(w & 0xFFu);
            sg.rgba[4 * k + 1] = static_cast<uint8_t>((w >> 8) & 0xFFu);
            sg.rgba[4 * k + 2] = static_cast<uint8_t>((w >> 16) & 0xFFu);
            sg.rgba[4 * k + 3] = 255;
        }
    }
    return sg;
}

SceneBlock scene_block(const blocktyp& b, const std::string& id) {
    SceneBlock out;
    out.id = id;
    out.type = b.name;
    for (int32_t i = 0; i < b.nparams && static_cast<size_t>(i) < b.params.size(); ++i) {
        const paramtyp& p = b.params[static_cast<size_t>(i)];
        out.params.push_back({p.name, p.val, p.kind == param_switch});
    }
    out.translation[0] = b.pos.x, out.translation[1] = b.pos.y, out.translation[2] = b.pos.z;
    out.rotation[0] = b.rot.x, out.rotation[1] = b.rot.y, out.rotation[2] = b.rot.z, out.rotation[3] = b.rot.w;
    for (int32_t i = 0; i < b.msh.grpcnt && static_cast<size_t>(i) < b.msh.grp.size(); ++i) {
        const typmshgrp& g = b.msh.grp[static_cast<size_t>(i)];
        if (group_reaches_host(g)) out.groups.push_back(std::make_shared<const SceneGroup>(scene_group(g)));
    }
    return out;
}

std::vector<SceneBlock> station_scene_blocks(const Station& st, const std::map<int32_t, std::string>& names) {
    std::vector<SceneBlock> out;
    const size_t slots = st.block_count < 0 ? 0 : static_cast<size_t>(st.block_count);
    for (size_t k = 0; k < slots && k < st.blocks.size(); ++k) {
        const blocktyp& b = st.blocks[k];
        if (!b.live) continue;
        const auto it = names.find(static_cast<int32_t>(k));
        out.push_back(scene_block(b, it != names.end() ? it->second : std::to_string(k)));
    }
    return out;
}

}  // namespace quilbet
