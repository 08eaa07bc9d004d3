// Start-up file operations on POSIX systems.
#include "platform/files.hpp"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>

namespace quilbet {

bool folder_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool create_folder_with_parents(const std::string& path) {
    if (path.empty()) return false;
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != path_separator) continue;
        const std::string prefix = path.substr(0, i);
        if (folder_exists(prefix)) continue;
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return folder_exists(path);
}

bool write_whole_file(const std::string& path, const void* data, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(data, 1, n, f) == n;
    const bool closed = std::fclose(f) == 0;
    return written && closed;
}

}  // namespace quilbet
