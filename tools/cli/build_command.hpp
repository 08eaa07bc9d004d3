// `quilbet build`: description -> checked blob -> real entry points -> GLB,
// optional PNG preview, vessel JSON and the host's mesh and DDS files.
#pragma once

#include "station/station_outputs.hpp"

namespace quilbet {

// Runs the whole build; returns the process exit code (0 success, 1 invalid
// input or a failed build or write). Messages go to stderr; a progress line
// appears when the build takes more than a moment. Nothing is written unless
// the build succeeded.
int run_build(const BuildOptions& opt);

}  // namespace quilbet
