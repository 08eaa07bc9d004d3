// Start-up file operations on Windows (ANSI paths relative to the current folder).
#include "platform/files.hpp"

#include <windows.h>

namespace quilbet {

bool folder_exists(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool create_folder_with_parents(const std::string& path) {
    if (path.empty()) return false;
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
        const std::string prefix = path.substr(0, i);
        if (folder_exists(prefix)) continue;
        if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return folder_exists(path);
}

bool write_whole_file(const std::string& path, const void* data, std::size_t n) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const bool written = WriteFile(f, data, static_cast<DWORD>(n), &done, nullptr) && done == n;
    const bool closed = CloseHandle(f) != 0;
    return written && closed;
}

}  // namespace quilbet
