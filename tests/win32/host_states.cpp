// Hosts with their own floating-point state, and repeated rebuilds.
#include "host_states.hpp"

#include <windows.h>
#include <psapi.h>
#include <xmmintrin.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "station_blobs.hpp"
#include "win32_host.hpp"

namespace host {

namespace {

struct FpState {
    const char* what;
    uint16_t x87;
    uint32_t mxcsr;
};

uint16_t x87_control() {
    uint16_t cw = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(cw));
    return cw;
}

void set_state(const FpState& s) {
    const uint16_t cw = s.x87;
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(cw));
    _mm_setcsr(s.mxcsr);
}

bool state_is(const FpState& s) { return x87_control() == s.x87 && (_mm_getcsr() & ~0x3Fu) == s.mxcsr; }

// What the host received from one build: definition, vertices and indices.
struct Received {
    std::vector<uint8_t> def;
    std::vector<std::vector<uint8_t>> groups;
};

std::vector<int32_t> one_block(int32_t type, std::vector<std::pair<int32_t, double>> params) {
    StationBlob b;
    b.add(type, std::move(params));
    return b.words();
}

std::vector<std::vector<int32_t>> fpu_blobs() {
    return {checks_station(), eleven_block_station(),
            one_block(71, {{2, 0.0}}), one_block(72, {{2, 0.0}}), one_block(71, {{2, 1e-300}}),
            one_block(72, {{2, 1e-300}}), one_block(61, {{1, 0.0}}), one_block(62, {{1, 0.0}}),
            one_block(81, {{1, 0.0}}), one_block(82, {{1, 0.0}}), one_block(52, {{3, 0.0}}),
            one_block(52, {{3, -0.0}}), one_block(41, {{1, 0.0}})};
}

// Every call made with the host's state set; false in *kept when a call
// came back with another state.
std::vector<Received> build_all(Plugin& plugin, const FpState& state, const std::vector<std::vector<int32_t>>& blobs,
                                bool* kept) {
    static HostMesh mesh;
    std::vector<Received> out;
    for (const std::vector<int32_t>& w : blobs) {
        Received r;
        r.def.assign(864, 0);
        VesselRecord vr = {};
        vr.blob = reinterpret_cast<uint32_t>(w.data());
        vr.blob_length = static_cast<uint32_t>(w.size() * 4);
        reset_mesh(mesh, 0);
        set_state(state);
        plugin.make_vessel(r.def.data(), &vr);
        *kept = *kept && state_is(state);
        plugin.make_vesselmesh(&mesh);
        *kept = *kept && state_is(state);
        set_state(FpState{"", 0x037F, 0x1F80});
        free_vessel_lists(vr);
        for (int g = 0; g < mesh_size && mesh.groups[g].flags == 0; ++g) {
            const HostGroup& hg = mesh.groups[g];
            const auto* v = reinterpret_cast<const uint8_t*>(hg.vertices);
            const auto* ix = reinterpret_cast<const uint8_t*>(hg.indices);
            std::vector<uint8_t> bytes(v, v + 32 * hg.nvertices);
            bytes.insert(bytes.end(), ix, ix + 2 * hg.nindices);
            r.groups.push_back(std::move(bytes));
        }
        free_mesh_arrays(mesh);
        release_surfaces();
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace

void check_host_fpu_states(const char* dll_path, Report& report) {
    const FpState states[] = {
        {"the usual host", 0x037F, 0x1F80},
        {"a host that unmasks invalid, zero-divide and overflow", 0x0372, 0x1F80 & ~0x0680u},
        {"a host at 24-bit x87 precision", 0x007F, 0x1F80},
    };
    const std::vector<std::vector<int32_t>> blobs = fpu_blobs();
    std::vector<Received> usual;
    for (const FpState& s : states) {
        Plugin plugin;
        set_state(s);
        const bool loaded = plugin.load(dll_path);
        bool kept = state_is(s);
        set_state(states[0]);
        report.check(loaded, std::string("host state: the plug-in loads in ") + s.what);
        if (!loaded) continue;
        uint32_t table[119];
        fill_table(table);
        plugin.initint(table);
        const std::vector<Received> got = build_all(plugin, s, blobs, &kept);
        plugin.unload();
        report.check(kept, std::string("host state: every call gives back the state of ") + s.what);
        if (usual.empty()) {
            usual = got;
            bool all_built = true;
            for (const Received& r : got) all_built = all_built && !r.groups.empty();
            report.check(all_built, "host state: every station and zero size reaches the host");
            continue;
        }
        bool same = got.size() == usual.size();
        for (size_t i = 0; same && i < got.size(); ++i) same = got[i].def == usual[i].def && got[i].groups == usual[i].groups;
        report.check(same, std::string("host state: the stations of the usual host, bit for bit, in ") + s.what);
    }
}

void check_rebuild_memory(const char* dll_path, int rebuilds, Report& report) {
    Plugin plugin;
    if (!plugin.load(dll_path)) {
        report.check(false, "rebuild memory: the plug-in loads");
        return;
    }
    uint32_t table[119];
    fill_table(table);
    plugin.initint(table);
    // The panels unlinked: each stays at the origin, all of them built.
    StationBlob panels;
    for (int i = 0; i < 203; ++i) panels.add(31, {{3, 64.0}});
    const std::vector<int32_t> largest[] = {power_wing_row(11), panels.words()};
    static HostMesh mesh;
    static uint8_t vesdef[864];
    for (int i = 0; i < rebuilds; ++i) {
        const std::vector<int32_t>& w = largest[i % 2];
        VesselRecord vr = {};
        vr.blob = reinterpret_cast<uint32_t>(w.data());
        vr.blob_length = static_cast<uint32_t>(w.size() * 4);
        reset_mesh(mesh, 0);
        plugin.make_vessel(vesdef, &vr);
        free_vessel_lists(vr);
        plugin.make_vesselmesh(&mesh);
        free_mesh_arrays(mesh);
        release_surfaces();
    }
    plugin.unload();
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    const bool read = GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) != 0;
    const double mb = static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
    std::printf("rebuild memory: peak working set %.0f MB over %d rebuilds of the budget's largest stations\n", mb, rebuilds);
    report.check(read && mb <= 300.0, "rebuild memory: peak working set at most 300 MB");
}

}  // namespace host
