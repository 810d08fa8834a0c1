// The blend effects: every mode Pillow's ImageChops has, over all 65536 pairs of channel
// values, against Pillow's bytes; the other modes on a table worked out by hand; Alpha
// Blend and a blank second picture.

#include <gtest/gtest.h>

#include <vector>

#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "support/effect_runner.h"
#include "support/reference_runner.h"

namespace fxtest {
namespace {

using filterlib::pack;

// Every pair (a, b) of channel values once: the base a = x, the blend b = y, with the
// channels running different ways so a channel taken for another shows.
struct AllPairs {
    FxPicture base{256, 256}, blend{256, 256};
    AllPairs() {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                base.set(x, y, 0x44000000u | pack(x, 255 - x, x));
                blend.set(x, y, 0x99000000u | pack(y, y, 255 - y));
            }
    }
};

TEST(BlendEffects, ThePillowModesGivePillowsBytesForEveryPair) {
    const std::string missing = toolMissing(Tool::Pillow);
    if (!missing.empty()) GTEST_SKIP() << missing;
    const AllPairs pairs;
    const std::vector<std::pair<int16_t, const char*>> modes = {
        {1, "multiply"}, {2, "screen"},     {3, "overlay"}, {4, "darker"}, {5, "lighter"},
        {8, "hard_light"}, {9, "soft_light"}, {10, "difference"}, {12, "add"}, {13, "subtract"}};
    for (const auto& [mode, name] : modes) {
        SCOPED_TRACE(name);
        const std::optional<FxPicture> ours = effectOf(68, mode, 0, pairs.base, &pairs.blend);
        ASSERT_TRUE(ours.has_value());
        std::string error;
        const std::optional<Rgb> theirs = runReference(
            {Tool::Pillow, std::string("ImageChops.") + name + "(img, img2)"}, pairs.base, &pairs.blend, &error);
        ASSERT_TRUE(theirs.has_value()) << error;
        EXPECT_EQ(ours->rgb(), theirs->bytes);
    }
}

TEST(BlendEffects, TheOtherModesFollowTheirFormulas) {
    struct Row {
        int16_t mode;
        int a, b, expected;
    };
    const std::vector<Row> rows = {
        {0, 1, 2, 2},       {0, 2, 3, 2},       {0, 255, 0, 128},     // average, halves to even
        {6, 100, 255, 255}, {6, 100, 155, 255}, {6, 60, 128, 120},    // colour dodge
        {7, 100, 0, 0},     {7, 100, 200, 58},  {7, 255, 10, 255},    // colour burn
        {11, 100, 200, 144}, {11, 255, 255, 0},                       // exclusion
        {14, 17, 230, 230},                                           // normal
        {15, 200, 100, 210}, {15, 50, 60, 110},                       // negation
        {16, 255, 3, 255},  {16, 200, 100, 181}, {16, 100, 10, 0},    // reflect
        {17, 100, 200, 181}, {17, 3, 255, 255},                       // glow
        {18, 200, 100, 45}, {18, 100, 100, 0},                        // linear burn
        {19, 100, 100, 45}, {19, 200, 200, 255}, {19, 10, 20, 0},     // linear light
        {20, 100, 100, 58}, {20, 100, 0, 0},    {20, 100, 200, 229}, {20, 50, 160, 66},  // vivid light
        {21, 100, 40, 80},  {21, 100, 200, 144}, {21, 200, 200, 200},  // pin light
        {22, 100, 100, 0},  {22, 50, 160, 0},   {22, 100, 200, 255},  // hard mix
        {23, 30, 200, 85},                                            // phoenix
        {24, 100, 0, 0},    {24, 100, 200, 135}, {24, 255, 1, 255},   // freeze
    };
    for (const Row& row : rows) {
        FxPicture base(1, 1), blend(1, 1);
        base.set(0, 0, pack(row.a, row.a, row.a));
        blend.set(0, 0, pack(row.b, row.b, row.b));
        const std::optional<FxPicture> out = effectOf(68, row.mode, 0, base, &blend);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(out->at(0, 0), pack(row.expected, row.expected, row.expected))
            << "mode " << row.mode << " a " << row.a << " b " << row.b;
    }
}

TEST(BlendEffects, ABlankSecondPictureIsBlendedLikeAnyOther) {
    const FxPicture photo = makeFixture(Fixture::Photo, 24, 16);
    FxPicture blank(24, 16);
    blank.fill(0x00FFFFFFu);
    std::vector<uint32_t> expected = photo.pixels();
    for (uint32_t& p : expected) p &= 0xFFFFFF;
    EXPECT_EQ(effectOf(68, 1, 0, photo, &blank)->pixels(), expected) << "multiplied by white";
    EXPECT_EQ(effectOf(38, 255, 0, photo, &blank)->pixels(), std::vector<uint32_t>(24 * 16, 0xFFFFFF));
    EXPECT_EQ(effectOf(70, 255, 0, photo, &blank)->pixels(), expected) << "flat glass bends nothing";
}

}  // namespace
}  // namespace fxtest
