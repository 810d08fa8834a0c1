// The player's clip: region selections in every mode against a per-pixel mask, clips cut
// into grids, saved states that share their clip, and the bound on what they hold.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/regions.h"
#include "platform/picture/metafile_builder.h"
#include "platform/picture/metafile_player.h"
#include "platform/picture/playback_state.h"

namespace picture::test {
namespace {

using namespace gdi;
using detail::Playback;
using picture::testing::EmfBuilder;
using picture::testing::WmfBuilder;

constexpr uint32_t kUntouched = 0xFFFFFFFF;  // white with alpha 255: playback never writes it
constexpr int kSide = 96;                    // pictures of kSide x kSide pixels, played 1:1

// The pixels of a kSide x kSide picture, top row first.
using Mask = std::vector<bool>;

Mask maskOf(const std::vector<RECT>& rects) {
    Mask m(size_t(kSide) * kSide);
    for (const RECT& r : rects)
        for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, kSide); ++y)
            for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, kSide); ++x) m[size_t(y) * kSide + x] = true;
    return m;
}

// Played into a kSide x kSide DIB prefilled untouched; 0xAARRGGBB, top row first.
std::vector<uint32_t> playedEmf(const std::vector<uint8_t>& emf) {
    DibSurface s(kSide, kSide, 32);
    for (int y = 0; y < kSide; ++y) std::fill_n(reinterpret_cast<uint32_t*>(s.row(y)), kSide, kUntouched);
    const detail::PlayTarget target{0, 0, kSide, kSide, {0, 0, kSide, kSide}};
    std::string reason;
    EXPECT_TRUE(detail::playEmf(s.dc(), emf, target, &reason)) << reason;
    std::vector<uint32_t> out;
    for (int y = 0; y < kSide; ++y) out.insert(out.end(), reinterpret_cast<uint32_t*>(s.row(y)), reinterpret_cast<uint32_t*>(s.row(y)) + kSide);
    return out;
}

std::vector<RECT> randomRects(std::mt19937& random, int count) {
    std::uniform_int_distribution<int> at(-8, kSide), size(0, kSide / 2);
    std::vector<RECT> rects(static_cast<size_t>(count));
    for (RECT& r : rects) {
        const int x = at(random), y = at(random);
        r = {x, y, x + size(random), y + size(random)};
    }
    return rects;
}

bool combined(int mode, bool clip, bool region) {
    switch (mode) {
    case RGN_AND: return clip && region;
    case RGN_OR: return clip || region;
    case RGN_XOR: return clip != region;
    case RGN_DIFF: return clip && !region;
    default: return region;  // RGN_COPY
    }
}

// An EMF that selects random regions into the clip in each mode in turn, filling the
// whole picture in a colour of its own after each, beside what a per-pixel mask says it
// draws: the last colour whose clip held the pixel.
TEST(PlaybackClip, EveryCombineModeDrawsWhatTheMaskSays) {
    const struct {
        const char* name;
        int rects;
        std::vector<int> modes;
    } cases[] = {
        {"each mode once", 4, {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY}},
        {"from the whole picture", 3, {RGN_XOR, RGN_DIFF, RGN_OR, RGN_AND}},
        {"copy first", 6, {RGN_COPY, RGN_XOR, RGN_XOR, RGN_AND, RGN_OR, RGN_DIFF}},
        {"many rectangles", 25, {RGN_OR, RGN_DIFF, RGN_XOR, RGN_COPY, RGN_AND}},
        {"empty regions", 0, {RGN_OR, RGN_XOR, RGN_AND, RGN_DIFF}},
    };
    std::mt19937 random(21);
    for (const auto& c : cases) {
        EmfBuilder emf(kSide, kSide, 2);
        Mask clip(size_t(kSide) * kSide, true);  // no region selected: the whole picture
        std::vector<uint32_t> expected(clip.size(), kUntouched);
        uint32_t colour = 0x102030;
        for (int mode : c.modes) {
            const std::vector<RECT> rects = randomRects(random, c.rects);
            picture::testing::emfSelectClipRegion(emf, uint32_t(mode), rects);
            const Mask region = maskOf(rects);
            for (size_t i = 0; i < clip.size(); ++i) clip[i] = combined(mode, clip[i], region[i]);
            colour += 0x0F1E2D;
            picture::testing::emfSolidFill(emf, colour & 0xFFFFFF);
            picture::testing::emfRectangle(emf, -5, -5, kSide + 5, kSide + 5);
            const uint32_t drawn = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);  // alpha 0
            for (size_t i = 0; i < clip.size(); ++i)
                if (clip[i]) expected[i] = drawn;
        }
        const std::vector<uint32_t> played = playedEmf(emf.bytes());
        int wrong = 0;
        for (size_t i = 0; i < played.size(); ++i)
            if (played[i] != expected[i] && wrong++ < 3)
                ADD_FAILURE() << c.name << " at " << i % kSide << "," << i / kSide << ": " << std::hex << played[i]
                              << " instead of " << expected[i];
    }
}

// Drives a player's state directly, into a DIB that nothing is drawn on.
struct Player {
    explicit Player(int side) : surface(side, side, 32), playback(surface.dc(), detail::Affine{}, {0, 0, side, side}, 2) {}
    const gdi::detail::Clip& clip() { return playback.state().clip; }
    // `strips` one-pixel strips cut out both ways, evenly spread.
    void cutGrid(int side, int strips) {
        for (int k = 0; k < strips; ++k) {
            const int at = k * side / strips + 1;
            playback.excludeClip(0, at, side, at + 1);
            playback.excludeClip(at, 0, at + 1, side);
        }
    }
    DibSurface surface;
    Playback playback;
};

// 300 strips each way, then 4,096 SaveDC records: every saved state holds the one grid.
TEST(PlaybackClip, SavedStatesShareTheClipTheyDidNotChange) {
    Player p(900);
    p.cutGrid(900, 300);
    ASSERT_EQ(p.clip().bands()->bands().size(), 301u);
    ASSERT_EQ(p.clip().bands()->rectCount(), 301u * 301u);
    for (size_t k = 0; k < Playback::kMaxSavedStates + 10; ++k) p.playback.save();
    EXPECT_EQ(p.playback.savedStates(), Playback::kMaxSavedStates) << "the count still bounds them";
    EXPECT_EQ(p.clip().bands().use_count(), long(Playback::kMaxSavedStates) + 1);
    EXPECT_LT(p.playback.savedBytes(), Playback::kMaxSavedStates * 4096) << "no saved state holds a grid of its own";
    // A change that changes nothing keeps the set; one that does leaves theirs alone.
    p.playback.intersectClip(0, 0, 900, 900);
    EXPECT_EQ(p.clip().bands().use_count(), long(Playback::kMaxSavedStates) + 1);
    const auto saved = p.clip().bands();
    p.playback.excludeClip(0, 0, 900, 1);
    EXPECT_NE(p.clip().bands(), saved);
    EXPECT_EQ(saved.use_count(), long(Playback::kMaxSavedStates) + 1);
    p.playback.restore(-1);
    EXPECT_EQ(p.clip().bands(), saved);
}

// A clip changed before every save makes each saved state hold one of its own: the bytes
// bound them before the count does, and restoring gives the bytes back.
TEST(PlaybackClip, SavedStatesAreBoundedByTheirBytes) {
    Player p(400);  // a work budget large enough for the changes
    p.cutGrid(300, 100);
    const size_t gridBytes = p.clip().bands()->bytes();
    ASSERT_GT(gridBytes, Playback::kMaxSavedBytes / Playback::kMaxSavedStates);
    size_t taken = 0;
    for (int k = 0; k < 1000; ++k) {
        const int x = 3 * (k % 100) + 2, y = 3 * (k / 100);  // off the strips: each cut changes the clip
        p.playback.excludeClip(x, y, x + 1, y + 1);
        p.playback.save();
        taken = std::max(taken, p.playback.savedStates());
    }
    EXPECT_LE(p.playback.savedBytes(), Playback::kMaxSavedBytes);
    EXPECT_LT(taken, 1000u);
    EXPECT_GE(taken, Playback::kMaxSavedBytes / gridBytes / 2) << "as many as the bytes allow";
    p.playback.restore(1);
    EXPECT_EQ(p.playback.savedStates(), 0u);
    EXPECT_EQ(p.playback.savedBytes(), 0u);
}

// Regions of overlapping rectangles selected again and again, each kept as its pixels:
// the clip stays as large as its shape however often it is combined.
TEST(PlaybackClip, RepeatedRegionSelectionsKeepTheClipInItsShape) {
    Player p(200);
    const std::vector<RECT> overlapping = {{0, 0, 150, 150}, {10, 10, 200, 200}, {0, 0, 150, 150}};
    for (int k = 0; k < 64; ++k) {
        p.playback.selectClip(&overlapping, RGN_AND);
        p.playback.save();
    }
    const auto& shape = *p.clip().bands();
    EXPECT_EQ(shape.rectCount(), 3u);  // three bands: the two squares' union
    EXPECT_TRUE(shape.contains(199, 199));
    EXPECT_FALSE(shape.contains(199, 0));
    const std::vector<RECT> board = {{0, 0, 100, 100}, {100, 100, 200, 200}};
    for (int k = 0; k < 64; ++k) {
        p.playback.selectClip(&board, k % 2 ? RGN_XOR : RGN_OR);
        EXPECT_LE(p.clip().bands()->rectCount(), 4u);
    }
    p.playback.selectClip(nullptr, RGN_COPY);
    EXPECT_EQ(p.clip().bands()->rectCount(), 1u) << "no region: back to the destination";
}

// Single pixels cut out of the clip one record at a time: each cut costs as much as the
// clip is large, so the cuts stop at the work budget. As many changes of a small clip
// cost little and play to the end.
TEST(PlaybackClip, ClipChangesCountAgainstTheWorkBudget) {
    const detail::PlayTarget target{0, 0, 300, 300, {0, 0, 300, 300}};
    DibSurface s(300, 300, 32);
    const auto play = [&](const std::vector<uint8_t>& file, std::string& reason) {
        const auto records = std::span<const uint8_t>(file).subspan(detail::WmfHeader::kPlaceableBytes);
        return detail::playWmf(s.dc(), records, detail::readWmfHeader(file), target, &reason);
    };
    std::string reason;
    EXPECT_FALSE(play(picture::testing::pixelCutsWmf(300, 300000), reason));
    EXPECT_NE(reason.find("budget"), std::string::npos) << reason;

    WmfBuilder small(0, 0, 300, 300, 96, 2);
    for (int k = 0; k < 20000; ++k) {
        small.record(0x001E, {});                                        // SaveDC
        picture::testing::wmfExcludeClipRect(small, k % 300, 7, k % 300 + 1, 9);
        small.record(0x0416, {200, 200, 100, 100});                      // IntersectClipRect
        small.record(0x0127, {-1});                                      // RestoreDC
    }
    picture::testing::wmfSolidFill(small, 0x0000FF);
    picture::testing::wmfRectangle(small, 0, 0, 301, 301);
    reason.clear();
    EXPECT_TRUE(play(small.bytes(), reason)) << reason;
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(s.row(299))[299], 0x00FF0000u) << "the fill after the changes";
}

// The clip grid of a WMF, and fills through it: a fill reaches exactly the pixels of its
// rectangle (one less each way without an outline) that no strip covers.
TEST(PlaybackClip, FillsThroughAClipGridReachWhatTheMaskSays) {
    constexpr int kStrips = 30;
    WmfBuilder wmf(0, 0, kSide, kSide, 96, 2);
    Mask strips(size_t(kSide) * kSide);
    for (int k = 0; k < kStrips; ++k) {
        const int at = k * kSide / kStrips + 1;
        picture::testing::wmfExcludeClipRect(wmf, 0, at, kSide, at + 1);
        picture::testing::wmfExcludeClipRect(wmf, at, 0, at + 1, kSide);
        for (int i = 0; i < kSide; ++i) strips[size_t(at) * kSide + i] = strips[size_t(i) * kSide + at] = true;
    }
    std::vector<uint32_t> expected(size_t(kSide) * kSide, kUntouched);
    std::mt19937 random(4);
    const uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (int k = 0; k < 12; ++k) {
        if (k % 4 == 0) picture::testing::wmfSolidFill(wmf, colours[k / 4]);
        const RECT r = randomRects(random, 1).front();
        picture::testing::wmfRectangle(wmf, r.left, r.top, r.right, r.bottom);
        const Mask filled = maskOf({{r.left, r.top, r.right - 1, r.bottom - 1}});
        const uint32_t c = colours[k / 4];
        for (size_t i = 0; i < filled.size(); ++i)
            if (filled[i] && !strips[i]) expected[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16);
    }
    const std::vector<uint8_t> file = wmf.bytes();
    DibSurface s(kSide, kSide, 32);
    for (int y = 0; y < kSide; ++y) std::fill_n(reinterpret_cast<uint32_t*>(s.row(y)), kSide, kUntouched);
    const detail::PlayTarget target{0, 0, kSide, kSide, {0, 0, kSide, kSide}};
    const auto records = std::span<const uint8_t>(file).subspan(detail::WmfHeader::kPlaceableBytes);
    ASSERT_TRUE(detail::playWmf(s.dc(), records, detail::readWmfHeader(file), target));
    int wrong = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const uint32_t v = reinterpret_cast<const uint32_t*>(s.row(y))[x];
            if (v != expected[size_t(y) * kSide + x] && wrong++ < 3)
                ADD_FAILURE() << x << "," << y << ": " << std::hex << v << " instead of " << expected[size_t(y) * kSide + x];
        }
}

}  // namespace
}  // namespace picture::test
