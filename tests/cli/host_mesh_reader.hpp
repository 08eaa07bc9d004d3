// A reader of the host's text mesh format for the tests, written from the
// format's description alone (not from our writer): "MSHX1"; "GROUPS n"; per
// group "MATERIAL m", "TEXTURE t", "GEOM v t", v vertex lines of eight numbers
// and t triangle lines of three vertex numbers; "MATERIALS n", n names, per
// material "MATERIAL name" and four colour lines (the third may carry a fifth
// number, the specular power); "TEXTURES n" and n file names. Every line ends
// with CR LF and nothing follows the texture list.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quilbet::test {

struct MshGroup {
    int64_t material = 0, texture = 0;
    std::vector<std::array<float, 8>> vertices;   // x y z, nx ny nz, u v
    std::vector<std::array<int64_t, 3>> triangles;
};

struct MshMaterial {
    std::string name;
    std::array<std::array<float, 4>, 4> colours{};   // diffuse, ambient, specular, emissive
    bool has_power = false;
    float power = 0;
};

struct MshFile {
    std::vector<MshGroup> groups;
    std::vector<MshMaterial> materials;
    std::vector<std::string> textures;
};

// Reads a whole mesh file; false with the line number and what was wrong in error.
bool read_msh(const std::string& text, MshFile& out, std::string& error);

}  // namespace quilbet::test
