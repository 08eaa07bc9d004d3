// What a user may ask of a generated station beyond its style: counts of
// block types or categories, free docking ports, a size in metres. A
// requirement is read from "NAME=N" or "NAME=MIN..MAX", where NAME is a
// block-type name or a category name (letter case ignored; a category also by
// its name with _ for spaces or by its first word: "solar", "habitats").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blocks/block_types.hpp"
#include "maths/maths.hpp"

namespace quilbet {

struct Requirement {
    std::string name;        // as the type or category is written
    bool category = false;   // counts every type of the category
    int32_t type_or_category = 0;
    int32_t min = 0, max = 0;

    // True when a block of this type counts towards the requirement.
    bool counts(BlockType type) const;
};

struct GenerateConstraints {
    std::vector<Requirement> requirements;
    int32_t docking = -1;          // free docking ports asked for, -1: any
    bool has_max_size = false;
    Vec3 max_size;                 // extents of the station's box along x, y, z, in metres

    bool any() const { return !requirements.empty() || docking >= 0 || has_max_size; }
};

// Reads "NAME=N" or "NAME=MIN..MAX" into r; false with why otherwise.
bool parse_requirement(const std::string& text, Requirement& r, std::string& why);
// Reads "X,Y,Z" (metres, each above 0); false otherwise.
bool parse_max_size(const std::string& text, Vec3& size);

}  // namespace quilbet
