// The catalogue of the 26 block types, built once and read-only afterwards.
//
// Stations copy an entry's type, parameters and ports and build their own
// geometry, so an entry's default geometry (its mesh, textures and size) is
// only for tools that look at it: it is built on first use, from a random
// state and noise tables of its own, exactly as a build at start-up would
// have made it. Start-up still leaves the module's random state and noise
// tables where those builds would have left them.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "blocks/block.hpp"
#include "texture/context.hpp"

namespace quilbet {

// Progress hook: (phase, fraction). Phase 0 is the catalogue build.
using ProgressFn = std::function<void(int32_t phase, double fraction)>;

// When the entries' default geometry is built.
enum class DefaultGeometry {
    on_first_use,   // by entry() or entries(), from a copy of the context
    now,            // during build_catalogue, drawing from the context itself
};

class Catalogue {
public:
    Catalogue() = default;
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Defines the 26 entries in table order with their parameters, ports and
    // texture objects, reporting (0, (i + 1) / 26) after each entry, and
    // leaves ctx's random state and noise tables as building every entry's
    // default geometry in that order leaves them. With on_first_use the
    // geometry waits for entry() or entries() and ctx is advanced by each
    // type's fixed draw count (BlockTypeSpec::default_draws) instead; with
    // now it is built here. Either way every entry ends up the same.
    void build_catalogue(Context& ctx, const ProgressFn& progress = {},
                         DefaultGeometry when = DefaultGeometry::on_first_use);

    // Every entry with its default geometry (building those not built yet, in
    // catalogue order). Safe to call from several threads.
    const std::vector<blocktyp>& entries() const;
    // Entry i (0 .. catalogue_count() - 1) with its default geometry; builds
    // entries up to i when needed. Safe to call from several threads.
    const blocktyp& entry(int32_t i) const;
    // Entry i (0 .. catalogue_count() - 1) as stations copy it: name, type,
    // category, parameters, ports and texture object, without geometry (mesh
    // empty, size 1). Never builds and never changes until the next
    // build_catalogue, so it may be read while another thread builds entries.
    const blocktyp& definition(int32_t i) const { return definitions_[static_cast<std::size_t>(i)]; }
    // How many entries (from the first) have their default geometry.
    int32_t built_count() const;

    int32_t catalogue_count() const { return static_cast<int32_t>(definitions_.size()); }
    const std::vector<std::string>& names() const { return category_names_; }
    int32_t category_count() const { return static_cast<int32_t>(category_names_.size()); }
    // First entry with this type id, in catalogue order; -1 when none.
    int32_t find_type(int32_t btype) const;
    // First live entry whose name matches ignoring letter case; -1 when none.
    int32_t find_name(const std::string& name) const;

private:
    // Builds the default geometry of entries built_.size() .. last.
    void build_through(int32_t last) const;

    std::vector<blocktyp> definitions_;
    std::vector<std::string> category_names_;
    // Entries with their default geometry, the first ones in catalogue order
    // (capacity for all, so a reference to one stays valid), and the context
    // the next one is built from: a copy of the one build_catalogue was given,
    // carried on from entry to entry as the builds draw from it.
    mutable std::vector<blocktyp> built_;
    mutable Context defaults_ctx_;
    mutable std::mutex building_;
};

}  // namespace quilbet
