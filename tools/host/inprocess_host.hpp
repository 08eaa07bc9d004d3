// A host of our own, inside the calling process, that honours the seven host
// slots the plug-in calls: one mesh laid out like the placeholder mesh (1000
// groups, materials and textures), surfaces as 32-bit bitmaps and drawing
// contexts that set_pixel writes into. Tests and the CLI drive a Module
// against it and read back what the hand-over produced.
//
// The host functions are plain cdecl functions; the mesh handle the module
// receives is the address of the host's mesh record, and surfaces are heap
// objects that the mesh takes over when they are bound as a texture (a surface
// that is never bound stays with its creator). Vertex and index arrays are
// released with host_free, including arrays a second hand-over replaced.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "entry/host_interface.hpp"
#include "entry/vessel_definition.hpp"

namespace quilbet {

struct HostSurface;

class InProcessHost {
public:
    static constexpr int32_t mesh_size = 1000;

    InProcessHost();
    ~InProcessHost();
    InProcessHost(const InProcessHost&) = delete;
    InProcessHost& operator=(const InProcessHost&) = delete;

    // The 119-slot table for initint (unused slots zero).
    const void* table() const { return table_.slot; }
    // The mesh handle for make_vesselmesh.
    void* mesh() { return &mesh_; }

    // The count mesh_group_count reports (default 1000), to test smaller hosts.
    void set_reported_group_count(int32_t n) { mesh_.reported = n; }

    HostGroup& group(int32_t g) { return mesh_.groups[static_cast<std::size_t>(g)]; }
    HostMaterial& material(int32_t m) { return mesh_.materials[static_cast<std::size_t>(m)]; }
    const HostVertex* vertices(int32_t g) const;
    const uint16_t* indices(int32_t g) const;
    // Width and height of texture number (1-based), 0 x 0 when none is bound.
    int32_t texture_width(int32_t number) const;
    int32_t texture_height(int32_t number) const;
    // Pixels of texture number as RGBA bytes, row 0 first (empty when none).
    std::vector<uint8_t> texture_rgba(int32_t number) const;
    // Pixels as the bitmap holds them (0x00RRGGBB words), row 0 first.
    std::vector<uint32_t> texture_words(int32_t number) const;

    // Call counters.
    // Surfaces created by any in-process host of this process so far.
    static int32_t surfaces_created();
    int32_t group_calls_out_of_range() const { return mesh_.out_of_range; }
    int32_t group_calls() const { return mesh_.group_calls; }
    int32_t material_calls() const { return mesh_.material_calls; }
    int32_t open_dcs() const;

    // A vessel record for make_vessel over blob (which must outlive the call);
    // the lists it receives are released with host_free by release_vessel.
    static HostVesselRecord make_vessel_record(const void* blob, int32_t length);
    static void release_vessel(HostVesselRecord& v);

    struct Mesh {
        InProcessHost* owner = nullptr;
        int32_t reported = mesh_size;
        std::vector<HostGroup> groups;
        std::vector<HostMaterial> materials;
        std::vector<HostSurface*> textures;     // textures[n - 1]: texture number n
        std::set<void*> arrays;                 // every vertex/index array seen in a group
        int32_t out_of_range = 0;
        int32_t group_calls = 0;
        int32_t material_calls = 0;
    };

private:
    HostInterface table_;
    Mesh mesh_;
};

}  // namespace quilbet
