// cICOparser on crafted files and icon handles: the directory checks, directory mode,
// picking an entry, bitmap entries with their masks or alpha, PNG entries, damaged entries,
// and icons and cursors made by the platform.

#include <optional>
#include <vector>

#include "codecs/cICOparser.h"
#include "image/image_support.h"
#include "platform/gdi/gdi.h"
#include "platform/runtime/error.h"
#include "png_support.h"
#include "support/icon_files.h"
#include "support/little_endian.h"

using imagetest::at;
using imagetest::Px;
using namespace testsupport;

namespace codecs {
struct cICOparserPrivateAccess {
    static int32_t SelectBestIcon(const cICOparser& p, int32_t w, int32_t h, int32_t bits) {
        return p.SelectBestIcon(w, h, bits);
    }
};
}  // namespace codecs
using codecs::cICOparserPrivateAccess;

namespace {

using Bytes = std::vector<uint8_t>;

// A bitmap entry: BITMAPINFOHEADER (height counting both bitmaps), colour table, colour
// bits and AND mask, rows bottom-up and padded to 4 bytes. Pixels are listed from the top:
// palette indices up to 8 bits, 0xAARRGGBB at 24 and 32.
struct Dib {
    int width = 2, height = 2;
    uint16_t bitCount = 4;
    std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};  // 0xRRGGBB
    std::vector<std::vector<uint32_t>> pixels = {{1, 2}, {3, 0}};
    std::vector<std::vector<int>> mask = {};  // 1 hides; empty: all clear
    uint32_t headerSize = 40;  // 108 and 124: the V4 and V5 headers

    Bytes bytes() const {
        Bytes b;
        // BITMAPINFOHEADER (40 bytes), and what a longer header adds after it
        put32(b, headerSize);
        put32(b, uint32_t(width));
        put32(b, uint32_t(height * 2));
        put16(b, 1);
        put16(b, bitCount);
        for (int i = 0; i < 6; ++i) put32(b, 0);  // compression .. colours important
        if (headerSize > 40) {
            // Colour masks (unused with BI_RGB), then the colour space "sRGB"; the rest 0.
            for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put32(b, m);
            put32(b, 0x73524742);
            b.resize(headerSize, 0);
        }
        if (bitCount <= 8)
            for (size_t i = 0; i < (size_t{1} << bitCount); ++i) {
                const uint32_t c = i < palette.size() ? palette[i] : 0;
                b.insert(b.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
            }
        const size_t rowBytes = (size_t(width) * bitCount + 31) / 32 * 4;
        for (int y = height - 1; y >= 0; --y) {
            Bytes row(rowBytes, 0);
            for (int x = 0; x < width; ++x) {
                const uint32_t v = pixels[size_t(y)][size_t(x)];
                if (bitCount >= 24) {
                    for (int k = 0; k < bitCount / 8; ++k) row[size_t(x) * bitCount / 8 + size_t(k)] = uint8_t(v >> (8 * k));
                } else {
                    const size_t bit = size_t(x) * bitCount;
                    row[bit / 8] |= uint8_t(v << (8 - bitCount - bit % 8));
                }
            }
            b.insert(b.end(), row.begin(), row.end());
        }
        const size_t maskBytes = (size_t(width) + 31) / 32 * 4;
        for (int y = height - 1; y >= 0; --y) {
            Bytes row(maskBytes, 0);
            for (int x = 0; x < width; ++x)
                if (!mask.empty() && mask[size_t(y)][size_t(x)]) row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
        return b;
    }
};

using Entry = IconEntry;

bool load(Bytes& bytes, cImage32* host, int32_t width = 256, int32_t height = 256, int32_t bits = 32,
          codecs::cICOparser* reader = nullptr) {
    codecs::cICOparser own;
    int64_t offset = 0, length = int64_t(bytes.size());
    return (reader ? *reader : own).LoadStream(bytes, width, height, host, offset, length, bits);
}

Entry dibEntry(const Dib& d) {
    Entry e;
    e.width = uint8_t(d.width);
    e.height = uint8_t(d.height);
    e.data = d.bytes();
    return e;
}

constexpr Px kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kBlack{0, 0, 0, 255};
constexpr Px kClear{0, 0, 0, 0};

}  // namespace

TEST(IcoReader, RefusesDirectoriesThatFailACheck) {
    const Bytes good = icoFile({dibEntry(Dib{})});
    const auto refused = [](Bytes bytes) {
        cImage32 host;
        host.InitializeDIB(3, 3);
        return !load(bytes, &host) && host.Width() == 3;
    };
    Bytes b = good;
    ASSERT_FALSE(refused(b));
    EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + 5))) << "fewer than 6 bytes";
    struct Damage {
        size_t at;
        uint8_t value;
        const char* what;
    };
    for (const Damage& d : {Damage{0, 1, "reserved not 0"}, Damage{2, 3, "type 3"}, Damage{4, 0, "no entries"},
                            Damage{5, 0x80, "a negative count"}, Damage{4, 40, "entries past the data"}}) {
        b = good;
        b[d.at] = d.value;
        EXPECT_TRUE(refused(b)) << d.what;
    }
    Entry e = dibEntry(Dib{});
    e.size = uint32_t(e.data.size() + 1);
    EXPECT_TRUE(refused(icoFile({e}))) << "an entry's size past the data";
    e = dibEntry(Dib{});
    e.offset = 30;
    EXPECT_TRUE(refused(icoFile({e}))) << "an entry's offset that puts it past the data";
    e = dibEntry(Dib{});
    e.data[14] = e.data[15] = 0;
    EXPECT_TRUE(refused(icoFile({e}))) << "no bit count in header or directory";
}

TEST(IcoReader, DirectoryModeDescribesTheEntries) {
    Dib small;
    Entry big;
    big.width = big.height = 0;  // 256
    Dib wide{256, 256, 1};
    wide.palette = {0, 0xFFFFFF};
    wide.pixels.assign(256, std::vector<uint32_t>(256, 1));
    big.data = wide.bytes();
    Entry png;
    png.data = pngtest::simplePng(20, 10, 8, 2, Bytes(10 * 61, 0)).bytes();
    Bytes bytes = icoFile({dibEntry(small), big, png}, 2);

    codecs::cICOparser reader;
    ASSERT_TRUE(load(bytes, nullptr, 32, 32, 32, &reader));
    EXPECT_EQ(reader.IconCount(), 3);
    EXPECT_EQ(reader.Width(1), 2);
    EXPECT_EQ(reader.bitDepth(1), 4);
    EXPECT_FALSE(reader.IsIconPNG(1));
    EXPECT_EQ(reader.Width(2), 256);
    EXPECT_EQ(reader.Height(2), 256);
    EXPECT_EQ(reader.bitDepth(2), 1);
    EXPECT_TRUE(reader.IsIconPNG(3));
    EXPECT_EQ(reader.Width(3), 20) << "a PNG entry takes its size from IHDR";
    EXPECT_EQ(reader.Height(3), 10);
    EXPECT_EQ(reader.bitDepth(3), 24);
    try {
        reader.Width(4);
        ADD_FAILURE() << "no entry 4";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrSubscriptOutOfRange);
    }
    // The entry's header is read through the data, which is gone after LoadStream.
    EXPECT_THROW(reader.ColorCount(1), runtime::Error);
}

TEST(IcoReader, PngEntriesReportTheirBitDepth) {
    struct Case {
        uint8_t depth, colourType;
        uint16_t directory;
        int32_t expected;
    };
    for (const Case& c : {Case{8, 6, 0, 32}, Case{8, 2, 0, 24}, Case{4, 3, 0, 4}, Case{16, 0, 0, 32},
                          Case{8, 0, 0, 8}, Case{8, 6, 16, 16}}) {
        SCOPED_TRACE(testing::Message() << int(c.depth) << "/" << int(c.colourType) << "/" << c.directory);
        Entry e;
        e.bitCount = c.directory;
        e.data = pngtest::simplePng(1, 1, c.depth, c.colourType, Bytes(9, 0)).bytes();
        Bytes bytes = icoFile({e});
        codecs::cICOparser reader;
        ASSERT_TRUE(load(bytes, nullptr, 32, 32, 32, &reader));
        EXPECT_EQ(reader.bitDepth(1), c.expected);
    }
    // A PNG 300 pixels wide keeps the directory's width byte, and its depth is IHDR's.
    Entry e;
    e.width = 44;
    e.bitCount = 8;
    e.data = pngtest::simplePng(300, 1, 8, 6, Bytes(1201, 0)).bytes();
    Bytes bytes = icoFile({e});
    codecs::cICOparser reader;
    ASSERT_TRUE(load(bytes, nullptr, 32, 32, 32, &reader));
    EXPECT_EQ(reader.Width(1), 44);
    EXPECT_EQ(reader.bitDepth(1), 32);
}

TEST(IcoReader, PicksTheEntryThatBestFitsTheWantedSize) {
    // A 32-bit entry of each size in the list, in that order.
    const auto pick = [](std::vector<int> sizes, int32_t w, int32_t h, int32_t bits,
                         std::vector<uint16_t> depths = {}) {
        std::vector<Entry> entries;
        for (size_t i = 0; i < sizes.size(); ++i) {
            Dib d{sizes[i], sizes[i], depths.empty() ? uint16_t(32) : depths[i]};
            d.pixels.assign(size_t(sizes[i]), std::vector<uint32_t>(size_t(sizes[i]), 0));
            Entry e = dibEntry(d);
            e.width = e.height = uint8_t(sizes[i] & 0xFF);
            entries.push_back(e);
        }
        Bytes bytes = icoFile(entries);
        codecs::cICOparser reader;
        EXPECT_TRUE(load(bytes, nullptr, 32, 32, 32, &reader));
        return cICOparserPrivateAccess::SelectBestIcon(reader, w, h, bits);
    };
    EXPECT_EQ(pick({16, 32, 48, 256}, 256, 256, 32), 4) << "an exact fit";
    EXPECT_EQ(pick({16, 48}, 32, 32, 32), 2) << "larger rather than smaller";
    EXPECT_EQ(pick({48, 48}, 32, 32, 32), 1) << "the earlier among equals";
    EXPECT_EQ(pick({16, 24, 24}, 64, 64, 32), 3) << "all smaller: the nearest, the later among equals";
    EXPECT_EQ(pick({16, 16}, 64, 64, 8, {8, 32}), 2) << "all smaller: 32 bits first, even when 8 are wanted";
    EXPECT_EQ(pick({16, 32}, 32, 32, 8, {4, 8}), 2);
}

TEST(IcoReader, BitmapEntriesTakeTheirTransparencyFromTheMask) {
    Dib d;  // 4 bits: red, green / blue, black
    for (const uint16_t type : {1, 2}) {
        SCOPED_TRACE(type == 1 ? "icon" : "cursor");
        d.mask.clear();
        Bytes bytes = icoFile({dibEntry(d)}, type);
        cImage32 host;
        ASSERT_TRUE(load(bytes, &host));
        EXPECT_EQ(at(host, 0, 0), kRed);
        EXPECT_EQ(at(host, 1, 0), kGreen);
        EXPECT_EQ(at(host, 0, 1), kBlue);
        EXPECT_EQ(at(host, 1, 1), kBlack);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        EXPECT_EQ(host.ImageType(), type == 1 ? cImage32::ImageTypeIcon : cImage32::ImageTypeCursor);

        d.mask = {{0, 1}, {0, 0}};
        bytes = icoFile({dibEntry(d)}, type);
        ASSERT_TRUE(load(bytes, &host));
        EXPECT_EQ(at(host, 1, 0), kClear);
        EXPECT_EQ(at(host, 0, 1), kBlue);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
    }
    // A mask that hides everything: all transparency, not "opaque".
    d.mask = {{1, 1}, {1, 1}};
    Bytes bytes = icoFile({dibEntry(d)});
    cImage32 host;
    ASSERT_TRUE(load(bytes, &host));
    EXPECT_EQ(at(host, 0, 0), kClear);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
}

TEST(IcoReader, ThirtyTwoBitEntriesUseTheirAlphaUnlessItIsAllZero) {
    Dib d{2, 1, 32};
    d.pixels = {{0x80FF8040, 0x00FFFFFF}};
    d.mask = {{1, 0}};  // contradicts the alpha: not consulted
    for (const uint16_t type : {1, 2}) {
        Bytes bytes = icoFile({dibEntry(d)}, type);
        cImage32 host;
        ASSERT_TRUE(load(bytes, &host));
        EXPECT_EQ(at(host, 0, 0), (Px{0x40 * 128 / 255, 0x80 * 128 / 255, 0xFF * 128 / 255, 128}));
        EXPECT_EQ(at(host, 1, 0), kClear);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaPartial);
        EXPECT_EQ(host.ImageType(), type == 1 ? cImage32::ImageTypeAlphaIcon : cImage32::ImageTypeAlphaCursor);
    }
    // Every alpha byte 0: the mask decides.
    d.pixels = {{0x00FF8040, 0x00102030}};
    Bytes bytes = icoFile({dibEntry(d)});
    cImage32 host;
    ASSERT_TRUE(load(bytes, &host));
    EXPECT_EQ(at(host, 0, 0), kClear);
    EXPECT_EQ(at(host, 1, 0), (Px{0x30, 0x20, 0x10, 255}));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeIcon);
}

TEST(IcoReader, WritesTheDecodedEntrysHeaderBack) {
    // Entry 2 at offset 0 of a larger array: the directory's offsets count from there, and
    // a length of 0 means the rest of the array.
    Dib d{2, 2, 8};
    d.palette = {0x000000, 0xFF0000};
    d.pixels = {{1, 1}, {1, 0}};
    Entry e = dibEntry(d);
    e.data[24] = 0x99;  // biXPelsPerMeter, biSizeImage left as crafted (0) but set below
    e.data[20] = 0x77;  // biSizeImage
    Bytes file = icoFile({e});
    Bytes array(9, 0xEE);
    array.insert(array.end(), file.begin(), file.end());
    codecs::cICOparser reader;
    cImage32 host;
    int64_t offset = 9, length = 0;
    int32_t bits = 32;
    ASSERT_TRUE(reader.LoadStream(array, 256, 256, &host, offset, length, bits));
    EXPECT_EQ(length, int64_t(file.size()));
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(at(host, 1, 1), kBlack);
    const uint8_t* header = &array[9 + 6 + 16];
    const auto le32 = [](const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24); };
    EXPECT_EQ(le32(header + 8), 2u) << "height: the colour bitmap alone";
    EXPECT_EQ(le32(header + 20), 0u) << "image size";
    EXPECT_EQ(le32(header + 24), 0u) << "resolution";
    EXPECT_EQ(le32(header + 32), 256u) << "colours used: all that the entry's size leaves for them";
}

TEST(IcoReader, EntriesWithLongerBitmapHeadersDecode) {
    // The colour table follows the header, whatever its size.
    Dib palette{2, 2, 8};
    palette.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    palette.pixels = {{1, 2}, {3, 0}};
    palette.mask = {{0, 0}, {0, 1}};
    Dib alpha{2, 1, 32};
    alpha.pixels = {{0xFFFF0000, 0x00000000}};
    for (const uint32_t headerSize : {108u, 124u}) {
        for (Dib d : {palette, alpha}) {
            SCOPED_TRACE(testing::Message() << headerSize << " bytes, " << d.bitCount << " bits");
            d.headerSize = headerSize;
            Bytes bytes = icoFile({dibEntry(d)});
            cImage32 host;
            for (int pass = 1; pass <= 2; ++pass) {  // the header written back reads the same
                ASSERT_TRUE(load(bytes, &host));
                ASSERT_NE(host.Handle(), 0u) << "pass " << pass;
                EXPECT_EQ(at(host, 0, 0), kRed);
                EXPECT_EQ(host.Width(), 2);
                if (d.bitCount == 8) {
                    EXPECT_EQ(at(host, 1, 0), kGreen);
                    EXPECT_EQ(at(host, 0, 1), kBlue);
                    EXPECT_EQ(at(host, 1, 1), kClear) << "the mask after the colour bits";
                    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeIcon);
                } else {
                    EXPECT_EQ(at(host, 1, 0), kClear);
                    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeAlphaIcon);
                }
            }
            EXPECT_EQ(bytes[6 + 16], headerSize & 0xFF) << "the header keeps its size";
        }
    }
}

TEST(IcoReader, DamagedEntriesAreNeverPicked) {
    // Colour bits that do not fit the entry's data; a 16 x 16 healthy entry beside it.
    Dib healthy{16, 16, 4};
    healthy.pixels.assign(16, std::vector<uint32_t>(16, 2));
    Entry cut = dibEntry(Dib{});
    cut.data.resize(cut.data.size() - 9);
    Bytes bytes = icoFile({cut, dibEntry(healthy)});
    cImage32 host;
    ASSERT_TRUE(load(bytes, &host, 2, 2, 4));
    EXPECT_EQ(host.Width(), 16);
    EXPECT_EQ(at(host, 5, 5), kGreen);

    // Alone, it leaves nothing to decode: True, and the host not touched.
    const auto nothingDecoded = [](Bytes bytes) {
        cImage32 fresh;
        return load(bytes, &fresh) && fresh.Handle() == 0;
    };
    EXPECT_TRUE(nothingDecoded(icoFile({cut})));

    // A header far wider than the directory says: its colour bits would reach past the mask.
    Entry wide = dibEntry(Dib{});
    wide.data[4] = 0xFF;
    wide.data[5] = 0xFF;
    EXPECT_TRUE(nothingDecoded(icoFile({wide})));

    // A header the platform cannot read (compression 202) is damaged too, however wide it
    // claims to be (2^26 here: half a GB as a device bitmap); the healthy entry is picked.
    Entry unreadable = dibEntry(Dib{});
    unreadable.data[7] = 0x04;
    unreadable.data[16] = 202;
    bytes = icoFile({unreadable, dibEntry(healthy)});
    ASSERT_TRUE(load(bytes, &host, 2, 2, 4));
    EXPECT_EQ(host.Width(), 16);

    // A header bit count of 0 with the directory's 4 in its place decodes; 0x8000 overflows.
    Entry fromDirectory = dibEntry(Dib{});
    fromDirectory.data[14] = 0;
    fromDirectory.bitCount = 4;
    bytes = icoFile({fromDirectory});
    ASSERT_TRUE(load(bytes, &host));
    EXPECT_EQ(at(host, 0, 0), kRed);
    Entry huge = dibEntry(Dib{});
    huge.data[15] = 0x80;
    bytes = icoFile({huge});
    try {
        load(bytes, &host);
        ADD_FAILURE() << "no overflow";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrOverflow);
    }
}

TEST(IcoReader, PngEntriesGoToThePngReader) {
    // 2 x 1 RGBA: opaque red, half-transparent white.
    const Bytes raw = {0, 255, 0, 0, 255, 255, 255, 255, 128};
    Entry e;
    e.width = 2;
    e.height = 1;
    e.data = pngtest::simplePng(2, 1, 8, 6, raw).bytes();
    Bytes bytes = icoFile({e});
    cImage32 host;
    ASSERT_TRUE(load(bytes, &host));
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypePNGInIcon);
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(at(host, 1, 0), (Px{128, 128, 128, 128}));
}

namespace {

// A 2 x 2 32-bit DIB section of pixels 0xAARRGGBB listed from the top.
gdi::HBITMAP bitmap32(std::vector<uint32_t> pixels) {
    gdi::BITMAPINFO info{};
    info.bmiHeader = {40, 2, -2, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const gdi::HBITMAP b = gdi::CreateDIBSection(0, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
    return b;
}

// A 1-bit bitmap of `rows` rows of 2 pixels (bits from the top, 1 = white).
gdi::HBITMAP bitmap1(std::vector<int> rows) {
    std::vector<uint8_t> data;
    for (int r : rows) data.insert(data.end(), {uint8_t(r << 6), 0});
    return gdi::CreateBitmap(2, int(rows.size()), 1, 1, data.data());
}

}  // namespace

TEST(IcoReader, ConvertsIconAndCursorHandles) {
    cImage32 host;
    EXPECT_FALSE(codecs::cICOparser().ConvertstdPicTo32bpp(0, host));

    // A colour icon with alpha: premultiplied, the mask not consulted.
    gdi::ICONINFO info{};
    info.fIcon = gdi::TRUE;
    info.hbmColor = bitmap32({0x80FF0000, 0xFF00FF00, 0x00000000, 0xFF0000FF});
    info.hbmMask = bitmap1({0b11, 0b11});
    gdi::HICON icon = gdi::CreateIconIndirect(&info);
    ASSERT_TRUE(codecs::cICOparser().ConvertstdPicTo32bpp(icon, host));
    EXPECT_EQ(at(host, 0, 0), (Px{0, 0, 128, 128}));
    EXPECT_EQ(at(host, 1, 0), kGreen);
    EXPECT_EQ(at(host, 0, 1), kClear);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeAlphaIcon);
    gdi::DestroyIcon(icon);
    gdi::DeleteObject(info.hbmColor);

    // A cursor without alpha: the mask decides.
    info.fIcon = gdi::FALSE;
    info.hbmColor = bitmap32({0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000});
    gdi::DeleteObject(info.hbmMask);
    info.hbmMask = bitmap1({0b01, 0b00});
    gdi::HICON cursor = gdi::CreateIconIndirect(&info);
    codecs::cICOparser reader;
    ASSERT_TRUE(reader.ConvertstdPicTo32bpp(cursor, host));
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(at(host, 1, 0), kClear);
    EXPECT_EQ(at(host, 0, 1), kBlue);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeCursor);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
    EXPECT_EQ(reader.IconCount(), 1);
    EXPECT_EQ(reader.Width(1), 2);
    gdi::DestroyIcon(cursor);
    gdi::DeleteObject(info.hbmColor);
    gdi::DeleteObject(info.hbmMask);

    // A monochrome icon: the AND mask over the image in one bitmap of twice the height.
    info.fIcon = gdi::TRUE;
    info.hbmColor = 0;
    info.hbmMask = bitmap1({0b10, 0b00, 0b01, 0b11});  // AND rows, then the image's rows
    gdi::HICON mono = gdi::CreateIconIndirect(&info);
    ASSERT_TRUE(codecs::cICOparser().ConvertstdPicTo32bpp(mono, host));
    ASSERT_EQ(host.Height(), 2);
    EXPECT_EQ(at(host, 0, 0), kClear);
    EXPECT_EQ(at(host, 1, 0), (Px{255, 255, 255, 255}));
    EXPECT_EQ(at(host, 0, 1), (Px{255, 255, 255, 255}));
    EXPECT_EQ(at(host, 1, 1), (Px{255, 255, 255, 255}));
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeIcon);
    gdi::DestroyIcon(mono);
    gdi::DeleteObject(info.hbmMask);
}
