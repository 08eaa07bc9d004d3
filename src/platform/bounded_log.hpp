// A log file that cannot grow without bound: lines are appended until the
// file holds a limit's worth, then it is rotated once (the full file becomes
// the old one, replacing the previous old one) and a new file is begun. A
// host that provokes a diagnostic on every call thus keeps at most two files
// of about the limit each.
#pragma once

#include <cstddef>
#include <string>

namespace quilbet {

// Size at which quilbet.log is rotated: a few hundred diagnostics.
inline constexpr std::size_t log_rotate_bytes = std::size_t(64) * 1024;

// Appends text to the file at path. When the file already holds `limit`
// bytes or more, it first replaces old_path (removed, then path renamed to
// it); should the rename fail, path is begun anew so the bound still holds.
// Never throws; false when text could not be written.
bool append_bounded_log(const std::string& path, const std::string& old_path, const std::string& text,
                        std::size_t limit = log_rotate_bytes);

}  // namespace quilbet
