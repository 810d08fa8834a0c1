// cImage32: single pixels, rectangles to and from byte arrays, the alpha mask.

#include "image_support.h"

using namespace imagetest;

namespace {

class ImagePixels : public ImageTest {};

constexpr int32_t colour(int r, int g, int b) { return b << 16 | g << 8 | r; }

// A 5 x 3 image of distinct opaque pixels, and one partly transparent pixel at (1, 1).
void makeSample(cImage32& image) {
    ASSERT_TRUE(image.InitializeDIB(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            put(image, x, y, {uint8_t(10 * x + y + 1), uint8_t(50 + x), uint8_t(100 + y), 255});
    put(image, 1, 1, {64, 32, 10, 128});
    image.Alpha(2);
}

// The array GetDIBbits should give, worked out pixel by pixel from the memory.
std::vector<uint8_t> expectedArray(const cImage32& image, int x, int y, int w, int h, bool bgr,
                                   bool is32, bool aligned, bool bottomUp) {
    const int rowLength = is32 ? w * 4 : aligned ? (w * 3 + 3) / 4 * 4 : w * 3;
    std::vector<uint8_t> out(size_t(rowLength * h), 0);
    for (int r = 0; r < h; ++r) {
        uint8_t* d = &out[size_t((bottomUp ? h - 1 - r : r) * rowLength)];
        for (int i = 0; i < w; ++i) {
            const Px p = at(image, x + i, y + r);
            *d++ = bgr ? p.b : p.r;
            *d++ = p.g;
            *d++ = bgr ? p.r : p.b;
            if (is32) *d++ = p.a;
        }
    }
    return out;
}

std::vector<uint8_t> bytesOf(const ByteArray& a) { return {a.data(), a.data() + a.size()}; }

TEST_F(ImagePixels, GetPixelCountsFromTheTopAndTruncatesStraightColour) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(2, 3));
    put(image, 1, 0, {64, 32, 10, 128});
    put(image, 0, 2, {1, 2, 3, 255});
    int32_t alpha = 99;
    // 64 x 255 / 128 = 127.5, 32 x 255 / 128 = 63.75, 10 x 255 / 128 = 19.9: all truncated.
    EXPECT_EQ(image.GetPixel(1, 0, &alpha), colour(19, 63, 127));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(image.GetPixel(1, 0, &alpha, true), colour(10, 32, 64));
    EXPECT_EQ(image.GetPixel(0, 2, &alpha), colour(3, 2, 1));
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(image.GetPixel(0, 0, &alpha), 0);
    EXPECT_EQ(alpha, 0);
    for (auto [x, y] : {std::pair{2, 0}, {0, 3}, {-1, 0}, {0, -1}}) {
        alpha = 99;
        EXPECT_EQ(image.GetPixel(x, y, &alpha), -1) << x << "," << y;
        EXPECT_EQ(alpha, 0);
    }
    cImage32 none;
    EXPECT_EQ(none.GetPixel(0, 0), -1);
}

TEST_F(ImagePixels, SetPixelPremultipliesByTruncation) {
    const int32_t c = colour(200, 100, 50);
    const struct {
        int32_t alpha;
        bool isPreMultiplied;
        Px stored;
        int32_t alphaKind;  // of a blank image afterwards
    } cases[] = {
        {255, false, {50, 100, 200, 255}, 1},
        {255, true, {50, 100, 200, 255}, 1},
        // 50 x 100 / 255 = 19.6, 100 x 100 / 255 = 39.2, 200 x 100 / 255 = 78.4
        {100, false, {19, 39, 78, 100}, 2},
        // Already premultiplied: only the channel above its alpha is scaled.
        {100, true, {50, 100, 78, 100}, 2},
        {0, false, {0, 0, 0, 0}, 2},
        {0, true, {0, 0, 0, 0}, 2},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "alpha " << k.alpha << " pre " << k.isPreMultiplied);
        cImage32 image;
        ASSERT_TRUE(image.InitializeDIB(3, 2));
        put(image, 2, 1, {1, 1, 1, 1});
        uint8_t* written = image.SetPixel(2, 1, c, k.alpha, k.isPreMultiplied);
        EXPECT_EQ(written, addressOf(image, 2, 1));
        EXPECT_EQ(at(image, 2, 1), k.stored);
        EXPECT_EQ(image.Alpha(), k.alphaKind);
    }
}

TEST_F(ImagePixels, SetPixelRefusesWhatLiesOutside) {
    cImage32 image;
    EXPECT_EQ(image.SetPixel(0, 0, 0), nullptr);
    ASSERT_TRUE(image.InitializeDIB(2, 2));
    image.Alpha(0);
    for (auto [x, y, a] : {std::tuple{0, 0, 256}, {0, 0, -1}, {2, 0, 255}, {0, 2, 255}, {-1, 0, 255}})
        EXPECT_EQ(image.SetPixel(x, y, colour(1, 2, 3), a), nullptr) << x << "," << y << " a" << a;
    EXPECT_EQ(memoryOf(image), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(image.Alpha(), 0);
    image.SetPixel(1, 1, colour(1, 2, 3));
    EXPECT_EQ(image.Alpha(), 0) << "an opaque pixel keeps an opaque image opaque";
}

TEST_F(ImagePixels, GetDibBitsDefaultIsTheMemoryItself) {
    cImage32 image;
    makeSample(image);
    ByteArray out;
    ASSERT_TRUE(image.GetDIBbits(out));
    EXPECT_EQ(out.dimensions(), 2);
    EXPECT_EQ(out.countB(), 20u);
    EXPECT_EQ(out.countA(), 3u);
    EXPECT_EQ(bytesOf(out), memoryOf(image));

    ASSERT_TRUE(image.GetDIBbits(out, true, true, true, true, /*asBottomUp=*/false));
    EXPECT_EQ(out(0, 0), 1) << "top-down: the first row is the top row (pixel 0,0 has blue 1)";
    EXPECT_EQ(out(0, 2), 3);
}

TEST_F(ImagePixels, GetDibBitsLayouts) {
    cImage32 image;
    makeSample(image);
    const struct {
        int x, y, w, h;
    } areas[] = {{0, 0, 0, 0}, {1, 1, 3, 2}, {3, 0, 10, 10}, {0, 2, 5, 1}};
    for (const auto& area : areas)
        for (int flags = 0; flags < 32; ++flags) {
            const bool bgr = flags & 1, is32 = flags & 2, aligned = flags & 4, bottomUp = flags & 8,
                       twoDim = flags & 16;
            SCOPED_TRACE(::testing::Message() << "area " << area.x << "," << area.y << " flags "
                                              << flags);
            const int w = std::min(area.w ? area.w : 5, 5 - area.x);
            const int h = std::min(area.h ? area.h : 3, 3 - area.y);
            ByteArray out;
            ASSERT_TRUE(image.GetDIBbits(out, twoDim, bgr, is32, aligned, bottomUp, area.x, area.y,
                                         area.w, area.h));
            const auto want = expectedArray(image, area.x, area.y, w, h, bgr, is32, aligned, bottomUp);
            EXPECT_EQ(bytesOf(out), want);
            EXPECT_EQ(out.dimensions(), twoDim ? 2 : 1);
            EXPECT_EQ(out.countA(), twoDim ? size_t(h) : 1u);
        }
}

TEST_F(ImagePixels, GetDibBits24BitRowsArePaddedWithZeros) {
    cImage32 image;
    makeSample(image);
    ByteArray out;
    ASSERT_TRUE(image.GetDIBbits(out, true, true, /*as32bpp=*/false, /*asWordAligned=*/true));
    EXPECT_EQ(out.countB(), 16u) << "5 pixels of 3 bytes, padded to 16";
    for (size_t row = 0; row < 3; ++row) EXPECT_EQ(out(15, row), 0) << row;
    ASSERT_TRUE(image.GetDIBbits(out, true, true, false, /*asWordAligned=*/false));
    EXPECT_EQ(out.countB(), 15u);
}

TEST_F(ImagePixels, GetDibBitsStraightColour) {
    cImage32 image;
    fill(image, {{{64, 32, 10, 128}, {5, 5, 5, 0}, {7, 8, 9, 255}}});
    ByteArray out;
    ASSERT_TRUE(image.GetDIBbits(out, false, true, true, true, true, 0, 0, 0, 0,
                                 /*asPreMultiplied=*/false));
    // Truncated: 127.5, 63.75, 19.9. A transparent pixel is all 0 whatever it stores.
    EXPECT_EQ(bytesOf(out), (std::vector<uint8_t>{127, 63, 19, 128, 0, 0, 0, 0, 7, 8, 9, 255}));
    ASSERT_TRUE(image.GetDIBbits(out, false, true, true, true, true, 0, 0, 0, 0, true));
    EXPECT_EQ(out(4), 5) << "premultiplied: the stored bytes";
}

TEST_F(ImagePixels, ArrayMembersRefuseRectanglesWithNothingInThem) {
    cImage32 none;
    ByteArray out;
    EXPECT_FALSE(none.GetDIBbits(out));
    EXPECT_FALSE(none.GetAlphaMask(out));
    EXPECT_FALSE(none.SetDIBbits(std::vector<uint8_t>(64, 1)));

    cImage32 image;
    makeSample(image);
    const std::vector<uint8_t> before = memoryOf(image);
    const std::vector<uint8_t> input(1024, 7);
    const struct {
        int x, y, w, h;
    } refused[] = {{5, 0, 0, 0}, {0, 3, 0, 0}, {9, 9, 1, 1}, {-1, 0, 1, 1},
                   {0, -1, 1, 1}, {0, 0, -2, 1}, {0, 0, 1, -2}};
    for (const auto& r : refused) {
        SCOPED_TRACE(::testing::Message() << r.x << "," << r.y << " " << r.w << "x" << r.h);
        EXPECT_FALSE(image.GetDIBbits(out, true, true, true, true, true, r.x, r.y, r.w, r.h));
        EXPECT_FALSE(image.GetAlphaMask(out, true, true, true, r.x, r.y, r.w, r.h));
        EXPECT_FALSE(image.SetDIBbits(input, true, true, true, true, r.x, r.y, r.w, r.h));
    }
    EXPECT_EQ(memoryOf(image), before);
    EXPECT_EQ(image.Alpha(), 2) << "a refused write classifies nothing";
}

TEST_F(ImagePixels, SetDibBitsTakesBackWhatGetDibBitsGave) {
    cImage32 source;
    makeSample(source);
    for (int flags = 0; flags < 16; ++flags) {
        const bool bgr = flags & 1, is32 = flags & 2, aligned = flags & 4, bottomUp = flags & 8;
        SCOPED_TRACE(::testing::Message() << "flags " << flags);
        ByteArray out;
        ASSERT_TRUE(source.GetDIBbits(out, true, bgr, is32, aligned, bottomUp));
        cImage32 target;
        ASSERT_TRUE(target.InitializeDIB(5, 3));
        if (!is32) {
            // 24 bits carry no alpha: the target keeps its own, and comes out opaque.
            ASSERT_TRUE(target.SetDIBbits(out.span(), bgr, is32, aligned, bottomUp));
            EXPECT_EQ(target.Alpha(), 0);
            EXPECT_EQ(at(target, 4, 2), at(source, 4, 2));
            continue;
        }
        ASSERT_TRUE(target.SetDIBbits(out.span(), bgr, is32, aligned, bottomUp));
        EXPECT_EQ(memoryOf(target), memoryOf(source));
        EXPECT_EQ(target.Alpha(), 2);
        EXPECT_EQ(target.ImageType(), 0) << "the image type is not changed";
    }
}

TEST_F(ImagePixels, SetDibBitsReadsRowsInTheOrderAsked) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(1, 2));
    const std::vector<uint8_t> rows{1, 2, 3, 255, 4, 5, 6, 255};
    ASSERT_TRUE(image.SetDIBbits(rows, true, true, true, /*isBottomUp=*/false));
    EXPECT_EQ(at(image, 0, 0), (Px{1, 2, 3, 255})) << "top-down: first row on top";
    ASSERT_TRUE(image.SetDIBbits(rows, /*isBGRformat=*/false, true, true, /*isBottomUp=*/true));
    EXPECT_EQ(at(image, 0, 1), (Px{3, 2, 1, 255})) << "bottom-up: first row at the bottom, RGB";
}

TEST_F(ImagePixels, SetDibBitsNeedsEnoughInput) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(5, 2));
    // 24-bit word-aligned rows of 5 pixels are 16 bytes: 32 needed.
    EXPECT_FALSE(image.SetDIBbits(std::vector<uint8_t>(31, 9), true, false, true));
    EXPECT_FALSE(image.SetDIBbits({}, true, false, true));
    EXPECT_EQ(memoryOf(image), std::vector<uint8_t>(40, 0));
    EXPECT_TRUE(image.SetDIBbits(std::vector<uint8_t>(32, 9), true, false, true));
    EXPECT_EQ(at(image, 4, 0), (Px{9, 9, 9, 255}));
}

TEST_F(ImagePixels, SetDibBitsPremultipliesStraightInput) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(1, 1));
    // Blue 200 above alpha 128 marks straight colour: 100.4, 50.2, 25.1 truncated.
    ASSERT_TRUE(image.SetDIBbits(std::vector<uint8_t>{200, 100, 50, 128}));
    EXPECT_EQ(at(image, 0, 0), (Px{100, 50, 25, 128}));
    EXPECT_EQ(image.Alpha(), 2);
}

TEST_F(ImagePixels, SetDibBitsOfARectanglePremultipliesOnlyThatRectangle) {
    cImage32 image;
    fill(image, {{{100, 50, 25, 128}, {0, 0, 0, 0}, {0, 0, 0, 0}}});
    ASSERT_TRUE(image.SetDIBbits(std::vector<uint8_t>{200, 100, 50, 128}, true, true, true, true,
                                 /*dstx=*/2, 0, /*dstwidth=*/1, 1));
    EXPECT_EQ(at(image, 2, 0), (Px{100, 50, 25, 128})) << "the straight input, premultiplied";
    EXPECT_EQ(at(image, 0, 0), (Px{100, 50, 25, 128})) << "premultiplied once, not again";
    EXPECT_EQ(image.Alpha(), 2);
}

TEST_F(ImagePixels, SetDibBitsOf24BitsIntoABlankImage) {
    cImage32 whole;
    ASSERT_TRUE(whole.InitializeDIB(2, 1));
    ASSERT_TRUE(whole.SetDIBbits(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}, true, false));
    EXPECT_EQ(at(whole, 0, 0), (Px{1, 2, 3, 255}));
    EXPECT_EQ(at(whole, 1, 0), (Px{4, 5, 6, 255}));
    EXPECT_EQ(whole.Alpha(), 0) << "alpha all 0 counts as opaque: 255 everywhere";

    // Into a rectangle: that rectangle turns opaque, the rest stays transparent.
    cImage32 part;
    ASSERT_TRUE(part.InitializeDIB(3, 2));
    ASSERT_TRUE(part.SetDIBbits(std::vector<uint8_t>{7, 8, 9, 0}, true, false, true, true, 1, 0, 1, 1));
    EXPECT_EQ(at(part, 1, 0), (Px{7, 8, 9, 255}));
    EXPECT_EQ(at(part, 0, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(at(part, 1, 1), (Px{0, 0, 0, 0}));
    EXPECT_EQ(part.Alpha(), 1);
}

TEST_F(ImagePixels, SetDibBitsOf32BitsKeepsTransparentPixelsTransparent) {
    // 32-bit input with every alpha byte 0 into a 3 x 1 image, at x = 1 (one pixel) or
    // x = 1..2 (two). Alpha 0 means "no alpha" only when the whole image is then alpha 0.
    constexpr Px kOpaque{10, 20, 30, 255}, kClear{0, 0, 0, 0};
    struct Case {
        const char* name;
        Px before;  // every pixel of the image
        std::vector<uint8_t> input;
        Px written, untouched;
        int32_t alpha;
    };
    const Case cases[] = {
        {"a clear pixel into an opaque image", kOpaque, {0, 0, 0, 0}, kClear, kOpaque, 1},
        {"colour under alpha 0: straight, so clear", kOpaque, {7, 8, 9, 0}, kClear, kOpaque, 1},
        {"two clear pixels", kOpaque, {0, 0, 0, 0, 5, 6, 7, 0}, kClear, kOpaque, 1},
        {"into a blank image: all alpha 0, so opaque", kClear, {7, 8, 9, 0}, Px{7, 8, 9, 255}, kClear, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        fill(image, {{c.before, c.before, c.before}});
        image.Alpha(c.before.a == 255 ? 0 : 1);
        const int32_t width = int32_t(c.input.size() / 4);
        ASSERT_TRUE(image.SetDIBbits(c.input, true, true, true, true, 1, 0, width, 1));
        EXPECT_EQ(at(image, 1, 0), c.written);
        EXPECT_EQ(at(image, 0, 0), c.untouched);
        EXPECT_EQ(image.Alpha(), c.alpha);
    }
}

TEST_F(ImagePixels, AlphaMask) {
    cImage32 image;
    fill(image, {{{0, 0, 0, 10}, {0, 0, 0, 20}, {0, 0, 0, 30}, {0, 0, 0, 40}, {0, 0, 0, 50}},
                 {{0, 0, 0, 60}, {0, 0, 0, 70}, {0, 0, 0, 80}, {0, 0, 0, 90}, {0, 0, 0, 99}}});
    ByteArray mask;
    ASSERT_TRUE(image.GetAlphaMask(mask));
    EXPECT_EQ(bytesOf(mask), (std::vector<uint8_t>{60, 70, 80, 90, 99, 0, 0, 0,  //
                                                   10, 20, 30, 40, 50, 0, 0, 0}))
        << "rows of 8 bytes, the bottom row first";
    ASSERT_TRUE(image.GetAlphaMask(mask, false, false, false, 3, 0, 0, 0));
    EXPECT_EQ(mask.dimensions(), 1);
    EXPECT_EQ(bytesOf(mask), (std::vector<uint8_t>{40, 50, 90, 99}));
}

}  // namespace
