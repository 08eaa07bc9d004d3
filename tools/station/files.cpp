// File helpers: whole reads, temporary-file-and-rename writes.
#include "station/files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace quilbet {

namespace fs = std::filesystem;

namespace {

std::string part_path(const std::string& path) { return path + ".part"; }

bool write_part(const std::string& path, const void* data, size_t size, std::string& error) {
    const std::string tmp = part_path(path);
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.flush();
    if (!out) {
        error = "cannot write " + path;
        out.close();
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool rename_part(const std::string& path, std::string& error) {
    std::error_code ec;
    fs::rename(part_path(path), path, ec);
    if (ec) {
        error = "cannot write " + path + ": " + ec.message();
        std::remove(part_path(path).c_str());
        return false;
    }
    return true;
}

}  // namespace

bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) {
        error = path + " is a folder, not a station file";
        return false;
    }
    if (fs::is_regular_file(status)) {
        const uintmax_t size = fs::file_size(path, ec);
        if (!ec && size > max_input_bytes) {
            error = path + " has " + std::to_string(size) + " bytes; a station file has at most " +
                    std::to_string(max_input_bytes) + " bytes";
            return false;
        }
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    // The stream buffer can throw on a read error whatever the stream's
    // exception mask says; anything else that is not a file (a pipe) is read
    // up to the same limit.
    try {
        out.clear();
        char chunk[65536];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            out.insert(out.end(), chunk, chunk + in.gcount());
            if (out.size() > max_input_bytes) {
                error = path + " has more than " + std::to_string(max_input_bytes) + " bytes; too large for a station file";
                return false;
            }
        }
    } catch (const std::exception& e) {
        error = "cannot read " + path + ": " + e.what();
        return false;
    }
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool write_file_bytes(const std::string& path, const void* data, size_t size, std::string& error) {
    return write_part(path, data, size, error) && rename_part(path, error);
}

bool can_write_file(const std::string& path, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        error = "cannot write " + path + ": it is a folder";
        return false;
    }
    if (!write_part(path, "", 0, error)) return false;
    std::remove(part_path(path).c_str());
    return true;
}

bool write_files_together(const std::vector<OutputFile>& files, std::string& error) {
    size_t staged = 0;
    for (; staged < files.size(); ++staged) {
        const OutputFile& f = files[staged];
        if (!write_part(f.path, f.bytes.data(), f.bytes.size(), error)) break;
    }
    if (staged < files.size()) {
        for (size_t i = 0; i < staged; ++i) std::remove(part_path(files[i].path).c_str());
        return false;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!rename_part(files[i].path, error)) {
            for (size_t k = i + 1; k < files.size(); ++k) std::remove(part_path(files[k].path).c_str());
            return false;
        }
    }
    return true;
}

}  // namespace quilbet
