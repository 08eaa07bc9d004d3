// Timing mode of the Windows test host: medians of QueryPerformanceCounter
// intervals around the plug-in's entry points, one column per DLL so that two
// builds can be compared in one run.
#include "timing.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "station_blobs.hpp"
#include "win32_host.hpp"

namespace host {

namespace {

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Station {
    std::string name;
    std::vector<int32_t> blob;
};

// One row of the table: what was timed, the station's size, one median per DLL.
struct Row {
    std::string what;
    std::string blocks, groups, textures;
    std::vector<double> ms;
};

struct StationTimes {
    std::vector<double> vessel, mesh, both;
    int groups = 0, textures = 0;
};

// One build of a station on a loaded plug-in, timed; host memory and surfaces
// are released afterwards, outside the timed calls.
void time_build(Plugin& plugin, const std::vector<int32_t>& blob, StationTimes& t) {
    static HostMesh mesh;
    static uint8_t vesdef[864];
    VesselRecord record = {};
    record.blob = reinterpret_cast<uint32_t>(blob.data());
    record.blob_length = static_cast<uint32_t>(blob.size() * 4);
    reset_mesh(mesh, 0);
    reset_counters();
    const double t0 = now_ms();
    plugin.make_vessel(vesdef, &record);
    const double t1 = now_ms();
    plugin.make_vesselmesh(&mesh);
    const double t2 = now_ms();
    t.vessel.push_back(t1 - t0);
    t.mesh.push_back(t2 - t1);
    t.both.push_back(t2 - t0);
    t.groups = static_cast<int>(std::count_if(std::begin(mesh.groups), std::end(mesh.groups),
                                              [](const HostGroup& g) { return g.flags == 0; }));
    t.textures = counters().set_texture_calls;
    free_mesh_arrays(mesh);
    release_surfaces();
    free_vessel_lists(record);
}

std::string fixed(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

void print_table(const std::vector<std::string>& dlls, const std::vector<Row>& rows, int n) {
    std::printf("quilbet.dll in a 32-bit Windows host: medians of %d runs, in milliseconds\n\n", n);
    std::printf("| what | blocks | groups | textures |");
    for (const std::string& d : dlls) std::printf(" %s |", d.c_str());
    std::printf("\n|---|--:|--:|--:|");
    for (std::size_t k = 0; k < dlls.size(); ++k) std::printf("--:|");
    std::printf("\n");
    for (const Row& r : rows) {
        std::printf("| %s | %s | %s | %s |", r.what.c_str(), r.blocks.c_str(), r.groups.c_str(), r.textures.c_str());
        for (double v : r.ms) std::printf(" %s |", fixed(v).c_str());
        std::printf("\n");
    }
}

}  // namespace

int run_timing(int argc, char** argv) {
    int n = 7;
    std::string large_path;
    std::vector<std::string> dlls;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeats") == 0 && i + 1 < argc) {
            n = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--large") == 0 && i + 1 < argc) {
            large_path = argv[++i];
        } else {
            dlls.push_back(argv[i]);
        }
    }
    if (dlls.empty() || n < 1) {
        std::printf("usage: dll_host_test --timing [--repeats N] [--large station.blob] quilbet.dll [other.dll ...]\n");
        return 2;
    }

    std::vector<Station> stations;
    if (!large_path.empty()) {
        Station large{"large example station", read_blob(large_path)};
        if (large.blob.size() < 2) {
            std::printf("cannot read the blob %s\n", large_path.c_str());
            return 2;
        }
        stations.push_back(large);
    }
    stations.push_back({"11-block station, 4 habitats", eleven_block_station()});
    stations.push_back({"11 x Power_wing_C", power_wing_row(11)});
    // The largest stations the station budget admits by build work and by vertices.
    stations.push_back({"33 x Hab_A", block_row(33, 51, {}, 6)});
    stations.push_back({"41 x Truss_C, 64 bays", block_row(41, 43, {{2, 64.0}}, 258)});

    // A host has GDI running before it loads plug-ins; its one-time set-up is not the plug-in's.
    DeleteDC(CreateCompatibleDC(nullptr));

    std::vector<std::vector<double>> loads(dlls.size());
    for (int rep = 0; rep < n; ++rep) {
        for (std::size_t d = 0; d < dlls.size(); ++d) {
            Plugin p;
            const double t0 = now_ms();
            const bool loaded = p.load(dlls[d].c_str());
            loads[d].push_back(now_ms() - t0);
            p.unload();
            if (!loaded) {
                std::printf("cannot load %s\n", dlls[d].c_str());
                return 1;
            }
        }
    }
    std::vector<Row> rows;
    rows.push_back({"module load (LoadLibrary, start-up inside)", "", "", "", {}});
    for (const auto& l : loads) rows.back().ms.push_back(median(l));

    const std::size_t first_station_row = rows.size();
    for (const Station& s : stations) {
        const std::string blocks = std::to_string(s.blob[1]);
        rows.push_back({s.name + ": make_vessel", blocks, "", "", {}});
        rows.push_back({s.name + ": make_vesselmesh", blocks, "", "", {}});
        rows.push_back({s.name + ": both", blocks, "", "", {}});
    }
    // All DLLs loaded at once and their builds interleaved, so that the state
    // of the process (its heap above all) is shared alike.
    uint32_t table[119];
    fill_table(table);
    std::vector<Plugin> plugins(dlls.size());
    for (std::size_t d = 0; d < dlls.size(); ++d) {
        plugins[d].load(dlls[d].c_str());
        for (std::size_t e = 0; e < d; ++e) {
            if (plugins[e].dll == plugins[d].dll) std::printf("note: %s is the module of %s\n", dlls[d].c_str(), dlls[e].c_str());
        }
        plugins[d].initint(table);
    }
    std::size_t r = first_station_row;
    for (const Station& s : stations) {
        std::vector<StationTimes> times(dlls.size());
        for (int rep = 0; rep < n; ++rep) {
            for (std::size_t d = 0; d < dlls.size(); ++d) time_build(plugins[d], s.blob, times[d]);
        }
        for (int k = 0; k < 3; ++k) {
            rows[r + k].groups = std::to_string(times[0].groups);
            rows[r + k].textures = std::to_string(times[0].textures);
        }
        for (const StationTimes& t : times) {
            rows[r].ms.push_back(median(t.vessel));
            rows[r + 1].ms.push_back(median(t.mesh));
            rows[r + 2].ms.push_back(median(t.both));
        }
        r += 3;
    }
    // The hand-over of the budget's largest stations by texture pixels onto
    // surfaces of each depth: 11 Power_wing_C, and 203 Solar_Panel_A of 64
    // rows (unlinked: every one at the origin).
    struct Depth {
        int bits;
        bool rgb565;
        const char* name;
    };
    StationBlob panels;
    for (int i = 0; i < 203; ++i) panels.add(31, {{3, 64.0}});
    const Station largest[] = {{"11 x Power_wing_C", power_wing_row(11)}, {"203 x Solar_Panel_A, 64 rows", panels.words()}};
    for (const Station& s : largest) {
        for (const Depth& depth : {Depth{32, false, "32 bpp"}, Depth{24, false, "24 bpp"}, Depth{16, false, "16 bpp 5-5-5"},
                                   Depth{16, true, "16 bpp 5-6-5"}, Depth{8, false, "8 bpp palette"}}) {
            set_surface_depth(depth.bits, depth.rgb565);
            std::vector<StationTimes> times(dlls.size());
            for (int rep = 0; rep < n; ++rep) {
                for (std::size_t d = 0; d < dlls.size(); ++d) time_build(plugins[d], s.blob, times[d]);
            }
            rows.push_back({s.name + ": make_vesselmesh at " + depth.name, std::to_string(s.blob[1]),
                            std::to_string(times[0].groups), std::to_string(times[0].textures), {}});
            for (const StationTimes& t : times) rows.back().ms.push_back(median(t.mesh));
        }
    }
    set_surface_depth(32);
    for (Plugin& p : plugins) p.unload();
    print_table(dlls, rows, n);
    return 0;
}

}  // namespace host
