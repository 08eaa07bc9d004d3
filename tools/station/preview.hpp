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

// Renders width x height RGB pixels (row 0 at the top) into rgb. False with a
// reason when no OpenGL context can be made or the scene has no triangles.
bool render_preview(const Scene& scene, int32_t width, int32_t height, std::vector<uint8_t>& rgb,
                    PreviewInfo& info, std::string& error);

}  // namespace quilbet
