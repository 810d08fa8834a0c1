// GIF: indices and colour tables against giflib for the corpus, the wuffs raw references,
// placement on the logical screen, transparency, and the refusals.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "gif_builder.h"
#include "oracles.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "support/temp_folder.h"

using namespace picture;
using namespace picture::test;
using namespace gdi;

namespace {

Picture load(const std::vector<uint8_t>& bytes, std::string* why = nullptr) {
    return TryLoadPictureFromBytes(bytes, why);
}

// Our picture of a GIF file against giflib's first image: the image rectangle holds
// giflib's indices, the rest of the picture the fill index, and the table is the image's
// followed by black.
void expectSameAsGiflib(const std::string& path, const GifFrame& g, const Picture& p) {
    const Indexed ours = bitmapIndices(p);
    const bool fits = g.screenWidth > 0 && g.screenHeight > 0 && g.left + g.width <= g.screenWidth &&
                      g.top + g.height <= g.screenHeight;
    ASSERT_EQ(ours.width, fits ? g.screenWidth : std::max(g.screenWidth, g.left + g.width));
    ASSERT_EQ(ours.height, fits ? g.screenHeight : std::max(g.screenHeight, g.top + g.height));
    const int fill = g.transparent >= 0 ? g.transparent : g.background;
    int wrong = 0;
    for (int y = 0; y < ours.height; ++y) {
        for (int x = 0; x < ours.width; ++x) {
            const bool inside = x >= g.left && y >= g.top && x < g.left + g.width && y < g.top + g.height;
            const int expected = inside ? g.indices[size_t(y - g.top) * g.width + size_t(x - g.left)] : fill;
            if (ours.indices[size_t(y) * ours.width + size_t(x)] != expected && ++wrong <= 3)
                ADD_FAILURE() << "(" << x << ", " << y << ") " << int(ours.indices[size_t(y) * ours.width + size_t(x)])
                              << " against " << expected;
        }
    }
    std::vector<uint8_t> table = g.colors;
    table.resize(256 * 3, 0);
    EXPECT_EQ(ours.colors, table);
    EXPECT_EQ(p.transparentIndex().value_or(-1), g.transparent);
}

}  // namespace

TEST(GifCorpus, FirstImagesMatchGiflibIndexForIndex) {
    int compared = 0;
    for (const char* folder : {"gif/valid", "gif/questionable"}) {
        for (const std::string& path : filesIn(corpus(folder))) {
            SCOPED_TRACE(baseName(path));
            const auto reference = giflibFirstFrame(path);
            std::string why;
            const Picture p = load(readBytes(path), &why);
            if (!reference) continue;  // giflib refuses: see the next test
            if (baseName(path) == "issue_2811.gif") {
                EXPECT_FALSE(p) << "LZW minimum code size 11 is refused here";
                continue;
            }
            ASSERT_TRUE(p) << why;
            expectSameAsGiflib(path, *reference, p);
            ++compared;
        }
    }
    EXPECT_GE(compared, 30);
}

// Where giflib gives no image, and the invalid set: what this loader does, file by file.
TEST(GifCorpus, FilesGiflibRejectsAndTheInvalidSetAsDocumented) {
    const std::map<std::string, std::string> outcome = {
        {"decompression_bomb.gif", "too large"},
        {"issue-101-infinite-empty-loop.gif", "too large"},  // a 6727x65351 screen
        {"issue-117-out-of-range.gif", "LZW minimum code size 0"},
        {"issue-96-small-codesize.gif", "empty picture"},  // 0 rows
        {"no-frames.gif", "no image before the trailer"},
        // Too few codes for 4 pixels however long their strings; lenient LZW: the invalid
        // code comes after all 4 pixels.
        {"pixel-data-not-enough.gif", "LZW data too short for a 2x2 image"},
        {"pixel-data-too-much-bad-lzw.gif", ""},
    };
    for (const std::string& path : filesIn(corpus("gif/invalid"))) {
        const std::string name = baseName(path);
        SCOPED_TRACE(name);
        std::string why;
        const Picture p = load(readBytes(path), &why);
        const auto it = outcome.find(name);
        if (it == outcome.end()) {  // a file this test does not know: refused, cleanly
            EXPECT_FALSE(p);
            continue;
        }
        if (it->second.empty()) {
            EXPECT_TRUE(p) << why;
        } else {
            EXPECT_FALSE(p);
            EXPECT_NE(why.find(it->second), std::string::npos) << why;
        }
    }
}

TEST(GifCorpus, RawReferenceIndicesAndPalette) {
    for (const char* name : {"bricks-dither", "bricks-gray"}) {
        SCOPED_TRACE(name);
        const Indexed ours = bitmapIndices(load(readBytes(corpus(std::string("gif/valid/") + name + ".gif"))));
        EXPECT_EQ(ours.indices, readBytes(corpus(std::string("gif/reference/") + name + ".indexes")));
    }
    const Indexed ours = bitmapIndices(load(readBytes(corpus("gif/valid/bricks-dither.gif"))));
    const std::vector<uint8_t> bgra = readBytes(corpus("gif/reference/bricks-dither.palette"));
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(ours.colors[i * 3 + 0], bgra[i * 4 + 2]);
        EXPECT_EQ(ours.colors[i * 3 + 1], bgra[i * 4 + 1]);
        EXPECT_EQ(ours.colors[i * 3 + 2], bgra[i * 4 + 0]);
    }
}

TEST(GifPictures, EightBitsBottomUpWithA256EntryTable) {
    GifLayout s;
    s.globalTable = {0x102030, 0x405060};
    s.indices = {0, 1, 1, 0};
    const Picture p = load(makeGif(s));
    DIBSECTION ds{};
    ASSERT_EQ(GetObject(p.Handle(), sizeof(ds), &ds), int(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 8);
    EXPECT_GT(ds.dsBmih.biHeight, 0);
    const Indexed img = bitmapIndices(p);
    EXPECT_EQ(img.indices, s.indices);
    EXPECT_EQ(std::vector<uint8_t>(img.colors.begin(), img.colors.begin() + 9),
              (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0, 0}));
    // An index past the GIF's table reads black, not past the table.
    s.indices = {0, 1, 200, 255};
    s.minCodeSize = 8;
    const Rgba colours = bitmapRgba(load(makeGif(s)));
    EXPECT_EQ(colours.at(0, 1)[0] | colours.at(0, 1)[1] | colours.at(1, 1)[2], 0);
}

TEST(GifPictures, ALocalTableReplacesTheGlobalOne) {
    GifLayout s;
    s.localTable = {0xAA0000, 0x00BB00, 0x0000CC, 0x111111};
    s.indices = {2, 3, 0, 1};
    const Indexed img = bitmapIndices(load(makeGif(s)));
    EXPECT_EQ(img.indices, s.indices);
    EXPECT_EQ(img.colors[2 * 3 + 2], 0xCC);
    EXPECT_EQ(img.colors[4 * 3], 0) << "the local table has 4 entries; the rest is black";
}

TEST(GifPictures, ImagePlacementOnTheLogicalScreen) {
    struct Case {
        const char* name;
        int screenW, screenH, left, top, width, height;
        std::optional<int> transparent;
        int expectedW, expectedH, fill;
    };
    const Case cases[] = {
        {"matches the screen", 2, 2, 0, 0, 2, 2, {}, 2, 2, 3},
        {"inside a larger screen", 4, 3, 1, 1, 2, 2, {}, 4, 3, 3},
        {"transparent fill", 4, 3, 2, 0, 2, 2, 1, 4, 3, 1},
        {"reaching past the screen", 3, 3, 2, 2, 2, 2, {}, 4, 4, 3},
        {"screen of width 0", 0, 5, 1, 0, 2, 2, {}, 3, 5, 3},
    };
    for (const Case& c : cases) {
        GifLayout s;
        s.screenWidth = c.screenW, s.screenHeight = c.screenH;
        s.left = c.left, s.top = c.top, s.width = c.width, s.height = c.height;
        s.globalTable = {0, 0x0000FF, 0x00FF00, 0xFF0000};
        s.background = 3;
        s.transparent = c.transparent;
        s.indices = {0, 2, 2, 0};
        const Picture p = load(makeGif(s));
        ASSERT_TRUE(p) << c.name;
        const Indexed img = bitmapIndices(p);
        ASSERT_EQ(img.width, c.expectedW) << c.name;
        ASSERT_EQ(img.height, c.expectedH) << c.name;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const int dx = x - c.left, dy = y - c.top;
                const bool inside = dx >= 0 && dy >= 0 && dx < c.width && dy < c.height;
                EXPECT_EQ(img.indices[size_t(y * img.width + x)], inside ? s.indices[size_t(dy * 2 + dx)] : c.fill)
                    << c.name << " (" << x << ", " << y << ")";
            }
    }
}

TEST(GifPictures, InterlacedRowsComeBackInOrder) {
    GifLayout s;
    s.screenWidth = s.width = 1, s.screenHeight = s.height = 11;
    s.globalTable.assign(16, 0);
    s.minCodeSize = 4;
    s.interlaced = true;
    // Stored order: rows 0, 8 | 4 | 2, 6, 10 | 1, 3, 5, 7, 9.
    s.indices = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    EXPECT_EQ(bitmapIndices(load(makeGif(s))).indices,
              (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(bitmapIndices(load(readBytes(corpus("gif/valid/hippopotamus.interlaced.gif")))).indices,
              bitmapIndices(load(readBytes(corpus("gif/valid/hippopotamus.regular.gif")))).indices);
}

TEST(GifPictures, TheLastGraphicControlBeforeTheImageGivesTheTransparentIndex) {
    GifLayout s;
    s.indices = {0, 1, 1, 0};
    s.before = {0x21, 0xF9, 4, 1, 0, 0, 7, 0,          // transparent 7
                0x21, 0xFE, 3, 'a', 'b', 'c', 0};      // a comment
    s.transparent = 1;                                  // written last
    EXPECT_EQ(load(makeGif(s)).transparentIndex(), 1);
    s.transparent.reset();
    EXPECT_EQ(load(makeGif(s)).transparentIndex(), 7);
    s.before = {0x21, 0xF9, 4, 0, 0, 0, 7, 0};          // flag clear
    EXPECT_FALSE(load(makeGif(s)).transparentIndex());
}

TEST(GifPictures, SignatureCaseAndZeroBytesBetweenBlocksAreTolerated) {
    GifLayout s;
    s.indices = {1, 1, 1, 1};
    s.signature = "gIf87A";
    s.before = {0, 0, 0};
    EXPECT_TRUE(load(makeGif(s)));
}

TEST(GifRefusals, EachCauseIsNamed) {
    struct Case { const char* reason; GifLayout input; std::vector<uint8_t> bytes; };
    std::vector<Case> cases;
    auto add = [&](const char* reason, auto change) {
        GifLayout s;
        s.indices = {0, 1, 1, 0};
        std::vector<uint8_t> b;
        change(s, b);
        cases.push_back({reason, s, b.empty() ? makeGif(s) : b});
    };
    add("unknown signature", [](GifLayout& s, auto&) { s.signature = "GIF88a"; });
    add("unknown block", [](GifLayout& s, auto&) { s.before = {0x99}; });
    add("no image before the trailer", [](GifLayout& s, auto&) { s.before = {0x3B}; });
    add("no colour table", [](GifLayout& s, auto&) { s.globalTable.clear(); });
    add("LZW minimum code size 9", [](GifLayout& s, auto&) { s.minCodeSize = 9; s.data = {1, 0, 0}; });
    add("too large", [](GifLayout& s, auto&) { s.screenWidth = s.screenHeight = 65535; });
    add("data ends early", [](GifLayout& s, auto& b) { b = makeGif(s); b.resize(16); });
    add("no image", [](GifLayout& s, auto& b) { b = makeGif(s); b.resize(19); });
    add("data ends early", [](GifLayout& s, auto& b) {  // inside an extension
        s.before = {0x21, 0xFE, 10, 'x'};
        b = makeGif(s);
        b.resize(23);
    });
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(load(c.bytes, &why)) << c.reason;
        EXPECT_NE(why.find(c.reason), std::string::npos) << "expected '" << c.reason << "', got '" << why << "'";
    }
}

// Data that could describe the image but ends early is decoded as far as it goes.
TEST(GifPictures, AStreamThatEndsEarlyLeavesTheFillIndex) {
    GifLayout s;
    s.screenWidth = s.width = 100, s.screenHeight = s.height = 10;
    s.globalTable.assign(4, 0);
    s.background = 3;
    for (int i = 0; i < 1000; ++i) s.indices.push_back(uint8_t((i * 7 + i / 5) % 3));
    std::vector<uint8_t> data = lzwEncode(s.indices, 2);
    data.resize(data.size() / 2);  // a sub-block cut short, no terminator, no trailer
    s.data = data;
    std::vector<uint8_t> bytes = makeGif(s);
    bytes.resize(bytes.size() - 1);
    const Indexed img = bitmapIndices(load(bytes));
    ASSERT_EQ(img.indices.size(), 1000u);
    EXPECT_EQ(img.indices.front(), s.indices.front());
    EXPECT_EQ(img.indices.back(), 3);
}

// Each code stands for at most as many indices as codes came before it since a clear
// code: data too short for the image even so is refused before the image is sized.
TEST(GifPictures, LzwDataTooShortForTheImageIsRefused) {
    struct Case {
        const char* what;
        int width, height;
        bool refused;
    };
    // Three codes (a literal, then two strings of at most 2 and 3 indices) and the end code.
    const std::vector<uint8_t> codes = lzwEncode({1, 1, 1, 1, 1, 1}, 2);
    const Case cases[] = {{"6 pixels", 3, 2, false}, {"16 pixels", 4, 4, true}, {"4096 x 4096", 4096, 4096, true}};
    for (const Case& c : cases) {
        GifLayout s;
        s.screenWidth = s.width = c.width, s.screenHeight = s.height = c.height;
        s.globalTable.assign(4, 0);
        s.data = codes;
        std::string why;
        const Picture p = load(makeGif(s), &why);
        EXPECT_EQ(!p, c.refused) << c.what << ": " << why;
        if (c.refused)
            EXPECT_EQ(why, "GIF: LZW data too short for a " + std::to_string(c.width) + "x" +
                               std::to_string(c.height) + " image");
    }
    std::string why;
    EXPECT_FALSE(load(readBytes(fixture("picture/oversized/gif-4096-squared-35-bytes.gif")), &why));
    EXPECT_EQ(why, "GIF: LZW data too short for a 4096x4096 image");
}

TEST(GifCorpus, CraftedLzwStreamsMatchGiflib) {
    // A minimum code size of 1, and a table left full (no clear code) for the rest.
    testsupport::TempFolder folder;
    struct Case { const char* name; int size, bits; bool clearWhenFull; };
    const Case cases[] = {{"code size 1", 9, 1, true}, {"deferred clear", 300, 8, false}};
    for (const Case& c : cases) {
        GifLayout s;
        s.screenWidth = s.width = s.screenHeight = s.height = c.size;
        s.globalTable.assign(size_t(1) << c.bits, 0x123456);
        s.minCodeSize = c.bits;
        uint32_t state = 1;
        for (int i = 0; i < c.size * c.size; ++i) {
            state = state * 1103515245u + 12345u;
            s.indices.push_back(uint8_t((state >> 16) & ((1u << c.bits) - 1)));
        }
        s.data = lzwEncode(s.indices, c.bits, c.clearWhenFull);
        const std::vector<uint8_t> bytes = makeGif(s);
        const std::string path = folder.file(std::string(c.name) + ".gif");
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        const auto reference = giflibFirstFrame(path);
        ASSERT_TRUE(reference) << c.name;
        EXPECT_EQ(reference->indices, s.indices) << c.name << ": the test's encoder";
        EXPECT_EQ(bitmapIndices(load(bytes)).indices, reference->indices) << c.name;
    }
}
