// Whole-file reads and all-or-nothing writes for the tools.
//
// A write never destroys what it replaces: the bytes go to a new temporary
// file, created exclusively (never through a link, a random name) in the
// target's folder, flushed to disk, given the target's mode, and renamed over
// the target. A target that is a symbolic link is written through: the file
// it names is replaced and the link stays. Until the rename the temporary
// file is held for removal should SIGINT, SIGTERM or SIGHUP end the process
// (pending_files.hpp). Every failure says why (the system's reason: no space
// left on device, permission denied ...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quilbet {

// Station descriptions, JSON or blob, are far smaller than this.
inline constexpr uintmax_t max_input_bytes = uintmax_t{64} << 20;

// Reads the whole file; false (and a reason in error) when it cannot be read,
// is a folder, or is larger than max_input_bytes.
bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out, std::string& error);

// Writes the bytes as described above; on failure (false, with a reason) the
// target keeps what it held and no temporary file is left.
bool write_file_bytes(const std::string& path, const void* data, size_t size, std::string& error);

// True when path can be written: it is not a folder and a file can be
// created beside the file it names. Checked before any work, so that a long
// build never ends in an output that cannot be written. Leaves nothing behind.
bool can_write_file(const std::string& path, std::string& error);

// A file a command reads or writes, with the name the person gave it by
// ("the station", "-o", "--png").
struct CommandFile {
    std::string role;
    std::string path;
};

// "" when no output is an input or another output; otherwise a sentence
// naming the two. Files are the same when they are one file on disk (device
// and inode, links and other names followed) or, where they do not exist
// yet, when their paths lead to the same place. Outputs with an empty path
// (not asked for, standard output) are skipped. Meant to be checked before
// anything is read or built.
std::string same_file_problem(const std::vector<CommandFile>& inputs, const std::vector<CommandFile>& outputs);

struct OutputFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// Writes every file or none: each is written to a temporary file beside its
// target first; only when all are written are they renamed into place. On
// failure the temporary files are removed and the targets keep what they held.
bool write_files_together(const std::vector<OutputFile>& files, std::string& error);

}  // namespace quilbet
