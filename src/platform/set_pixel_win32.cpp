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
// Palette surfaces map a colour to a palette entry, which a block transfer
// may do differently. But SetPixel maps a colour the same way wherever the
// pixel is, so an 8-bit DIB section takes each distinct colour of the texture
// through SetPixel once, reads the index it left from the section's bits, and
// has every pixel's index written into the bits directly. That also needs a
// context that neither moves (viewport and window origins) nor clips what
// SetPixel writes, and the plain copy mode. Other palette surfaces keep SetPixel.
// The depth comes from the bitmap selected into the context:
// GetDeviceCaps(BITSPIXEL) on a memory DC reports the screen's depth, not the surface's.
#include "platform/set_pixel.hpp"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
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

enum class Layout { none, exact, rgb555, rgb565, palette8 };

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

// Whether SetPixel (x, y) on dc lands on pixel (x, y) of its bitmap whatever
// was there: no viewport or window origin, no clip or meta region, copy mode.
bool writes_in_place(HDC dc) {
    POINT viewport{}, window{};
    if (!GetViewportOrgEx(dc, &viewport) || !GetWindowOrgEx(dc, &window)) return false;
    if (viewport.x != 0 || viewport.y != 0 || window.x != 0 || window.y != 0) return false;
    if (GetROP2(dc) != R2_COPYPEN) return false;
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (region == nullptr) return false;
    // Region 3 is the clip and meta regions together; 0: there is none.
    const bool unclipped = GetRandomRgn(dc, region, 3) == 0;
    DeleteObject(region);
    return unclipped;
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
    } else if (ds.dsBm.bmBitsPixel == 8 && section && ds.dsBm.bmBits != nullptr && ds.dsBmih.biCompression == BI_RGB) {
        layout = Layout::palette8;
    }
    if (layout == Layout::none) return layout;

    // SetPixel maps every point; the block transfer maps only its origin.
    if (GetMapMode(dc) != MM_TEXT || GetLayout(dc) != 0) return Layout::none;
    XFORM xf{};
    if (!GetWorldTransform(dc, &xf)) return Layout::none;
    if (xf.eM11 != 1.0f || xf.eM12 != 0.0f || xf.eM21 != 0.0f || xf.eM22 != 1.0f || xf.eDx != 0.0f || xf.eDy != 0.0f) {
        return Layout::none;
    }
    if (SetICMMode(dc, ICM_QUERY) == ICM_ON) return Layout::none;
    return layout != Layout::palette8 || writes_in_place(dc) ? layout : Layout::none;
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

// Which stored row pixel row 0 of an 8-bit DIB section is: GetObject
// reports every section's height as positive, so the order of its rows is
// found by setting pixel (0, 0) black and then white and seeing which of the
// first and the last stored row changes. 0 or height - 1, or -1 when neither
// does (the palette maps both alike).
int32_t stored_row_of_row0(HDC dc, const uint8_t* bits, std::size_t stride, int32_t height) {
    const uint8_t* first = bits;
    const uint8_t* last = bits + static_cast<std::size_t>(height - 1) * stride;
    SetPixel(dc, 0, 0, RGB(0, 0, 0));
    GdiFlush();
    const uint8_t first_black = *first, last_black = *last;
    SetPixel(dc, 0, 0, RGB(255, 255, 255));
    GdiFlush();
    if (*first != first_black) return 0;
    if (*last != last_black) return height - 1;
    return -1;
}

// The texture onto an 8-bit palette DIB section: each distinct colour set
// once by SetPixel on pixel (0, 0), the index it left there read back, and
// every pixel's index written into the bits; pixel (0, 0) gets its own last.
bool write_palette_indices(HDC dc, const DIBSECTION& ds, const uint32_t* words, int32_t w, int32_t h) {
    const int32_t height = ds.dsBm.bmHeight;
    if (w > ds.dsBm.bmWidth || h > height) return false;
    auto* bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    const std::size_t stride = static_cast<std::size_t>(ds.dsBm.bmWidthBytes);
    GdiFlush();
    const int32_t row0 = stored_row_of_row0(dc, bits, stride, height);
    if (row0 < 0) return false;
    auto row_at = [&](int32_t y) { return bits + static_cast<std::size_t>(row0 == 0 ? y : row0 - y) * stride; };
    uint8_t* const first = row_at(0);

    std::unordered_map<uint32_t, uint8_t> index_of;
    auto index_for = [&](uint32_t colour) {
        const auto known = index_of.find(colour);
        if (known != index_of.end()) return known->second;
        SetPixel(dc, 0, 0, static_cast<COLORREF>(colour));
        GdiFlush();
        return index_of.emplace(colour, *first).first->second;
    };
    uint32_t last_colour = 0;
    uint8_t last_index = index_for(0);
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* row = words + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        uint8_t* out = row_at(y);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t colour = row[x] & 0xFFFFFFu;
            if (colour != last_colour) {
                last_colour = colour;
                last_index = index_for(colour);
            }
            out[x] = last_index;
        }
    }
    first[0] = index_for(words[0] & 0xFFFFFFu);
    return true;
}

}  // namespace

bool set_pixel_block(void* dc, const uint32_t* words, int32_t w, int32_t h) {
    if (dc == nullptr || words == nullptr || w <= 0 || h <= 0) return false;
    const HDC hdc = static_cast<HDC>(dc);
    DIBSECTION ds{};
    const Layout layout = block_layout(hdc, ds);
    if (layout == Layout::none) return false;
    if (layout == Layout::palette8) return write_palette_indices(hdc, ds, words, w, h);
    if (layout != Layout::exact && !layout_agrees(layout, hdc, ds)) return false;
    return transfer_words(hdc, words, w, h);
}

}  // namespace quilbet
