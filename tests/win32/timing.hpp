// The test host's timing mode: how long a host waits for quilbet.dll, measured
// in this real 32-bit process. A benchmark for `make bench`, not a test: it
// prints a table of medians and checks nothing beyond the stations being built.
#pragma once

namespace host {

// dll_host_test --timing [--repeats N] [--large PATH] DLL [DLL ...]
//
// For each DLL (one column each): the median time of LoadLibrary (start-up
// included; loads alternate between the DLLs), then, with every DLL loaded and
// their builds taking turns, the medians of make_vessel, make_vesselmesh and
// their sum over N builds of each station: the large example's blob read from
// PATH (when given), an 11-block station with four habitats and 12 x
// Power_wing_C; then make_vesselmesh of 11 x Power_wing_C and of 203
// Solar_Panel_A of 64 rows onto surfaces of 32, 24, 16 (5-5-5 and 5-6-5) and
// 8 bits (palette). N defaults to 7. DLLs of the same
// file name are fine as long as their paths differ.
// Returns the process exit code (2 for bad arguments, 1 when a DLL fails to load).
int run_timing(int argc, char** argv);

}  // namespace host
