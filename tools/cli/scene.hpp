// A built station as the exporters see it: one entry per non-empty station
// group, in the station frame, with its material and its texture as RGBA.
#pragma once

#include <cstdint>
#include <vector>

namespace quilbet {

struct SceneGroup {
    std::vector<float> pos;        // x, y, z per vertex (metres, station frame)
    std::vector<float> nrm;        // x, y, z per vertex
    std::vector<float> uv;         // u, v per vertex; v = 0 is the texture's first row
    std::vector<uint32_t> ind;     // three per triangle; (b - a) x (c - a) points outward
    int32_t texw = 0, texh = 0;    // 0 without a texture
    std::vector<uint8_t> rgba;     // texw x texh x 4 bytes, row 0 first
    float diffuse[4] = {1, 1, 1, 1};
    float emissive[4] = {0, 0, 0, 0};
    float specular[4] = {0, 0, 0, 0};
    float specpow = 0;             // 0: no highlight
    size_t vertex_count() const { return pos.size() / 3; }
};

struct Scene {
    std::vector<SceneGroup> groups;
};

}  // namespace quilbet
