// Export for the host: run the station on a fresh module, zip its host files.
#include "design/host_export.hpp"

#include <nlohmann/json.hpp>

#include "entry/module.hpp"
#include "station/host_mesh_files.hpp"
#include "station/station_runner.hpp"
#include "station/zip_writer.hpp"

namespace quilbet {
namespace {

ApiResponse failure(int status, const std::string& text) {
    ApiResponse r;
    r.status = status;
    nlohmann::json doc = nlohmann::json::object();
    doc["error"] = text;
    r.body = doc.dump();
    return r;
}

}  // namespace

ApiResponse host_export(const StationText& st, const std::string& name_source, DdsFormat format) {
    Module module;
    StartupOptions start;
    start.write_placeholder_files = false;
    if (!module.startup(start)) return failure(500, "the module did not start: " + module.last_error());
    BuildResult result;
    std::string error;
    if (!run_station(module, encode_blob(st.station), result, error, st.names)) return failure(422, error);
    const std::vector<OutputFile> files =
        host_mesh_files(result.handover, "", host_file_stem(name_source), format);
    std::vector<uint8_t> zip;
    if (!zip_archive(files, zip, error)) return failure(500, error);
    ApiResponse r;
    r.content_type = "application/zip";
    r.body.assign(zip.begin(), zip.end());
    return r;
}

}  // namespace quilbet
