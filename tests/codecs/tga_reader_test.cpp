// cTGAparser on crafted files: recognition by header and length, the origins, raw and
// run-length rows, 5-5-5 colour and its attribute bit, grey with alpha, colour maps, and
// damaged run-length data.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codecs/cTGAparser.h"
#include "image/image_support.h"
#include "reader_support.h"
#include "support/little_endian.h"

using imagetest::at;
using imagetest::Px;
using namespace testsupport;

namespace {

using Bytes = std::vector<uint8_t>;

struct Tga {
    Bytes id;
    uint8_t colourMapType = 0;
    uint8_t imageType = 2;
    uint16_t firstEntry = 0;
    uint16_t mapLength = 0;
    uint8_t entrySize = 0;
    uint16_t width = 1, height = 1;
    uint8_t depth = 32;
    uint8_t descriptor = 0;
    Bytes map;
    Bytes pixels;             // as stored: raw pixels or run-length packets
    std::string footer;       // the footer's signature text; "" for no footer
    std::optional<uint8_t> attributesType;  // an extension area (with a footer)

    Bytes bytes() const {
        Bytes b;
        // Header (18 bytes)
        put8(b, uint32_t(id.size()));
        put8(b, colourMapType);
        put8(b, imageType);
        put16(b, firstEntry);
        put16(b, mapLength);
        put8(b, entrySize);
        put16(b, 0);  // x origin
        put16(b, 0);  // y origin
        put16(b, width);
        put16(b, height);
        put8(b, depth);
        put8(b, descriptor);
        b.insert(b.end(), id.begin(), id.end());
        b.insert(b.end(), map.begin(), map.end());
        b.insert(b.end(), pixels.begin(), pixels.end());
        uint32_t extension = 0;
        if (attributesType) {
            // Extension area (495 bytes): its size first, the attributes type last.
            extension = uint32_t(b.size());
            const size_t start = b.size();
            put16(b, 495);
            b.resize(start + 494, 0);
            put8(b, *attributesType);
        }
        if (!footer.empty() || attributesType) {
            // Footer (26 bytes): extension and developer area positions, signature, NUL.
            put32(b, extension);
            put32(b, 0);
            const std::string text = footer.empty() ? "TRUEVISION-XFILE." : footer;
            b.insert(b.end(), text.begin(), text.end());
            put8(b, 0);
        }
        return b;
    }
};

Bytes bgra(std::initializer_list<Px> pixels) {
    Bytes b;
    for (const Px& p : pixels) b.insert(b.end(), {p.b, p.g, p.r, p.a});
    return b;
}

bool load(const Bytes& bytes, cImage32& host) {
    return codecs::cTGAparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
}

// A host that already holds an image, to see that refused data leaves it alone.
void holdSomething(cImage32& host) { ASSERT_TRUE(host.InitializeDIB(3, 3)); }

constexpr Px kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kWhite{255, 255, 255, 255};
constexpr Px kClear{0, 0, 0, 0};

}  // namespace

TEST(TgaReader, NeedsExactlyTheBytesItsHeaderCallsFor) {
    // 1 x 1, 32 bits, no footer: 18 + 4 bytes.
    Tga t;
    t.pixels = bgra({kRed});
    Bytes bytes = t.bytes();
    ASSERT_EQ(bytes.size(), 22u);
    cImage32 host;
    EXPECT_TRUE(load(bytes, host));
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeTGA);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);

    bytes.pop_back();
    cImage32 kept;
    holdSomething(kept);
    EXPECT_FALSE(load(bytes, kept));
    EXPECT_EQ(kept.Width(), 3) << "refused data leaves the host alone";

    // A footer, even in lower case, asks for its 26 bytes as well.
    t.footer = "truevision-xfile.";
    bytes = t.bytes();
    EXPECT_TRUE(load(bytes, host));
    Bytes withoutPixel(bytes.begin(), bytes.begin() + 18);
    withoutPixel.insert(withoutPixel.end(), bytes.end() - 29, bytes.end());  // 3 pixel bytes + footer
    EXPECT_FALSE(load(withoutPixel, host));

    // A range that does not lie within the array, and an empty one.
    EXPECT_FALSE(codecs::cTGAparser().LoadStream(bytes, host, 1, int64_t(bytes.size())));
    EXPECT_FALSE(codecs::cTGAparser().LoadStream(bytes, host, 0, 0));
}

TEST(TgaReader, RefusesHeadersItCannotRead) {
    const auto refused = [](Tga t) {
        cImage32 host;
        holdSomething(host);
        t.pixels.resize(64, 0);  // bytes enough for any of them
        return !load(t.bytes(), host) && host.Width() == 3;
    };
    // A colour-mapped header with a 2-entry 24-bit map, for the cases to spoil.
    const auto mapped = [](Tga& t) {
        t.imageType = 1;
        t.depth = 8;
        t.colourMapType = 1;
        t.mapLength = 2;
        t.entrySize = 24;
        t.map.resize(6);
    };
    ASSERT_FALSE(refused(Tga{})) << "the default header";
    Tga control;
    mapped(control);
    ASSERT_FALSE(refused(control)) << "the colour-mapped header";
    struct Case {
        std::function<void(Tga&)> spoil;
        const char* what;
    };
    const Case cases[] = {
        {[](Tga& t) { t.imageType = 4; }, "unknown image type"},
        {[](Tga& t) { t.width = 0; }, "width 0"},
        {[](Tga& t) { t.height = 0; }, "height 0"},
        {[](Tga& t) { t.depth = 12; }, "depth 12"},
        {[](Tga& t) { t.imageType = 1; t.depth = 8; }, "colour-mapped without a colour map"},
        {[&](Tga& t) { mapped(t); t.depth = 16; }, "colour-mapped with 16-bit indices"},
        {[&](Tga& t) { mapped(t); t.entrySize = 12; }, "12-bit map entries"},
        {[&](Tga& t) { mapped(t); t.mapLength = 0; }, "an empty colour map"},
    };
    for (const Case& c : cases) {
        Tga t;
        c.spoil(t);
        EXPECT_TRUE(refused(t)) << c.what;
    }
}

TEST(TgaReader, PlacesRowsAndColumnsByTheOrigin) {
    // Stored order: red, green, then blue, white. Descriptor 0x20 stores the top row first,
    // 0x10 each row right to left.
    struct Case {
        uint8_t descriptor;
        Px topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {0x00, kBlue, kWhite, kRed, kGreen},
        {0x20, kRed, kGreen, kBlue, kWhite},
        {0x10, kWhite, kBlue, kGreen, kRed},
        {0x30, kGreen, kRed, kWhite, kBlue},
        {0x40, kBlue, kWhite, kRed, kGreen},  // bit 0x40 orders nothing
    };
    for (const bool runLength : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "descriptor " << int(c.descriptor) << (runLength ? " RLE" : " raw"));
            Tga t;
            t.width = 2;
            t.height = 2;
            t.descriptor = c.descriptor;
            if (runLength) {
                // Each row: a run of one pixel, then a raw packet of one.
                t.imageType = 10;
                for (const auto& row : {std::pair{kRed, kGreen}, std::pair{kBlue, kWhite}}) {
                    t.pixels.push_back(0x80);
                    const Bytes first = bgra({row.first}), second = bgra({row.second});
                    t.pixels.insert(t.pixels.end(), first.begin(), first.end());
                    t.pixels.push_back(0x00);
                    t.pixels.insert(t.pixels.end(), second.begin(), second.end());
                }
            } else {
                t.pixels = bgra({kRed, kGreen, kBlue, kWhite});
            }
            cImage32 host;
            ASSERT_TRUE(load(t.bytes(), host));
            EXPECT_EQ(at(host, 0, 0), c.topLeft);
            EXPECT_EQ(at(host, 1, 0), c.topRight);
            EXPECT_EQ(at(host, 0, 1), c.bottomLeft);
            EXPECT_EQ(at(host, 1, 1), c.bottomRight);
        }
    }
}

TEST(TgaReader, ThirtyTwoBitAlphaIsClassified) {
    Tga t;
    t.width = 3;
    // Straight alpha is premultiplied; a pixel of alpha 0 becomes all 0.
    t.pixels = bgra({{50, 100, 200, 128}, {10, 20, 30, 0}, {1, 2, 3, 255}});
    cImage32 host;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{25, 50, 100, 128}));
    EXPECT_EQ(at(host, 1, 0), kClear);
    EXPECT_EQ(at(host, 2, 0), (Px{1, 2, 3, 255}));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaPartial);

    // A fourth byte left 0 everywhere reads opaque; the descriptor is not consulted.
    t.pixels = bgra({{50, 100, 200, 0}, {10, 20, 30, 0}, {1, 2, 3, 0}});
    t.descriptor = 0x08;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{50, 100, 200, 255}));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
}

namespace {

// A 5-5-5 pixel; `attribute` sets the top bit.
Bytes rgb555(unsigned r, unsigned g, unsigned b, bool attribute) {
    const unsigned v = b | g << 5 | r << 10 | (attribute ? 0x8000u : 0u);
    return {uint8_t(v), uint8_t(v >> 8)};
}

Tga sixteenBit(uint8_t descriptor, bool runLength, std::optional<uint8_t> attributesType = std::nullopt) {
    // Two pixels: white with the attribute bit set, red without.
    Tga t;
    t.imageType = runLength ? 10 : 2;
    t.depth = 16;
    t.width = 2;
    t.descriptor = descriptor;
    t.attributesType = attributesType;
    const Bytes white = rgb555(31, 31, 31, true), red = rgb555(31, 0, 0, false);
    if (runLength) t.pixels.push_back(0x01);
    t.pixels.insert(t.pixels.end(), white.begin(), white.end());
    t.pixels.insert(t.pixels.end(), red.begin(), red.end());
    return t;
}

}  // namespace

TEST(TgaReader, SixteenBitAttributeBitMeansOpaqueWhereItCounts) {
    for (const bool runLength : {false, true}) {
        SCOPED_TRACE(runLength ? "RLE" : "raw");
        cImage32 host;
        // No alpha bits in the descriptor: opaque whatever the attribute bits.
        ASSERT_TRUE(load(sixteenBit(0x00, runLength).bytes(), host));
        EXPECT_EQ(at(host, 0, 0), kWhite);
        EXPECT_EQ(at(host, 1, 0), kRed);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);

        // One alpha bit and no extension area: the set bit is opaque, the clear one not.
        ASSERT_TRUE(load(sixteenBit(0x01, runLength).bytes(), host));
        EXPECT_EQ(at(host, 0, 0), kWhite);
        EXPECT_EQ(at(host, 1, 0), kClear);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);

        // The extension area decides: attributes type 2 (ignore alpha) opaque, 3 and 4 count.
        ASSERT_TRUE(load(sixteenBit(0x01, runLength, 2).bytes(), host));
        EXPECT_EQ(at(host, 1, 0), kRed);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        for (const uint8_t type : {3, 4}) {
            ASSERT_TRUE(load(sixteenBit(0x01, runLength, type).bytes(), host));
            EXPECT_EQ(at(host, 1, 0), kClear);
        }
    }
    // Every attribute bit clear: nothing would show, so the image reads opaque.
    Tga t = sixteenBit(0x01, false);
    t.pixels = rgb555(0, 31, 0, false);
    const Bytes red = rgb555(31, 0, 0, false);
    t.pixels.insert(t.pixels.end(), red.begin(), red.end());
    cImage32 host;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), kGreen);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
}

TEST(TgaReader, FiveBitChannelsWidenByTheirTable) {
    // v x 8 + v mod 8: 1 -> 9, 16 -> 128, 31 -> 255. Depth 15 never reads the attribute bit.
    Tga t;
    t.depth = 15;
    t.descriptor = 0x01;
    t.pixels = rgb555(1, 16, 31, false);
    cImage32 host;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{255, 128, 9, 255}));
}

TEST(TgaReader, PixelDepthDecidesBetweenGreyAndColour) {
    cImage32 host;
    // 8 bits in a true-colour image: grey, opaque.
    Tga grey;
    grey.depth = 8;
    grey.pixels = {77};
    ASSERT_TRUE(load(grey.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{77, 77, 77, 255}));

    // 16 bits in a grey image: a grey byte and its alpha, premultiplied.
    for (const uint8_t type : {3, 11}) {
        Tga la;
        la.imageType = type;
        la.depth = 16;
        la.descriptor = 0x08;
        la.width = 2;
        la.pixels = type == 3 ? Bytes{200, 128, 90, 255} : Bytes{0x01, 200, 128, 90, 255};
        ASSERT_TRUE(load(la.bytes(), host));
        EXPECT_EQ(at(host, 0, 0), (Px{100, 100, 100, 128}));
        EXPECT_EQ(at(host, 1, 0), (Px{90, 90, 90, 255}));
        EXPECT_EQ(host.Alpha(), cImage32::AlphaPartial);
    }

    // 24 bits in a run-length grey image: colour.
    Tga colour;
    colour.imageType = 11;
    colour.depth = 24;
    colour.pixels = {0x80, 10, 20, 30};
    ASSERT_TRUE(load(colour.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{10, 20, 30, 255}));
}

TEST(TgaReader, ColourMapsGiveTheColoursOfTheirIndices) {
    // Two 24-bit entries; indices beyond the map are opaque black once classified.
    Tga t;
    t.imageType = 1;
    t.colourMapType = 1;
    t.mapLength = 2;
    t.entrySize = 24;
    t.map = {10, 20, 30, 40, 50, 60};
    t.depth = 8;
    t.width = 3;
    t.pixels = {1, 0, 200};
    cImage32 host;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{40, 50, 60, 255}));
    EXPECT_EQ(at(host, 1, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(at(host, 2, 0), (Px{0, 0, 0, 255}));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);

    // A first entry index of 5: the map's entry 0 is the colour of index 5.
    t.firstEntry = 5;
    t.pixels = {5, 6, 0};
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(at(host, 1, 0), (Px{40, 50, 60, 255}));
    EXPECT_EQ(at(host, 2, 0), (Px{0, 0, 0, 255}));

    // 32-bit entries keep their alpha (straight: a colour above its alpha, so premultiplied
    // here), and indices beyond the map are then transparent; run-length indices alike.
    t.firstEntry = 0;
    t.imageType = 9;
    t.entrySize = 32;
    t.map = {200, 200, 200, 128, 1, 2, 3, 255};
    t.pixels = {0x81, 0, 0x00, 9};  // a run of two index 0, one raw index 9
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{100, 100, 100, 128}));
    EXPECT_EQ(at(host, 1, 0), (Px{100, 100, 100, 128}));
    EXPECT_EQ(at(host, 2, 0), kClear);
    // ... unless the extension area says the alpha is not to be used.
    t.attributesType = 0;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), (Px{200, 200, 200, 255}));
    EXPECT_EQ(at(host, 2, 0), (Px{0, 0, 0, 255}));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);

    // 16-bit entries: the attribute bit counts as for pixels.
    t.attributesType.reset();
    t.entrySize = 16;
    t.map = rgb555(31, 0, 0, true);
    const Bytes clear = rgb555(0, 31, 0, false);
    t.map.insert(t.map.end(), clear.begin(), clear.end());
    t.pixels = {0x00, 0, 0x81, 1};
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(at(host, 1, 0), kClear);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
}

TEST(TgaReader, RunLengthPacketsMayCrossRowsButNotTheEndOfTheImage) {
    Tga t;
    t.imageType = 10;
    t.width = 3;
    t.height = 2;
    t.descriptor = 0x20;
    const Bytes red = bgra({kRed}), blue = bgra({kBlue});
    const auto run = [&](uint8_t header, const Bytes& pixel) {
        Bytes b{header};
        b.insert(b.end(), pixel.begin(), pixel.end());
        return b;
    };
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes b;
        for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
        return b;
    };
    // A run of 4 red, then a raw packet of two: the run covers the first row and one pixel
    // of the second, the raw packet the rest.
    t.pixels = join({run(0x83, red), Bytes{0x01}, blue, blue});
    cImage32 host;
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 2, 0), kRed);
    EXPECT_EQ(at(host, 0, 1), kRed);
    EXPECT_EQ(at(host, 1, 1), kBlue);
    // A raw packet across the rows, read right to left.
    t.descriptor = 0x30;
    t.pixels = join({Bytes{0x03}, red, red, red, blue, run(0x81, blue)});
    ASSERT_TRUE(load(t.bytes(), host));
    EXPECT_EQ(at(host, 2, 0), kRed);
    EXPECT_EQ(at(host, 2, 1), kBlue);
    EXPECT_EQ(at(host, 0, 1), kBlue);

    const auto fails = [&](const Bytes& pixels) {
        t.pixels = pixels;
        cImage32 h;
        return !load(t.bytes(), h) && h.Handle() == 0;
    };
    EXPECT_TRUE(fails(join({run(0x82, red), run(0x83, red)}))) << "a run one pixel past the image";
    EXPECT_TRUE(fails(join({run(0x82, red), Bytes{0x02}, red, red}))) << "data ending inside a packet";
    EXPECT_TRUE(fails(run(0x82, red))) << "data ending after the first row";

    // A large image whose data could never hold its pixels is not sized at all.
    t.width = 60000;
    t.height = 60000;
    EXPECT_TRUE(fails(run(0xFF, red)));
}
