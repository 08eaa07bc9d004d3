// Diagnostics on Windows: the debugger output and quilbet.log in the current
// folder, rotated to quilbet.old.log once it holds 64 KB.
#include "platform/diagnostics.hpp"

#include <windows.h>

#include "platform/bounded_log.hpp"

namespace quilbet {

void diagnostic_emit(const std::string& line) {
    try {
        const std::string text = "quilbet: " + line + "\n";
        OutputDebugStringA(text.c_str());
        append_bounded_log("quilbet.log", "quilbet.old.log", "quilbet: " + line + "\r\n");
    } catch (...) {
    }
}

}  // namespace quilbet
