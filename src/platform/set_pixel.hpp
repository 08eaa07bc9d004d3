// One pixel onto a host drawing context.
//
// On Windows the drawing context is a GDI device context and this is GDI
// SetPixel. Elsewhere the in-process host hands out the address of a
// BitmapDc as its drawing context: a top-down 32-bit BGRA bitmap (the layout of
// a 32-bit DIB section: blue in the lowest byte, alpha 0 as SetPixel leaves it).
#pragma once

#include <cstdint>

namespace quilbet {

// The drawing context of the in-process host (non-Windows builds only):
// w x h words, row y at pixels + y * w.
struct BitmapDc {
    uint32_t* pixels = nullptr;
    int32_t w = 0;
    int32_t h = 0;
};

// Sets pixel (x, y) of dc to the GDI colour value colour (0x00BBGGRR: red in
// the lowest byte). A null dc or a point outside the bitmap is ignored.
void set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour);

}  // namespace quilbet
