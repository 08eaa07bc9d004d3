// `quilbet catalogue`: every block type with its parameters and ports.
#pragma once

#include <string>

namespace quilbet {

// Prints the catalogue on stdout, as text or (json) as the JSON listing the
// designer reads. Returns 0.
int run_catalogue(bool json);

}  // namespace quilbet
