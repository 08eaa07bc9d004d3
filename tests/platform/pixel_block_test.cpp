// The block transfer of a texture onto a drawing context against the
// per-pixel path it replaces: on every surface, "block transfer, or pixel by
// pixel when it declines" must leave exactly the pixels that pixel by pixel
// alone leaves. On Windows the surfaces are real GDI DIB sections of every
// depth behind memory DCs, some with mapped or mirrored coordinates; natively
// they are the in-process host's bitmaps.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/set_pixel.hpp"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quilbet {
namespace {

// Texture words with every byte random, the top one included (it must be ignored).
std::vector<uint32_t> random_words(int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint32_t> words(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (uint32_t& v : words) v = static_cast<uint32_t>(gen());
    return words;
}

// The per-pixel path of the hand-over: one set_pixel of the low 24 bits per pixel.
void pixel_by_pixel(void* dc, const std::vector<uint32_t>& words, int32_t w, int32_t h) {
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) set_pixel(dc, x, y, words[static_cast<std::size_t>(y) * w + x] & 0xFFFFFFu);
    }
}

void block_or_pixel_by_pixel(void* dc, const std::vector<uint32_t>& words, int32_t w, int32_t h, bool& used_block) {
    used_block = set_pixel_block(dc, words.data(), w, h);
    if (!used_block) pixel_by_pixel(dc, words, w, h);
}

#if defined(_WIN32)

// A DIB section of the given depth selected into a memory DC, filled with a
// grey that no texture word is likely to give (so unwritten pixels show).
struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    int32_t w = 0, h = 0;

    Surface(int32_t width, int32_t height, int bits, const DWORD* masks = nullptr) : w(width), h(height) {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } bi{};
        bi.header.biSize = sizeof(BITMAPINFOHEADER);
        bi.header.biWidth = w;
        bi.header.biHeight = -h;
        bi.header.biPlanes = 1;
        bi.header.biBitCount = static_cast<WORD>(bits);
        bi.header.biCompression = masks != nullptr ? BI_BITFIELDS : BI_RGB;
        if (masks != nullptr) {
            std::memcpy(bi.colours, masks, 3 * sizeof(DWORD));
        } else if (bits <= 8) {
            // A palette of distinct colours so that nearest-colour matching has work to do.
            for (int i = 0; i < (1 << bits); ++i) {
                bi.colours[i] = RGBQUAD{static_cast<BYTE>(i * 37), static_cast<BYTE>(i * 91), static_cast<BYTE>(i), 0};
            }
            bi.header.biClrUsed = static_cast<DWORD>(1 << bits);
        }
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &p, nullptr, 0);
        previous = SelectObject(dc, bitmap);
        const HBRUSH grey = CreateSolidBrush(RGB(77, 66, 55));
        const RECT all{0, 0, w, h};
        FillRect(dc, &all, grey);
        DeleteObject(grey);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void* context() { return dc; }
    // Every pixel as GetPixel reads it back.
    std::vector<uint32_t> read() {
        GdiFlush();
        std::vector<uint32_t> out;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) out.push_back(GetPixel(dc, x, y));
        }
        return out;
    }
};

// How a case prepares both DCs before the upload.
enum class Setting { plain, viewport_offset, clipped, isotropic, scaled_world, mirrored };

void apply(Setting s, HDC dc) {
    switch (s) {
    case Setting::plain: break;
    case Setting::viewport_offset: SetViewportOrgEx(dc, 3, -2, nullptr); break;
    case Setting::clipped: IntersectClipRect(dc, 2, 1, 9, 6); break;
    case Setting::isotropic:
        SetMapMode(dc, MM_ISOTROPIC);
        SetWindowExtEx(dc, 1, 1, nullptr);
        SetViewportExtEx(dc, 2, 2, nullptr);
        break;
    case Setting::scaled_world: {
        SetGraphicsMode(dc, GM_ADVANCED);
        const XFORM twice{2, 0, 0, 2, 0, 0};
        SetWorldTransform(dc, &twice);
        break;
    }
    case Setting::mirrored: SetLayout(dc, LAYOUT_RTL); break;
    }
}

TEST(PixelBlock, GdiSurfacesOfEveryDepthGetThePerPixelResult) {
    static const DWORD standard[3] = {0xFF0000u, 0x00FF00u, 0x0000FFu};
    static const DWORD swapped[3] = {0x0000FFu, 0x00FF00u, 0xFF0000u};
    static const DWORD rgb565[3] = {0xF800u, 0x07E0u, 0x001Fu};
    struct Case {
        const char* name;
        int bits;
        const DWORD* masks;
        Setting setting;
        int32_t tw, th, sw, sh;  // texture and surface sizes
        bool block;              // whether the block transfer may be used
    };
    const Case cases[] = {
        {"32 bpp", 32, nullptr, Setting::plain, 13, 7, 13, 7, true},
        {"24 bpp, odd width (padded rows)", 24, nullptr, Setting::plain, 13, 7, 13, 7, true},
        {"32 bpp bit fields in the standard places", 32, standard, Setting::plain, 13, 7, 13, 7, true},
        {"32 bpp texture larger than the surface", 32, nullptr, Setting::plain, 16, 9, 11, 5, true},
        {"24 bpp texture smaller than the surface", 24, nullptr, Setting::plain, 6, 4, 11, 8, true},
        {"32 bpp viewport moved", 32, nullptr, Setting::viewport_offset, 13, 7, 13, 7, true},
        {"24 bpp clip rectangle", 24, nullptr, Setting::clipped, 13, 7, 13, 7, true},
        {"128 x 128 at 32 bpp", 32, nullptr, Setting::plain, 128, 128, 128, 128, true},
        {"16 bpp (5-5-5)", 16, nullptr, Setting::plain, 13, 7, 13, 7, false},
        {"16 bpp (5-6-5 bit fields)", 16, rgb565, Setting::plain, 13, 7, 13, 7, false},
        {"8 bpp palette", 8, nullptr, Setting::plain, 13, 7, 13, 7, true},
        {"8 bpp palette, texture smaller than the surface", 8, nullptr, Setting::plain, 6, 4, 11, 8, true},
        {"8 bpp palette, texture larger than the surface", 8, nullptr, Setting::plain, 16, 9, 11, 5, false},
        {"8 bpp palette, viewport moved", 8, nullptr, Setting::viewport_offset, 13, 7, 13, 7, false},
        {"8 bpp palette, clip rectangle", 8, nullptr, Setting::clipped, 13, 7, 13, 7, false},
        {"1 bpp", 1, nullptr, Setting::plain, 13, 7, 13, 7, false},
        {"32 bpp with red and blue masks swapped", 32, swapped, Setting::plain, 13, 7, 13, 7, false},
        {"32 bpp isotropic mapping", 32, nullptr, Setting::isotropic, 13, 7, 13, 7, false},
        {"32 bpp scaled world transform", 32, nullptr, Setting::scaled_world, 13, 7, 13, 7, false},
        {"32 bpp mirrored layout", 32, nullptr, Setting::mirrored, 13, 7, 13, 7, false},
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> words = random_words(c.tw, c.th, seed++);
        Surface reference(c.sw, c.sh, c.bits, c.masks);
        Surface tested(c.sw, c.sh, c.bits, c.masks);
        ASSERT_NE(reference.bitmap, nullptr);
        apply(c.setting, reference.dc);
        apply(c.setting, tested.dc);
        pixel_by_pixel(reference.context(), words, c.tw, c.th);
        bool used_block = false;
        block_or_pixel_by_pixel(tested.context(), words, c.tw, c.th, used_block);
        EXPECT_EQ(used_block, c.block);
        // Read back unmapped, so both surfaces are compared pixel for pixel.
        for (Surface* s : {&reference, &tested}) {
            SetLayout(s->dc, 0);
            ModifyWorldTransform(s->dc, nullptr, MWT_IDENTITY);
            SetGraphicsMode(s->dc, GM_COMPATIBLE);
            SetMapMode(s->dc, MM_TEXT);
            SetViewportOrgEx(s->dc, 0, 0, nullptr);
            SelectClipRgn(s->dc, nullptr);
        }
        EXPECT_EQ(tested.read(), reference.read());
    }
}

TEST(PixelBlock, DeclinesWhatItCannotQueryOrWrite) {
    const std::vector<uint32_t> words = random_words(4, 4, 99);
    EXPECT_FALSE(set_pixel_block(nullptr, words.data(), 4, 4));
    // A memory DC with no bitmap of ours holds a 1 x 1 monochrome one.
    const HDC bare = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(set_pixel_block(bare, words.data(), 4, 4));
    DeleteDC(bare);
    Surface s(4, 4, 32);
    EXPECT_FALSE(set_pixel_block(s.context(), nullptr, 4, 4));
    EXPECT_FALSE(set_pixel_block(s.context(), words.data(), 0, 4));
    EXPECT_FALSE(set_pixel_block(s.context(), words.data(), 4, -1));
    EXPECT_TRUE(set_pixel_block(s.context(), words.data(), 4, 4));
}

#else

// The in-process host's bitmap, filled with a value no upload writes (its top byte).
struct Surface {
    std::vector<uint32_t> store;
    BitmapDc dc;
    Surface(int32_t w, int32_t h) : store(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xA5A5A5A5u) {
        dc = BitmapDc{store.data(), w, h};
    }
    void* context() { return &dc; }
};

TEST(PixelBlock, BitmapsGetThePerPixelResult) {
    struct Case {
        int32_t tw, th, sw, sh;
    };
    const Case cases[] = {{13, 7, 13, 7}, {16, 9, 11, 5}, {6, 4, 11, 8}, {1, 1, 1, 1}, {128, 128, 128, 128}, {3, 9, 7, 2}};
    uint32_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.tw) + " x " + std::to_string(c.th) + " onto " + std::to_string(c.sw) + " x " +
                     std::to_string(c.sh));
        const std::vector<uint32_t> words = random_words(c.tw, c.th, seed++);
        Surface reference(c.sw, c.sh);
        Surface tested(c.sw, c.sh);
        pixel_by_pixel(reference.context(), words, c.tw, c.th);
        bool used_block = false;
        block_or_pixel_by_pixel(tested.context(), words, c.tw, c.th, used_block);
        EXPECT_TRUE(used_block);
        EXPECT_EQ(tested.store, reference.store);
    }
}

TEST(PixelBlock, DeclinesWhatItCannotWrite) {
    const std::vector<uint32_t> words = random_words(4, 4, 99);
    Surface s(4, 4);
    BitmapDc empty{};
    EXPECT_FALSE(set_pixel_block(nullptr, words.data(), 4, 4));
    EXPECT_FALSE(set_pixel_block(&empty, words.data(), 4, 4));
    EXPECT_FALSE(set_pixel_block(s.context(), nullptr, 4, 4));
    EXPECT_FALSE(set_pixel_block(s.context(), words.data(), 0, 4));
    EXPECT_FALSE(set_pixel_block(s.context(), words.data(), 4, -1));
    EXPECT_TRUE(set_pixel_block(s.context(), words.data(), 4, 4));
}

#endif

}  // namespace
}  // namespace quilbet
