// A built station as the exporters see it: the groups the host received (one
// entry per non-empty station group, in the station frame, with its material
// and its texture as RGBA), and the same station block by block (each block's
// groups in its own frame, with its placement).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
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
    // The texture already encoded as an RGB PNG (a cache may hold it); null
    // when the writer is to encode rgba itself.
    std::shared_ptr<const std::vector<uint8_t>> png;
    size_t vertex_count() const { return pos.size() / 3; }
};

struct SceneParam {
    std::string name;
    double value = 0;
    bool is_switch = false;        // written as true / false
};

// One block: its groups in the block's own frame and its placement, which
// takes a block-frame point p to the station frame as rotation * p + translation.
struct SceneBlock {
    std::string id;                // as the description writes it
    std::string type;              // catalogue name
    std::vector<SceneParam> params;   // every parameter with the value the block was built with
    double translation[3] = {0, 0, 0};   // metres
    double rotation[4] = {0, 0, 0, 1};   // unit quaternion x, y, z, w
    std::vector<std::shared_ptr<const SceneGroup>> groups;   // non-empty groups, shared with caches
};

struct Scene {
    std::vector<SceneGroup> groups;   // station frame, as the host received them
    std::vector<SceneBlock> blocks;   // the same geometry block by block (may be empty)
};

}  // namespace quilbet
