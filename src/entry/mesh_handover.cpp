// Mesh hand-over: station mesh from the block table, host groups, materials
// and textures through the host's drawing contexts (a whole texture in one
// block transfer where the surface allows it, else pixel by pixel).
#include "entry/mesh_handover.hpp"

#include <string>
#include <vector>

#include "blocks/placement.hpp"
#include "platform/host_memory.hpp"
#include "platform/set_pixel.hpp"

namespace quilbet {

namespace {

void emit(const DiagnosticFn& diagnostic, const std::string& line) {
    if (diagnostic) diagnostic(line);
}

// New host arrays for one group's vertices (already in the station frame) and
// indices; false (nothing allocated) when the heap is exhausted.
bool fill_host_group(const aopntyp& pnt, const std::vector<int32_t>& ind, HostGroup& hg) {
    const std::size_t nv = pnt.size();
    const std::size_t ni = ind.size();
    auto* vtx = static_cast<HostVertex*>(host_alloc(nv * sizeof(HostVertex)));
    auto* idx = static_cast<uint16_t*>(host_alloc(ni * sizeof(uint16_t)));
    if (vtx == nullptr || idx == nullptr) {
        host_free(vtx);
        host_free(idx);
        return false;
    }
    for (std::size_t k = 0; k < nv; ++k) {
        const pnttyp& p = pnt[k];
        vtx[k] = HostVertex{p.pos.x, p.pos.y, p.pos.z, p.nrm.x, p.nrm.y, p.nrm.z, p.tu, p.tv};
    }
    for (std::size_t k = 0; k < ni; ++k) idx[k] = static_cast<uint16_t>(static_cast<uint32_t>(ind[k]) & 0xFFFFu);
    hg.vtx = vtx;
    hg.idx = idx;
    hg.nvtx = static_cast<uint32_t>(nv);
    hg.nidx = static_cast<uint32_t>(ni);
    hg.flags = 0;
    return true;
}

void fill_material(const typmshgrp& g, HostMaterial& m) {
    for (int c = 0; c < 4; ++c) m.diffuse[c] = colour_component(g.diffuse, c);
    if (g.specpow != 0) {
        for (int c = 0; c < 4; ++c) m.specular[c] = colour_component(g.specular, c);
    }
    for (int c = 0; c < 4; ++c) m.emissive[c] = colour_component(g.emissive, c);
    if (g.specpow != 0) m.power = g.specpow;
}

}  // namespace

std::vector<StationGroupRef> station_groups(const Station& st) {
    const std::size_t slots = st.block_count < 0 ? 0 : static_cast<std::size_t>(st.block_count);
    const std::size_t count = slots < st.blocks.size() ? slots : st.blocks.size();
    std::vector<StationGroupRef> out;
    for (std::size_t k = 0; k < count; ++k) {
        const blocktyp& b = st.blocks[k];
        if (!b.live) continue;
        for (int32_t i = 0; i < b.msh.grpcnt && static_cast<std::size_t>(i) < b.msh.grp.size(); ++i) {
            out.push_back({static_cast<int32_t>(k), i});
        }
    }
    return out;
}

int64_t station_group_count(const Station& st) {
    const std::size_t slots = st.block_count < 0 ? 0 : static_cast<std::size_t>(st.block_count);
    const std::size_t count = slots < st.blocks.size() ? slots : st.blocks.size();
    int64_t total = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (st.blocks[k].live) total += st.blocks[k].msh.grpcnt;
    }
    return total;
}

void upload_texture(const HostInterface& host, const uint32_t* pixels, int32_t w, int32_t h, void* s) {
    void* dc = host.surface_get_dc()(s);
    // One GDI call for the whole texture (or one per colour on a palette
    // surface) instead of w x h SetPixel calls.
    if (!set_pixel_block(dc, pixels, w, h)) {
        for (int32_t y = 0; y < h; ++y) {
            const uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            for (int32_t x = 0; x < w; ++x) set_pixel(dc, x, y, gdi_colour(row[x]));
        }
    }
    host.surface_release_dc()(s, dc);
}

void make_vesselmesh(Station& st, const HostInterface& host, void* mesh, const DiagnosticFn& diagnostic) {
    place_block(st, st.root, root_position, root_orientation, true);
    const std::vector<StationGroupRef> refs = station_groups(st);
    const int32_t groups = static_cast<int32_t>(refs.size());

    const int32_t n = host.mesh_group_count()(mesh);
    std::vector<HostGroup*> hgroup(static_cast<std::size_t>(host_mesh_capacity), nullptr);
    for (int32_t g = 0; g < n; ++g) {
        HostGroup* rec = host.mesh_group()(mesh, g);
        if (g < host_mesh_capacity) hgroup[static_cast<std::size_t>(g)] = rec;
    }
    std::vector<HostMaterial*> hmat(static_cast<std::size_t>(host_mesh_capacity), nullptr);
    for (int32_t m = 0; m < host_mesh_capacity; ++m) hmat[static_cast<std::size_t>(m)] = host.mesh_material()(mesh, m);

    for (int32_t g = groups; g < host_mesh_capacity; ++g) {
        if (hgroup[static_cast<std::size_t>(g)] != nullptr) hgroup[static_cast<std::size_t>(g)]->flags = 2;
    }

    const int32_t fit = n < host_mesh_capacity ? (n < 0 ? 0 : n) : host_mesh_capacity;
    if (groups > fit) {
        emit(diagnostic, "mesh hand-over: the station has " + std::to_string(groups) + " groups, the host mesh takes " +
                             std::to_string(fit) + "; groups " + std::to_string(fit) + " and above are left out");
    }
    // One station group at a time: its vertices copied and moved into the
    // station frame, written to the host with the block's own indices,
    // material and pixels.
    aopntyp placed;
    for (int32_t i = 0; i < groups && i < fit; ++i) {
        HostGroup* hg = hgroup[static_cast<std::size_t>(i)];
        if (hg == nullptr) continue;
        const blocktyp& b = st.blocks[static_cast<std::size_t>(refs[static_cast<std::size_t>(i)].block)];
        const typmshgrp& g = b.msh.grp[static_cast<std::size_t>(refs[static_cast<std::size_t>(i)].group)];
        if (g.pnt.size() > max_group_vertices) {
            emit(diagnostic, "mesh hand-over: group " + std::to_string(i) + " has " + std::to_string(g.pnt.size()) +
                                 " vertices, more than 16-bit indices address; left out");
            hg->flags = 2;
            continue;
        }
        placed.assign(g.pnt.begin(), g.pnt.end());
        pnt_place(placed.data(), static_cast<int32_t>(placed.size()), b.pos, b.rot);
        if (!fill_host_group(placed, g.ind, *hg)) {
            emit(diagnostic, "mesh hand-over: out of memory for group " + std::to_string(i) + "; left out");
            hg->flags = 2;
            continue;
        }
        if (HostMaterial* m = hmat[static_cast<std::size_t>(i)]) fill_material(g, *m);
        if (g.texpix && g.texw > 0 && g.texh > 0) {
            void* s = host.create_surface()(g.texw, g.texh);
            upload_texture(host, g.texpix.get(), g.texw, g.texh, s);
            host.mesh_set_texture()(mesh, i + 1, s);
        }
    }
}

}  // namespace quilbet
