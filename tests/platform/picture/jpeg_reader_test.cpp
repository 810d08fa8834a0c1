// JPEG: our pictures against libjpeg-turbo's own decode of the same bytes (the same
// library, so exactly equal), CMYK against ImageMagick, and hostile streams.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "oracles.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "support/temp_folder.h"

using namespace picture;
using namespace picture::test;
using namespace gdi;

namespace {

// J_COLOR_SPACE values, so that this file needs no jpeglib.h.
constexpr int kGrey = 1, kRgb = 2, kYCbCr = 3, kCmyk = 4, kYcck = 5;

void expectSameAsLibjpeg(const std::vector<uint8_t>& jpeg) {
    std::string why;
    const Picture p = TryLoadPictureFromBytes(jpeg, &why);
    ASSERT_TRUE(p) << why;
    const auto reference = libjpegRgb(jpeg);
    ASSERT_TRUE(reference);
    DIBSECTION ds{};
    ASSERT_EQ(GetObject(p.Handle(), sizeof(ds), &ds), int(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
    EXPECT_GT(ds.dsBmih.biHeight, 0) << "bottom-up";
    const Rgba ours = bitmapRgba(p);
    ASSERT_EQ(ours.width, reference->width);
    ASSERT_EQ(ours.height, reference->height);
    size_t differences = 0;
    for (size_t i = 0; i < size_t(ours.width) * ours.height; ++i)
        for (int c = 0; c < 3; ++c)
            differences += ours.pixels[i * 4 + size_t(c)] != reference->pixels[i * 3 + size_t(c)];
    EXPECT_EQ(differences, 0u);
}

// A smooth test card: gradients with a few hard edges.
std::vector<uint8_t> card(int width, int height, int components) {
    std::vector<uint8_t> s;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                s.push_back(uint8_t((x * 255 / width + y * (c + 1) * 37 / height + ((x / 8 + y / 8) % 2) * 40 * c) & 0xFF));
    return s;
}

// Index of the first byte of the last scan (its SOS marker) of a JPEG.
size_t lastScan(const std::vector<uint8_t>& jpeg) {
    size_t at = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) at = i;
    return at;
}

}  // namespace

TEST(JpegCorpus, PhotosDecodeExactlyAsLibjpegTurboDoes) {
    int count = 0;
    for (const std::string& path : filesIn(corpus("photos"))) {
        if (path.ends_with(".png") || path.ends_with(".md") || path.ends_with(".txt")) continue;
        SCOPED_TRACE(baseName(path));
        expectSameAsLibjpeg(readBytes(path));
        ++count;
    }
    EXPECT_GE(count, 2);
}

TEST(JpegVariants, ProgressiveGreyscaleSubsampledAndRgbMatchLibjpegTurbo) {
    struct Case { const char* name; int components, space, stored; bool progressive, subsample; };
    const Case cases[] = {
        {"baseline 4:4:4", 3, kRgb, -1, false, false},
        {"baseline 4:2:0", 3, kRgb, -1, false, true},
        {"progressive", 3, kRgb, -1, true, true},
        {"greyscale", 1, kGrey, -1, false, false},
        {"greyscale progressive", 1, kGrey, -1, true, false},
        {"stored as RGB", 3, kRgb, kRgb, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 37x29: partial MCUs at both edges.
        expectSameAsLibjpeg(encodeJpeg(37, 29, c.components, c.space, card(37, 29, c.components),
                                       c.progressive, c.stored, c.subsample));
    }
}

TEST(JpegVariants, CmykAndYcckComeOutAsImageMagickShowsThem) {
    // Inks as Adobe stores them (inverted), marked by the Adobe segment libjpeg writes.
    const std::vector<uint8_t> inks = card(24, 16, 4);
    const std::vector<uint8_t> cmyk = encodeJpeg(24, 16, 4, kCmyk, inks, false);
    const std::vector<uint8_t> ycck = encodeJpeg(24, 16, 4, kCmyk, inks, false, kYcck);
    testsupport::TempFolder folder;
    const std::string path = folder.file("cmyk.jpg");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(cmyk.data(), 1, cmyk.size(), f);
    std::fclose(f);
    const auto reference = magickRgba(path);
    ASSERT_TRUE(reference);
    for (const auto* bytes : {&cmyk, &ycck}) {
        std::string why;
        const Picture p = TryLoadPictureFromBytes(*bytes, &why);
        ASSERT_TRUE(p) << why;
        const Rgba ours = bitmapRgba(p);
        ASSERT_EQ(ours.width, 24);
        int worst = 0;
        for (size_t i = 0; i < ours.pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(ours.pixels[i + c]) - int(reference->pixels[i + c])));
        // ImageMagick rounds through 16-bit quanta; YCCK adds its colour conversion.
        EXPECT_LE(worst, bytes == &cmyk ? 1 : 3) << (bytes == &cmyk ? "CMYK" : "YCCK");
    }
}

TEST(JpegHostile, AStreamThatEndsEarlyDecodesAsTheLibraryPadsIt) {
    std::vector<uint8_t> jpeg = encodeJpeg(40, 40, 3, kRgb, card(40, 40, 3), false);
    jpeg.resize(jpeg.size() * 2 / 3);
    expectSameAsLibjpeg(jpeg);
}

TEST(JpegHostile, BrokenStreamsAreRefusedWithTheLibrarysReason) {
    const std::vector<uint8_t> good = encodeJpeg(16, 16, 3, kRgb, card(16, 16, 3), false);
    struct Case { const char* name; std::vector<uint8_t> bytes; };
    std::vector<Case> cases = {
        {"signature only", {0xFF, 0xD8, 0xFF}},
        {"header cut off", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
        {"garbage after the signature", {0xFF, 0xD8, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A}},
    };
    std::vector<uint8_t> noImage = good;  // SOS turned into an unknown marker
    noImage[lastScan(noImage) + 1] = 0x01;
    cases.push_back({"no scan", noImage});
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(TryLoadPictureFromBytes(c.bytes, &why)) << c.name;
        EXPECT_EQ(why.rfind("JPEG: ", 0), 0u) << c.name << ": " << why;
    }
}

TEST(JpegHostile, AbsurdDimensionsAreRefusedBeforeAnyPixelMemory) {
    std::vector<uint8_t> jpeg = encodeJpeg(16, 16, 3, kRgb, card(16, 16, 3), false);
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // SOF0: length, precision, height, width
            jpeg[i + 5] = 0xEA, jpeg[i + 6] = 0x60;     // 60000
            jpeg[i + 7] = 0xEA, jpeg[i + 8] = 0x60;
            break;
        }
    }
    std::string why;
    EXPECT_FALSE(TryLoadPictureFromBytes(jpeg, &why));
    EXPECT_EQ(why, "JPEG: 60000x60000 is too large");
}

TEST(JpegHostile, MoreThanAThousandScansAreRefused) {
    // The last scan of a progressive stream, repeated: the library only warns about the
    // repeats, but each one is another pass over the whole picture.
    const std::vector<uint8_t> jpeg = encodeJpeg(16, 16, 3, kRgb, card(16, 16, 3), true);
    const size_t scan = lastScan(jpeg);
    const std::vector<uint8_t> body(jpeg.begin() + ptrdiff_t(scan), jpeg.end() - 2);  // without EOI
    std::vector<uint8_t> many(jpeg.begin(), jpeg.begin() + ptrdiff_t(scan));
    for (int i = 0; i < 1001; ++i) many.insert(many.end(), body.begin(), body.end());
    many.insert(many.end(), {0xFF, 0xD9});
    std::string why;
    EXPECT_FALSE(TryLoadPictureFromBytes(many, &why));
    EXPECT_EQ(why, "JPEG: more than 1000 scans");
    // A few repeats are only warnings.
    std::vector<uint8_t> few(jpeg.begin(), jpeg.begin() + ptrdiff_t(scan));
    for (int i = 0; i < 3; ++i) few.insert(few.end(), body.begin(), body.end());
    few.insert(few.end(), {0xFF, 0xD9});
    EXPECT_TRUE(TryLoadPictureFromBytes(few, &why)) << why;
}
