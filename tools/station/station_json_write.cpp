// Blob records -> station description JSON.
#include "station/station_json.hpp"

#include <cmath>
#include <set>

namespace quilbet {
namespace {

using ojson = nlohmann::ordered_json;

// The JSON id of a slot: its name as written, or its number when names is
// null (ids are all names or all numbers, so either every block has a name or none).
ojson id_json(int32_t slot, const std::map<int32_t, std::string>* names) {
    if (names != nullptr) {
        const auto it = names->find(slot);
        return it != names->end() ? it->second : std::to_string(slot);
    }
    return slot;
}

std::string id_text(int32_t slot, const std::map<int32_t, std::string>* names) {
    const ojson id = id_json(slot, names);
    return id.is_string() ? id.get<std::string>() : std::to_string(slot);
}

// A parameter value as people write it: switches as true / false, whole
// numbers without a fraction, everything else as the double it is.
ojson param_value_json(const ParamSpec* spec, double value) {
    if (spec != nullptr && spec->kind == ParamKind::on_off && (value == 1.0 || value == -1.0)) return value > 0;
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0 && !(value == 0 && std::signbit(value))) {
        return static_cast<int64_t>(value);
    }
    return value;
}

ojson block_json(const BlobRecord& r, const std::map<int32_t, std::string>* names) {
    ojson b = ojson::object();
    b["id"] = id_json(r.id, names);
    const BlockTypeSpec* type = find_block_type(r.btype);
    if (type == nullptr) {
        b["type"] = r.btype;
        return b;
    }
    b["type"] = type->name;
    if (!r.params.empty()) {
        ojson ps = ojson::object();
        for (const BlobParam& p : r.params) {
            const ParamSpec* spec = type->param(p.id);
            ps[spec != nullptr ? std::string(spec->name) : std::to_string(p.id)] = param_value_json(spec, p.value);
        }
        b["params"] = ps;
    }
    if (r.ports.size() != instance_ports(*type, r.params).size()) b["port_entries"] = r.ports.size();
    return b;
}

ojson write_station(const BlobStation& st, const std::map<int32_t, std::string>* names, const std::string& schema,
                    const std::string& title) {
    ojson doc = ojson::object();
    if (!schema.empty()) doc["$schema"] = schema;
    if (!title.empty()) doc["name"] = title;
    ojson blocks = ojson::array();
    ojson links = ojson::object();
    int32_t max_slot = -1;
    std::set<std::pair<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>>> written;
    for (const BlobRecord& r : st.records) {
        max_slot = std::max(max_slot, r.id);
        blocks.push_back(block_json(r, names));
        if (find_block_type(r.btype) == nullptr) continue;
        // Each link once, from the side met first.
        for (size_t k = 0; k < r.ports.size(); ++k) {
            const BlobPort& e = r.ports[k];
            if (e.flag == 0) continue;
            const auto self = std::make_pair(r.id, static_cast<int32_t>(k));
            const auto other = std::make_pair(e.block, e.port);
            if (written.count({other, self}) != 0) continue;
            written.insert({self, other});
            links[id_text(r.id, names) + "." + std::to_string(k)] = id_text(e.block, names) + "." + std::to_string(e.port);
        }
    }
    doc["blocks"] = blocks;
    doc["links"] = links;
    if (st.block_count != max_slot + 1) doc["block_count"] = st.block_count;
    return doc;
}

}  // namespace

nlohmann::ordered_json vec_json(Vec3 v) { return nlohmann::ordered_json::array({v.x, v.y, v.z}); }

ojson station_to_json(const BlobStation& st) { return write_station(st, nullptr, "", ""); }

ojson station_to_json(const StationText& st) {
    // Names that are all the slots' own numbers (a blob, or numeric ids) are written as numbers.
    bool named = false;
    for (const auto& [slot, name] : st.names) named = named || name != std::to_string(slot);
    return write_station(st.station, named ? &st.names : nullptr, st.schema, st.title);
}

}  // namespace quilbet
