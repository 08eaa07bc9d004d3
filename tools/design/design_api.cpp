// The designer's API handlers.
#include "design/design_api.hpp"

#include <cstdio>

#include <filesystem>
#include <regex>

#include "design/host_export.hpp"
#include "design/variation_answer.hpp"
#include "generate/generate.hpp"
#include "generate/generated_text.hpp"
#include "station/bounded_json.hpp"
#include "station/catalogue_listing.hpp"
#include "station/files.hpp"
#include "station/gltf_writer.hpp"
#include "station/load_station.hpp"
#include "station/port_symmetry.hpp"
#include "station/station_json.hpp"

namespace quilbet {
namespace {

using ojson = nlohmann::ordered_json;

ApiResponse json_response(int status, const ojson& doc) {
    ApiResponse r;
    r.status = status;
    r.body = doc.dump();
    return r;
}

ApiResponse error_response(int status, const std::string& text) {
    ojson doc = ojson::object();
    doc["error"] = text;
    return json_response(status, doc);
}

ojson diagnostics_json(const Diagnostics& diag) {
    ojson list = ojson::array();
    for (const Diagnostic& d : diag.list()) {
        const MessagePlace place = message_place(d.text);
        ojson o = ojson::object();
        o["severity"] = d.error ? "error" : "warning";
        o["text"] = d.text;
        o["block"] = place.block;
        o["field"] = place.field;
        list.push_back(o);
    }
    if (diag.dropped() > 0) {
        ojson o = ojson::object();
        o["severity"] = "warning";
        o["text"] = "\u2026 and " + std::to_string(diag.dropped()) + " more";
        o["block"] = "";
        o["field"] = "";
        list.push_back(o);
    }
    return list;
}

ojson block_json(const PlacedBlock& p) {
    const blocktyp& b = p.built->block;
    ojson o = ojson::object();
    o["id"] = p.id;
    o["slot"] = p.slot;
    o["type"] = b.name;
    o["mesh"] = p.built->key;
    o["position"] = vec_json(p.pos);
    o["rotation"] = ojson::array({p.rot.x, p.rot.y, p.rot.z, p.rot.w});
    o["radius"] = b.size;
    std::vector<PortDef> defs;
    block_port_defs(b, defs);
    ojson ports = ojson::array();
    for (const PlacedPort& q : p.ports) {
        ojson port = ojson::object();
        port["index"] = q.index;
        port["name"] = q.index >= 0 && static_cast<size_t>(q.index) < defs.size() ? port_name(defs[q.index]) : "port " + std::to_string(q.index);
        port["kind"] = q.kind;
        port["position"] = vec_json(q.pos);
        port["direction"] = vec_json(q.dir);
        port["linked"] = q.linked;
        ports.push_back(port);
    }
    o["ports"] = ports;
    return o;
}

}  // namespace

MessagePlace message_place(const std::string& text) {
    static const std::regex block_form(R"re(^block "([^"]*)"(?: \([^)]*\))?(?:, (parameter "([^"]*)"|[a-z_]+))?)re");
    static const std::regex link_form(R"re(^links(?:: port)?,? "([^".]*)\.([0-9]+)")re");
    MessagePlace place;
    std::smatch m;
    if (std::regex_search(text, m, block_form)) {
        place.block = m[1].str();
        place.field = m[3].matched ? m[3].str() : m[2].str();
    } else if (std::regex_search(text, m, link_form)) {
        place.block = m[1].str();
        place.field = "port " + m[2].str();
    }
    return place;
}

std::string saved_text(const StationText& st) {
    return station_to_json(st).dump(2) + "\n";
}

DesignApi::DesignApi(StationBuilder& builder, std::string station_path)
    : builder_(builder), station_path_(std::move(station_path)) {}

ApiResponse DesignApi::catalogue() const { return json_response(200, catalogue_json()); }

namespace {

// The version of a file's bytes (64-bit FNV-1a in hex), or "none" for a file
// that does not exist. False with the reason when it cannot be read.
bool file_version(const std::string& path, std::string& version, std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    bytes.clear();
    if (!std::filesystem::exists(path, ec)) {
        version = "none";
        return true;
    }
    if (!read_file_bytes(path, bytes, error)) return false;
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    version = hex;
    return true;
}

}  // namespace

ApiResponse DesignApi::station() const {
    ojson doc = ojson::object();
    doc["path"] = station_path_;
    std::string text, version = "none", error;
    std::vector<uint8_t> bytes;
    // A file that does not exist yet is a new station; saving creates it.
    if (!station_path_.empty() && !file_version(station_path_, version, bytes, error)) return error_response(404, error);
    text.assign(bytes.begin(), bytes.end());
    doc["text"] = text;
    doc["version"] = version;
    return json_response(200, doc);
}

bool DesignApi::check(const std::string& body, StationText& st, ojson& diagnostics, ApiResponse& refusal,
                      StationSurvey* survey) const {
    // Text that is not JSON at all is a bad request; a description the CLI
    // refuses (too deep or too large ones too) is answered with the CLI's messages.
    if (const JsonCheck checked = check_json_text(body); checked.kind == JsonCheck::syntax) {
        refusal = error_response(400, checked.message);
        return false;
    }
    Diagnostics diag;
    const bool ok = parse_station_json(body, st, diag) && validate_station_text(st, diag);
    if (ok && survey != nullptr) {
        *survey = survey_station(st.station);
        for (std::string& w : overlap_messages(*survey, st)) diag.warning(std::move(w));
    }
    diagnostics = diagnostics_json(diag);
    if (!ok) {
        ojson doc = ojson::object();
        doc["error"] = "the description was refused; nothing was built";
        doc["diagnostics"] = diagnostics;
        refusal = json_response(422, doc);
    }
    return ok;
}

ApiResponse DesignApi::validate(const std::string& body) const {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    StationSurvey survey;   // its overlap warnings belong to the verdict
    const bool ok = check(body, st, diagnostics, refusal, &survey);
    if (!ok && refusal.status == 400) return refusal;
    ojson doc = ojson::object();
    doc["ok"] = ok;
    doc["diagnostics"] = diagnostics;
    if (ok) doc["canonical"] = saved_text(st);
    return json_response(200, doc);
}

ojson DesignApi::build_answer(const StationText& st, const ojson& diagnostics, StationSurvey survey) {
    const StationBuild built = builder_.build(st);
    survey.built_groups = survey.built_vertices = 0;
    for (const PlacedBlock& p : built.blocks) {
        survey.built_groups += static_cast<int64_t>(p.built->groups.size());
        survey.built_vertices += static_cast<int64_t>(p.built->vertices);
    }
    ojson doc = ojson::object();
    doc["ok"] = true;
    doc["canonical"] = saved_text(st);
    doc["diagnostics"] = diagnostics;
    ojson blocks = ojson::array();
    for (const PlacedBlock& p : built.blocks) blocks.push_back(block_json(p));
    doc["blocks"] = blocks;
    ojson stats = ojson::object();
    stats["built"] = built.built_anew;
    stats["reused"] = built.reused;
    stats["milliseconds"] = built.milliseconds;
    doc["stats"] = stats;
    doc["figures"] = survey_json(survey);
    // The blocks that cut into each other, by the ids written, for the view to draw in red.
    ojson overlaps = ojson::array();
    for (const BlockOverlap& o : survey.overlaps) overlaps.push_back(ojson::array({st.id_of(o.a), st.id_of(o.b)}));
    doc["overlaps"] = overlaps;
    return doc;
}

ApiResponse DesignApi::edit(const std::string& body) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    StationSurvey survey;
    if (!check(body, st, diagnostics, refusal, &survey)) {
        if (refusal.status == 400) return refusal;
        ojson doc = ojson::object();
        doc["ok"] = false;
        doc["diagnostics"] = diagnostics;
        return json_response(200, doc);
    }
    return json_response(200, build_answer(st, diagnostics, std::move(survey)));
}

ApiResponse DesignApi::build(const std::string& body) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    StationSurvey survey;
    if (!check(body, st, diagnostics, refusal, &survey)) return refusal;
    return json_response(200, build_answer(st, diagnostics, std::move(survey)));
}

ApiResponse DesignApi::mesh(const std::string& key) const {
    const std::shared_ptr<const BuiltBlock> built = builder_.find(key);
    if (!built) return error_response(404, "no block geometry " + key + " is held (build the station again)");
    Scene scene;
    SceneBlock b;
    b.id = key;
    b.type = built->block.name;
    b.groups = built->groups;
    scene.blocks.push_back(std::move(b));
    ApiResponse r;
    r.content_type = "model/gltf-binary";
    std::vector<uint8_t> glb;
    std::string error;
    if (!write_glb(scene, glb, error)) return error_response(500, error);
    r.body.assign(glb.begin(), glb.end());
    return r;
}

ApiResponse DesignApi::export_glb(const std::string& body) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    if (!check(body, st, diagnostics, refusal)) return refusal;
    const StationBuild built = builder_.build(st);
    std::vector<uint8_t> glb;
    std::string error;
    if (!write_glb(StationBuilder::scene(built), glb, error)) return error_response(500, error);
    ApiResponse r;
    r.content_type = "model/gltf-binary";
    r.body.assign(glb.begin(), glb.end());
    return r;
}

ApiResponse DesignApi::export_blob(const std::string& body) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    if (!check(body, st, diagnostics, refusal)) return refusal;
    const std::vector<uint8_t> blob = encode_blob(st.station);
    ApiResponse r;
    r.content_type = "application/octet-stream";
    r.body.assign(blob.begin(), blob.end());
    return r;
}

ApiResponse DesignApi::export_host(const std::string& body, DdsFormat format) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    if (!check(body, st, diagnostics, refusal)) return refusal;
    return host_export(st, station_path_, format);
}

ApiResponse DesignApi::save(const std::string& body, const std::string& base_version) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    if (!check(body, st, diagnostics, refusal)) return refusal;
    if (station_path_.empty()) {
        return error_response(409, "no station file was given to `quilbet design`; download the description instead");
    }
    // Only the file the page read is replaced, and only while it is as the page read it.
    std::lock_guard<std::mutex> lock(save_mutex_);
    std::string version, error;
    std::vector<uint8_t> bytes;
    if (!file_version(station_path_, version, bytes, error)) return error_response(500, error);
    if (base_version.empty()) {
        return error_response(428, "save names no version of " + station_path_ + "; reload the page before saving");
    }
    if (base_version != version) {
        ojson doc = ojson::object();
        doc["error"] = station_path_ + " changed on disk since it was opened";
        doc["changed"] = true;
        doc["version"] = version;
        return json_response(409, doc);
    }
    const std::string text = saved_text(st);
    if (!write_file_bytes(station_path_, text.data(), text.size(), error)) return error_response(500, error);
    if (!file_version(station_path_, version, bytes, error)) return error_response(500, error);
    ojson doc = ojson::object();
    doc["path"] = station_path_;
    doc["canonical"] = text;
    doc["version"] = version;
    return json_response(200, doc);
}

ApiResponse DesignApi::symmetry(const std::string& body) const {
    ojson request;
    try {
        request = ojson::parse(body);
    } catch (const nlohmann::json::exception& e) {
        return error_response(400, e.what());
    }
    if (!request.is_object() || !request.contains("block") || !request["block"].is_object()) {
        return error_response(400, "block: expected an object with type and params");
    }
    const ojson port = request.value("port", ojson());
    if (!port.is_number_integer() || port.get<int64_t>() < 0) return error_response(400, "port: expected a port number");
    const std::string mode = request.value("mode", std::string());
    if (mode != "mirror" && mode != "radial") return error_response(400, "mode: expected mirror or radial");
    const ojson n = request.value("n", ojson(2));
    if (mode == "radial" && (!n.is_number_integer() || n.get<int64_t>() < 2 || n.get<int64_t>() > max_radial_order)) {
        return error_response(400, "n: expected a whole number from 2 to " + std::to_string(max_radial_order));
    }
    // The block is read as a one-block description, so its type and
    // parameters are checked (hard limits included) as in every description.
    ojson block = request["block"];
    block["id"] = "block";
    ojson desc = ojson::object();
    desc["blocks"] = ojson::array({block});
    StationText st;
    Diagnostics diag;
    if (!parse_station_json(desc.dump(), st, diag) || !validate_station_text(st, diag)) {
        return error_response(400, diag.list().empty() ? "block: refused" : diag.list().front().text);
    }
    const BlobRecord& r = st.station.records.front();
    const std::vector<PortDef> ports = instance_ports(*find_block_type(r.btype), r.params);
    const int32_t index = static_cast<int32_t>(port.get<int64_t>());
    if (static_cast<size_t>(index) >= ports.size()) {
        return error_response(400, "port: the block has " + std::to_string(ports.size()) + " ports");
    }
    const PortSymmetries s = find_port_symmetries(ports);
    ojson doc = ojson::object();
    doc["ports"] = mode == "mirror" ? mirror_equivalents(s, index, ports[static_cast<size_t>(index)].dir)
                                    : radial_equivalents(s, index, static_cast<int32_t>(n.get<int64_t>()));
    return json_response(200, doc);
}

ApiResponse DesignApi::variations(const std::string& body) {
    std::unique_lock<std::mutex> lock(variations_mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return error_response(429, "variations are being made for another request; try again when they are shown");
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    if (!check(body, st, diagnostics, refusal)) return refusal;
    return json_response(200, variations_answer(st, builder_));
}

ApiResponse DesignApi::generate(const std::string& body) const {
    ojson request;
    if (const JsonCheck checked = check_json_text(body); checked.kind != JsonCheck::ok) {
        return error_response(400, checked.message);
    }
    try {
        request = ojson::parse(without_bom(body));
    } catch (const nlohmann::json::exception& e) {
        return error_response(400, short_parse_message(e.what()));
    }
    if (!request.is_object()) return error_response(400, "expected an object with seed, blocks and style");
    GenerateOptions options;
    const ojson seed = request.value("seed", ojson(1u));
    if (seed.is_number_unsigned() || (seed.is_number_integer() && seed.get<int64_t>() >= 0)) {
        options.seed = seed.get<uint64_t>();
    } else if (!(seed.is_string() && parse_seed(seed.get<std::string>(), options.seed))) {
        return error_response(400, "seed: expected a whole number from 0 to 18446744073709551615");
    }
    const ojson blocks = request.value("blocks", ojson(default_generated_blocks));
    if (!blocks.is_number_integer()) return error_response(400, "blocks: expected a whole number");
    const int64_t count = blocks.get<int64_t>();
    options.blocks = count < 1 || count > max_generated_blocks ? 0 : static_cast<int32_t>(count);
    if (const std::string problem = generate_options_problem(options); !problem.empty()) {
        return error_response(400, "blocks: " + problem);
    }
    const ojson style = request.value("style", ojson("core"));
    if (!style.is_string() || !parse_style(style.get<std::string>(), options.style)) {
        return error_response(400, "style: expected core, spine, ring or random");
    }
    const GeneratedStation generated = generate_station(options);
    ojson doc = ojson::object();
    doc["ok"] = true;
    doc["text"] = generated_json(generated.station, options);
    doc["name"] = std::string("generated_") + style_name(options.style) + "_" + std::to_string(options.seed) + ".json";
    return json_response(200, doc);
}

}  // namespace quilbet
