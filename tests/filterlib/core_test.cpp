// The shared core of the effects: how a call resolves its pictures, the running-sum
// window means against a direct sum, bilinear sampling, luma and rounding, and the
// seeded generator.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "filterlib/core/box_filter.h"
#include "filterlib/core/channel_maps.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/random.h"
#include "filterlib/core/sampling.h"
#include "filterlib/core/tap_filter.h"
#include "filterlib/core/window_kernels.h"
#include "filterlib/fx.h"
#include "platform/sys/row_bands.h"
#include "support/fx_picture.h"

namespace fxtest {
namespace {

using namespace filterlib;

Image viewOf(std::vector<uint32_t>& pixels, int w, int h) { return Image{w, h, w, pixels.data()}; }

// Colours spread over every value; the high bytes hold what an effect must ignore.
std::vector<uint32_t> patterned(int w, int h) {
    std::vector<uint32_t> p(size_t(w) * size_t(h));
    for (int i = 0; i < w * h; ++i) p[size_t(i)] = uint32_t(i) * 2654435761u;
    return p;
}

// The sum of weight(i, j) times each channel over the (2 rx + 1) x (2 ry + 1) window
// about (x, y), edges repeated, divided by `divisor` halves to even.
template <class Weight>
uint32_t directWindow(const std::vector<uint32_t>& p, int w, int h, int x, int y, int rx, int ry, Weight weight,
                      int64_t divisor) {
    int64_t sum[3] = {0, 0, 0};
    for (int j = -ry; j <= ry; ++j)
        for (int i = -rx; i <= rx; ++i) {
            const uint32_t v =
                p[size_t(std::clamp(y + j, 0, h - 1)) * size_t(w) + size_t(std::clamp(x + i, 0, w - 1))];
            sum[0] += weight(i, j) * red(v);
            sum[1] += weight(i, j) * green(v);
            sum[2] += weight(i, j) * blue(v);
        }
    return pack(int(divRound(sum[0], divisor)), int(divRound(sum[1], divisor)), int(divRound(sum[2], divisor)));
}

// The window filters run in vectors of two widths, the wider where the processor has them;
// each test runs both and leaves the widest chosen.
class WindowFilters : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!useWideWindowKernels(GetParam()) && GetParam()) GTEST_SKIP() << "no wider vectors on this processor";
    }
    void TearDown() override { useWideWindowKernels(true); }
};

// Widths around the vectors' pixel counts; radii that add columns directly, by running
// blocks, in 16-bit sums and in 32-bit ones (areas over 201) over 16- or 32-bit columns
// (windows of 257 rows on), divided in floats or (areas over 16383) in whole numbers;
// radii wider than the picture.
TEST_P(WindowFilters, BoxBlurEqualsTheDirectWindowMean) {
    for (const auto& [w, h, rx, ry] :
         {std::tuple{7, 5, 1, 1}, {7, 5, 3, 0}, {1, 9, 2, 4}, {6, 4, 9, 11}, {1, 1, 5, 5}, {2, 3, 1, 1}, {3, 4, 2, 2},
          {5, 6, 4, 4}, {9, 3, 7, 7}, {17, 5, 0, 3}, {33, 9, 6, 1}, {19, 7, 8, 8}, {4, 12, 40, 3}, {35, 6, 2, 60},
          {70, 4, 30, 0}, {6, 9, 0, 130}, {5, 4, 64, 64}, {3, 7, 10, 400}}) {
        std::vector<uint32_t> in = patterned(w, h), out(in.size());
        Image source = viewOf(in, w, h), dest = viewOf(out, w, h);
        boxBlur(source, dest, rx, ry);
        const int64_t area = int64_t(2 * rx + 1) * (2 * ry + 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out[size_t(y * w + x)], directWindow(in, w, h, x, y, rx, ry, [](int, int) { return 1; }, area))
                    << w << "x" << h << " r " << rx << "," << ry << " at " << x << "," << y;
    }
    // White stays white: the largest sums divide back to 255.
    std::vector<uint32_t> white(size_t(40 * 30), 0xFFFFFFFFu), out(white.size());
    Image source = viewOf(white, 40, 30), dest = viewOf(out, 40, 30);
    for (const int r : {1, 7, 8, 25}) {
        boxBlur(source, dest, r, r);
        ASSERT_EQ(out, std::vector<uint32_t>(white.size(), 0xFFFFFFu)) << r;
    }
}

TEST_P(WindowFilters, SeparableKernelsEqualTheirWholeSums) {
    const std::vector<std::vector<uint16_t>> kernels = {{1, 4, 6, 4, 1}, {1, 2, 1}, {1, 0, 2, 0, 1}};
    for (const auto& [w, h] : {std::pair{1, 1}, {3, 2}, {5, 7}, {8, 3}, {13, 4}, {37, 5}}) {
        std::vector<uint32_t> in = patterned(w, h), out(in.size());
        Image source = viewOf(in, w, h), dest = viewOf(out, w, h);
        for (const auto& k : kernels) {
            const int r = int(k.size()) / 2;
            int64_t sum = 0;
            for (const uint16_t weight : k) sum += weight;
            if (k.size() == 5) filterSeparable(source, dest, {k[0], k[1], k[2], k[3], k[4]});
            else filterSeparable(source, dest, {k[0], k[1], k[2]});
            const auto weight = [&](int i, int j) { return int64_t(k[size_t(i + r)]) * k[size_t(j + r)]; };
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(out[size_t(y * w + x)], directWindow(in, w, h, x, y, r, r, weight, sum * sum))
                        << w << "x" << h << " kernel of " << k.size() << " at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Core, WindowFilters, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Wide" : "Narrow"; });

// The divisions by a multiplication, for the window areas the box means use: each quotient
// exact, every value up to the largest in the 16-bit lanes (where the lanes have such a
// division: every area up to 201 does) and in floats, the neighbours of every multiple in
// the 32-bit integers.
TEST(Core, WindowDivisionsAreExact) {
    for (uint32_t d = 3; d <= 255; d += 2) {
        const uint64_t largest = 255 * uint64_t(d) + (d - 1) / 2;
        WindowDivision division;
        if (!windowDivision(d, largest, 16, division)) {
            EXPECT_GT(d, 201u) << "no 16-bit division";
            continue;
        }
        for (uint64_t x = 0; x <= largest; ++x)
            ASSERT_EQ(((x * division.magic) >> 16) >> (division.shift - 16), x / d) << x << " / " << d;
    }
    // In floats, as the 32-bit lanes divide up to the largest area they take so: every sum.
    for (const uint32_t d : {203u, 257u, 289u, 441u, 1023u, 4095u, 10201u, kLargestFloatDivisor}) {
        WindowDivision division;
        division.half = (d - 1) / 2;
        ASSERT_TRUE(floatWindowDivision(d, division)) << d;
        const float offset = float(division.half) + 0.5f;
        for (uint32_t s = 0; s <= 255 * d; ++s) {
            const auto q = uint32_t((float(s) + offset) * division.reciprocal);
            if (q != (s + division.half) / d) FAIL() << s << " / " << d << " gives " << q;
        }
    }
    WindowDivision beyond;
    EXPECT_FALSE(floatWindowDivision(kLargestFloatDivisor + 2, beyond));
    for (const uint32_t d : {3u, 235u, 259u, 289u, 361u, 441u, 10201u, 99999u, 2001u * 2001u}) {
        const uint64_t largest = 255 * uint64_t(d) + (d - 1) / 2;
        WindowDivision division;
        ASSERT_TRUE(windowDivision(d, largest, 32, division)) << d;
        for (uint64_t k = 0; k <= 256; ++k)
            for (const uint64_t x : {k * d - (k > 0), k * d, k * d + d / 2, k * d + d - 1}) {
                if (x > largest) continue;
                ASSERT_EQ((x * division.magic) >> division.shift, x / d) << x << " / " << d;
            }
    }
}

TEST(Core, GaussianBoxPassesMatchTheVariance) {
    for (const double sigma : {0.8, 1.0, 2.0, 3.5, 10.0}) {
        int radii[3];
        gaussianBoxRadii(sigma, 3, radii);
        double variance = 0;
        for (const int r : radii) variance += ((2.0 * r + 1) * (2.0 * r + 1) - 1) / 12;
        EXPECT_NEAR(std::sqrt(variance), sigma, 0.35) << sigma;
    }
    // A flat picture stays flat, and an impulse spreads symmetrically.
    std::vector<uint32_t> in(size_t(21 * 21), pack(0, 0, 0)), out(in.size());
    in[size_t(10 * 21 + 10)] = pack(255, 255, 255);
    Image source = viewOf(in, 21, 21), dest = viewOf(out, 21, 21);
    gaussianBlur(source, dest, 1.5);
    EXPECT_GT(red(out[size_t(10 * 21 + 10)]), red(out[size_t(10 * 21 + 12)]));
    EXPECT_EQ(out[size_t(10 * 21 + 8)], out[size_t(10 * 21 + 12)]);
    EXPECT_EQ(out[size_t(8 * 21 + 10)], out[size_t(12 * 21 + 10)]);
}

// The Gaussian runs its passes a few dozen rows at a time, remaking the rows where chunks
// and bands meet: its bytes are those of whole box passes one after another, on one
// thread or several, with passes of radius 0 among them or not.
TEST(Core, GaussianEqualsItsBoxPassesOneAfterAnother) {
    const int w = 37, h = 301;
    std::vector<uint32_t> in = patterned(w, h), out(in.size()), expected(in.size());
    Image source = viewOf(in, w, h), dest = viewOf(out, w, h);
    for (const auto& [sigma, passes] : {std::pair{1.0, 3}, {3.0, 3}, {3.0, 5}, {10.0, 3}, {9.0, 1}}) {
        int radii[8];
        gaussianBoxRadii(sigma, passes, radii);
        std::vector<uint32_t> pass = in;
        for (int i = 0; i < passes; ++i) {
            Image from = viewOf(pass, w, h), to = viewOf(expected, w, h);
            boxBlur(from, to, radii[i], radii[i]);
            pass = expected;
        }
        for (const int threads : {1, 3}) {
            sys::setRowBandThreads(threads);
            sys::setMinimumBandPixels(threads == 1 ? 0 : 1);
            gaussianBlur(source, dest, sigma, passes);
            EXPECT_EQ(out, expected) << "sigma " << sigma << ", " << passes << " passes, " << threads << " threads";
        }
        sys::setRowBandThreads(0);
        sys::setMinimumBandPixels(0);
    }
}

TEST(Core, BilinearSamplesCentresExactlyAndBlendsBetween) {
    std::vector<uint32_t> in = {pack(0, 100, 255), pack(200, 50, 1), pack(10, 20, 30), pack(90, 80, 70)};
    const Image image = viewOf(in, 2, 2);
    EXPECT_EQ(bilinearAt(image, 0.5, 0.5), in[0]);
    EXPECT_EQ(bilinearAt(image, 1.5, 1.5), in[3]);
    EXPECT_EQ(bilinearAt(image, 1.0, 0.5), pack(100, 75, 128));  // 127.5 goes to 128
    EXPECT_EQ(bilinearAt(image, -40, 0.5), in[0]);                // outside: the edge
    EXPECT_EQ(bilinearAt(image, 9, 9), in[3]);
    EXPECT_EQ(clampedAt(image, -1, 5), in[2]);
}

TEST(Core, LumaAndRoundingHalvesToEven) {
    EXPECT_EQ(divRound(5, 2), 2);
    EXPECT_EQ(divRound(7, 2), 4);
    EXPECT_EQ(divRound(-5, 2), -2);
    EXPECT_EQ(divRound(-7, 2), -4);
    EXPECT_EQ(divRound(-8, 3), -3);
    EXPECT_EQ(luma(255, 0, 0), 76);   // 76.245
    EXPECT_EQ(luma(0, 255, 0), 150);  // 149.685
    EXPECT_EQ(luma(0, 0, 255), 29);   // 29.07
    EXPECT_EQ(luma(12, 0, 8), 4);     // 4.5
    EXPECT_EQ(luma(2, 0, 43), 6);     // 5.5
    EXPECT_EQ(pixelOf(0xFF0080FFu), pack(255, 128, 0));
}

// Every colour, under an alpha byte that plays no part, and rows of every width up to two
// of the eight-pixel groups: the colour of its luma as luma() has it.
TEST(Core, LumaColoursOfEveryColourMatchLuma) {
    LumaColours colours;
    for (uint32_t v = 0; v < 256; ++v) colours[v] = v * 0x10101u ^ 0xA5000000u;
    for (int w : {4093, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}) {
        const int h = w == 4093 ? (1 << 24) / w + 1 : 3;
        std::vector<uint32_t> in(size_t(w) * size_t(h)), out(in.size());
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = uint32_t((i * (w == 4093 ? 1 : 2654435761u)) & 0xFFFFFF) | uint32_t(i * 40503u) << 24;
        Image dest = viewOf(out, w, h);
        applyLumaColours(viewOf(in, w, h), dest, colours);
        for (size_t i = 0; i < in.size(); ++i)
            if (out[i] != colours[size_t(luma(in[i]))]) FAIL() << "width " << w << ", colour " << std::hex << in[i];
    }
}

TEST(Core, RandomIsSeededByItsArgumentsAlone) {
    Random a(seedOf("FxNoise", {5, 640, 480})), b(seedOf("FxNoise", {5, 640, 480}));
    Random c(seedOf("FxNoise", {6, 640, 480})), d(seedOf("FxDiffuse", {5, 640, 480}));
    std::vector<uint32_t> first, second, third, fourth;
    for (int i = 0; i < 8; ++i) {
        first.push_back(a.next());
        second.push_back(b.next());
        third.push_back(c.next());
        fourth.push_back(d.next());
    }
    EXPECT_EQ(first, second);
    EXPECT_NE(first, third);
    EXPECT_NE(first, fourth);
    std::set<int> faces;
    for (int i = 0; i < 600; ++i) {
        const int k = a.between(-2, 2);
        ASSERT_GE(k, -2);
        ASSERT_LE(k, 2);
        faces.insert(k);
    }
    EXPECT_EQ(faces.size(), 5u);
    EXPECT_EQ(hashAt(7, 3, 4), hashAt(7, 3, 4));
    EXPECT_NE(hashAt(7, 3, 4), hashAt(7, 4, 3));
}

// ---- how a call resolves its pictures (through one point effect) -------------------------

TEST(Frame, SourceOfAnotherSizeIsReadClamped) {
    FxPicture small = makeFixture(Fixture::Photo, 3, 2), large = makeFixture(Fixture::Photo, 9, 7);
    for (const FxPicture* source : {&small, &large}) {
        FxPicture dest(5, 4);
        int32_t result = -1;
        FxInvert(dest.dc(), source->dc(), 255, result);
        ASSERT_EQ(result, kFxOk);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint32_t s = source->at(std::min(x, source->width() - 1), std::min(y, source->height() - 1));
                EXPECT_EQ(dest.at(x, y), ~s & 0xFFFFFFu) << x << "," << y;
            }
    }
}

TEST(Frame, OtherDepthsAndBottomUpBitmapsAreConverted) {
    // A 24-bpp bottom-up source and destination: the effect sees the same picture.
    const FxPicture photo = makeFixture(Fixture::Photo, 6, 5);
    gdi::DibSurface source(6, 5, 24, true), dest(6, 5, 24, true);
    ASSERT_TRUE(gdi::BitBlt(source.dc(), 0, 0, 6, 5, photo.dc(), 0, 0, gdi::SRCCOPY));
    int32_t result = -1;
    FxBrightness(dest.dc(), source.dc(), 40, result);
    ASSERT_EQ(result, kFxOk);
    FxPicture back(6, 5);
    ASSERT_TRUE(gdi::BitBlt(back.dc(), 0, 0, 6, 5, dest.dc(), 0, 0, gdi::SRCCOPY));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const uint32_t s = photo.at(x, y);
            EXPECT_EQ(back.at(x, y) & 0xFFFFFFu,
                      pack(std::min(255, red(s) + 40), std::min(255, green(s) + 40), std::min(255, blue(s) + 40)));
        }
}

TEST(Frame, DestinationThatIsTheSourceIsReadBeforeItIsWritten) {
    // A body that reads a neighbour, run with D and S the same device context: the source
    // it reads must still be the picture as it was.
    FxPicture same = makeFixture(Fixture::Photo, 8, 6);
    const FxPicture before(same);
    int32_t result = -1;
    apply(same.dc(), same.dc(), result, [](const Image& in, Image& out) {
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) out.row(y)[x] = clampedAt(in, x - 1, y) & 0xFFFFFFu;
    });
    ASSERT_EQ(result, kFxOk);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(same.at(x, y), before.at(std::max(x - 1, 0), y) & 0xFFFFFFu);
}

}  // namespace
}  // namespace fxtest
