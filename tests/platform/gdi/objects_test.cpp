// Handles, stock objects, DCs and bitmap creation.

#include <set>

#include "canvas.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/objects.h"

using namespace gdi;
using namespace gdi::test;

TEST(Handles, KindIsReadFromTheHandleAndHandlesNeverCollide) {
    const BITMAPINFO info = dibInfo(4, 4, 32);
    std::vector<std::pair<HGDIOBJ, DWORD>> made = {
        {CreateDIBSection(0, &info, DIB_RGB_COLORS, nullptr, nullptr, 0), OBJ_BITMAP},
        {CreateBitmap(3, 3, 1, 1, nullptr), OBJ_BITMAP},
        {CreatePen(PS_DASH, 1, RGB(1, 2, 3)), OBJ_PEN},
        {CreateSolidBrush(RGB(4, 5, 6)), OBJ_BRUSH},
        {CreateCompatibleDC(0), OBJ_MEMDC},
        {GetDC(0), OBJ_DC},
    };
    std::set<HGDIOBJ> seen;
    for (const auto& [h, kind] : made) {
        EXPECT_NE(h, 0u);
        EXPECT_EQ(GetObjectType(h), kind);
        EXPECT_TRUE(seen.insert(h).second) << std::hex << h;
    }
    for (const auto& [h, kind] : made) {
        if (kind == OBJ_MEMDC) EXPECT_TRUE(DeleteDC(h));
        else if (kind == OBJ_DC) EXPECT_EQ(ReleaseDC(0, h), 1);
        else EXPECT_TRUE(DeleteObject(h));
        EXPECT_EQ(GetObjectType(h), 0u) << "stale handle still answers";
    }
}

TEST(Handles, StaleAndWrongKindHandlesFailCleanly) {
    const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    const HPEN pen = CreatePen(PS_SOLID, 1, 0);
    ASSERT_TRUE(DeleteObject(pen));
    Canvas c(4, 4, 32);
    // A brush where a DC is wanted, a deleted pen, a DC where an object is wanted.
    EXPECT_FALSE(BitBlt(brush, 0, 0, 1, 1, c.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(SelectObject(brush, c.bitmap()), 0u);
    EXPECT_EQ(SelectObject(c.dc(), pen), 0u);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(c.dc()));
    EXPECT_EQ(GetObject(c.dc(), sizeof(BITMAP), nullptr), 0);
    EXPECT_EQ(GetPixel(brush, 0, 0), CLR_INVALID);
    EXPECT_FALSE(LineTo(pen, 1, 1));
    EXPECT_EQ(FillRect(c.dc(), nullptr, brush), 0);
    const RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(c.dc(), &r, pen), 0);
    EXPECT_EQ(GetObjectType(0), 0u);
    EXPECT_EQ(GetObjectType(0x12345678), 0u);
    EXPECT_TRUE(DeleteObject(brush));
}

TEST(Handles, SelectedBitmapCannotBeDeletedOrSelectedTwice) {
    const BITMAPINFO info = dibInfo(2, 2, 32);
    const HBITMAP bmp = CreateDIBSection(0, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    const HDC a = CreateCompatibleDC(0), b = CreateCompatibleDC(0);
    const HGDIOBJ stockA = SelectObject(a, bmp);
    EXPECT_EQ(GetObjectType(stockA), OBJ_BITMAP);
    EXPECT_EQ(SelectObject(b, bmp), 0u) << "a bitmap lives in one DC at a time";
    EXPECT_FALSE(DeleteObject(bmp));
    EXPECT_EQ(GetCurrentObject(a, OBJ_BITMAP), bmp);
    EXPECT_EQ(SelectObject(a, stockA), bmp);
    EXPECT_NE(SelectObject(b, bmp), 0u) << "free again once deselected";
    EXPECT_TRUE(DeleteDC(b)) << "deleting the DC releases its bitmap";
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteDC(a));
}

TEST(Handles, StockObjectsSurviveDeletion) {
    for (int which : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH,
                      WHITE_PEN, BLACK_PEN, NULL_PEN}) {
        const HGDIOBJ h = GetStockObject(which);
        ASSERT_NE(h, 0u) << which;
        EXPECT_TRUE(DeleteObject(h));
        EXPECT_NE(GetObjectType(h), 0u) << which;
    }
    LOGBRUSH lb{};
    ASSERT_EQ(GetObject(GetStockObject(LTGRAY_BRUSH), sizeof(lb), &lb), int(sizeof(lb)));
    EXPECT_EQ(lb.lbColor, RGB(192, 192, 192));
    // The 1x1 monochrome bitmap of memory DCs is shared by all of them.
    const HDC a = CreateCompatibleDC(0), b = CreateCompatibleDC(0);
    EXPECT_EQ(GetCurrentObject(a, OBJ_BITMAP), GetCurrentObject(b, OBJ_BITMAP));
    EXPECT_TRUE(DeleteObject(GetCurrentObject(a, OBJ_BITMAP)));
    DeleteDC(a);
    DeleteDC(b);
}

TEST(Handles, DeletingEverythingLeavesNoObjectsBehind) {
    const size_t before = detail::liveObjectCount();
    {
        Canvas c(8, 8, 24);
        Selected pen(c.dc(), CreatePen(PS_DOT, 3, RGB(1, 2, 3)));
        Selected brush(c.dc(), CreateHatchBrush(HS_CROSS, RGB(4, 5, 6)));
        EXPECT_TRUE(Rectangle(c.dc(), 1, 1, 6, 6));
    }
    const HDC screen = GetDC(0);
    const HBITMAP ddb = CreateCompatibleBitmap(screen, 5, 5);
    EXPECT_TRUE(DeleteObject(ddb));
    EXPECT_EQ(ReleaseDC(0, screen), 1);
    EXPECT_EQ(detail::liveObjectCount(), before);
}

TEST(DeviceContext, DefaultsAndAttributeSetters) {
    const HDC dc = CreateCompatibleDC(0);
    EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
    LOGPEN pen{};
    ASSERT_EQ(GetObject(GetCurrentObject(dc, OBJ_PEN), sizeof(pen), &pen), int(sizeof(pen)));
    EXPECT_EQ(pen.lopnStyle, PS_SOLID);
    EXPECT_EQ(pen.lopnWidth.x, 1);
    EXPECT_EQ(pen.lopnColor, RGB(0, 0, 0));
    LOGBRUSH brush{};
    ASSERT_EQ(GetObject(GetCurrentObject(dc, OBJ_BRUSH), sizeof(brush), &brush), int(sizeof(brush)));
    EXPECT_EQ(brush.lbStyle, BS_SOLID);
    EXPECT_EQ(brush.lbColor, RGB(255, 255, 255));

    EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(dc, 9), 0);
    EXPECT_EQ(GetStretchBltMode(dc), HALFTONE);
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(dc, 3), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(SetROP2(dc, 17), 0);
    POINT previous{};
    EXPECT_TRUE(MoveToEx(dc, 7, 9, &previous));
    EXPECT_EQ(previous.x, 0);
    POINT now{};
    EXPECT_TRUE(GetCurrentPositionEx(dc, &now));
    EXPECT_EQ(now.x, 7);
    EXPECT_EQ(now.y, 9);

    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 1);  // holds the monochrome stock bitmap
    EXPECT_TRUE(DeleteDC(dc));

    const HDC screen = GetDC(0);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1920);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 1080);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    const RECT r{0, 0, 10, 10};
    EXPECT_NE(FillRect(screen, &r, HBRUSH(GetStockObject(BLACK_BRUSH))), 0) << "drawing on the screen succeeds";
    EXPECT_EQ(ReleaseDC(0, screen), 1);
}

TEST(Bitmaps, CompatibleBitmapsFollowTheDc) {
    const HDC screen = GetDC(0);
    const HDC mem = CreateCompatibleDC(screen);
    BITMAP bm{};
    const HBITMAP fromScreen = CreateCompatibleBitmap(screen, 9, 2);
    ASSERT_EQ(GetObject(fromScreen, sizeof(bm), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, nullptr);
    // The memory DC still holds its 1x1 monochrome bitmap: a monochrome bitmap results.
    const HBITMAP fromMem = CreateCompatibleBitmap(mem, 9, 2);
    ASSERT_EQ(GetObject(fromMem, sizeof(bm), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 2) << "device bitmaps have WORD-aligned rows";
    const HGDIOBJ old = SelectObject(mem, fromScreen);
    const HBITMAP likeSelected = CreateCompatibleBitmap(mem, 3, 3);
    ASSERT_EQ(GetObject(likeSelected, sizeof(bm), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    SelectObject(mem, old);
    for (HBITMAP b : {fromScreen, fromMem, likeSelected}) EXPECT_TRUE(DeleteObject(b));
    DeleteDC(mem);
    ReleaseDC(0, screen);
}

TEST(Bitmaps, GetObjectDescribesDibSectionsAndDeviceBitmaps) {
    const struct { int width, bpp, dibBytes, ddbBytes; } rows[] = {
        {9, 1, 4, 2}, {17, 1, 4, 4}, {3, 24, 12, 0}, {3, 8, 4, 0}, {5, 4, 4, 0}, {3, 32, 12, 12},
    };
    for (const auto& r : rows) {
        const BITMAPINFO info = dibInfo(r.width, -2, r.bpp);
        void* bits = nullptr;
        const HBITMAP dib = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(dib, 0u);
        DIBSECTION ds{};
        ASSERT_EQ(GetObject(dib, sizeof(ds), &ds), int(sizeof(DIBSECTION)));
        EXPECT_EQ(ds.dsBm.bmWidthBytes, r.dibBytes) << r.width << "x" << r.bpp;
        EXPECT_EQ(ds.dsBm.bmBits, bits);
        EXPECT_EQ(ds.dsBm.bmHeight, 2);
        EXPECT_EQ(ds.dsBm.bmBitsPixel, r.bpp);
        EXPECT_EQ(ds.dsBmih.biSizeImage, DWORD(2 * r.dibBytes));
        BITMAP bm{};
        EXPECT_EQ(GetObject(dib, sizeof(bm), &bm), int(sizeof(BITMAP)));
        EXPECT_EQ(GetObject(dib, 4, &bm), 0);
        EXPECT_TRUE(DeleteObject(dib));
        if (r.ddbBytes == 0) continue;
        const HBITMAP ddb = CreateBitmap(r.width, 2, 1, r.bpp, nullptr);
        EXPECT_EQ(GetObject(ddb, sizeof(ds), &ds), int(sizeof(BITMAP)));
        EXPECT_EQ(ds.dsBm.bmWidthBytes, r.ddbBytes);
        EXPECT_EQ(ds.dsBm.bmBits, nullptr);
        EXPECT_TRUE(DeleteObject(ddb));
    }
}

TEST(Bitmaps, CreateDibSectionRefusesBadHeaders) {
    auto fails = [](BITMAPINFO info, const char* why) {
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0), 0u) << why;
        EXPECT_EQ(bits, nullptr) << why;
    };
    fails(dibInfo(0, 4, 32), "width 0");
    fails(dibInfo(-4, 4, 32), "negative width");
    fails(dibInfo(4, 0, 32), "height 0");
    BITMAPINFO planes = dibInfo(4, 4, 32);
    planes.bmiHeader.biPlanes = 2;
    fails(planes, "two planes");
    fails(dibInfo(4, 4, 7), "7 bpp");
    BITMAPINFO rle = dibInfo(4, 4, 8);
    rle.bmiHeader.biCompression = BI_RLE8;
    fails(rle, "RLE");
    BITMAPINFO small = dibInfo(4, 4, 32);
    small.bmiHeader.biSize = 12;
    fails(small, "old header");
    // 32768 x 16384 x 4 bytes = 2^31 bytes, one past the limit; also in the other order
    // and with sizes whose 32-bit product would wrap around.
    fails(dibInfo(32768, 16384, 32), "2^31 bytes");
    fails(dibInfo(16384, -32768, 32), "2^31 bytes top-down");
    fails(dibInfo(0x7FFFFFFF, 0x7FFFFFFF, 32), "wrapping product");
    fails(dibInfo(524288, 32768, 1), "65536-byte rows x 32768 = 2^31 bytes");
    fails(dibInfo(4, INT32_MIN, 1), "most negative height");
    const BITMAPINFO ok = dibInfo(4, 4, 32);
    EXPECT_EQ(CreateDIBSection(0, &ok, DIB_RGB_COLORS, nullptr, reinterpret_cast<void*>(8), 0), 0u)
        << "file mappings are not supported";
}

TEST(Bitmaps, CreateDibSectionAcceptsTheLargestImageAndZeroFills) {
    // 1 x 536870911 x 4 bytes = 2^31 - 4 bytes: within the limit.
    const BITMAPINFO big = dibInfo(1, 536870911, 32);
    void* bits = nullptr;
    const HBITMAP h = CreateDIBSection(0, &big, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (h == 0) GTEST_SKIP() << "no 2 GB of address space here";
    const auto* p = static_cast<const uint8_t*>(bits);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[2147483643], 0);
    EXPECT_TRUE(DeleteObject(h));

    const BITMAPINFO info = dibInfo(7, 5, 24);
    const HBITMAP small = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const auto* q = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < dibStride(7, 24) * 5; ++i) ASSERT_EQ(q[i], 0) << i;
    DeleteObject(small);
}
