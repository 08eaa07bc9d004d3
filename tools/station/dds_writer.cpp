// DDS writer: header, mipmap chain by 2 x 2 box filter, DXT1 blocks through
// stb_dxt (Sean Barrett's public-domain encoder, high-quality mode: a
// principal-axis fit of the two end colours refined twice).
#include "station/dds_writer.hpp"

#include <cassert>
#include <cstring>

#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb/stb_dxt.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace quilbet {
namespace {

constexpr std::size_t header_size = 128;

// Header flags (DDSD_*), pixel format flags (DDPF_*) and caps (DDSCAPS_*).
constexpr uint32_t flag_caps = 0x1, flag_height = 0x2, flag_width = 0x4, flag_pitch = 0x8,
                   flag_pixel_format = 0x1000, flag_mipmap_count = 0x20000, flag_linear_size = 0x80000;
constexpr uint32_t pf_alpha_pixels = 0x1, pf_four_cc = 0x4, pf_rgb = 0x40;
constexpr uint32_t caps_complex = 0x8, caps_texture = 0x1000, caps_mipmap = 0x400000;

void put32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    for (int b = 0; b < 4; ++b) out[at + static_cast<std::size_t>(b)] = static_cast<uint8_t>(v >> (8 * b));
}

// One level: w x h pixels, 4 bytes each in B, G, R, A order (the words'
// little-endian bytes with alpha set).
struct Level {
    int32_t w = 0, h = 0;
    std::vector<uint8_t> bgra;
};

Level half_of(const Level& a) {
    Level b;
    b.w = a.w > 1 ? a.w / 2 : 1;
    b.h = a.h > 1 ? a.h / 2 : 1;
    b.bgra.resize(static_cast<std::size_t>(b.w) * static_cast<std::size_t>(b.h) * 4);
    const int32_t sx = a.w > 1 ? 2 : 1, sy = a.h > 1 ? 2 : 1;
    const uint32_t n = static_cast<uint32_t>(sx * sy);
    for (int32_t y = 0; y < b.h; ++y) {
        for (int32_t x = 0; x < b.w; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int32_t dy = 0; dy < sy; ++dy) {
                const uint8_t* row = a.bgra.data() + (static_cast<std::size_t>(y * sy + dy) * static_cast<std::size_t>(a.w) +
                                                      static_cast<std::size_t>(x * sx)) * 4;
                for (int32_t dx = 0; dx < sx; ++dx) {
                    for (int c = 0; c < 4; ++c) sum[c] += row[dx * 4 + c];
                }
            }
            uint8_t* dst = b.bgra.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(b.w) + static_cast<std::size_t>(x)) * 4;
            for (int c = 0; c < 4; ++c) dst[c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return b;
}

std::size_t dxt1_size(int32_t w, int32_t h) {
    return static_cast<std::size_t>((w + 3) / 4) * static_cast<std::size_t>((h + 3) / 4) * 8;
}

// Appends the level's DXT1 blocks, left to right, top to bottom.
void append_dxt1(const Level& l, std::vector<uint8_t>& out) {
    unsigned char rgba[64];
    unsigned char block[8];
    for (int32_t by = 0; by < l.h; by += 4) {
        for (int32_t bx = 0; bx < l.w; bx += 4) {
            for (int32_t j = 0; j < 4; ++j) {
                const int32_t y = by + j < l.h ? by + j : l.h - 1;
                for (int32_t i = 0; i < 4; ++i) {
                    const int32_t x = bx + i < l.w ? bx + i : l.w - 1;
                    const uint8_t* p = l.bgra.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(l.w) + static_cast<std::size_t>(x)) * 4;
                    unsigned char* q = rgba + (j * 4 + i) * 4;
                    q[0] = p[2];
                    q[1] = p[1];
                    q[2] = p[0];
                    q[3] = p[3];
                }
            }
            stb_compress_dxt_block(block, rgba, 0, STB_DXT_HIGHQUAL);
            out.insert(out.end(), block, block + 8);
        }
    }
}

}  // namespace

int32_t dds_mip_levels(int32_t w, int32_t h) {
    int32_t levels = 1;
    for (int32_t side = w > h ? w : h; side > 1; side /= 2) ++levels;
    return levels;
}

std::vector<uint8_t> dds_file(const uint32_t* words, int32_t w, int32_t h, DdsFormat format) {
    assert(w >= 1 && h >= 1 && words != nullptr);
    const int32_t levels = dds_mip_levels(w, h);
    std::vector<uint8_t> out(header_size, 0);
    std::memcpy(out.data(), "DDS ", 4);
    put32(out, 4, 124);
    const bool dxt1 = format == DdsFormat::dxt1;
    put32(out, 8, flag_caps | flag_height | flag_width | flag_pixel_format | flag_mipmap_count |
                      (dxt1 ? flag_linear_size : flag_pitch));
    put32(out, 12, static_cast<uint32_t>(h));
    put32(out, 16, static_cast<uint32_t>(w));
    put32(out, 20, dxt1 ? static_cast<uint32_t>(dxt1_size(w, h)) : static_cast<uint32_t>(w) * 4);
    put32(out, 28, static_cast<uint32_t>(levels));
    put32(out, 76, 32);
    if (dxt1) {
        put32(out, 80, pf_four_cc);
        std::memcpy(out.data() + 84, "DXT1", 4);
    } else {
        put32(out, 80, pf_rgb | pf_alpha_pixels);
        put32(out, 88, 32);
        put32(out, 92, 0x00FF0000u);
        put32(out, 96, 0x0000FF00u);
        put32(out, 100, 0x000000FFu);
        put32(out, 104, 0xFF000000u);
    }
    put32(out, 108, caps_texture | (levels > 1 ? caps_complex | caps_mipmap : 0));

    Level level;
    level.w = w;
    level.h = h;
    level.bgra.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(w) * static_cast<std::size_t>(h); ++i) {
        put32(level.bgra, 4 * i, words[i] | 0xFF000000u);
    }
    std::size_t total = header_size;
    for (int32_t l = 0, lw = w, lh = h; l < levels; ++l, lw = lw > 1 ? lw / 2 : 1, lh = lh > 1 ? lh / 2 : 1) {
        total += dxt1 ? dxt1_size(lw, lh) : static_cast<std::size_t>(lw) * static_cast<std::size_t>(lh) * 4;
    }
    out.reserve(total);
    for (int32_t l = 0; l < levels; ++l) {
        if (l > 0) level = half_of(level);
        if (dxt1) {
            append_dxt1(level, out);
        } else {
            out.insert(out.end(), level.bgra.begin(), level.bgra.end());
        }
    }
    return out;
}

}  // namespace quilbet
