// The host side of the Windows test host: the records a simulator hands
// quilbet.dll (a 1000-group mesh, materials, texture surfaces), the seven
// cdecl functions behind the slots the plug-in calls, and the plug-in itself
// loaded with LoadLibrary. Surfaces are GDI DIB sections selected into
// memory DCs, of a depth the caller chooses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace host {

// ---- the host's records, as the plug-in sees them (all fields 32-bit) ----
struct HostGroup {
    uint32_t vertices;  // address of 8 floats per vertex
    uint32_t indices;   // address of 16-bit indices
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
    HGDIOBJ previous = nullptr;
    HDC dc = nullptr;
    void* bits = nullptr;
    int w = 0, h = 0;
    int depth = 0;  // bits per pixel
    int dc_taken = 0;
};
struct HostMesh {
    HostGroup groups[1000];
    HostMaterial materials[1000];
    Surface* textures[1001] = {};  // textures[n]: texture number n
    int group_requests_beyond = 0;
};

constexpr int mesh_size = 1000;

// What the slots have seen since the last reset_counters().
struct Counters {
    int group_count_calls = 0;
    int set_texture_calls = 0;
    int foreign_releases = 0;  // release_dc with a context the surface did not lend
};
Counters& counters();
void reset_counters();

// Surfaces made by create_surface from now on get this many bits per pixel
// (32, 24, 16 or 8; top-down DIB sections, BI_RGB, so 16 bits are 5-5-5; with
// rgb565, 16 bits are 5-6-5 bit fields; 8 bits are a palette of a 6 x 6 x 6
// colour cube and 40 greys between its levels; with bottom_up, rows are
// stored from the last one up). 32 until changed.
void set_surface_depth(int bits, bool rgb565 = false, bool bottom_up = false);
// A w x h surface of the current depth, owned by the list release_surfaces() empties.
Surface* make_surface(int w, int h);
// Every surface made so far, in creation order.
const std::vector<Surface*>& surfaces();
// Deletes every surface (DCs, bitmaps) and forgets them.
void release_surfaces();

// The 119 slots: the seven used ones point at this host's functions, the
// others hold a recognisable bad address.
void fill_table(uint32_t (&table)[119]);

// Sets every group to flags 77 with sentinels in fields 4 and 5, every
// material float to -1 and unbinds every texture.
void reset_mesh(HostMesh& mesh, uint32_t sentinel);
// Frees (with the process heap, as the plug-in allocated them) the vertex and
// index arrays of the groups with flags 0 and clears their addresses.
// Returns false when a HeapFree failed.
bool free_mesh_arrays(HostMesh& mesh);

// The host's vessel record: nine list addresses, the blob and its length.
struct VesselRecord {
    uint32_t lists[9];
    uint32_t blob;
    uint32_t blob_length;
};
// Element count the plug-in stored before a list (0 for no list).
int32_t list_count(uint32_t address);
// Frees the lists with the process heap (each block starts 8 bytes before the
// list) and clears them. Returns false when a HeapFree failed.
bool free_vessel_lists(VesselRecord& record);

// quilbet.dll loaded with LoadLibrary, with its three exports.
struct Plugin {
    using initint_fn = void(__stdcall*)(void*);
    using make_vessel_fn = void(__stdcall*)(void*, void*);
    using make_vesselmesh_fn = void(__stdcall*)(void*);

    HMODULE dll = nullptr;
    initint_fn initint = nullptr;
    make_vessel_fn make_vessel = nullptr;
    make_vesselmesh_fn make_vesselmesh = nullptr;

    // Loads path (start-up runs inside) and looks up the exports by their
    // undecorated names. False when the library or an export is missing.
    bool load(const char* path);
    // FreeLibrary; the next load starts the module afresh.
    void unload();
};

}  // namespace host
