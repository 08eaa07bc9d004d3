// Start-up environment and the placeholder files, each composed in memory
// and written with a single call.
#include "entry/startup.hpp"

#include <cstring>
#include <initializer_list>

#include "platform/files.hpp"
#include "platform/fpu.hpp"

namespace quilbet {

namespace {

const char* const mesh_folder = "meshes";
const char* const texture_folder = "textures";

void put_u32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

void line(std::string& out, const char* text) {
    out += text;
    out += "\r\n";
}

void line(std::string& out, const char* text, int32_t n) {
    out += text;
    out += std::to_string(n);
    out += "\r\n";
}

}  // namespace

std::string placeholder_mesh_text() {
    static const char* const axis_vertex[6] = {
        "0 200 0 1 0 0 0 0",  "0 0 -200 1 0 0 0 0", "200 0 0 1 0 0 0 0",
        "0 0 200 1 0 0 0 0",  "-200 0 0 1 0 0 0 0", "0 -200 0 1 0 0 0 0",
    };
    static const char* const triangles[8] = {"0 2 1",    "6 3 12",   "7 4 15",   "8 9 18",
                                             "5 10 13",  "21 14 16", "22 17 19", "23 20 11"};
    // One group's geometry lines are the same for every group.
    std::string geometry;
    line(geometry, "GEOM 24 8");
    for (const char* v : axis_vertex) line(geometry, v);
    for (const char* v : axis_vertex) {
        for (int r = 0; r < 3; ++r) line(geometry, v);
    }
    for (const char* t : triangles) line(geometry, t);

    std::string out;
    out.reserve(static_cast<std::size_t>(placeholder_groups) * (geometry.size() + 120) + 64);
    line(out, "MSHX1");
    line(out, "GROUPS ", placeholder_groups);
    for (int32_t i = 1; i <= placeholder_groups; ++i) {
        line(out, "MATERIAL ", i);
        line(out, "TEXTURE ", i);
        out += geometry;
    }
    line(out, "MATERIALS ", placeholder_groups);
    for (int32_t i = 1; i <= placeholder_groups; ++i) line(out, "material", i);
    for (int32_t i = 1; i <= placeholder_groups; ++i) {
        line(out, "MATERIAL material", i);
        for (int r = 0; r < 3; ++r) line(out, "1.000 1.000 1.000 1");
        line(out, "0 0 0 1");
    }
    line(out, "TEXTURES ", placeholder_groups);
    for (int32_t i = 1; i <= placeholder_groups; ++i) line(out, "quil_bets.dds");
    return out;
}

std::array<uint8_t, placeholder_dds_size> placeholder_dds() {
    std::array<uint8_t, placeholder_dds_size> d{};
    std::memcpy(d.data(), "DDS ", 4);
    put_u32(&d[4], 124);          // header size
    put_u32(&d[8], 0x00081007u);  // caps, height, width, pixel format, linear size
    put_u32(&d[12], 4);           // height
    put_u32(&d[16], 4);           // width
    put_u32(&d[20], 8);           // linear size
    put_u32(&d[76], 32);          // pixel format size
    put_u32(&d[80], 4);           // four-character code present
    std::memcpy(&d[84], "DXT1", 4);
    put_u32(&d[108], 0x1000u);    // caps: texture
    // One DXT1 block: colour 0 = 0x0001, colour 1 = 0, every texel index 1 (black).
    d[128] = 0x01;
    put_u32(&d[132], 0x55555555u);
    return d;
}

std::string placeholder_mesh_path() { return std::string(mesh_folder) + path_separator + "quil_bets.msh"; }

std::string placeholder_texture_path() { return std::string(texture_folder) + path_separator + "quil_bets.dds"; }

bool prepare_environment(std::string& error) {
    fpu_set_control_word(fpu_module_control_word);

    for (const char* folder : {mesh_folder, texture_folder}) {
        if (!folder_exists(folder)) create_folder_with_parents(folder);
    }
    if (folder_exists(mesh_folder)) {
        const std::string text = placeholder_mesh_text();
        if (!write_whole_file(placeholder_mesh_path(), text.data(), text.size())) {
            error = "start-up: cannot write " + placeholder_mesh_path();
            return false;
        }
    }
    if (folder_exists(texture_folder)) {
        const auto dds = placeholder_dds();
        if (!write_whole_file(placeholder_texture_path(), dds.data(), dds.size())) {
            error = "start-up: cannot write " + placeholder_texture_path();
            return false;
        }
    }
    return true;
}

}  // namespace quilbet
