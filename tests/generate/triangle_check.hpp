// An overlap check that shares nothing with the generator's: the station the
// module built (block meshes placed by the module's own pnt_place), tested
// triangle against triangle for every pair of different blocks that are not
// linked to each other.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/station.hpp"

namespace quilbet {

struct BlockPair {
    int32_t a = -1, b = -1;
};

// Triangles cross when each has corners beyond both sides of the other's
// plane by more than `tolerance` and their stretches along the line where the
// planes meet share more than `tolerance`. Touching faces, edges and corners
// do not count.
bool triangles_cross(const double a[3][3], const double b[3][3], double tolerance);

// Pairs of live blocks (a < b) that are not linked port to port and have a
// crossing pair of triangles.
std::vector<BlockPair> crossing_blocks(const Station& st, double tolerance);

}  // namespace quilbet
