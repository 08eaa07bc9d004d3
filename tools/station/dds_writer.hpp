// DDS texture files as the host loads them: the 128-byte header of the
// placeholder texture, followed by a full chain of mipmaps (each level half
// the one before, rounded down, to 1 x 1), either DXT1-compressed or as
// uncompressed 32-bit pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace quilbet {

enum class DdsFormat {
    dxt1,   // four-character code "DXT1", 8 bytes per 4 x 4 block (stb_dxt, high-quality mode)
    rgba,   // 32 bits per pixel, bytes B, G, R, A (masks 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
};

// Levels of a full mipmap chain for a w x h texture: 1 + floor(log2(max(w, h))).
int32_t dds_mip_levels(int32_t w, int32_t h);

// The whole DDS file of a w x h texture whose pixels are words 0x00RRGGBB
// (red in bits 16 to 23, as the host's surfaces hold them), row 0 first; row 0
// becomes the top row of the image. Alpha is written as 255 (the host keeps
// 24 bits). Each smaller level averages 2 x 2 pixels of the one above (the
// pixels that exist, when a side is already 1), rounding to nearest. DXT1
// blocks at the right and bottom edges are padded by repeating the last
// column and row. w and h must be at least 1 and `words` hold w x h words.
std::vector<uint8_t> dds_file(const uint32_t* words, int32_t w, int32_t h, DdsFormat format);

}  // namespace quilbet
