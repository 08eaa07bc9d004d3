// Where a diagnostic line goes when nobody asked for it elsewhere: on Windows
// the debugger (OutputDebugString) and a line appended to "quilbet.log" in the
// current folder (rotated once to "quilbet.old.log" at 64 KB, so a host that
// is refused again and again keeps two small files); elsewhere standard error.
#pragma once

#include <string>

namespace quilbet {

// Emits one line (no trailing newline needed). Never throws; failures to
// write the log are ignored.
void diagnostic_emit(const std::string& line);

}  // namespace quilbet
