// `quilbet describe`: checks a JSON station description and writes its blob.
#pragma once

#include <string>

namespace quilbet {

// Checks the description at `in` and prints its messages on stderr (blocks
// that cut into each other as warnings); with `out` set, writes its blob
// there. Then prints the station's figures on stdout: a few lines, or JSON
// when `json` is set. Returns the exit code (0, or 1 for an invalid
// description or a failed write; nothing goes to stdout then).
int run_describe(const std::string& in, const std::string& out, bool json);

}  // namespace quilbet
