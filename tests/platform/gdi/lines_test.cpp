// Pens: draw modes, the line's pixels, dash patterns, wide pens, Rectangle.

#include <functional>
#include <random>
#include <set>

#include "canvas.h"

using namespace gdi;
using namespace gdi::test;

namespace {

using Pixels = std::set<std::pair<int, int>>;

// White paper under the default black pen.
constexpr uint32_t kPaper = 0x00FFFFFF;

// Pixels that differ from the background value.
Pixels drawn(const Canvas& c, uint32_t background) {
    Pixels out;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.at(x, y) != background) out.insert({x, y});
    return out;
}

int64_t ceilDiv(int64_t a, int64_t b) {  // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// The ideal line's nearest pixels, a tie going to the smaller minor coordinate:
// minor = ceil(ideal - 1/2), both end points included.
Pixels idealLine(int x0, int y0, int x1, int y1) {
    Pixels out;
    const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    if (!xMajor) {
        for (const auto& [a, b] : idealLine(y0, x0, y1, x1)) out.insert({b, a});
        return out;
    }
    if (x1 < x0) std::swap(x0, x1), std::swap(y0, y1);
    const int64_t dx = x1 - x0, dy = y1 - y0;
    for (int64_t x = x0; x <= x1; ++x) {
        if (dx == 0) { out.insert({x0, y0}); break; }
        // y = y0 + (x - x0) * dy / dx; minor = ceil((2 * (y0 * dx + (x - x0) * dy) - dx) / (2 dx))
        out.insert({int(x), int(ceilDiv(2 * (y0 * dx + (x - x0) * dy) - dx, 2 * dx))});
    }
    return out;
}

}  // namespace

TEST(Rop2, AllSixteenModesOnColourBitsAlphaUntouched) {
    const std::function<uint32_t(uint32_t, uint32_t)> modes[] = {
        nullptr,
        [](uint32_t, uint32_t) { return 0u; },                  // R2_BLACK
        [](uint32_t p, uint32_t d) { return ~(p | d); },        // R2_NOTMERGEPEN
        [](uint32_t p, uint32_t d) { return ~p & d; },          // R2_MASKNOTPEN
        [](uint32_t p, uint32_t) { return ~p; },                // R2_NOTCOPYPEN
        [](uint32_t p, uint32_t d) { return p & ~d; },          // R2_MASKPENNOT
        [](uint32_t, uint32_t d) { return ~d; },                // R2_NOT
        [](uint32_t p, uint32_t d) { return p ^ d; },           // R2_XORPEN
        [](uint32_t p, uint32_t d) { return ~(p & d); },        // R2_NOTMASKPEN
        [](uint32_t p, uint32_t d) { return p & d; },           // R2_MASKPEN
        [](uint32_t p, uint32_t d) { return ~(p ^ d); },        // R2_NOTXORPEN
        [](uint32_t, uint32_t d) { return d; },                 // R2_NOP
        [](uint32_t p, uint32_t d) { return ~p | d; },          // R2_MERGENOTPEN
        [](uint32_t p, uint32_t) { return p; },                 // R2_COPYPEN
        [](uint32_t p, uint32_t d) { return p | ~d; },          // R2_MERGEPENNOT
        [](uint32_t p, uint32_t d) { return p | d; },           // R2_MERGEPEN
        [](uint32_t, uint32_t) { return 0xFFFFFFFFu; },         // R2_WHITE
    };
    // (destination pixel 0xAARRGGBB, pen colour)
    const std::pair<uint32_t, COLORREF> pairs[] = {
        {0xA5123456, RGB(0xF0, 0x0F, 0x3C)},
        {0x00FFFFFF, RGB(0, 0, 0)},
        {0xFF000000, RGB(255, 255, 255)},
        {0x7F9A5C31, RGB(0x9A, 0x5C, 0x31)},
    };
    Canvas c(3, 1, 32);
    std::vector<RGBQUAD> greys;
    for (int i = 0; i < 256; ++i) greys.push_back(quad(i, i, i));
    Canvas grey(3, 1, 8, true, greys);
    for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode) {
        for (const auto& [dst, pen] : pairs) {
            const uint32_t penRaw = (GetRValue(pen) << 16) | (GetGValue(pen) << 8) | GetBValue(pen);
            c.fill(dst);
            SetROP2(c.dc(), mode);
            Selected p(c.dc(), CreatePen(PS_SOLID, 1, pen));
            MoveToEx(c.dc(), 1, 0, nullptr);
            LineTo(c.dc(), 2, 0);  // paints (1, 0) only
            const uint32_t expected = (modes[mode](penRaw, dst) & 0x00FFFFFF) | (dst & 0xFF000000);
            EXPECT_EQ(c.at(1, 0), expected) << "mode " << mode << std::hex << " dst " << dst;
            EXPECT_EQ(c.at(2, 0), dst) << "end point excluded";

            // On an indexed surface the mode works on index bits.
            const uint32_t level = GetGValue(pen), dIndex = (dst >> 8) & 0xFF;
            grey.fill(dIndex);
            SetROP2(grey.dc(), mode);
            Selected gp(grey.dc(), CreatePen(PS_SOLID, 1, RGB(level, level, level)));
            MoveToEx(grey.dc(), 0, 0, nullptr);
            LineTo(grey.dc(), 1, 0);
            EXPECT_EQ(grey.at(0, 0), modes[mode](level, dIndex) & 0xFF) << "mode " << mode;
        }
    }
}

TEST(Lines, EndPointExcludedAndPositionMoves) {
    Canvas c(8, 8, 32);
    c.fill(kPaper);
    MoveToEx(c.dc(), 1, 1, nullptr);
    EXPECT_TRUE(LineTo(c.dc(), 5, 1));
    EXPECT_EQ(drawn(c, kPaper), (Pixels{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    POINT p{};
    GetCurrentPositionEx(c.dc(), &p);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 1);
    EXPECT_TRUE(LineTo(c.dc(), 5, 1));  // zero length: nothing
    EXPECT_EQ(drawn(c, kPaper).size(), 4u);
}

TEST(Lines, TieGoesToTheSmallerMinorCoordinateWhateverTheDirection) {
    Canvas c(6, 3, 32);
    c.fill(kPaper);
    // The ideal line from (0,0) to (4,1) passes y = 0.5 at x = 2.
    MoveToEx(c.dc(), 0, 0, nullptr);
    LineTo(c.dc(), 4, 1);
    EXPECT_EQ(drawn(c, kPaper), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
    c.fill(kPaper);
    MoveToEx(c.dc(), 4, 1, nullptr);
    LineTo(c.dc(), 0, 0);
    EXPECT_EQ(drawn(c, kPaper), (Pixels{{4, 1}, {3, 1}, {2, 0}, {1, 0}}));
}

TEST(Lines, PixelsMatchTheIdealLineAndDoNotDependOnDirection) {
    Canvas c(40, 40, 32);
    std::mt19937 rng(7);
    // Ends mostly on the surface, and ends whose lines mostly pass beside it.
    for (const auto& [lo, hi] : {std::pair{-5, 44}, {-300, 340}}) {
        std::uniform_int_distribution<int> coord(lo, hi);
        for (int i = 0; i < 300; ++i) {
            const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
            if (x0 == x1 && y0 == y1) continue;
            Pixels expected;
            for (const auto& px : idealLine(x0, y0, x1, y1))
                if (px != std::pair{x1, y1} && px.first >= 0 && px.second >= 0 && px.first < 40 && px.second < 40)
                    expected.insert(px);
            c.fill(kPaper);
            MoveToEx(c.dc(), x0, y0, nullptr);
            LineTo(c.dc(), x1, y1);
            ASSERT_EQ(drawn(c, kPaper), expected) << x0 << "," << y0 << " -> " << x1 << "," << y1;
        }
    }
}

TEST(WideLines, ASurfaceSeesWhatALargerOneAroundItSees) {
    // Dashed and wide pens on a 200 x 200 surface and on a 40 x 40 one that sits at
    // (80, 80) in it: the small one holds exactly the large one's pixels there.
    Canvas large(200, 200, 32), small(40, 40, 32);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> coord(-150, 350), width(1, 40);
    for (int i = 0; i < 200; ++i) {
        const POINT a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
        const int w = i % 4 == 0 ? 1 : width(rng);
        const int style = i % 4 == 0 ? PS_DASHDOT : PS_SOLID;
        large.fill(kPaper), small.fill(kPaper);
        for (Canvas* c : {&large, &small}) {
            const int shift = c == &small ? 80 : 0;
            Selected pen(c->dc(), CreatePen(style, w, RGB(255, 0, 0)));
            MoveToEx(c->dc(), a.x - shift, a.y - shift, nullptr);
            LineTo(c->dc(), b.x - shift, b.y - shift);
        }
        int differ = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) differ += small.at(x, y) != large.at(80 + x, 80 + y);
        ASSERT_EQ(differ, 0) << a.x << "," << a.y << " -> " << b.x << "," << b.y << " width " << w;
    }
}

TEST(Lines, FarAwayEndPointsAreClippedNotWalked) {
    Canvas c(10, 10, 32);
    c.fill(kPaper);
    MoveToEx(c.dc(), -2000000000, 5, nullptr);
    EXPECT_TRUE(LineTo(c.dc(), 2000000000, 5));
    EXPECT_EQ(drawn(c, kPaper).size(), 10u);
    Selected wide(c.dc(), CreatePen(PS_SOLID, 100000, RGB(255, 0, 0)));
    MoveToEx(c.dc(), INT32_MIN, INT32_MIN, nullptr);
    EXPECT_TRUE(LineTo(c.dc(), INT32_MAX, INT32_MAX));
}

TEST(StyledLines, DashPatternAndOpaqueOrTransparentGaps) {
    const uint32_t marker = 0xFF00FF00, red = 0x00FF0000, blue = 0x000000FF;
    Canvas c(50, 1, 32);
    Selected pen(c.dc(), CreatePen(PS_DASH, 1, RGB(255, 0, 0)));
    SetBkColor(c.dc(), RGB(0, 0, 255));
    for (int mode : {OPAQUE, TRANSPARENT}) {
        c.fill(marker);
        SetBkMode(c.dc(), mode);
        MoveToEx(c.dc(), 0, 0, nullptr);
        LineTo(c.dc(), 40, 0);
        for (int x = 0; x < 50; ++x) {
            // 18 on, 6 off, from the first pixel; the end point (40) is not drawn.
            uint32_t expected = marker;
            if (x < 40) {
                const bool on = x % 24 < 18;
                expected = on ? red : (mode == OPAQUE ? blue : marker);
                if (on) expected |= marker & 0xFF000000;  // lines keep the alpha byte
                else if (mode == OPAQUE) expected |= marker & 0xFF000000;
            }
            EXPECT_EQ(c.at(x, 0), expected) << "x " << x << " mode " << mode;
        }
    }
}

TEST(StyledLines, EveryStyleHasItsPattern) {
    const struct { int style; const char* pattern; } cases[] = {
        {PS_DASH, "111111111111111111000000"},
        {PS_DOT, "111000"},
        {PS_DASHDOT, "111111111000000111000000"},
        {PS_DASHDOTDOT, "111111111000111000111000"},
    };
    Canvas c(60, 1, 32);
    SetBkMode(c.dc(), TRANSPARENT);
    for (const auto& k : cases) {
        c.fill(0);
        Selected pen(c.dc(), CreatePen(k.style, 1, RGB(255, 255, 255)));
        MoveToEx(c.dc(), 0, 0, nullptr);
        LineTo(c.dc(), 60, 0);
        const std::string period(k.pattern);
        for (int x = 0; x < 60; ++x)
            EXPECT_EQ(c.at(x, 0) != 0, period[x % period.size()] == '1') << k.style << " x " << x;
    }
}

TEST(StyledLines, PolylineContinuesThePatternAroundCorners) {
    Canvas c(12, 22, 32);
    SetBkMode(c.dc(), TRANSPARENT);
    Selected pen(c.dc(), CreatePen(PS_DASH, 1, RGB(255, 255, 255)));
    MoveToEx(c.dc(), 0, 0, nullptr);
    LineTo(c.dc(), 10, 0);   // pattern positions 0..9
    LineTo(c.dc(), 10, 20);  // positions 10..29 down the column
    for (int x = 0; x < 10; ++x) EXPECT_NE(c.at(x, 0), 0u) << x;
    for (int y = 0; y < 20; ++y) {
        const int k = 10 + y;
        EXPECT_EQ(c.at(10, y) != 0, k % 24 < 18) << "y " << y;
    }
    // MoveToEx starts a new figure with the pattern afresh.
    c.fill(0);
    MoveToEx(c.dc(), 0, 5, nullptr);
    LineTo(c.dc(), 12, 5);
    MoveToEx(c.dc(), 0, 6, nullptr);
    LineTo(c.dc(), 12, 6);
    for (int x = 0; x < 12; ++x) EXPECT_EQ(c.at(x, 6), c.at(x, 5)) << x;
}

TEST(WideLines, RoundBrushAlongThePathDrawnSolid) {
    Canvas c(20, 20, 32);
    Selected pen(c.dc(), CreatePen(PS_DASH, 3, RGB(255, 255, 255)));  // wide: solid
    MoveToEx(c.dc(), 5, 5, nullptr);
    LineTo(c.dc(), 10, 5);
    Pixels expected;  // 3x3 brush at x = 5..9 (the end point is not a brush position)
    for (int y = 4; y <= 6; ++y)
        for (int x = 4; x <= 10; ++x) expected.insert({x, y});
    EXPECT_EQ(drawn(c, 0), expected);

    // Width 4: centre offsets -2..1; corners of the 4x4 square are cut off.
    c.fill(0);
    Selected pen4(c.dc(), CreatePen(PS_SOLID, 4, RGB(255, 255, 255)));
    MoveToEx(c.dc(), 10, 10, nullptr);
    LineTo(c.dc(), 11, 10);
    EXPECT_EQ(drawn(c, 0), (Pixels{{9, 8}, {10, 8}, {8, 9}, {9, 9}, {10, 9}, {11, 9},
                                   {8, 10}, {9, 10}, {10, 10}, {11, 10}, {9, 11}, {10, 11}}));
}

TEST(Rectangle, OutlineWithPenInteriorWithBrush) {
    Canvas c(10, 8, 32);
    c.fill(0x00808080);
    EXPECT_TRUE(Rectangle(c.dc(), 2, 2, 8, 6));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            uint32_t expected = 0x00808080;
            if (x >= 2 && x <= 7 && y >= 2 && y <= 5)
                expected = (x == 2 || x == 7 || y == 2 || y == 5) ? 0x00000000 : 0x00FFFFFF;
            EXPECT_EQ(c.at(x, y), expected) << x << "," << y;
        }
    // Each outline pixel is combined once: R2_NOT turns all of them, corners included.
    c.fill(0x00808080);
    SetROP2(c.dc(), R2_NOT);
    SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
    Rectangle(c.dc(), 2, 2, 8, 6);
    EXPECT_EQ(drawn(c, 0x00808080).size(), 2u * 6 + 2u * 2);
    // The same with a wide pen: the segments' union is combined once.
    c.fill(0x00808080);
    Selected wide(c.dc(), CreatePen(PS_SOLID, 3, 0));
    Rectangle(c.dc(), 2, 2, 8, 7);
    for (const auto& [x, y] : drawn(c, 0x00808080))
        EXPECT_EQ(c.at(x, y), 0x007F7F7Fu) << x << "," << y;
    EXPECT_EQ(c.at(2, 2), 0x007F7F7Fu);
}
