// The plug-in in hosts that keep their own floating-point state, and over
// many rebuilds, in a real 32-bit process: a host must never be brought down
// or made to run differently by a plug-in.
#pragma once

#include "report.hpp"

namespace host {

// Loads the plug-in three times: under the host's usual state, with the
// invalid, zero-divide and overflow exceptions unmasked (x87 and SSE), and
// with the x87 precision set to 24 bits. Each time it builds and hands over
// the test stations and every zero size the hard limits allow (Tank_A and
// Tank_B Radius 0 or 1e-300, adaptor and auxiliary port Length 0, Hab_B
// Length 0 and -0, Truss_A Block_length 0): the process survives, the host
// finds its state as it set it after every call, and vertices, indices and
// vessel definitions are those of the usual host bit for bit.
void check_host_fpu_states(const char* dll_path, Report& report);

// Rebuilds the budget's largest stations (11 Power_wing_C; 203 Solar_Panel_A
// of 64 rows) `rebuilds` times in turn, handing each over and freeing what
// the host got, and prints the process's peak working set; checks it stays
// under 300 MB.
void check_rebuild_memory(const char* dll_path, int rebuilds, Report& report);

}  // namespace host
