// File helpers: whole reads, writes through an exclusive temporary file.
#include "station/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "station/pending_files.hpp"

namespace quilbet {

namespace fs = std::filesystem;

namespace {

std::string reason(int err) { return std::strerror(err); }

// The path a write to `path` replaces: symbolic links followed, relative ones
// from their own folder, to a path that is not a link (and may not exist yet).
bool final_target(const std::string& path, std::string& out, std::string& error) {
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = p.string();
            return true;
        }
        std::error_code ec;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) {
            error = "cannot write " + path + ": " + ec.message();
            return false;
        }
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    error = "cannot write " + path + ": " + reason(ELOOP);
    return false;
}

// A name nobody else is likely to pick, in the folder of target.
std::string temporary_name(const std::string& target) {
    static thread_local std::mt19937_64 random{std::random_device{}() ^ (uint64_t{std::random_device{}()} << 32)};
    char tag[20];
    std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(random()));
    const fs::path t = target;
    // Cut long names so that the temporary one stays within the 255 bytes a name may have.
    return (t.parent_path() / ("." + t.filename().string().substr(0, 200) + "." + tag + ".tmp")).string();
}

// A temporary file beside its target, created but not yet renamed.
struct Staged {
    std::string target;   // the final target (links followed)
    std::string temp;
};

void discard(const Staged& s) {
    unlink(s.temp.c_str());
    release_pending_file(s.temp);
}

bool write_all(int fd, const uint8_t* p, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Creates a new temporary file beside the file `path` leads to, writes the
// bytes, flushes them to disk and gives the file the target's mode.
bool stage(const std::string& path, const void* data, size_t size, Staged& out, std::string& error) {
    if (!final_target(path, out.target, error)) return false;
    struct stat target_stat {};
    const bool exists = stat(out.target.c_str(), &target_stat) == 0;
    if (exists && S_ISDIR(target_stat.st_mode)) {
        error = "cannot write " + path + ": it is a folder";
        return false;
    }
    // A device, pipe or socket would be replaced by a plain file.
    if (exists && !S_ISREG(target_stat.st_mode)) {
        error = "cannot write " + path + ": it is not a plain file";
        return false;
    }
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        out.temp = temporary_name(out.target);
        hold_pending_file(out.temp);
        fd = open(out.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int err = errno;
            release_pending_file(out.temp);
            if (err != EEXIST) {
                error = "cannot create a file beside " + path + ": " + reason(err);
                return false;
            }
        }
    }
    if (fd < 0) {
        error = "cannot create a file beside " + path + ": " + reason(EEXIST);
        return false;
    }
    int err = 0;
    if (exists && fchmod(fd, target_stat.st_mode & 07777) != 0) err = errno;
    if (err == 0 && !write_all(fd, static_cast<const uint8_t*>(data), size)) err = errno;
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        error = "cannot write " + path + ": " + reason(err);
        discard(out);
        return false;
    }
    return true;
}

// Renames the staged file over its target and flushes the folder's entry.
bool commit(const std::string& path, const Staged& s, std::string& error) {
    if (rename(s.temp.c_str(), s.target.c_str()) != 0) {
        error = "cannot write " + path + ": " + reason(errno);
        discard(s);
        return false;
    }
    release_pending_file(s.temp);
    const fs::path folder = fs::path(s.target).parent_path();
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

// Where a file is: its device and inode when it exists, else the absolute
// path it leads to, with the existing part of its folder resolved.
std::string file_identity(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::string target, error;
    if (!final_target(path, target, error)) target = path;
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(target, ec), ec);
    return "path " + (ec ? target : p.string());
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
    Staged s;
    return stage(path, data, size, s, error) && commit(path, s, error);
}

bool can_write_file(const std::string& path, std::string& error) {
    Staged s;
    if (!stage(path, "", 0, s, error)) return false;
    discard(s);
    return true;
}

bool write_files_together(const std::vector<OutputFile>& files, std::string& error) {
    std::vector<Staged> staged(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!stage(files[i].path, files[i].bytes.data(), files[i].bytes.size(), staged[i], error)) {
            for (size_t k = 0; k < i; ++k) discard(staged[k]);
            return false;
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!commit(files[i].path, staged[i], error)) {
            for (size_t k = i + 1; k < files.size(); ++k) discard(staged[k]);
            return false;
        }
    }
    return true;
}

std::string same_file_problem(const std::vector<CommandFile>& inputs, const std::vector<CommandFile>& outputs) {
    std::vector<std::pair<std::string, const CommandFile*>> seen;
    for (const CommandFile& f : inputs) seen.emplace_back(file_identity(f.path), &f);
    for (const CommandFile& f : outputs) {
        if (f.path.empty()) continue;
        const std::string id = file_identity(f.path);
        for (const auto& [other_id, other] : seen) {
            if (other_id == id) {
                return f.role + " " + f.path + " is the same file as " + other->role + " " + other->path +
                       "; every output must be a file of its own";
            }
        }
        seen.emplace_back(id, &f);
    }
    return "";
}

}  // namespace quilbet
