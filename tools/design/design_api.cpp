// The designer's API handlers.
#include "design/design_api.hpp"

#include <filesystem>
#include <regex>

#include "generate/generate.hpp"
#include "generate/generated_text.hpp"
#include "station/catalogue_listing.hpp"
#include "station/files.hpp"
#include "station/gltf_writer.hpp"
#include "station/load_station.hpp"
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
    ojson ports = ojson::array();
    for (const PlacedPort& q : p.ports) {
        ojson port = ojson::object();
        port["index"] = q.index;
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

ApiResponse DesignApi::station() const {
    ojson doc = ojson::object();
    doc["path"] = station_path_;
    std::string text;
    // A file that does not exist yet is a new station; saving creates it.
    std::error_code ec;
    if (!station_path_.empty() && std::filesystem::exists(station_path_, ec)) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!read_file_bytes(station_path_, bytes, error)) return error_response(404, error);
        text.assign(bytes.begin(), bytes.end());
    }
    doc["text"] = text;
    return json_response(200, doc);
}

bool DesignApi::check(const std::string& body, StationText& st, ojson& diagnostics, ApiResponse& refusal,
                      StationSurvey* survey) const {
    // Text that is not JSON at all is a bad request; a description the CLI
    // refuses is answered with the CLI's messages.
    if (!nlohmann::json::accept(body)) {
        try {
            const nlohmann::json doc = nlohmann::json::parse(body);
        } catch (const nlohmann::json::parse_error& e) {
            refusal = error_response(400, e.what());
            return false;
        } catch (const nlohmann::json::exception&) {
            // Numbers beyond a double: parse_station_json names the block and field.
        }
    }
    Diagnostics diag;
    const bool ok = parse_station_json(body, st, diag) && validate_station_text(st, diag);
    if (ok) {
        StationSurvey s = survey_station(st.station);
        const auto name_of = [&](int32_t slot) {
            const auto it = st.names.find(slot);
            return it != st.names.end() ? it->second : std::to_string(slot);
        };
        for (std::string& w : overlap_messages(s, name_of)) diag.warning(std::move(w));
        if (survey != nullptr) *survey = std::move(s);
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
    const bool ok = check(body, st, diagnostics, refusal);
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

ApiResponse DesignApi::save(const std::string& body) {
    StationText st;
    ojson diagnostics;
    ApiResponse refusal;
    if (!check(body, st, diagnostics, refusal)) return refusal;
    if (station_path_.empty()) {
        return error_response(409, "no station file was given to `quilbet design`; download the description instead");
    }
    const std::string text = saved_text(st);
    std::string error;
    if (!write_file_bytes(station_path_, text.data(), text.size(), error)) return error_response(500, error);
    ojson doc = ojson::object();
    doc["path"] = station_path_;
    doc["canonical"] = text;
    return json_response(200, doc);
}

ApiResponse DesignApi::generate(const std::string& body) const {
    ojson request;
    try {
        request = ojson::parse(body);
    } catch (const nlohmann::json::exception& e) {
        return error_response(400, e.what());
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
