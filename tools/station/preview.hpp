// Off-screen preview picture of a built station through Mesa's OpenGL
// (EGL, surfaceless platform, desktop GL 3.3 core): textured groups with a key
// light, a fill light and hemispheric ambient light, seen from a three-quarter
// view whose camera is fitted to the station so that it fills the frame with a
// small margin; rendered at twice the size with 4x multisampling and
// box-filtered down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "station/scene.hpp"

namespace quilbet {

struct PreviewInfo {
    // Projected bounding box of all vertices in output pixels (x right, y down).
    double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    uint8_t background[3] = {0, 0, 0};   // the uniform background colour
};

// The preview is drawn at this many times its size, then box-filtered down.
inline constexpr int32_t preview_supersampling = 2;

// "" when this machine's OpenGL can make the render targets of a width x
// height preview; otherwise why not (the size is beyond its limit, it is out
// of memory, or there is no OpenGL context). Checked before a long build;
// allocates the targets for a moment and frees them.
std::string preview_size_problem(int32_t width, int32_t height);

// Renders width x height RGB pixels (row 0 at the top) into rgb. False with a
// reason when no OpenGL context can be made or the scene has no triangles.
bool render_preview(const Scene& scene, int32_t width, int32_t height, std::vector<uint8_t>& rgb,
                    PreviewInfo& info, std::string& error);

}  // namespace quilbet
