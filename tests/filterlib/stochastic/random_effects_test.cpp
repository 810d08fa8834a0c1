// The random effects' statistics: noise within its amplitude and without bias, pixels
// taken from no further than the effect's reach (and Melt's only from above), and the
// patterns fixed by the arguments: the same call gives the same bytes (the contract test),
// another value another pattern.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "filterlib/fx.h"
#include "stochastic/effect_pictures.h"

namespace fxtest {
namespace {

// Each pixel names its own place: red = x, green = y (both below 256).
FxPicture coordinatePicture(int w, int h) {
    FxPicture picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.set(x, y, 0x5A000000u | pack(x, y, 77));
    return picture;
}

// The photo fixture squeezed into 60..195, so noise of amplitude up to 60 never saturates.
FxPicture midTonePhoto(int w, int h) {
    FxPicture picture = makeFixture(Fixture::Photo, w, h);
    auto squeeze = [](int c) { return 60 + c * 135 / 255; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = picture.at(x, y);
            picture.set(x, y, pack(squeeze(red(p)), squeeze(green(p)), squeeze(blue(p))));
        }
    return picture;
}

TEST(RandomEffects, NoiseStaysWithinItsAmplitudeAndKeepsTheMean) {
    const FxPicture source = midTonePhoto(256, 256);
    for (const int16_t v : {40, -40, 60, -60, 1}) {
        SCOPED_TRACE(v);
        const FxPicture out = resultOf(21, v, source);
        const int reach = std::abs(v);
        double sum = 0;
        int64_t channels = 0, greyPixels = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const uint32_t a = source.at(x, y), b = out.at(x, y);
                const int dr = red(b) - red(a), dg = green(b) - green(a), db = blue(b) - blue(a);
                for (const int diff : {dr, dg, db}) {
                    ASSERT_LE(std::abs(diff), reach);
                    sum += diff;
                    ++channels;
                }
                greyPixels += dr == dg && dg == db;
            }
        // The mean of 196608 uniform draws: its deviation is about reach / 770.
        EXPECT_LT(std::abs(sum / double(channels)), 0.05 + reach / 150.0);
        if (v < 0) EXPECT_EQ(greyPixels, 256 * 256) << "grey noise moves the three channels together";
        else EXPECT_LT(greyPixels, 256 * 256 / 2) << "colour noise moves each channel on its own";
    }
}

// The share of pixels whose noise has the same sign in both pictures: about a half for
// independent patterns, 1 for the same pattern.
double sameSignShare(const FxPicture& source, const FxPicture& a, const FxPicture& b) {
    int64_t same = 0, counted = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const int da = red(a.at(x, y)) - red(source.at(x, y)), db = red(b.at(x, y)) - red(source.at(x, y));
            if (da == 0 || db == 0) continue;
            same += (da > 0) == (db > 0);
            ++counted;
        }
    return counted ? double(same) / double(counted) : 1;
}

TEST(RandomEffects, AnotherValueGivesAnIndependentPattern) {
    const FxPicture source = midTonePhoto(128, 128);
    EXPECT_NEAR(sameSignShare(source, resultOf(21, 40, source), resultOf(21, 41, source)), 0.5, 0.05);
    EXPECT_NEAR(sameSignShare(source, resultOf(21, -40, source), resultOf(21, 40, source)), 0.5, 0.05);
    // Points of the same density but another colour land elsewhere.
    const FxPicture reddened = resultOf(22, 50, source, 0x0000FF), greened = resultOf(22, 50, source, 0x00FF00);
    int reds = 0, both = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const bool r = (reddened.at(x, y) & 0xFFFFFF) == 0xFF0000u;
            reds += r;
            both += r && (greened.at(x, y) & 0xFFFFFF) == 0x00FF00u;
        }
    EXPECT_LT(both, reds / 4);
}

TEST(RandomEffects, RandomPointsScatterTheirCountOfThePickedColour) {
    const FxPicture source = midTonePhoto(200, 100);
    for (const int16_t v : {2, 50, 102}) {
        SCOPED_TRACE(v);
        const FxPicture out = resultOf(22, v, source, 0xAA0000FFu);  // the high byte does not count
        int inked = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                if ((out.at(x, y) & 0xFFFFFF) == 0xFF0000u) ++inked;  // red, never in the squeezed photo
                else ASSERT_EQ(out.at(x, y), source.at(x, y) & 0xFFFFFF);
            }
        const int count = 200 * 100 * v / 1000;
        EXPECT_LE(inked, count);
        EXPECT_GE(inked, count * 9 / 10) << "points land on the same place far too often";
    }
}

// Where each pixel of a coordinate picture came from, as offsets (dx, dy), counted.
std::map<std::pair<int, int>, int> offsetsOf(const FxPicture& out, bool clampedOnly) {
    std::map<std::pair<int, int>, int> counts;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const uint32_t p = out.at(x, y);
            EXPECT_EQ(blue(p), 77);
            const bool inside = x >= 2 && y >= 2 && x < out.width() - 2 && y < out.height() - 2;
            if (clampedOnly == inside) continue;
            ++counts[{red(p) - x, green(p) - y}];
        }
    return counts;
}

TEST(RandomEffects, DiffuseTakesEachPixelFromWithinTwoEvenly) {
    const FxPicture source = coordinatePicture(200, 150);
    const auto counts = offsetsOf(resultOf(18, 0, source), false);
    ASSERT_EQ(counts.size(), 25u) << "every offset in -2..2 on both axes, and no other";
    const double mean = (196.0 * 146.0) / 25;
    for (const auto& [offset, n] : counts) {
        EXPECT_LE(std::max(std::abs(offset.first), std::abs(offset.second)), 2);
        EXPECT_NEAR(n, mean, mean * 0.12) << offset.first << "," << offset.second;
    }
    for (const auto& [offset, n] : offsetsOf(resultOf(18, 0, source), true))
        EXPECT_LE(std::max(std::abs(offset.first), std::abs(offset.second)), 2) << "at the edges too";
}

TEST(RandomEffects, MeltMovesPixelsOnlyDownwards) {
    const FxPicture source = coordinatePicture(200, 150);
    const FxPicture out = resultOf(25, 0, source);
    std::vector<int> drips(17);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint32_t p = out.at(x, y);
            ASSERT_EQ(red(p), x) << "a pixel moved sideways";
            const int drip = y - green(p);
            ASSERT_GE(drip, 0) << "a pixel moved upwards";
            ASSERT_LE(drip, 16);
            if (y >= 16) ++drips[size_t(drip)];
        }
    // A geometric drip: half the pixels stay, a quarter fall one row, ...
    const double total = 200.0 * 134;
    EXPECT_NEAR(drips[0] / total, 0.5, 0.02);
    EXPECT_NEAR(drips[1] / total, 0.25, 0.02);
    EXPECT_NEAR(drips[2] / total, 0.125, 0.02);
}

TEST(RandomEffects, FrostGlassSpreadsNoColourFurtherThanItsDistanceAndTheBlur) {
    for (const int distance : {0, 3, 12, 50}) {
        SCOPED_TRACE(distance);
        // A white quarter (x, y < corner) on black: colour reaches d + 1 past its edges,
        // the scatter's d and the 3x3 mean's one more, and no further.
        const int corner = distance + 10, size = 2 * corner;
        FxPicture source(size, size), out(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) source.set(x, y, x < corner && y < corner ? 0x00FFFFFFu : 0);
        int32_t result = -1;
        filterlib::FxFrostGlass(out.dc(), source.dc(), distance, result);
        ASSERT_EQ(result, filterlib::kFxOk);
        const int reach = distance + 1;
        int mixed = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const uint32_t p = out.at(x, y) & 0xFFFFFF;
                if (x >= corner + reach || y >= corner + reach) ASSERT_EQ(p, 0u) << x << "," << y;
                if (x < corner - reach && y < corner - reach) ASSERT_EQ(p, 0xFFFFFFu) << x << "," << y;
                mixed += p != 0 && p != 0xFFFFFF;
            }
        EXPECT_GT(mixed, corner) << "the edge is frosted";
    }
}

TEST(RandomEffects, RainDropsOnlyMagnifyAndLightThePicture) {
    FxPicture flat(120, 90), out(120, 90);
    flat.fill(pack(100, 100, 100));
    int32_t result = -1;
    filterlib::FxRainDrops(out.dc(), flat.dc(), 40, 50, 40, result);
    ASSERT_EQ(result, filterlib::kFxOk);
    int lit = 0;
    for (const uint32_t p : out.pixels()) {
        ASSERT_EQ(red(p), green(p));
        ASSERT_EQ(red(p), blue(p));
        ASSERT_GE(red(p), 100) << "a lens over a flat picture shows the same flat grey";
        ASSERT_LE(red(p), 160) << "the highlight adds at most 60";
        lit += red(p) > 100;
    }
    EXPECT_GT(lit, 0);
    const FxPicture photo = makeFixture(Fixture::Photo, 120, 90);
    filterlib::FxRainDrops(out.dc(), photo.dc(), 0, 50, 40, result);
    std::vector<uint32_t> expected = photo.pixels();
    for (uint32_t& p : expected) p &= 0xFFFFFF;
    EXPECT_EQ(out.pixels(), expected) << "no drops, no change";
}

}  // namespace
}  // namespace fxtest
