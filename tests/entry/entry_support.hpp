// Shared pieces of the entry tests: a description blob builder and a module
// started without placeholder files whose diagnostics are collected.
#pragma once

#include <array>
#include <cstdint>
#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "entry/blob_check.hpp"
#include "entry/module.hpp"
#include "entry/station_build.hpp"
#include "host/inprocess_host.hpp"

namespace quilbet::test {

struct Rec {
    int32_t id;
    int32_t type;
    std::vector<std::pair<int32_t, double>> params = {};
    // One entry per port: {flag, block, port}; flag 0 writes a free port.
    std::vector<std::array<int32_t, 3>> ports = {};
};

inline void put_double(std::vector<int32_t>& w, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    w.push_back(static_cast<int32_t>(static_cast<uint32_t>(bits)));
    w.push_back(static_cast<int32_t>(static_cast<uint32_t>(bits >> 32)));
}

inline std::vector<int32_t> make_blob(int32_t n, const std::vector<Rec>& recs) {
    std::vector<int32_t> w{blob_magic, n};
    for (const Rec& r : recs) {
        w.insert(w.end(), {r.id, r.type, static_cast<int32_t>(r.params.size()), static_cast<int32_t>(r.ports.size())});
        for (const auto& [id, v] : r.params) {
            w.push_back(id);
            put_double(w, v);
        }
        for (const auto& p : r.ports) {
            w.push_back(p[0]);
            if (p[0] != 0) {
                w.push_back(p[1]);
                w.push_back(p[2]);
            }
        }
    }
    return w;
}

inline std::array<int32_t, 3> free_port() { return {0, 0, 0}; }
inline std::array<int32_t, 3> link(int32_t block, int32_t port) { return {1, block, port}; }

// A started module (no placeholder files) whose diagnostics land in `lines`.
struct TestModule {
    Module m;
    std::vector<std::string> lines;

    TestModule() {
        m.set_diagnostic_sink([this](const std::string& l) { lines.push_back(l); });
        m.startup(StartupOptions{false});
    }
};

// Length argument meaning "the whole vector".
inline constexpr int32_t whole_length = INT32_MIN;

// One make_vessel over words; the host lists are released afterwards unless
// the caller takes them.
struct VesselCall {
    std::array<uint8_t, 864> p{};
    HostVesselRecord v{};

    VesselCall(Module& m, const std::vector<int32_t>& words, int32_t length = whole_length) {
        v = InProcessHost::make_vessel_record(words.data(),
                                              length == whole_length ? static_cast<int32_t>(words.size() * 4) : length);
        m.make_vessel(p.data(), &v);
    }
    ~VesselCall() { InProcessHost::release_vessel(v); }
    VesselCall(const VesselCall&) = delete;
    VesselCall& operator=(const VesselCall&) = delete;

    int32_t i32(std::size_t off) const {
        int32_t x;
        std::memcpy(&x, p.data() + off, 4);
        return x;
    }
    double f64(std::size_t off) const {
        double x;
        std::memcpy(&x, p.data() + off, 8);
        return x;
    }
    Vec3 vec(std::size_t off) const { return {f64(off), f64(off + 8), f64(off + 16)}; }
    // Field of entry i of host list k.
    double entry_f64(int k, int32_t i, std::size_t off) const {
        double x;
        std::memcpy(&x, static_cast<const uint8_t*>(v.list[k]) + vessel_entry_size[k] * i + off, 8);
        return x;
    }
    int32_t entry_i32(int k, int32_t i, std::size_t off) const {
        int32_t x;
        std::memcpy(&x, static_cast<const uint8_t*>(v.list[k]) + vessel_entry_size[k] * i + off, 4);
        return x;
    }
    Vec3 entry_vec(int k, int32_t i, std::size_t off) const {
        return {entry_f64(k, i, off), entry_f64(k, i, off + 8), entry_f64(k, i, off + 16)};
    }
};

}  // namespace quilbet::test
