// The set of host files for one station: names, mesh text, DDS textures.
#include "station/host_mesh_files.hpp"

#include <cstdio>
#include <filesystem>

#include "station/host_mesh_writer.hpp"

namespace quilbet {

namespace fs = std::filesystem;

std::string host_file_stem(const std::string& input) {
    std::string stem = fs::path(input).stem().string();
    for (char& c : stem) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-' || c == '_';
        if (!keep) c = '_';
    }
    return stem.empty() ? "station" : stem;
}

std::vector<OutputFile> host_mesh_files(const HostHandover& handover, const std::string& dir, const std::string& name,
                                        DdsFormat format) {
    std::vector<std::string> texture_files(handover.groups.size());
    std::vector<OutputFile> out(1);
    for (std::size_t g = 0; g < handover.groups.size(); ++g) {
        const HandoverGroup& grp = handover.groups[g];
        if (grp.texw <= 0 || grp.texh <= 0 || grp.texels.empty()) continue;
        char number[32];
        std::snprintf(number, sizeof number, "_%03zu.dds", g);
        texture_files[g] = name + number;
        out.push_back({(fs::path(dir) / texture_files[g]).string(), dds_file(grp.texels.data(), grp.texw, grp.texh, format)});
    }
    const std::string text = host_mesh_text(handover, texture_files);
    out[0] = {(fs::path(dir) / (name + ".msh")).string(), std::vector<uint8_t>(text.begin(), text.end())};
    return out;
}

bool can_write_host_mesh_folder(const std::string& dir, std::string& error) {
    std::error_code ec;
    fs::path at = fs::absolute(fs::path(dir), ec).lexically_normal();
    while (!fs::exists(at, ec) && at.has_relative_path()) at = at.parent_path();
    if (!fs::is_directory(at, ec)) {
        error = "cannot write into " + dir + ": " + at.string() + " is not a folder";
        return false;
    }
    std::string probe_error;
    if (!can_write_file((at / ".quilbet-probe").string(), probe_error)) {
        error = "cannot write into " + dir + ": " + probe_error;
        return false;
    }
    return true;
}

bool make_host_mesh_folder(const std::string& dir, std::string& error) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir)) {
        error = "cannot create the folder " + dir + (ec ? ": " + ec.message() : "");
        return false;
    }
    return true;
}

}  // namespace quilbet
