// cGDIPlus: loading through GDI+, encoding a host as PNG and JPEG, and drawing a host with
// interpolation, mirrors, a colour matrix, opacity and rotation.

#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "image/cGDIPlus.h"
#include "image_support.h"
#include "platform/gdi/dib_surface.h"
#include "support/temp_folder.h"
#include "support/test_environment.h"

using namespace imagetest;

struct cGDIPlusPrivateAccess {
    static gdiplus::GpImage* cachedImage(const cGDIPlus& b) { return b.cachedImage_; }
    static int32_t cachedOrientation(const cGDIPlus& b) { return b.cachedOrientation_; }
};

namespace {

using Access = cGDIPlusPrivateAccess;

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A straight RGBA TIFF made by libtiff, rows from the top.
std::string writeTiff(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    for (int y = 0; y < h; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(&rgba[size_t(y) * size_t(w) * 4]), uint32_t(y), 0);
    TIFFClose(tif);
    return path;
}

// libpng's straight RGBA of PNG bytes.
std::vector<uint8_t> pngPixels(const std::vector<uint8_t>& bytes, int& w, int& h) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return {};
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> out(PNG_IMAGE_SIZE(png));
    w = int(png.width), h = int(png.height);
    if (!png_image_finish_read(&png, nullptr, out.data(), 0, nullptr)) return {};
    return out;
}

class BridgeImaging : public ImageTest {
protected:
    void TearDown() override {
        gdiplus::testing::acceptPng(false);
        ImageTest::TearDown();
    }
    // 4 x 3, every pixel its own opaque colour, the top-right one half transparent.
    static void sample(cImage32& image) {
        std::vector<std::vector<Px>> rows(3, std::vector<Px>(4));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) rows[size_t(y)][size_t(x)] = {uint8_t(y * 60 + 5), uint8_t(x * 50 + 9), uint8_t(200 - x * 10 - y), 255};
        rows[0][3] = {10, 20, 30, 128};
        fill(image, rows);
        image.Alpha(cImage32::AlphaPartial);
    }
    static Px onCanvas(const gdi::DibSurface& s, int x, int y) {
        const uint8_t* p = s.row(y) + size_t(x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    testsupport::TempFolder folder;
};

TEST_F(BridgeImaging, TiffLoadsAsAGdiplusImage) {
    std::vector<uint8_t> rgba;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) rgba.insert(rgba.end(), {uint8_t(x * 100), uint8_t(y * 200), 50, uint8_t(x == 2 ? 51 : 255)});
    const std::string path = writeTiff(folder.file("two rows.tif"), 3, 2, rgba);
    for (bool fromBytes : {false, true}) {
        cImage32 image;
        cGDIPlus bridge;
        const std::vector<uint8_t> bytes = readAll(path);
        ASSERT_TRUE(fromBytes ? bridge.LoadPictureWithGDIplus("", bytes, image, 0)
                              : bridge.LoadPictureWithGDIplus(path, {}, image, 0));
        EXPECT_EQ(image.ImageType(), cImage32::ImageTypePNG) << "every GDI+ load counts as PNG";
        EXPECT_EQ(image.Alpha(), cImage32::AlphaPartial);
        ASSERT_EQ(image.Width(), 3);
        ASSERT_EQ(image.Height(), 2);
        EXPECT_EQ(at(image, 0, 0), (Px{50, 0, 0, 255}));
        EXPECT_EQ(at(image, 1, 1), (Px{50, 200, 100, 255}));
        EXPECT_EQ(at(image, 2, 0), (Px{10, 0, 40, 51})) << "premultiplied";
    }
}

TEST_F(BridgeImaging, WhatGdiplusLeavesAloneKeepsTheHost) {
    cImage32 image;
    sample(image);
    const std::vector<uint8_t> before = memoryOf(image);
    cGDIPlus bridge;
    const std::vector<uint8_t> tga = readAll(std::string(testsupport::corporaFolder()) + "/tga/valid/200x32_rgb_bl_raw.tga");
    ASSERT_FALSE(tga.empty());
    EXPECT_FALSE(bridge.LoadPictureWithGDIplus("", tga, image, 0));

    std::vector<uint8_t> png;
    ASSERT_TRUE(bridge.SaveToPNG("", png, image, 0));
    cImage32 other;
    sample(other);
    EXPECT_FALSE(bridge.LoadPictureWithGDIplus("", png, other, 0)) << "PNG is the program's own reader's";
    EXPECT_EQ(memoryOf(image), before);
    EXPECT_EQ(image.ImageType(), 0);

    gdiplus::testing::acceptPng(true);
    cImage32 loaded;
    ASSERT_TRUE(bridge.LoadPictureWithGDIplus("", png, loaded, 0));
    EXPECT_EQ(memoryOf(loaded), before) << "a PNG round trip through GDI+";
}

TEST_F(BridgeImaging, PngOfTheHostUpright) {
    cImage32 image;
    sample(image);
    const std::vector<uint8_t> before = memoryOf(image);
    cGDIPlus bridge;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(bridge.SaveToPNG("", bytes, image));
    int w = 0, h = 0;
    const std::vector<uint8_t> rgba = pngPixels(bytes, w, h);
    ASSERT_EQ(w, 4);
    ASSERT_EQ(h, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* s = &rgba[size_t(y * 4 + x) * 4];
            auto pm = [&](int c) { return uint8_t((c * s[3] + 127) / 255); };
            EXPECT_EQ(at(image, x, y), (Px{pm(s[2]), pm(s[1]), pm(s[0]), s[3]})) << x << "," << y;
        }
    EXPECT_EQ(memoryOf(image), before) << "the host's memory is never turned";
    EXPECT_EQ(Access::cachedOrientation(bridge), 6);

    const std::string path = folder.file("host.png");
    std::vector<uint8_t> untouched = {1, 2, 3};
    ASSERT_TRUE(bridge.SaveToPNG(path, untouched, image));
    EXPECT_EQ(readAll(path), bytes);
    EXPECT_EQ(untouched, (std::vector<uint8_t>{1, 2, 3}));

    cImage32 empty;
    EXPECT_FALSE(bridge.SaveToPNG("", bytes, empty));
}

TEST_F(BridgeImaging, JpegQualityAndTransparency) {
    cImage32 image;
    std::vector<std::vector<Px>> rows(16, std::vector<Px>(16, Px{40, 80, 120, 255}));
    fill(image, rows);
    cGDIPlus bridge;
    auto jpeg = [&](int32_t quality) {
        std::vector<uint8_t> out;
        EXPECT_TRUE(bridge.SaveToJPG("", out, image, quality));
        return out;
    };
    EXPECT_EQ(jpeg(10), jpeg(30));
    EXPECT_EQ(jpeg(250), jpeg(100));
    EXPECT_NE(jpeg(30), jpeg(100));

    // Transparent pixels are encoded over the fill colour; the cached image comes back.
    std::vector<uint8_t> png;
    ASSERT_TRUE(bridge.SaveToPNG("", png, image));
    gdiplus::GpImage* cached = Access::cachedImage(bridge);
    ASSERT_NE(cached, nullptr);
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x) put(image, x, y, Px{0, 0, 0, 0});
    std::vector<uint8_t> out;
    ASSERT_TRUE(bridge.SaveToJPG("", out, image, 100, 0x0000FF));  // red
    EXPECT_EQ(Access::cachedImage(bridge), cached);
    EXPECT_EQ(Access::cachedOrientation(bridge), 6);
    gdiplus::testing::acceptPng(false);
    cImage32 decoded;
    ASSERT_TRUE(bridge.LoadPictureWithGDIplus("", out, decoded, 0));
    const Px filled = at(decoded, 12, 8), kept = at(decoded, 2, 8);
    EXPECT_GT(filled.r, 200);
    EXPECT_LT(filled.b, 60);
    EXPECT_NEAR(kept.r, 120, 8);
    EXPECT_EQ(decoded.Alpha(), cImage32::AlphaOpaque);
}

TEST_F(BridgeImaging, RenderMirrorsAndComesBackUpright) {
    cImage32 image;
    sample(image);
    const std::vector<uint8_t> before = memoryOf(image);
    cGDIPlus bridge;
    gdi::DibSurface canvas(4, 3, 32);
    auto render = [&](int w, int h, bool hq = false) {
        std::memset(canvas.bits(), 0, size_t(canvas.stride()) * 3);  // drawing blends
        return bridge.RenderWithGDIplus(image, canvas.dc(), 0, 100, 0, 0, w, h, 0, 0, 4, 3, hq, -1, 0, 0);
    };
    ASSERT_TRUE(render(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(onCanvas(canvas, x, y), at(image, x, y));
    ASSERT_TRUE(render(-4, 3));
    EXPECT_EQ(onCanvas(canvas, 0, 0), at(image, 3, 0)) << "left to right";
    ASSERT_TRUE(render(4, -3));
    EXPECT_EQ(onCanvas(canvas, 0, 0), at(image, 0, 2)) << "top to bottom";
    ASSERT_TRUE(render(-4, -3));
    EXPECT_EQ(onCanvas(canvas, 0, 0), at(image, 3, 2));
    ASSERT_TRUE(render(4, 3, true));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(onCanvas(canvas, x, y), at(image, x, y)) << "upright again";
    EXPECT_EQ(memoryOf(image), before) << "turning the cached image never touches the host";
    EXPECT_EQ(gdiplus::testing::openSessionCount(), 1) << "the bridge's own session";
}

TEST_F(BridgeImaging, RenderWithMatrixOpacityAndRotation) {
    cImage32 image;
    std::vector<std::vector<Px>> rows(4, std::vector<Px>(4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) rows[size_t(y)][size_t(x)] = {uint8_t(10 * x), uint8_t(10 * y + 100), 200, 255};
    fill(image, rows);
    const int32_t token = image.CreateGDIplusToken();
    ASSERT_NE(token, 0);
    {
        cGDIPlus bridge;
        gdi::DibSurface canvas(4, 4, 32);
        // Grayscale formula 2: every channel the weighted sum.
        ASSERT_TRUE(bridge.RenderWithGDIplus(image, canvas.dc(), 0, 100, 0, 0, 4, 4, 0, 0, 4, 4, false, 2, token, 0));
        const Px g = onCanvas(canvas, 1, 2);
        EXPECT_EQ(g.r, g.g);
        EXPECT_EQ(g.g, g.b);
        EXPECT_NEAR(g.r, 0.333 * 200 + 0.334 * 120 + 0.333 * 10, 1);
        EXPECT_EQ(gdiplus::testing::openSessionCount(), 1) << "the lent session serves";

        // Half opacity over nothing: half the alpha.
        gdi::DibSurface clear(4, 4, 32);
        ASSERT_TRUE(bridge.RenderWithGDIplus(image, clear.dc(), 0, 50, 0, 0, 4, 4, 0, 0, 4, 4, false, -1, token, 0));
        EXPECT_EQ(onCanvas(clear, 0, 0).a, 128);

        // A quarter turn clockwise about the centre, at the destination's size.
        gdi::DibSurface turned(4, 4, 32);
        ASSERT_TRUE(bridge.RenderWithGDIplus(image, turned.dc(), 90, 100, 0, 0, 4, 4, 0, 0, 4, 4, true, -1, token, 0));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(onCanvas(turned, x, y), at(image, y, 3 - x)) << x << "," << y;

        // Opacity 0 draws nothing and needs no library.
        sys::setLibraryAbsent("gdiplus.dll", true);
        gdiplus::testing::failStartup(gdiplus::GenericError);
        cGDIPlus absent;
        EXPECT_TRUE(absent.RenderWithGDIplus(image, turned.dc(), 0, 0, 0, 0, 4, 4, 0, 0, 4, 4, true, -1, 0, 0));
        EXPECT_FALSE(absent.RenderWithGDIplus(image, turned.dc(), 0, 100, 0, 0, 4, 4, 0, 0, 4, 4, true, -1, 0, 0));
    }
    EXPECT_TRUE(image.DestroyGDIplusToken(token));
}

}  // namespace
