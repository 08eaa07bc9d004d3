// Bounded log: size check, one rotation, append, with the C library's files
// (the same on every platform).
#include "platform/bounded_log.hpp"

#include <cstdio>

namespace quilbet {

namespace {

// The file's size, or 0 when it does not exist or cannot be read.
long file_size(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return 0;
    long size = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    std::fclose(f);
    return size < 0 ? 0 : size;
}

}  // namespace

bool append_bounded_log(const std::string& path, const std::string& old_path, const std::string& text,
                        std::size_t limit) {
    try {
        const char* mode = "ab";
        if (static_cast<std::size_t>(file_size(path)) >= limit) {
            std::remove(old_path.c_str());  // rename does not replace a file on Windows
            if (std::rename(path.c_str(), old_path.c_str()) != 0) mode = "wb";
        }
        std::FILE* log = std::fopen(path.c_str(), mode);
        if (log == nullptr) return false;
        const bool written = std::fwrite(text.data(), 1, text.size(), log) == text.size();
        return std::fclose(log) == 0 && written;
    } catch (...) {
        return false;
    }
}

}  // namespace quilbet
