// The designer's station builder: the module's own block build, block by
// block (the build steps of entry/station_build.hpp that make_vessel runs),
// with a cache so that a rebuild after one edit makes only the changed
// block's geometry anew.
//
// The module builds blocks in description order, each drawing from the random
// state the previous one left. A block's geometry is therefore a function of
// its type, its parameter values and the random state it starts from; that
// triple is the cache key, and the entry keeps the random state the block
// leaves behind. A parameter change rebuilds the changed block; the blocks
// after it are taken from the cache as long as the changed block drew as many
// random numbers as before (which holds for every parameter that does not
// change how much is painted or how many rows are turned).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "blocks/block.hpp"
#include "entry/module.hpp"
#include "station/scene.hpp"
#include "station/station_json.hpp"

namespace quilbet {

// One block's geometry as the module builds it from a type, parameter values
// and a random state; shared by every build that meets the same key.
struct BuiltBlock {
    std::string key;          // hex digest of full_key: the name the page fetches the mesh by
    std::string full_key;     // type, parameter values bit for bit, random state
    blocktyp block;           // the instance: parameters set, mesh and ports in its own frame, no links
    uint32_t random_after = 0;
    std::vector<std::shared_ptr<const SceneGroup>> groups;   // what reaches the host, textures as PNG
    size_t vertices = 0;
};

struct PlacedPort {
    int32_t index = 0;
    Vec3 pos, dir;            // station frame
    int32_t kind = 0;
    bool linked = false;
};

struct PlacedBlock {
    int32_t slot = 0;
    std::string id;           // as written
    std::shared_ptr<const BuiltBlock> built;
    Vec3 pos;                 // placement: station point = rot * block point + pos
    Quat rot;
    std::vector<PlacedPort> ports;
};

struct StationBuild {
    std::vector<PlacedBlock> blocks;   // in description order
    size_t built_anew = 0;             // blocks whose geometry was made for this build
    size_t reused = 0;                 // blocks taken from the cache
    double milliseconds = 0;           // geometry, textures and placement
};

// What the geometry cache holds at most (besides the blocks of the last build).
inline constexpr size_t default_cache_limit = size_t{256} << 20;

class StationBuilder {
public:
    // Starts a module of its own (catalogue and random state as a fresh
    // `quilbet build` has them, no placeholder files).
    StationBuilder();

    // False, with the module's reason in start_error(), when the module did not start.
    bool started() const { return started_; }
    const std::string& start_error() const { return start_error_; }

    // Builds a station that validate_station accepted (errors there mean
    // nothing may be built): every record in order, from the module's random
    // state after start-up, the way make_vessel builds it, then places it from
    // the root. Geometry comes from the cache where the key matches. Entries
    // that the last few builds did not use are dropped, and the least recently
    // used beyond the cache limit. Safe to call from
    // several threads (builds run one at a time).
    StationBuild build(const StationText& st);

    // The cached geometry with this key, or null when it is no longer held.
    std::shared_ptr<const BuiltBlock> find(const std::string& key) const;

    // The build as exporters take it: one block per placed block, named by its id.
    static Scene scene(const StationBuild& b);

    // Cache entries held now.
    size_t cached() const;

    // Bytes of geometry the cache may hold beyond the blocks of the last build
    // (default_cache_limit); the least recently used entries go first.
    void set_cache_limit(size_t bytes) { cache_limit_ = bytes; }

private:
    std::shared_ptr<const BuiltBlock> block_for(const BlobRecord& r, uint32_t random_before, bool& anew);

    Module module_;
    bool started_ = false;
    std::string start_error_;
    uint32_t random_start_ = 0;
    mutable std::mutex mutex_;
    struct Entry {
        std::shared_ptr<const BuiltBlock> block;
        uint64_t last_used = 0;
    };
    std::map<std::string, Entry> cache_;
    uint64_t generation_ = 0;
    size_t cache_limit_ = default_cache_limit;
};

}  // namespace quilbet
