// BitBlt, StretchBlt: raster operations, format conversions, alpha byte, clipping.

#include <random>

#include "canvas.h"

using namespace gdi;
using namespace gdi::test;

namespace {

// One result bit per (P, S, D) bit triple: bit (P << 2 | S << 1 | D) of the code.
uint32_t ternary(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t r = 0;
    for (int bit = 0; bit < 32; ++bit) {
        const int index = int(((p >> bit) & 1) << 2 | ((s >> bit) & 1) << 1 | ((d >> bit) & 1));
        r |= uint32_t((code >> index) & 1) << bit;
    }
    return r;
}

}  // namespace

TEST(BitBlt, AlphaByteCopiedFrom32ZeroedFrom24DroppedInto24) {
    Canvas src32(2, 1, 32), src24(2, 1, 24), dst32(2, 1, 32), dst24(2, 1, 24);
    src32.set(0, 0, 0x80112233);
    src32.set(1, 0, 0x00445566);
    src24.set(0, 0, 0x00778899);
    src24.set(1, 0, 0x00AABBCC);

    dst32.fill(0xFFFFFFFF);
    ASSERT_TRUE(BitBlt(dst32.dc(), 0, 0, 2, 1, src32.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst32.at(0, 0), 0x80112233u);
    EXPECT_EQ(dst32.at(1, 0), 0x00445566u);

    dst32.fill(0xFFFFFFFF);
    ASSERT_TRUE(BitBlt(dst32.dc(), 0, 0, 2, 1, src24.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst32.at(0, 0), 0x00778899u);
    EXPECT_EQ(dst32.at(1, 0), 0x00AABBCCu);

    ASSERT_TRUE(BitBlt(dst24.dc(), 0, 0, 2, 1, src32.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst24.at(0, 0), 0x00112233u);
    EXPECT_EQ(dst24.at(1, 0), 0x00445566u);
    // Other operations from a 32-bpp source combine all 32 bits.
    dst32.fill(0x0F0F0F0F);
    ASSERT_TRUE(BitBlt(dst32.dc(), 0, 0, 1, 1, src32.dc(), 0, 0, SRCINVERT));
    EXPECT_EQ(dst32.at(0, 0), 0x80112233u ^ 0x0F0F0F0Fu);
}

// Rows between 24 and 32 bpp move their colour bytes in place; the pixels beside the
// rectangle, and the last pixel of each row, keep to their own bytes: narrow rectangles, and
// wide ones whose rows are moved many pixels at a time, ending at every remainder.
TEST(BitBlt, TrueColourRowsBetween24And32KeepToTheRectangle) {
    std::mt19937 random(6);
    struct Case {
        int width, x, w, sx;
    };
    const Case cases[] = {{9, 2, 5, 3}, {60, 1, 16, 0}, {60, 3, 18, 5}, {60, 0, 19, 2}, {60, 7, 35, 1}, {60, 2, 50, 9}};
    for (const Case& c : cases)
        for (auto [from, to] : {std::pair{32, 24}, {24, 32}}) {
            SCOPED_TRACE(::testing::Message() << from << " to " << to << ", " << c.w << " pixels");
            Canvas src(c.width, 3, from), dst(c.width, 3, to);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < c.width; ++x) {
                    src.set(x, y, uint32_t(random()) & (from == 32 ? 0xFFFFFFFFu : 0x00FFFFFFu));
                    dst.set(x, y, uint32_t(random()) & (to == 32 ? 0xFFFFFFFFu : 0x00FFFFFFu));
                }
            std::vector<uint32_t> before;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < c.width; ++x) before.push_back(dst.at(x, y));
            ASSERT_TRUE(BitBlt(dst.dc(), c.x, 1, c.w, 2, src.dc(), c.sx, 0, SRCCOPY));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const bool inside = x >= c.x && x < c.x + c.w && y >= 1;
                    ASSERT_EQ(dst.at(x, y), inside ? src.at(x - c.x + c.sx, y - 1) & 0x00FFFFFFu
                                                   : before[size_t(y * c.width + x)])
                        << x << "," << y;
                }
        }
}

TEST(BitBlt, TernaryOperationsMatchTheTruthTable) {
    const DWORD named[] = {SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, SRCERASE, NOTSRCCOPY, NOTSRCERASE,
                           MERGECOPY, MERGEPAINT, PATCOPY, PATPAINT, PATINVERT, DSTINVERT,
                           BLACKNESS, WHITENESS};
    std::vector<uint8_t> codes;
    for (DWORD rop : named) codes.push_back(uint8_t(rop >> 16));
    for (int code = 0; code < 256; code += 7) codes.push_back(uint8_t(code));
    std::mt19937 rng(11);
    Canvas src(16, 1, 32), dst(16, 1, 32);
    const COLORREF brushColor = RGB(0x3C, 0xA5, 0x0F);
    const uint32_t p = 0x003CA50F;  // the brush as a pixel: alpha 0
    Selected brush(dst.dc(), CreateSolidBrush(brushColor));
    for (uint8_t code : codes) {
        std::vector<uint32_t> s(16), d(16);
        for (int x = 0; x < 16; ++x) {
            s[x] = rng(), d[x] = rng();
            src.set(x, 0, s[x]);
            dst.set(x, 0, d[x]);
        }
        // The low word of a ternary code is not used for evaluation.
        ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 16, 1, src.dc(), 0, 0, DWORD(code) << 16 | 0x1234));
        const bool usesSource = ((code >> 2) ^ code) & 0x33;
        for (int x = 0; x < 16; ++x) {
            uint32_t expected = ternary(code, p, s[x], d[x]);
            if (!usesSource) expected &= 0x00FFFFFF;  // no 32-bpp source: alpha 0
            ASSERT_EQ(dst.at(x, 0), expected) << "code " << std::hex << int(code);
        }
    }
}

TEST(BitBlt, ColourToMonochromeUsesTheSourceBackgroundColour) {
    Canvas src(4, 1, 32);
    src.set(0, 0, 0x00FF00FF);  // magenta
    src.set(1, 0, 0x00FE00FF);
    src.set(2, 0, 0xFFFF00FF);  // magenta, alpha set: colour decides
    src.set(3, 0, 0x00FFFFFF);
    SetBkColor(src.dc(), RGB(255, 0, 255));
    const HDC mono = CreateCompatibleDC(0);
    const HBITMAP bmp = CreateCompatibleBitmap(mono, 4, 1);
    const HGDIOBJ old = SelectObject(mono, bmp);
    ASSERT_TRUE(BitBlt(mono, 0, 0, 4, 1, src.dc(), 0, 0, SRCCOPY));
    const COLORREF white = RGB(255, 255, 255), black = 0;
    EXPECT_EQ(GetPixel(mono, 0, 0), white);
    EXPECT_EQ(GetPixel(mono, 1, 0), black);
    EXPECT_EQ(GetPixel(mono, 2, 0), white);
    EXPECT_EQ(GetPixel(mono, 3, 0), black) << "white is not the background colour here";

    // Monochrome to colour: 0 bits take the destination's text colour, 1 bits its
    // background colour; the alpha byte is 0.
    Canvas dst(4, 1, 32);
    dst.fill(0xFFFFFFFF);
    SetTextColor(dst.dc(), RGB(200, 0, 0));
    SetBkColor(dst.dc(), RGB(0, 0, 200));
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 1, mono, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.at(0, 0), 0x000000C8u);
    EXPECT_EQ(dst.at(1, 0), 0x00C80000u);
    EXPECT_EQ(dst.at(2, 0), 0x000000C8u);
    EXPECT_EQ(dst.at(3, 0), 0x00C80000u);
    SelectObject(mono, old);
    DeleteObject(bmp);
    DeleteDC(mono);
}

TEST(BitBlt, MonochromeFromBitsAndIntoIndexedColour) {
    // 8 pixels 1011 0010, a WORD-aligned row.
    const uint8_t bits[2] = {0xB2, 0x00};
    const HBITMAP bmp = CreateBitmap(8, 1, 1, 1, bits);
    const HDC mono = CreateCompatibleDC(0);
    const HGDIOBJ old = SelectObject(mono, bmp);
    Canvas dst(8, 1, 8, true, {quad(0, 0, 0), quad(250, 0, 0), quad(0, 0, 250), quad(255, 255, 255)});
    SetTextColor(dst.dc(), RGB(240, 10, 0));  // nearest: index 1
    SetBkColor(dst.dc(), RGB(0, 0, 255));     // nearest: index 2
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 8, 1, mono, 0, 0, SRCCOPY));
    const uint32_t expected[8] = {2, 1, 2, 2, 1, 1, 2, 1};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.at(x, 0), expected[x]) << x;
    SelectObject(mono, old);
    DeleteObject(bmp);
    DeleteDC(mono);
}

TEST(BitBlt, TrueColourIntoEightBitTakesTheNearestEntry) {
    const std::vector<RGBQUAD> table = {quad(0, 0, 0), quad(200, 0, 0), quad(0, 180, 0),
                                        quad(255, 255, 255), quad(200, 0, 0)};
    Canvas src(6, 1, 24), dst(6, 1, 8, false, table);
    const uint32_t colours[6] = {0x650000, 0x640000, 0x0A960A, 0xC8C8C8, 0xC80000, 0x00005A};
    // By hand: (101,0,0) red 9801 < black 10201; (100,0,0) tie -> lower index 0;
    // green; white; exact red at 1 (not its duplicate at 4); blue-ish -> black.
    const uint32_t expected[6] = {1, 0, 2, 3, 1, 0};
    for (int x = 0; x < 6; ++x) src.set(x, 0, colours[x]);
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 6, 1, src.dc(), 0, 0, SRCCOPY));
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.at(x, 0), expected[x]) << x;
    // Back to true colour through the table.
    Canvas back(6, 1, 32);
    back.fill(0xFFFFFFFF);
    ASSERT_TRUE(BitBlt(back.dc(), 0, 0, 6, 1, dst.dc(), 0, 0, SRCCOPY));
    const uint32_t viaTable[6] = {0xC80000, 0, 0x00B400, 0xFFFFFF, 0xC80000, 0};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(back.at(x, 0), viaTable[x]) << x;
}

TEST(BitBlt, ClipsToBothSurfaces) {
    Canvas src(4, 4, 32), dst(6, 6, 32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.set(x, y, 0x00010000u * (x + 1) + 0x100u * (y + 1));
    dst.fill(0xEEEEEEEE);
    // Destination starts left of the surface; the source runs past its right edge.
    ASSERT_TRUE(BitBlt(dst.dc(), -1, 3, 6, 5, src.dc(), 0, 1, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const int sx = x + 1, sy = y - 3 + 1;
            const bool drawn = y >= 3 && sx < 4 && sy < 4;
            EXPECT_EQ(dst.at(x, y), drawn ? src.at(sx, sy) : 0xEEEEEEEEu) << x << "," << y;
        }
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, -1, 1, src.dc(), 0, 0, SRCCOPY));
}

TEST(BitBlt, OverlapWithinOneBitmapBehavesAsMemmove) {
    for (int bpp : {32, 24, 8, 4}) {
        for (auto [dx, dy] : {std::pair{2, 1}, {-2, -1}, {3, 0}, {-1, 0}, {0, 2}}) {
            Canvas c(9, 7, bpp, bpp != 4);
            const uint32_t mask = bpp == 32 ? 0xFFFFFFFF : bpp == 24 ? 0xFFFFFF : (1u << bpp) - 1;
            std::vector<uint32_t> before(9 * 7);
            for (int i = 0; i < 9 * 7; ++i) {
                before[i] = (uint32_t(i) * 2654435761u) & mask;
                c.set(i % 9, i / 9, before[i]);
            }
            const int sx = 2, sy = 2, w = 5, h = 4;
            ASSERT_TRUE(BitBlt(c.dc(), sx + dx, sy + dy, w, h, c.dc(), sx, sy, SRCCOPY));
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x) {
                    const bool inside = x >= sx + dx && x < sx + dx + w && y >= sy + dy && y < sy + dy + h;
                    const uint32_t expected = inside ? before[(y - dy) * 9 + (x - dx)] : before[y * 9 + x];
                    ASSERT_EQ(c.at(x, y), expected) << bpp << "bpp shift " << dx << "," << dy << " at " << x << "," << y;
                }
        }
    }
}

TEST(StretchBlt, NearestNeighbourMappingAndMirroring) {
    Canvas src(7, 1, 32), dst(7, 1, 32);
    for (int x = 0; x < 7; ++x) src.set(x, 0, uint32_t(x));
    SetStretchBltMode(dst.dc(), COLORONCOLOR);
    // Source index floor((2i + 1) * srcW / (2 dstW)), worked out by hand.
    const struct { int dw, sw; std::vector<uint32_t> expected; } cases[] = {
        {7, 3, {0, 0, 1, 1, 1, 2, 2}},
        {-7, 3, {2, 2, 1, 1, 1, 0, 0}},
        {3, 7, {1, 3, 5}},
        {4, -4, {3, 2, 1, 0}},
    };
    for (const auto& k : cases) {
        dst.fill(0xEEEEEEEE);
        const int xd = k.dw < 0 ? -k.dw : 0, xs = k.sw < 0 ? -k.sw : 0;
        ASSERT_TRUE(StretchBlt(dst.dc(), xd, 0, k.dw, 1, src.dc(), xs, 0, k.sw, 1, SRCCOPY));
        for (size_t i = 0; i < k.expected.size(); ++i)
            EXPECT_EQ(dst.at(int(i), 0), k.expected[i]) << k.dw << "/" << k.sw << " i " << i;
    }
    // Vertical flip of a 1x3 column.
    Canvas col(1, 3, 32), out(1, 3, 32);
    for (int y = 0; y < 3; ++y) col.set(0, y, uint32_t(10 + y));
    // The destination rectangle runs from y = 3 up to (not including) y = 0 - 3 = 0: rows 0..2.
    ASSERT_TRUE(StretchBlt(out.dc(), 0, 3, 1, -3, col.dc(), 0, 0, 1, 3, SRCCOPY));
    EXPECT_EQ(out.at(0, 0), 12u);
    EXPECT_EQ(out.at(0, 2), 10u);
}

TEST(StretchBlt, SourceOutsideItsSurfaceIsNotDrawn) {
    Canvas src(2, 1, 32), dst(4, 1, 32);
    src.fill(0x00ABCDEF);
    dst.fill(0xEEEEEEEE);
    // Source span x = -1 .. 0 (one pixel of it outside) stretched onto 4 pixels.
    ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 1, src.dc(), -1, 0, 2, 1, SRCCOPY));
    // Source index floor((2i + 1) * 2 / 8) - 1 = -1, -1, 0, 0.
    EXPECT_EQ(dst.at(0, 0), 0xEEEEEEEEu);
    EXPECT_EQ(dst.at(1, 0), 0xEEEEEEEEu);
    EXPECT_EQ(dst.at(2, 0), 0x00ABCDEFu);
    EXPECT_EQ(dst.at(3, 0), 0x00ABCDEFu);
}

TEST(StretchBlt, HalftoneAveragesWhenShrinkingAndInterpolatesWhenEnlarging) {
    Canvas src(2, 2, 24), dst(4, 1, 24);
    src.set(0, 0, 0x0A141E);
    src.set(1, 0, 0x140000);
    src.set(0, 1, 0x1E0000);
    src.set(1, 1, 0x290000);
    SetStretchBltMode(dst.dc(), HALFTONE);
    ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 2, 2, SRCCOPY));
    // Red (10 + 20 + 30 + 41) / 4 = 25.25 -> 25; green 20 / 4 = 5; blue 30 / 4 = 7.5 -> 8.
    EXPECT_EQ(dst.at(0, 0), 0x190508u);

    // Enlarging 2 -> 4 samples at source x = -0.25, 0.25, 0.75, 1.25 (edges clamped).
    Canvas row(2, 1, 24);
    row.set(0, 0, 0x000000);
    row.set(1, 0, 0xC80000);
    ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 1, row.dc(), 0, 0, 2, 1, SRCCOPY));
    const uint32_t expected[4] = {0x000000, 0x320000, 0x960000, 0xC80000};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.at(x, 0), expected[x]) << x;
}

TEST(StretchBlt, BlackOnWhiteKeepsBlackWhenShrinkingMonochrome) {
    // 16 pixels 1011 1111 1111 1110: black at 1 and 15, shrunk to 8 by pairs.
    const uint8_t bits[2] = {0xBF, 0xFE};
    const HBITMAP srcBmp = CreateBitmap(16, 1, 1, 1, bits);
    const HBITMAP dstBmp = CreateBitmap(8, 1, 1, 1, nullptr);
    const HDC s = CreateCompatibleDC(0), d = CreateCompatibleDC(0);
    const HGDIOBJ os = SelectObject(s, srcBmp), od = SelectObject(d, dstBmp);
    ASSERT_TRUE(StretchBlt(d, 0, 0, 8, 1, s, 0, 0, 16, 1, SRCCOPY));  // BLACKONWHITE by default
    EXPECT_EQ(GetPixel(d, 0, 0), 0u);  // pixels 0, 1 = 1, 0: black wins
    EXPECT_EQ(GetPixel(d, 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d, 7, 0), 0u);
    SetStretchBltMode(d, WHITEONBLACK);
    ASSERT_TRUE(StretchBlt(d, 0, 0, 8, 1, s, 0, 0, 16, 1, SRCCOPY));
    EXPECT_EQ(GetPixel(d, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d, 7, 0), RGB(255, 255, 255));
    SelectObject(s, os);
    SelectObject(d, od);
    DeleteObject(srcBmp);
    DeleteObject(dstBmp);
    DeleteDC(s);
    DeleteDC(d);
}
