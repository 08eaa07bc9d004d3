// The in-process host: cdecl functions behind the seven used slots.
#include "host/inprocess_host.hpp"

#include <atomic>

#include "platform/host_memory.hpp"
#include "platform/set_pixel.hpp"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quilbet {

// A surface: a top-down 32-bit bitmap (0x00RRGGBB words). Natively its drawing
// context is a BitmapDc over the words; on Windows a DIB section selected
// into a memory DC, so that GDI SetPixel draws into it.
struct HostSurface {
    int32_t w = 0;
    int32_t h = 0;
    uint32_t* bits = nullptr;
    int32_t open_dcs = 0;
#if defined(_WIN32)
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
#else
    std::vector<uint32_t> store;
    BitmapDc dc;
#endif

    HostSurface(int32_t width, int32_t height) : w(width < 0 ? 0 : width), h(height < 0 ? 0 : height) {
#if defined(_WIN32)
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        if (bitmap != nullptr) previous = SelectObject(dc, bitmap);
#else
        store.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
        bits = store.data();
        dc = BitmapDc{bits, w, h};
#endif
    }
    ~HostSurface() {
#if defined(_WIN32)
        if (dc != nullptr && previous != nullptr) SelectObject(dc, previous);
        if (bitmap != nullptr) DeleteObject(bitmap);
        if (dc != nullptr) DeleteDC(dc);
#endif
    }
    void* drawing_context() {
#if defined(_WIN32)
        return dc;
#else
        return &dc;
#endif
    }
};

namespace {

std::atomic<int32_t> surface_count{0};

InProcessHost::Mesh* as_mesh(void* m) { return static_cast<InProcessHost::Mesh*>(m); }

int32_t QUILBET_CDECL host_mesh_group_count(void* mesh) { return as_mesh(mesh)->reported; }

void* QUILBET_CDECL host_surface_get_dc(void* surface) {
    auto* s = static_cast<HostSurface*>(surface);
    if (s == nullptr) return nullptr;
    ++s->open_dcs;
    return s->drawing_context();
}

void QUILBET_CDECL host_surface_release_dc(void* surface, void* dc) {
    auto* s = static_cast<HostSurface*>(surface);
    if (s == nullptr || dc != s->drawing_context()) return;
#if defined(_WIN32)
    GdiFlush();
#endif
    --s->open_dcs;
}

HostMaterial* QUILBET_CDECL host_mesh_material(void* mesh, int32_t index) {
    InProcessHost::Mesh* m = as_mesh(mesh);
    ++m->material_calls;
    if (index < 0 || index >= static_cast<int32_t>(m->materials.size())) return nullptr;
    return &m->materials[static_cast<std::size_t>(index)];
}

HostGroup* QUILBET_CDECL host_mesh_group(void* mesh, int32_t index) {
    InProcessHost::Mesh* m = as_mesh(mesh);
    ++m->group_calls;
    if (index < 0 || index >= m->reported || index >= static_cast<int32_t>(m->groups.size())) {
        ++m->out_of_range;
        return nullptr;
    }
    HostGroup& g = m->groups[static_cast<std::size_t>(index)];
    // Whatever the group holds now may be replaced by the caller: remember it.
    if (g.vtx != nullptr) m->arrays.insert(g.vtx);
    if (g.idx != nullptr) m->arrays.insert(g.idx);
    return &g;
}

void QUILBET_CDECL host_mesh_set_texture(void* mesh, int32_t number, void* surface) {
    InProcessHost::Mesh* m = as_mesh(mesh);
    auto* s = static_cast<HostSurface*>(surface);
    if (number < 1 || number > static_cast<int32_t>(m->textures.size())) {
        delete s;
        return;
    }
    HostSurface*& slot = m->textures[static_cast<std::size_t>(number - 1)];
    if (slot != s) delete slot;
    slot = s;
}

void* QUILBET_CDECL host_create_surface(int32_t width, int32_t height) {
    ++surface_count;
    return new HostSurface(width, height);
}

const HostSurface* texture_of(const InProcessHost::Mesh& m, int32_t number) {
    if (number < 1 || number > static_cast<int32_t>(m.textures.size())) return nullptr;
    return m.textures[static_cast<std::size_t>(number - 1)];
}

}  // namespace

InProcessHost::InProcessHost() {
    table_.slot[slot_mesh_group_count] = reinterpret_cast<uintptr_t>(&host_mesh_group_count);
    table_.slot[slot_surface_get_dc] = reinterpret_cast<uintptr_t>(&host_surface_get_dc);
    table_.slot[slot_surface_release_dc] = reinterpret_cast<uintptr_t>(&host_surface_release_dc);
    table_.slot[slot_mesh_material] = reinterpret_cast<uintptr_t>(&host_mesh_material);
    table_.slot[slot_mesh_group] = reinterpret_cast<uintptr_t>(&host_mesh_group);
    table_.slot[slot_mesh_set_texture] = reinterpret_cast<uintptr_t>(&host_mesh_set_texture);
    table_.slot[slot_create_surface] = reinterpret_cast<uintptr_t>(&host_create_surface);

    mesh_.owner = this;
    mesh_.groups.assign(static_cast<std::size_t>(mesh_size), HostGroup{});
    // The placeholder's material: three colour lines of 1.000 and black emission.
    HostMaterial placeholder{};
    for (int c = 0; c < 4; ++c) {
        placeholder.diffuse[c] = 1.0f;
        placeholder.ambient[c] = 1.0f;
        placeholder.specular[c] = 1.0f;
        placeholder.emissive[c] = c == 3 ? 1.0f : 0.0f;
    }
    mesh_.materials.assign(static_cast<std::size_t>(mesh_size), placeholder);
    mesh_.textures.assign(static_cast<std::size_t>(mesh_size), nullptr);
}

InProcessHost::~InProcessHost() {
    for (const HostGroup& g : mesh_.groups) {
        if (g.vtx != nullptr) mesh_.arrays.insert(g.vtx);
        if (g.idx != nullptr) mesh_.arrays.insert(g.idx);
    }
    for (void* p : mesh_.arrays) host_free(p);
    for (HostSurface* s : mesh_.textures) delete s;
}

const HostVertex* InProcessHost::vertices(int32_t g) const {
    return static_cast<const HostVertex*>(mesh_.groups[static_cast<std::size_t>(g)].vtx);
}

const uint16_t* InProcessHost::indices(int32_t g) const {
    return static_cast<const uint16_t*>(mesh_.groups[static_cast<std::size_t>(g)].idx);
}

int32_t InProcessHost::texture_width(int32_t number) const {
    const HostSurface* s = texture_of(mesh_, number);
    return s != nullptr ? s->w : 0;
}

int32_t InProcessHost::texture_height(int32_t number) const {
    const HostSurface* s = texture_of(mesh_, number);
    return s != nullptr ? s->h : 0;
}

std::vector<uint32_t> InProcessHost::texture_words(int32_t number) const {
    const HostSurface* s = texture_of(mesh_, number);
    if (s == nullptr || s->bits == nullptr) return {};
    return std::vector<uint32_t>(s->bits, s->bits + static_cast<std::size_t>(s->w) * static_cast<std::size_t>(s->h));
}

std::vector<uint8_t> InProcessHost::texture_rgba(int32_t number) const {
    const std::vector<uint32_t> words = texture_words(number);
    std::vector<uint8_t> rgba(words.size() * 4);
    for (std::size_t i = 0; i < words.size(); ++i) {
        rgba[4 * i + 0] = static_cast<uint8_t>(words[i] >> 16);
        rgba[4 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
        rgba[4 * i + 2] = static_cast<uint8_t>(words[i]);
        rgba[4 * i + 3] = 255;
    }
    return rgba;
}

int32_t InProcessHost::surfaces_created() { return surface_count.load(); }

int32_t InProcessHost::open_dcs() const {
    int32_t n = 0;
    for (const HostSurface* s : mesh_.textures) {
        if (s != nullptr) n += s->open_dcs;
    }
    return n;
}

HostVesselRecord InProcessHost::make_vessel_record(const void* blob, int32_t length) {
    HostVesselRecord v{};
    v.blob = blob;
    v.blob_length = length;
    return v;
}

void InProcessHost::release_vessel(HostVesselRecord& v) {
    for (int k = 0; k < vessel_list_count; ++k) list_resize(v.list[k], vessel_entry_size[k], 0);
}

}  // namespace quilbet
