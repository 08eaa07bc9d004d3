// Where the entry layer sends a diagnostic line (a refused description, a
// hand-over that had to leave something out, a start-up that stopped).
#pragma once

#include <functional>
#include <string>

namespace quilbet {

using DiagnosticFn = std::function<void(const std::string& line)>;

}  // namespace quilbet
