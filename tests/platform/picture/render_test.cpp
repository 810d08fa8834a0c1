// Picture::Render: HIMETRIC source rectangles, orientation, stretching, GIF transparency
// and icons, drawn into DIB sections that the tests read directly.

#include <gtest/gtest.h>

#include <cstring>

#include "gif_builder.h"
#include "platform/gdi/canvas.h"
#include "platform/picture/picture.h"

using namespace picture;
using namespace gdi;
using gdi::test::Canvas;

namespace {

// A 24-bpp picture whose pixel (x, y) is 0x00yyxx10 (y counted from the top).
Picture numbered(int width, int height) {
    Canvas source(width, height, 24, false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) source.set(x, y, uint32_t(y << 16 | x << 8 | 0x10));
    // A copy of the canvas's bitmap that the picture owns.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP copy = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::memcpy(bits, source.bits(), size_t(source.stride()) * size_t(height));
    return CreatePicture(kPicTypeBitmap, copy, true);
}

uint32_t expected(int x, int y) { return uint32_t(y << 16 | x << 8 | 0x10); }

bool renderUpright(const Picture& p, HDC dc, int x, int y, int cx, int cy) {
    return p.Render(dc, x, y, cx, cy, 0, p.Height(), p.Width(), -p.Height());
}

}  // namespace

TEST(Render, UprightAtItsOwnSizeWithAlphaZero) {
    const Picture p = numbered(3, 2);
    Canvas c(5, 4, 32);
    c.fill(0xFFFFFFFF);
    ASSERT_TRUE(renderUpright(p, c.dc(), 1, 1, 3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(c.at(1 + x, 1 + y), expected(x, y)) << x << ", " << y;
    EXPECT_EQ(c.at(0, 0), 0xFFFFFFFFu) << "outside the rectangle";
    EXPECT_EQ(c.at(4, 3), 0xFFFFFFFFu);
}

TEST(Render, APositiveSourceHeightDrawsUpsideDownAndANegativeWidthMirrors) {
    const Picture p = numbered(3, 2);
    Canvas c(3, 2, 32);
    ASSERT_TRUE(p.Render(c.dc(), 0, 0, 3, 2, 0, 0, p.Width(), p.Height()));
    EXPECT_EQ(c.at(0, 0), expected(0, 1));
    EXPECT_EQ(c.at(0, 1), expected(0, 0));
    ASSERT_TRUE(p.Render(c.dc(), 0, 0, 3, 2, p.Width(), p.Height(), -p.Width(), -p.Height()));
    EXPECT_EQ(c.at(0, 0), expected(2, 0));
    EXPECT_EQ(c.at(2, 1), expected(0, 1));
}

TEST(Render, SourceRectanglesInHimetricAndNearestPixelStretching) {
    // 24 pixels are 635 HIMETRIC, so 318 HIMETRIC is pixel 12.
    const Picture p = numbered(24, 24);
    ASSERT_EQ(p.Width(), 635);
    Canvas c(24, 24, 32);
    // The lower right quarter, upright: from y = 318 (row 12 counted from the top) down.
    ASSERT_TRUE(p.Render(c.dc(), 0, 0, 12, 12, 318, 318, 318, -318));
    EXPECT_EQ(c.at(0, 0), expected(12, 12));
    EXPECT_EQ(c.at(11, 11), expected(23, 23));
    // A 2x1 corner blown up to 8x4: each source pixel becomes a 4x4 block.
    ASSERT_TRUE(p.Render(c.dc(), 0, 0, 8, 4, 0, 635, 53, -26));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(c.at(x, y), expected(x / 4, 0)) << x << ", " << y;
}

TEST(Render, BitmapsStretchWithColorOnColorWhateverTheDcSays) {
    Canvas source(2, 1, 24);
    source.set(0, 0, 0x000000);
    source.set(1, 0, 0xFFFFFF);
    const Picture p = CreatePicture(kPicTypeBitmap, source.bitmap(), false);
    Canvas c(4, 1, 32);
    SetStretchBltMode(c.dc(), HALFTONE);
    // The source's bitmap is selected into its own canvas: Render draws from a copy then.
    ASSERT_TRUE(renderUpright(p, c.dc(), 0, 0, 4, 1));
    EXPECT_EQ(c.at(0, 0), 0u);
    EXPECT_EQ(c.at(1, 0), 0u);
    EXPECT_EQ(c.at(2, 0), 0xFFFFFFu);
    EXPECT_EQ(c.at(3, 0), 0xFFFFFFu);
    EXPECT_EQ(GetStretchBltMode(c.dc()), HALFTONE) << "the DC's mode is put back";
}

TEST(Render, TransparentGifPixelsLeaveTheDestinationAlone) {
    picture::test::GifLayout s;
    s.width = s.screenWidth = 3, s.height = s.screenHeight = 1;
    s.globalTable = {0x112233, 0x445566, 0x778899, 0};
    s.transparent = 1;
    s.indices = {0, 1, 2};
    const Picture p = LoadPictureFromBytes(picture::test::makeGif(s));
    ASSERT_EQ(p.transparentIndex(), 1);
    for (int bpp : {32, 24}) {
        Canvas c(6, 2, bpp);
        c.fill(bpp == 32 ? 0x80ABCDEF : 0xABCDEF);
        ASSERT_TRUE(renderUpright(p, c.dc(), 0, 0, 6, 2));  // stretched 2x
        for (int y = 0; y < 2; ++y) {
            EXPECT_EQ(c.at(0, y), 0x112233u) << bpp;
            EXPECT_EQ(c.at(1, y), 0x112233u) << bpp;
            EXPECT_EQ(c.at(2, y), bpp == 32 ? 0x80ABCDEFu : 0xABCDEFu) << bpp << ": untouched";
            EXPECT_EQ(c.at(3, y), bpp == 32 ? 0x80ABCDEFu : 0xABCDEFu) << bpp;
            EXPECT_EQ(c.at(5, y), 0x778899u) << bpp;
        }
    }
}

TEST(Render, IconsDrawWholeThroughTheirMask) {
    Canvas color(2, 2, 24), mask(2, 2, 1, true, {gdi::test::quad(0, 0, 0), gdi::test::quad(255, 255, 255)});
    color.set(0, 0, 0x0000FF);
    color.set(1, 1, 0x00FF00);
    mask.set(1, 0, 1);  // (1, 0) transparent over a black image
    ICONINFO ii{TRUE, 0, 0, mask.bitmap(), color.bitmap()};
    const Picture p = CreatePicture(kPicTypeIcon, CreateIconIndirect(&ii), true);
    Canvas c(4, 4, 32);
    c.fill(0x00777777);
    // Source rectangle and a negative height do not matter to icons.
    ASSERT_TRUE(p.Render(c.dc(), 0, 4, 4, -4, 0, 0, p.Width(), p.Height()));
    EXPECT_EQ(c.at(0, 0), 0x0000FFu);
    EXPECT_EQ(c.at(1, 1), 0x0000FFu);
    EXPECT_EQ(c.at(2, 0), 0x00777777u);
    EXPECT_EQ(c.at(3, 3), 0x00FF00u);
    EXPECT_EQ(c.at(0, 3), 0u);
}

TEST(Render, NothingToDrawOrNowhereToDrawIsFalse) {
    Canvas c(2, 2, 32);
    EXPECT_FALSE(Picture().Render(c.dc(), 0, 0, 2, 2, 0, 0, 1, 1));
    EXPECT_FALSE(NonePicture().Render(c.dc(), 0, 0, 2, 2, 0, 0, 1, 1));
    const Picture p = numbered(2, 2);
    EXPECT_FALSE(renderUpright(p, 0, 0, 0, 2, 2));
    EXPECT_FALSE(renderUpright(p, p.Handle(), 0, 0, 2, 2)) << "a bitmap is no DC";
    EXPECT_TRUE(renderUpright(p, c.dc(), 0, 0, 0, 2)) << "an empty rectangle draws nothing";
}
