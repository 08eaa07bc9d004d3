// Suggestions for mistyped names ("did you mean ...?"): an edit distance
// that counts a swap of neighbouring letters as one edit.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quilbet {

// Case-insensitive edit distance (insertions, deletions, substitutions, swaps of neighbours).
size_t name_distance(const std::string& a, const std::string& b);
// Names longer than this get no suggestions and are never suggested.
inline constexpr size_t max_suggested_name = 64;
// The candidate closest to `name`, or "" when none is close enough to be a
// likely typo (or when name is longer than max_suggested_name).
std::string closest_name(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace quilbet
