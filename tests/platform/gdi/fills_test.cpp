// FillRect, PatBlt and single pixels.

#include <cmath>

#include "canvas.h"

using namespace gdi;
using namespace gdi::test;

namespace {
const std::vector<RGBQUAD> kFour = {quad(0, 0, 0), quad(200, 0, 0), quad(0, 180, 0),
                                    quad(255, 255, 255)};
}

TEST(FillRect, WritesTheColourWithAlphaZeroAndClips) {
    Canvas c(6, 4, 32);
    c.fill(0xFF112233);
    const HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    const RECT r{-3, 1, 3, 9};
    EXPECT_NE(FillRect(c.dc(), &r, brush), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x < 3 && y >= 1;
            EXPECT_EQ(c.at(x, y), inside ? 0x000A141Eu : 0xFF112233u) << x << "," << y;
        }
    const RECT empty{4, 3, 2, 1};
    EXPECT_NE(FillRect(c.dc(), &empty, brush), 0);
    EXPECT_EQ(c.at(3, 2), 0xFF112233u);
    DeleteObject(brush);
}

TEST(FillRect, IndexedSurfacesTakeTheNearestPaletteEntry) {
    // Distances to (0,0,0), (200,0,0), (0,180,0), (255,255,255), worked out by hand.
    const struct { COLORREF color; uint32_t index; } cases[] = {
        {RGB(101, 0, 0), 1},     // 10201 vs 9801: red
        {RGB(100, 0, 0), 0},     // 10000 vs 10000: the lower index wins the tie
        {RGB(10, 150, 10), 2},   // green
        {RGB(200, 200, 200), 3}, // white 9075 vs green 40000+400+40000
        {RGB(0, 0, 90), 0},
    };
    Canvas c(2, 2, 8, false, kFour);
    for (const auto& k : cases) {
        const HBRUSH brush = CreateSolidBrush(k.color);
        const RECT r{0, 0, 2, 2};
        FillRect(c.dc(), &r, brush);
        EXPECT_EQ(c.at(1, 1), k.index) << std::hex << k.color;
        DeleteObject(brush);
    }
    // A monochrome bitmap takes black or white, whichever is nearer.
    const HDC mono = CreateCompatibleDC(0);
    const HBITMAP bmp = CreateBitmap(8, 1, 1, 1, nullptr);
    const HGDIOBJ old = SelectObject(mono, bmp);
    for (const auto& [color, white] : {std::pair{RGB(140, 140, 140), true}, {RGB(100, 100, 100), false},
                                       {RGB(255, 0, 0), false}, {RGB(255, 255, 0), true}}) {
        const HBRUSH brush = CreateSolidBrush(color);
        const RECT r{0, 0, 8, 1};
        FillRect(mono, &r, brush);
        EXPECT_EQ(GetPixel(mono, 3, 0), white ? RGB(255, 255, 255) : RGB(0, 0, 0)) << std::hex << color;
        DeleteObject(brush);
    }
    SelectObject(mono, old);
    DeleteObject(bmp);
    DeleteDC(mono);
}

TEST(FillRect, HatchGapsFollowTheBackgroundMode) {
    Canvas c(8, 8, 32);
    const HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(255, 0, 0));
    const RECT r{0, 0, 8, 8};
    SetBkColor(c.dc(), RGB(0, 0, 255));
    c.fill(0xFF00FF00);
    FillRect(c.dc(), &r, hatch);
    EXPECT_EQ(c.at(3, 0), 0x00FF0000u);  // the hatch line
    EXPECT_EQ(c.at(3, 4), 0x000000FFu);  // gap in the background colour
    SetBkMode(c.dc(), TRANSPARENT);
    c.fill(0xFF00FF00);
    FillRect(c.dc(), &r, hatch);
    EXPECT_EQ(c.at(3, 0), 0x00FF0000u);
    EXPECT_EQ(c.at(3, 4), 0xFF00FF00u);  // gap left alone
    DeleteObject(hatch);
}

TEST(PatBlt, RasterOperationsWithoutSource) {
    Canvas c(4, 1, 32);
    Selected brush(c.dc(), CreateSolidBrush(RGB(0x0F, 0xF0, 0x55)));
    const uint32_t start = 0xFF123456;
    const uint32_t pat = 0x000FF055;
    const struct { DWORD rop; uint32_t expected; } cases[] = {
        {PATCOPY, pat},
        {PATINVERT, (pat ^ start) & 0x00FFFFFF},
        {DSTINVERT, ~start & 0x00FFFFFF},
        {BLACKNESS, 0},
        {WHITENESS, 0x00FFFFFF},
    };
    for (const auto& k : cases) {
        c.fill(start);
        EXPECT_TRUE(PatBlt(c.dc(), 1, 0, 2, 1, k.rop)) << std::hex << k.rop;
        EXPECT_EQ(c.at(0, 0), start);
        EXPECT_EQ(c.at(1, 0), k.expected) << std::hex << k.rop;
        EXPECT_EQ(c.at(2, 0), k.expected) << std::hex << k.rop;
        EXPECT_EQ(c.at(3, 0), start);
    }
    c.fill(start);
    EXPECT_TRUE(PatBlt(c.dc(), 3, 0, -2, 1, BLACKNESS)) << "a negative width extends leftwards";
    EXPECT_EQ(c.at(1, 0), 0u);
    EXPECT_EQ(c.at(3, 0), start);
    EXPECT_FALSE(PatBlt(c.dc(), 0, 0, 1, 1, SRCCOPY)) << "PatBlt has no source";
}

TEST(Pixels, SetAndGetPixel) {
    Canvas c(3, 2, 32);
    c.fill(0xFFFFFFFF);
    EXPECT_EQ(SetPixel(c.dc(), 1, 1, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(c.at(1, 1), 0x00010203u);
    c.set(2, 0, 0x80A0B0C0);
    EXPECT_EQ(GetPixel(c.dc(), 2, 0), RGB(0xA0, 0xB0, 0xC0)) << "never the alpha byte";
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}}) {
        EXPECT_EQ(GetPixel(c.dc(), x, y), CLR_INVALID);
        EXPECT_EQ(SetPixel(c.dc(), x, y, 0), CLR_INVALID);
        EXPECT_FALSE(SetPixelV(c.dc(), x, y, 0));
    }
    Canvas indexed(2, 1, 8, true, kFour);
    EXPECT_EQ(SetPixel(indexed.dc(), 0, 0, RGB(190, 10, 10)), RGB(200, 0, 0)) << "the colour set";
    EXPECT_EQ(indexed.at(0, 0), 1u);
    EXPECT_EQ(GetPixel(indexed.dc(), 0, 0), RGB(200, 0, 0));
}

TEST(Pixels, SixteenBitSurfacesTakeTheNearestLevels) {
    // 5-6-5 bit fields and the default 5-5-5.
    const struct { DWORD compression; DWORD masks[3]; int bits[3]; } formats[] = {
        {BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {5, 6, 5}},
        {BI_RGB, {0x7C00, 0x03E0, 0x001F}, {5, 5, 5}},
    };
    for (const auto& f : formats) {
        BITMAPINFO info = dibInfo(2, -1, 16);
        info.bmiHeader.biCompression = f.compression;
        if (f.compression == BI_BITFIELDS) std::memcpy(info.bmiColors, f.masks, 12);
        void* bits = nullptr;
        const HBITMAP bmp = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bmp, 0u);
        const HDC dc = CreateCompatibleDC(0);
        const HGDIOBJ old = SelectObject(dc, bmp);
        const int rgb[3] = {130, 64, 8};
        uint32_t raw = 0;
        int back[3];
        int shift = 16;
        for (int c = 0; c < 3; ++c) {
            const int max = (1 << f.bits[c]) - 1;
            const long level = std::lround(rgb[c] * max / 255.0);
            shift -= f.bits[c];
            raw |= uint32_t(level) << (f.compression == BI_RGB ? 10 - 5 * c : shift);
            back[c] = int(std::lround(level * 255.0 / max));
        }
        const COLORREF expected = RGB(back[0], back[1], back[2]);
        EXPECT_EQ(SetPixel(dc, 1, 0, RGB(rgb[0], rgb[1], rgb[2])), expected);
        const auto* p = static_cast<const uint8_t*>(bits);
        EXPECT_EQ(uint32_t(p[2] | p[3] << 8), raw);
        EXPECT_EQ(GetPixel(dc, 1, 0), expected);
        DIBSECTION ds{};
        GetObject(bmp, sizeof(ds), &ds);
        if (f.compression == BI_BITFIELDS) EXPECT_EQ(ds.dsBitfields[1], 0x07E0u);
        // Through a blit into 32 bpp: the same expanded colour, alpha 0.
        Canvas out(2, 1, 32);
        out.fill(0xFFFFFFFF);
        ASSERT_TRUE(BitBlt(out.dc(), 0, 0, 2, 1, dc, 0, 0, SRCCOPY));
        EXPECT_EQ(out.at(1, 0), uint32_t(back[0] << 16 | back[1] << 8 | back[2]));
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    BITMAPINFO bad = dibInfo(2, 1, 16);
    bad.bmiHeader.biCompression = BI_BITFIELDS;
    const DWORD overlapping[3] = {0xF800, 0x0FE0, 0x001F};
    std::memcpy(bad.bmiColors, overlapping, 12);
    EXPECT_EQ(CreateDIBSection(0, &bad, DIB_RGB_COLORS, nullptr, nullptr, 0), 0u);
}

TEST(Brushes, IndirectStylesAndInsideFrame) {
    const LOGBRUSH hollow{BS_NULL, 0, 0}, hatched{BS_HATCHED, RGB(1, 2, 3), HS_DIAGCROSS},
        unknown{9, 0, 0};
    const HBRUSH h1 = CreateBrushIndirect(&hollow), h2 = CreateBrushIndirect(&hatched);
    EXPECT_NE(h1, 0u);
    EXPECT_NE(h2, 0u);
    EXPECT_EQ(CreateBrushIndirect(&unknown), 0u);
    LOGBRUSH lb{};
    GetObject(h2, sizeof(lb), &lb);
    EXPECT_EQ(lb.lbStyle, BS_HATCHED);
    EXPECT_EQ(lb.lbHatch, uintptr_t(HS_DIAGCROSS));
    Canvas c(12, 12, 32);
    c.fill(0x00808080);
    const RECT r{0, 0, 12, 12};
    EXPECT_NE(FillRect(c.dc(), &r, h1), 0) << "a hollow brush paints nothing";
    EXPECT_EQ(c.at(5, 5), 0x00808080u);
    // A wide inside-frame pen stays within the rectangle.
    Selected pen(c.dc(), CreatePen(PS_INSIDEFRAME, 3, RGB(0, 0, 0)));
    SelectObject(c.dc(), h1);
    ASSERT_TRUE(Rectangle(c.dc(), 2, 2, 10, 10));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inRect = x >= 2 && x < 10 && y >= 2 && y < 10;
            const bool band = inRect && (x < 5 || x >= 7 || y < 5 || y >= 7);
            EXPECT_EQ(c.at(x, y), band ? 0u : 0x00808080u) << x << "," << y;
        }
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(h1);
    DeleteObject(h2);
}
