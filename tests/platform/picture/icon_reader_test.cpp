// ICO and CUR: which entry becomes the icon, its pixels against ImageMagick's decode of
// that entry, cursor hotspots, and what is refused.

#include <gtest/gtest.h>

#include <map>

#include "oracles.h"
#include "support/little_endian.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

using namespace picture;
using namespace picture::test;
using namespace gdi;

namespace {

using testsupport::put16;
using testsupport::put32;

struct IcoEntry {
    int width = 2, height = 2, bpp = 24;
    uint16_t hotX = 0, hotY = 0;           // the planes and bit-count fields of the directory
    std::vector<uint32_t> table;           // <= 8 bpp: 0xRRGGBB
    std::vector<uint8_t> xorBits, andBits; // rows bottom-up, padded; zeros when empty
    std::vector<uint8_t> raw;              // the entry's data as is, instead of a bitmap
    int64_t sizeOverride = -1;
    uint32_t headerSize = 40;              // 108 and 124: the V4 and V5 headers
};

int stride(int width, int bpp) { return (width * bpp + 31) / 32 * 4; }

std::vector<uint8_t> makeIco(const std::vector<IcoEntry>& entries, uint16_t type = 1) {
    std::vector<std::vector<uint8_t>> images;
    for (const IcoEntry& e : entries) {
        if (!e.raw.empty()) {
            images.push_back(e.raw);
            continue;
        }
        std::vector<uint8_t> d;
        put32(d, e.headerSize), put32(d, uint32_t(e.width)), put32(d, uint32_t(e.height * 2));
        put16(d, 1), put16(d, uint32_t(e.bpp)), put32(d, 0), put32(d, 0);
        put32(d, 0), put32(d, 0), put32(d, uint32_t(e.table.size())), put32(d, 0);
        d.resize(e.headerSize, 0);  // a longer header's colour masks and space: unused here
        for (uint32_t c : e.table) put32(d, c);
        std::vector<uint8_t> xorBits = e.xorBits, andBits = e.andBits;
        xorBits.resize(size_t(stride(e.width, e.bpp) * e.height));
        andBits.resize(size_t(stride(e.width, 1) * e.height));
        d.insert(d.end(), xorBits.begin(), xorBits.end());
        d.insert(d.end(), andBits.begin(), andBits.end());
        images.push_back(d);
    }
    std::vector<uint8_t> out;
    put16(out, 0), put16(out, type), put16(out, uint32_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const IcoEntry& e = entries[i];
        out.push_back(uint8_t(e.width)), out.push_back(uint8_t(e.height)), out.push_back(0), out.push_back(0);
        put16(out, e.hotX), put16(out, e.hotY);
        put32(out, e.sizeOverride >= 0 ? uint32_t(e.sizeOverride) : uint32_t(images[i].size()));
        put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& d : images) out.insert(out.end(), d.begin(), d.end());
    return out;
}

struct Chosen {
    int width = 0, height = 0, bpp = 0;
    ICONINFO info{};
};

Chosen chosen(const Picture& p) {
    Chosen c;
    EXPECT_EQ(p.Type(), kPicTypeIcon);
    if (!GetIconInfo(p.Handle(), &c.info)) return c;
    BITMAP bm{};
    GetObject(c.info.hbmColor, sizeof(bm), &bm);
    c.width = bm.bmWidth, c.height = bm.bmHeight, c.bpp = bm.bmBitsPixel;
    DeleteObject(c.info.hbmColor);
    DeleteObject(c.info.hbmMask);
    return c;
}

// The icon over black and over white against ImageMagick's colours and alpha of the same
// entry: over a background b each channel is c * a / 255 + b * (255 - a) / 255, except
// where ImageMagick shows a masked pixel with a colour: the platform XORs that colour into
// the background (white inverts the screen).
void expectSameAsMagick(const std::string& input, const Picture& p, bool alphaIcon) {
    const auto reference = magickRgba(input);
    ASSERT_TRUE(reference) << input;
    const Rgba black = iconOver(p, 0xFF000000), white = iconOver(p, 0xFFFFFFFF);
    ASSERT_EQ(black.width, reference->width);
    ASSERT_EQ(black.height, reference->height);
    int wrong = 0;
    for (int y = 0; y < black.height; ++y)
        for (int x = 0; x < black.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = reference->at(x, y)[c], a = reference->at(x, y)[3];
                const bool inverting = !alphaIcon && a == 0 && v != 0;
                const int overBlack = inverting ? v : (v * a + 127) / 255;
                const int overWhite = inverting ? 255 ^ v : overBlack + ((255 - a) * 255 + 127) / 255;
                if ((std::abs(black.at(x, y)[c] - overBlack) > 1 || std::abs(white.at(x, y)[c] - overWhite) > 1) &&
                    ++wrong <= 3)
                    ADD_FAILURE() << "(" << x << ", " << y << ") channel " << c << ": " << int(black.at(x, y)[c])
                                  << "/" << int(white.at(x, y)[c]) << " against " << v << " at alpha " << a;
            }
    EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST(IconCorpus, TheEntryNearest32x32IsChosenAndMatchesImageMagick) {
    struct Case { const char* file; int entry, width, height, bpp; };
    const Case cases[] = {
        {"valid/black_and_white.ico", 0, 16, 16, 1},
        {"valid/bmp-32bpp-alpha.ico", 0, 32, 32, 32},
        {"valid/hopper.ico", 0, 16, 16, 8},
        {"valid/hopper_256x256.ico", 0, 256, 256, 24},
        {"valid/hopper_mask.ico", 0, 16, 16, 1},
        {"valid/multiple_entries_with_different_bit_depth.ico", 6, 32, 32, 32},  // of 3 at 32x32
        {"valid/pillow.ico", 2, 32, 32, 32},  // the 256x256 PNG entry is skipped
        {"valid/two-entry-order-test.ico", 0, 48, 48, 8},
        {"valid/deerstalker.cur", 0, 32, 32, 32},
        {"valid/mask_1.cur", 0, 1, 4, 1},
        {"questionable/bmp-32bpp-conflicting-and-mask.ico", 0, 16, 16, 32},
        {"questionable/hopper_unexpected.ico", 0, 16, 16, 8},  // directory says 16x32
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = corpus(std::string("ico/") + c.file);
        std::string why;
        const Picture p = TryLoadPictureFromBytes(readBytes(path), &why);
        ASSERT_TRUE(p) << why;
        const Chosen e = chosen(p);
        EXPECT_EQ(e.width, c.width);
        EXPECT_EQ(e.height, c.height);
        EXPECT_EQ(e.bpp, c.bpp);
        EXPECT_EQ(p.pixelSize().cx, c.width);
        expectSameAsMagick(path + "[" + std::to_string(c.entry) + "]", p, c.bpp == 32);
    }
}

TEST(IconCorpus, ACursorsRowsShowItsMaskAndImage) {
    // mask_1.cur, 1x4, rows from the top: black, white, transparent, and (mask set over a
    // white image) inverting, which Pillow reads as transparent too.
    const Picture p = LoadPictureFromBytes(readBytes(corpus("ico/valid/mask_1.cur")));
    const Rgba black = iconOver(p, 0xFF000000), white = iconOver(p, 0xFFFFFFFF);
    const int overBlack[4] = {0, 255, 0, 255}, overWhite[4] = {0, 255, 255, 0};
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(black.at(0, y)[0], overBlack[y]) << y;
        EXPECT_EQ(white.at(0, y)[0], overWhite[y]) << y;
    }
}

TEST(IconCorpus, IconsOfPngEntriesOnlyAndBrokenDirectoriesAreRefused) {
    const std::map<std::string, std::string> cases = {
        {"valid/png_l8.ico", "ICO: PNG entries are not read here"},
        {"valid/png_rgb8.ico", "ICO: PNG entries are not read here"},
        {"questionable/lenient-bpp.ico", "ICO: PNG entries are not read here"},
        {"invalid/oom-ff076e7064c13ec1f8e2c5bbbfb7a77a08db2361.ico", "ICO: entry 0 runs past the end"},
        {"invalid/Bad_smile-incorrect-image-length.ico", "ICO: image and mask run past the entry's end"},
        {"invalid/decompression_bomb.ico", "ICO: image and mask run past the entry's end"},
        {"invalid/no_cursors.cur", "CUR: no entries"},
    };
    for (const auto& [file, reason] : cases) {
        std::string why;
        EXPECT_FALSE(TryLoadPictureFromBytes(readBytes(corpus("ico/" + file)), &why)) << file;
        EXPECT_EQ(why, reason) << file;
    }
    for (const std::string& path : filesIn(corpus("ico/invalid")))
        EXPECT_FALSE(TryLoadPictureFromBytes(readBytes(path))) << baseName(path);
}

TEST(IconEntries, NearestTo32ThenDeepestThenFirst) {
    struct Case { const char* name; std::vector<IcoEntry> entries; int width, bpp; uint8_t marker; };
    auto entry = [](int size, int bpp, uint8_t marker) {
        IcoEntry e;
        e.width = e.height = size, e.bpp = bpp;
        if (bpp <= 8) e.table.assign(size_t(1) << bpp, 0x010101u * marker);
        for (int i = 0; bpp > 8 && i < size * size; ++i) {
            e.xorBits.insert(e.xorBits.end(), {marker, marker, marker});
            if (bpp == 32) e.xorBits.push_back(255);
        }
        return e;
    };
    const Case cases[] = {
        {"24 is nearer than 16 and 48", {entry(16, 32, 1), entry(48, 8, 2), entry(24, 4, 3)}, 24, 4, 3},
        {"equally near: the deeper", {entry(16, 8, 1), entry(48, 32, 2)}, 48, 32, 2},
        {"equally near and deep: the first", {entry(40, 8, 1), entry(24, 8, 2)}, 40, 8, 1},
        {"exact size over depth", {entry(32, 4, 1), entry(31, 32, 2)}, 32, 4, 1},
    };
    for (const Case& c : cases) {
        const Picture p = TryLoadPictureFromBytes(makeIco(c.entries));
        ASSERT_TRUE(p) << c.name;
        const Chosen e = chosen(p);
        EXPECT_EQ(e.width, c.width) << c.name;
        EXPECT_EQ(e.bpp, c.bpp) << c.name;
        EXPECT_EQ(iconOver(p, 0xFF000000).at(0, 0)[0], c.marker) << c.name;
    }
}

TEST(IconEntries, UnreadableEntriesAreSkippedForReadableOnes) {
    IcoEntry png;
    png.raw = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    IcoEntry truncated;
    truncated.width = truncated.height = 32;
    truncated.sizeOverride = 100;  // holds the header, not the pixels
    IcoEntry fine;
    fine.width = fine.height = 8;
    const Picture p = TryLoadPictureFromBytes(makeIco({png, truncated, fine}));
    ASSERT_TRUE(p);
    EXPECT_EQ(chosen(p).width, 8);
}

TEST(IconEntries, CursorsKeepTheirHotspotIconsGetTheirCentre) {
    IcoEntry e;
    e.width = e.height = 16, e.hotX = 5, e.hotY = 9;
    Chosen c = chosen(LoadPictureFromBytes(makeIco({e}, 2)));
    EXPECT_FALSE(c.info.fIcon);
    EXPECT_EQ(c.info.xHotspot, 5u);
    EXPECT_EQ(c.info.yHotspot, 9u);
    c = chosen(LoadPictureFromBytes(makeIco({e}, 1)));
    EXPECT_TRUE(c.info.fIcon);
    EXPECT_EQ(c.info.xHotspot, 8u);
    EXPECT_EQ(c.info.yHotspot, 8u);
}

TEST(IconEntries, MaskAndImageDecideEachPixel) {
    // 2x1 at 4 bpp: pixel 0 opaque red, pixel 1 under the mask with a black image. The
    // colour table follows the bitmap header, whatever its size.
    for (const uint32_t headerSize : {40u, 108u, 124u}) {
        SCOPED_TRACE(headerSize);
        IcoEntry e;
        e.width = 2, e.height = 1, e.bpp = 4, e.table = {0x000000, 0xFF0000};
        e.xorBits = {0x10, 0, 0, 0};
        e.andBits = {0x40, 0, 0, 0};
        e.headerSize = headerSize;
        const Picture p = LoadPictureFromBytes(makeIco({e}));
        const Rgba overWhite = iconOver(p, 0xFFFFFFFF), overBlue = iconOver(p, 0xFF0000FF);
        EXPECT_EQ(overWhite.at(0, 0)[0], 255);
        EXPECT_EQ(overWhite.at(0, 0)[1], 0);
        EXPECT_EQ(overWhite.at(1, 0)[1], 255) << "transparent";
        EXPECT_EQ(overBlue.at(1, 0)[2], 255) << "transparent";
        EXPECT_EQ(overBlue.at(1, 0)[3], 255) << "alpha byte untouched where transparent";
        EXPECT_EQ(overBlue.at(0, 0)[3], 0) << "a drawn pixel gets alpha 0";
    }
}

TEST(IconEntries, SixteenBitEntriesBecomeTwentyFourBits) {
    IcoEntry e;
    e.width = 1, e.height = 1, e.bpp = 16;
    e.xorBits = {0x1F, 0x7C};  // 5-5-5: red and blue full, green 0
    const Picture p = LoadPictureFromBytes(makeIco({e}));
    EXPECT_EQ(chosen(p).bpp, 24);
    const Rgba img = iconOver(p, 0xFF000000);
    EXPECT_EQ(img.at(0, 0)[0], 255);
    EXPECT_EQ(img.at(0, 0)[1], 0);
    EXPECT_EQ(img.at(0, 0)[2], 255);
}
