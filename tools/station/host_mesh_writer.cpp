// The station as one text mesh file in the host's format.
#include "station/host_mesh_writer.hpp"

#include <cassert>
#include <charconv>
#include <set>

namespace quilbet {
namespace {

constexpr const char* eol = "\r\n";

void append_decimal(std::string& out, float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.append(buf, r.ptr);
}

void append_colour(std::string& out, const float (&c)[4]) {
    for (int i = 0; i < 4; ++i) {
        if (i > 0) out += ' ';
        append_decimal(out, c[i]);
    }
}

std::string material_name(const HandoverGroup& g) {
    std::string name = (g.block.empty() ? std::string("group") : g.block) + "_" + std::to_string(g.block_group);
    for (char& c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-' || c == '_';
        if (!keep) c = '_';
    }
    return name;
}

}  // namespace

std::string shortest_decimal(float v) {
    std::string s;
    append_decimal(s, v);
    return s;
}

std::string host_mesh_text(const HostHandover& handover, const std::vector<std::string>& texture_files) {
    assert(texture_files.size() == handover.groups.size());
    const std::size_t n = handover.groups.size();
    std::size_t vertices = 0;
    for (const HandoverGroup& g : handover.groups) vertices += g.vertices.size() + g.indices.size() / 3;
    std::string out;
    out.reserve(vertices * 80 + n * 200 + 64);

    out += "MSHX1";
    out += eol;
    out += "GROUPS " + std::to_string(n) + eol;
    int32_t texture = 0;
    for (std::size_t g = 0; g < n; ++g) {
        const HandoverGroup& grp = handover.groups[g];
        out += "MATERIAL " + std::to_string(g + 1) + eol;
        out += "TEXTURE " + std::to_string(texture_files[g].empty() ? 0 : ++texture) + eol;
        out += "GEOM " + std::to_string(grp.vertices.size()) + " " + std::to_string(grp.indices.size() / 3) + eol;
        for (const HostVertex& v : grp.vertices) {
            const float f[8] = {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.tu, v.tv};
            for (int i = 0; i < 8; ++i) {
                if (i > 0) out += ' ';
                append_decimal(out, f[i]);
            }
            out += eol;
        }
        char buf[32];
        for (std::size_t t = 0; t + 2 < grp.indices.size(); t += 3) {
            for (int k = 0; k < 3; ++k) {
                if (k > 0) out += ' ';
                out.append(buf, std::to_chars(buf, buf + sizeof buf, grp.indices[t + static_cast<std::size_t>(k)]).ptr);
            }
            out += eol;
        }
    }

    out += "MATERIALS " + std::to_string(n) + eol;
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (std::size_t g = 0; g < n; ++g) {
        std::string name = material_name(handover.groups[g]);
        if (!taken.insert(name).second) {
            name += "_g" + std::to_string(g);
            taken.insert(name);
        }
        out += name + eol;
        names.push_back(std::move(name));
    }
    for (std::size_t g = 0; g < n; ++g) {
        const HostMaterial& m = handover.groups[g].material;
        out += "MATERIAL " + names[g] + eol;
        append_colour(out, m.diffuse);
        out += eol;
        append_colour(out, m.ambient);
        out += eol;
        append_colour(out, m.specular);
        if (m.power != 0) {
            out += ' ';
            append_decimal(out, m.power);
        }
        out += eol;
        append_colour(out, m.emissive);
        out += eol;
    }

    out += "TEXTURES " + std::to_string(texture) + eol;
    for (const std::string& file : texture_files) {
        if (!file.empty()) out += file + eol;
    }
    return out;
}

}  // namespace quilbet
