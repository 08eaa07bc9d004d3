// The exact check behind a box-tree overlap. Leaf boxes take in empty space
// around large triangles (a wing's panels are a few triangles tens of metres
// long), so two blocks whose boxes interpenetrate may still stand clear of
// each other; their surfaces say whether they really cross.
#pragma once

#include <array>

#include "generate/block_shape.hpp"
#include "generate/box_overlap.hpp"

namespace quilbet {

// The shortest push that parts two triangles (three corners each, in one
// frame), by the separating-axis test over both normals and the nine cross
// products of their edges; zero or less when they are apart or only touch.
double triangle_depth(const std::array<double, 9>& a, const std::array<double, 9>& b);

// True when some triangle of a and some triangle of b cross by more than
// allowed_depth (metres), searched only in leaf pairs whose boxes do. Both
// shapes must hold their triangles (shape_of_mesh with keep_triangles).
bool surfaces_cross(const BlockShape& a, const Pose& pa, const BlockShape& b, const Pose& pb, double allowed_depth);

}  // namespace quilbet
