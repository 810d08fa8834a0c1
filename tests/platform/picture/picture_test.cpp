// Picture objects: HIMETRIC size, identity of shared pictures, handle ownership.

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/objects.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"

using namespace picture;
using namespace gdi;

namespace {

HBITMAP makeDib(int width, int height, int bpp = 24) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, WORD(bpp), BI_RGB, 0, 0, 0, 0, 0};
    return CreateDIBSection(0, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
}

HICON makeIcon(int size) {
    const HBITMAP color = makeDib(size, size, 24), mask = makeDib(size, size, 1);
    ICONINFO ii{TRUE, 0, 0, mask, color};
    const HICON icon = CreateIconIndirect(&ii);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

}  // namespace

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero) {
    struct Case { int32_t a, b, c, expected; };
    const Case cases[] = {
        {1, 2540, 96, 26},       // 26.46
        {3, 2540, 96, 79},       // 79.375
        {12, 2540, 96, 318},     // 317.5: half away from zero
        {-12, 2540, 96, -318},   // and below zero
        {12, -2540, 96, -318},
        {5, 1, 2, 3},            // 2.5
        {-5, 1, 2, -3},
        {7, 1, -2, -4},          // -3.5
        {1, 1, 0, -1},           // division by zero
        {INT32_MAX, 2, 1, -1},   // overflow
        {INT32_MAX, 2, 2, INT32_MAX},  // 64-bit intermediate
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(PictureObject, SizeInHimetricFromPixels) {
    const Picture p = CreatePicture(kPicTypeBitmap, makeDib(640, 12), true);
    EXPECT_EQ(p.Type(), kPicTypeBitmap);
    EXPECT_EQ(p.Width(), 16933);  // 640 * 2540 / 96 = 16933.33
    EXPECT_EQ(p.Height(), 318);   // 317.5 rounds away from zero
    EXPECT_EQ(p.pixelSize().cx, 640);
    EXPECT_EQ(p.pixelSize().cy, 12);
    EXPECT_EQ(PixelsFromHimetric(p.Width()), 640);
    EXPECT_EQ(PixelsFromHimetric(p.Height()), 12);

    const Picture icon = CreatePicture(kPicTypeIcon, makeIcon(32), true);
    EXPECT_EQ(icon.Type(), kPicTypeIcon);
    EXPECT_EQ(icon.Width(), 847);
    EXPECT_EQ(icon.pixelSize().cy, 32);
}

TEST(PictureObject, CopiesShareOneObjectAndCompareByIdentity) {
    const Picture logo = CreatePicture(kPicTypeBitmap, makeDib(4, 4), true);
    const Picture shown = logo;
    EXPECT_TRUE(shown == logo);
    EXPECT_EQ(shown.Handle(), logo.Handle());
    // A second object over the same handle is another picture, not the logo.
    const Picture again = CreatePicture(kPicTypeBitmap, logo.Handle(), false);
    EXPECT_FALSE(again == logo);
    EXPECT_EQ(again.Handle(), logo.Handle());
    // No picture: falsy, type 0, handle 0, equal to any other no picture.
    const Picture none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.Type(), kPicTypeNone);
    EXPECT_EQ(none.Handle(), 0u);
    EXPECT_TRUE(none == Picture());
    // An empty picture object is a picture (of type 0), and each one is its own object.
    const Picture empty = NonePicture();
    EXPECT_TRUE(empty);
    EXPECT_EQ(empty.Type(), kPicTypeNone);
    EXPECT_EQ(empty.Handle(), 0u);
    EXPECT_FALSE(empty == NonePicture());
}

TEST(PictureObject, TheLastCopyOfAnOwningPictureDeletesItsHandle) {
    const size_t before = gdi::detail::liveObjectCount();
    HBITMAP bitmap = makeDib(8, 8);
    HICON icon = makeIcon(16);
    {
        Picture a = CreatePicture(kPicTypeBitmap, bitmap, true);
        Picture b = CreatePicture(kPicTypeIcon, icon, true);
        {
            const Picture copyA = a, copyB = b;
            a = Picture();
            b = Picture();
        }  // the copies were the last references
        EXPECT_EQ(GetObjectType(bitmap), 0u);
        EXPECT_FALSE(DestroyIcon(icon));
    }
    EXPECT_EQ(gdi::detail::liveObjectCount(), before);

    // Without ownership the handle outlives the picture.
    bitmap = makeDib(8, 8);
    { const Picture p = CreatePicture(kPicTypeBitmap, bitmap, false); }
    EXPECT_EQ(GetObjectType(bitmap), OBJ_BITMAP);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(gdi::detail::liveObjectCount(), before);
}

TEST(PictureObject, CreatingOverAHandleOfTheWrongKindRaisesInvalidPicture) {
    const HBITMAP bitmap = makeDib(2, 2);
    const HICON icon = makeIcon(2);
    const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    struct Case { int type; uint32_t handle; };
    const Case cases[] = {{kPicTypeBitmap, icon},  {kPicTypeBitmap, brush}, {kPicTypeBitmap, 0},
                          {kPicTypeIcon, bitmap},  {kPicTypeMetafile, bitmap},
                          {kPicTypeEnhMetafile, bitmap}, {7, bitmap}};
    for (const Case& c : cases) {
        try {
            CreatePicture(c.type, c.handle, false);
            ADD_FAILURE() << "type " << c.type << " accepted";
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), runtime::kErrInvalidPicture);
        }
    }
    EXPECT_EQ(CreatePicture(kPicTypeNone, bitmap, true).Handle(), 0u) << "type 0 ignores the handle";
    EXPECT_EQ(GetObjectType(bitmap), OBJ_BITMAP);
    DeleteObject(bitmap);
    DestroyIcon(icon);
    DeleteObject(brush);
}
