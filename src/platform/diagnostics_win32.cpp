// Diagnostics on Windows: the debugger output and quilbet.log in the current folder.
#include "platform/diagnostics.hpp"

#include <windows.h>

#include <cstdio>

namespace quilbet {

void diagnostic_emit(const std::string& line) {
    const std::string text = "quilbet: " + line + "\n";
    OutputDebugStringA(text.c_str());
    if (std::FILE* log = std::fopen("quilbet.log", "ab")) {
        const std::string crlf = "quilbet: " + line + "\r\n";
        std::fwrite(crlf.data(), 1, crlf.size(), log);
        std::fclose(log);
    }
}

}  // namespace quilbet
