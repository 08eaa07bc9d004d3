// SetPixel for the in-process host's bitmaps: GDI colour 0x00BBGGRR stored as
// a BGRA word 0x00RRGGBB.
#include "platform/set_pixel.hpp"

#include <cstddef>

namespace quilbet {

void set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour) {
    auto* bitmap = static_cast<BitmapDc*>(dc);
    if (bitmap == nullptr || bitmap->pixels == nullptr) return;
    if (x < 0 || y < 0 || x >= bitmap->w || y >= bitmap->h) return;
    const uint32_t r = colour & 0xFFu;
    const uint32_t g = (colour >> 8) & 0xFFu;
    const uint32_t b = (colour >> 16) & 0xFFu;
    bitmap->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap->w) + static_cast<std::size_t>(x)] =
        b | (g << 8) | (r << 16);
}

}  // namespace quilbet
