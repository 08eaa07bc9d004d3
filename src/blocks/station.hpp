// The station under construction: the block table, the count of slots in use
// and the root. One station per module instance.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/block.hpp"

namespace quilbet {

inline constexpr Vec3 root_position{0, 0, 0};
inline constexpr Quat root_orientation{0, 0, 0, 1};

struct Station {
    std::vector<blocktyp> blocks;   // indexed by block id
    int32_t block_count = 0;        // slots in use
    int32_t root = -1;              // root block id, -1 without a station
};

}  // namespace quilbet
