// The neighbourhood effects on small pictures: flat pictures stay flat, strips one pixel
// wide or high work, and each effect's rule checked against a direct computation of its
// definition or against values worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "filterlib/core/pixel.h"
#include "filterlib/effect_calls.h"
#include "filterlib/fx.h"
#include "reference/reference_cases.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

using filterlib::pack;
using filterlib::red;

const std::vector<int> kBlurs = {33, 46, 44, 45, 47, 50, 51, 52, 65, 59, 3, 4};
const std::vector<int> kNeighbourhood = {3, 4, 33, 46, 44, 45, 47, 50, 51, 52, 65, 20, 34, 36, 32, 29, 59};

FxPicture flat(int w, int h, uint32_t colour) {
    FxPicture p(w, h);
    p.fill(colour | 0x5A000000u);
    return p;
}

// The effect called directly, with arguments the window never passes.
using Direct = std::function<void(gdi::HDC d, gdi::HDC s, int32_t& result)>;
FxPicture directly(const FxPicture& source, const Direct& call) {
    FxPicture out(source.width(), source.height());
    int32_t result = -1;
    call(out.dc(), source.dc(), result);
    EXPECT_EQ(result, filterlib::kFxOk);
    return out;
}

// Each channel's mean over the pixels `at` gives, halves to even.
template <class At>
uint32_t meanOf(int n, At at) {
    int64_t r = 0, g = 0, b = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t p = at(i);
        r += filterlib::red(p), g += filterlib::green(p), b += filterlib::blue(p);
    }
    return pack(int(filterlib::divRound(r, n)), int(filterlib::divRound(g, n)), int(filterlib::divRound(b, n)));
}

uint32_t clampedPixel(const FxPicture& p, int x, int y) {
    return p.at(std::clamp(x, 0, p.width() - 1), std::clamp(y, 0, p.height() - 1)) & 0xFFFFFFu;
}

TEST(NeighbourhoodFormulas, FlatPicturesStayFlatUnderEveryBlur) {
    const uint32_t colour = pack(200, 91, 17);
    for (const auto& [w, h] : {std::pair{23, 17}, {1, 9}, {9, 1}}) {
        const FxPicture source = flat(w, h, colour);
        for (const int effect : kBlurs) {
            const filterlib::EffectCall* call = filterlib::effectCall(effect);
            for (const int16_t v : {call->start, call->max}) {
                const std::optional<FxPicture> out = effectOf(effect, v, 0, source);
                ASSERT_TRUE(out.has_value()) << call->function;
                EXPECT_EQ(out->pixels(), std::vector<uint32_t>(size_t(w) * size_t(h), colour))
                    << call->function << " at " << v << " on " << w << "x" << h;
            }
        }
    }
}

TEST(NeighbourhoodFormulas, StripsOnePixelWideOrHighBlurAlongTheirLength) {
    // Across a strip every window reads the same pixel again, so a box of radius r is
    // the 1-D mean of 2r + 1 pixels along it.
    for (const auto& [w, h] : {std::pair{1, 12}, {12, 1}}) {
        const FxPicture source = makeFixture(Fixture::Photo, w, h);
        for (const auto& [effect, v, radius] : {std::tuple{33, 0, 1}, {50, 4, 4}, {50, 50, 50}}) {
            const std::optional<FxPicture> out = effectOf(effect, int16_t(v), 0, source);
            ASSERT_TRUE(out.has_value());
            for (int i = 0; i < w * h; ++i) {
                const int x = w == 1 ? 0 : i, y = w == 1 ? i : 0;
                const uint32_t expected = meanOf(2 * radius + 1, [&](int k) {
                    const int o = k - radius;
                    return clampedPixel(source, x + (w == 1 ? 0 : o), y + (w == 1 ? o : 0));
                });
                ASSERT_EQ(out->at(x, y), expected) << effect << " at " << v << " on " << w << "x" << h << ", " << i;
            }
        }
        // Every other effect of the family draws the strip at its start and maximum.
        for (const int effect : kNeighbourhood) {
            const filterlib::EffectCall* call = filterlib::effectCall(effect);
            for (const int16_t v : {call->start, call->max})
                EXPECT_TRUE(effectOf(effect, v, 0x00FF8040, source).has_value()) << call->function;
        }
    }
}

TEST(NeighbourhoodFormulas, MotionBlurAlongAnAxisIsTheMeanOfWholePixels) {
    const FxPicture source = makeFixture(Fixture::Photo, 21, 13);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Angles count counterclockwise on the screen; not a number counts as 0.
    for (const auto& [angle, length, dx, dy] : {std::tuple{0.0, 15, 1, 0}, {90.0, 15, 0, -1}, {180.0, 3, -1, 0},
                                                 {nan, 5, 1, 0}}) {
        const FxPicture out = directly(source, [angle = angle, length = length](gdi::HDC d, gdi::HDC s, int32_t& r) {
            filterlib::FxMotionBlur(d, s, angle, length, r);
        });
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 21; ++x) {
                const uint32_t expected = meanOf(length, [&](int k) {
                    const int t = k - (length - 1) / 2;
                    return clampedPixel(source, x + t * dx, y + t * dy);
                });
                ASSERT_EQ(out.at(x, y), expected) << angle << " at " << x << "," << y;
            }
    }
    // An even length centres its samples between pixels; the path is the same both ways.
    auto motion = [&](double angle) {
        return directly(source, [angle](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxMotionBlur(d, s, angle, 8, r); });
    };
    EXPECT_EQ(motion(33).pixels(), motion(213).pixels());
}

// Oil Paint straight from its definition: counts and sums of the window's levels.
uint32_t oilPaintAt(const FxPicture& p, int x, int y, int r, int levels) {
    const auto n = static_cast<size_t>(levels);
    std::vector<int64_t> count(n), sr(n), sg(n), sb(n);
    for (int j = -r; j <= r; ++j)
        for (int i = -r; i <= r; ++i) {
            const uint32_t c = clampedPixel(p, x + i, y + j);
            const size_t l = size_t(filterlib::luma(c) * levels / 256);
            ++count[l], sr[l] += filterlib::red(c), sg[l] += filterlib::green(c), sb[l] += filterlib::blue(c);
        }
    size_t mode = 0;
    for (size_t l = 1; l < count.size(); ++l)
        if (count[l] > count[mode]) mode = l;
    const int64_t k = count[mode];
    return pack(int(filterlib::divRound(sr[mode], k)), int(filterlib::divRound(sg[mode], k)),
                int(filterlib::divRound(sb[mode], k)));
}

TEST(NeighbourhoodFormulas, OilPaintEqualsTheMostFrequentLevelOfEachWindow) {
    for (const auto& [w, h, r, levels] : {std::tuple{29, 17, 2, 8}, {29, 17, 1, 256}, {12, 9, 3, 3}, {4, 3, 20, 40},
                                          {1, 11, 2, 16}}) {
        const FxPicture source = makeFixture(Fixture::Photo, w, h);
        const FxPicture out = directly(source, [r = r, levels = levels](gdi::HDC d, gdi::HDC s, int32_t& result) {
            filterlib::FxOilPaint(d, s, r, levels, result);
        });
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out.at(x, y), oilPaintAt(source, x, y, r, levels))
                    << w << "x" << h << " r " << r << " levels " << levels << " at " << x << "," << y;
    }
}

// A picture whose left `split` columns are `left` and the rest `right`.
FxPicture twoHalves(int w, int h, int split, uint32_t left, uint32_t right) {
    FxPicture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.set(x, y, x < split ? left : right);
    return p;
}

TEST(NeighbourhoodFormulas, EdgesAndTheirNeighbours) {
    const FxPicture step = twoHalves(12, 7, 6, pack(0, 0, 0), pack(200, 200, 200));
    const int32_t stepCentre = 6;
    // Smart Blur keeps a step higher than its threshold, where Blur mixes the sides.
    const std::optional<FxPicture> smart = effectOf(44, 0, 0, step), blur = effectOf(33, 0, 0, step);
    ASSERT_TRUE(smart && blur);
    EXPECT_EQ(smart->pixels(), step.pixels());
    EXPECT_EQ(blur->at(stepCentre, 3), pack(133, 133, 133));
    // Anti-aliasing leaves a straight edge alone: its neighbours along the edge are alike.
    const std::optional<FxPicture> smooth = effectOf(4, 0, 0, step);
    ASSERT_TRUE(smooth);
    EXPECT_EQ(smooth->pixels(), step.pixels());
    // Detect Borders: the step's Sobel magnitude is 4 x 200 = 800 beside it and 0 elsewhere,
    // drawn in C above 4 (20 + V/2); at V = 360 the threshold, 800, would not be exceeded,
    // but V stops at 255, where a step of 148 still shows.
    const gdi::COLORREF c = 0x00102030;
    for (const auto& [v, edge] : {std::pair{0, true}, {255, true}, {360, true}}) {
        const std::optional<FxPicture> borders = effectOf(32, int16_t(v), c, step);
        ASSERT_TRUE(borders);
        EXPECT_EQ(borders->at(stepCentre, 3), edge ? pack(0x30, 0x20, 0x10) : pack(0xCF, 0xDF, 0xEF)) << v;
        EXPECT_EQ(borders->at(stepCentre - 1, 3), borders->at(stepCentre, 3)) << v;
        EXPECT_EQ(borders->at(0, 3), pack(0xCF, 0xDF, 0xEF)) << v;
    }
    // Find Edges: white where flat, 255 - (1 + V) m / 4 beside the step (Sobel m = 800,
    // Prewitt 600).
    const std::optional<FxPicture> edges = effectOf(36, 0, 0, step);
    ASSERT_TRUE(edges);
    EXPECT_EQ(edges->at(0, 3), pack(255, 255, 255));
    EXPECT_EQ(edges->at(stepCentre, 3), pack(55, 55, 55));
    const FxPicture prewitt = directly(step, [](gdi::HDC d, gdi::HDC s, int32_t& r) {
        filterlib::FxFindEdges(d, s, 0, 1, r);
    });
    EXPECT_EQ(prewitt.at(stepCentre, 3), pack(105, 105, 105));
    const FxPicture low = twoHalves(12, 7, 6, pack(0, 0, 0), pack(147, 147, 147)),
                    high = twoHalves(12, 7, 6, pack(0, 0, 0), pack(148, 148, 148));
    const std::optional<FxPicture> lowBorders = effectOf(32, 255, c, low), highBorders = effectOf(32, 255, c, high);
    ASSERT_TRUE(lowBorders && highBorders);
    EXPECT_EQ(lowBorders->at(stepCentre, 3), pack(0xCF, 0xDF, 0xEF));
    EXPECT_EQ(highBorders->at(stepCentre, 3), pack(0x30, 0x20, 0x10));
    // Relief: flat ground is 180; a rise to the right faces the light at the top left, a
    // fall to the right lies in its shadow.
    const std::optional<FxPicture> rise = effectOf(34, 0, 0, step);
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->at(0, 3), pack(180, 180, 180));
    EXPECT_GT(red(rise->at(stepCentre, 3)), 180);
    const FxPicture fall = twoHalves(12, 7, 6, pack(200, 200, 200), pack(0, 0, 0));
    const std::optional<FxPicture> shade = effectOf(34, 0, 0, fall);
    ASSERT_TRUE(shade);
    EXPECT_LT(red(shade->at(stepCentre, 3)), 180);
}

TEST(NeighbourhoodFormulas, HandWorkedValues) {
    // A 3x3 picture: the centre 100, its neighbours 90 (edges repeat them).
    FxPicture dot(3, 3);
    dot.fill(pack(90, 90, 90));
    dot.set(1, 1, pack(100, 50, 90));
    // Sharpening at k = 0.5: 100 + 0.5 (8 x 100 - 8 x 90) = 140; 50 + 0.5 (400 - 720) = 0
    // (saturated); 90 stays.
    const std::optional<FxPicture> sharp = effectOf(3, 50, 0, dot);
    ASSERT_TRUE(sharp);
    EXPECT_EQ(sharp->at(1, 1), pack(140, 0, 90));
    // Emboss at k = 1: the centre's luma 70 less its top-left neighbour's 90, added to
    // every channel; the neighbours below and right of it see 90 - 70.
    const std::optional<FxPicture> emboss = effectOf(20, 100, 0, dot);
    ASSERT_TRUE(emboss);
    EXPECT_EQ(emboss->at(1, 1), pack(80, 30, 70));
    EXPECT_EQ(emboss->at(2, 2), pack(110, 110, 110));
    EXPECT_EQ(emboss->at(0, 0), pack(90, 90, 90));
    const std::optional<FxPicture> engrave = effectOf(20, -100, 0, dot);
    ASSERT_TRUE(engrave);
    EXPECT_EQ(engrave->at(1, 1), pack(120, 70, 110));
    // Neon: black where flat; a lone dot's edges glow out to the glow radius beyond them.
    FxPicture spot = flat(15, 15, 0);
    spot.set(7, 7, pack(0, 160, 0));
    const FxPicture neon = directly(spot, [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxNeon(d, s, 0, 2, r); });
    EXPECT_EQ(neon.at(0, 0), 0u);
    EXPECT_NE(neon.at(7 + 1 + 2, 7), 0u);
    EXPECT_EQ(neon.at(7 + 1 + 3, 7), 0u);
    EXPECT_EQ(neon.at(7, 7) & 0xFF00FFu, 0u) << "only the green channel had an edge";
    // Unsharp Mask deepens both sides of a step.
    const FxPicture step = twoHalves(12, 5, 6, pack(60, 60, 60), pack(180, 180, 180));
    const std::optional<FxPicture> unsharp = effectOf(65, 4, 0, step);
    ASSERT_TRUE(unsharp);
    EXPECT_LT(red(unsharp->at(5, 2)), 60);
    EXPECT_GT(red(unsharp->at(6, 2)), 180);
    EXPECT_EQ(unsharp->at(0, 2), pack(60, 60, 60));
}

TEST(NeighbourhoodFormulas, MoreBlurBlursOnlyTheChannelsItIsGiven) {
    const FxPicture source = makeFixture(Fixture::Photo, 16, 12);
    const std::optional<FxPicture> all = effectOf(45, 3, 0, source);
    ASSERT_TRUE(all);
    for (const auto& [mask, kept] : {std::pair{4, 0x00FFFFu}, {1, 0xFFFF00u}, {3, 0xFF0000u}, {0, 0xFFFFFFu}}) {
        const FxPicture out = directly(source, [mask = mask](gdi::HDC d, gdi::HDC s, int32_t& r) {
            filterlib::FxAdvancedBlur(d, s, 3, 25, mask, r);
        });
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(out.at(x, y), (source.at(x, y) & kept) | (all->at(x, y) & ~kept & 0xFFFFFFu))
                    << "mask " << mask << " at " << x << "," << y;
    }
}

TEST(NeighbourhoodFormulas, ArgumentsOutsideTheirRangesAreClampedOrNeutral) {
    const FxPicture source = makeFixture(Fixture::Photo, 9, 7);
    std::vector<uint32_t> kept = source.pixels();
    for (uint32_t& p : kept) p &= 0xFFFFFFu;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<const char*, Direct>> neutral = {
        {"Sharpening NaN", [&](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxSharpening(d, s, nan, r); }},
        {"Sharpening below 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxSharpening(d, s, -3, r); }},
        {"Emboss NaN", [&](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxEmboss(d, s, nan, r); }},
        {"Unsharp NaN", [&](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxUnsharpMask(d, s, 2, nan, r); }},
        {"Unsharp radius 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxUnsharpMask(d, s, -4, 3, r); }},
        {"Far Blur below 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxFarBlur(d, s, -9, r); }},
        {"Radial Blur below 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxRadialBlur(d, s, -30, r); }},
        {"Zoom Blur below 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxZoomBlur(d, s, -30, r); }},
        {"Smart Blur 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxSmartBlur(d, s, -5, r); }},
        {"Oil Paint radius 0", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxOilPaint(d, s, -2, 9, r); }},
        {"Motion Blur one sample", [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxMotionBlur(d, s, 40, 0, r); }},
    };
    for (const auto& [what, call] : neutral) EXPECT_EQ(directly(source, call).pixels(), kept) << what;
    // Beyond their ranges: the same bytes as at the ends.
    const std::vector<std::pair<Direct, Direct>> same = {
        {[](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxFarBlur(d, s, 5000, r); },
         [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxFarBlur(d, s, 1000, r); }},
        {[](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxOilPaint(d, s, 99, 999, r); },
         [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxOilPaint(d, s, 20, 256, r); }},
        {[](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxMotionBlur(d, s, 400, 1000, r); },
         [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxMotionBlur(d, s, 40, 101, r); }},
        {[](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxSharpening(d, s, 1e9f, r); },
         [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxSharpening(d, s, 10, r); }},
        {[](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxNeon(d, s, 300, 99, r); },
         [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxNeon(d, s, 5, 20, r); }},
    };
    for (size_t i = 0; i < same.size(); ++i)
        EXPECT_EQ(directly(source, same[i].first).pixels(), directly(source, same[i].second).pixels()) << i;
}

// Emboss against Pillow's EMBOSS (a relief lit from the top left, offset by 128): the
// change we make to the picture leans the same way as Pillow's relief for a positive
// depth, and the other way for a negative one.
TEST(NeighbourhoodFormulas, EmbossLeansTheWayOfPillowsRelief) {
    const std::string missing = toolMissing(Tool::Pillow);
    if (!missing.empty()) GTEST_SKIP() << missing;
    const FxPicture source = makeFixture(Fixture::Greys, 48, 32);
    std::string error;
    const std::optional<Rgb> pillow = runReference({Tool::Pillow, "img.filter(ImageFilter.EMBOSS)"}, source, nullptr,
                                                   &error);
    ASSERT_TRUE(pillow.has_value()) << error;
    const std::vector<uint8_t> before = source.rgb();
    for (const int16_t v : {100, -100, 255}) {
        const std::optional<FxPicture> ours = effectOf(20, v, 0, source);
        ASSERT_TRUE(ours);
        const std::vector<uint8_t> after = ours->rgb();
        double correlation = 0;
        for (size_t i = 0; i < after.size(); i += 3)
            correlation += (double(after[i]) - before[i]) * (double(pillow->bytes[i]) - 128);
        EXPECT_EQ(correlation > 0, v > 0) << v << ": " << correlation;
        EXPECT_NE(correlation, 0) << v;
    }
}

}  // namespace
}  // namespace fxtest
