// Generated stations as description text.
#include "generate/generated_text.hpp"

#include <set>

#include <nlohmann/json.hpp>

#include "station/station_json.hpp"

namespace quilbet {
namespace {

// The grown station with the user's ids: their blocks keep the ids they were
// written with; when those are names, every generated block is named too
// (ids are all names or all numbers), "g" and its slot, made unique.
StationText grown_text(const BlobStation& station, const StationText& from) {
    StationText out;
    out.station = station;
    out.names = from.names;
    std::set<std::string> taken;
    bool named = false;
    for (const auto& [slot, name] : from.names) {
        taken.insert(name);
        named = named || name != std::to_string(slot);
    }
    for (const BlobRecord& r : station.records) {
        if (out.names.count(r.id) != 0) continue;
        std::string name = named ? "g" + std::to_string(r.id) : std::to_string(r.id);
        while (named && taken.count(name) != 0) name += "_";
        taken.insert(name);
        out.names[r.id] = name;
    }
    return out;
}

}  // namespace

std::string generated_json(const BlobStation& station, const GenerateOptions& options) {
    const std::string seed = std::to_string(options.seed);
    const std::string style = style_name(options.style);
    nlohmann::ordered_json doc = nlohmann::ordered_json::object();
    doc["name"] = "Generated " + style + " station, seed " + seed + ", " + std::to_string(station.records.size()) +
                  " blocks";
    std::string command = "quilbet generate --seed " + seed + " --blocks " + std::to_string(options.blocks) + " --style " + style;
    if (!options.style_symmetry) command += " --symmetry " + symmetry_name(options.symmetry);
    for (const Requirement& r : options.constraints.requirements) {
        const std::string arg = r.name + "=" + std::to_string(r.min) + (r.min == r.max ? "" : ".." + std::to_string(r.max));
        // A category written with a space is quoted, so the command runs as written.
        command += " --require " + (arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"");
    }
    if (options.constraints.docking >= 0) command += " --docking " + std::to_string(options.constraints.docking);
    if (options.constraints.has_max_size) {
        const Vec3& m = options.constraints.max_size;
        command += " --max-size " + nlohmann::json(m.x).dump() + "," + nlohmann::json(m.y).dump() + "," + nlohmann::json(m.z).dump();
    }
    if (options.variation > 0) command += " --variation " + std::to_string(options.variation);
    if (options.from) command += " --from " + options.from_path;
    doc["comment"] = command;
    const nlohmann::ordered_json body = options.from ? station_to_json(grown_text(station, *options.from)) : station_to_json(station);
    for (const auto& [key, value] : body.items()) doc[key] = value;
    return doc.dump(2) + "\n";
}

bool parse_seed(const std::string& text, uint64_t& seed) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    seed = value;
    return true;
}

std::string sibling_path(const std::string& json_path, const std::string& ending) {
    const std::string json = ".json";
    if (json_path.size() > json.size() && json_path.compare(json_path.size() - json.size(), json.size(), json) == 0) {
        return json_path.substr(0, json_path.size() - json.size()) + ending;
    }
    return json_path + ending;
}

}  // namespace quilbet
