// OpenGL texture objects that every catalogue entry and block instance owns.
// They act on whatever rendering context is current on the calling thread;
// with none current they touch nothing and leave the name as it was.
#pragma once

#include <cstdint>

namespace quilbet {

// Creates a w x h RGBA texture object (modulate; linear or nearest filters;
// repeat or clamp wrapping; compressed or 4-component internal format).
// The image starts zero-filled. Nothing is left bound. Always returns true.
bool gl_tex_create(uint32_t& name, int32_t w, int32_t h, bool compressed, bool linear, bool repeat);
// Reads back src's w x h image and uploads it into dst. Nothing is left bound.
// Always returns true. (Width before the flag, height last.) A source whose
// level 0 is not w x h is not read (the read-back would overrun the buffer);
// dst then gets a blank (zero) image.
bool gl_tex_copy(uint32_t& dst, uint32_t& src, int32_t w, bool compressed, int32_t h);

}  // namespace quilbet
