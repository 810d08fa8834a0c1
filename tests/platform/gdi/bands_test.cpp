// Band sets: every combination against a plain per-pixel mask, the canonical form of
// every result, and a clip cut into a grid whose size follows its shape.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "canvas.h"
#include "platform/gdi/bands.h"
#include "platform/gdi/device_drawing.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/regions.h"

using namespace gdi;
using namespace gdi::test;
using detail::Bands;

namespace {

constexpr uint32_t kUntouched = 0xFF123456;  // alpha 255: no gdi call writes that

// The oracle's world: the pixels of [0, kSide) x [0, kSide) and a margin around them,
// which the rectangles reach into.
constexpr int kSide = 48, kMargin = 4;

using Mask = std::vector<bool>;  // (x + kMargin) + (y + kMargin) * (kSide + 2 * kMargin)
constexpr int kMaskSide = kSide + 2 * kMargin;

Mask maskOf(const std::vector<RECT>& rects) {
    Mask m(size_t(kMaskSide) * kMaskSide);
    for (const RECT& r : rects)
        for (int y = std::max<int>(r.top, -kMargin); y < std::min<int>(r.bottom, kSide + kMargin); ++y)
            for (int x = std::max<int>(r.left, -kMargin); x < std::min<int>(r.right, kSide + kMargin); ++x)
                m[size_t(x + kMargin) + size_t(y + kMargin) * kMaskSide] = true;
    return m;
}

bool op(Bands::Op o, bool a, bool b) {
    switch (o) {
    case Bands::Op::And: return a && b;
    case Bands::Op::Or: return a || b;
    case Bands::Op::Xor: return a != b;
    case Bands::Op::Diff: return a && !b;
    }
    return false;
}

// What breaks the canonical form, or "".
std::string formFault(const Bands& s) {
    const Bands::Band* above = nullptr;
    for (const Bands::Band& band : s.bands()) {
        if (band.top >= band.bottom) return "an empty band";
        if (band.count == 0) return "a band without spans";
        if (above && above->bottom > band.top) return "overlapping bands";
        const auto spans = s.spans(band);
        for (size_t i = 0; i < spans.size(); ++i) {
            if (spans[i].left >= spans[i].right) return "an empty span";
            if (i > 0 && spans[i - 1].right >= spans[i].left) return "spans that touch or overlap";
        }
        if (above && above->bottom == band.top) {
            const auto prior = s.spans(*above);
            if (std::equal(prior.begin(), prior.end(), spans.begin(), spans.end())) return "identical bands that meet";
        }
        above = &band;
    }
    return "";
}

// Where the set and the mask first differ, or "".
std::string coverageFault(const Bands& s, const Mask& expected) {
    for (int y = -kMargin; y < kSide + kMargin; ++y)
        for (int x = -kMargin; x < kSide + kMargin; ++x)
            if (s.contains(x, y) != expected[size_t(x + kMargin) + size_t(y + kMargin) * kMaskSide])
                return std::to_string(x) + "," + std::to_string(y);
    return "";
}

std::vector<RECT> randomRects(std::mt19937& random, int count, int maxSize) {
    std::uniform_int_distribution<int> at(-kMargin, kSide), size(0, maxSize);
    std::vector<RECT> rects(static_cast<size_t>(count));
    for (RECT& r : rects) {
        const int x = at(random), y = at(random);
        r = {x, y, std::min(x + size(random), kSide + kMargin), std::min(y + size(random), kSide + kMargin)};
    }
    return rects;
}

const Bands::Op kOps[] = {Bands::Op::And, Bands::Op::Or, Bands::Op::Xor, Bands::Op::Diff};
const char* const kOpNames[] = {"and", "or", "xor", "diff"};

TEST(Bands, EveryCombinationMatchesThePixelMask) {
    const struct {
        const char* name;
        int countA, countB, maxSize;
    } cases[] = {
        {"one rectangle each", 1, 1, 30},
        {"a few large, overlapping", 4, 5, 40},
        {"many small", 40, 40, 6},
        {"many thin", 30, 30, 3},
        {"dense against sparse", 60, 3, 20},
        {"nothing against some", 0, 8, 20},
        {"some against nothing", 8, 0, 20},
    };
    std::mt19937 random(11);
    for (const auto& c : cases)
        for (int round = 0; round < 12; ++round) {
            const std::vector<RECT> ra = randomRects(random, c.countA, c.maxSize);
            const std::vector<RECT> rb = randomRects(random, c.countB, c.maxSize);
            const Bands a = Bands::fromRects(ra), b = Bands::fromRects(rb);
            const Mask ma = maskOf(ra), mb = maskOf(rb);
            ASSERT_EQ(coverageFault(a, ma), "") << c.name;
            ASSERT_EQ(formFault(a), "") << c.name;
            for (size_t k = 0; k < std::size(kOps); ++k) {
                const Bands result = Bands::combine(a, b, kOps[k]);
                Mask expected(ma.size());
                for (size_t i = 0; i < ma.size(); ++i) expected[i] = op(kOps[k], ma[i], mb[i]);
                EXPECT_EQ(coverageFault(result, expected), "") << c.name << ", " << kOpNames[k] << ", round " << round;
                EXPECT_EQ(formFault(result), "") << c.name << ", " << kOpNames[k] << ", round " << round;
                // The same pixels built another way are the same set, member by member.
                std::vector<RECT> pixels;
                for (int y = -kMargin; y < kSide + kMargin; ++y)
                    for (int x = -kMargin; x < kSide + kMargin; ++x)
                        if (expected[size_t(x + kMargin) + size_t(y + kMargin) * kMaskSide]) pixels.push_back({x, y, x + 1, y + 1});
                EXPECT_TRUE(result == Bands::fromRects(pixels)) << c.name << ", " << kOpNames[k];
            }
        }
}

TEST(Bands, BoundsComplexityAndMoves) {
    const Bands two = Bands::fromRects(std::vector<RECT>{{0, 0, 2, 1}, {5, 3, 9, 4}});
    EXPECT_EQ(two.complexity(), COMPLEXREGION);
    EXPECT_EQ(two.bound().left, 0);
    EXPECT_EQ(two.bound().right, 9);
    EXPECT_EQ(two.bound().bottom, 4);
    EXPECT_EQ(Bands(RECT{3, 3, 1, 9}).complexity(), NULLREGION) << "swapped edges hold nothing";
    EXPECT_EQ(Bands(RECT{1, 1, 3, 9}).complexity(), SIMPLEREGION);
    const auto moved = two.offset(-10, 20);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(moved->contains(-5, 23));
    EXPECT_FALSE(moved->contains(5, 3));
    EXPECT_FALSE(two.offset(0x7FFFFFFF, 0)) << "past the 32-bit range";
    EXPECT_TRUE(two.covers(0, 0, 2, 1));
    EXPECT_FALSE(two.covers(0, 0, 3, 1));
    EXPECT_FALSE(two.covers(0, 0, 2, 2)) << "a gap between the bands";
}

// Strips cut out of a 900 x 900 clip every 3 pixels, both ways: the clip is 301 bands of
// 301 spans, however the cuts were ordered, and fills keep out of every strip.
TEST(Bands, AClipCutIntoAGridIsOneBandPerRowRun) {
    constexpr int kGridSide = 900, kStrips = 300;
    std::vector<std::pair<bool, int>> cuts;  // across?, position
    for (int k = 0; k < kStrips; ++k) cuts.push_back({true, 3 * k + 1}), cuts.push_back({false, 3 * k + 1});
    std::vector<std::vector<std::pair<bool, int>>> orders = {cuts, cuts};
    std::stable_partition(orders[0].begin(), orders[0].end(), [](auto c) { return c.first; });  // rows first
    std::shuffle(orders[1].begin(), orders[1].end(), std::mt19937(5));
    std::shared_ptr<const Bands> first;
    for (const auto& order : orders) {
        Canvas c(kGridSide, kGridSide, 32);
        c.fill(kUntouched);
        for (const auto& [across, at] : order)
            if (across) ExcludeClipRect(c.dc(), 0, at, kGridSide, at + 1);
            else ExcludeClipRect(c.dc(), at, 0, at + 1, kGridSide);
        const HRGN clip = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(GetClipRgn(c.dc(), clip), 1);
        RECT box{};
        EXPECT_EQ(GetRgnBox(clip, &box), COMPLEXREGION);
        const auto& bands = *detail::registry().get<detail::Region>(clip)->bands;
        EXPECT_EQ(bands.bands().size(), size_t(kStrips + 1));
        for (const Bands::Band& band : bands.bands()) ASSERT_EQ(band.count, uint32_t(kStrips + 1));
        EXPECT_EQ(formFault(bands), "");
        if (!first) first = detail::registry().get<detail::Region>(clip)->bands;
        else EXPECT_TRUE(bands == *first) << "the order of the cuts shows";
        DeleteObject(clip);

        Selected brush(c.dc(), CreateSolidBrush(RGB(0, 0, 255)));
        ASSERT_TRUE(FillFigures(c.dc(), {{{100, 100}, {400, 100}, {400, 300}, {100, 300}}}, ALTERNATE));
        int wrong = 0;
        for (int y = 95; y < 305; ++y)
            for (int x = 95; x < 405; ++x) {
                const bool inside = x >= 100 && x < 400 && y >= 100 && y < 300 && x % 3 != 1 && y % 3 != 1;
                wrong += c.at(x, y) != (inside ? 0x000000FFu : kUntouched);
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Bands, TheClipOfADcAsARegion) {
    Canvas c(20, 20, 32);
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(c.dc(), region), 0) << "no clip yet";
    IntersectClipRect(c.dc(), 2, 3, 12, 13);
    ExcludeClipRect(c.dc(), 4, 5, 6, 7);
    EXPECT_EQ(GetClipRgn(c.dc(), region), 1);
    EXPECT_TRUE(PtInRegion(region, 2, 3));
    EXPECT_FALSE(PtInRegion(region, 4, 5));
    EXPECT_FALSE(PtInRegion(region, 12, 3));
    // The region's later changes leave the clip alone.
    const HRGN other = CreateRectRgn(0, 0, 20, 20);
    CombineRgn(region, region, other, RGN_OR);
    const HRGN again = CreateRectRgn(0, 0, 0, 0);
    GetClipRgn(c.dc(), again);
    EXPECT_FALSE(PtInRegion(again, 4, 5));
    EXPECT_EQ(GetClipRgn(c.dc(), 0), -1);
    for (HRGN h : {region, other, again}) DeleteObject(h);
}

}  // namespace
