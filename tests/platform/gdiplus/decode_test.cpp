// Decoding: the formats sniffed from the content, TIFF through libtiff, the formats the
// library leaves to the program's own readers, and damaged data.

#include <cstdlib>

#include "gdiplus_support.h"
#include "oracles.h"
#include "support/test_environment.h"
#include "support/temp_folder.h"

using namespace gdiplustest;

namespace {

class Decoding : public GdiplusTest {
protected:
    static std::string corpus(const std::string& relative) {
        return std::string(testsupport::corporaFolder()) + "/" + relative;
    }
    static Status load(const std::vector<uint8_t>& bytes, Image& image) {
        Stream stream(bytes);
        return GdipLoadImageFromStream(&stream, image.out());
    }
    // The image drawn 1:1 onto a transparent 32-bpp canvas: its premultiplied pixels.
    static std::vector<Px> drawn(GpImage* image) {
        const int w = int(widthOf(image)), h = int(heightOf(image));
        Canvas canvas(w, h);
        Graphics g(canvas.dc());
        EXPECT_EQ(GdipDrawImageRectI(g.get(), image, 0, 0, w, h), Ok);
        std::vector<Px> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out.push_back(canvas.get(x, y));
        return out;
    }
};

Rgba gradient(int w, int h) {
    Rgba image{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.pixels.insert(image.pixels.end(), {uint8_t(x * 255 / (w - 1)), uint8_t(y * 255 / (h - 1)),
                                                     uint8_t((x * y) & 0xFF), uint8_t((x + y) * 255 / (w + h - 2))});
    return image;
}

TEST_F(Decoding, TiffFirstPageAsLibtiffReadsIt) {
    const Rgba other = gradient(5, 5);
    for (bool associated : {false, true}) {
        // Associated alpha means the colours are premultiplied already.
        Rgba page = gradient(13, 7);
        if (associated)
            for (size_t i = 0; i < page.pixels.size(); i += 4)
                for (size_t c = 0; c < 3; ++c)
                    page.pixels[i + c] = uint8_t(page.pixels[i + c] * page.pixels[i + 3] / 255);
        const std::vector<uint8_t> file = tiffWithLibtiff(page, associated, &other);
        ASSERT_FALSE(file.empty());
        Image image;
        ASSERT_EQ(load(file, image), Ok);
        EXPECT_EQ(widthOf(image.get()), 13u) << "the first page";
        EXPECT_EQ(heightOf(image.get()), 7u);
        PixelFormat format = 0;
        GdipGetImagePixelFormat(image.get(), &format);
        EXPECT_EQ(format, PixelFormat32bppARGB);
        const std::optional<Rgba> reference = libtiffDecode(file);
        ASSERT_TRUE(reference);
        const std::vector<Px> pixels = drawn(image.get());
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                // libtiff hands both kinds out premultiplied.
                const uint8_t* r = reference->at(x, y);
                const Px got = pixels[size_t(y * 13 + x)];
                EXPECT_EQ(got, (Px{r[2], r[1], r[0], r[3]})) << x << "," << y;
                const uint8_t* s = page.at(x, y);
                EXPECT_NEAR(got.r, associated ? s[0] : s[0] * s[3] / 255.0, 1) << "premultiplied once";
            }
        }
    }
}

TEST_F(Decoding, DamagedTiffIsRefused) {
    const std::vector<uint8_t> file = tiffWithLibtiff(gradient(40, 30), false);
    for (size_t keep : {size_t(8), size_t(16), file.size() / 2, file.size() - 20}) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + ptrdiff_t(keep));
        Image image;
        const Status s = load(cut, image);
        if (s == Ok) {
            EXPECT_EQ(widthOf(image.get()), 40u) << "what decodes keeps the declared size";
        } else {
            EXPECT_FALSE(image) << keep;
        }
    }
    std::vector<uint8_t> huge = tiffWithLibtiff(gradient(4, 4), false);
    Image image;
    EXPECT_EQ(load({'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, image), InvalidParameter) << "directory past the end";
}

TEST_F(Decoding, FormatsLeftToTheProgramsReaders) {
    Image image;
    EXPECT_EQ(load(readFileBytes(corpus("tga/valid/200x32_rgba_tl_raw.tga")), image), UnknownImageFormat);
    EXPECT_EQ(load({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, image), UnknownImageFormat);
    EXPECT_EQ(load({}, image), UnknownImageFormat);

    Rgba rgba{3, 2, {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 255, 40, 50, 60, 200, 0, 0, 0, 255}};
    const std::vector<uint8_t> png = pngWithLibpng(rgba);
    EXPECT_EQ(load(png, image), UnknownImageFormat) << "PNG is the program's own reader's";
    EXPECT_FALSE(image);

    gdiplus::testing::acceptPng(true);
    ASSERT_EQ(load(png, image), Ok);
    const std::vector<Px> pixels = drawn(image.get());
    EXPECT_EQ(pixels[0], opaque(255, 0, 0));
    EXPECT_EQ(pixels[1], (Px{0, 128, 0, 128}));
    EXPECT_EQ(pixels[2], (Px{0, 0, 0, 0}));
    EXPECT_EQ(pixels[4], (Px{47, 39, 31, 200})) << "60, 50, 40 at alpha 200, premultiplied and rounded";
}

TEST_F(Decoding, PlatformFormatsThroughThePictureLoader) {
    // GIF: the transparent index becomes alpha 0, the rest giflib's colours.
    const std::vector<uint8_t> gif = readFileBytes(corpus("gif/valid/transparent.gif"));
    const std::optional<Rgba> reference = giflibDecode(gif);
    ASSERT_TRUE(reference);
    Image image;
    ASSERT_EQ(load(gif, image), Ok);
    ASSERT_EQ(int(widthOf(image.get())), reference->width);
    int clear = 0;
    for (int y = 0; y < reference->height; ++y) {
        for (int x = 0; x < reference->width; ++x) {
            const uint8_t* r = reference->at(x, y);
            const ARGB expected = r[3] ? 0xFF000000u | ARGB(r[0]) << 16 | ARGB(r[1]) << 8 | r[2] : 0;
            ASSERT_EQ(pixelOf(image.get(), x, y), expected) << x << "," << y;
            clear += r[3] == 0;
        }
    }
    EXPECT_GT(clear, 0) << "the file has transparent pixels";

    // JPEG: what libjpeg-turbo decodes.
    const std::vector<uint8_t> jpeg = readFileBytes(corpus("photos/IMG0003.jpg"));
    const std::optional<Rgba> photo = libjpegDecode(jpeg);
    ASSERT_TRUE(photo);
    ASSERT_EQ(load(jpeg, image), Ok);
    ASSERT_EQ(int(widthOf(image.get())), photo->width);
    ASSERT_EQ(int(heightOf(image.get())), photo->height);
    for (int i = 0; i < 50; ++i) {
        const int x = (i * 997) % photo->width, y = (i * 389) % photo->height;
        const uint8_t* r = photo->at(x, y);
        EXPECT_EQ(pixelOf(image.get(), x, y), 0xFF000000u | ARGB(r[0]) << 16 | ARGB(r[1]) << 8 | r[2]);
    }

    // An icon with alpha of its own keeps it.
    ASSERT_EQ(load(readFileBytes(corpus("ico/valid/bmp-32bpp-alpha.ico")), image), Ok);
    PixelFormat format = 0;
    GdipGetImagePixelFormat(image.get(), &format);
    EXPECT_EQ(format, PixelFormat32bppARGB);
}

TEST_F(Decoding, FromFilesByWideName) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("page.tif");
    const std::vector<uint8_t> file = tiffWithLibtiff(gradient(6, 4), true);
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    Image image;
    EXPECT_EQ(GdipLoadImageFromFile(wide(path).c_str(), image.out()), Ok);
    EXPECT_EQ(widthOf(image.get()), 6u);
    EXPECT_EQ(GdipLoadImageFromFile(wide(folder.file("none.tif")).c_str(), image.out()), FileNotFound);
    EXPECT_EQ(GdipLoadImageFromFile(nullptr, image.out()), InvalidParameter);
}

}  // namespace
