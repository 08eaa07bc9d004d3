// The few file-system operations of the start-up, relative to the current
// folder, with the platform's path separator.
#pragma once

#include <cstddef>
#include <string>

namespace quilbet {

#if defined(_WIN32)
inline constexpr char path_separator = '\\';
#else
inline constexpr char path_separator = '/';
#endif

// True when path names an existing folder (a file of that name does not count).
bool folder_exists(const std::string& path);
// Creates folder path and any missing parents. True when the folder exists afterwards.
bool create_folder_with_parents(const std::string& path);
// Creates or replaces file path with the n bytes at data in one write.
// False on any failure to create, write or close it.
bool write_whole_file(const std::string& path, const void* data, std::size_t n);

}  // namespace quilbet
