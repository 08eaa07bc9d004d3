// A 32-bit Windows host for quilbet.dll: loads the library with LoadLibrary,
// hands it a full 119-slot table whose used slots are cdecl functions of this
// program, real GDI surfaces (DIB sections selected into memory DCs) and a
// 1000-group mesh, and checks a station end to end.
//
// Usage: dll_host_test PATH\TO\quilbet.dll   (run in an empty folder: start-up
// writes meshes\ and textures\ there).
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

int passed = 0, failed = 0;

void check(bool ok, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED: %s\n", what);
    }
}

// ---- the host's records, as the plug-in sees them (all fields 32-bit) ----
struct HostGroup {
    uint32_t vertices;   // address of 8 floats per vertex
    uint32_t indices;    // address of 16-bit indices
    uint32_t nvertices;
    uint32_t nindices;
    uint32_t unused4;
    uint32_t unused5;
    uint32_t flags;
    uint32_t spare;
};
struct HostMaterial {
    float f[17];
};
struct Surface {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    uint32_t* bits = nullptr;
    int w = 0, h = 0;
    int dc_taken = 0;
};
struct HostMesh {
    HostGroup groups[1000];
    HostMaterial materials[1000];
    Surface* textures[1001] = {};
    int group_requests_beyond = 0;
};

constexpr uint32_t sentinel = 0xDEADBEEF;
std::vector<Surface*> surfaces;
int calls_group_count = 0, calls_set_texture = 0;

int __cdecl host_mesh_group_count(HostMesh*) { ++calls_group_count; return 1000; }
HDC __cdecl host_surface_get_dc(Surface* s) { ++s->dc_taken; return s->dc; }
void __cdecl host_surface_release_dc(Surface* s, HDC dc) {
    check(dc == s->dc, "release_dc gets back the context it was given");
    --s->dc_taken;
    GdiFlush();
}
HostMaterial* __cdecl host_mesh_material(HostMesh* m, int i) {
    if (i < 0 || i >= 1000) { ++m->group_requests_beyond; return &m->materials[0]; }
    return &m->materials[i];
}
HostGroup* __cdecl host_mesh_group(HostMesh* m, int i) {
    if (i < 0 || i >= 1000) { ++m->group_requests_beyond; return &m->groups[0]; }
    return &m->groups[i];
}
void __cdecl host_mesh_set_texture(HostMesh* m, int n, Surface* s) {
    ++calls_set_texture;
    if (n >= 1 && n <= 1000) m->textures[n] = s;
}
Surface* __cdecl host_create_surface(int w, int h) {
    auto* s = new Surface;
    s->w = w;
    s->h = h;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s->dc = CreateCompatibleDC(nullptr);
    s->bitmap = CreateDIBSection(s->dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    s->bits = static_cast<uint32_t*>(bits);
    SelectObject(s->dc, s->bitmap);
    surfaces.push_back(s);
    return s;
}

// ---- the description blob ----
// Port entries: link[k] = (block, port) or (-1, -1) when free.
void add_block(std::vector<int32_t>& w, int32_t id, int32_t type, std::vector<std::pair<int32_t, double>> params,
               std::vector<std::pair<int32_t, int32_t>> links) {
    w.push_back(id);
    w.push_back(type);
    w.push_back(static_cast<int32_t>(params.size()));
    w.push_back(static_cast<int32_t>(links.size()));
    for (auto& [pid, v] : params) {
        int32_t parts[2];
        std::memcpy(parts, &v, 8);
        w.push_back(pid);
        w.push_back(parts[0]);
        w.push_back(parts[1]);
    }
    for (auto& [b, p] : links) {
        if (b < 0) {
            w.push_back(0);
        } else {
            w.push_back(1);
            w.push_back(b);
            w.push_back(p);
        }
    }
}

std::vector<std::pair<int32_t, int32_t>> free_ports(int n) { return std::vector<std::pair<int32_t, int32_t>>(n, {-1, -1}); }

struct VesselRecord {
    uint32_t lists[9];
    uint32_t blob;
    uint32_t blob_length;
};

int32_t list_count(uint32_t addr) { return addr ? reinterpret_cast<int32_t*>(addr)[-1] : 0; }

template <class T>
T read_at(const uint8_t* p, size_t off) {
    T v;
    std::memcpy(&v, p + off, sizeof v);
    return v;
}

// GetProcAddress returns a generic function pointer; go through void* to the real type.
template <class Fn>
Fn export_of(HMODULE dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: dll_host_test quilbet.dll\n");
        return 2;
    }
    HMODULE dll = LoadLibraryA(argv[1]);
    check(dll != nullptr, "LoadLibrary of quilbet.dll");
    if (!dll) { std::printf("0 passed, 1 failed\n"); return 1; }

    using initint_fn = void(__stdcall*)(void*);
    using make_vessel_fn = void(__stdcall*)(void*, void*);
    using make_vesselmesh_fn = void(__stdcall*)(void*);
    auto initint = export_of<initint_fn>(dll, "initint");
    auto make_vessel = export_of<make_vessel_fn>(dll, "make_vessel");
    auto make_vesselmesh = export_of<make_vesselmesh_fn>(dll, "make_vesselmesh");
    check(initint && make_vessel && make_vesselmesh, "the three exports exist with undecorated names");
    if (!initint || !make_vessel || !make_vesselmesh) { std::printf("%d passed, %d failed\n", passed, failed); return 1; }

    // Start-up wrote the placeholder files into the current folder.
    {
        std::ifstream msh("meshes\\quil_bets.msh", std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(msh)), std::istreambuf_iterator<char>());
        size_t lines = 0;
        for (size_t i = 0; i + 1 < all.size(); ++i) if (all[i] == '\r' && all[i + 1] == '\n') ++lines;
        check(lines == 42004, "placeholder mesh has 42,004 CRLF lines");
        check(all.rfind("MSHX1\r\nGROUPS 1000\r\nMATERIAL 1\r\n", 0) == 0, "placeholder mesh header");
        std::ifstream dds("textures\\quil_bets.dds", std::ios::binary);
        std::string d((std::istreambuf_iterator<char>(dds)), std::istreambuf_iterator<char>());
        check(d.size() == 136 && d.compare(0, 4, "DDS ") == 0 && d.compare(84, 4, "DXT1") == 0, "placeholder DDS");
    }

    static HostMesh mesh;
    for (auto& g : mesh.groups) { g = HostGroup{}; g.unused4 = g.unused5 = sentinel; g.flags = 77; }
    for (auto& m : mesh.materials) for (float& f : m.f) f = -1.0f;

    // Before initint the table is empty: the hand-over must not call through it.
    make_vesselmesh(&mesh);
    check(calls_group_count == 0, "make_vesselmesh before initint calls no slot");

    // The host table: 119 slots, the unused ones filled with a recognisable value.
    uint32_t table[119];
    for (uint32_t& s : table) s = 0xBAD0BAD0;
    table[39] = reinterpret_cast<uint32_t>(&host_mesh_group_count);
    table[47] = reinterpret_cast<uint32_t>(&host_surface_get_dc);
    table[48] = reinterpret_cast<uint32_t>(&host_surface_release_dc);
    table[101] = reinterpret_cast<uint32_t>(&host_mesh_material);
    table[116] = reinterpret_cast<uint32_t>(&host_mesh_group);
    table[117] = reinterpret_cast<uint32_t>(&host_mesh_set_texture);
    table[118] = reinterpret_cast<uint32_t>(&host_create_surface);
    initint(table);
    std::memset(table, 0, sizeof table);  // the module keeps its own copy

    // A station: a truss with a tank, an auxiliary docking port, a habitat with a
    // habitat docking module, and a solar panel.
    std::vector<int32_t> w{0x01010101, 6};
    auto truss = free_ports(30);
    truss[0] = {1, 0};
    truss[1] = {3, 2};
    truss[2] = {2, 0};
    add_block(w, 0, 41, {}, truss);                                   // Truss_A, root
    add_block(w, 1, 71, {{1, 12.0}}, {{0, 0}, {-1, -1}});             // Tank_A, length 12
    add_block(w, 2, 81, {{1, 6.0}}, {{0, 2}, {-1, -1}});              // DG_Aux_Port_A
    add_block(w, 3, 51, {}, {{4, 0}, {-1, -1}, {0, 1}, {-1, -1}, {5, 0}, {-1, -1}});  // Hab_A
    add_block(w, 4, 55, {}, {{3, 0}, {-1, -1}});                      // DG_Hab_Port
    add_block(w, 5, 31, {}, {{3, 4}});                                // Solar_Panel_A

    static uint8_t vesdef[864];
    std::memset(vesdef, 0xCC, sizeof vesdef);
    VesselRecord vr = {};
    vr.blob = reinterpret_cast<uint32_t>(w.data());
    vr.blob_length = static_cast<uint32_t>(w.size() * 4);
    make_vessel(vesdef, &vr);

    check(read_at<uint32_t>(vesdef, 0) == 0xAEAADBDCu, "vessel header magic");
    check(std::strcmp(reinterpret_cast<const char*>(vesdef + 4), "station_vrt") == 0, "vessel name");
    check(read_at<double>(vesdef, 520) == 100.0 && read_at<double>(vesdef, 528) == 11000.0, "header doubles");
    check(read_at<int32_t>(vesdef, 820) == 2 && read_at<int32_t>(vesdef, 824) == 20 &&
              read_at<int32_t>(vesdef, 828) == 15 && read_at<int32_t>(vesdef, 832) == 21 &&
              read_at<int32_t>(vesdef, 836) == 1,
          "base list counts 2, 20, 15, 21, 1");
    check(read_at<int32_t>(vesdef, 852) == 2, "two free docking ports");
    check(read_at<int32_t>(vesdef, 856) == 1, "one habitat entry");
    check(list_count(vr.lists[0]) == 2 && list_count(vr.lists[1]) == 20 && list_count(vr.lists[2]) == 21 &&
              list_count(vr.lists[3]) == 1 && list_count(vr.lists[7]) == 2 && list_count(vr.lists[8]) == 1,
          "host lists resized to the counts");
    if (vr.lists[0]) {
        const double* l0 = reinterpret_cast<const double*>(vr.lists[0]);
        check(l0[0] == 12900.0 && l0[1] == 600.0, "list 0 values");
    }
    if (vr.lists[8]) {
        const uint8_t* e = reinterpret_cast<const uint8_t*>(vr.lists[8]);
        check(read_at<int32_t>(e, 72) == 3, "habitat entry total 3 for one Hab_A");
        check(read_at<double>(e, 48) == 2.0 && read_at<double>(e, 56) == 2.0, "habitat extent");
    }
    if (vr.lists[7]) {
        const uint8_t* e = reinterpret_cast<const uint8_t*>(vr.lists[7]);
        for (int k = 0; k < 2; ++k) {
            const double dx = read_at<double>(e + 72 * k, 24), dy = read_at<double>(e + 72 * k, 32),
                         dz = read_at<double>(e + 72 * k, 40);
            check(std::fabs(std::sqrt(dx * dx + dy * dy + dz * dz) - 1.0) < 1e-9, "docking port direction is unit");
        }
    }
    // The lists come from the process heap: the host can free them.
    for (uint32_t l : vr.lists) {
        if (l) check(HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(l - 8)) != 0, "vessel list freed by the host heap");
    }

    // Hand over the mesh.
    make_vesselmesh(&mesh);
    check(calls_group_count >= 1, "mesh_group_count called");
    check(mesh.group_requests_beyond == 0, "no group or material index beyond 999");
    int station_groups = 0;
    while (station_groups < 1000 && mesh.groups[station_groups].flags == 0) ++station_groups;
    check(station_groups > 10, "station groups handed over");
    bool rest_flagged = true;
    for (int g = station_groups; g < 1000; ++g) rest_flagged = rest_flagged && mesh.groups[g].flags == 2;
    check(rest_flagged, "groups past the station flagged 2");
    bool geometry_ok = true, untouched = true, freed = true;
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
        freed = freed && HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(hg.vertices)) &&
                HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(hg.indices));
    }
    check(geometry_ok, "vertex and index arrays in range, unit normals");
    check(untouched, "host group fields 4 and 5 untouched");
    check(freed, "vertex and index arrays freed by the host heap");
    check(mesh.materials[0].f[0] == 1.0f && mesh.materials[0].f[3] == 1.0f, "white diffuse material");

    int textured = 0;
    bool pixels_ok = true;
    for (int n = 1; n <= station_groups; ++n) {
        Surface* s = mesh.textures[n];
        if (!s) continue;
        ++textured;
        pixels_ok = pixels_ok && s->dc_taken == 0;
        uint32_t nonzero = 0;
        for (int i = 0; i < s->w * s->h; ++i) nonzero += (s->bits[i] & 0xFFFFFF) != 0;
        pixels_ok = pixels_ok && nonzero > uint32_t(s->w * s->h / 2);
        // GetPixel reads back what SetPixel wrote (COLORREF: red in the low byte).
        const COLORREF c = GetPixel(s->dc, 1, 1);
        const uint32_t dib = s->bits[s->w + 1];
        pixels_ok = pixels_ok && GetRValue(c) == ((dib >> 16) & 0xFF) && GetBValue(c) == (dib & 0xFF);
    }
    check(textured > 0 && textured == calls_set_texture, "every texture bound once, to its group's number");
    check(pixels_ok, "surfaces painted through their drawing contexts");

    // A second hand-over after one build must be safe.
    make_vesselmesh(&mesh);
    check(mesh.groups[0].flags == 0 && mesh.groups[0].nvertices > 0, "second hand-over still delivers geometry");

    // A blob with a wrong magic keeps the station.
    int32_t bad[3] = {0x02020202, 1, 0};
    std::memset(vesdef, 0, sizeof vesdef);
    VesselRecord vr2 = {};
    vr2.blob = reinterpret_cast<uint32_t>(bad);
    vr2.blob_length = sizeof bad;
    make_vessel(vesdef, &vr2);
    check(read_at<int32_t>(vesdef, 852) == 2 && read_at<int32_t>(vesdef, 856) == 1, "wrong magic keeps the station");

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
        std::vector<int32_t> hw{0x01010101, 1};
        add_block(hw, 0, row.type, row.params, {});
        VesselRecord hv = {};
        hv.blob = reinterpret_cast<uint32_t>(hw.data());
        hv.blob_length = static_cast<uint32_t>(hw.size() * 4);
        make_vessel(vesdef, &hv);
        for (uint32_t l : hv.lists) {
            if (l) HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(l - 8));
        }
        make_vesselmesh(&mesh);
        bool counts = true;
        for (int g = 0; g < 3; ++g) counts = counts && mesh.groups[g].flags == 0 && mesh.groups[g].nindices == 3 * row.triangles[g];
        check(counts, row.what);
        for (int g = 0; g < 1000 && mesh.groups[g].flags == 0; ++g) {
            HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(mesh.groups[g].vertices));
            HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(mesh.groups[g].indices));
        }
    }

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
