// SetPixel and the block transfer on a GDI device context that the host gave
// for a surface.
//
// The block transfer is one SetDIBitsToDevice from a top-down 32-bit DIB made
// of the texture words themselves (channel masks red 0xFF, green 0xFF00, blue
// 0xFF0000, so byte 3 is ignored). It is used only where it writes exactly
// what SetPixel would: on a 24 or 32 bits-per-pixel surface, where every
// 8-bit channel is stored as it is, and with coordinates that are neither
// scaled, transformed nor mirrored. The depth comes from the bitmap selected
// into the context: GetDeviceCaps(BITSPIXEL) on a memory DC reports the
// screen's depth, not the surface's.
#include "platform/set_pixel.hpp"

#include <windows.h>

namespace quilbet {

namespace {

// A DIB section's channels are stored as 8-bit fields SetPixel and the block
// transfer fill alike: plain RGB, or 32-bit bit fields in the standard places.
bool standard_channels(const DIBSECTION& ds) {
    if (ds.dsBmih.biCompression == BI_RGB) return true;
    return ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBm.bmBitsPixel == 32 && ds.dsBitfields[0] == 0xFF0000u &&
           ds.dsBitfields[1] == 0xFF00u && ds.dsBitfields[2] == 0xFFu;
}

// The surface behind dc takes a block transfer with SetPixel's results.
bool exact_block_surface(HDC dc) {
    const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (bitmap == nullptr) return false;
    DIBSECTION ds{};
    const int size = GetObject(bitmap, sizeof ds, &ds);
    if (size != static_cast<int>(sizeof(BITMAP)) && size != static_cast<int>(sizeof(DIBSECTION))) return false;
    if (ds.dsBm.bmBitsPixel != 24 && ds.dsBm.bmBitsPixel != 32) return false;
    if (size == static_cast<int>(sizeof(DIBSECTION)) && !standard_channels(ds)) return false;

    // SetPixel maps every point; the block transfer maps only its origin.
    if (GetMapMode(dc) != MM_TEXT || GetLayout(dc) != 0) return false;
    XFORM xf{};
    if (!GetWorldTransform(dc, &xf)) return false;
    if (xf.eM11 != 1.0f || xf.eM12 != 0.0f || xf.eM21 != 0.0f || xf.eM22 != 1.0f || xf.eDx != 0.0f || xf.eDy != 0.0f) {
        return false;
    }
    return SetICMMode(dc, ICM_QUERY) != ICM_ON;
}

struct WordDib {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

}  // namespace

void set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour) {
    if (dc == nullptr) return;
    SetPixel(static_cast<HDC>(dc), x, y, static_cast<COLORREF>(colour));
}

bool set_pixel_block(void* dc, const uint32_t* words, int32_t w, int32_t h) {
    if (dc == nullptr || words == nullptr || w <= 0 || h <= 0) return false;
    const HDC hdc = static_cast<HDC>(dc);
    if (!exact_block_surface(hdc)) return false;

    WordDib dib{};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = w;
    dib.header.biHeight = -h;  // top-down: row 0 first, as the words are stored
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 32;
    dib.header.biCompression = BI_BITFIELDS;
    dib.masks[0] = 0x0000FFu;  // red in the lowest byte, as in a texture word
    dib.masks[1] = 0x00FF00u;
    dib.masks[2] = 0xFF0000u;
    const int lines = SetDIBitsToDevice(hdc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                                        static_cast<UINT>(h), words, reinterpret_cast<const BITMAPINFO*>(&dib),
                                        DIB_RGB_COLORS);
    return lines == h;
}

}  // namespace quilbet
