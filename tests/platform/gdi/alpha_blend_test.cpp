// AlphaBlend against its formula computed in double precision.

#include <cmath>
#include <random>

#include "canvas.h"
#include "platform/gdi/blend_math.h"
#include "platform/sys/row_bands.h"

using namespace gdi;
using namespace gdi::test;

namespace {

int channel(uint32_t v, int c) { return int((v >> (8 * c)) & 0xFF); }
long roundDiv255(double x) { return std::lround(x / 255.0); }

// The blend of one pixel, written from the formula: 0xAARRGGBB.
uint32_t expectedBlend(uint32_t s, uint32_t d, int sca, bool sourceAlpha) {
    uint32_t out = 0;
    if (!sourceAlpha) {
        for (int c = 0; c < 4; ++c) {
            const long v = roundDiv255(double(channel(s, c)) * sca) +
                           roundDiv255(double(channel(d, c)) * (255 - sca));
            out |= uint32_t(std::min(255L, v)) << (8 * c);
        }
        return out;
    }
    long sp[4];
    for (int c = 0; c < 4; ++c) sp[c] = roundDiv255(double(channel(s, c)) * sca);
    for (int c = 0; c < 4; ++c) {
        const long v = sp[c] + roundDiv255(double(channel(d, c)) * (255 - sp[3]));
        out |= uint32_t(std::min(255L, v)) << (8 * c);
    }
    return out;
}

BLENDFUNCTION blendOf(int sca, bool sourceAlpha) {
    return {AC_SRC_OVER, 0, BYTE(sca), BYTE(sourceAlpha ? AC_SRC_ALPHA : 0)};
}

}  // namespace

TEST(AlphaBlendMath, Div255RoundsToNearestOverTheWholeRange) {
    for (uint32_t x = 0; x <= 65535; ++x)
        ASSERT_EQ(detail::div255(x), uint32_t(std::lround(x / 255.0))) << x;
}

// Text is blended by its glyph coverage: colour x k + old x (255 - k), rounded, alpha 0;
// pixels of coverage 0 keep all four bytes. Runs of zeros, full and partial coverage, and
// a row length with a tail beyond the four-pixel kernel.
TEST(AlphaBlendMath, CoverageRowsMatchTheFormula) {
    std::mt19937 rng(11);
    const int n = 43;
    for (const uint32_t color : {0x000000u, 0xFFFFFFu, 0x3080F0u, uint32_t(rng()) & 0xFFFFFF}) {
        std::vector<uint8_t> coverage(n);
        std::vector<uint32_t> row(n), expected(n);
        for (int i = 0; i < n; ++i) {
            const uint32_t pick = rng() % 4;
            coverage[size_t(i)] = uint8_t(i >= 8 && i < 16 ? 0 : pick == 0 ? 0 : pick == 1 ? 255 : rng() % 256);
            row[size_t(i)] = rng();
            expected[size_t(i)] = row[size_t(i)];
            if (const int k = coverage[size_t(i)]) {
                uint32_t e = 0;
                for (int c = 0; c < 3; ++c)
                    e |= uint32_t(roundDiv255(double(channel(color, c)) * k + double(channel(row[size_t(i)], c)) * (255 - k)))
                         << (8 * c);
                expected[size_t(i)] = e;
            }
        }
        detail::mixRowByCoverage(row.data(), coverage.data(), n, color);
        for (int i = 0; i < n; ++i) ASSERT_EQ(row[size_t(i)], expected[size_t(i)]) << "colour " << color << " pixel " << i;
    }
}

TEST(AlphaBlend, OpaqueSourceAtFullConstantAlphaCopiesExactly) {
    Canvas src(19, 3, 32), dst(19, 3, 32);
    std::mt19937 rng(3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 19; ++x) {
            src.set(x, y, rng() | 0xFF000000);
            dst.set(x, y, rng());
        }
    for (bool sourceAlpha : {true, false}) {
        ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 19, 3, src.dc(), 0, 0, 19, 3, blendOf(255, sourceAlpha)));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 19; ++x) ASSERT_EQ(dst.at(x, y), src.at(x, y)) << x << "," << y;
    }
}

TEST(AlphaBlend, TableOfBlendedPixels) {
    const struct { uint32_t s, d; int sca; bool sourceAlpha; } cases[] = {
        {0x80404040, 0xFF00FF00, 255, true},   // half-transparent premultiplied grey
        {0x80404040, 0xFF00FF00, 128, true},
        {0x00000000, 0x7F123456, 255, true},   // transparent: destination unchanged
        {0x01010101, 0xFFFFFFFF, 77, true},
        {0xFF102030, 0x00FFFFFF, 1, true},
        {0x40FF0000, 0xFF0000FF, 255, true},   // not premultiplied: red saturates
        {0x80404040, 0xFF00FF00, 128, false},
        {0x12345678, 0x9ABCDEF0, 0, false},    // constant alpha 0: destination unchanged
        {0x12345678, 0x9ABCDEF0, 200, false},
        {0xFFFFFFFF, 0xFFFFFFFF, 133, false},
        {0x00FF7F01, 0x80FE8002, 127, false},
    };
    Canvas src(1, 1, 32), dst(1, 1, 32);
    for (const auto& k : cases) {
        src.set(0, 0, k.s);
        dst.set(0, 0, k.d);
        ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 1, 1, blendOf(k.sca, k.sourceAlpha)));
        EXPECT_EQ(dst.at(0, 0), expectedBlend(k.s, k.d, k.sca, k.sourceAlpha))
            << std::hex << k.s << " over " << k.d << std::dec << " sca " << k.sca;
    }
}

TEST(AlphaBlend, RowsOfRandomPixelsMatchTheFormula) {
    // Rows long enough for the four-pixel kernel and its scalar tail, onto 32 and 24 bpp.
    std::mt19937 rng(5);
    const int w = 37;
    for (int sca : {255, 254, 128, 1, 0}) {
        for (bool sourceAlpha : {true, false}) {
            for (bool premultiplied : {true, false}) {
                Canvas src(w, 2, 32), dst(w, 2, 32), dst24(w, 2, 24);
                std::vector<uint32_t> s(w * 2), d(w * 2);
                for (int i = 0; i < w * 2; ++i) {
                    uint32_t v = rng();
                    if (premultiplied) {
                        const uint32_t a = v >> 24;
                        v = (a << 24) | ((((v >> 16) & 0xFF) * a / 255) << 16) |
                            ((((v >> 8) & 0xFF) * a / 255) << 8) | ((v & 0xFF) * a / 255);
                    }
                    s[i] = v, d[i] = rng();
                    src.set(i % w, i / w, s[i]);
                    dst.set(i % w, i / w, d[i]);
                    dst24.set(i % w, i / w, d[i] & 0xFFFFFF);
                }
                ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, w, 2, src.dc(), 0, 0, w, 2, blendOf(sca, sourceAlpha)));
                ASSERT_TRUE(AlphaBlend(dst24.dc(), 0, 0, w, 2, src.dc(), 0, 0, w, 2, blendOf(sca, sourceAlpha)));
                for (int i = 0; i < w * 2; ++i) {
                    const uint32_t e = expectedBlend(s[i], d[i], sca, sourceAlpha);
                    ASSERT_EQ(dst.at(i % w, i / w), e) << "sca " << sca << " pixel " << i;
                    // 24 bpp: the colours only (the destination's alpha plays no part in them).
                    ASSERT_EQ(dst24.at(i % w, i / w), e & 0xFFFFFF) << "24 bpp sca " << sca << " pixel " << i;
                }
            }
        }
    }
}

TEST(AlphaBlend, FromTwentyFourBitsWithConstantAlpha) {
    Canvas src(2, 1, 24), dst(2, 1, 32);
    src.set(0, 0, 0x00FF8000);
    src.set(1, 0, 0x00000000);
    dst.fill(0xFF204060);
    ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 2, 1, blendOf(100, false)));
    // A 24-bpp source pixel has alpha 0.
    EXPECT_EQ(dst.at(0, 0), expectedBlend(0x00FF8000, 0xFF204060, 100, false));
    EXPECT_EQ(dst.at(1, 0), expectedBlend(0, 0xFF204060, 100, false));
}

TEST(AlphaBlend, StretchesNearestNeighbourAndClipsTheDestination) {
    Canvas src(2, 1, 32), dst(5, 2, 32);
    src.set(0, 0, 0xFF0000AA);
    src.set(1, 0, 0xFF0000BB);
    dst.fill(0);
    ASSERT_TRUE(AlphaBlend(dst.dc(), -1, 0, 5, 2, src.dc(), 0, 0, 2, 1, blendOf(255, true)));
    // Destination pixel i of 5 takes source floor((2i + 1) * 2 / 10): 0, 0, 1, 1, 1; the
    // first one lies off the surface.
    const uint32_t expected[5] = {0xFF0000AA, 0xFF0000BB, 0xFF0000BB, 0xFF0000BB, 0};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.at(x, y), expected[x]) << x << "," << y;
}

TEST(AlphaBlend, RefusesBadArguments) {
    Canvas src(4, 4, 32), dst(4, 4, 32), src24(4, 4, 24);
    const BLENDFUNCTION ok = blendOf(255, true);
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, -1, 1, src.dc(), 0, 0, 1, 1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, -1, src.dc(), 0, 0, 1, 1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, -1, 1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 1, -1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), -1, 0, 1, 1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 3, 0, 2, 1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 4, 1, 1, ok));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src24.dc(), 0, 0, 1, 1, ok))
        << "per-pixel alpha needs a 32-bpp source";
    EXPECT_TRUE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src24.dc(), 0, 0, 1, 1, blendOf(255, false)));
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 1, 1, {1, 0, 255, AC_SRC_ALPHA}));
    EXPECT_FALSE(AlphaBlend(src.bitmap(), 0, 0, 1, 1, src.dc(), 0, 0, 1, 1, ok));
    EXPECT_TRUE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 4, 4, ok)) << "the whole source";
}

// Large blends run in bands of rows on several threads; every kind of destination, a
// stretched source and a blend within one bitmap must give the bytes of one thread.
TEST(AlphaBlend, BandsOnSeveralThreadsGiveTheBytesOfOne) {
    constexpr int W = 613, H = 701;
    std::vector<RGBQUAD> grays;
    for (int i = 0; i < 256; ++i) grays.push_back(quad(i, i, 255 - i));
    auto randomFill = [](Canvas& canvas, uint32_t seed) {
        std::mt19937 rng(seed);
        for (int y = 0; y < canvas.height(); ++y)
            for (int i = 0; i < canvas.stride(); ++i) canvas.row(y)[i] = uint8_t(rng());
    };
    auto bytes = [](const Canvas& canvas) {
        return std::vector<uint8_t>(canvas.bits(), canvas.bits() + size_t(canvas.stride()) * size_t(canvas.height()));
    };
    for (int bpp : {32, 24, 8, 1}) {
        for (int shape = 0; shape < 3; ++shape) {  // same size, stretched, within one bitmap
            SCOPED_TRACE(::testing::Message() << bpp << " bpp, shape " << shape);
            std::vector<uint8_t> results[2];
            for (int threads : {1, 4}) {
                sys::setRowBandThreads(threads);
                Canvas src(W, H, 32), dst(W, H, bpp, false, bpp == 8 ? grays : std::vector<RGBQUAD>{});
                randomFill(src, 1);
                randomFill(dst, 2);
                bool drawn;
                if (shape == 0)
                    drawn = AlphaBlend(dst.dc(), 3, -5, W, H, src.dc(), 0, 0, W, H, blendOf(200, true));
                else if (shape == 1)
                    drawn = AlphaBlend(dst.dc(), -7, 11, W + 90, H - 40, src.dc(), 5, 9, W / 2, H / 3, blendOf(90, false));
                else
                    drawn = AlphaBlend(src.dc(), 17, 29, W - 17, H - 29, src.dc(), 0, 0, W - 17, H - 29,
                                       blendOf(255, true));
                ASSERT_TRUE(drawn);
                results[threads > 1] = bytes(shape == 2 ? src : dst);
            }
            sys::setRowBandThreads(0);
            EXPECT_EQ(results[0], results[1]);
        }
    }
}
