// `quilbet describe`: checks a JSON station description and writes its blob.
#pragma once

#include <string>

namespace quilbet {

// Checks the description at `in` and prints its messages on stderr; with
// `out` set, writes its blob there. Returns the exit code (0, or 1 for an
// invalid description or a failed write).
int run_describe(const std::string& in, const std::string& out);

}  // namespace quilbet
