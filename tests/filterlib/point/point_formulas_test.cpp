// The point and colour effects on tiny pictures, against values worked out by hand from
// the formulas of EFFECTS.md.

#include <gtest/gtest.h>

#include <vector>

#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

using filterlib::pack;

struct Row {
    const char* what;
    int effect;
    int16_t v;
    gdi::COLORREF c;
    std::vector<uint32_t> in, out;  // one row of pixels, 0x00RRGGBB
};

FxPicture rowPicture(const std::vector<uint32_t>& pixels) {
    FxPicture picture(int(pixels.size()), 1);
    for (size_t i = 0; i < pixels.size(); ++i) picture.set(int(i), 0, pixels[i] | 0x7F000000u);
    return picture;
}

std::vector<uint32_t> rowOf(const FxPicture& picture) { return picture.pixels(); }

uint32_t grey(int v) { return pack(v, v, v); }

TEST(PointFormulas, HandWorkedValues) {
    const std::vector<Row> rows = {
        {"Brightness saturates at white", 1, 10, 0, {pack(250, 5, 128)}, {pack(255, 15, 138)}},
        {"Brightness saturates at black", 1, -10, 0, {pack(250, 5, 128)}, {pack(240, 0, 118)}},
        {"Brightness at the ends of its range", 1, 255, 0, {pack(0, 1, 200)}, {pack(255, 255, 255)}},
        {"Contrast 2.0 about 128", 2, 200, 0, {grey(64), grey(130), grey(200)}, {grey(0), grey(132), grey(255)}},
        {"Contrast 0 gives middle grey", 2, 0, 0, {pack(0, 77, 255)}, {grey(128)}},
        {"Gamma 2.0", 5, 50, 0, {grey(0), grey(64), grey(128), grey(255)}, {grey(0), grey(128), grey(181), grey(255)}},
        {"Gamma at its limit 0", 5, 0, 0, {grey(0), grey(254), grey(255)}, {grey(0), grey(0), grey(255)}},
        {"Invert halfway", 7, 128, 0, {grey(0), grey(255), grey(100)}, {grey(128), grey(127), grey(128)}},
        {"Invert 255 is the negative", 7, 255, 0, {pack(0, 100, 255)}, {pack(255, 155, 0)}},
        {"GrayScale luma", 6, 0, 0, {pack(255, 0, 0), pack(0, 255, 0), pack(0, 0, 255)}, {grey(76), grey(150), grey(29)}},
        {"GrayScale plus V saturates", 6, 200, 0, {pack(0, 255, 0)}, {grey(255)}},
        {"ReduceTo8Colors at 127 and 128", 9, 0, 0, {pack(127, 128, 0)}, {pack(0, 255, 0)}},
        {"ReduceColors to 2 levels at its maximum", 8, 255, 0, {pack(127, 128, 255)}, {pack(0, 255, 255)}},
        {"ReduceColors to 3 levels", 8, 253, 0, {grey(63), grey(64), grey(191), grey(192)},
         {grey(0), grey(128), grey(128), grey(255)}},
        {"WebColors", 53, 0, 0, {pack(25, 26, 127), pack(128, 230, 255)}, {pack(0, 51, 102), pack(153, 255, 255)}},
        {"Stamp at its start cuts at 128", 10, 0, 0, {grey(127), grey(128)}, {grey(0), grey(255)}},
        {"Stamp at 255 cuts at 255", 10, 255, 0, {grey(254), grey(255)}, {grey(0), grey(255)}},
        {"Sepia", 11, 0, 0, {grey(100), grey(255)}, {pack(137, 97, 40), pack(255, 255, 220)}},
        {"Solarize at 127 and 128", 23, 0, 0, {grey(127), grey(128), grey(255)}, {grey(127), grey(127), grey(0)}},
        {"Saturation -255 is the luma", 35, -255, 0, {pack(255, 0, 0)}, {grey(76)}},
        {"Saturation 255 doubles the chroma", 35, 255, 0, {pack(140, 100, 100)}, {pack(168, 88, 88)}},
        {"Hue 120 turns red to green", 37, 120, 0, {pack(255, 0, 0), pack(200, 100, 50)},
         {pack(0, 255, 0), pack(50, 200, 100)}},
        {"Hue 60 turns red to yellow", 37, 60, 0, {pack(255, 0, 0)}, {pack(255, 255, 0)}},
        {"Hue 30 splits the middle", 37, 30, 0, {pack(200, 0, 100)}, {pack(200, 0, 0)}},
        {"ColorBalance keeps black and white", 48, 255, 0, {grey(0), grey(255), grey(128)},
         {grey(0), grey(255), pack(128, 128, 255)}},
        {"ColorBalance -100 on blue", 48, -100, 0, {pack(10, 20, 64)}, {pack(10, 20, 0)}},
        {"MediumTones 255 lifts 128 to 224", 55, 255, 0, {grey(0), grey(128), grey(255)},
         {grey(0), grey(224), grey(255)}},
        {"Tone at full strength is the colour", 16, 255, 0x00332211, {pack(0, 128, 255)}, {pack(0x11, 0x22, 0x33)}},
        {"Tone halfway", 16, 128, 0x00FFFFFF, {grey(0)}, {grey(128)}},
        {"AmbientLight multiplies, truncating", 15, 255, 0x0000FF80, {pack(3, 100, 255)}, {pack(1, 100, 0)}},
        {"AmbientLight white at 255 keeps the picture", 15, 255, 0x00FFFFFF, {pack(3, 100, 255)},
         {pack(3, 100, 255)}},
        {"BackDropRemoval 0 replaces exactly C", 13, 0, 0x00302010,
         {pack(0x10, 0x20, 0x30), pack(0x11, 0x20, 0x30), pack(0x10, 0x20, 0x2F)},
         {pack(0xEF, 0xDF, 0xCF), pack(0x11, 0x20, 0x30), pack(0x10, 0x20, 0x2F)}},
        {"BackDropRemoval 3 reaches a distance of 3", 13, 3, 0x00000000,
         {pack(3, 0, 0), pack(2, 2, 1), pack(2, 2, 2), pack(0, 0, 4)},
         {grey(255), grey(255), pack(2, 2, 2), pack(0, 0, 4)}},
    };
    for (const Row& row : rows) {
        const FxPicture source = rowPicture(row.in);
        const std::optional<FxPicture> out = effectOf(row.effect, row.v, row.c, source);
        ASSERT_TRUE(out.has_value()) << row.what;
        EXPECT_EQ(rowOf(*out), row.out) << row.what;
    }
}

TEST(PointFormulas, NeutralValuesKeepEveryColour) {
    // Every 15th value of each channel: 4913 colours, each exactly kept.
    std::vector<uint32_t> cube;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) cube.push_back(pack(r, g, b));
    const FxPicture source = rowPicture(cube);
    for (const auto& [effect, v] : {std::pair<int, int16_t>{37, 0}, {35, 0}, {2, 100}, {5, 25}, {15, 0}, {55, 0}}) {
        const std::optional<FxPicture> out = effectOf(effect, v, 0x00808080, source);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(rowOf(*out), cube) << "effect " << effect << " at " << v;
    }
    // Turning the hue all the way round in steps of 60 degrees comes back exactly.
    const std::optional<FxPicture> half = effectOf(37, 180, 0, source);
    ASSERT_TRUE(half.has_value());
    const std::optional<FxPicture> whole = effectOf(37, 180, 0, *half);
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(rowOf(*whole), cube);
}

TEST(PointFormulas, OnlyTheLow24BitsOfAColourCount) {
    const FxPicture source = makeFixture(Fixture::Photo, 16, 9);
    for (const int effect : {13, 15, 16}) {
        const gdi::COLORREF c = 0x00407090;
        const std::optional<FxPicture> plain = effectOf(effect, 200, c, source);
        const std::optional<FxPicture> high = effectOf(effect, 200, c | 0xFF000000u, source);
        ASSERT_TRUE(plain && high);
        EXPECT_EQ(plain->pixels(), high->pixels()) << effect;
    }
    // Replace Color passes not C, whose high byte is set: it draws the complement's colour.
    FxPicture keyed(1, 1);
    keyed.set(0, 0, 0x00407090);
    int32_t result = -1;
    FxPicture out(1, 1);
    filterlib::FxBackDropRemoval(out.dc(), keyed.dc(), 0x00907040, ~0x00907040u, 0, result);
    EXPECT_EQ(out.at(0, 0), pack(0xBF, 0x8F, 0x6F));
}

}  // namespace
}  // namespace fxtest
