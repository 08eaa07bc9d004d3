// SetPixel and the block transfer on a GDI device context that the host gave
// for a surface.
//
// The block transfer is one SetDIBitsToDevice from a top-down 32-bit DIB made
// of the texture words themselves (channel masks red 0xFF, green 0xFF00, blue
// 0xFF0000, so byte 3 is ignored). It is used only where it writes exactly
// what SetPixel would, with coordinates that are neither scaled, transformed
// nor mirrored:
//   - 24 and 32 bits per pixel, where every 8-bit channel is stored as it is;
//   - 16-bit DIB sections laid out 5-5-5 or 5-6-5, where both reduce each
//     channel on its own. That the two reductions agree is not taken on trust:
//     the first surface of each layout in the process is a trial (256 colours
//     that give every channel every value, written once by SetPixel and once
//     by the block transfer, the surface's bits compared), and the verdict
//     holds for the rest of the process.
// Palette surfaces (8 bits and below) map a colour to the nearest palette
// entry, which a block transfer may do differently: they keep SetPixel.
// The depth comes from the bitmap selected into the context:
// GetDeviceCaps(BITSPIXEL) on a memory DC reports the screen's depth, not the surface's.
#include "platform/set_pixel.hpp"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quilbet {

namespace {

// A DIB section's channels are stored as 8-bit fields SetPixel and the block
// transfer fill alike: plain RGB, or 32-bit bit fields in the standard places.
bool standard_channels(const DIBSECTION& ds) {
    if (ds.dsBmih.biCompression == BI_RGB) return true;
    return ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBm.bmBitsPixel == 32 && ds.dsBitfields[0] == 0xFF0000u &&
           ds.dsBitfields[1] == 0xFF00u && ds.dsBitfields[2] == 0xFFu;
}

enum class Layout { none, exact, rgb555, rgb565 };

// The 16-bit layout of a DIB section: BI_RGB is 5-5-5; bit fields must be
// exactly 5-5-5 or 5-6-5.
Layout layout16(const DIBSECTION& ds) {
    if (ds.dsBmih.biCompression == BI_RGB) return Layout::rgb555;
    if (ds.dsBmih.biCompression != BI_BITFIELDS) return Layout::none;
    const DWORD r = ds.dsBitfields[0], g = ds.dsBitfields[1], b = ds.dsBitfields[2];
    if (r == 0x7C00u && g == 0x03E0u && b == 0x001Fu) return Layout::rgb555;
    if (r == 0xF800u && g == 0x07E0u && b == 0x001Fu) return Layout::rgb565;
    return Layout::none;
}

// How the surface behind dc takes a block transfer: exactly (24 and 32
// bits), after a trial (16-bit layouts) or not at all.
Layout block_layout(HDC dc, DIBSECTION& ds) {
    const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (bitmap == nullptr) return Layout::none;
    ds = DIBSECTION{};
    const int size = GetObject(bitmap, sizeof ds, &ds);
    if (size != static_cast<int>(sizeof(BITMAP)) && size != static_cast<int>(sizeof(DIBSECTION))) return Layout::none;
    const bool section = size == static_cast<int>(sizeof(DIBSECTION));
    Layout layout = Layout::none;
    if (ds.dsBm.bmBitsPixel == 24 || ds.dsBm.bmBitsPixel == 32) {
        if (section && !standard_channels(ds)) return Layout::none;
        layout = Layout::exact;
    } else if (ds.dsBm.bmBitsPixel == 16 && section && ds.dsBm.bmBits != nullptr) {
        layout = layout16(ds);
    }
    if (layout == Layout::none) return layout;

    // SetPixel maps every point; the block transfer maps only its origin.
    if (GetMapMode(dc) != MM_TEXT || GetLayout(dc) != 0) return Layout::none;
    XFORM xf{};
    if (!GetWorldTransform(dc, &xf)) return Layout::none;
    if (xf.eM11 != 1.0f || xf.eM12 != 0.0f || xf.eM21 != 0.0f || xf.eM22 != 1.0f || xf.eDx != 0.0f || xf.eDy != 0.0f) {
        return Layout::none;
    }
    return SetICMMode(dc, ICM_QUERY) != ICM_ON ? layout : Layout::none;
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

namespace {

// Writes the w x h words onto dc in one SetDIBitsToDevice; true when every row arrived.
bool transfer_words(HDC hdc, const uint32_t* words, int32_t w, int32_t h) {
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

// The trial of a 16-bit layout on a surface of at least 64 x 4 pixels: 256
// colours whose red, green and blue each run through all 256 values, set by
// SetPixel, then by the block transfer; the surface's bits must be the same
// after both. The pixels it writes are overwritten by the texture afterwards.
constexpr int32_t cols = 64, rows = 4;

bool trial_agrees(HDC dc, const DIBSECTION& ds) {
    uint32_t words[cols * rows];
    for (uint32_t k = 0; k < cols * rows; ++k) {
        // 97 and 181 are odd: k -> 97 k + 31 and k -> 181 k + 77 run through every byte.
        words[k] = k | (((k * 97u + 31u) & 0xFFu) << 8) | (((k * 181u + 77u) & 0xFFu) << 16);
    }
    const std::size_t bytes = static_cast<std::size_t>(ds.dsBm.bmWidthBytes) * static_cast<std::size_t>(std::abs(ds.dsBm.bmHeight));
    const auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    for (int32_t k = 0; k < cols * rows; ++k) {
        const uint32_t w = words[k];
        SetPixel(dc, k % cols, k / cols, static_cast<COLORREF>(w & 0xFFFFFFu));
    }
    GdiFlush();
    const std::vector<uint8_t> by_pixel(bits, bits + bytes);
    if (!transfer_words(dc, words, cols, rows)) return false;
    GdiFlush();
    return std::memcmp(by_pixel.data(), bits, bytes) == 0;
}

// The verdict on a 16-bit layout: tried on its first surface, then kept for the process.
bool layout_agrees(Layout layout, HDC dc, const DIBSECTION& ds) {
    static std::atomic<int> verdict[2] = {0, 0};  // 0 not tried, 1 agrees, 2 differs
    std::atomic<int>& v = verdict[layout == Layout::rgb565 ? 1 : 0];
    // A surface too small for the trial waits for the next one (pixel by pixel meanwhile).
    if (v.load() == 0 && (ds.dsBm.bmWidth < cols || std::abs(ds.dsBm.bmHeight) < rows)) return false;
    if (v.load() == 0) v.store(trial_agrees(dc, ds) ? 1 : 2);
    return v.load() == 1;
}

}  // namespace

bool set_pixel_block(void* dc, const uint32_t* words, int32_t w, int32_t h) {
    if (dc == nullptr || words == nullptr || w <= 0 || h <= 0) return false;
    const HDC hdc = static_cast<HDC>(dc);
    DIBSECTION ds{};
    const Layout layout = block_layout(hdc, ds);
    if (layout == Layout::none) return false;
    if (layout != Layout::exact && !layout_agrees(layout, hdc, ds)) return false;
    return transfer_words(hdc, words, w, h);
}

}  // namespace quilbet
