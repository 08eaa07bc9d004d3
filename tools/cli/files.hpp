// Whole-file reads and all-or-nothing writes for the command-line tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quilbet {

// Reads the whole file; false (and a reason in error) when it cannot be read.
bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out, std::string& error);
// Writes through a temporary file beside the target and renames it over the
// target, so a failed write never leaves a partial file. False with a reason on failure.
bool write_file_bytes(const std::string& path, const void* data, size_t size, std::string& error);

}  // namespace quilbet
