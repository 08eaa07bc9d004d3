// Block-by-block station build with a geometry cache.
#include "design/station_builder.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

#include "blocks/placement.hpp"
#include "entry/station_build.hpp"
#include "station/block_scene.hpp"
#include "station/png_io.hpp"

namespace quilbet {
namespace {

// Builds that may pass before an unused entry is dropped: enough for a few
// undo and redo steps to find their geometry still there.
constexpr uint64_t kept_builds = 8;

// The memory a cached block holds: its groups' arrays and encoded textures.
size_t held_bytes(const BuiltBlock& b) {
    size_t bytes = sizeof b;
    for (const auto& g : b.groups) {
        bytes += sizeof *g + (g->pos.size() + g->nrm.size() + g->uv.size()) * sizeof(float) +
                 g->ind.size() * sizeof(uint32_t) + g->rgba.size() + (g->png ? g->png->size() : 0);
    }
    return bytes;
}

uint64_t fnv1a(const std::string& s) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// Type, every parameter value bit for bit (after the record's values are
// applied to the catalogue's defaults) and the incoming random state.
std::string cache_key(const blocktyp& b, uint32_t random_before) {
    std::string key = std::to_string(b.btype) + "@" + std::to_string(random_before);
    for (int32_t i = 0; i < b.nparams && static_cast<size_t>(i) < b.params.size(); ++i) {
        uint64_t bits;
        const double v = b.params[static_cast<size_t>(i)].val;
        std::memcpy(&bits, &v, sizeof bits);
        char word[24];
        std::snprintf(word, sizeof word, ":%016llx", static_cast<unsigned long long>(bits));
        key += word;
    }
    return key;
}

std::string digest(const std::string& key) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(key)));
    return hex;
}

// The block's groups that reach the host, textures encoded once as PNG.
std::vector<std::shared_ptr<const SceneGroup>> scene_groups(const blocktyp& b, size_t& vertices) {
    std::vector<std::shared_ptr<const SceneGroup>> out;
    vertices = 0;
    for (int32_t i = 0; i < b.msh.grpcnt && static_cast<size_t>(i) < b.msh.grp.size(); ++i) {
        const typmshgrp& g = b.msh.grp[static_cast<size_t>(i)];
        if (!group_reaches_host(g)) continue;
        auto sg = std::make_shared<SceneGroup>(scene_group(g));
        if (sg->texw > 0) {
            std::vector<uint8_t> rgb(static_cast<size_t>(sg->texw) * sg->texh * 3);
            for (size_t p = 0, q = 0; p < sg->rgba.size(); p += 4, q += 3) {
                rgb[q] = sg->rgba[p], rgb[q + 1] = sg->rgba[p + 1], rgb[q + 2] = sg->rgba[p + 2];
            }
            auto png = std::make_shared<std::vector<uint8_t>>();
            std::string error;
            // A texture that cannot be encoded is left to the writer, which then reports why.
            if (encode_png(rgb.data(), sg->texw, sg->texh, 3, *png, error)) sg->png = std::move(png);
        }
        vertices += sg->vertex_count();
        out.push_back(std::move(sg));
    }
    return out;
}

}  // namespace

StationBuilder::StationBuilder() {
    module_.set_diagnostic_sink([this](const std::string& line) { start_error_ = line; });
    StartupOptions opt;
    opt.write_placeholder_files = false;
    started_ = module_.startup(opt);
    random_start_ = module_.context().random.state();
}

std::shared_ptr<const BuiltBlock> StationBuilder::block_for(const BlobRecord& r, uint32_t random_before, bool& anew) {
    anew = false;
    blocktyp instance;
    instance.live = 1;
    instance.btype = r.btype;
    // A validated station names catalogue types only; another would build as an empty block.
    instance_block(instance, module_.catalogue(), r.btype, r.params);
    const std::string full_key = cache_key(instance, random_before);
    const std::string key = digest(full_key);
    const auto it = cache_.find(key);
    if (it != cache_.end() && it->second.block->full_key == full_key) {
        it->second.last_used = generation_;
        return it->second.block;
    }
    BlockBuild made = build_block(module_.context(), std::move(instance), random_before);
    auto built = std::make_shared<BuiltBlock>();
    built->full_key = full_key;
    built->key = key;
    built->block = std::move(made.block);
    built->random_after = made.random_after;
    built->groups = scene_groups(built->block, built->vertices);
    // The scene groups hold what the views need; the block keeps ports and parameters.
    built->block.msh.grp.clear();
    built->block.msh.grpcnt = 0;
    anew = true;
    std::shared_ptr<const BuiltBlock> shared = std::move(built);
    cache_[shared->key] = Entry{shared, generation_};
    return shared;
}

StationBuild StationBuilder::build(const StationText& text) {
    const auto start = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    StationBuild out;

    // Geometry, record by record, each from the random state the previous one
    // left; the table holds ports and links only, for the placement.
    uint32_t random = random_start_;
    Station st;
    build_records(st, text.station, [&](const BlobRecord& r, blocktyp& light) {
        bool anew = false;
        PlacedBlock placed;
        placed.slot = r.id;
        placed.id = text.id_of(r.id);
        placed.built = block_for(r, random, anew);
        random = placed.built->random_after;
        (anew ? out.built_anew : out.reused) += 1;
        light.nports = placed.built->block.nports;
        light.ports = placed.built->block.ports;
        out.blocks.push_back(std::move(placed));
        return true;
    });
    place_station(st);
    for (PlacedBlock& p : out.blocks) {
        const blocktyp& b = st.blocks[static_cast<size_t>(p.slot)];
        p.pos = b.pos;
        p.rot = b.rot;
        for (size_t k = 0; k < b.ports.size() && static_cast<int32_t>(k) < b.nports; ++k) {
            const BlockPort& port = b.ports[k];
            PlacedPort pp;
            pp.index = static_cast<int32_t>(k);
            pp.pos = vec_add(quat_rotate(b.rot, port.lpos), b.pos);
            pp.dir = quat_rotate(b.rot, port.ldir);
            pp.kind = port.kind;
            pp.linked = port.linked != 0;
            p.ports.push_back(pp);
        }
    }

    for (auto it = cache_.begin(); it != cache_.end();) {
        it = it->second.last_used + kept_builds < generation_ ? cache_.erase(it) : std::next(it);
    }
    // Then the least recently used, beyond the byte limit; never a block of this build.
    std::vector<std::pair<uint64_t, std::string>> by_age;
    size_t bytes = 0;
    for (const auto& [key, entry] : cache_) {
        bytes += held_bytes(*entry.block);
        if (entry.last_used < generation_) by_age.emplace_back(entry.last_used, key);
    }
    std::sort(by_age.begin(), by_age.end());
    for (size_t i = 0; i < by_age.size() && bytes > cache_limit_; ++i) {
        const auto it = cache_.find(by_age[i].second);
        bytes -= held_bytes(*it->second.block);
        cache_.erase(it);
    }
    out.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return out;
}

std::shared_ptr<const BuiltBlock> StationBuilder::find(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = cache_.find(key);
    return it != cache_.end() ? it->second.block : nullptr;
}

size_t StationBuilder::cached() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_.size();
}

Scene StationBuilder::scene(const StationBuild& b) {
    Scene scene;
    for (const PlacedBlock& p : b.blocks) {
        SceneBlock sb;
        sb.id = p.id;
        sb.type = p.built->block.name;
        const blocktyp& blk = p.built->block;
        for (int32_t i = 0; i < blk.nparams && static_cast<size_t>(i) < blk.params.size(); ++i) {
            const paramtyp& q = blk.params[static_cast<size_t>(i)];
            sb.params.push_back({q.name, q.val, q.kind == param_switch});
        }
        sb.translation[0] = p.pos.x, sb.translation[1] = p.pos.y, sb.translation[2] = p.pos.z;
        sb.rotation[0] = p.rot.x, sb.rotation[1] = p.rot.y, sb.rotation[2] = p.rot.z, sb.rotation[3] = p.rot.w;
        sb.groups = p.built->groups;
        scene.blocks.push_back(std::move(sb));
    }
    return scene;
}

}  // namespace quilbet
