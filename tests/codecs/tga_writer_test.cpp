// cTGAparser::SaveAsTGA: the form chosen by content and options, the run-length packets,
// the alpha forms with the extension area and footer, round trips through our own reader
// and ImageMagick, and the saves that fail.

#include <filesystem>
#include <limits>
#include <map>
#include <random>

#include "codecs/TGAPixelRows.h"
#include "codecs/cTGAparser.h"
#include "image/modParsers.h"
#include "image/image_support.h"
#include "platform/picture/oracles.h"
#include "platform/sys/row_bands.h"
#include "support/fixed_clock.h"
#include "support/temp_folder.h"
#include "writer_support.h"

using codecs::cTGAparser;
using imagetest::at;
using imagetest::Px;
using imagetest::put;

namespace codecs {
struct cTGAparserPrivateAccess {
    static std::vector<uint8_t> encode(const std::vector<uint8_t>& data, uint32_t b, size_t width, size_t height) {
        std::vector<uint8_t> out(data.size() * 2 + 16);
        const size_t n = cTGAparser::EncodeTGARLE(data.data(), b, width, height, out.data(), out.size());
        EXPECT_NE(n, std::numeric_limits<size_t>::max());
        out.resize(n);
        return out;
    }
};
}  // namespace codecs

namespace {

using Bytes = std::vector<uint8_t>;
using codecs::cTGAparserPrivateAccess;

struct Options {
    bool premultiplied = false, compress = false, reduce = false;
};

Bytes save(const cImage32& image, Options o) {
    Bytes bytes;
    EXPECT_TRUE(cTGAparser().SaveAsTGA("", bytes, &image, o.premultiplied, o.compress, o.reduce));
    return bytes;
}

uint32_t le16(const Bytes& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t le32(const Bytes& b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

// An opaque pixel of the colour &HBBGGRR.
Px opaque(uint32_t c) { return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255}; }

// `width` x `height` opaque pixels, colour(i) for pixel i in reading order.
template <class Colour>
void paint(cImage32& image, int width, int height, Colour colour) {
    ASSERT_TRUE(image.InitializeDIB(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put(image, x, y, colour(y * width + x));
}

// The footer: extension area position, no developer directory, the signature.
void expectFooter(const Bytes& file, uint32_t extensionAt) {
    ASSERT_GE(file.size(), 26u);
    const size_t f = file.size() - 26;
    EXPECT_EQ(le32(file, f), extensionAt);
    EXPECT_EQ(le32(file, f + 4), 0u);
    EXPECT_EQ(std::string(file.begin() + f + 8, file.end()), std::string("TRUEVISION-XFILE.\0", 18));
}

TEST(TgaWriterForms, ContentAndOptionsChooseTheForm) {
    struct Case {
        const char* name;
        std::function<Px(int)> colour;  // over 32 x 9 pixels
        Options options;
        uint8_t type, depth, descriptor, mapType;
        uint32_t mapLength;
    };
    const auto colours = [](int n) { return [n](int i) { return opaque(uint32_t(i % n) * 0x010305u + 0x100000u); }; };
    const auto greyRamp = [](int i) { return opaque(uint32_t(i % 256) * 0x010101u); };
    const std::vector<Case> cases = {
        {"256 colours reduced", colours(256), {false, false, true}, 1, 8, 0, 1, 256},
        {"257 colours reduced", colours(257), {false, false, true}, 2, 24, 0, 0, 0},
        {"greys reduced", greyRamp, {false, false, true}, 3, 8, 0, 0, 0},
        {"alpha ignores the reduction", [](int i) { return i == 5 ? Px{0, 0, 0, 0} : opaque(0x808080); },
         {false, false, true}, 2, 32, 8, 0, 0},
        {"first pixel the only colour among greys",
         [](int i) { return i == 0 ? opaque(0x0000FF) : opaque(uint32_t(i % 200) * 0x010101u); },
         {false, false, true}, 1, 8, 0, 1, 201},
        {"opaque without reduction", colours(3), {}, 2, 24, 0, 0, 0},
        {"premultiplied allowed but opaque", colours(3), {true, false, false}, 2, 24, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        paint(image, 32, 9, c.colour);
        const Bytes file = save(image, c.options);
        ASSERT_GE(file.size(), 18u + 26u);
        EXPECT_EQ(file[0], 0) << "no identification field";
        EXPECT_EQ(file[1], c.mapType);
        EXPECT_EQ(file[2], c.type);
        EXPECT_EQ(le16(file, 5), c.mapLength);
        EXPECT_EQ(file[7], c.mapLength ? 24 : 0);
        EXPECT_EQ(le16(file, 12), 32u);
        EXPECT_EQ(le16(file, 14), 9u);
        EXPECT_EQ(file[16], c.depth);
        EXPECT_EQ(file[17], c.descriptor);
        EXPECT_EQ(file.size(), 18u + c.mapLength * 3 + 32u * 9u * c.depth / 8 + 26u);
        expectFooter(file, 0);
    }
}

TEST(TgaWriterForms, ReducedPixelsAreLevelsOrIndicesOfTheSortedMap) {
    cImage32 grey;
    paint(grey, 4, 2, [](int i) { return opaque(uint32_t(i * 30) * 0x010101u); });
    const Bytes g = save(grey, {false, false, true});
    // Rows bottom first: the lower row (pixels 4..7), then the upper one (0..3).
    EXPECT_EQ(Bytes(g.begin() + 18, g.begin() + 26), (Bytes{120, 150, 180, 210, 0, 30, 60, 90}));

    // Three colours, the map sorted by red, then green, then blue.
    cImage32 mapped;
    const uint32_t red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000;  // &HBBGGRR
    const uint32_t order[] = {red, blue, green, blue};
    paint(mapped, 4, 1, [&](int i) { return opaque(order[i]); });
    const Bytes m = save(mapped, {false, false, true});
    ASSERT_EQ(m[2], 1);
    EXPECT_EQ(Bytes(m.begin() + 18, m.begin() + 27), (Bytes{255, 0, 0, /**/ 0, 255, 0, /**/ 0, 0, 255}))
        << "entries blue, green, red: blue first, then green, then red";
    EXPECT_EQ(Bytes(m.begin() + 27, m.begin() + 31), (Bytes{2, 0, 1, 0}));
}

TEST(TgaWriterForms, AnImageWhoseAlphaBytesAreAllZeroIsOpaqueAndItsBlackCounts) {
    // Classified opaque; black is the first pixel, equal to a zeroed "previous" pixel.
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(3, 1));
    put(image, 1, 0, {9, 9, 9, 0});
    put(image, 2, 0, {1, 2, 3, 0});
    image.Alpha(cImage32::AlphaOpaque);  // a 24-bit source: the fourth byte is unused
    const Bytes file = save(image, {false, false, true});
    ASSERT_EQ(file[2], 1);
    EXPECT_EQ(le16(file, 5), 3u);
    EXPECT_EQ(Bytes(file.begin() + 18 + 9, file.begin() + 18 + 12), (Bytes{0, 2, 1}));
}

TEST(TgaWriterRunLength, PacketsOfOneRow) {
    struct Case {
        const char* name;
        Bytes row;
        uint32_t b;
        Bytes packets;
    };
    const auto repeat = [](size_t n, Bytes pixel) {
        Bytes row;
        for (size_t i = 0; i < n; ++i) row.insert(row.end(), pixel.begin(), pixel.end());
        return row;
    };
    Bytes distinct130;
    for (int i = 0; i < 130; ++i) distinct130.push_back(uint8_t(i));
    Bytes rawThen;
    rawThen.push_back(127);
    rawThen.insert(rawThen.end(), distinct130.begin(), distinct130.begin() + 128);
    rawThen.insert(rawThen.end(), {1, 128, 129});
    const std::vector<Case> cases = {
        {"130 equal", repeat(130, {7}), 1, {255, 7, 129, 7}},
        {"129 equal then the row's end", repeat(129, {7}), 1, {255, 7, 0, 7}},
        {"1 2 2 3", {1, 2, 2, 3}, 1, {0, 1, 129, 2, 0, 3}},
        {"a run right after a run", {5, 5, 1, 1}, 1, {129, 5, 129, 1}},
        {"130 different", distinct130, 1, rawThen},
        {"one pixel", {4}, 1, {0, 4}},
        {"3-byte pixels", {1, 2, 3, 1, 2, 3, 1, 2, 4}, 3, {129, 1, 2, 3, 0, 1, 2, 4}},
        {"4-byte pixels differing only in alpha", {1, 1, 1, 9, 1, 1, 1, 8}, 4, {1, 1, 1, 1, 9, 1, 1, 1, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cTGAparserPrivateAccess::encode(c.row, c.b, c.row.size() / c.b, 1), c.packets);
    }
}

TEST(TgaWriterRunLength, PacketsNeverCrossARow) {
    EXPECT_EQ(cTGAparserPrivateAccess::encode({7, 7, 7, 7, 7, 7, 7, 7}, 1, 4, 2), (Bytes{131, 7, 131, 7}));
}

TEST(TgaWriterRunLength, KeptOnlyWhenSmallerAndNeverForNarrowImages) {
    struct Case {
        const char* name;
        int width, height;
        std::function<Px(int)> colour;
        Options options;
        uint8_t type;
        size_t dataBytes;
    };
    const Px grey = opaque(0x404040);
    const std::vector<Case> cases = {
        {"1 2 2 3 is longer than raw", 4, 1, [](int i) { return opaque(uint32_t(i == 0 ? 1 : i == 3 ? 3 : 2) * 0x010101u); },
         {false, true, true}, 3, 4},
        {"flat grey shrinks", 40, 3, [&](int) { return grey; }, {false, true, true}, 11, 3 * 2},
        {"2 pixels wide is never compressed", 2, 50, [&](int) { return grey; }, {false, true, false}, 2, 2 * 50 * 3},
        {"flat colour, 24-bit: runs of 128 and 72", 200, 2, [](int) { return opaque(0x123456); },
         {false, true, false}, 10, 2 * (4 + 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        paint(image, c.width, c.height, c.colour);
        const Bytes file = save(image, c.options);
        EXPECT_EQ(file[2], c.type);
        EXPECT_EQ(file.size(), 18 + c.dataBytes + 26);
    }
}

TEST(TgaWriterAlpha, StraightFormUnpremultipliesWithoutExtensionArea) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(3, 1));
    put(image, 0, 0, {10, 20, 30, 255});
    put(image, 1, 0, {0, 0, 0, 0});
    put(image, 2, 0, {50, 64, 1, 128});
    const Bytes file = save(image, {});
    EXPECT_EQ(file[2], 2);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 8);
    ASSERT_EQ(file.size(), 18u + 12u + 26u) << "no extension area";
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 30),
              (Bytes{10, 20, 30, 255, 0, 0, 0, 0, 50 * 255 / 128, 64 * 255 / 128, 1 * 255 / 128, 128}));
    expectFooter(file, 0);
}

// Both kernels (AVX2 where the processor has it, and the plain one) against the division
// itself, over every colour under every alpha, colours above their alpha included; the
// width leaves a tail after the eight-pixel steps.
TEST(TgaWriterAlpha, EveryColourUnderEveryAlphaUnpremultipliesAsTheDivisionInBothKernels) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(259, 256));
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 259; ++c) put(image, c, a, {uint8_t(c), uint8_t(255 - c % 256), uint8_t(c / 2), uint8_t(a)});
    const auto expected = [](int c, int a) { return a == 0 ? 0 : std::min(c * 255 / a, 255); };
    for (const bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "wide" : "plain");
        codecs::tga::testing::useWideKernels(wide);
        const Bytes file = save(image, {});
        ASSERT_EQ(file.size(), 18u + 259u * 256u * 4u + 26u);
        int wrong = 0;
        for (int a = 0; a < 256; ++a)
            for (int c = 0; c < 259; ++c) {
                const uint8_t* p = &file[18 + (size_t(255 - a) * 259 + size_t(c)) * 4];  // bottom row first
                const Px got{p[0], p[1], p[2], p[3]};
                const Px want{uint8_t(expected(c % 256, a)), uint8_t(expected(255 - c % 256, a)),
                              uint8_t(expected(c / 2, a)), uint8_t(a)};
                if (got != want && ++wrong <= 5) ADD_FAILURE() << "c " << c << " a " << a << ": " << got << " not " << want;
            }
    }
    codecs::tga::testing::useWideKernels(true);
}

// The 24-bit form is written while the alpha bytes are watched: a picture that turns out to
// carry alpha late (its last pixel, its last row) is written again with alpha, and the form
// always follows the shared alpha classification. Both kernels give the same files, at
// widths around their steps and with runs longer than their 32-byte compares.
TEST(TgaWriterForms, TheFormFollowsTheAlphaClassificationWhereverTheAlphaIs) {
    struct Case {
        const char* name;
        std::function<Px(int x, int y, int w, int h)> pixel;
    };
    const std::vector<Case> cases = {
        {"opaque", [](int x, int y, int, int) { return opaque(uint32_t(x * 7 + y * 5)); }},
        {"all alpha 0, colours beneath", [](int x, int, int, int) { return Px{uint8_t(x), 3, 4, 0}; }},
        {"the last pixel 254",
         [](int x, int y, int w, int h) { return x == w - 1 && y == h - 1 ? Px{1, 1, 1, 254} : opaque(0x102030); }},
        {"the bottom row's first pixel 0",
         [](int x, int y, int, int h) { return x == 0 && y == h - 1 ? Px{0, 0, 0, 0} : opaque(0x102030); }},
        {"0 and 255, colour under 0",
         [](int x, int, int, int) { return x % 3 ? opaque(0x405060) : Px{7, 0, 0, 0}; }},
        {"a colour above its alpha", [](int x, int, int, int) { return x == 2 ? Px{200, 1, 1, 100} : opaque(0x405060); }},
        {"runs of 37 and 1", [](int x, int y, int, int) { return opaque(x % 38 == 37 ? 0xFFu : uint32_t(x / 38 + y)); }},
    };
    std::map<std::string, Bytes> wideFiles;
    for (const bool wide : {true, false}) {
        codecs::tga::testing::useWideKernels(wide);
        for (const int width : {3, 10, 11, 12, 19, 35, 300})
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(c.name) + ", width " + std::to_string(width) + (wide ? ", wide" : ", plain"));
                cImage32 image;
                ASSERT_TRUE(image.InitializeDIB(width, 4));
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < width; ++x) put(image, x, y, c.pixel(x, y, width, 4));
                int32_t alphaKind = 0, imageType = 0;
                modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(image), false, alphaKind, imageType);
                image.Alpha(alphaKind);  // as a reader sets it
                const uint8_t depth = alphaKind == cImage32::AlphaOpaque ? 24 : 32;
                for (const bool compress : {false, true}) {
                    const Bytes file = save(image, {false, compress, false});
                    EXPECT_EQ(file[16], depth) << (compress ? "compressed" : "raw");
                    const std::string key = std::string(c.name) + std::to_string(width) + (compress ? "c" : "r");
                    if (wide) wideFiles[key] = file;
                    else EXPECT_EQ(file, wideFiles[key]) << "the kernels differ";
                    cImage32 back;
                    ASSERT_TRUE(cTGAparser().LoadStream(file, back, 0, int64_t(file.size())));
                    for (int y = 0; y < 4 && depth == 24; ++y)
                        for (int x = 0; x < width; ++x) {
                            const Px p = c.pixel(x, y, width, 4);
                            EXPECT_EQ(at(back, x, y), (Px{p.b, p.g, p.r, 255})) << x << "," << y;
                        }
                }
            }
    }
    codecs::tga::testing::useWideKernels(true);
}

TEST(TgaWriterAlpha, AllAlphaZeroKeepsItsAlphaWhereTheHostKnowsItHasAlpha) {
    struct Form {
        const char* name;
        Options options;
        uint8_t opaqueDepth;  // where the fourth byte is unused
    };
    const std::vector<Form> forms = {{"straight", {}, 24},
                                     {"reduced", {false, false, true}, 8},
                                     {"premultiplied, compressed", {true, true, false}, 24}};
    testsupport::TempFolder folder;
    for (const writertest::AllZeroAlpha& c : writertest::allZeroAlphaPictures())
        for (const Form& f : forms) {
            SCOPED_TRACE(std::string(c.name) + ", " + f.name);
            cImage32 image;
            c.make(image);
            const std::string path = folder.file("all zero.tga");
            Bytes file;
            ASSERT_TRUE(cTGAparser().SaveAsTGA(path, file, &image, f.options.premultiplied, f.options.compress,
                                               f.options.reduce));
            EXPECT_EQ(file[16], c.transparent ? 32 : f.opaqueDepth);
            EXPECT_EQ(file[17], c.transparent ? 8 : 0) << "alpha bits in the descriptor";
            if (!f.options.compress) {
                const size_t dataBytes = 16u * file[16] / 8;
                EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 18 + std::ptrdiff_t(dataBytes)), Bytes(dataBytes, 0));
            }
            // Our reader takes a 32-bit file whose alpha is all 0 as opaque, as it must any
            // such file; ImageMagick keeps the alpha as written.
            const auto magick = picture::test::magickRgba(path, "-auto-orient");
            ASSERT_TRUE(magick);
            for (int i = 0; i < 16; ++i) {
                const uint8_t* m = magick->at(i % 4, i / 4);
                EXPECT_EQ((Px{m[2], m[1], m[0], m[3]}), (Px{0, 0, 0, uint8_t(c.transparent ? 0 : 255)})) << i;
            }
        }
}

TEST(TgaWriterAlpha, PremultipliedFormKeepsThePixelsAndAddsTheExtensionArea) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(5, 2));
    for (int x = 0; x < 5; ++x) put(image, x, 0, {uint8_t(x), uint8_t(2 * x), 0, uint8_t(100 + x)});
    const testsupport::ScopedClock clock(2031, 7, 4, 13, 5, 59);
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "raw");
        const Bytes file = save(image, {true, compress, true});
        // Compressed: a run of the 5 empty pixels of the bottom row, then 5 raw pixels.
        const size_t dataBytes = compress ? (1 + 4) + (1 + 5 * 4) : 5 * 2 * 4;
        EXPECT_EQ(file[2], compress ? 10 : 2);
        EXPECT_EQ(file[17], 8);
        ASSERT_EQ(file.size(), 18 + dataBytes + 495 + 26);
        if (!compress) EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 58), imagetest::memoryOf(image));
        const size_t area = 18 + dataBytes;
        expectFooter(file, uint32_t(area));
        EXPECT_EQ(le16(file, area), 495u);
        const uint32_t stamp[] = {7, 4, 2031, 13, 5, 59};
        for (size_t i = 0; i < 6; ++i) EXPECT_EQ(le16(file, area + 367 + 2 * i), stamp[i]);
        EXPECT_EQ(std::string(file.begin() + area + 426, file.begin() + area + 449), "Quillmere Imaging Suite");
        EXPECT_EQ(le16(file, area + 467), 3u);
        EXPECT_EQ(file[area + 469], 1);
        EXPECT_EQ(le32(file, area + 470), 0xFFFFFFFFu);
        EXPECT_EQ(file[area + 494], 4);
    }
}

// ---- round trips ------------------------------------------------------------------------------

// What a reader of straight alpha gets back: colours un-premultiplied as written.
Px straight(Px p) {
    if (p.a == 0) return {0, 0, 0, 0};
    if (p.a == 255) return p;
    const auto c = [&](uint8_t v) { return uint8_t(std::min(v * 255 / p.a, 255)); };
    return {c(p.b), c(p.g), c(p.r), p.a};
}
Px premultiplied(Px p) {
    const auto c = [&](uint8_t v) { return uint8_t(v * p.a / 255); };
    return {c(p.b), c(p.g), c(p.r), p.a};
}

TEST(TgaWriterRoundTrip, EveryFormReadsBackThroughOurReaderAndImageMagick) {
    struct Case {
        const char* name;
        int kind;  // 0 many colours, 1 greys, 2 few colours, 3 alpha
        Options options;
    };
    const std::vector<Case> cases = {
        {"24-bit", 0, {}},           {"24-bit rle", 0, {false, true, false}},
        {"grey", 1, {false, false, true}}, {"grey rle", 1, {false, true, true}},
        {"mapped", 2, {false, false, true}}, {"mapped rle", 2, {false, true, true}},
        {"straight", 3, {}},         {"straight rle", 3, {false, true, false}},
        {"premultiplied", 3, {true, false, false}}, {"premultiplied rle", 3, {true, true, false}},
    };
    testsupport::TempFolder folder;
    std::mt19937 random(20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        const int width = 67, height = 23;
        ASSERT_TRUE(image.InitializeDIB(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t v = random();
                const bool flat = x > 40;  // runs for the encoder
                Px p = c.kind == 0   ? opaque(flat ? 0x203040 : v)
                       : c.kind == 1 ? opaque((flat ? 77 : v % 256) * 0x010101u)
                       : c.kind == 2 ? opaque(flat ? 0x0000FF : (v % 5) * 0x202020u + 0x1020)
                                     : flat ? opaque(0x203040)
                                     : premultiplied({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16),
                                                      uint8_t(x % 3 == 0 ? 0 : v >> 24)});
                put(image, x, y, p);
            }
        const std::string path = folder.file(std::string(c.name) + ".tga");
        Bytes written;
        ASSERT_TRUE(cTGAparser().SaveAsTGA(path, written, &image, c.options.premultiplied, c.options.compress,
                                           c.options.reduce));
        EXPECT_EQ(picture::test::readBytes(path), written);
        if (c.options.compress) EXPECT_GE(written[2], 9) << "the flat area makes the packets pay";

        cImage32 back;
        ASSERT_TRUE(cTGAparser().LoadStream(written, back, 0, int64_t(written.size())));
        // ImageMagick 6 notes the bottom-left origin as an orientation and keeps the rows
        // in stored order until asked to apply it.
        const auto magick = picture::test::magickRgba(path, "-auto-orient");
        ASSERT_TRUE(magick);
        ASSERT_EQ(magick->width, width);
        ASSERT_EQ(magick->height, height);
        int wrong = 0;
        for (int y = 0; y < height && wrong < 3; ++y)
            for (int x = 0; x < width && wrong < 3; ++x) {
                const Px held = at(image, x, y);
                const Px stored = c.options.premultiplied ? held : straight(held);
                const Px ours = c.options.premultiplied ? held : premultiplied(stored);
                const uint8_t* m = magick->at(x, y);
                const Px theirs{m[2], m[1], m[0], m[3]};
                // ImageMagick shows no colour under alpha 0.
                const bool same = at(back, x, y) == ours &&
                                  (stored.a == 0 ? theirs.a == 0 : theirs == stored);
                if (!same) {
                    ++wrong;
                    ADD_FAILURE() << "at " << x << "," << y << " held " << held << " ours " << at(back, x, y)
                                  << " ImageMagick " << theirs;
                }
            }
    }
}

// Raw rows with nothing to watch are made in bands side by side: a tall picture gives the
// bytes of one thread in the straight, the premultiplied and the known-opaque forms.
TEST(TgaWriterRaw, BandsOfRowsGiveTheBytesOfOneThread) {
    struct Case {
        const char* name;
        bool alpha;
        Options options;
    };
    const Case cases[] = {{"straight", true, {}},
                          {"premultiplied", true, {true, false, false}},
                          {"opaque, known", false, {false, false, true}}};
    std::mt19937 random(4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        paint(image, 37, 4001, [&](int) {
            const uint32_t v = random();
            return c.alpha ? premultiplied({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)})
                           : opaque(v);
        });
        Bytes files[2];
        for (int threads : {1, 3}) {
            sys::setRowBandThreads(threads);
            files[threads > 1] = save(image, c.options);
        }
        sys::setRowBandThreads(0);
        EXPECT_EQ(files[0], files[1]);
        EXPECT_EQ(files[0][2], 2) << "raw true-colour";
    }
}

TEST(TgaWriterFailures, NoHostNoImageOrATooWideImageWriteNothing) {
    testsupport::TempFolder folder;
    cImage32 none;
    writertest::expectFailedSaves(folder, "tga", [&](const std::string& name, Bytes& out) {
        return cTGAparser().SaveAsTGA(name, out, &none);
    });
    cImage32 wide;
    ASSERT_TRUE(wide.InitializeDIB(65536, 1));
    writertest::expectFailedSaves(folder, "tga", [&](const std::string& name, Bytes& out) {
        return cTGAparser().SaveAsTGA(name, out, &wide, false, true, true);
    });
    Bytes out;
    EXPECT_FALSE(cTGAparser().SaveAsTGA("", out, nullptr));
    cImage32 small;
    ASSERT_TRUE(small.InitializeDIB(2, 2));
    EXPECT_FALSE(cTGAparser().SaveAsTGA(folder.file("no/such/folder.tga"), out, &small));
}

}  // namespace
