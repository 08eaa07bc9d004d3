// SetPixel and the block transfer for the in-process host's bitmaps: GDI
// colour 0x00BBGGRR stored as a BGRA word 0x00RRGGBB. These bitmaps are always
// 32 bits per pixel, so the block transfer never declines a valid bitmap.
#include "platform/set_pixel.hpp"

#include <cstddef>

namespace quilbet {

namespace {

// The bitmap word of a colour with red in the lowest byte (GDI colour or texture word).
uint32_t bitmap_word(uint32_t colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

}  // namespace

void set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour) {
    auto* bitmap = static_cast<BitmapDc*>(dc);
    if (bitmap == nullptr || bitmap->pixels == nullptr) return;
    if (x < 0 || y < 0 || x >= bitmap->w || y >= bitmap->h) return;
    bitmap->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap->w) + static_cast<std::size_t>(x)] =
        bitmap_word(colour);
}

bool set_pixel_block(void* dc, const uint32_t* words, int32_t w, int32_t h) {
    auto* bitmap = static_cast<BitmapDc*>(dc);
    if (bitmap == nullptr || bitmap->pixels == nullptr || words == nullptr || w <= 0 || h <= 0) return false;
    // Pixels outside the bitmap are dropped, as set_pixel drops them.
    const int32_t rows = h < bitmap->h ? h : bitmap->h;
    const int32_t cols = w < bitmap->w ? w : bitmap->w;
    for (int32_t y = 0; y < rows; ++y) {
        const uint32_t* src = words + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        uint32_t* dst = bitmap->pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap->w);
        for (int32_t x = 0; x < cols; ++x) dst[x] = bitmap_word(src[x]);
    }
    return true;
}

}  // namespace quilbet
