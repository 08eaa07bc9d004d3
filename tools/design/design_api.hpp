// The designer's JSON API, apart from HTTP so that tests can call it directly.
//
//   GET  /api/catalogue        every block type (as `quilbet catalogue --json`)
//   GET  /api/station          the description opened at start: {path, text}
//                              (text "" for a file that does not exist yet)
//   POST /api/validate         body: a description. 200 {ok, diagnostics,
//                              canonical (when ok)}: the CLI's verdict; 400
//                              for text that is not JSON
//   POST /api/edit             body: a description. The page's call for every
//                              edit: 200 {ok: false, diagnostics} when the CLI
//                              refuses it (nothing built; for the page a refused
//                              edit is an answer, not an HTTP error), 200 {ok:
//                              true, and what build answers} otherwise; 400 for
//                              text that is not JSON
//   POST /api/build            body: a description. 200 {canonical, diagnostics,
//                              blocks (placement, ports, mesh key), stats,
//                              figures (the station survey), overlaps ([id, id])};
//                              400 for text that is not JSON; 422 with the
//                              diagnostics when the CLI would refuse it
//                              (nothing is built then)
//   GET  /api/mesh/KEY.glb     one block's geometry in its own frame
//   POST /api/export/glb       body: a description; the station as GLB
//   POST /api/export/blob      body: a description; its description blob
//   POST /api/export/host      body: a description; the host's mesh and DDS
//                              files in a zip (?textures=rgba: uncompressed)
//   POST /api/save             body: a description; written to the opened
//                              file in the form `quilbet` writes, only when
//                              header X-Quilbet-Base-Version names the
//                              version of the file the page read (409 with
//                              the file's version when it changed on disk)
//   POST /api/symmetry         body: {block: {type, params}, port, mode:
//                              "mirror" | "radial", n}; 200 {ports}: the
//                              ports of that block equivalent to `port`
//                              (see symmetry())
//   POST /api/variations       body: a description. 200 with six variations
//                              and their thumbnails (variation_answer.hpp);
//                              400 / 422 as build; 429 while another
//                              request's variations are being made
#pragma once

#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "design/station_builder.hpp"
#include "generate/station_survey.hpp"
#include "station/dds_writer.hpp"
#include "station/station_json.hpp"
#include "blocks/block_types.hpp"

namespace quilbet {

struct ApiResponse {
    int status = 200;
    std::string content_type = "application/json";
    std::string body;
};

// Where a CLI message points: the block id and the field ("Length", "port 2",
// "type") it names, empty when it names none.
struct MessagePlace {
    std::string block;
    std::string field;
};
MessagePlace message_place(const std::string& text);

// The text saved for a description that passed the checks: the CLI's JSON
// writer with the ids as written, two-space indent, a final newline.
std::string saved_text(const StationText& st);

class DesignApi {
public:
    // station_path: the file `quilbet design` was given ("" for none); save writes there.
    DesignApi(StationBuilder& builder, std::string station_path);

    ApiResponse catalogue() const;
    // { path, text, version }: version names the file's bytes ("none" when
    // the file does not exist yet).
    ApiResponse station() const;
    ApiResponse validate(const std::string& body) const;
    ApiResponse edit(const std::string& body);
    ApiResponse build(const std::string& body);
    ApiResponse mesh(const std::string& key) const;
    ApiResponse export_glb(const std::string& body);
    ApiResponse export_blob(const std::string& body);
    // The station built through the module's entry points, as `quilbet build
    // --host-mesh` writes it, zipped (host_export): files named after the
    // opened station file, or "station".
    ApiResponse export_host(const std::string& body, DdsFormat format);
    // base_version: the version GET /api/station (or the last save) gave the
    // page; the file is replaced only while it still has that version.
    ApiResponse save(const std::string& body, const std::string& base_version);
    // { "seed": whole number or digits, "blocks": 1 .. 200, "style": "core" |
    // "spine" | "ring" | "random" } -> { "ok": true, "text": the description
    // `quilbet generate` writes, "name": a file name for it }; 400 naming the
    // field for anything else.
    ApiResponse generate(const std::string& body) const;
    // The ports where the designer's symmetry mode attaches twins: for a block
    // { "type", "params" } as in a description, the ports equivalent to
    // "port" under the shared port-symmetry rule (station/port_symmetry.hpp),
    // the port itself first. "mirror": the mirror plane most nearly normal to
    // the port's own direction, so a port facing +x pairs with one facing -x
    // and an end port with the other end; "radial" with "n" (2 to 12): the
    // n-fold turn about the axis the rule picks. 200 {"ports": [...]} ([port]
    // alone where the block has no such symmetry); 400 naming the field for
    // a request that is not one, or the description reader's first message
    // for a block it refuses.
    ApiResponse symmetry(const std::string& body) const;
    // Variations of the description (variations_answer), one request at a
    // time: 429 while another is being answered; 400 / 422 as build.
    ApiResponse variations(const std::string& body);

private:
    // Parses and checks a description as `quilbet describe` does; with survey
    // set, a description that passed is also surveyed (its figures there, its
    // overlaps added as warnings). Exports and saves need no survey.
    // False with the response to send (400 or 422) when it may not be built.
    bool check(const std::string& body, StationText& st, nlohmann::ordered_json& diagnostics, ApiResponse& refusal,
               StationSurvey* survey = nullptr) const;
    // The answer of build for a checked description: its blocks, and its
    // figures with the groups and vertices the build made.
    nlohmann::ordered_json build_answer(const StationText& st, const nlohmann::ordered_json& diagnostics,
                                        StationSurvey survey);

    StationBuilder& builder_;
    std::string station_path_;
    std::mutex save_mutex_;   // one save at a time: the version check and the write belong together
    std::mutex variations_mutex_;   // variations take seconds of both cores: one request at a time
};

}  // namespace quilbet
