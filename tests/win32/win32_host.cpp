// The Windows test host's slots, surfaces, mesh and plug-in loading.
#include "win32_host.hpp"

namespace host {

namespace {

Counters counts;
int surface_depth = 32;
bool surface_565 = false;
bool surface_bottom_up = false;
std::vector<Surface*> made;

int __cdecl host_mesh_group_count(HostMesh*) {
    ++counts.group_count_calls;
    return mesh_size;
}
HDC __cdecl host_surface_get_dc(Surface* s) {
    ++s->dc_taken;
    return s->dc;
}
void __cdecl host_surface_release_dc(Surface* s, HDC dc) {
    if (dc != s->dc) ++counts.foreign_releases;
    --s->dc_taken;
    GdiFlush();  // the pixels belong to the surface from here on
}
HostMaterial* __cdecl host_mesh_material(HostMesh* m, int i) {
    if (i < 0 || i >= mesh_size) {
        ++m->group_requests_beyond;
        return &m->materials[0];
    }
    return &m->materials[i];
}
HostGroup* __cdecl host_mesh_group(HostMesh* m, int i) {
    if (i < 0 || i >= mesh_size) {
        ++m->group_requests_beyond;
        return &m->groups[0];
    }
    return &m->groups[i];
}
void __cdecl host_mesh_set_texture(HostMesh* m, int n, Surface* s) {
    ++counts.set_texture_calls;
    if (n >= 1 && n <= mesh_size) m->textures[n] = s;
}
Surface* __cdecl host_create_surface(int w, int h) { return make_surface(w, h); }

// GetProcAddress returns a generic function pointer; go through void* to the real type.
template <class Fn>
Fn export_of(HMODULE dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

}  // namespace

Counters& counters() { return counts; }
void reset_counters() { counts = Counters{}; }

void set_surface_depth(int bits, bool rgb565, bool bottom_up) {
    surface_depth = bits;
    surface_565 = bits == 16 && rgb565;
    surface_bottom_up = bottom_up;
}

Surface* make_surface(int w, int h) {
    auto* s = new Surface;
    s->w = w;
    s->h = h;
    s->depth = surface_depth;
    struct {
        BITMAPINFOHEADER header;
        union {
            DWORD masks[3];
            RGBQUAD palette[256];
        };
    } bi = {};
    bi.header.biSize = sizeof(BITMAPINFOHEADER);
    bi.header.biWidth = w;
    bi.header.biHeight = surface_bottom_up ? h : -h;
    if (surface_depth == 8) {
        // No two entries alike: the greys 4, 10 .. 238 fall between the cube's levels 0, 51 .. 255.
        for (int i = 0; i < 256; ++i) {
            const BYTE r = i < 216 ? BYTE(51 * (i % 6)) : BYTE(4 + 6 * (i - 216));
            const BYTE g = i < 216 ? BYTE(51 * (i / 6 % 6)) : r;
            const BYTE b = i < 216 ? BYTE(51 * (i / 36)) : r;
            bi.palette[i] = RGBQUAD{b, g, r, 0};
        }
        bi.header.biClrUsed = 256;
    }
    bi.header.biPlanes = 1;
    bi.header.biBitCount = static_cast<WORD>(surface_depth);
    bi.header.biCompression = surface_565 ? BI_BITFIELDS : BI_RGB;
    if (surface_565) {
        bi.masks[0] = 0xF800;
        bi.masks[1] = 0x07E0;
        bi.masks[2] = 0x001F;
    }
    s->dc = CreateCompatibleDC(nullptr);
    s->bitmap = CreateDIBSection(s->dc, reinterpret_cast<const BITMAPINFO*>(&bi), DIB_RGB_COLORS, &s->bits, nullptr, 0);
    s->previous = SelectObject(s->dc, s->bitmap);
    made.push_back(s);
    return s;
}

const std::vector<Surface*>& surfaces() { return made; }

void release_surfaces() {
    for (Surface* s : made) {
        SelectObject(s->dc, s->previous);
        DeleteObject(s->bitmap);
        DeleteDC(s->dc);
        delete s;
    }
    made.clear();
}

void fill_table(uint32_t (&table)[119]) {
    for (uint32_t& s : table) s = 0xBAD0BAD0;
    table[39] = reinterpret_cast<uint32_t>(&host_mesh_group_count);
    table[47] = reinterpret_cast<uint32_t>(&host_surface_get_dc);
    table[48] = reinterpret_cast<uint32_t>(&host_surface_release_dc);
    table[101] = reinterpret_cast<uint32_t>(&host_mesh_material);
    table[116] = reinterpret_cast<uint32_t>(&host_mesh_group);
    table[117] = reinterpret_cast<uint32_t>(&host_mesh_set_texture);
    table[118] = reinterpret_cast<uint32_t>(&host_create_surface);
}

void reset_mesh(HostMesh& mesh, uint32_t sentinel) {
    for (HostGroup& g : mesh.groups) {
        g = HostGroup{};
        g.unused4 = g.unused5 = sentinel;
        g.flags = 77;
    }
    for (HostMaterial& m : mesh.materials) {
        for (float& f : m.f) f = -1.0f;
    }
    for (Surface*& s : mesh.textures) s = nullptr;
    mesh.group_requests_beyond = 0;
}

bool free_mesh_arrays(HostMesh& mesh) {
    bool freed = true;
    for (HostGroup& g : mesh.groups) {
        if (g.flags != 0) continue;
        if (g.vertices) freed = HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(g.vertices)) && freed;
        if (g.indices) freed = HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(g.indices)) && freed;
        g.vertices = g.indices = 0;
    }
    return freed;
}

int32_t list_count(uint32_t address) { return address ? reinterpret_cast<int32_t*>(address)[-1] : 0; }

bool free_vessel_lists(VesselRecord& record) {
    bool freed = true;
    for (uint32_t& l : record.lists) {
        if (l) freed = HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(l - 8)) && freed;
        l = 0;
    }
    return freed;
}

bool Plugin::load(const char* path) {
    dll = LoadLibraryA(path);
    if (dll == nullptr) return false;
    initint = export_of<initint_fn>(dll, "initint");
    make_vessel = export_of<make_vessel_fn>(dll, "make_vessel");
    make_vesselmesh = export_of<make_vesselmesh_fn>(dll, "make_vesselmesh");
    return initint && make_vessel && make_vesselmesh;
}

void Plugin::unload() {
    if (dll) FreeLibrary(dll);
    dll = nullptr;
    initint = nullptr;
    make_vessel = nullptr;
    make_vesselmesh = nullptr;
}

}  // namespace host
