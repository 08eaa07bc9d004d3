// The station build through the exported entry points' Module and the
// in-process host; the host's groups, materials and surfaces become a Scene.
#include "station/station_runner.hpp"

#include <cstring>

#include "host/inprocess_host.hpp"
#include "station/block_scene.hpp"
#include "station/station_json.hpp"

namespace quilbet {
namespace {

using ojson = nlohmann::ordered_json;

ojson vessel_json(const vesdeftyp& def, const HostVesselRecord& v, const Scene& scene) {
    ojson out = ojson::object();
    char name[vessel_name_length + 1] = {};
    std::memcpy(name, def.name, vessel_name_length);
    out["name"] = name;
    ojson docks = ojson::array();
    const int32_t nd = list_length(v.list[7]);
    for (int32_t i = 0; i < nd; ++i) {
        const auto port = read_entry<vessel_docking_port>(v.list[7], i);
        ojson d = ojson::object();
        d["position"] = vec_json(port.position);
        d["direction"] = vec_json(port.first_direction);
        d["up"] = vec_json(port.second_direction);
        docks.push_back(d);
    }
    out["docking_ports"] = docks;
    ojson habitat = nullptr;
    if (list_length(v.list[8]) > 0) {
        const auto entry = read_entry<vessel_habitat_entry>(v.list[8], 0);
        habitat = ojson::object();
        habitat["position"] = vec_json(entry.position);
        habitat["direction"] = vec_json(entry.direction);
        habitat["extent"] = vec_json(entry.extent);
        habitat["total"] = entry.habitat_total;
    }
    out["habitat_entry"] = habitat;
    out["habitat_position"] = vec_json(def.habitat_position);
    ojson counts = ojson::object();
    for (int k = 0; k < vessel_list_count; ++k) counts["list" + std::to_string(k)] = def.list_count(k);
    counts["list1_groups"] = def.list1_group_count;
    out["list_counts"] = counts;
    size_t vertices = 0, triangles = 0, textures = 0;
    for (const SceneGroup& g : scene.groups) {
        vertices += g.vertex_count();
        triangles += g.ind.size() / 3;
        textures += g.texw > 0 ? 1 : 0;
    }
    ojson mesh = ojson::object();
    mesh["groups"] = scene.groups.size();
    mesh["vertices"] = vertices;
    mesh["triangles"] = triangles;
    mesh["textures"] = textures;
    out["mesh"] = mesh;
    return out;
}

}  // namespace

bool run_station(Module& module, const std::vector<uint8_t>& blob, BuildResult& out, std::string& error,
                 const std::map<int32_t, std::string>& names) {
    std::vector<std::string> lines;
    module.set_diagnostic_sink([&lines](const std::string& line) { lines.push_back(line); });
    InProcessHost host;
    module.initint(host.table());

    HostVesselRecord record = InProcessHost::make_vessel_record(blob.data(), static_cast<int32_t>(blob.size()));
    vesdeftyp def;
    module.make_vessel(&def, &record);
    if (!lines.empty()) {
        error = "the module refused the station: " + lines.front();
        InProcessHost::release_vessel(record);
        return false;
    }
    module.make_vesselmesh(host.mesh());
    if (!lines.empty()) {
        error = "the mesh hand-over failed: " + lines.front();
        InProcessHost::release_vessel(record);
        return false;
    }

    out.scene.groups.clear();
    for (int32_t g = 0; g < InProcessHost::mesh_size; ++g) {
        const HostGroup& hg = host.group(g);
        if (hg.flags != 0 || hg.nvtx == 0 || hg.nidx < 3) continue;
        SceneGroup sg;
        const HostVertex* v = host.vertices(g);
        const uint16_t* ind = host.indices(g);
        if (v == nullptr || ind == nullptr) continue;
        for (uint32_t i = 0; i < hg.nvtx; ++i) {
            sg.pos.insert(sg.pos.end(), {v[i].x, v[i].y, v[i].z});
            sg.nrm.insert(sg.nrm.end(), {v[i].nx, v[i].ny, v[i].nz});
            sg.uv.insert(sg.uv.end(), {v[i].tu, v[i].tv});
        }
        sg.ind.assign(ind, ind + hg.nidx);
        const HostMaterial& m = host.material(g);
        std::memcpy(sg.diffuse, m.diffuse, sizeof sg.diffuse);
        std::memcpy(sg.emissive, m.emissive, sizeof sg.emissive);
        std::memcpy(sg.specular, m.specular, sizeof sg.specular);
        sg.specpow = m.power;
        sg.texw = host.texture_width(g + 1);
        sg.texh = host.texture_height(g + 1);
        if (sg.texw > 0 && sg.texh > 0) {
            sg.rgba = host.texture_rgba(g + 1);
            for (size_t p = 3; p < sg.rgba.size(); p += 4) sg.rgba[p] = 255;   // the host keeps no alpha
        }
        out.scene.groups.push_back(std::move(sg));
    }
    // The hand-over placed every block; the blocks keep their own-frame groups.
    out.scene.blocks = station_scene_blocks(module.station(), names);
    out.vessel = vessel_json(def, record, out.scene);
    InProcessHost::release_vessel(record);
    return true;
}

}  // namespace quilbet
