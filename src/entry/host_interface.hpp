// The host's function table and the two host records the mesh hand-over fills.
//
// The host hands over one table of 119 slots through initint; the module keeps
// a copy and calls seven of the slots, all host functions with the C calling
// convention (arguments on the stack, the caller removes them). On the 32-bit
// plug-in every slot, handle and address is 32 bits wide; natively they are
// pointer-sized, and the field names and orders stay the same.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define QUILBET_CDECL __cdecl
#else
#define QUILBET_CDECL
#endif

namespace quilbet {

inline constexpr int host_slot_count = 119;

// Slot numbers of the seven host functions the module calls.
inline constexpr int slot_mesh_group_count = 39;
inline constexpr int slot_surface_get_dc = 47;
inline constexpr int slot_surface_release_dc = 48;
inline constexpr int slot_mesh_material = 101;
inline constexpr int slot_mesh_group = 116;
inline constexpr int slot_mesh_set_texture = 117;
inline constexpr int slot_create_surface = 118;

// One host mesh group as far as the module writes it. The vertex block holds
// 8 floats per vertex (HostVertex), the index block 16-bit indices; both come
// from host_alloc and belong to the host once written.
struct HostGroup {
    void* vtx;          // vertex array
    void* idx;          // index array
    uint32_t nvtx;      // vertex count
    uint32_t nidx;      // index count (three per triangle)
    uint32_t reserved4; // not written
    uint32_t reserved5; // not written
    uint32_t flags;     // 0: holds station geometry; 2: unused by the station
};

// One host vertex: position, normal, texture coordinates.
struct HostVertex {
    float x, y, z;
    float nx, ny, nz;
    float tu, tv;
};
static_assert(sizeof(HostVertex) == 32);

// One host material: four RGBA colours (diffuse, ambient, specular, emissive)
// and the specular power.
struct HostMaterial {
    float diffuse[4];
    float ambient[4];   // never written
    float specular[4];
    float emissive[4];
    float power;
};
static_assert(sizeof(HostMaterial) == 68);

using HostMeshGroupCountFn = int32_t(QUILBET_CDECL*)(void* mesh);
using HostSurfaceGetDcFn = void*(QUILBET_CDECL*)(void* surface);
using HostSurfaceReleaseDcFn = void(QUILBET_CDECL*)(void* surface, void* dc);
using HostMeshMaterialFn = HostMaterial*(QUILBET_CDECL*)(void* mesh, int32_t index);
using HostMeshGroupFn = HostGroup*(QUILBET_CDECL*)(void* mesh, int32_t index);
using HostMeshSetTextureFn = void(QUILBET_CDECL*)(void* mesh, int32_t number, void* surface);
using HostCreateSurfaceFn = void*(QUILBET_CDECL*)(int32_t width, int32_t height);

// The table itself: 119 consecutive slots, each the address of a host
// function or variable. Slot n lies at byte offset n * sizeof(uintptr_t).
struct HostInterface {
    uintptr_t slot[host_slot_count] = {};

    HostMeshGroupCountFn mesh_group_count() const { return reinterpret_cast<HostMeshGroupCountFn>(slot[slot_mesh_group_count]); }
    HostSurfaceGetDcFn surface_get_dc() const { return reinterpret_cast<HostSurfaceGetDcFn>(slot[slot_surface_get_dc]); }
    HostSurfaceReleaseDcFn surface_release_dc() const {
        return reinterpret_cast<HostSurfaceReleaseDcFn>(slot[slot_surface_release_dc]);
    }
    HostMeshMaterialFn mesh_material() const { return reinterpret_cast<HostMeshMaterialFn>(slot[slot_mesh_material]); }
    HostMeshGroupFn mesh_group() const { return reinterpret_cast<HostMeshGroupFn>(slot[slot_mesh_group]); }
    HostMeshSetTextureFn mesh_set_texture() const {
        return reinterpret_cast<HostMeshSetTextureFn>(slot[slot_mesh_set_texture]);
    }
    HostCreateSurfaceFn create_surface() const { return reinterpret_cast<HostCreateSurfaceFn>(slot[slot_create_surface]); }

    // True when all seven slots the hand-over calls hold an address.
    bool used_slots_filled() const;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(HostInterface) == 476, "the host table is 119 32-bit slots");
static_assert(offsetof(HostInterface, slot) + 4 * slot_mesh_group_count == 156);
static_assert(offsetof(HostInterface, slot) + 4 * slot_create_surface == 472);
static_assert(sizeof(HostGroup) == 28 && offsetof(HostGroup, flags) == 24, "host group: 7 32-bit fields");
#endif

// Copies the host's 119 slots from table into host (replacing any earlier copy).
// Nothing is checked or called. A null table leaves host zero-filled.
void copy_host_interface(HostInterface& host, const void* table);

// The module's progress hook: phase 0 is the catalogue build at load (fractions
// 1/26 .. 26/26), phase 1 the description parser (0.0, then blocks done / N).
// It reports nothing to the host and changes nothing; a module instance may
// forward the same calls to a callback of its own (see Module).
void report_progress(int32_t phase, double fraction);

}  // namespace quilbet
