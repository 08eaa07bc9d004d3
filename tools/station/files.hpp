// Whole-file reads and all-or-nothing writes for the command-line tool.
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

// Writes through a temporary file beside the target and renames it over the
// target, so a failed write never leaves a partial file. False with a reason on failure.
bool write_file_bytes(const std::string& path, const void* data, size_t size, std::string& error);

// True when path can be written: it is not a folder and a file can be
// created beside it. Checked before any work, so that a long build never ends
// in an output that cannot be written. Leaves nothing behind.
bool can_write_file(const std::string& path, std::string& error);

struct OutputFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// Writes every file or none: each is written to a temporary file beside its
// target first; only when all are written are they renamed into place. On
// failure the temporary files are removed and the targets keep what they held.
bool write_files_together(const std::vector<OutputFile>& files, std::string& error);

}  // namespace quilbet
