// Icons and cursors: copies of their bitmaps, the AND/XOR truth table, alpha blending,
// stretching, monochrome icons, and their handles.

#include "canvas.h"
#include "platform/gdi/objects.h"

using namespace gdi;
using namespace gdi::test;

namespace {

const std::vector<RGBQUAD> kBlackWhite = {quad(0, 0, 0), quad(255, 255, 255)};

// An icon from a 24- or 32-bpp image and a mask, both given top row first.
HICON makeIcon(int w, int h, int bpp, const std::vector<uint32_t>& image,
               const std::vector<int>& mask, BOOL isIcon = TRUE, DWORD hotX = 0, DWORD hotY = 0) {
    Canvas color(w, h, bpp), m(w, h, 1, true, kBlackWhite);
    for (int i = 0; i < w * h; ++i) {
        color.set(i % w, i / w, image[size_t(i)]);
        m.set(i % w, i / w, uint32_t(mask[size_t(i)]));
    }
    ICONINFO ii{isIcon, hotX, hotY, m.bitmap(), color.bitmap()};
    return CreateIconIndirect(&ii);
}

}  // namespace

TEST(Icons, AndMaskThenXorImage) {
    // mask 0 + black: black; mask 0 + white: white; mask 1 + black: untouched; mask 1 +
    // white: the destination inverted (alpha byte kept where the mask is set).
    const HICON icon = makeIcon(4, 1, 24, {0, 0xFFFFFF, 0, 0xFFFFFF}, {0, 0, 1, 1});
    ASSERT_NE(icon, 0u);
    Canvas c(4, 1, 32);
    c.fill(0x80445566);
    ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 0, 0, 0, 0, DI_NORMAL));
    EXPECT_EQ(c.at(0, 0), 0x00000000u);
    EXPECT_EQ(c.at(1, 0), 0x00FFFFFFu);
    EXPECT_EQ(c.at(2, 0), 0x80445566u);
    EXPECT_EQ(c.at(3, 0), 0x80BBAA99u);

    c.fill(0x80445566);
    ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 0, 0, 0, 0, DI_MASK));
    EXPECT_EQ(c.at(0, 0), 0u);
    EXPECT_EQ(c.at(3, 0), 0x80445566u);
    c.fill(0x80445566);
    ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 0, 0, 0, 0, DI_IMAGE));
    EXPECT_EQ(c.at(2, 0), 0u) << "the image alone is copied";
    EXPECT_EQ(c.at(3, 0), 0x00FFFFFFu);
    EXPECT_FALSE(DrawIconEx(c.dc(), 0, 0, icon, 0, 0, 0, 0, 0));
    EXPECT_TRUE(DestroyIcon(icon));
}

TEST(Icons, StraightAlphaIsBlendedAndTheMaskIgnored) {
    const HICON icon = makeIcon(3, 1, 32, {0xFFC86432, 0x80C86432, 0x00C86432}, {1, 1, 0});
    Canvas c(3, 1, 32);
    c.fill(0xFFFFFFFF);
    ASSERT_TRUE(DrawIcon(c.dc(), 0, 0, icon));
    auto blend = [](int s, int d, int a) { return (s * a + 127) / 255 + (d * (255 - a) + 127) / 255; };
    EXPECT_EQ(c.at(0, 0), 0xFFC86432u);
    const uint32_t half = c.at(1, 0);
    EXPECT_EQ(int(half >> 16 & 0xFF), blend(0xC8, 0xFF, 0x80));
    EXPECT_EQ(int(half >> 8 & 0xFF), blend(0x64, 0xFF, 0x80));
    EXPECT_EQ(int(half & 0xFF), blend(0x32, 0xFF, 0x80));
    EXPECT_EQ(c.at(2, 0), 0xFFFFFFFFu) << "alpha 0 shows the background, though the mask is clear";

    // Onto 24 bpp alike.
    Canvas c24(3, 1, 24);
    c24.fill(0xFFFFFF);
    ASSERT_TRUE(DrawIcon(c24.dc(), 0, 0, icon));
    EXPECT_EQ(c24.at(1, 0), half & 0xFFFFFF);
    DestroyIcon(icon);
}

TEST(Icons, StretchedNearestAndTheDefaultSize) {
    const HICON icon = makeIcon(2, 1, 24, {0x0000FF, 0x00FF00}, {0, 0});
    Canvas c(40, 40, 32);
    ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 4, 2, 0, 0, DI_NORMAL));
    EXPECT_EQ(c.at(1, 1), 0x0000FFu);
    EXPECT_EQ(c.at(2, 0), 0x00FF00u);
    EXPECT_EQ(c.at(4, 0), 0u);
    c.fill(0x11111111);
    ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 0, 0, 0, 0, DI_NORMAL | DI_DEFAULTSIZE));
    EXPECT_EQ(c.at(31, 31), 0x00FF00u);
    EXPECT_EQ(c.at(32, 0), 0x11111111u);
    EXPECT_EQ(c.at(0, 32), 0x11111111u);
    DestroyIcon(icon);
}

TEST(Icons, MonochromeIconsKeepAndAboveXorInOneMask) {
    Canvas mask(2, 2, 1, true, kBlackWhite);  // rows: AND (1, 0), XOR (1, 1)
    mask.set(0, 0, 1);
    mask.set(0, 1, 1);
    mask.set(1, 1, 1);
    ICONINFO ii{TRUE, 0, 0, mask.bitmap(), 0};
    const HICON icon = CreateIconIndirect(&ii);
    ASSERT_NE(icon, 0u);
    Canvas c(2, 1, 32);
    c.fill(0x00102030);
    ASSERT_TRUE(DrawIcon(c.dc(), 0, 0, icon));
    EXPECT_EQ(c.at(0, 0), 0x00EFDFCFu) << "inverted";
    EXPECT_EQ(c.at(1, 0), 0x00FFFFFFu) << "white";
    DestroyIcon(icon);
}

TEST(Icons, AFlickerBrushFillsTheRectangleFirst) {
    const HICON icon = makeIcon(2, 1, 24, {0x0000FF, 0}, {0, 1});
    Canvas c(2, 1, 32);
    const HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 0, 0, 0, brush, DI_NORMAL));
    EXPECT_EQ(c.at(0, 0), 0x0000FFu);
    EXPECT_EQ(c.at(1, 0), 0x00FF00u);
    DeleteObject(brush);
    DestroyIcon(icon);
}

TEST(Icons, HandlesCopiesAndInfo) {
    const size_t before = detail::liveObjectCount();
    const HICON cursor = makeIcon(2, 2, 24, {1, 2, 3, 4}, {0, 1, 0, 1}, FALSE, 1, 0);
    ASSERT_NE(cursor, 0u);
    EXPECT_EQ(detail::liveObjectCount(), before + 1) << "the icon keeps private copies";
    EXPECT_EQ(GetObjectType(cursor), 0u) << "no GDI object";
    EXPECT_FALSE(DeleteObject(cursor));

    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(cursor, &ii));
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(ii.xHotspot, 1u);
    EXPECT_EQ(ii.yHotspot, 0u);
    BITMAP bm{};
    ASSERT_TRUE(GetObject(ii.hbmColor, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 2);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    ASSERT_TRUE(GetObject(ii.hbmMask, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_TRUE(DeleteObject(ii.hbmColor));
    EXPECT_TRUE(DeleteObject(ii.hbmMask));

    EXPECT_TRUE(DestroyIcon(cursor));
    EXPECT_FALSE(DestroyIcon(cursor));
    EXPECT_EQ(detail::liveObjectCount(), before);

    Canvas bitmap(2, 2, 24);
    ICONINFO bad{TRUE, 0, 0, 0, bitmap.bitmap()};
    EXPECT_EQ(CreateIconIndirect(&bad), 0u) << "no mask";
    bad.hbmMask = GetStockObject(BLACK_BRUSH);
    EXPECT_EQ(CreateIconIndirect(&bad), 0u) << "a brush for a mask";
    Canvas oneRow(2, 1, 1, true, kBlackWhite);
    ICONINFO mono{TRUE, 0, 0, oneRow.bitmap(), 0};
    EXPECT_EQ(CreateIconIndirect(&mono), 0u) << "a monochrome mask needs both halves";
    EXPECT_EQ(CreateIconIndirect(nullptr), 0u);
    EXPECT_FALSE(DestroyIcon(bitmap.bitmap()));
    EXPECT_FALSE(GetIconInfo(bitmap.bitmap(), &ii));
    const HICON dot = makeIcon(1, 1, 24, {0}, {0});
    const HDC screen = GetDC(0);
    EXPECT_TRUE(DrawIcon(screen, 0, 0, dot)) << "the screen keeps nothing";
    ReleaseDC(0, screen);
    DestroyIcon(dot);
}
