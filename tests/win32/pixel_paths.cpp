// Texture pixels from the plug-in against one SetPixel per pixel.
#include "pixel_paths.hpp"

#include <cstdint>
#include <string>
#include <vector>

#include "entry/mesh_handover.hpp"
#include "entry/module.hpp"
#include "host/inprocess_host.hpp"
#include "station_blobs.hpp"
#include "win32_host.hpp"

namespace host {

namespace {

// A texture word (red in the lowest byte) as the plain upload writes it.
COLORREF plain_colour(uint32_t word) { return RGB(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF); }

// Pixels of s that GetPixel reads differently from reference.
int differing_pixels(const Surface& s, const Surface& reference) {
    GdiFlush();
    int differ = 0;
    for (int y = 0; y < s.h; ++y) {
        for (int x = 0; x < s.w; ++x) differ += GetPixel(s.dc, x, y) != GetPixel(reference.dc, x, y);
    }
    return differ;
}

// Bytes of an 8-bit surface's bits (rows padded to 4 bytes) that differ from reference's.
int differing_bytes(const Surface& s, const Surface& reference) {
    GdiFlush();
    const int stride = (s.w + 3) / 4 * 4;
    const auto* a = static_cast<const uint8_t*>(s.bits);
    const auto* b = static_cast<const uint8_t*>(reference.bits);
    int differ = 0;
    for (int y = 0; y < s.h; ++y) {
        for (int x = 0; x < s.w; ++x) differ += a[y * stride + x] != b[y * stride + x];
    }
    return differ;
}

// At 32 bits per pixel the DIB holds each channel as it is: blue in the lowest byte.
bool dib_holds_words(const Surface& s, const quilbet::typmshgrp& g) {
    const auto* bits = static_cast<const uint32_t*>(s.bits);
    for (int k = 0; k < s.w * s.h; ++k) {
        const uint32_t w = g.texpix.get()[k];
        const uint32_t bgr = ((w & 0xFF) << 16) | (w & 0xFF00) | ((w >> 16) & 0xFF);
        if ((bits[k] & 0xFFFFFF) != bgr) return false;
    }
    return true;
}

}  // namespace

void check_pixel_paths(const char* dll_path, Report& report) {
    Plugin plugin;
    report.check(plugin.load(dll_path), "pixel paths: the plug-in loads afresh");
    if (!plugin.dll) return;
    uint32_t table[119];
    fill_table(table);
    plugin.initint(table);

    const std::vector<int32_t> blob = every_style_station();
    static uint8_t vesdef[864];
    VesselRecord record = {};
    record.blob = reinterpret_cast<uint32_t>(blob.data());
    record.blob_length = static_cast<uint32_t>(blob.size() * 4);
    plugin.make_vessel(vesdef, &record);
    free_vessel_lists(record);

    // The same module, started the same way, fed the same blob.
    quilbet::Module oracle;
    oracle.set_diagnostic_sink({});
    oracle.startup(quilbet::StartupOptions{false});
    quilbet::HostVesselRecord oracle_record =
        quilbet::InProcessHost::make_vessel_record(blob.data(), static_cast<int32_t>(blob.size() * 4));
    oracle.make_vessel(vesdef, &oracle_record);
    quilbet::InProcessHost::release_vessel(oracle_record);
    const std::vector<quilbet::StationGroupRef> refs = quilbet::station_groups(oracle.station());

    static HostMesh mesh;
    struct Format {
        int depth;
        bool rgb565;
        bool bottom_up;
        const char* name;
    };
    for (const Format& f : {Format{32, false, false, "32 bpp"}, Format{24, false, false, "24 bpp"},
                            Format{16, false, false, "16 bpp 5-5-5"}, Format{16, true, false, "16 bpp 5-6-5"},
                            Format{8, false, false, "8 bpp palette"}, Format{8, false, true, "8 bpp palette, bottom-up"}}) {
        const int depth = f.depth;
        const std::string at = std::string(" at ") + f.name;
        set_surface_depth(depth, f.rgb565, f.bottom_up);
        reset_mesh(mesh, 0);
        plugin.make_vesselmesh(&mesh);

        int textures = 0, wrong_size = 0, not_the_words = 0, differing = 0;
        bool sizes[3] = {false, false, false};  // 64, 128 and 256 square
        for (int i = 0; i < static_cast<int>(refs.size()) && i < mesh_size; ++i) {
            const quilbet::StationGroupRef& ref = refs[static_cast<std::size_t>(i)];
            const quilbet::typmshgrp& g = oracle.station().blocks[static_cast<std::size_t>(ref.block)]
                                              .msh.grp[static_cast<std::size_t>(ref.group)];
            if (!g.texpix) continue;
            ++textures;
            const Surface* got = mesh.textures[i + 1];
            if (got == nullptr || got->w != g.texw || got->h != g.texh || got->depth != depth) {
                ++wrong_size;
                continue;
            }
            sizes[0] = sizes[0] || g.texw == 64;
            sizes[1] = sizes[1] || g.texw == 128;
            sizes[2] = sizes[2] || g.texw == 256;
            if (depth == 32 && !dib_holds_words(*got, g)) ++not_the_words;

            Surface* reference = make_surface(g.texw, g.texh);
            for (int y = 0; y < g.texh; ++y) {
                for (int x = 0; x < g.texw; ++x) SetPixel(reference->dc, x, y, plain_colour(g.texpix.get()[y * g.texw + x]));
            }
            // Palette surfaces are compared by their indices: two entries might show alike.
            const int d = depth == 8 ? differing_bytes(*got, *reference) : differing_pixels(*got, *reference);
            if (d != 0) std::printf("texture %d (%d x %d)%s: %d pixels differ\n", i + 1, g.texw, g.texh, at.c_str(), d);
            differing += d;
        }
        report.check(textures > 0 && textures == static_cast<int>(refs.size()), "pixel paths: every station group has a texture" + at);
        report.check(wrong_size == 0, "pixel paths: each texture on a surface of its size and depth" + at);
        report.check(sizes[0] && sizes[1] && sizes[2], "pixel paths: textures of 64, 128 and 256 pixels" + at);
        if (depth == 32) report.check(not_the_words == 0, "pixel paths: the 32-bit DIBs hold the module's words");
        report.check(differing == 0, "pixel paths: every pixel as one SetPixel per pixel leaves it" + at);
        free_mesh_arrays(mesh);
        release_surfaces();
    }
    plugin.unload();
    set_surface_depth(32);
}

}  // namespace host
