// Diagnostics outside Windows: one line on standard error.
#include "platform/diagnostics.hpp"

#include <cstdio>

namespace quilbet {

void diagnostic_emit(const std::string& line) { std::fprintf(stderr, "quilbet: %s\n", line.c_str()); }

}  // namespace quilbet
