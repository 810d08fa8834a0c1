// cGIFparser::SaveAsGIF with giflib as the oracle: it decodes every file, and its colour
// table, transparent index and index plane are what is checked. Palettes (exact, octree,
// web), code sizes, the opaqueness threshold, the LZW stream and its sub-blocks, unusual
// hosts and the saves that fail.

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <random>
#include <set>

#include "codecs/OctreeQuantizer.h"
#include "codecs/cGIFparser.h"
#include "image/image_support.h"
#include "platform/picture/oracles.h"
#include "support/temp_folder.h"
#include "writer_support.h"

using codecs::cGIFparser;
using imagetest::Px;
using picture::test::GifFrame;

namespace {

using Bytes = std::vector<uint8_t>;
using Rows = std::vector<std::vector<Px>>;

struct Saved {
    Bytes bytes;
    bool adaptive = false;  // AdaptivePalette as it came back
    GifFrame frame;         // giflib's reading

    // The table entry of index i as 0x00BBGGRR.
    int32_t entry(size_t i) const {
        return frame.colors[i * 3] | frame.colors[i * 3 + 1] << 8 | frame.colors[i * 3 + 2] << 16;
    }
    int32_t colorAt(int x, int y) const { return entry(frame.indices[size_t(y) * size_t(frame.width) + size_t(x)]); }
    size_t tableSize() const { return frame.colors.size() / 3; }
};

Saved save(const cImage32& image, bool adaptive = true, uint8_t tolerance = 128) {
    Saved s;
    s.adaptive = adaptive;
    EXPECT_TRUE(cGIFparser().SaveAsGIF(&image, "", s.bytes, s.adaptive, tolerance));
    const auto frame = picture::test::giflibFirstFrame(s.bytes);
    EXPECT_TRUE(frame) << "giflib cannot read the file";
    if (frame) s.frame = *frame;
    EXPECT_EQ(s.frame.width, image.Width());
    EXPECT_EQ(s.frame.height, image.Height());
    return s;
}

int32_t bgr(const Px& p) { return p.r | p.g << 8 | p.b << 16; }
Px opaque(int32_t c) { return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255}; }

// `count` distinct opaque colours in a random order.
std::vector<int32_t> distinctColors(size_t count, std::mt19937& random) {
    std::set<int32_t> seen;
    std::vector<int32_t> colors;
    while (colors.size() < count) {
        const int32_t c = int32_t(random() & 0xFFFFFF);
        if (seen.insert(c).second) colors.push_back(c);
    }
    return colors;
}

// A picture whose pixels take the colours in turn, row by row from the top; a pixel of
// `holes` is transparent where (x + y) % holes == 0.
void stripes(cImage32& image, int width, int height, const std::vector<int32_t>& colors, int holes = 0) {
    Rows rows(size_t(height), std::vector<Px>(size_t(width), Px{}));
    size_t next = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[size_t(y)][size_t(x)] = holes && (x + y) % holes == 0 ? Px{0, 0, 0, 0} : opaque(colors[next++ % colors.size()]);
    imagetest::fill(image, rows);
}

// The platform palette's rule: squared RGB distance, the first minimum wins.
size_t nearest(int32_t color, const std::vector<int32_t>& table) {
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < table.size(); ++i) {
        int d = 0;
        for (int shift : {0, 8, 16}) {
            const int delta = ((color >> shift) & 0xFF) - ((table[i] >> shift) & 0xFF);
            d += delta * delta;
        }
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

std::vector<int32_t> webPalette() {
    std::vector<int32_t> web;
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51) web.push_back(r | g << 8 | b << 16);
    for (int v = 8; v <= 248; v += 8) web.push_back(v | v << 8 | v << 16);
    web.push_back(0);  // entry 248
    return web;
}

constexpr int32_t kWhite = 0xFFFFFF;

// Every opaque pixel of the image has the index of its nearest colour among the first
// `colors` table entries, every transparent one the transparent index.
void expectNearestIndices(const cImage32& image, const Saved& s, size_t colors) {
    std::vector<int32_t> table;
    for (size_t i = 0; i < colors; ++i) table.push_back(s.entry(i));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const Px p = imagetest::at(image, x, y);
            const uint8_t index = s.frame.indices[size_t(y) * size_t(image.Width()) + size_t(x)];
            if (p.a == 0) ASSERT_EQ(index, s.frame.transparent) << x << ", " << y;
            else ASSERT_EQ(index, nearest(bgr(p), table)) << x << ", " << y;
        }
}

class GifWriter : public imagetest::ImageTest {
protected:
    testsupport::TempFolder folder;
    std::mt19937 random{20250307};
};

TEST_F(GifWriter, FewColoursAreKeptExactlyInAscendingOrder) {
    struct Case {
        size_t colors;
        int holes;  // transparent pixels, or none
    };
    for (const Case c : {Case{256, 0}, Case{255, 5}, Case{3, 0}, Case{17, 2}}) {
        SCOPED_TRACE(testing::Message() << c.colors << " colours, holes " << c.holes);
        const std::vector<int32_t> colors = distinctColors(c.colors, random);
        cImage32 image;
        stripes(image, 32, 20, colors, c.holes);
        const Saved s = save(image);
        EXPECT_FALSE(s.adaptive);

        std::vector<int32_t> sorted = colors;
        std::sort(sorted.begin(), sorted.end());
        for (size_t i = 0; i < sorted.size(); ++i) EXPECT_EQ(s.entry(i), sorted[i]) << i;
        if (c.holes) {
            EXPECT_EQ(s.frame.transparent, int(sorted.size()));  // the last entry
            EXPECT_EQ(s.entry(sorted.size()), kWhite);
        } else {
            EXPECT_EQ(s.frame.transparent, -1);
        }
        expectNearestIndices(image, s, sorted.size());
    }
}

TEST_F(GifWriter, ManyColoursTakeTheOctreePalette) {
    const std::vector<int32_t> colors = distinctColors(300, random);
    for (int holes : {0, 3}) {
        SCOPED_TRACE(holes);
        cImage32 image;
        stripes(image, 40, 30, colors, holes);
        const Saved s = save(image);
        EXPECT_TRUE(s.adaptive);

        // The quantiser's own palette over the prepared pixels, memory order.
        std::vector<int32_t> prepared;
        for (int y = image.Height() - 1; y >= 0; --y)
            for (int x = 0; x < image.Width(); ++x) {
                const Px p = imagetest::at(image, x, y);
                prepared.push_back(p.a ? bgr(p) : -1);
            }
        std::array<int32_t, 257> palette{};
        int32_t count = 0;
        ASSERT_TRUE(codecs::OctreeQuantizer().BuildOctreePalette(prepared, holes ? 1 : 0, palette, count, 6));
        const size_t leaves = size_t(holes ? count - 1 : count);
        ASSERT_LE(size_t(count), 256u);
        for (size_t i = 0; i < leaves; ++i) EXPECT_EQ(s.entry(i), palette[i + 1]) << i;
        if (holes) {
            EXPECT_EQ(s.frame.transparent, count - 1);
            EXPECT_EQ(s.entry(size_t(count - 1)), kWhite);
        }
        expectNearestIndices(image, s, leaves);
    }
}

TEST_F(GifWriter, TheTransparentSlotTakesTheRoomOfTheLastColour) {
    // 256 opaque colours and transparency do not fit: approximated.
    cImage32 image;
    stripes(image, 40, 30, distinctColors(256, random), 4);
    const Saved s = save(image);
    EXPECT_TRUE(s.adaptive);
    ASSERT_GE(s.frame.transparent, 0);
    EXPECT_EQ(s.entry(size_t(s.frame.transparent)), kWhite);
    expectNearestIndices(image, s, size_t(s.frame.transparent));
}

TEST_F(GifWriter, WebPaletteWhenNoAdaptivePaletteIsWanted) {
    const std::vector<int32_t> web = webPalette();
    for (int holes : {0, 3}) {
        SCOPED_TRACE(holes);
        cImage32 image;
        stripes(image, 40, 30, distinctColors(300, random), holes);
        const Saved s = save(image, false);
        EXPECT_TRUE(s.adaptive);
        ASSERT_EQ(s.tableSize(), 256u);
        for (size_t i = 0; i < web.size(); ++i) EXPECT_EQ(s.entry(i), web[i]) << i;
        if (holes) {
            EXPECT_EQ(s.frame.transparent, 248);
            EXPECT_EQ(s.entry(248), kWhite);
        } else {
            EXPECT_EQ(s.frame.transparent, -1);
        }
        expectNearestIndices(image, s, web.size());
    }
}

TEST_F(GifWriter, CodeSizeFollowsTheColourCount) {
    struct Case {
        size_t colors;
        int codeSize;
    };
    for (const Case c : {Case{2, 2}, Case{4, 2}, Case{5, 3}, Case{8, 3}, Case{9, 4}, Case{129, 8}}) {
        SCOPED_TRACE(c.colors);
        cImage32 image;
        stripes(image, int(c.colors), 1, distinctColors(c.colors, random));
        const Saved s = save(image);
        EXPECT_EQ(s.bytes[10], 0x80 | (c.codeSize - 1));
        EXPECT_EQ(s.tableSize(), size_t(1) << c.codeSize);
        const size_t table = size_t(3) << c.codeSize;
        EXPECT_EQ(s.bytes[13 + table + 10], c.codeSize) << "LZW minimum code size";
        if (c.colors == 5) {
            for (size_t i = 5; i < 8; ++i) EXPECT_EQ(s.entry(i), 0) << "padding entry " << i;
        }
    }
}

TEST_F(GifWriter, OpaquenessToleranceDecidesTransparency) {
    struct Case {
        uint8_t tolerance;
        Px pixel;
        std::optional<int32_t> color;  // none: transparent
    };
    const Case cases[] = {
        {128, {60, 30, 100, 127}, std::nullopt},
        {128, {64, 32, 128, 128}, 0x7F3FFF},  // un-premultiplied: 64 x 255 \ 128 = 127, ...
        {128, {0, 0, 0, 0}, std::nullopt},
        {128, {1, 2, 3, 255}, 0x010203},
        {0, {0, 0, 0, 0}, std::nullopt},
        {0, {10, 10, 10, 1}, 0xFFFFFF},
        {255, {1, 2, 3, 255}, 0x010203},
        {255, {100, 100, 100, 254}, std::nullopt},
        {128, {200, 10, 10, 128}, 0xFF1313},  // a colour above its alpha stays within a byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.tolerance) << " " << c.pixel);
        // A partly transparent neighbour makes the image's alpha partial.
        cImage32 image;
        imagetest::fill(image, Rows{{c.pixel, {0, 0, 0, 0}, {5, 5, 5, 5}}});
        const Saved s = save(image, true, c.tolerance);
        if (c.color) EXPECT_EQ(s.colorAt(0, 0), *c.color);
        else EXPECT_EQ(s.frame.indices[0], s.frame.transparent);
    }
}

TEST_F(GifWriter, OnePixelIsClearIndexEndInOneSubBlock) {
    cImage32 image;
    imagetest::fill(image, Rows{{{9, 8, 7, 255}}});
    const Saved s = save(image);
    // Header, a table of 4 entries, the descriptor: the image data starts at 13 + 12 + 10.
    // Codes of 3 bits: clear 4, index 0, end 5, packed from the low bit.
    const Bytes tail(s.bytes.begin() + 35, s.bytes.end());
    EXPECT_EQ(tail, (Bytes{2, 2, 0x44, 0x01, 0x00, 0x3B}));
    EXPECT_EQ(s.frame.indices, (Bytes{0}));
}

TEST_F(GifWriter, NoisyPicturesPassTheCodeLimitAndDecodeExactly) {
    for (size_t colors : {4u, 32u, 256u}) {
        SCOPED_TRACE(colors);
        const std::vector<int32_t> palette = distinctColors(colors, random);
        std::vector<int32_t> noise(300 * 200);
        for (int32_t& c : noise) c = palette[random() % colors];
        cImage32 image;
        stripes(image, 300, 200, noise);
        const Saved s = save(image);
        EXPECT_FALSE(s.adaptive);
        expectNearestIndices(image, s, colors);

        // Full sub-blocks of 254 bytes, then a shorter one, the terminator and the trailer.
        const size_t table = size_t(3) * s.tableSize();
        size_t at = 13 + table + 10 + 1;
        size_t blocks = 0;
        while (s.bytes.at(at) == 254) at += 255, ++blocks;
        EXPECT_GT(blocks, 8u);  // more than 4096 codes
        EXPECT_LT(s.bytes.at(at), 254);
        at += s.bytes[at] + 1u;
        EXPECT_EQ(at + 2, s.bytes.size());
        EXPECT_EQ(s.bytes[at], 0);
        EXPECT_EQ(s.bytes[at + 1], 0x3B);
    }
}

TEST_F(GifWriter, AFileHoldsTheSameBytesAsTheArray) {
    cImage32 image;
    stripes(image, 33, 21, distinctColors(300, random), 7);
    const Saved s = save(image);
    const std::string path = folder.file("saved.gif");
    std::ofstream(path) << "an older file";
    Bytes untouched = {1, 2, 3};
    bool adaptive = true;
    ASSERT_TRUE(cGIFparser().SaveAsGIF(&image, path, untouched, adaptive, 128));
    EXPECT_EQ(picture::test::readBytes(path), s.bytes);
    EXPECT_EQ(untouched, (Bytes{1, 2, 3}));
}

TEST_F(GifWriter, BigPictureOfOneBrightColourKeepsItsOctreePalette) {
    // 9 million white pixels: each channel's sum passes 2^31.
    constexpr int kSide = 3000;
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(kSide, kSide));
    std::fill_n(reinterpret_cast<uint32_t*>(image.BitsPointer()), size_t(kSide) * kSide, 0xFFFFFFFFu);
    const std::vector<int32_t> colors = distinctColors(300, random);
    for (size_t i = 0; i < colors.size(); ++i) imagetest::put(image, int(i), int(i), opaque(colors[i]));
    const Saved s = save(image);
    EXPECT_TRUE(s.adaptive);
    EXPECT_EQ(s.colorAt(kSide - 1, 0), kWhite);
    // Not the web palette: some entry is none of its colours.
    const std::vector<int32_t> web = webPalette();
    bool octree = false;
    for (size_t i = 0; i < s.tableSize(); ++i)
        octree |= std::find(web.begin(), web.end(), s.entry(i)) == web.end();
    EXPECT_TRUE(octree);
}

TEST_F(GifWriter, AlphaBytesAllZeroAreOpaqueAndAllTransparentIsOneIndex) {
    cImage32 drawn;  // as the platform's drawing leaves a 24-bit source: colours, alpha 0
    imagetest::fill(drawn, Rows{{{10, 20, 30, 0}, {40, 50, 60, 0}}, {{0, 0, 0, 0}, {10, 20, 30, 0}}});
    drawn.Alpha(cImage32::AlphaOpaque);
    const Saved colours = save(drawn);
    EXPECT_EQ(colours.frame.transparent, -1);
    EXPECT_EQ(colours.colorAt(0, 0), 0x0A141E);
    EXPECT_EQ(colours.colorAt(1, 0), 0x28323C);
    EXPECT_EQ(colours.colorAt(0, 1), 0);

    cImage32 faint;  // every pixel below the tolerance
    imagetest::fill(faint, Rows{{{0, 0, 0, 0}, {20, 20, 20, 100}}, {{1, 1, 1, 50}, {0, 0, 0, 0}}});
    const Saved none = save(faint);
    EXPECT_EQ(none.frame.transparent, 0);
    EXPECT_EQ(none.tableSize(), 4u);
    EXPECT_EQ(none.entry(0), kWhite);
    EXPECT_EQ(none.frame.indices, (Bytes{0, 0, 0, 0}));
}

TEST_F(GifWriter, AllAlphaZeroIsTransparentWhereTheHostKnowsItHasAlpha) {
    for (const writertest::AllZeroAlpha& c : writertest::allZeroAlphaPictures()) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        c.make(image);
        const Saved s = save(image);
        if (c.transparent) {
            EXPECT_EQ(s.frame.transparent, 0);
            EXPECT_EQ(s.frame.indices, Bytes(16, 0)) << "every pixel the transparent index";
        } else {
            EXPECT_EQ(s.frame.transparent, -1);
            for (int i = 0; i < 16; ++i) EXPECT_EQ(s.colorAt(i % 4, i / 4), 0) << "opaque black at " << i;
        }
    }
}

TEST_F(GifWriter, FailedSavesLeaveNoFileAndKeepAnExistingOne) {
    struct Case {
        const char* name;
        int width, height;
        bool noHost = false;
    };
    for (const Case& c : {Case{"a width of 65536", 65536, 1}, Case{"a height of 65536", 1, 65536},
                          Case{"no image", 0, 0}, Case{"no host", 0, 0, true}}) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        if (c.width) {
            ASSERT_TRUE(image.InitializeDIB(c.width, c.height));
        }
        const cImage32* host = c.noHost ? nullptr : &image;
        writertest::expectFailedSaves(folder, "gif", [&](const std::string& name, Bytes& stream) {
            bool adaptive = true;
            return cGIFparser().SaveAsGIF(host, name, stream, adaptive, 128);
        });
    }
    // 65535 is written.
    cImage32 widest;
    ASSERT_TRUE(widest.InitializeDIB(65535, 1));
    EXPECT_EQ(save(widest).frame.width, 65535);
}

}  // namespace
