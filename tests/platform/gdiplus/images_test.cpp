// Bitmaps over caller memory, their turning and mirroring, copies of gdi objects, and the
// life of the library's objects.

#include <cmath>

#include "gdiplus_support.h"
#include "platform/gdi/gdi.h"
#include "platform/gdiplus/session.h"
#include "platform/picture/picture.h"

using namespace gdiplustest;

namespace {

class Images : public GdiplusTest {};

ARGB argb(Px p) {
    // Straight colour of a premultiplied pixel, rounded as the library rounds.
    auto s = [&](unsigned c) { return p.a ? (c * 255 + p.a / 2u) / p.a : 0u; };
    return ARGB(p.a) << 24 | s(p.r) << 16 | s(p.g) << 8 | s(p.b);
}

TEST_F(Images, Scan0BitmapIsAViewOfTheCallersMemory) {
    Pixels p(3, 2, opaque(10, 20, 30));
    Image image = viewOf(p);
    EXPECT_EQ(widthOf(image.get()), 3u);
    EXPECT_EQ(heightOf(image.get()), 2u);
    EXPECT_EQ(pixelOf(image.get(), 2, 1), 0xFF0A141Eu);
    p.set(2, 1, {20, 40, 60, 128});  // premultiplied
    EXPECT_EQ(pixelOf(image.get(), 2, 1), argb({20, 40, 60, 128})) << "later changes show";

    // Bottom-up memory: a negative stride from the last row.
    Image upside;
    ASSERT_EQ(GdipCreateBitmapFromScan0(3, 2, -12, PixelFormat32bppPARGB, p.at(0, 1), upside.out()), Ok);
    EXPECT_EQ(pixelOf(upside.get(), 2, 0), argb({20, 40, 60, 128}));

    // Straight and alpha-less memory read as what they are.
    Pixels straight(1, 1, {200, 100, 50, 128});
    Image s = viewOf(straight, PixelFormat32bppARGB);
    EXPECT_EQ(pixelOf(s.get(), 0, 0), 0x803264C8u);
    Image rgb = viewOf(straight, PixelFormat32bppRGB);
    EXPECT_EQ(pixelOf(rgb.get(), 0, 0), 0xFF3264C8u);
    PixelFormat format = 0;
    ASSERT_EQ(GdipGetImagePixelFormat(s.get(), &format), Ok);
    EXPECT_EQ(format, PixelFormat32bppARGB);
}

TEST_F(Images, Scan0Refusals) {
    Pixels p(4, 4);
    GpBitmap* b = reinterpret_cast<GpBitmap*>(1);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 12, PixelFormat32bppPARGB, p.bytes.data(), &b), InvalidParameter);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 18, PixelFormat32bppPARGB, p.bytes.data(), &b), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(0, 4, 16, PixelFormat32bppPARGB, p.bytes.data(), &b), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 16, PixelFormat24bppRGB, p.bytes.data(), &b), NotImplemented);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 16, PixelFormat32bppPARGB, p.bytes.data(), nullptr),
              InvalidParameter);
    Image owned;
    ASSERT_EQ(GdipCreateBitmapFromScan0(5, 3, 0, PixelFormat32bppARGB, nullptr, owned.out()), Ok);
    EXPECT_EQ(pixelOf(owned.get(), 4, 2), 0u) << "the library's own memory starts zeroed";
}

// Where each pixel of a w x h picture goes under a RotateFlipType, worked out from the
// turn of the pixel centres about the picture's centre (y grows downwards, so a positive
// quarter turn is clockwise on the screen) and then a left-right mirror.
std::vector<Px> turned(const Pixels& p, int type, int& w, int& h) {
    const int quarter = type & 3;
    w = quarter % 2 ? p.height : p.width;
    h = quarter % 2 ? p.width : p.height;
    std::vector<Px> out(size_t(w) * size_t(h));
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            double cx = x + 0.5 - p.width / 2.0, cy = y + 0.5 - p.height / 2.0;
            for (int q = 0; q < quarter; ++q) {
                const double t = cx;
                cx = -cy, cy = t;
            }
            if (type & 4) cx = -cx;
            const int nx = int(std::floor(cx + w / 2.0)), ny = int(std::floor(cy + h / 2.0));
            out[size_t(ny) * size_t(w) + size_t(nx)] = p.get(x, y);
        }
    }
    return out;
}

TEST_F(Images, RotateFlipOnHostMemoryLeavesTheBytesAlone) {
    Pixels p(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) p.set(x, y, opaque(uint8_t(x * 80), uint8_t(y * 200), 7));
    const std::vector<uint8_t> before = p.bytes;
    for (int type = 0; type < 8; ++type) {
        Image image = viewOf(p);
        ASSERT_EQ(GdipImageRotateFlip(image.get(), RotateFlipType(type)), Ok);
        int w, h;
        const std::vector<Px> expected = turned(p, type, w, h);
        GpRectF bounds{};
        Unit unit{};
        ASSERT_EQ(GdipGetImageBounds(image.get(), &bounds, &unit), Ok);
        EXPECT_EQ(bounds.Width, float(w));
        EXPECT_EQ(bounds.Height, float(h));
        EXPECT_EQ(unit, UnitPixel);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(pixelOf(image.get(), x, y), argb(expected[size_t(y) * size_t(w) + size_t(x)]))
                    << "type " << type << " at " << x << "," << y;
        EXPECT_EQ(p.bytes, before) << "type " << type;
    }
}

TEST_F(Images, TurnsCompose) {
    Pixels p(3, 2);
    for (int i = 0; i < 6; ++i) p.set(i % 3, i / 3, opaque(uint8_t(i * 40), 0, 0));
    auto same = [&](GpImage* image, int type) {
        int w, h;
        const std::vector<Px> expected = turned(p, type, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (pixelOf(image, x, y) != argb(expected[size_t(y) * size_t(w) + size_t(x)])) return false;
        return true;
    };
    Image image = viewOf(p);
    for (int i = 0; i < 3; ++i) GdipImageRotateFlip(image.get(), Rotate90FlipNone);
    EXPECT_TRUE(same(image.get(), Rotate270FlipNone));
    GdipImageRotateFlip(image.get(), Rotate90FlipNone);
    EXPECT_TRUE(same(image.get(), RotateNoneFlipNone));
    GdipImageRotateFlip(image.get(), RotateNoneFlipX);
    GdipImageRotateFlip(image.get(), Rotate180FlipNone);
    EXPECT_TRUE(same(image.get(), Rotate180FlipX)) << "a mirror then a half turn is a top-bottom mirror";
    GdipImageRotateFlip(image.get(), Rotate180FlipX);
    EXPECT_TRUE(same(image.get(), RotateNoneFlipNone)) << "each code undoes itself";
    EXPECT_EQ(GdipImageRotateFlip(image.get(), RotateFlipType(8)), InvalidParameter);
}

TEST_F(Images, CopiesOfGdiBitmapsAndIcons) {
    // An 8-bpp DIB section keeps indices; the copy holds their colours, opaque.
    gdi::RGBQUAD table[256] = {};
    table[1] = {30, 20, 10, 0};
    table[2] = {0, 0, 255, 0};
    gdi::DibSurface indexed(2, 1, 8, false, table);
    indexed.row(0)[0] = 1;
    indexed.row(0)[1] = 2;
    Image copy;
    ASSERT_EQ(GdipCreateBitmapFromHBITMAP(indexed.bitmap(), 0, copy.out()), Ok);
    EXPECT_EQ(pixelOf(copy.get(), 0, 0), 0xFF0A141Eu);
    EXPECT_EQ(pixelOf(copy.get(), 1, 0), 0xFFFF0000u);
    indexed.row(0)[0] = 2;
    EXPECT_EQ(pixelOf(copy.get(), 0, 0), 0xFF0A141Eu) << "a copy, not a view";

    // A mask icon: transparent where the mask is set.
    gdi::DibSurface colour(2, 1, 24), mask(2, 1, 1);
    colour.row(0)[0] = 50, colour.row(0)[1] = 60, colour.row(0)[2] = 70;
    mask.row(0)[0] = 0x40;  // second pixel masked
    gdi::ICONINFO info{gdi::TRUE, 0, 0, mask.bitmap(), colour.bitmap()};
    const gdi::HICON icon = gdi::CreateIconIndirect(&info);
    ASSERT_NE(icon, 0u);
    Image fromIcon;
    ASSERT_EQ(GdipCreateBitmapFromHICON(icon, fromIcon.out()), Ok);
    EXPECT_EQ(pixelOf(fromIcon.get(), 0, 0), 0xFF463C32u);
    EXPECT_EQ(pixelOf(fromIcon.get(), 1, 0) >> 24, 0u);
    gdi::DestroyIcon(icon);

    GpBitmap* none = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromHBITMAP(0x12345, 0, &none), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromHICON(indexed.bitmap(), &none), InvalidParameter);
    EXPECT_EQ(GdipCreateMetafileFromEmf(1, 0, &none), InvalidParameter);
    EXPECT_EQ(GdipCreateMetafileFromEmf(indexed.bitmap(), 0, &none), InvalidParameter);
}

TEST_F(Images, MetafilesArePlayedIntoTheirPixels) {
    // The red circle fixtures: 96 x 96 pixels; transparent where the circle is not.
    const picture::Picture emf = picture::LoadPicture(std::string(QM_FIXTURES_DIR) + "/emf/circle.emf");
    Image fromEmf;
    ASSERT_EQ(GdipCreateMetafileFromEmf(emf.Handle(), 0, fromEmf.out()), Ok);
    UINT w = 0;
    ASSERT_EQ(GdipGetImageWidth(fromEmf.get(), &w), Ok);
    EXPECT_EQ(w, 96u);
    EXPECT_EQ(pixelOf(fromEmf.get(), 48, 48), 0xFFFF0000u);
    EXPECT_EQ(pixelOf(fromEmf.get(), 0, 0), 0u);

    const picture::Picture wmf = picture::LoadPicture(std::string(QM_FIXTURES_DIR) + "/wmf/circle.wmf");
    WmfPlaceableFileHeader header{0x9AC6CDD7, 0, 0, 0, 1440, 720, 1440, 0, 0};  // 96 x 48 pixels
    Image fromWmf;
    ASSERT_EQ(GdipCreateMetafileFromWmf(wmf.Handle(), 0, &header, fromWmf.out()), Ok);
    ASSERT_EQ(GdipGetImageWidth(fromWmf.get(), &w), Ok);
    EXPECT_EQ(w, 96u);
    EXPECT_EQ(pixelOf(fromWmf.get(), 48, 24), 0xFFFF0000u);  // its window fills the box
    EXPECT_EQ(pixelOf(fromWmf.get(), 2, 2), 0u);
    GpMetafile* none = nullptr;
    EXPECT_EQ(GdipCreateMetafileFromWmf(wmf.Handle(), 0, nullptr, &none), InvalidParameter);
    EXPECT_EQ(GdipCreateMetafileFromWmf(emf.Handle(), 0, &header, &none), InvalidParameter);
}

TEST_F(Images, ObjectsEndWithTheLastSession) {
    Pixels p(2, 2);
    GpImage* image = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 8, PixelFormat32bppPARGB, p.bytes.data(), &image), Ok);
    EXPECT_EQ(GdipDisposeImage(image), Ok);
    EXPECT_EQ(GdipDisposeImage(image), InvalidParameter) << "a stale pointer is refused, not followed";
    UINT w = 0;
    EXPECT_EQ(GdipGetImageWidth(image, &w), InvalidParameter);

    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 8, PixelFormat32bppPARGB, p.bytes.data(), &image), Ok);
    GdiplusShutdown(token_);
    EXPECT_EQ(gdiplus::testing::liveObjectCount(), 0);
    EXPECT_EQ(GdipGetImageWidth(image, &w), GdiplusNotInitialized);
    const GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token_, &input, nullptr), Ok);
    EXPECT_EQ(GdipGetImageWidth(image, &w), InvalidParameter);
}

}  // namespace
