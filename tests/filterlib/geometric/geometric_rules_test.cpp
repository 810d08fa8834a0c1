// The geometric effects against what their mappings promise: turns that mirror each other
// with their sign, tiles and rows moved no further than their limits, blocks and bevels
// worked out by hand, and arguments out of range taken at their limits.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <vector>

#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

using filterlib::pack;
using Call = std::function<void(gdi::HDC d, gdi::HDC s, int32_t& result)>;

// A picture whose pixels name their own place: red x, green y (both below 256), blue 7, so
// no pixel is white.
FxPicture placeCoded(int w, int h) {
    FxPicture picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.set(x, y, pack(x, y, 7));
    return picture;
}

// The photo fixture with its right half the mirror image of its left.
FxPicture mirrorSymmetric(int w, int h) {
    FxPicture picture = makeFixture(Fixture::Photo, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x) picture.set(x, y, picture.at(w - 1 - x, y) & 0xFFFFFFu);
    return picture;
}

FxPicture mirrored(const FxPicture& picture) {
    FxPicture out(picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) out.set(x, y, picture.at(picture.width() - 1 - x, y));
    return out;
}

FxPicture run(const Call& call, const FxPicture& source, uint32_t background = 0) {
    FxPicture out(source.width(), source.height());
    out.fill(background);
    int32_t result = -1;
    call(out.dc(), source.dc(), result);
    EXPECT_EQ(result, filterlib::kFxOk);
    return out;
}

FxPicture windowCall(int effect, int16_t v, const FxPicture& source) {
    std::optional<FxPicture> out = effectOf(effect, v, 0, source);
    EXPECT_TRUE(out.has_value()) << effect;
    return out ? *out : FxPicture(source.width(), source.height());
}

std::vector<uint32_t> lowBytes(const FxPicture& picture) {
    std::vector<uint32_t> out = picture.pixels();
    for (uint32_t& p : out) p &= 0xFFFFFFu;
    return out;
}

TEST(GeometricRules, TurnsOfOppositeSignsMirrorEachOther) {
    const FxPicture source = mirrorSymmetric(48, 32);
    for (const auto& [effect, v] : {std::pair<int, int16_t>{27, 60}, {27, 100}, {28, 200}}) {
        SCOPED_TRACE(testing::Message() << "effect " << effect << " at " << v);
        const FxPicture turned = windowCall(effect, v, source), back = windowCall(effect, int16_t(-v), source);
        EXPECT_NE(turned.pixels(), lowBytes(source));
        EXPECT_EQ(mirrored(back).pixels(), turned.pixels());
    }
    // Twirl Ex turns by its first argument; its second pinches alike either way.
    const Call left = [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxTwirlEx(d, s, 70, 40, r); };
    const Call right = [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxTwirlEx(d, s, -70, 40, r); };
    EXPECT_EQ(mirrored(run(left, source)).pixels(), run(right, source).pixels());
}

TEST(GeometricRules, TurnsGoCounterclockwise) {
    // A white square just right of the centre, swirled by 90 degrees (near the centre
    // nearly the whole angle): counterclockwise on the screen brings it above the centre.
    FxPicture source(41, 41);
    source.fill(0);
    for (int y = 18; y <= 22; ++y)
        for (int x = 22; x <= 26; ++x) source.set(x, y, 0x00FFFFFFu);
    const FxPicture out = run([](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxSwirl(d, s, 90, r); }, source);
    int above = 0, below = 0;
    for (int x = 18; x <= 22; ++x) {
        above += out.at(x, 16) & 0xFF;
        below += out.at(x, 24) & 0xFF;
    }
    EXPECT_GT(above, 0);
    EXPECT_EQ(below, 0);
}

TEST(GeometricRules, TileLeavesWhiteGapsAndMovesNoTileFurtherThanItsLimit) {
    const FxPicture source = placeCoded(130, 95);
    for (const int16_t v : {int16_t(0), int16_t(30), int16_t(100)}) {
        SCOPED_TRACE(testing::Message() << "Tile at " << v);
        const int tile = 10 + v;
        const FxPicture out = run(
            [v](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxTile(d, s, v, v, 6, r); }, source, 0x00FFFFFFu);
        int white = 0;
        // Every drawn pixel shows its tile moved by one offset, the same for the whole tile.
        std::map<std::pair<int, int>, std::pair<int, int>> offsets;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const uint32_t p = out.at(x, y) & 0xFFFFFFu;
                if (p == 0x00FFFFFFu) {
                    ++white;
                    continue;
                }
                const int sx = filterlib::red(p), sy = filterlib::green(p);
                ASSERT_LE(std::abs(x - sx), 6);
                ASSERT_LE(std::abs(y - sy), 6);
                const auto [it, added] = offsets.insert({{sx / tile, sy / tile}, {x - sx, y - sy}});
                ASSERT_EQ(it->second, std::make_pair(x - sx, y - sy)) << "a tile torn apart at " << x << "," << y;
            }
        EXPECT_GT(white, 0);
        EXPECT_GT(int(offsets.size()), 1);
    }
    // With no room to move, the tiles cover D exactly.
    const FxPicture still = run(
        [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxTile(d, s, 7, 3, 0, r); }, source, 0x00FFFFFFu);
    EXPECT_EQ(still.pixels(), source.pixels());
}

TEST(GeometricRules, ShiftMovesEachRowByAtMostV) {
    const FxPicture source = placeCoded(120, 60);
    for (const int16_t v : {int16_t(1), int16_t(5), int16_t(40)}) {
        const FxPicture out = windowCall(24, v, source);
        int moved = 0;
        for (int y = 0; y < out.height(); ++y) {
            // The row as S's row moved by some amount within -v..v, edges repeated.
            auto movedBy = [&](int amount) {
                for (int x = 0; x < out.width(); ++x)
                    if (out.at(x, y) != source.at(std::clamp(x - amount, 0, out.width() - 1), y)) return false;
                return true;
            };
            int amount = -v;
            while (amount <= v && !movedBy(amount)) ++amount;
            ASSERT_LE(amount, v) << "row " << y << " is not its row moved by at most " << v;
            moved += amount != 0;
        }
        EXPECT_GT(moved, 0) << "Shift at " << v;
    }
}

TEST(GeometricRules, HandWorkedBlocksAndBevels) {
    auto grey = [](int v) { return pack(v, v, v); };
    // Mosaic 2 on 3 x 2: a whole block and a cut one; means round halves to even.
    FxPicture blocks(3, 2);
    const uint32_t in[2][3] = {{grey(10), grey(20), grey(100)}, {grey(30), grey(41), grey(201)}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) blocks.set(x, y, in[y][x] | 0x3C000000u);
    EXPECT_EQ(windowCall(12, 2, blocks).pixels(),
              (std::vector<uint32_t>{grey(25), grey(25), grey(150), grey(25), grey(25), grey(150)}));
    EXPECT_EQ(windowCall(12, 1, blocks).pixels(), lowBytes(blocks));

    // Make 3D on a flat grey: each face by its own step, the corners by their diagonals.
    FxPicture flat(20, 20);
    flat.fill(grey(100));
    const FxPicture bevel = windowCall(39, 0, flat);
    struct Spot {
        int x, y, value;
    };
    for (const Spot& spot : {Spot{10, 0, 178}, {10, 5, 178}, {0, 10, 139}, {19, 10, 75}, {10, 19, 50},
                             {10, 6, 100}, {10, 13, 100}, {0, 0, 178}, {19, 0, 178}, {0, 19, 139},
                             {19, 19, 75}, {2, 1, 178}, {1, 2, 139}, {17, 18, 50}})
        EXPECT_EQ(bevel.at(spot.x, spot.y), grey(spot.value)) << spot.x << "," << spot.y;
}

TEST(GeometricRules, PiecesThatKeepTheirPlace) {
    const FxPicture source = placeCoded(40, 24);
    // Block Waves 4: bands of 12 rows, moved 4 to the right, then 4 to the left.
    const FxPicture waved = windowCall(66, 4, source);
    EXPECT_EQ(waved.at(10, 3), source.at(6, 3));
    EXPECT_EQ(waved.at(1, 3), source.at(0, 3));
    EXPECT_EQ(waved.at(10, 15), source.at(14, 15));
    // The third argument 2 moves columns instead: bands of 4 columns up and down.
    const FxPicture columns = run(
        [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxBlockWaves(d, s, 3, 0, 2, r); }, source);
    EXPECT_EQ(columns.at(1, 10), source.at(1, 7));
    EXPECT_EQ(columns.at(5, 10), source.at(5, 13));

    // Roll keeps the left three quarters, and the right end shows the paper's white back.
    const FxPicture rolled = windowCall(43, 0, source);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 30; ++x) ASSERT_EQ(rolled.at(x, y), source.at(x, y));
        EXPECT_EQ(rolled.at(39, y), 0x00FFFFFFu);
    }

    // Four Corners: mirror images about both middle lines, each quadrant the picture at
    // half size (the mean of each 2 x 2 block, to rounding).
    const FxPicture photo = makeFixture(Fixture::Photo, 48, 32);
    const FxPicture corners = windowCall(40, 0, photo);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint32_t p = corners.at(x, y);
            ASSERT_EQ(corners.at(47 - x, y), p);
            ASSERT_EQ(corners.at(x, 31 - y), p);
            for (const int shift : {16, 8, 0}) {
                int sum = 0;
                for (int k = 0; k < 4; ++k) sum += int((photo.at(2 * x + k % 2, 2 * y + k / 2) >> shift) & 0xFF);
                ASSERT_NEAR(int((p >> shift) & 0xFF), sum / 4.0, 1.0) << x << "," << y;
            }
        }
}

TEST(GeometricRules, PolarCoordinatesTurnColumnsIntoAnglesAndRowsIntoRadii) {
    // On a place-coded source the colour of a point tells where it was read (bilinear
    // samples of a linear code are that code at the point, less the half pixel).
    const FxPicture source = placeCoded(64, 48);
    const double diagonal = std::hypot(64, 48) / 2;
    auto readAt = [](const FxPicture& picture, int x, int y) {
        const uint32_t p = picture.at(x, y);
        return std::pair<double, double>{filterlib::red(p) + 0.5, filterlib::green(p) + 0.5};
    };
    // Forward: right of the centre is a quarter turn clockwise from the top, so a quarter
    // of the columns; its distance picks the row. Below the centre is half a turn.
    const FxPicture polar = windowCall(58, 0, source);
    for (const auto& [x, y] : {std::pair{50, 23}, {31, 40}, {5, 5}}) {
        const double u = x + 0.5 - 32, v = y + 0.5 - 24;
        double turns = std::atan2(u, -v) / (2 * M_PI);
        if (turns < 0) turns += 1;
        const auto [column, row] = readAt(polar, x, y);
        EXPECT_NEAR(column, turns * 64, 1.0) << x << "," << y;
        EXPECT_NEAR(row, std::hypot(u, v) / diagonal * 48, 1.0) << x << "," << y;
    }
    // Backward (the second direction): each column an angle, each row a radius.
    const FxPicture back = run([](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxPolarCoordinates(d, s, 1, r); },
                               source);
    for (const auto& [x, y] : {std::pair{16, 10}, {40, 20}, {60, 2}}) {
        const double angle = (x + 0.5) / 64 * 2 * M_PI, radius = (y + 0.5) / 48 * diagonal;
        const auto [column, row] = readAt(back, x, y);
        EXPECT_NEAR(column, 32 + radius * std::sin(angle), 1.0) << x << "," << y;
        EXPECT_NEAR(row, 24 - radius * std::cos(angle), 1.0) << x << "," << y;
    }
}

TEST(GeometricRules, ArgumentsOutOfRangeTakeTheirLimits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const FxPicture source = makeFixture(Fixture::Photo, 33, 21);
    struct Pair {
        const char* what;
        Call call, same;
    };
    const Call original = [](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxFragment(d, s, 0, r); };
    const std::vector<Pair> pairs = {
        {"TwirlEx of not-a-number", [&](auto d, auto s, auto& r) { filterlib::FxTwirlEx(d, s, nan, nan, r); },
         original},
        {"FishEyeEx of not-a-number", [&](auto d, auto s, auto& r) { filterlib::FxFishEyeEx(d, s, nan, r); },
         original},
        {"Cylindrical of not-a-number", [&](auto d, auto s, auto& r) { filterlib::FxCylindrical(d, s, nan, r); },
         original},
        {"Fragment below 0", [](auto d, auto s, auto& r) { filterlib::FxFragment(d, s, -3, r); }, original},
        {"Twirl above 100", [](auto d, auto s, auto& r) { filterlib::FxTwirl(d, s, 5000, r); },
         [](auto d, auto s, auto& r) { filterlib::FxTwirl(d, s, 100, r); }},
        {"Swirl below -255", [](auto d, auto s, auto& r) { filterlib::FxSwirl(d, s, -9999, r); },
         [](auto d, auto s, auto& r) { filterlib::FxSwirl(d, s, -255, r); }},
        {"FishEyeEx beyond 255", [](auto d, auto s, auto& r) { filterlib::FxFishEyeEx(d, s, 1e300, r); },
         [](auto d, auto s, auto& r) { filterlib::FxFishEyeEx(d, s, 255, r); }},
        {"Mosaic above 255", [](auto d, auto s, auto& r) { filterlib::FxMosaic(d, s, 100000, r); },
         [](auto d, auto s, auto& r) { filterlib::FxMosaic(d, s, 255, r); }},
        {"Shift above 255", [](auto d, auto s, auto& r) { filterlib::FxShift(d, s, 1 << 30, r); },
         [](auto d, auto s, auto& r) { filterlib::FxShift(d, s, 255, r); }},
        {"Make3D wider than half the picture", [](auto d, auto s, auto& r) { filterlib::FxMake3DEffect(d, s, 999, r); },
         [](auto d, auto s, auto& r) { filterlib::FxMake3DEffect(d, s, 10, r); }},
        {"Circular waves with negative arguments",
         [](auto d, auto s, auto& r) { filterlib::FxCircularWaves(d, s, -20, -20, r); },
         [](auto d, auto s, auto& r) { filterlib::FxCircularWaves(d, s, 0, 0, r); }},
        {"Waves on unknown axes are both", [](auto d, auto s, auto& r) { filterlib::FxWaves(d, s, 5, 3, 2, 7, r); },
         [](auto d, auto s, auto& r) { filterlib::FxWaves(d, s, 5, 3, 2, -1, r); }},
    };
    for (const Pair& pair : pairs) EXPECT_EQ(run(pair.call, source).pixels(), run(pair.same, source).pixels()) << pair.what;
}

}  // namespace
}  // namespace fxtest
