// PNG through libpng's simplified memory API.
#include "station/png_io.hpp"

#include <png.h>

namespace quilbet {

bool encode_png(const uint8_t* pixels, int32_t width, int32_t height, int32_t channels, std::vector<uint8_t>& out,
                std::string& error) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(width);
    img.height = static_cast<png_uint_32>(height);
    img.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&img, nullptr, &size, 0, pixels, 0, nullptr)) {
        error = std::string("PNG encoding failed: ") + img.message;
        return false;
    }
    out.resize(size);
    if (!png_image_write_to_memory(&img, out.data(), &size, 0, pixels, 0, nullptr)) {
        error = std::string("PNG encoding failed: ") + img.message;
        return false;
    }
    out.resize(size);
    return true;
}

bool decode_png(const std::vector<uint8_t>& file, std::vector<uint8_t>& rgba, int32_t& width, int32_t& height,
                std::string& error) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, file.data(), file.size())) {
        error = std::string("PNG decoding failed: ") + img.message;
        return false;
    }
    img.format = PNG_FORMAT_RGBA;
    rgba.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, rgba.data(), 0, nullptr)) {
        error = std::string("PNG decoding failed: ") + img.message;
        return false;
    }
    width = static_cast<int32_t>(img.width);
    height = static_cast<int32_t>(img.height);
    return true;
}

}  // namespace quilbet
