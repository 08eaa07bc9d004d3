// Pixels onto a host drawing context: one at a time, or a whole texture in
// one block transfer where that gives the very same pixels.
//
// On Windows the drawing context is a GDI device context: set_pixel is GDI
// SetPixel and set_pixel_block one SetDIBitsToDevice. Elsewhere the
// in-process host hands out the address of a BitmapDc as its drawing context:
// a top-down 32-bit BGRA bitmap (the layout of a 32-bit DIB section: blue in
// the lowest byte, alpha 0 as SetPixel leaves it).
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

// Writes the w x h texture words (row by row from row 0; red in the lowest
// byte, byte 3 ignored) onto dc with its top-left pixel at (0, 0), in one
// transfer (on an 8-bit palette DIB section: one set_pixel per distinct
// colour, the indices written into its bits), so that every pixel ends up as
// set_pixel would leave it with the word's low 24 bits. Returns false when
// that cannot be promised: a null dc or words, an empty size, a context whose
// surface cannot be queried or is none of 24 or 32 bits per pixel, a 16-bit
// 5-5-5 or 5-6-5 DIB section whose layout passed its trial, or an 8-bit
// palette DIB section on a context that neither moves nor clips
// (set_pixel_win32.cpp); a context that maps or mirrors coordinates, or a
// transfer that reports failure. The caller then sets the pixels one by one
// (what a failed call may have written is overwritten that way).
bool set_pixel_block(void* dc, const uint32_t* words, int32_t w, int32_t h);

}  // namespace quilbet
