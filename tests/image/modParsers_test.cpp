// modParsers: alpha classification, weights, scan-line arithmetic, byte order, binary
// search, views and compositing over a background colour.

#include <algorithm>
#include <numeric>
#include <random>

#include "image/modParsers.h"
#include "image_support.h"

using namespace imagetest;
using namespace modParsers;

namespace {

class Parsers : public ImageTest {};

std::vector<uint8_t> bytes(const std::vector<Px>& pixels) {
    std::vector<uint8_t> out;
    for (const Px& p : pixels) out.insert(out.end(), {p.b, p.g, p.r, p.a});
    return out;
}

struct AlphaCase {
    const char* name;
    std::vector<Px> pixels;  // memory order, two pixels a row
    int32_t imageTypeIn;
    int32_t imageType, kindPlain, kindPremultiplied;
    std::vector<Px> premultiplied;  // the pixels after bPremultiply
};

const std::vector<AlphaCase> kAlphaCases = {
    {"alpha all 0: a fourth byte nobody uses", {{1, 2, 3, 0}, {4, 5, 6, 0}}, 0, 1, 0, 0,
     {{1, 2, 3, 255}, {4, 5, 6, 255}}},
    {"alpha all 255", {{1, 2, 3, 255}, {9, 9, 9, 255}}, 0, 1, 0, 0, {{1, 2, 3, 255}, {9, 9, 9, 255}}},
    // The scan stops at the very first pixel, before it has seen a partial alpha.
    {"blue above alpha, first pixel", {{200, 10, 10, 128}, {0, 0, 0, 0}}, 0, 6, 1, 2,
     {{100, 5, 5, 128}, {0, 0, 0, 0}}},
    {"colour under alpha 0, then opaque", {{0, 0, 50, 0}, {9, 9, 9, 255}}, 0, 6, 1, 1,
     {{0, 0, 0, 0}, {9, 9, 9, 255}}},
    // 100 x 200 / 255 = 78.4
    {"colour under alpha 0, then partial", {{5, 0, 0, 0}, {100, 100, 100, 200}}, 0, 6, 1, 2,
     {{0, 0, 0, 0}, {78, 78, 78, 200}}},
    // 255 x 254 / 255 = 254, 128 x 254 / 255 = 127.5, 1 x 254 / 255 = 0.996
    {"premultiplying truncates", {{255, 128, 1, 254}, {0, 0, 0, 255}}, 0, 6, 1, 2,
     {{254, 127, 0, 254}, {0, 0, 0, 255}}},
    {"transparent black and opaque", {{0, 0, 0, 0}, {1, 2, 3, 255}}, 0, 7, 1, 1,
     {{0, 0, 0, 0}, {1, 2, 3, 255}}},
    {"premultiplied partial", {{10, 20, 30, 128}, {0, 0, 0, 0}}, 0, 7, 2, 2,
     {{10, 20, 30, 128}, {0, 0, 0, 0}}},
    {"colour under alpha 0 with only transparent pixels", {{0, 0, 50, 0}, {0, 0, 0, 0}}, 0, 1, 0, 0,
     {{0, 0, 50, 255}, {0, 0, 0, 255}}},
    {"image type -1: no scan", {{200, 10, 10, 128}, {0, 0, 0, 0}}, -1, 1, 0, 0,
     {{200, 10, 10, 255}, {0, 0, 0, 255}}},
    // Straight alpha shows only in the second row.
    {"decided in a later row", {{10, 10, 10, 128}, {0, 0, 0, 255}, {0, 0, 0, 255}, {129, 0, 0, 128}},
     0, 6, 2, 2, {{5, 5, 5, 128}, {0, 0, 0, 255}, {0, 0, 0, 255}, {64, 0, 0, 128}}},
};

TEST_F(Parsers, ValidateAlphaChannelClassifies) {
    for (const AlphaCase& c : kAlphaCases) {
        SCOPED_TRACE(c.name);
        for (bool premultiply : {false, true}) {
            std::vector<uint8_t> memory = bytes(c.pixels);
            const ByteView2D view = OverlayByteArray(memory.data(), c.pixels.size() / 2, 8);
            int32_t kind = -7, type = c.imageTypeIn;
            ValidateAlphaChannel(view, premultiply, kind, type);
            EXPECT_EQ(type, c.imageType) << "premultiply " << premultiply;
            EXPECT_EQ(kind, premultiply ? c.kindPremultiplied : c.kindPlain) << "premultiply " << premultiply;
            EXPECT_EQ(memory, premultiply ? bytes(c.premultiplied) : bytes(c.pixels));
        }
    }
}

TEST_F(Parsers, ValidateAlphaChannelStaysInsideItsView) {
    // A 3 x 2 buffer; the view covers the middle column only.
    std::vector<uint8_t> memory = bytes({{1, 1, 1, 1}, {200, 0, 0, 100}, {1, 1, 1, 1},
                                         {2, 2, 2, 2}, {0, 0, 0, 0}, {2, 2, 2, 2}});
    const ByteView2D all = OverlayByteArray(memory.data(), 2, 12);
    const ByteView2D middle = all.sub(4, 0, 4, 2);
    int32_t kind = 0, type = 0;
    ValidateAlphaChannel(middle, true, kind, type);
    EXPECT_EQ(type, 6);
    EXPECT_EQ(memory, bytes({{1, 1, 1, 1}, {78, 0, 0, 100}, {1, 1, 1, 1},  //
                             {2, 2, 2, 2}, {0, 0, 0, 0}, {2, 2, 2, 2}}));

    std::vector<uint8_t> ragged(12);
    try {
        ValidateAlphaChannel(OverlayByteArray(ragged.data(), 2, 6), false, kind, type);
        ADD_FAILURE() << "rows of 6 bytes are not whole pixels";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrSubscriptOutOfRange);
    }
}

TEST_F(Parsers, GrayScaleWeights) {
    for (int formula = 0; formula <= 7; ++formula) {
        const GrayScaleWeights w = GetGrayScaleWeights(formula);
        EXPECT_NEAR(w.red + w.green + w.blue, 1.0, 1e-6) << "formula " << formula;
    }
    const GrayScaleWeights none = GetGrayScaleWeights(-1);
    EXPECT_EQ(none.red + none.green + none.blue, 3.0f);
    const GrayScaleWeights standard = GetGrayScaleWeights(0);
    EXPECT_EQ(standard.green, 0.587f);
    for (int other : {8, -2, 1000}) {
        const GrayScaleWeights w = GetGrayScaleWeights(other);
        EXPECT_TRUE(w.red == standard.red && w.green == standard.green && w.blue == standard.blue)
            << other;
    }
}

TEST_F(Parsers, DWordAlignedScanWidth) {
    const struct {
        int bits, width, bytes;
    } cases[] = {{24, 5, 16}, {32, 5, 20}, {1, 1, 4},   {8, 0, 0},
                 {1, 32, 4},  {1, 33, 8},  {4, 9, 8},   {8, 268435452, 268435452}};
    for (const auto& c : cases)
        EXPECT_EQ(DWordAlignedScanWidth(uint8_t(c.bits), c.width), c.bytes) << c.bits << " x " << c.width;
    for (auto [bits, width] : {std::pair{8, 268435453}, {32, 67108864}, {32, INT32_MAX}}) {
        try {
            DWordAlignedScanWidth(uint8_t(bits), width);
            ADD_FAILURE() << bits << " x " << width;
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), runtime::kErrOverflow);
        }
    }
}

TEST_F(Parsers, SwapLongBytes) {
    EXPECT_EQ(SwapLongBytes(0x11223344), 0x44332211);
    EXPECT_EQ(SwapLongBytes(0x000000FF), int32_t(0xFF000000u)) << "the sign bit takes part";
    EXPECT_EQ(SwapLongBytes(int32_t(0x80000001u)), int32_t(0x01000080u));
}

TEST_F(Parsers, FindInSortedLongArray) {
    const std::vector<int32_t> table{0, 3, 7, 9};  // from index 1
    bool notFound = false;
    EXPECT_EQ(FindInSortedLongArray(table, 7, 3, notFound), 2);
    EXPECT_FALSE(notFound);
    const struct {
        int value, index;
    } missing[] = {{8, 3}, {1, 1}, {10, 4}, {4, 2}};
    for (const auto& m : missing) {
        EXPECT_EQ(FindInSortedLongArray(table, m.value, 3, notFound), m.index) << m.value;
        EXPECT_TRUE(notFound) << m.value;
    }
    EXPECT_EQ(FindInSortedLongArray(table, 7, 0, notFound), 1);
    EXPECT_TRUE(notFound);
    EXPECT_THROW(FindInSortedLongArray(table, 7, 4, notFound), runtime::Error)
        << "count beyond the table";

    // Against the standard library: the insertion index is the lower bound.
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        std::vector<int32_t> values(1 + random() % 40);
        for (int32_t& v : values) v = int32_t(random() % 200) - 100;
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        std::vector<int32_t> oneBased{0};
        oneBased.insert(oneBased.end(), values.begin(), values.end());
        for (int32_t q = -102; q <= 102; ++q) {
            const auto lb = std::lower_bound(values.begin(), values.end(), q);
            const int32_t want = int32_t(lb - values.begin()) + 1;
            ASSERT_EQ(FindInSortedLongArray(oneBased, q, int32_t(values.size()), notFound), want) << q;
            ASSERT_EQ(notFound, lb == values.end() || *lb != q) << q;
        }
    }
}

TEST_F(Parsers, ViewsIndexByteWithinRowThenRow) {
    std::vector<uint8_t> memory(12);
    std::iota(memory.begin(), memory.end(), 0);
    const ByteView2D view = OverlayByteArray(memory.data(), 3, 4);
    EXPECT_EQ(view.rowLength(), 4u);
    EXPECT_EQ(view.rows(), 3u);
    EXPECT_EQ(view(1, 2), 9);
    view(3, 0) = 99;
    EXPECT_EQ(memory[3], 99) << "writes go straight to the memory";
    EXPECT_THROW(view.at(4, 0), runtime::Error);
    EXPECT_THROW(view.sub(2, 1, 3, 1), runtime::Error);
    EXPECT_TRUE(OverlayByteArray(nullptr, 3, 4).empty());
    EXPECT_TRUE(OverlayByteArray(nullptr, 3).empty());

    const LongView2D longs = OverlayLongArray(memory.data(), 1, 3);
    EXPECT_EQ(longs(1, 0), 0x07060504);
    EXPECT_EQ(OverlayLongArray(memory.data(), 3).size(), 3u);
}

TEST_F(Parsers, OverlayDibBitsCoversThePixelsBottomRowFirst) {
    cImage32 image;
    EXPECT_TRUE(OverlayDIBBits(image).empty());
    ASSERT_TRUE(image.InitializeDIB(3, 2));
    put(image, 2, 1, {1, 2, 3, 4});  // bottom row
    const ByteView2D view = OverlayDIBBits(image);
    EXPECT_EQ(view.rowLength(), 12u);
    EXPECT_EQ(view.rows(), 2u);
    EXPECT_EQ(view(8, 0), 1);
    EXPECT_EQ(view(11, 0), 4);
}

TEST_F(Parsers, BlendToBackgroundColor) {
    cImage32 image;
    // Bottom row first in the output: fill lists rows from the top.
    fill(image, {{{1, 2, 3, 255}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
                 {{0, 0, 64, 128}, {0, 0, 0, 0}, {9, 8, 7, 255}, {0, 0, 0, 0}, {0, 0, 0, 0}}});
    const int32_t white = 0xFFFFFF, background = 30 << 16 | 20 << 8 | 10;  // &HBBGGRR
    ByteArray out;
    BlendToBackgroundColor(image, white, out, true);
    ASSERT_EQ(out.countB(), 16u) << "5 pixels of 3 bytes, padded to 16";
    ASSERT_EQ(out.countA(), 2u);
    // 255 x 127 \ 255 = 127 added to each premultiplied channel.
    EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + 6),
              (std::vector<uint8_t>{127, 127, 191, 255, 255, 255}));
    EXPECT_EQ(out(15, 0), 0) << "padding";

    BlendToBackgroundColor(image, background, out, false);
    ASSERT_EQ(out.countB(), 20u);
    EXPECT_EQ(std::vector<uint8_t>(out.data() + 4, out.data() + 12),
              (std::vector<uint8_t>{30, 20, 10, 255, 9, 8, 7, 255}))
        << "transparent gives the background, opaque is copied";
    EXPECT_EQ(out(3, 1), 255);

    cImage32 none;
    BlendToBackgroundColor(none, white, out, true);
    EXPECT_FALSE(out.dimensioned());
}

}  // namespace
