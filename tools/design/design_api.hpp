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
//                              blocks (placement, ports, mesh key), stats};
//                              400 for text that is not JSON; 422 with the
//                              diagnostics when the CLI would refuse it
//                              (nothing is built then)
//   GET  /api/mesh/KEY.glb     one block's geometry in its own frame
//   POST /api/export/glb       body: a description; the station as GLB
//   POST /api/export/blob      body: a description; its description blob
//   POST /api/save             body: a description; written to the opened
//                              file in the form `quilbet` writes
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "design/station_builder.hpp"
#include "generate/station_survey.hpp"
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
    ApiResponse station() const;
    ApiResponse validate(const std::string& body) const;
    ApiResponse edit(const std::string& body);
    ApiResponse build(const std::string& body);
    ApiResponse mesh(const std::string& key) const;
    ApiResponse export_glb(const std::string& body);
    ApiResponse export_blob(const std::string& body);
    ApiResponse save(const std::string& body);
    // { "seed": whole number or digits, "blocks": 1 .. 200, "style": "core" |
    // "spine" | "ring" | "random" } -> { "ok": true, "text": the description
    // `quilbet generate` writes, "name": a file name for it }; 400 naming the
    // field for anything else.
    ApiResponse generate(const std::string& body) const;

private:
    // Parses and checks a description as `quilbet describe` does, overlap
    // warnings included (survey gets the station's figures when it passed).
    // False with the response to send (400 or 422) when it may not be built.
    bool check(const std::string& body, StationText& st, nlohmann::ordered_json& diagnostics, ApiResponse& refusal,
               StationSurvey* survey = nullptr) const;
    // The answer of build for a checked description: its blocks, and its
    // figures with the groups and vertices the build made.
    nlohmann::ordered_json build_answer(const StationText& st, const nlohmann::ordered_json& diagnostics,
                                        StationSurvey survey);

    StationBuilder& builder_;
    std::string station_path_;
};

}  // namespace quilbet
