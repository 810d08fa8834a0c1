// GetDIBits, SetDIBits, SetDIBitsToDevice, StretchDIBits, CreateDIBitmap.

#include "canvas.h"

using namespace gdi;
using namespace gdi::test;

namespace {

uint32_t word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// A 2x3 image, pixel (x, y) = 0xA0RRGG00 + unique low byte.
void paint(Canvas& c) {
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) c.set(x, y, 0xA0000000u | uint32_t(y * 16 + x) << 8 | uint32_t(x + 1));
}

}  // namespace

TEST(GetDIBits, SizeQueryFillsTheHeader) {
    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP ddb = CreateBitmap(9, 5, 1, 32, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(GetDIBits(dc, ddb, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, 9);
    EXPECT_EQ(info.bmiHeader.biHeight, 5);
    EXPECT_EQ(info.bmiHeader.biPlanes, 1);
    EXPECT_EQ(info.bmiHeader.biBitCount, 32);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 9u * 4 * 5);
    const HBITMAP mono = CreateBitmap(9, 5, 1, 1, nullptr);
    info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(GetDIBits(dc, mono, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biBitCount, 1);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 4u * 5) << "DIB rows are DWORD-aligned";
    info.bmiHeader.biSize = 12;
    EXPECT_EQ(GetDIBits(dc, mono, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(dc, dc, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0) << "not a bitmap";
    DeleteObject(ddb);
    DeleteObject(mono);
    DeleteDC(dc);
}

TEST(GetDIBits, BottomUpAndTopDownRowOrder) {
    Canvas c(2, 3, 32);
    paint(c);
    for (bool topDown : {false, true}) {
        BITMAPINFO info = dibInfo(2, topDown ? -3 : 3, 32);
        std::vector<uint8_t> out(2 * 4 * 3, 0xCD);
        ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 3, out.data(), &info, DIB_RGB_COLORS), 3);
        for (int row = 0; row < 3; ++row) {
            const int y = topDown ? row : 2 - row;  // image row held by buffer row
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(word(&out[size_t(row * 8 + x * 4)]), c.at(x, y))
                    << "alpha as stored; topDown " << topDown << " row " << row;
        }
    }
    // A band: scans 1 and 2 of a bottom-up read are image rows 1 and 0.
    BITMAPINFO info = dibInfo(2, 3, 32);
    std::vector<uint8_t> band(2 * 4 * 2);
    ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 1, 5, band.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(word(&band[0]), c.at(0, 1));
    EXPECT_EQ(word(&band[8]), c.at(0, 0));
}

TEST(GetDIBits, OtherDepths) {
    Canvas c(3, 2, 32);
    c.set(0, 0, 0xFF000000);
    c.set(1, 0, 0x00FFFFFF);
    c.set(2, 0, 0x00C0C0C0);
    c.set(0, 1, 0x00101010);
    c.set(1, 1, 0x00F0F0F0);
    c.set(2, 1, 0x00303030);
    // 24 bpp, top-down: 9 bytes of pixels, 3 bytes of zero padding per row.
    BITMAPINFO info24 = dibInfo(3, -2, 24);
    std::vector<uint8_t> out(12 * 2, 0xCD);
    ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, out.data(), &info24, DIB_RGB_COLORS), 2);
    const std::vector<uint8_t> expected24 = {0, 0, 0, 255, 255, 255, 192, 192, 192, 0, 0, 0,
                                             16, 16, 16, 240, 240, 240, 48, 48, 48, 0, 0, 0};
    EXPECT_EQ(out, expected24);
    // 1 bpp: a black/white table is written; each pixel takes the nearer of the two.
    BITMAPINFO info1 = dibInfo(3, -2, 1);
    info1.bmiColors[0] = quad(9, 9, 9);
    std::vector<uint8_t> bits(4 * 2, 0xCD);
    ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, bits.data(), &info1, DIB_RGB_COLORS), 2);
    EXPECT_EQ(info1.bmiColors[0].rgbRed, 0);
    EXPECT_EQ(info1.bmiColors[1].rgbGreen, 255);
    EXPECT_EQ(bits[0], 0x60) << "0 1 1";
    EXPECT_EQ(bits[4], 0x40) << "0 1 0";
    EXPECT_EQ(bits[1], 0);
}

TEST(SetDIBitsToDevice, BandsOfScanLinesLandWhereTheWholeImageWould) {
    // A 2x4 bottom-up 24-bpp DIB whose scan s (from the bottom) has red = s + 1.
    const BITMAPINFO info = dibInfo(2, 4, 24);
    std::vector<uint8_t> image(8 * 4, 0);
    for (int s = 0; s < 4; ++s)
        for (int x = 0; x < 2; ++x) image[size_t(s * 8 + x * 3 + 2)] = uint8_t(s + 1);
    Canvas dst(2, 4, 32);
    dst.fill(0xFFEEEEEE);
    // Only scans 1 and 2 are in memory; the destination shows the whole image's rows.
    ASSERT_EQ(SetDIBitsToDevice(dst.dc(), 0, 0, 2, 4, 0, 0, 1, 2, &image[8], &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(dst.at(0, 0), 0xFFEEEEEEu);  // scan 3: not given
    EXPECT_EQ(dst.at(0, 1), 0x00030000u);  // scan 2, alpha 0 from 24 bpp
    EXPECT_EQ(dst.at(1, 2), 0x00020000u);  // scan 1
    EXPECT_EQ(dst.at(0, 3), 0xFFEEEEEEu);  // scan 0: not given
    // A source rectangle from the DIB's bottom-left corner: ySrc = 1, height 2 covers scans 1..2.
    dst.fill(0xFFEEEEEE);
    ASSERT_NE(SetDIBitsToDevice(dst.dc(), 0, 0, 2, 2, 0, 1, 0, 4, image.data(), &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(dst.at(0, 0), 0x00030000u);
    EXPECT_EQ(dst.at(0, 1), 0x00020000u);
    EXPECT_EQ(dst.at(0, 2), 0xFFEEEEEEu);

    // 32 into 32 copies all four bytes; a top-down DIB counts ySrc from the top.
    const BITMAPINFO top32 = dibInfo(1, -2, 32);
    const uint32_t pixels[2] = {0x11223344, 0x55667788};
    ASSERT_EQ(SetDIBitsToDevice(dst.dc(), 1, 3, 1, 1, 0, 1, 0, 2, pixels, &top32, DIB_RGB_COLORS), 2);
    EXPECT_EQ(dst.at(1, 3), 0x55667788u);
}

TEST(SetDIBits, IntoBitmapsAndCreateDIBitmap) {
    // A 2x2 bottom-up 8-bpp DIB with a two-colour table.
    BITMAPINFO info = dibInfo(2, 2, 8, {quad(255, 0, 0), quad(0, 0, 255)});
    const uint8_t bits[8] = {0, 1, 0, 0, 1, 1, 0, 0};  // bottom row: 0 1; top row: 1 1
    const HDC screen = GetDC(0);
    const HBITMAP ddb = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, bits, &info, DIB_RGB_COLORS);
    ASSERT_NE(ddb, 0u);
    BITMAP bm{};
    GetObject(ddb, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(dc, ddb);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 255));
    SelectObject(dc, old);

    Canvas c(2, 2, 24);
    ASSERT_EQ(SetDIBits(dc, c.bitmap(), 0, 2, bits, &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(c.at(0, 1), 0xFF0000u);
    EXPECT_EQ(c.at(1, 0), 0x0000FFu);
    EXPECT_EQ(SetDIBits(dc, c.bitmap(), 0, 2, nullptr, &info, DIB_RGB_COLORS), 0);
    DeleteObject(ddb);
    DeleteDC(dc);
    ReleaseDC(0, screen);
}

TEST(StretchDIBits, UprightOrientationAndStretch) {
    // A 1x2 bottom-up 32-bpp DIB: bottom pixel 1, top pixel 2.
    const BITMAPINFO info = dibInfo(1, 2, 32);
    const uint32_t pixels[2] = {1, 2};
    Canvas dst(2, 4, 32);
    SetStretchBltMode(dst.dc(), COLORONCOLOR);
    ASSERT_NE(StretchDIBits(dst.dc(), 0, 0, 2, 4, 0, 0, 1, 2, pixels, &info, DIB_RGB_COLORS, SRCCOPY), 0);
    const uint32_t column[4] = {2, 2, 1, 1};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(dst.at(x, y), column[y]) << x << "," << y;
    BITMAPINFO rle = info;
    rle.bmiHeader.biCompression = BI_RLE8;
    EXPECT_EQ(StretchDIBits(dst.dc(), 0, 0, 2, 4, 0, 0, 1, 2, pixels, &rle, DIB_RGB_COLORS, SRCCOPY), 0);
}
