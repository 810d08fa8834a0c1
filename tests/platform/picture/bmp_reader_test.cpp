// BMP: the bmpsuite corpus against ImageMagick, the refusals, and crafted files for what
// the corpus does not pin down (RLE escapes, offsets, alpha, masks, truncation).

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "oracles.h"
#include "support/little_endian.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"

using namespace picture;
using namespace picture::test;
using namespace gdi;

namespace {

// ---- a BMP writer for crafted files ------------------------------------------------------

using testsupport::put16;
using testsupport::put32;

struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 1, height = 1;
    uint16_t bpp = 24;
    uint32_t compression = BI_RGB;
    std::vector<uint32_t> table;  // 0x00RRGGBB; written as 4-byte (3 for the core header) entries
    uint32_t clrUsed = 0;
    std::vector<uint32_t> masks;  // written after a 40-byte header, or inside a longer one
    std::vector<uint8_t> pixels;
    int32_t gap = 0;              // bytes between the table and the pixels
    bool zeroOffBits = false;
};

std::vector<uint8_t> makeBmp(const BmpSpec& s) {
    std::vector<uint8_t> info;
    put32(info, s.headerSize);
    if (s.headerSize == 12) {
        put16(info, uint32_t(s.width)), put16(info, uint32_t(s.height)), put16(info, 1), put16(info, s.bpp);
    } else {
        put32(info, uint32_t(s.width)), put32(info, uint32_t(s.height)), put16(info, 1), put16(info, s.bpp);
        put32(info, s.compression), put32(info, 0), put32(info, 0), put32(info, 0);
        const bool shortTable = s.bpp <= 8 && s.table.size() < (size_t{1} << s.bpp);
        put32(info, s.clrUsed ? s.clrUsed : shortTable ? uint32_t(s.table.size()) : 0), put32(info, 0);
        for (size_t i = 0; info.size() < s.headerSize; ++i) put32(info, i < s.masks.size() ? s.masks[i] : 0);
        if (s.headerSize == 40)
            for (uint32_t m : s.masks) put32(info, m);
    }
    for (uint32_t c : s.table) {
        info.insert(info.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        if (s.headerSize != 12) info.push_back(0);
    }
    info.resize(info.size() + size_t(s.gap), 0xEE);
    std::vector<uint8_t> file;
    put16(file, 0x4D42);
    put32(file, uint32_t(14 + info.size() + s.pixels.size()));
    put32(file, 0);
    put32(file, s.zeroOffBits ? 0 : uint32_t(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}

Picture load(const std::vector<uint8_t>& bytes, std::string* why = nullptr) {
    return TryLoadPictureFromBytes(bytes, why);
}

DIBSECTION dibOf(const Picture& p) {
    DIBSECTION ds{};
    EXPECT_EQ(GetObject(p.Handle(), sizeof(ds), &ds), int(sizeof(ds)));
    return ds;
}

uint32_t rgbAt(const Rgba& img, int x, int y) {
    const uint8_t* p = img.at(x, y);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// Compares colours (alpha apart) with ImageMagick's decode of the same file.
void expectSameAsMagick(const std::string& path) {
    std::string why;
    const Picture p = load(readBytes(path), &why);
    ASSERT_TRUE(p) << why;
    const auto reference = magickRgba(path);
    ASSERT_TRUE(reference) << "ImageMagick cannot read it";
    const Rgba ours = bitmapRgba(p);
    ASSERT_EQ(ours.width, reference->width);
    ASSERT_EQ(ours.height, reference->height);
    int differences = 0;
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x)
            if (rgbAt(ours, x, y) != rgbAt(*reference, x, y) && ++differences <= 3)
                ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << rgbAt(ours, x, y)
                              << " against " << rgbAt(*reference, x, y);
    EXPECT_EQ(differences, 0);
}

}  // namespace

// ---- the corpus ----------------------------------------------------------------------------

TEST(BmpCorpus, EveryGoodFileDecodesToImageMagicksColours) {
    const auto files = filesIn(corpus("bmpsuite/g"));
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        SCOPED_TRACE(baseName(path));
        expectSameAsMagick(path);
    }
}

TEST(BmpCorpus, EveryBadFileIsRefused) {
    for (const std::string& path : filesIn(corpus("bmpsuite/b"))) {
        std::string why;
        const Picture p = load(readBytes(path), &why);
        EXPECT_FALSE(p) << baseName(path) << " was accepted";
        EXPECT_EQ(why.rfind("BMP: ", 0), 0u) << baseName(path) << ": " << why;
    }
}

// The questionable files: what this loader does with each, and where it decodes, the
// same colours as ImageMagick except where noted.
TEST(BmpCorpus, QuestionableFilesDecodeOrAreRefusedAsDocumented) {
    const std::map<std::string, std::string> refused = {
        {"pal1huffmsb.bmp", "unknown header size 64"},  // OS/2 v2 headers are not read
        {"pal8os2v2-sz.bmp", "unknown header size 64"},
        {"rgb24jpeg.bmp", "compression 4"},
        {"rgb24png.bmp", "compression 5"},
        {"rgba64.bmp", "64 bpp"},
    };
    // Decoded, but ImageMagick's colours differ: for masks other than 5, 6 and 8 bits wide
    // it shifts without repeating the bits (2 red bits 11 give 0xC0 there, 0xFF here).
    const std::set<std::string> differ = {
        "rgb16-231.bmp",  "rgb16-3103.bmp",     "rgb32-111110.bmp", "rgb32-7187.bmp",
        "rgba16-4444.bmp", "rgba32-1010102.bmp", "rgba32-81284.bmp",
    };
    for (const std::string& path : filesIn(corpus("bmpsuite/q"))) {
        const std::string name = baseName(path);
        SCOPED_TRACE(name);
        std::string why;
        const Picture p = load(readBytes(path), &why);
        if (const auto it = refused.find(name); it != refused.end()) {
            EXPECT_FALSE(p);
            EXPECT_NE(why.find(it->second), std::string::npos) << why;
            continue;
        }
        ASSERT_TRUE(p) << why;
        if (!differ.count(name) && magickRgba(path)) expectSameAsMagick(path);
    }
}

// ---- refusals, one cause each ----------------------------------------------------------------

TEST(BmpRefusals, EachCauseIsNamed) {
    BmpSpec ok;
    ok.width = 2, ok.height = 2, ok.bpp = 24, ok.pixels.assign(16, 0x55);
    ASSERT_TRUE(load(makeBmp(ok)));

    struct Case { const char* reason; std::vector<uint8_t> bytes; };
    std::vector<Case> cases;
    auto with = [&](const char* reason, auto change) {
        BmpSpec s = ok;
        std::vector<uint8_t> b;
        change(s, b);
        if (b.empty()) b = makeBmp(s);
        cases.push_back({reason, b});
    };
    with("header size", [](BmpSpec& s, auto&) { s.headerSize = 66; });
    with("width below 1", [](BmpSpec& s, auto&) { s.width = -2; });
    with("height 0", [](BmpSpec& s, auto&) { s.height = 0; });
    with("not supported", [](BmpSpec& s, auto&) { s.bpp = 12; });
    with("not supported", [](BmpSpec& s, auto&) { s.compression = BI_RLE8; });  // RLE8 at 24 bpp
    with("pixel data runs past the end", [](BmpSpec& s, auto&) { s.pixels.resize(8 + 5); });
    with("planes", [](BmpSpec& s, auto& b) { b = makeBmp(s); b[26] = 2; });
    with("file size field", [](BmpSpec& s, auto& b) { b = makeBmp(s); b[5] = 0x80; });
    with("image size field", [](BmpSpec& s, auto& b) { b = makeBmp(s); b[37] = 0x80; });
    with("pixel data offset", [](BmpSpec& s, auto& b) { b = makeBmp(s); b[12] = 0x10; });
    with("absurd resolution", [](BmpSpec& s, auto& b) {  // 30000000 by 3 pixels per metre
        b = makeBmp(s);
        b[38] = 0x80, b[39] = 0xC3, b[40] = 0xC9, b[41] = 0x01, b[42] = 3;
    });
    with("data ends early", [](BmpSpec& s, auto& b) { b = makeBmp(s); b.resize(30); });
    with("colour table runs past", [](BmpSpec& s, auto&) {
        s.bpp = 8, s.clrUsed = 1000000, s.table = {0, 0xFFFFFF};
    });
    with("past the colour table", [](BmpSpec& s, auto&) {
        s.bpp = 8, s.clrUsed = 2, s.table = {0, 0xFFFFFF}, s.pixels = {0, 1, 0, 0, 1, 2, 0, 0};
    });
    with("bad colour masks", [](BmpSpec& s, auto&) {  // red not contiguous
        s.bpp = 16, s.compression = BI_BITFIELDS, s.masks = {0x5C00, 0x03E0, 0x001F}, s.pixels.resize(8);
    });
    with("bad colour masks", [](BmpSpec& s, auto&) {  // overlapping
        s.bpp = 16, s.compression = BI_BITFIELDS, s.masks = {0x7C00, 0x07E0, 0x001F}, s.pixels.resize(8);
    });
    with("a colour mask is empty", [](BmpSpec& s, auto&) {
        s.bpp = 16, s.compression = BI_BITFIELDS, s.masks = {0xFF00, 0x00FF, 0}, s.pixels.resize(8);
    });
    with("too large", [](BmpSpec& s, auto&) { s.width = 50000, s.height = 50000, s.bpp = 1; });
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(load(c.bytes, &why)) << c.reason;
        EXPECT_NE(why.find(c.reason), std::string::npos) << "expected '" << c.reason << "', got '" << why << "'";
    }
}

TEST(BmpRefusals, RefusalIsErrorInvalidPicture) {
    BmpSpec s;
    s.headerSize = 66;
    try {
        LoadPictureFromBytes(makeBmp(s));
        FAIL() << "accepted";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 481);
        EXPECT_EQ(e.description(), "Invalid picture");
    }
}

// ---- what the loader makes of each layout ------------------------------------------------------

TEST(BmpLayouts, DepthsKeptOrWidenedAndRowsAlwaysBottomUp) {
    struct Case { uint16_t bpp; uint32_t compression; std::vector<uint32_t> masks; int expectedBpp; };
    const Case cases[] = {
        {1, BI_RGB, {}, 1},   {2, BI_RGB, {}, 4},   {4, BI_RGB, {}, 4},   {8, BI_RGB, {}, 8},
        {16, BI_RGB, {}, 24}, {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 24},
        {24, BI_RGB, {}, 24}, {32, BI_RGB, {}, 32},
        {32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}, 32},
        {16, 6 /* BI_ALPHABITFIELDS */, {0x0F00, 0x00F0, 0x000F, 0xF000}, 32},
    };
    for (const Case& c : cases) {
        for (int32_t height : {3, -3}) {
            BmpSpec s;
            s.width = 5, s.height = height, s.bpp = c.bpp, s.compression = c.compression, s.masks = c.masks;
            if (c.bpp <= 8) s.table.assign(size_t(1) << c.bpp, 0x808080);
            s.pixels.assign(size_t((5 * c.bpp + 31) / 32 * 4 * 3), 0);
            std::string why;
            const Picture p = load(makeBmp(s), &why);
            ASSERT_TRUE(p) << c.bpp << " bpp: " << why;
            const DIBSECTION ds = dibOf(p);
            EXPECT_EQ(ds.dsBm.bmBitsPixel, c.expectedBpp) << c.bpp << " bpp";
            EXPECT_GT(ds.dsBmih.biHeight, 0) << "bottom-up";
            EXPECT_EQ(ds.dsBm.bmHeight, 3);
        }
    }
}

TEST(BmpLayouts, TopDownRowsComeOutUpright) {
    BmpSpec s;
    s.width = 1, s.height = -3, s.bpp = 8, s.table = {0x000000, 0x111111, 0x222222};
    s.pixels = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};  // first stored row is the top row
    const Indexed img = bitmapIndices(load(makeBmp(s)));
    EXPECT_EQ(img.indices, (std::vector<uint8_t>{0, 1, 2}));
    s.height = 3;  // bottom-up: the first stored row is the bottom one
    EXPECT_EQ(bitmapIndices(load(makeBmp(s))).indices, (std::vector<uint8_t>{2, 1, 0}));
}

TEST(BmpLayouts, ThirtyTwoBitsKeepTheFourthByteOnlyWhereItMeansSomething) {
    const std::vector<uint8_t> pixels = {0x10, 0x20, 0x30, 0x80, 0x40, 0x50, 0x60, 0x00};
    BmpSpec s;
    s.width = 2, s.height = 1, s.bpp = 32, s.pixels = pixels;
    Rgba img = bitmapRgba(load(makeBmp(s)));  // BI_RGB: as stored
    EXPECT_EQ(img.at(0, 0)[3], 0x80);
    EXPECT_EQ(rgbAt(img, 0, 0), 0x302010u);
    s.compression = BI_BITFIELDS, s.masks = {0xFF0000, 0xFF00, 0xFF};  // no alpha mask: 0
    img = bitmapRgba(load(makeBmp(s)));
    EXPECT_EQ(img.at(0, 0)[3], 0);
    EXPECT_EQ(rgbAt(img, 1, 0), 0x605040u);
    s.headerSize = 56, s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};  // V3 alpha mask
    img = bitmapRgba(load(makeBmp(s)));
    EXPECT_EQ(img.at(0, 0)[3], 0x80);
}

TEST(BmpLayouts, MaskChannelsScaleToFullRange) {
    // 16 bpp 5-6-5 and 32 bpp 10-10-10: full channels are 255; narrow ones repeat their
    // bits, wide ones keep their top 8.
    BmpSpec s;
    s.width = 2, s.height = 1, s.bpp = 16, s.compression = BI_BITFIELDS, s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = {0xFF, 0xFF, 0x21, 0x08, 0, 0};  // white; r=1, g=1, b=1
    Rgba img = bitmapRgba(load(makeBmp(s)));
    EXPECT_EQ(rgbAt(img, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(rgbAt(img, 1, 0), 0x080408u);  // 00001 -> 00001000, 000001 -> 00000100
    s.bpp = 32, s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    s.pixels.clear();
    put32(s.pixels, 0x3FFFFFFF);
    put32(s.pixels, (4u << 20) | (512u << 10) | 1023u);
    img = bitmapRgba(load(makeBmp(s)));
    EXPECT_EQ(rgbAt(img, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(rgbAt(img, 1, 0), 0x0180FFu);  // the top 8 of 10 bits
}

TEST(BmpLayouts, CoreHeaderWithThreeByteEntriesAndAShortPalette) {
    BmpSpec s;
    s.headerSize = 12, s.width = 2, s.height = 1, s.bpp = 8, s.table = {0x102030, 0x405060};
    s.pixels = {1, 0, 0, 0};  // the palette has 2 entries: bfOffBits says so
    const Rgba img = bitmapRgba(load(makeBmp(s)));
    EXPECT_EQ(rgbAt(img, 0, 0), 0x405060u);
    EXPECT_EQ(rgbAt(img, 1, 0), 0x102030u);
}

TEST(BmpLayouts, OffsetToThePixelsIsHonouredAndZeroMeansRightAfterTheTable) {
    BmpSpec s;
    s.width = 1, s.height = 1, s.bpp = 8, s.table = {0, 0xABCDEF}, s.clrUsed = 2;
    s.gap = 7;  // filler between table and pixels, which bfOffBits skips
    s.pixels = {1, 0, 0, 0};
    EXPECT_EQ(rgbAt(bitmapRgba(load(makeBmp(s))), 0, 0), 0xABCDEFu);
    s.gap = 0, s.zeroOffBits = true;
    EXPECT_EQ(rgbAt(bitmapRgba(load(makeBmp(s))), 0, 0), 0xABCDEFu);
}

TEST(BmpLayouts, TheLastRowMayLackItsPadding) {
    BmpSpec s;
    s.width = 1, s.height = 2, s.bpp = 24, s.pixels = {1, 2, 3, 0, 4, 5, 6};  // 3 of 4 bytes
    EXPECT_TRUE(load(makeBmp(s)));
    s.pixels.pop_back();
    std::string why;
    EXPECT_FALSE(load(makeBmp(s), &why));
    EXPECT_NE(why.find("runs past the end"), std::string::npos);
}

// ---- RLE -----------------------------------------------------------------------------------------

namespace {
std::vector<uint8_t> rleIndices(uint32_t compression, int width, int height, std::vector<uint8_t> data,
                                std::string* why = nullptr) {
    BmpSpec s;
    s.width = width, s.height = height, s.bpp = compression == BI_RLE8 ? 8 : 4;
    s.compression = compression;
    s.table.assign(16, 0);
    for (int i = 0; i < 16; ++i) s.table[size_t(i)] = uint32_t(i * 0x111111);
    s.pixels = std::move(data);
    const Picture p = load(makeBmp(s), why);
    if (!p) return {};
    if (s.bpp == 8) return bitmapIndices(p).indices;
    // 4 bpp: read the nibbles through the colour table (entry i is i * 0x11 grey).
    const Rgba img = bitmapRgba(p);
    std::vector<uint8_t> out;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) out.push_back(uint8_t(img.at(x, y)[0] / 0x11));
    return out;
}
}  // namespace

TEST(BmpRle, EscapesAndSkippedPixelsBecomeIndexZero) {
    // 4x3, rows bottom-up: bottom row "run 1 x 5, absolute 6 7 8 (padded)", EOL; in the
    // middle row "delta (1, 1)" skips to the top row at x 1; top row "run 1 x 9", end.
    const std::vector<uint8_t> data = {1, 5, 0, 3, 6, 7, 8, 0, 0, 0, 0, 2, 1, 1, 1, 9, 0, 1};
    std::string why;
    EXPECT_EQ(rleIndices(BI_RLE8, 4, 3, data, &why),
              (std::vector<uint8_t>{0, 9, 0, 0,    // top
                                    0, 0, 0, 0,    // middle: skipped
                                    5, 6, 7, 8})) // bottom
        << why;
}

// Without the end-of-bitmap code the data must reach the last pixel; the end code itself
// may come at once (every pixel then index 0).
TEST(BmpRle, DataEndingBeforeTheLastPixelIsRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        std::vector<uint8_t> indices;  // empty: refused
    };
    const Case cases[] = {
        {"no data at all", {}, {}},
        {"the bottom row only", {2, 3}, {}},
        {"an absolute run cut off by the end", {0, 3, 1}, {}},
        {"an end of line, then nothing", {2, 3, 0, 0}, {}},
        {"a delta cut off by the end", {2, 3, 0, 2, 1}, {}},
        {"every pixel, no end code", {2, 3, 0, 0, 2, 4}, {4, 4, 3, 3}},
        {"every row ended, no end code", {2, 3, 0, 0, 2, 4, 0, 0}, {4, 4, 3, 3}},
        {"the end code at once", {0, 1}, {0, 0, 0, 0}},
        {"a delta to the end of the last row", {0, 2, 2, 1}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(rleIndices(BI_RLE8, 2, 2, c.data, &why), c.indices) << c.what;
        if (c.indices.empty()) EXPECT_EQ(why, "BMP: RLE data ends before the picture does") << c.what;
    }
}

// The kept file of 1 KB: 16384 x 16384 in run-length codes that end before they begin.
TEST(BmpRle, ACodelessStreamForAHugePictureIsRefused) {
    std::string why;
    EXPECT_FALSE(load(readBytes(fixture("picture/oversized/bmp-rle8-16384-squared-ends-at-once.bmp")), &why));
    EXPECT_EQ(why, "BMP: RLE data ends before the picture does");
}

TEST(BmpRle, Rle4NibblesAndThePaddingNibbleOfAnOddRow) {
    // 3 wide: a run of 4 alternating nibbles covers the padding nibble, which is dropped;
    // absolute run of 3 nibbles in 2 bytes (padded to an even count).
    EXPECT_EQ(rleIndices(BI_RLE4, 3, 2, {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1}),
              (std::vector<uint8_t>{3, 4, 5, 1, 2, 1}));
    std::string why;
    EXPECT_TRUE(rleIndices(BI_RLE4, 3, 1, {5, 0x12, 0, 1}, &why).empty());
    EXPECT_NE(why.find("past the end of a row"), std::string::npos) << why;
}

TEST(BmpRle, AnythingPastTheRowOrTheLastRowIsRefused) {
    struct Case { const char* name; std::vector<uint8_t> data; const char* reason; };
    const Case cases[] = {
        {"run", {3, 1, 0, 1}, "past the end of a row"},
        {"absolute", {0, 3, 1, 2, 3, 0}, "past the end of a row"},
        {"delta right", {0, 2, 3, 0}, "delta moves outside"},
        {"delta up", {0, 2, 0, 3}, "delta moves outside"},
        {"row above the top", {0, 0, 0, 0, 1, 1}, "past the last row"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_TRUE(rleIndices(BI_RLE8, 2, 2, c.data, &why).empty()) << c.name;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
    }
}
