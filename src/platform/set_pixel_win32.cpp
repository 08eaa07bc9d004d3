// SetPixel on a GDI device context that the host gave for a surface.
#include "platform/set_pixel.hpp"

#include <windows.h>

namespace quilbet {

void set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour) {
    if (dc == nullptr) return;
    SetPixel(static_cast<HDC>(dc), x, y, static_cast<COLORREF>(colour));
}

}  // namespace quilbet
