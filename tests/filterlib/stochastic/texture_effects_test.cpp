// The texture effects on plain pictures, where the texture alone shows: fog towards its
// colour by a fixed field, rock and canvas reliefs, note paper's ink, paper and lit edges,
// and the metal tints worked out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/fx.h"
#include "stochastic/effect_pictures.h"

namespace fxtest {
namespace {

TEST(TextureEffects, FogIsOneSmoothFieldThatTheAmountScales) {
    const FxPicture black = plainPicture(160, 120, 0);
    const FxPicture full = resultOf(54, 127, black), half = resultOf(54, 64, black);
    int lightest = 0, darkest = 255;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const uint32_t p = full.at(x, y);
            ASSERT_EQ(red(p), green(p));
            ASSERT_LE(red(p), 230);
            ASSERT_LE(blue(p), 235);
            EXPECT_NEAR(red(half.at(x, y)), red(p) * 64 / 127.0, 1.0) << "the field does not change with V";
            if (x > 0) ASSERT_LE(std::abs(red(p) - red(full.at(x - 1, y))), 12) << "fog is smooth";
            lightest = std::max(lightest, red(p));
            darkest = std::min(darkest, red(p));
        }
    EXPECT_GT(lightest - darkest, 60) << "the fog has thick and thin patches";
}

// The shift of every pixel from a plain grey picture, checked to be the same on all three
// channels.
std::vector<int> greyShifts(const FxPicture& out, int grey) {
    std::vector<int> shifts;
    for (const uint32_t p : out.pixels()) {
        EXPECT_EQ(red(p), green(p));
        EXPECT_EQ(red(p), blue(p));
        shifts.push_back(red(p) - grey);
    }
    return shifts;
}

TEST(TextureEffects, RockReliefIsBoundedCentredAndScalesWithStrength) {
    const FxPicture grey = plainPicture(160, 120, pack(128, 128, 128));
    const std::vector<int> strong = greyShifts(resultOf(19, 6, grey), 128), mild = greyShifts(resultOf(19, 3, grey), 128);
    double sum = 0;
    int rough = 0;
    for (size_t i = 0; i < strong.size(); ++i) {
        ASSERT_LE(std::abs(strong[i]), 72);
        ASSERT_LE(std::abs(2 * mild[i] - strong[i]), 1);
        sum += strong[i];
        rough += std::abs(strong[i]) >= 12;
    }
    EXPECT_LT(std::abs(sum / double(strong.size())), 3.0) << "a relief lights as much as it shades";
    EXPECT_GT(rough, int(strong.size()) / 4);
}

TEST(TextureEffects, CanvasWeavesThreadsOfItsPeriod) {
    const FxPicture grey = plainPicture(120, 90, pack(128, 128, 128));
    for (const int16_t v : {64, 120}) {
        SCOPED_TRACE(v);
        const int period = 4 + v / 40;
        const std::vector<int> shifts = greyShifts(resultOf(30, v, grey), 128);
        auto at = [&](int x, int y) { return shifts[size_t(y) * 120 + size_t(x)]; };
        for (int y = 0; y + 2 * period < 90; ++y)
            for (int x = 0; x + 2 * period < 120; ++x) {
                ASSERT_LE(std::abs(at(x, y)), 40);
                ASSERT_EQ(at(x, y), at(x + 2 * period, y));
                ASSERT_EQ(at(x, y), at(x, y + 2 * period));
            }
        // In the first cell the thread runs across: lit at its top, shaded at its bottom.
        EXPECT_GT(at(0, 0), 20);
        EXPECT_LT(at(0, period - 1), -20);
        EXPECT_EQ(at(0, 0), at(period - 1, 0));
        // In the next cell it runs down.
        EXPECT_GT(at(period, 0), 20);
        EXPECT_LT(at(2 * period - 1, 0), -20);
    }
}

TEST(TextureEffects, NotePaperInksTheDarkPartsOnGrainyPaperWithLitEdges) {
    // A black square (6..13) on white; the cut at the start is luma 64.
    FxPicture source = plainPicture(20, 20, 0xFFFFFF);
    for (int y = 6; y <= 13; ++y)
        for (int x = 6; x <= 13; ++x) source.set(x, y, 0);
    const gdi::COLORREF ink = gdi::RGB(100, 120, 160);
    const FxPicture out = resultOf(61, 0, source, ink);  // the window passes not C for the paper
    auto shiftFrom = [&](int x, int y, gdi::COLORREF c) {
        const uint32_t p = out.at(x, y), base = filterlib::pixelOf(c);
        EXPECT_EQ(red(p) - red(base), green(p) - green(base));
        EXPECT_EQ(red(p) - red(base), blue(p) - blue(base));
        return red(p) - red(base);
    };
    EXPECT_EQ(out.at(9, 9), filterlib::pixelOf(ink)) << "inside the ink: the ink's colour";
    EXPECT_EQ(shiftFrom(6, 6, ink), 48) << "the corner facing the light, raised by depth 2";
    EXPECT_EQ(shiftFrom(13, 13, ink), -48) << "the corner turned away";
    const uint32_t notPaper = ~ink & 0xFFFFFF;
    EXPECT_LE(std::abs(shiftFrom(1, 1, notPaper)), 20) << "paper with grain of 20";
    EXPECT_LE(shiftFrom(14, 14, notPaper), -48 + 20) << "the ink's shadow on the paper";
    int grains = 0;
    for (int x = 0; x < 20; ++x) grains += out.at(x, 0) != out.at(0, 0);
    EXPECT_GT(grains, 5);
}

TEST(TextureEffects, MetallicTintsTheLumaThroughItsCurve) {
    struct Row {
        int effect;
        int16_t v;
        int grey;
        uint32_t expected;
    };
    // n = 4 cycles: m = 0.5 - 0.5 cos(8 pi Y / 255); Y = 32 is near a crest (m = 0.99998),
    // Y = 0 and 255 are troughs, Y = 16 is near the middle (m = 0.5031).
    const std::vector<Row> rows = {
        {71, 255, 32, pack(255, 255, 255)}, {72, 255, 32, pack(255, 215, 80)}, {73, 255, 32, pack(180, 220, 255)},
        {72, 255, 0, pack(0, 0, 0)},        {72, 255, 255, pack(0, 0, 0)},     {72, 255, 16, pack(128, 108, 40)},
        {72, 128, 255, pack(127, 127, 127)}, {73, 51, 32, pack(62, 70, 77)},
    };
    for (const Row& row : rows) {
        const FxPicture out = resultOf(row.effect, row.v, plainPicture(1, 1, pack(row.grey, row.grey, row.grey)));
        EXPECT_EQ(out.at(0, 0), row.expected) << row.effect << " at " << row.v << " on grey " << row.grey;
    }
}

}  // namespace
}  // namespace fxtest
