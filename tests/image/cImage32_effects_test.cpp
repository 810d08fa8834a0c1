// cImage32's pixel effects and the drop shadow; Qt's mirror and a plain window sum as
// oracles.

#include <QImage>

#include <algorithm>
#include <functional>
#include <random>

#include "image/compositing.h"
#include "image/modParsers.h"
#include "qimage_support.h"
#include "render_access.h"

using namespace imagetest;

namespace {

class Effects : public ImageTest {};

constexpr Px kRed{0, 0, 255, 255}, kClear{0, 0, 0, 0};

// Colours &HBBGGRR.
constexpr int32_t kOrange = 0x0080FF, kTeal = 0x808000;

TEST_F(Effects, EveryEffectNeedsAnImage) {
    cImage32 empty;
    EXPECT_FALSE(empty.CreateCheckerBoard());
    EXPECT_FALSE(empty.MakeGrayScale(0));
    EXPECT_FALSE(empty.MakeImageInverse());
    EXPECT_FALSE(empty.MakeTransparent(0));
    EXPECT_FALSE(empty.MirrorImage(true, true));
    EXPECT_FALSE(empty.CreateDropShadow());
    EXPECT_FALSE(empty.RenderDropShadowDirect(0, 0, 0, 4, 0, 100, 0, &empty));
    EXPECT_FALSE(empty.MakeLighterDarker(20));
    EXPECT_FALSE(empty.BlendToColor(0, 50));
}

TEST_F(Effects, PixelEffectsTable) {
    // One row: opaque red, a half-covered colour, an invisible pixel that carries colour
    // (which no effect may touch) and a transparent one.
    const std::vector<Px> row = {kRed, {40, 64, 100, 128}, {10, 20, 30, 0}, kClear};
    struct Case {
        const char* name;
        std::function<bool(cImage32&)> effect;
        bool result;
        std::vector<Px> after;
    };
    const Case cases[] = {
        {"grayscale, formula 0", [](cImage32& i) { return i.MakeGrayScale(0); }, true,
         // 255 x 0.299 = 76.2; 40 x .114 + 64 x .587 + 100 x .299 = 72.03
         {{76, 76, 76, 255}, {72, 72, 72, 128}, {10, 20, 30, 0}, kClear}},
        {"grayscale, formula -1", [](cImage32& i) { return i.MakeGrayScale(-1); }, false, row},
        {"inverse", [](cImage32& i) { return i.MakeImageInverse(); }, true,
         {{255, 255, 0, 255}, {88, 64, 28, 128}, {10, 20, 30, 0}, kClear}},
        {"tint 100 %", [](cImage32& i) { return i.BlendToColor(kOrange, 100); }, true,
         {{0, 128, 255, 255}, {0, 64, 128, 128}, {10, 20, 30, 0}, kClear}},
        {"tint above 100 %", [](cImage32& i) { return i.BlendToColor(kOrange, 300); }, true,
         {{0, 128, 255, 255}, {0, 64, 128, 128}, {10, 20, 30, 0}, kClear}},
        // (a x 50 x C + 255 x c x 50) \ 25500: blue (0 + 510000) \ 25500 = 20, green
        // (128 x 50 x 128 + 255 x 64 x 50) \ 25500 = 64, red (128 x 50 x 255 + 1275000) \ 25500 = 114
        {"tint 50 %", [](cImage32& i) { return i.BlendToColor(kOrange, 50); }, true,
         {{0, 64, 255, 255}, {20, 64, 114, 128}, {10, 20, 30, 0}, kClear}},
        {"tint 0 %", [](cImage32& i) { return i.BlendToColor(kOrange, 0); }, true, row},
        {"lighter by 50 %", [](cImage32& i) { return i.MakeLighterDarker(50); }, true,
         {{127, 127, 255, 255}, {104, 128, 128, 128}, {10, 20, 30, 0}, kClear}},
        {"lighter by 0", [](cImage32& i) { return i.MakeLighterDarker(0); }, false, row},
        {"lighter by 150", [](cImage32& i) { return i.MakeLighterDarker(150); }, false, row},
        {"darker by 150", [](cImage32& i) { return i.MakeLighterDarker(-150); }, false, row},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        fill(image, {row});
        image.Alpha(cImage32::AlphaPartial);
        image.ImageType(cImage32::ImageTypePNG);
        EXPECT_EQ(c.effect(image), c.result);
        for (size_t x = 0; x < row.size(); ++x) EXPECT_EQ(at(image, int(x), 0), c.after[x]) << "pixel " << x;
        EXPECT_EQ(image.Alpha(), cImage32::AlphaPartial);
        EXPECT_EQ(image.ImageType(), cImage32::ImageTypePNG);
    }
}

TEST_F(Effects, TintsKeepEveryPixelPremultiplied) {
    std::mt19937 random(3);
    for (const int32_t opacity : {1, 33, 50, 99}) {
        cImage32 image;
        randomImage(image, 40, 30, true, random);
        const std::vector<uint8_t> before = memoryOf(image);
        ASSERT_TRUE(image.BlendToColor(0xFFFFFF, opacity));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const Px p = at(image, x, y);
                ASSERT_TRUE(p.b <= p.a && p.g <= p.a && p.r <= p.a) << p << " at opacity " << opacity;
                ASSERT_EQ(p.a, before[size_t(((29 - y) * 40 + x) * 4 + 3)]);
            }
    }
}

TEST_F(Effects, WholeImagesFollowEachPixelsFormula) {
    // 37 x 3 pixels: whole groups of eight and four and a remainder, every kind of alpha;
    // with the plain kernels and, where the processor has them, the wide ones.
    const bool wide = compositing::wideKernels();
    for (const bool kernels : {false, wide}) {
        SCOPED_TRACE(kernels ? "wide kernels" : "plain kernels");
        compositing::useWideKernels(kernels);
        std::mt19937 random(9);
        cImage32 image;
        randomImage(image, 37, 3, true, random);
        const std::vector<uint8_t> original = memoryOf(image);
        auto expectEach = [&](const char* name, const std::function<Px(Px)>& formula) {
            SCOPED_TRACE(name);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 37; ++x) {
                    const uint8_t* o = &original[size_t(((2 - y) * 37 + x) * 4)];
                    const Px before{o[0], o[1], o[2], o[3]};
                    ASSERT_EQ(at(image, x, y), before.a ? formula(before) : before) << "from " << before;
                }
            std::memcpy(image.BitsPointer(), original.data(), original.size());
        };
        for (const int32_t formula : {0, 1, 2, 3, 5, 7}) {
            const modParsers::GrayScaleWeights w = modParsers::GetGrayScaleWeights(formula);
            ASSERT_TRUE(image.MakeGrayScale(formula));
            expectEach("grayscale", [&](Px p) {
                const auto g = uint8_t(std::lrint(double(p.b) * double(w.blue) + double(p.g) * double(w.green) +
                                                  double(p.r) * double(w.red)));
                return Px{g, g, g, p.a};
            });
        }
        for (const float percent : {-100.0f, -37.5f, 12.0f, 50.0f, 100.0f}) {
            ASSERT_TRUE(image.MakeLighterDarker(percent));
            expectEach("light", [&](Px p) {
                const int step = int(std::lrint(double(p.a) * double(percent / 100.0f * 255.0f))) / 255;
                const auto channel = [&](int c) { return uint8_t(std::clamp(c + step, 0, int(p.a))); };
                return Px{channel(p.b), channel(p.g), channel(p.r), p.a};
            });
        }
        for (const int32_t opacity : {1, 33, 100}) {
            ASSERT_TRUE(image.BlendToColor(kOrange, opacity));
            expectEach("tint", [&](Px p) {
                const auto channel = [&](int c, int C) {
                    return uint8_t((p.a * opacity * C + 255 * c * (100 - opacity)) / 25500);
                };
                return Px{channel(p.b, 0), channel(p.g, 128), channel(p.r, 255), p.a};
            });
        }
    }
    compositing::useWideKernels(wide);
}

TEST_F(Effects, GrayScaleOfEveryColourIsItsRoundedWeightedSum) {
    // Every blue, green and red, opaque: the whole-number kernels against the weighted sum
    // in double precision rounded to the nearest, halves to even. Formulas 0 and 6 are the
    // ones with sums exactly halfway (39 and 136 of them).
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(4096, 4096));
    const size_t count = size_t(1) << 24;
    auto expectEveryColour = [&](int32_t formula) {
        uint8_t* bits = image.BitsPointer();
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t pixel = i | 0xFF000000u;
            std::memcpy(bits + size_t(i) * 4, &pixel, 4);
        }
        ASSERT_TRUE(image.MakeGrayScale(formula));
        const modParsers::GrayScaleWeights w = modParsers::GetGrayScaleWeights(formula);
        for (uint32_t i = 0; i < count; ++i) {
            const double sum = double(i & 0xFF) * double(w.blue) + double(i >> 8 & 0xFF) * double(w.green) +
                               double(i >> 16) * double(w.red);
            const auto gray = uint32_t(std::min(std::lrint(sum), 255L));
            uint32_t shown;
            std::memcpy(&shown, bits + size_t(i) * 4, 4);
            ASSERT_EQ(shown, gray * 0x010101u | 0xFF000000u) << "formula " << formula << ", colour " << i;
        }
    };
    const bool wide = compositing::wideKernels();
    for (const int32_t formula : {0, 6}) expectEveryColour(formula);
    compositing::useWideKernels(false);
    expectEveryColour(0);
    compositing::useWideKernels(wide);
}

TEST_F(Effects, TintDividesExactlyForEveryAlphaAndColour) {
    // The single-precision division against the integer one, for every sum a tint makes.
    for (uint32_t x = 0; x <= 255 * 255 * 100; ++x) ASSERT_EQ(compositing::divide25500(x), x / 25500) << x;
    // Every alpha with every colour byte, valid premultiplied or not, through each kernel.
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(256, 256));
    std::vector<uint8_t> every(size_t(256) * 256 * 4);
    for (size_t i = 0; i < 256 * 256; ++i) {
        const auto c = uint8_t(i & 0xFF), a = uint8_t(i >> 8);
        const uint8_t pixel[4] = {c, uint8_t(255 - c), uint8_t(c ^ 0x5A), a};
        std::memcpy(&every[i * 4], pixel, 4);
    }
    const bool wide = compositing::wideKernels();
    for (const bool kernels : {false, wide}) {
        compositing::useWideKernels(kernels);
        for (const int32_t color : {0xFFFFFF, kOrange, 0x123456})
            for (const uint32_t opacity : {1u, 2u, 33u, 50u, 67u, 99u, 100u}) {
                SCOPED_TRACE(testing::Message() << (kernels ? "wide" : "plain") << ", colour " << color << ", "
                                                << opacity << " %");
                std::memcpy(image.BitsPointer(), every.data(), every.size());
                ASSERT_TRUE(image.BlendToColor(color, int32_t(opacity)));
                const uint32_t C[3] = {uint32_t(color >> 16) & 0xFF, uint32_t(color >> 8) & 0xFF,
                                       uint32_t(color) & 0xFF};
                for (size_t i = 0; i < every.size(); i += 4) {
                    const uint8_t* before = &every[i];
                    for (size_t k = 0; k < 4; ++k) {
                        const uint32_t expected = before[3] == 0 || k == 3
                            ? before[k]
                            : (before[3] * opacity * C[k] + 255 * before[k] * (100 - opacity)) / 25500;
                        ASSERT_EQ(image.BitsPointer()[i + k], expected) << "alpha " << int(before[3]) << ", byte " << k
                                                                        << " of " << int(before[k]);
                    }
                }
            }
    }
    compositing::useWideKernels(wide);
}

TEST_F(Effects, ColourKeyMadeTransparentAndBack) {
    const Px orange{0, 128, 255, 255};
    struct Case {
        const char* name;
        int32_t alpha, imageType;
        bool withKey;
        int32_t alphaAfter, typeAfter;
    };
    const Case cases[] = {
        {"no key colour", cImage32::AlphaOpaque, cImage32::ImageTypeBitmap, false, cImage32::AlphaOpaque,
         cImage32::ImageTypeBitmap},
        {"opaque bitmap", cImage32::AlphaOpaque, cImage32::ImageTypeBitmap, true, cImage32::AlphaBinary,
         cImage32::ImageTypeBitmapPARGB},
        {"partly transparent stays so", cImage32::AlphaPartial, cImage32::ImageTypeGIF, true, cImage32::AlphaPartial,
         cImage32::ImageTypeGIF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        fill(image, {{c.withKey ? orange : kRed, kRed}, {{1, 2, 3, 255}, c.withKey ? orange : kRed}});
        image.Alpha(c.alpha);
        image.ImageType(c.imageType);
        const std::vector<uint8_t> before = memoryOf(image);
        EXPECT_TRUE(image.MakeTransparent(kOrange));
        EXPECT_EQ(image.Alpha(), c.alphaAfter);
        EXPECT_EQ(image.ImageType(), c.typeAfter);
        if (!c.withKey) {
            EXPECT_EQ(memoryOf(image), before);
            continue;
        }
        EXPECT_EQ(at(image, 0, 0), kClear);
        EXPECT_EQ(at(image, 1, 1), kClear);
        EXPECT_EQ(at(image, 1, 0), kRed);
        // Orange is not the key when its alpha is not 255.
        put(image, 1, 0, {0, 64, 128, 128});
        EXPECT_TRUE(image.MakeTransparent(kOrange));
        EXPECT_EQ(at(image, 1, 0), (Px{0, 64, 128, 128}));
        put(image, 1, 0, kRed);

        EXPECT_TRUE(image.MakeTransparent(kOrange, true));
        EXPECT_EQ(memoryOf(image), before);
        EXPECT_EQ(image.Alpha(), cImage32::AlphaOpaque);
        EXPECT_EQ(image.ImageType(), c.imageType);
    }
}

TEST_F(Effects, CheckerBoardBandsAndSquares) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(30, 30));
    image.Alpha(cImage32::AlphaPartial);
    ASSERT_TRUE(image.CreateCheckerBoard(12, kOrange, kTeal));
    const Px orange{0, 128, 255, 255}, teal{128, 128, 0, 255};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            // Squares 0-11, 12-23 and 24-29 both ways.
            const bool first = (x / 12 + y / 12) % 2 == 0;
            ASSERT_EQ(at(image, x, y), first ? orange : teal) << x << ", " << y;
        }
    EXPECT_EQ(image.Alpha(), cImage32::AlphaOpaque);
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypeCheckerBoard);

    // An odd number of squares a row: every row of squares still starts with its colour.
    ASSERT_TRUE(image.CreateCheckerBoard(10));
    EXPECT_EQ(at(image, 0, 0), (Px{255, 255, 255, 255}));
    EXPECT_EQ(at(image, 0, 10), (Px{192, 192, 192, 255}));
    EXPECT_EQ(at(image, 0, 20), (Px{255, 255, 255, 255}));

    const std::vector<uint8_t> before = memoryOf(image);
    image.ImageType(cImage32::ImageTypePNG);
    for (const int32_t size : {0, -4}) {
        EXPECT_FALSE(image.CreateCheckerBoard(size));
        EXPECT_EQ(memoryOf(image), before);
        EXPECT_EQ(image.ImageType(), cImage32::ImageTypePNG);
    }
}

TEST_F(Effects, MirrorImageAsQtMirrors) {
    std::mt19937 random(11);
    cImage32 image;
    randomImage(image, 9, 6, true, random);
    for (const auto& [x, y] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        SCOPED_TRACE(testing::Message() << "X " << x << ", Y " << y);
        const QImage expected = toQImage(image).mirrored(x, y);
        ASSERT_TRUE(image.MirrorImage(x, y));
        expectSamePixels(image, expected);
    }
    const std::vector<uint8_t> before = memoryOf(image);
    EXPECT_FALSE(image.MirrorImage(false, false));
    EXPECT_EQ(memoryOf(image), before);
}

// ---- drop shadow -------------------------------------------------------------------------

// The shadow's alpha at (X, Y) by its definition: the sum of the source alpha over the
// window of columns X - d..X and rows Y - d..Y inside the image, divided by the window's
// area, truncated.
uint8_t windowAlpha(const cImage32& image, int depth, int X, int Y) {
    const int d = 2 * depth, n = d + 1;
    int sum = 0;
    for (int y = Y - d; y <= Y; ++y)
        for (int x = X - d; x <= X; ++x)
            if (x >= 0 && y >= 0 && x < image.Width() && y < image.Height()) sum += at(image, x, y).a;
    return uint8_t(sum / (n * n));
}

TEST_F(Effects, DropShadowIsTheExactWindowSum) {
    std::mt19937 random(5);
    cImage32 image;
    randomImage(image, 37, 23, true, random);
    const std::vector<uint8_t> before = memoryOf(image);
    constexpr int32_t kColor = 0x3080F0;  // blue 48, green 128, red 240
    for (const int32_t depth : {0, 1, 4, 10, 25, -3}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        const int used = std::clamp(depth, 0, 10);
        const std::unique_ptr<cImage32> shadow = image.CreateDropShadow(depth, kColor);
        ASSERT_TRUE(shadow);
        ASSERT_EQ(shadow->Width(), 37 + 2 * used);
        ASSERT_EQ(shadow->Height(), 23 + 2 * used);
        EXPECT_EQ(shadow->Alpha(), cImage32::AlphaPartial);
        EXPECT_EQ(shadow->ImageType(), cImage32::ImageTypeBitmapPARGB);
        for (int y = 0; y < shadow->Height(); ++y)
            for (int x = 0; x < shadow->Width(); ++x) {
                const unsigned a = windowAlpha(image, used, x, y);
                const Px expected = a == 255 ? Px{48, 128, 240, 255}
                                             : Px{uint8_t(48 * a / 255), uint8_t(128 * a / 255), uint8_t(240 * a / 255),
                                                  uint8_t(a)};
                ASSERT_EQ(at(*shadow, x, y), expected) << "at " << x << ", " << y;
            }
    }
    EXPECT_EQ(memoryOf(image), before);
}

TEST_F(Effects, OnePixelShadowAndItsDirectRendering) {
    cImage32 dot;
    fill(dot, {{kRed}});
    const std::unique_ptr<cImage32> shadow = dot.CreateDropShadow(1, 0xFFFFFF);
    ASSERT_TRUE(shadow);
    ASSERT_EQ(shadow->Width(), 3);
    ASSERT_EQ(shadow->Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(at(*shadow, x, y), (Px{28, 28, 28, 28}));  // 255 \ 9

    // Rendered at full opacity into an image: the shadow where it was put, nothing else.
    cImage32 destination;
    ASSERT_TRUE(destination.InitializeDIB(6, 5));
    ASSERT_TRUE(dot.RenderDropShadowDirect(0, 2, 1, 1, 0xFFFFFF, 100, 0, &destination));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 4;
            EXPECT_EQ(at(destination, x, y), (inside ? Px{28, 28, 28, 28} : kClear)) << x << ", " << y;
        }
}

}  // namespace
