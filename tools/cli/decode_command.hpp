// `quilbet decode`: a description blob back to JSON (an exact round trip).
#pragma once

#include <string>

namespace quilbet {

// Reads the blob at `in` and writes its JSON description to `out` (standard
// output when empty). Returns the exit code (0, or 1 for a file that is not a
// valid blob or a failed write).
int run_decode(const std::string& in, const std::string& out);

}  // namespace quilbet
