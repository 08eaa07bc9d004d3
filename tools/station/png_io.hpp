// PNG encoding and decoding through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quilbet {

// Encodes width x height pixels of `channels` bytes each (3 = RGB, 4 = RGBA),
// row 0 at the top, into a PNG file image in `out`. False with a reason on failure.
bool encode_png(const uint8_t* pixels, int32_t width, int32_t height, int32_t channels, std::vector<uint8_t>& out,
                std::string& error);

// Decodes a PNG into 8-bit RGBA (expanding palettes, grey and missing alpha).
bool decode_png(const std::vector<uint8_t>& file, std::vector<uint8_t>& rgba, int32_t& width, int32_t& height,
                std::string& error);

}  // namespace quilbet
