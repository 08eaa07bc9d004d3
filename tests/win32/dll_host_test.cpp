// A 32-bit Windows host for quilbet.dll: loads the library with LoadLibrary,
// hands it a full 119-slot table whose used slots are cdecl functions of this
// program, real GDI surfaces (DIB sections selected into memory DCs) and a
// 1000-group mesh, and checks a station end to end; then checks that the
// texture pixels on surfaces of 32, 24, 16 and 8 (palette) bits per pixel are
// those that one SetPixel per pixel leaves; that hosts with their own floating-point
// state get the same stations; and the peak memory over rebuilds
// (host_states.hpp). With --timing it measures instead (see timing.hpp).
//
// Usage: dll_host_test PATH\TO\quilbet.dll [--rebuilds N]   (run in an empty
// folder: start-up writes meshes\ and textures\ there; the memory check
// rebuilds 20 times unless N says otherwise)
//        dll_host_test --timing [--repeats N] [--large station.blob] quilbet.dll [other.dll ...]
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host_states.hpp"
#include "pixel_paths.hpp"
#include "report.hpp"
#include "station_blobs.hpp"
#include "timing.hpp"
#include "win32_host.hpp"

namespace {

using namespace host;

template <class T>
T read_at(const uint8_t* p, size_t off) {
    T v;
    std::memcpy(&v, p + off, sizeof v);
    return v;
}

void check_placeholder_files(Report& r) {
    std::ifstream msh("meshes\\quil_bets.msh", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(msh)), std::istreambuf_iterator<char>());
    size_t lines = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) lines += all[i] == '\r' && all[i + 1] == '\n';
    r.check(lines == 42004, "placeholder mesh has 42,004 CRLF lines");
    r.check(all.rfind("MSHX1\r\nGROUPS 1000\r\nMATERIAL 1\r\n", 0) == 0, "placeholder mesh header");
    std::ifstream dds("textures\\quil_bets.dds", std::ios::binary);
    std::string d((std::istreambuf_iterator<char>(dds)), std::istreambuf_iterator<char>());
    r.check(d.size() == 136 && d.compare(0, 4, "DDS ") == 0 && d.compare(84, 4, "DXT1") == 0, "placeholder DDS");
}

void check_vessel(const uint8_t* vesdef, VesselRecord& vr, Report& r) {
    r.check(read_at<uint32_t>(vesdef, 0) == 0xAEAADBDCu, "vessel header magic");
    r.check(std::strcmp(reinterpret_cast<const char*>(vesdef + 4), "station_vrt") == 0, "vessel name");
    r.check(read_at<double>(vesdef, 520) == 100.0 && read_at<double>(vesdef, 528) == 11000.0, "header doubles");
    r.check(read_at<int32_t>(vesdef, 820) == 2 && read_at<int32_t>(vesdef, 824) == 20 &&
                read_at<int32_t>(vesdef, 828) == 15 && read_at<int32_t>(vesdef, 832) == 21 &&
                read_at<int32_t>(vesdef, 836) == 1,
            "base list counts 2, 20, 15, 21, 1");
    r.check(read_at<int32_t>(vesdef, 852) == 2, "two free docking ports");
    r.check(read_at<int32_t>(vesdef, 856) == 1, "one habitat entry");
    r.check(list_count(vr.lists[0]) == 2 && list_count(vr.lists[1]) == 20 && list_count(vr.lists[2]) == 21 &&
                list_count(vr.lists[3]) == 1 && list_count(vr.lists[7]) == 2 && list_count(vr.lists[8]) == 1,
            "host lists resized to the counts");
    if (vr.lists[0]) {
        const double* l0 = reinterpret_cast<const double*>(vr.lists[0]);
        r.check(l0[0] == 12900.0 && l0[1] == 600.0, "list 0 values");
    }
    if (vr.lists[8]) {
        const uint8_t* e = reinterpret_cast<const uint8_t*>(vr.lists[8]);
        r.check(read_at<int32_t>(e, 72) == 3, "habitat entry total 3 for one Hab_A");
        r.check(read_at<double>(e, 48) == 2.0 && read_at<double>(e, 56) == 2.0, "habitat extent");
    }
    if (vr.lists[7]) {
        const uint8_t* e = reinterpret_cast<const uint8_t*>(vr.lists[7]);
        for (int k = 0; k < 2; ++k) {
            const double dx = read_at<double>(e + 72 * k, 24), dy = read_at<double>(e + 72 * k, 32),
                         dz = read_at<double>(e + 72 * k, 40);
            r.check(std::fabs(std::sqrt(dx * dx + dy * dy + dz * dz) - 1.0) < 1e-9, "docking port direction is unit");
        }
    }
    // The lists come from the process heap: the host can free them.
    r.check(free_vessel_lists(vr), "vessel lists freed by the host heap");
}

void check_mesh(HostMesh& mesh, uint32_t sentinel, Report& r) {
    r.check(counters().group_count_calls >= 1, "mesh_group_count called");
    r.check(mesh.group_requests_beyond == 0, "no group or material index beyond 999");
    int station_groups = 0;
    while (station_groups < mesh_size && mesh.groups[station_groups].flags == 0) ++station_groups;
    r.check(station_groups > 10, "station groups handed over");
    bool rest_flagged = true;
    for (int g = station_groups; g < mesh_size; ++g) rest_flagged = rest_flagged && mesh.groups[g].flags == 2;
    r.check(rest_flagged, "groups past the station flagged 2");
    bool geometry_ok = true, untouched = true;
    for (int g = 0; g < station_groups; ++g) {
        const HostGroup& hg = mesh.groups[g];
        untouched = untouched && hg.unused4 == sentinel && hg.unused5 == sentinel;
        if (hg.nvertices == 0) continue;
        const float* v = reinterpret_cast<const float*>(hg.vertices);
        const uint16_t* ix = reinterpret_cast<const uint16_t*>(hg.indices);
        geometry_ok = geometry_ok && v && ix && hg.nindices % 3 == 0;
        for (uint32_t i = 0; geometry_ok && i < hg.nindices; ++i) geometry_ok = ix[i] < hg.nvertices;
        for (uint32_t i = 0; geometry_ok && i < hg.nvertices; ++i) {
            const float* n = v + 8 * i + 3;
            const double len = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
            geometry_ok = std::isfinite(v[8 * i]) && std::fabs(len - 1.0) < 1e-3;
        }
    }
    r.check(geometry_ok, "vertex and index arrays in range, unit normals");
    r.check(untouched, "host group fields 4 and 5 untouched");
    r.check(free_mesh_arrays(mesh), "vertex and index arrays freed by the host heap");
    r.check(mesh.materials[0].f[0] == 1.0f && mesh.materials[0].f[3] == 1.0f, "white diffuse material");

    int textured = 0;
    bool pixels_ok = true;
    for (int n = 1; n <= station_groups; ++n) {
        const Surface* s = mesh.textures[n];
        if (!s) continue;
        ++textured;
        pixels_ok = pixels_ok && s->dc_taken == 0;
        const auto* bits = static_cast<const uint32_t*>(s->bits);
        uint32_t nonzero = 0;
        for (int i = 0; i < s->w * s->h; ++i) nonzero += (bits[i] & 0xFFFFFF) != 0;
        pixels_ok = pixels_ok && nonzero > uint32_t(s->w * s->h / 2);
        // GetPixel reads back what the upload wrote (COLORREF: red in the low byte).
        const COLORREF c = GetPixel(s->dc, 1, 1);
        const uint32_t dib = bits[s->w + 1];
        pixels_ok = pixels_ok && GetRValue(c) == ((dib >> 16) & 0xFF) && GetBValue(c) == (dib & 0xFF);
    }
    r.check(textured > 0 && textured == counters().set_texture_calls, "every texture bound once, to its group's number");
    r.check(counters().foreign_releases == 0, "release_dc gets back the context it was given");
    r.check(pixels_ok, "surfaces painted through their drawing contexts");
}

void check_end_to_end(const char* dll_path, Report& r) {
    Plugin plugin;
    const bool loaded = plugin.load(dll_path);
    r.check(plugin.dll != nullptr, "LoadLibrary of quilbet.dll");
    r.check(loaded, "the three exports exist with undecorated names");
    if (!loaded) return;

    // Start-up wrote the placeholder files into the current folder.
    check_placeholder_files(r);

    constexpr uint32_t sentinel = 0xDEADBEEF;
    static HostMesh mesh;
    reset_mesh(mesh, sentinel);
    reset_counters();

    // Before initint the table is empty: the hand-over must not call through it.
    plugin.make_vesselmesh(&mesh);
    r.check(counters().group_count_calls == 0, "make_vesselmesh before initint calls no slot");

    uint32_t table[119];
    fill_table(table);
    plugin.initint(table);
    std::memset(table, 0, sizeof table);  // the module keeps its own copy

    const std::vector<int32_t> w = checks_station();
    static uint8_t vesdef[864];
    std::memset(vesdef, 0xCC, sizeof vesdef);
    VesselRecord vr = {};
    vr.blob = reinterpret_cast<uint32_t>(w.data());
    vr.blob_length = static_cast<uint32_t>(w.size() * 4);
    plugin.make_vessel(vesdef, &vr);
    check_vessel(vesdef, vr, r);

    // Hand over the mesh.
    plugin.make_vesselmesh(&mesh);
    check_mesh(mesh, sentinel, r);

    // A second hand-over after one build must be safe.
    plugin.make_vesselmesh(&mesh);
    r.check(mesh.groups[0].flags == 0 && mesh.groups[0].nvertices > 0, "second hand-over still delivers geometry");
    free_mesh_arrays(mesh);

    // A blob with a wrong magic keeps the station.
    int32_t bad[3] = {0x02020202, 1, 0};
    std::memset(vesdef, 0, sizeof vesdef);
    VesselRecord vr2 = {};
    vr2.blob = reinterpret_cast<uint32_t>(bad);
    vr2.blob_length = sizeof bad;
    plugin.make_vessel(vesdef, &vr2);
    r.check(read_at<int32_t>(vesdef, 852) == 2 && read_at<int32_t>(vesdef, 856) == 1, "wrong magic keeps the station");
    free_vessel_lists(vr2);

    // Stations within every per-field limit that would overwhelm the host:
    // refused by the station budget before anything is built, station kept.
    const std::vector<int32_t> overwhelming[] = {power_wing_row(150), block_row(1000, 42, {{1, 1000.0}, {2, 64.0}}, 258)};
    for (const std::vector<int32_t>& big : overwhelming) {
        std::memset(vesdef, 0, sizeof vesdef);
        VesselRecord vr3 = {};
        vr3.blob = reinterpret_cast<uint32_t>(big.data());
        vr3.blob_length = static_cast<uint32_t>(big.size() * 4);
        plugin.make_vessel(vesdef, &vr3);
        r.check(read_at<int32_t>(vesdef, 852) == 2 && read_at<int32_t>(vesdef, 856) == 1,
                "an overwhelming station is refused and the station kept");
        free_vessel_lists(vr3);
    }

    // Habitats alone: their three hull groups reach the host with the
    // triangle counts of the merged hulls.
    struct HabitatRow {
        const char* what;
        int32_t type;
        std::vector<std::pair<int32_t, double>> params;   // Windows = 1, Round = 2
        uint32_t triangles[3];
    };
    const HabitatRow habitats[] = {
        {"Hab_A defaults: hull triangles 668, 80, 892", 51, {}, {668, 80, 892}},
        {"Hab_Node_A defaults: hull triangles 536, 144, 200", 53, {}, {536, 144, 200}},
        {"Hab_A with Round off and Windows 0: hull triangles 128, 48, 96", 51, {{2, 0.0}, {1, 0.0}}, {128, 48, 96}},
    };
    for (const HabitatRow& row : habitats) {
        StationBlob one;
        one.add(row.type, row.params);
        const std::vector<int32_t> hw = one.words();
        VesselRecord hv = {};
        hv.blob = reinterpret_cast<uint32_t>(hw.data());
        hv.blob_length = static_cast<uint32_t>(hw.size() * 4);
        plugin.make_vessel(vesdef, &hv);
        free_vessel_lists(hv);
        plugin.make_vesselmesh(&mesh);
        bool counts = true;
        for (int g = 0; g < 3; ++g) counts = counts && mesh.groups[g].flags == 0 && mesh.groups[g].nindices == 3 * row.triangles[g];
        r.check(counts, row.what);
        free_mesh_arrays(mesh);
    }

    release_surfaces();
    plugin.unload();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--timing") == 0) return run_timing(argc, argv);
    const bool rebuilds_given = argc == 4 && std::strcmp(argv[2], "--rebuilds") == 0;
    const int rebuilds = rebuilds_given ? std::atoi(argv[3]) : 20;
    if ((argc != 2 && !rebuilds_given) || rebuilds < 1) {
        std::printf("usage: dll_host_test quilbet.dll [--rebuilds N]\n");
        return 2;
    }
    Report report;
    check_end_to_end(argv[1], report);
    check_pixel_paths(argv[1], report);
    check_host_fpu_states(argv[1], report);
    check_rebuild_memory(argv[1], rebuilds, report);
    std::printf("%d passed, %d failed\n", report.passed(), report.failed());
    return report.failed() ? 1 : 0;
}
