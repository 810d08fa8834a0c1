// cImage32's copies, Resize and TrimImage, with Qt's mirror as the oracle.

#include <QImage>

#include <random>

#include "qimage_support.h"
#include "render_access.h"

using namespace imagetest;

namespace {

class Copy : public ImageTest {};

const std::vector<uint8_t> kKeptBytes = {0x89, 'P', 'N', 'G', 1, 2, 3};

// A 7 x 5 image with transparent and partly transparent pixels, its codes and kept bytes.
void sourceImage(cImage32& image) {
    std::mt19937 random(7);
    randomImage(image, 7, 5, true, random);
    image.ImageType(cImage32::ImageTypeTGA);
    image.SetDIBOriginalFormat(kKeptBytes);
}

std::vector<uint8_t> keptBytesOf(const cImage32& image) {
    std::vector<uint8_t> bytes;
    image.GetOriginalFormat(bytes);
    return bytes;
}

QImage mirroredBySigns(const QImage& image, int32_t w, int32_t h) { return image.mirrored(w < 0, h < 0); }

TEST_F(Copy, IntoNoObjectMakesATargetWithTheSourcesSizeCodesAndSettings) {
    struct Case {
        bool gdiplus, highQuality, keepFormat;
    };
    for (const Case c : {Case{true, true, false}, Case{false, false, true}, Case{true, false, true}}) {
        SCOPED_TRACE(testing::Message() << "GDI+ " << c.gdiplus << ", interpolation " << c.highQuality);
        cImage32 image;
        sourceImage(image);
        image.isGDIplusEnabled(c.gdiplus);
        image.HighQualityInterpolation(c.highQuality);
        image.gdiToken(41);
        std::unique_ptr<cImage32> target;
        image.CopyImageTo(target, 0, 0, c.keepFormat);
        ASSERT_TRUE(target);
        EXPECT_EQ(target->Width(), 7);
        EXPECT_EQ(target->Height(), 5);
        EXPECT_EQ(target->ImageType(), cImage32::ImageTypeTGA);
        EXPECT_EQ(target->Alpha(), cImage32::AlphaPartial);
        EXPECT_EQ(target->isGDIplusEnabled(), c.gdiplus);
        EXPECT_EQ(target->HighQualityInterpolation(), c.highQuality);
        EXPECT_EQ(target->gdiToken(), 41);
        EXPECT_EQ(memoryOf(*target), memoryOf(image));  // the same size: byte for byte
        EXPECT_EQ(keptBytesOf(*target), c.keepFormat ? kKeptBytes : std::vector<uint8_t>{});
        image.gdiToken(0);
    }
}

TEST_F(Copy, NothingWithoutAnImageAndNothingOntoItself) {
    cImage32 empty;
    std::unique_ptr<cImage32> target;
    empty.CopyImageTo(target);
    EXPECT_FALSE(target);

    auto image = std::make_unique<cImage32>();
    placeImage(*image, 3, 2);
    const std::vector<uint8_t> before = memoryOf(*image);
    cImage32* self = image.get();
    self->CopyImageTo(image, -6, 4);
    EXPECT_EQ(memoryOf(*image), before);
}

TEST_F(Copy, NegativeSizesOfTheImagesOwnMagnitudeMirrorLikeQt) {
    for (const bool gdiplus : {true, false})
        for (const auto& [w, h] : {std::pair{-7, 5}, std::pair{7, -5}, std::pair{-7, -5}}) {
            SCOPED_TRACE(testing::Message() << (gdiplus ? "GDI+" : "own") << " " << w << " x " << h);
            cImage32 image;
            sourceImage(image);
            image.isGDIplusEnabled(gdiplus);
            std::unique_ptr<cImage32> target = std::make_unique<cImage32>();
            // A target of the right size keeps its pixels until the copy: none may show.
            placeImage(*target, 7, 5);
            image.CopyImageTo(target, w, h);
            expectSamePixels(*target, mirroredBySigns(toQImage(image), w, h));
        }
}

TEST_F(Copy, NegativeSizesOfAnotherMagnitudeScaleTheMirrorWithoutWritingPastTheTarget) {
    // The oracle: Qt's mirror of the source, scaled by the same resampler.
    struct Case {
        int32_t w, h;
        bool interpolate;
    };
    const Case cases[] = {{-14, 5, false}, {-3, -9, false}, {7, -2, true}, {-11, -8, true}, {-1, -1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << (c.interpolate ? " interpolating" : ""));
        cImage32 image, mirrored;
        sourceImage(image);
        image.isGDIplusEnabled(false);
        image.HighQualityInterpolation(c.interpolate);
        const QImage flipped = mirroredBySigns(toQImage(image), c.w, c.h);
        ASSERT_TRUE(mirrored.InitializeDIB(7, 5));
        for (int y = 0; y < 5; ++y) std::memcpy(addressOf(mirrored, 0, y), flipped.constScanLine(y), 7 * 4);
        mirrored.isGDIplusEnabled(false);
        mirrored.HighQualityInterpolation(c.interpolate);

        std::unique_ptr<cImage32> target, expected;
        image.CopyImageTo(target, c.w, c.h);
        mirrored.CopyImageTo(expected, std::abs(c.w), std::abs(c.h));
        ASSERT_TRUE(target && expected);
        EXPECT_EQ(target->Width(), std::abs(c.w));
        EXPECT_EQ(target->Height(), std::abs(c.h));
        EXPECT_EQ(memoryOf(*target), memoryOf(*expected));
    }
}

TEST_F(Copy, ResizeToTheCurrentSizeChangesNothing) {
    cImage32 image;
    sourceImage(image);
    const std::vector<uint8_t> before = memoryOf(image);
    uint8_t* const bits = image.BitsPointer();
    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{7, 5}, std::pair{0, 5}}) {
        EXPECT_TRUE(image.Resize(w, h));
        EXPECT_EQ(image.BitsPointer(), bits);
        EXPECT_EQ(memoryOf(image), before);
    }
    cImage32 empty;
    EXPECT_FALSE(empty.Resize(4, 4));
}

TEST_F(Copy, ResizeKeepsCodesKeptBytesTagAndSettingsOnEveryRoad) {
    // Enlarging 2x: every nearest-neighbour road repeats each pixel twice both ways.
    struct Case {
        const char* road;
        bool gdiplus, highQuality, alphaBlend;
        int32_t w, h;
        bool nearest;
    };
    const Case cases[] = {
        {"GDI+, interpolating", true, true, true, 6, 4, false},
        {"mirror", false, false, true, -3, 2, false},
        {"mirror and scale", true, false, true, -6, 4, true},
        {"own resampler, no AlphaBlend", false, false, false, 6, 4, true},
        {"own resampler, interpolating", false, true, true, 6, 4, false},
        {"Render through GDI+", true, false, true, 6, 4, true},
        {"Render through the own pipeline", false, false, true, 6, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.road);
        cImage32 image;
        placeImage(image, 3, 2);
        image.ImageType(cImage32::ImageTypeGIF);
        image.Alpha(cImage32::AlphaOpaque);
        image.SetDIBOriginalFormat(kKeptBytes);
        image.Tag(std::string("tag"));
        image.isGDIplusEnabled(c.gdiplus);
        image.HighQualityInterpolation(c.highQuality);
        image.isAlphaBlendFriendly(c.alphaBlend);
        const QImage before = toQImage(image);

        ASSERT_TRUE(image.Resize(c.w, c.h));
        EXPECT_EQ(image.Width(), std::abs(c.w));
        EXPECT_EQ(image.Height(), std::abs(c.h));
        EXPECT_EQ(image.ImageType(), cImage32::ImageTypeGIF);
        EXPECT_EQ(image.Alpha(), cImage32::AlphaOpaque);
        EXPECT_EQ(keptBytesOf(image), kKeptBytes);
        EXPECT_EQ(std::any_cast<std::string>(image.Tag()), "tag");
        EXPECT_EQ(image.isAlphaBlendFriendly(), c.alphaBlend);
        EXPECT_EQ(image.HighQualityInterpolation(), c.highQuality);
        const QImage oriented = mirroredBySigns(before, c.w, c.h);
        if (c.nearest || std::abs(c.w) == 3)
            expectSamePixels(image, oriented.scaled(std::abs(c.w), std::abs(c.h)));
    }
}

// ---- TrimImage ------------------------------------------------------------------------------

struct Box {
    int32_t x, y, w, h;
    friend bool operator==(const Box&, const Box&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Box& b) {
        return os << "(" << b.x << ", " << b.y << ", " << b.w << " x " << b.h << ")";
    }
};

Box trim(cImage32& image, bool update, int32_t method, bool& found) {
    Box b{-1, -1, -1, -1};
    found = image.TrimImage(update, method, b.x, b.y, b.w, b.h);
    return b;
}

TEST_F(Copy, TrimFindsNothingInATransparentImageAndTheCornerPixel) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(6, 4));
    bool found = true;
    EXPECT_EQ(trim(image, true, 0, found), (Box{0, 0, 0, 0}));
    EXPECT_FALSE(found);
    EXPECT_EQ(image.Width(), 6);
    // Left and right alone search the columns too.
    EXPECT_EQ(trim(image, true, 1 | 4, found), (Box{0, 0, 0, 0}));
    EXPECT_FALSE(found);

    put(image, 5, 0, {0, 0, 0, 1});  // barely visible, top right
    EXPECT_EQ(trim(image, false, 0, found), (Box{5, 0, 1, 1}));
    EXPECT_TRUE(found);

    EXPECT_EQ(trim(image, false, -1, found), (Box{-1, -1, -1, -1}));
    EXPECT_FALSE(found);
    cImage32 empty;
    trim(empty, false, 0, found);
    EXPECT_FALSE(found);
}

TEST_F(Copy, TrimFindsOnlyTheEdgesTheMethodNames) {
    // Visible pixels span columns 1..5 and rows 1..4 of a 8 x 6 image.
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(8, 6));
    put(image, 2, 1, {9, 9, 9, 255});
    put(image, 5, 3, {1, 0, 0, 40});
    put(image, 1, 4, {3, 3, 3, 200});
    for (int32_t method = 0; method < 16; ++method) {
        const int32_t m = method == 0 ? 15 : method;
        const int32_t left = m & 1 ? 1 : 0, top = m & 2 ? 1 : 0, right = m & 4 ? 5 : 7, bottom = m & 8 ? 4 : 5;
        bool found = false;
        EXPECT_EQ(trim(image, false, method, found), (Box{left, top, right - left + 1, bottom - top + 1}))
            << "Method " << method;
        EXPECT_TRUE(found);
    }
    // Rows chosen first bound the column search: the pixel at column 1 lies below row 3.
    cImage32 narrow;
    ASSERT_TRUE(narrow.InitializeDIB(4, 4));
    put(narrow, 0, 3, {0, 0, 0, 255});
    put(narrow, 2, 0, {0, 0, 0, 255});
    bool found = false;
    EXPECT_EQ(trim(narrow, false, 1 | 8, found), (Box{0, 0, 4, 4}));
    EXPECT_EQ(trim(narrow, false, 1 | 2, found), (Box{0, 0, 4, 4}));
}

TEST_F(Copy, TrimWithUpdateCropsAndKeepsTheCodes) {
    cImage32 image;
    placeImage(image, 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            if (x < 2 || y < 1 || y > 3) put(image, x, y, {0, 0, 0, 0});
    image.ImageType(cImage32::ImageTypePNG);
    image.Alpha(cImage32::AlphaBinary);
    image.SetDIBOriginalFormat(kKeptBytes);
    image.Tag(5);

    bool found = false;
    EXPECT_EQ(trim(image, false, 0, found), (Box{2, 1, 6, 3}));
    EXPECT_EQ(image.Width(), 8);
    EXPECT_EQ(trim(image, true, 0, found), (Box{0, 0, 6, 3}));
    ASSERT_EQ(image.Width(), 6);
    ASSERT_EQ(image.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(at(image, x, y), (Px{uint8_t(x + 2), uint8_t(y + 1), 90, 255}));
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypePNG);
    EXPECT_EQ(image.Alpha(), cImage32::AlphaBinary);
    EXPECT_EQ(keptBytesOf(image), kKeptBytes);
    EXPECT_EQ(std::any_cast<int>(image.Tag()), 5);

    // A box of the whole image: nothing to crop.
    uint8_t* const bits = image.BitsPointer();
    EXPECT_EQ(trim(image, true, 0, found), (Box{0, 0, 6, 3}));
    EXPECT_EQ(image.BitsPointer(), bits);
}

}  // namespace
