// Hard limits on the shape of a station description. Limits on parameter
// values live with each parameter in the block-type table (block_types.hpp);
// the whole station's size is bounded by the station budget (station_budget.hpp).
#pragma once

#include <cstdint>

namespace quilbet {

// Block slots a description may declare (N); the hand-over can place at most
// 1,000 groups anyway, and every block needs at least one.
inline constexpr int32_t max_block_count = 1024;
// Parameter entries (P) and port entries (Q) of one block record. No type has
// more than 5 parameters or 258 ports; larger counts are refused as absurd.
inline constexpr int32_t max_record_params = 64;
inline constexpr int32_t max_record_ports = 1024;

}  // namespace quilbet
