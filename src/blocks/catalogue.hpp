// The catalogue of the 26 block types, built once and read-only afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "blocks/block.hpp"
#include "texture/context.hpp"

namespace quilbet {

// Progress hook: (phase, fraction). Phase 0 is the catalogue build.
using ProgressFn = std::function<void(int32_t phase, double fraction)>;

class Catalogue {
public:
    // Defines the 26 entries in table order with their parameters, default
    // geometry, ports and size, reporting (0, (i + 1) / 26) after each entry.
    void build_catalogue(Context& ctx, const ProgressFn& progress = {});

    const std::vector<blocktyp>& entries() const { return catalogue; }
    int32_t catalogue_count() const { return static_cast<int32_t>(catalogue.size()); }
    const std::vector<std::string>& names() const { return category_names_; }
    int32_t category_count() const { return static_cast<int32_t>(category_names_.size()); }
    // First entry with this type id, in catalogue order; -1 when none.
    int32_t find_type(int32_t btype) const;
    // First live entry whose name matches ignoring letter case; -1 when none.
    int32_t find_name(const std::string& name) const;

private:
    std::vector<blocktyp> catalogue;
    std::vector<std::string> category_names_;
};

}  // namespace quilbet
