// OctreeQuantizer: the leaves' means, the colour limit with and without transparency,
// shared final cubes, node-number order, merging the last listed node at the deepest level,
// and the node array's growth and reuse.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "codecs/OctreeQuantizer.h"

namespace codecs {

struct OctreeQuantizerPrivateAccess {
    static void Start(OctreeQuantizer& q, uint8_t depth) { q.Start(depth); }
    static int32_t Add(OctreeQuantizer& q, int32_t color) { return q.AddColorToOctree(color); }
    static bool Reduce(OctreeQuantizer& q) { return q.ReduceOctree(); }
    static int32_t Alloc(OctreeQuantizer& q) { return q.AllocOctreeNode(); }
    static void Free(OctreeQuantizer& q, int32_t node) { q.FreeOctreeNode(node); }
    static size_t Capacity(const OctreeQuantizer& q) { return q.nodes_.size() - 1; }
    static int32_t Leaves(const OctreeQuantizer& q) { return q.leafCount_; }
    static bool IsLeaf(const OctreeQuantizer& q, int32_t node) { return q.nodes_[size_t(node)].leaf; }
};

}  // namespace codecs

namespace {

using codecs::OctreeQuantizer;
using Access = codecs::OctreeQuantizerPrivateAccess;

constexpr int32_t kTransparent = -1;
constexpr uint8_t kDepth = 6;

int32_t bgr(int red, int green, int blue) { return red | green << 8 | blue << 16; }

struct Palette {
    bool built = false;
    int32_t count = 0;
    std::vector<int32_t> entries;  // the leaves' colours, without the transparent slot
};

Palette quantize(const std::vector<int32_t>& pixels, int32_t alphaKind) {
    std::array<int32_t, 257> slots{};
    Palette p;
    p.built = OctreeQuantizer().BuildOctreePalette(pixels, alphaKind, slots, p.count, kDepth);
    const int32_t leaves = alphaKind == 0 ? p.count : p.count - 1;
    p.entries.assign(slots.begin() + 1, slots.begin() + 1 + std::max(leaves, 0));
    return p;
}

// The split bits of one channel value, level by level from the root: the range's middle
// rounded halves to even, values up to it going low.
std::array<int, kDepth> splitBits(int value) {
    std::array<int, kDepth> bits{};
    int low = 0, high = 255;
    for (int level = 0; level < kDepth; ++level) {
        const int mid = int(std::lrint((low + high) / 2.0));
        bits[size_t(level)] = value > mid;
        (value > mid ? low : high) = mid;
    }
    return bits;
}

// Levels from the root on which two colours take the same child.
int sharedLevels(int32_t a, int32_t b) {
    int shared = 0;
    for (int level = 0; level < kDepth; ++level) {
        for (int shift : {0, 8, 16})
            if (splitBits((a >> shift) & 0xFF)[size_t(level)] != splitBits((b >> shift) & 0xFF)[size_t(level)])
                return shared;
        ++shared;
    }
    return shared;
}

// Leaves are disjoint cubes and each entry, a mean of colours in its cube, lies in it: a
// colour's leaf is the entry that shares the most levels with it. Every entry must be the
// truncated mean of the colours that so fall to it.
void expectLeafMeans(const std::vector<int32_t>& pixels, const std::vector<int32_t>& entries) {
    std::map<size_t, std::array<int64_t, 4>> sums;  // entry -> red, green, blue, count
    for (int32_t color : pixels) {
        if (color < 0) continue;
        size_t best = 0;
        int bestShared = -1, ties = 0;
        for (size_t e = 0; e < entries.size(); ++e) {
            const int shared = sharedLevels(color, entries[e]);
            if (shared == bestShared) ++ties;
            if (shared > bestShared) bestShared = shared, best = e, ties = 0;
        }
        ASSERT_EQ(ties, 0) << "two leaves claim colour " << std::hex << color;
        auto& s = sums[best];
        s[0] += color & 0xFF, s[1] += (color >> 8) & 0xFF, s[2] += (color >> 16) & 0xFF, s[3] += 1;
    }
    ASSERT_EQ(sums.size(), entries.size()) << "a leaf took no colour";
    for (const auto& [e, s] : sums)
        EXPECT_EQ(entries[e], bgr(int(s[0] / s[3]), int(s[1] / s[3]), int(s[2] / s[3]))) << "entry " << e;
}

std::vector<int32_t> distinctColors(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::map<int32_t, bool> seen;
    std::vector<int32_t> colors;
    while (colors.size() < count) {
        const int32_t c = int32_t(random() & 0xFFFFFF);
        if (!seen[c]) seen[c] = true, colors.push_back(c);
    }
    return colors;
}

TEST(GifOctree, ManyColoursGiveAtMostTheLimitOfLeafMeans) {
    struct Case {
        int32_t alphaKind;
        int32_t limit;
    };
    for (const Case c : {Case{0, 256}, Case{1, 255}, Case{2, 255}}) {
        SCOPED_TRACE(c.alphaKind);
        std::vector<int32_t> pixels = distinctColors(300, 7);
        // Repeats weigh the means; transparent pixels take no part.
        for (size_t i = 0; i < 300; i += 3) pixels.push_back(pixels[i]);
        if (c.alphaKind) pixels.insert(pixels.begin() + 10, 40, kTransparent);
        const Palette p = quantize(pixels, c.alphaKind);
        ASSERT_TRUE(p.built);
        EXPECT_LE(int32_t(p.entries.size()), c.limit);
        EXPECT_GT(p.entries.size(), 8u);
        EXPECT_EQ(p.count, int32_t(p.entries.size()) + (c.alphaKind ? 1 : 0));
        expectLeafMeans(pixels, p.entries);
    }
}

TEST(GifOctree, ColoursWithinOneFinalCubeShareAnEntry) {
    struct Case {
        std::vector<int32_t> pixels;
        std::vector<int32_t> entries;
    };
    const Case cases[] = {
        {{bgr(0, 9, 9), bgr(2, 9, 9)}, {bgr(1, 9, 9)}},
        {{bgr(0, 9, 9), bgr(4, 9, 9), bgr(4, 9, 9)}, {bgr(2, 9, 9)}},  // 4 is the split: low
        {{bgr(4, 9, 9), bgr(5, 9, 9)}, {bgr(4, 9, 9), bgr(5, 9, 9)}},
        {{bgr(200, 7, 0), bgr(200, 7, 3), bgr(200, 5, 3)}, {bgr(200, 6, 2)}},
        {{bgr(128, 0, 0), bgr(129, 0, 0)}, {bgr(128, 0, 0), bgr(129, 0, 0)}},  // the first split
    };
    for (const Case& c : cases) {
        const Palette p = quantize(c.pixels, 0);
        ASSERT_TRUE(p.built);
        EXPECT_EQ(p.entries, c.entries);
    }
}

TEST(GifOctree, EntriesComeInNodeOrderAndIgnoreTransparentPixels) {
    const std::vector<int32_t> pixels = {kTransparent, bgr(255, 255, 255), kTransparent, bgr(0, 0, 0),
                                         bgr(255, 0, 0)};
    const Palette opaque = quantize({pixels.begin() + 1, pixels.end()}, 0);
    const Palette withHoles = quantize(pixels, 1);
    const std::vector<int32_t> expected = {bgr(255, 255, 255), bgr(0, 0, 0), bgr(255, 0, 0)};
    EXPECT_EQ(opaque.entries, expected);
    EXPECT_EQ(opaque.count, 3);
    EXPECT_EQ(withHoles.entries, expected);
    EXPECT_EQ(withHoles.count, 4);

    const Palette none = quantize({kTransparent, kTransparent}, 1);
    EXPECT_TRUE(none.built);
    EXPECT_EQ(none.count, 1);  // the transparent slot alone
}

TEST(GifOctree, SumsHoldMillionsOfBrightPixelsInOneLeaf) {
    // 9 million white pixels sum to more than 2^31 in each channel.
    std::vector<int32_t> pixels(9'000'000, bgr(255, 255, 255));
    const std::vector<int32_t> others = distinctColors(300, 11);
    pixels.insert(pixels.end(), others.begin(), others.end());
    const Palette p = quantize(pixels, 0);
    ASSERT_TRUE(p.built);
    EXPECT_LE(p.entries.size(), 256u);
    EXPECT_NE(std::find(p.entries.begin(), p.entries.end(), bgr(255, 255, 255)), p.entries.end());
}

TEST(GifOctree, ReducingMergesTheLastListedNodeAtTheDeepestLevel) {
    OctreeQuantizer q;
    Access::Start(q, kDepth);
    // a and b share the level-6 node and part at its split; c parts from them one level
    // higher, so its level-6 node is listed after theirs.
    const int32_t a = bgr(0, 0, 0), b = bgr(5, 0, 0), c = bgr(9, 0, 0);
    const int32_t leafA = Access::Add(q, a), leafB = Access::Add(q, b), leafC = Access::Add(q, c);
    EXPECT_EQ(Access::Leaves(q), 3);

    ASSERT_TRUE(Access::Reduce(q));  // c's node, the list's head: one child, one leaf
    EXPECT_EQ(Access::Leaves(q), 3);
    const int32_t mergedC = Access::Add(q, c);
    EXPECT_NE(mergedC, leafC);
    EXPECT_TRUE(Access::IsLeaf(q, mergedC));
    EXPECT_EQ(Access::Add(q, a), leafA);

    ASSERT_TRUE(Access::Reduce(q));  // then a and b's node
    EXPECT_EQ(Access::Leaves(q), 2);
    EXPECT_EQ(Access::Add(q, a), Access::Add(q, b));
    EXPECT_NE(Access::Add(q, b), leafB);
}

TEST(GifOctree, NodeArrayReusesFreedNodesAndGrowsByATenth) {
    OctreeQuantizer q;
    Access::Start(q, kDepth);
    EXPECT_EQ(Access::Capacity(q), 50u);
    for (int32_t n = 2; n <= 50; ++n) ASSERT_EQ(Access::Alloc(q), n);
    EXPECT_EQ(Access::Capacity(q), 50u);
    Access::Free(q, 17);
    Access::Free(q, 30);
    EXPECT_EQ(Access::Alloc(q), 30);  // the free list first, last freed first
    EXPECT_EQ(Access::Alloc(q), 17);
    EXPECT_EQ(Access::Capacity(q), 50u);
    EXPECT_EQ(Access::Alloc(q), 51);
    EXPECT_EQ(Access::Capacity(q), 56u);  // 51 x 1.1
    for (int32_t n = 52; n <= 57; ++n) ASSERT_EQ(Access::Alloc(q), n);
    EXPECT_EQ(Access::Capacity(q), 63u);  // 57 x 1.1 = 62.7
}

}  // namespace
