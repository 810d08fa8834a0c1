// cPNGparser on crafted files: the entry points and the GDI+-first rule, the chunk walk
// and its CRC checks, the header, palette and transparency chunks, the inflation, and the
// unfiltering and conversion of every colour type and depth, the last also against
// libpng over generated images of every size, filter and interlacing. Every case runs
// with zlib and with zlib marked absent.

#include <fstream>
#include <functional>
#include <random>

#include "codecs/cPNGparser.h"
#include "image/modParsers.h"
#include "png_support.h"
#include "support/error_number.h"
#include "support/temp_folder.h"

using namespace pngtest;
using imagetest::at;

namespace {

constexpr Px kMarker = {1, 2, 3, 255};  // the host's image from before the load

// What the host holds after a load that recognised the data.
enum class Host {
    kDecoded,    // a new image
    kUntouched,  // the image from before: the data was corrupt or held nothing to decode
    kDestroyed,  // no image: the decode began and failed
};

struct Loaded {
    bool recognised = false;
    Host host = Host::kUntouched;
    Rows rows;
    int32_t alpha = -1;
    int32_t type = -1;
};

// Loads `bytes` into a host that already holds a 1 x 1 marker image.
Loaded load(const Bytes& bytes) {
    cImage32 host;
    EXPECT_TRUE(host.InitializeDIB(1, 1));
    imagetest::put(host, 0, 0, kMarker);
    const gdi::HBITMAP before = host.Handle();
    Loaded l;
    l.recognised = codecs::cPNGparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
    if (host.Handle() == 0) {
        l.host = Host::kDestroyed;
    } else if (host.Handle() == before && host.Width() == 1 && host.Height() == 1 && at(host, 0, 0) == kMarker) {
        l.host = Host::kUntouched;
    } else {
        l.host = Host::kDecoded;
        l.rows = rowsOf(host);
        l.alpha = host.Alpha();
        l.type = host.ImageType();
    }
    return l;
}

const char* nameOf(Host h) {
    return h == Host::kDecoded ? "decoded" : h == Host::kUntouched ? "untouched" : "destroyed";
}

class PngReader : public imagetest::ImageTest, public ::testing::WithParamInterface<bool> {
protected:
    void TearDown() override {
        gdiplus::testing::acceptPng(false);
        imagetest::ImageTest::TearDown();
    }
    bool zlib() const { return GetParam(); }
    ZlibAbsence absence{!GetParam()};
};

// ---- building blocks ---------------------------------------------------------------------

Px grey(uint8_t v) { return {v, v, v, 255}; }
Px rgb(uint8_t r, uint8_t g, uint8_t b) { return {b, g, r, 255}; }
const Px kClear = {0, 0, 0, 0};

// A 3 x 2 8-bit grey image (filter bytes 0) and its pixels.
const Bytes kGreyRaw = {0, 10, 20, 30, 0, 40, 50, 60};
const Rows kGreyRows = {{grey(10), grey(20), grey(30)}, {grey(40), grey(50), grey(60)}};
Bytes greyIhdr() { return chunk("IHDR", ihdrData(3, 2, 8, 0)); }
Bytes greyIdat() { return chunk("IDAT", zlibStream(kGreyRaw)); }
Bytes iend() { return chunk("IEND", {}); }

Bytes png(std::vector<Bytes> chunks) { return Crafted{std::move(chunks)}.bytes(); }

// A chunk with a wrong CRC (the right one plus 1).
Bytes badCrc(const std::string& type, const Bytes& data) {
    Bytes c = chunk(type, data);
    ++c.back();
    return c;
}

// ---- entry points ----------------------------------------------------------------------

TEST_P(PngReader, AnythingWithoutTheSignatureIsNotRecognised) {
    const Bytes good = png({greyIhdr(), greyIdat(), iend()});
    Bytes damaged = good;
    damaged[7] = 0x0B;
    for (const Bytes& bytes : {Bytes(good.begin(), good.begin() + 7), Bytes(100, 0), damaged}) {
        const Loaded l = load(bytes);
        EXPECT_FALSE(l.recognised);
        EXPECT_EQ(l.host, Host::kUntouched);
    }
}

// The range must lie within the array; a PNG may sit anywhere inside it, and nothing
// after its last byte is read.
TEST_P(PngReader, StreamRangesLieWithinTheArray) {
    const Bytes good = png({greyIhdr(), greyIdat(), iend()});
    Bytes array(50, 0xEE);
    array.insert(array.end(), good.begin(), good.end());
    array.insert(array.end(), 30, 0xDD);
    const int64_t size = int64_t(array.size()), length = int64_t(good.size());

    struct Range {
        int64_t offset, length;
    };
    for (const Range r : {Range{-1, 10}, Range{size, 0}, Range{size + 1, 0}, Range{50, size - 49}, Range{0, -1}}) {
        cImage32 host;
        EXPECT_EQ(testsupport::errorNumber([&] { codecs::cPNGparser().LoadStream(array, host, r.offset, r.length); }),
                  runtime::kErrSubscriptOutOfRange)
            << r.offset << ", " << r.length;
        EXPECT_EQ(host.Handle(), 0u);
    }
    cImage32 host;
    EXPECT_EQ(testsupport::errorNumber([&] { codecs::cPNGparser().LoadStream(Bytes{}, host); }),
              runtime::kErrSubscriptOutOfRange);

    ASSERT_TRUE(codecs::cPNGparser().LoadStream(array, host, 50, length));
    ASSERT_NE(host.Handle(), 0u);
    EXPECT_EQ(rowsOf(host), kGreyRows);

    // IEND lies beyond the range: the data ends before IEND.
    cImage32 cut;
    EXPECT_TRUE(codecs::cPNGparser().LoadStream(array, cut, 50, length - 1));
    EXPECT_EQ(cut.Handle(), 0u);
    // The default length is 0: fewer than 8 bytes.
    EXPECT_FALSE(codecs::cPNGparser().LoadStream(array, cut, 50));
}

// A GIF of 1 x 1 pixels whose comment makes it `size` bytes long.
Bytes tinyGif(size_t size) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0};
    const size_t comment = size - 35 - 4;
    b.insert(b.end(), {0x21, 0xFE, uint8_t(comment)});
    b.insert(b.end(), comment, 'c');
    b.push_back(0);
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
    EXPECT_EQ(b.size(), size);
    return b;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A file of 56 bytes or less goes to GDI+ without a look at its signature; a longer one
// only with the signature. Either way the handle stays open.
TEST_P(PngReader, SmallFilesAreOfferedToGdiplusUnchecked) {
    testsupport::TempFolder folder;
    struct FileCase {
        Bytes bytes;
        bool recognised;
        bool image;
    };
    const FileCase cases[] = {
        {tinyGif(56), true, true},       // GDI+ decodes it
        {tinyGif(57), false, false},     // no signature: not even offered
        {Bytes(56, 0), false, false},    // GDI+ declines, and the walk finds nothing
        {png({greyIhdr(), greyIdat(), iend()}), true, true},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        const std::string path = folder.file("picture");
        writeFile(path, c.bytes);
        modParsers::FileHandle file = modParsers::OpenImageFileHandle(path, true);
        ASSERT_TRUE(file.valid());
        cImage32 host;
        EXPECT_EQ(codecs::cPNGparser().LoadFile(file, path, host), c.recognised);
        EXPECT_EQ(host.Handle() != 0, c.image);
        if (c.image) {
            EXPECT_EQ(host.ImageType(), cImage32::ImageTypePNG);
        }
        EXPECT_TRUE(file.valid());
        EXPECT_TRUE(file.Seek(0));
    }
}

// With GDI+ taking PNG, the walk never runs: an opaque RGBA image comes back classified
// by the bridge (opaque), not by its colour type (partial). A file GDI+ refuses because of
// a bad IDAT CRC is then the walk's: rejected with zlib, decoded without.
TEST_P(PngReader, GdiplusIsOfferedTheDataFirst) {
    gdiplus::testing::acceptPng(true);
    const Bytes rgba = simplePng(2, 1, 8, 6, {0, 10, 20, 30, 255, 40, 50, 60, 255}).bytes();
    const Loaded l = load(rgba);
    EXPECT_TRUE(l.recognised);
    ASSERT_EQ(l.host, Host::kDecoded);
    EXPECT_EQ(l.rows, (Rows{{rgb(10, 20, 30), rgb(40, 50, 60)}}));
    EXPECT_EQ(l.alpha, cImage32::AlphaOpaque);
    EXPECT_EQ(l.type, cImage32::ImageTypePNG);

    testsupport::TempFolder folder;
    const std::string path = folder.file("rgba.png");
    writeFile(path, rgba);
    modParsers::FileHandle file = modParsers::OpenImageFileHandle(path, true);
    cImage32 host;
    EXPECT_TRUE(codecs::cPNGparser().LoadFile(file, path, host));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);

    const Bytes damaged = png({greyIhdr(), badCrc("IDAT", zlibStream(kGreyRaw)), iend()});
    const Loaded d = load(damaged);
    EXPECT_TRUE(d.recognised);
    EXPECT_EQ(d.host, zlib() ? Host::kUntouched : Host::kDecoded);
}

// ---- the chunk walk ----------------------------------------------------------------------

struct WalkCase {
    const char* name;
    std::function<Bytes()> bytes;
    Host withZlib;
    Host withoutZlib;
    Rows rows = kGreyRows;  // when decoded
};

Bytes splitIdat(size_t piece, const Bytes& between = {}) {
    const Bytes stream = zlibStream(kGreyRaw);
    std::vector<Bytes> chunks = {greyIhdr()};
    for (size_t at = 0; at < stream.size(); at += piece) {
        chunks.push_back(chunk("IDAT", Bytes(stream.begin() + ptrdiff_t(at),
                                             stream.begin() + ptrdiff_t(std::min(stream.size(), at + piece)))));
        if (!between.empty()) chunks.push_back(between);
    }
    chunks.push_back(iend());
    return png(chunks);
}

const std::vector<WalkCase>& walkCases() {
    using H = Host;
    static const std::vector<WalkCase> cases = {
        {"plain", [] { return png({greyIhdr(), greyIdat(), iend()}); }, H::kDecoded, H::kDecoded},
        {"unknown chunks, a critical one too, are skipped",
         [] { return png({greyIhdr(), chunk("teXt", {1, 2}), chunk("ABCD", {3}), greyIdat(), iend()}); },
         H::kDecoded, H::kDecoded},
        {"unknown chunks are skipped unchecked",
         [] { return png({greyIhdr(), badCrc("ABCD", {3}), greyIdat(), iend()}); }, H::kDecoded, H::kDecoded},
        // Even an IHDR: the header stays the first one.
        {"zero-length chunks but IEND are skipped",
         [] {
             return png({greyIhdr(), chunk("IHDR", {}), chunk("PLTE", {}), chunk("tRNS", {}), chunk("IDAT", {}),
                         greyIdat(), iend()});
         },
         H::kDecoded, H::kDecoded},
        {"IEND ends the walk", [] { return png({greyIhdr(), iend(), greyIdat(), iend()}); }, H::kUntouched,
         H::kUntouched},
        {"nothing after IEND is read",
         [] {
             Bytes b = png({greyIhdr(), greyIdat(), iend()});
             const Bytes after = {0xFF, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T', 7};
             b.insert(b.end(), after.begin(), after.end());
             return b;
         },
         H::kDecoded, H::kDecoded},
        {"IDAT in one-byte chunks", [] { return splitIdat(1); }, H::kDecoded, H::kDecoded},
        {"IDAT chunks separated by other chunks", [] { return splitIdat(3, chunk("tEXt", {'a', 0, 'b'})); },
         H::kDecoded, H::kDecoded},
        {"IDAT before IHDR", [] { return png({greyIdat(), greyIhdr(), iend()}); }, H::kDecoded, H::kDecoded},
        {"no IDAT", [] { return png({greyIhdr(), iend()}); }, H::kUntouched, H::kUntouched},
        {"no IHDR", [] { return png({greyIdat(), iend()}); }, H::kUntouched, H::kUntouched},
        {"no IEND", [] { return png({greyIhdr(), greyIdat()}); }, H::kUntouched, H::kUntouched},
        {"last chunk cut short",
         [] {
             Bytes b = png({greyIhdr(), greyIdat(), iend()});
             b.pop_back();
             return b;
         },
         H::kUntouched, H::kUntouched},
        {"fewer than 12 bytes left",
         [] {
             Bytes b = png({greyIhdr(), greyIdat()});
             b.insert(b.end(), 11, 0);
             return b;
         },
         H::kUntouched, H::kUntouched},
        {"a chunk longer than the data",
         [] {
             Bytes b = png({greyIhdr(), greyIdat()});
             putBigEndian32(b, 13);
             b.insert(b.end(), {'t', 'E', 'X', 't', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
             b.insert(b.end(), {'I', 'E', 'N', 'D'});
             return b;
         },
         H::kUntouched, H::kUntouched},
        {"a length above 2^31 - 1",
         [] {
             Bytes b = png({greyIhdr(), greyIdat()});
             putBigEndian32(b, 0x80000000u);
             b.insert(b.end(), {'t', 'E', 'X', 't', 0, 0, 0, 0});
             const Bytes end = iend();
             b.insert(b.end(), end.begin(), end.end());
             return b;
         },
         H::kUntouched, H::kUntouched},
        // CRCs are checked only with zlib, and never when stored as 0.
        {"IHDR CRC wrong", [] { return png({badCrc("IHDR", ihdrData(3, 2, 8, 0)), greyIdat(), iend()}); },
         H::kUntouched, H::kDecoded},
        {"IDAT CRC wrong", [] { return png({greyIhdr(), badCrc("IDAT", zlibStream(kGreyRaw)), iend()}); },
         H::kUntouched, H::kDecoded},
        {"IDAT CRC stored as 0",
         [] { return png({chunk("IHDR", ihdrData(3, 2, 8, 0), 0), chunk("IDAT", zlibStream(kGreyRaw), 0), iend()}); },
         H::kDecoded, H::kDecoded},
        {"IEND CRC wrong", [] { return png({greyIhdr(), greyIdat(), badCrc("IEND", {})}); }, H::kDecoded,
         H::kDecoded},
        // The grey image ignores its PLTE, whatever its length or CRC.
        {"PLTE in a grey image", [] { return png({greyIhdr(), badCrc("PLTE", {1, 2, 3, 4}), greyIdat(), iend()}); },
         H::kDecoded, H::kDecoded},
        {"a later IHDR replaces the header",
         [] {
             return png({chunk("IHDR", ihdrData(40, 40, 16, 6, 1)), greyIhdr(), greyIdat(), iend()});
         },
         H::kDecoded, H::kDecoded},
    };
    return cases;
}

TEST_P(PngReader, ChunkWalk) {
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.name);
        const Loaded l = load(c.bytes());
        EXPECT_TRUE(l.recognised);
        const Host want = zlib() ? c.withZlib : c.withoutZlib;
        ASSERT_EQ(l.host, want) << nameOf(l.host);
        if (want == Host::kDecoded) {
            EXPECT_EQ(l.rows, c.rows);
        }
    }
}

// ---- the header ------------------------------------------------------------------------

struct HeaderCase {
    const char* name;
    Bytes ihdr;  // the chunk's data
    bool accepted;
};

Bytes withByte(Bytes b, size_t at, uint8_t value) {
    b.at(at) = value;
    return b;
}

const std::vector<HeaderCase>& headerCases() {
    const Bytes good = ihdrData(3, 2, 8, 0);
    static const std::vector<HeaderCase> cases = {
        {"valid", good, true},
        {"longer than 13 bytes: the fields are read", [&] {
             Bytes b = good;
             b.push_back(0xFF);
             return b;
         }(), true},
        {"shorter than 13 bytes", Bytes(good.begin(), good.end() - 1), false},
        {"width 0", ihdrData(0, 2, 8, 0), false},
        {"height 0", ihdrData(3, 0, 8, 0), false},
        {"width of 2^31 (negative)", ihdrData(0x80000000u, 2, 8, 0), false},
        {"height of 2^32 - 1 (negative)", ihdrData(3, 0xFFFFFFFFu, 8, 0), false},
        {"bit depth 0", withByte(good, 8, 0), false},
        {"bit depth 3", withByte(good, 8, 3), false},
        {"bit depth 32", withByte(good, 8, 32), false},
        {"colour type 1", withByte(good, 9, 1), false},
        {"colour type 5", withByte(good, 9, 5), false},
        {"colour type 7", withByte(good, 9, 7), false},
        {"compression method 1", withByte(good, 10, 1), false},
        {"filter method 1", withByte(good, 11, 1), false},
        {"interlace method 2", withByte(good, 12, 2), false},
        // Combinations PNG forbids.
        {"RGB at 4 bits", ihdrData(3, 2, 4, 2), false},
        {"grey with alpha at 2 bits", ihdrData(3, 2, 2, 4), false},
        {"RGBA at 1 bit", ihdrData(3, 2, 1, 6), false},
        {"palette at 16 bits", ihdrData(3, 2, 16, 3), false},
        // Pixel memory in bits must stay below 2^31.
        {"8192 x 8192", ihdrData(8192, 8192, 8, 0), false},
        {"width x 32 of 2^31", ihdrData(1u << 26, 1, 1, 0), false},
    };
    return cases;
}

TEST_P(PngReader, HeaderValues) {
    for (const HeaderCase& c : headerCases()) {
        SCOPED_TRACE(c.name);
        const Loaded l = load(png({chunk("IHDR", c.ihdr), greyIdat(), iend()}));
        EXPECT_TRUE(l.recognised);
        EXPECT_EQ(l.host, c.accepted ? Host::kDecoded : Host::kUntouched) << nameOf(l.host);
    }
}

// ---- pixels --------------------------------------------------------------------------------

struct PixelCase {
    const char* name;
    std::function<Bytes()> bytes;
    Host host;
    Rows rows = {};
    int32_t alpha = -1;
};

// A 16-bit sample, a three-sample 8-bit pixel and the like, as raw bytes.
Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes trnsChunk(const Bytes& data) { return chunk("tRNS", data); }
Bytes plteChunk(size_t entries) {
    Bytes d;
    for (size_t i = 0; i < entries; ++i) d.insert(d.end(), {uint8_t(i), uint8_t(i * 2), uint8_t(i * 3)});
    return chunk("PLTE", d);
}

const std::vector<PixelCase>& pixelCases() {
    using H = Host;
    constexpr int32_t kOpaque = cImage32::AlphaOpaque, kBinary = cImage32::AlphaBinary,
                      kPartial = cImage32::AlphaPartial;
    static const std::vector<PixelCase> cases = {
        {"1-bit grey is black and white", [] { return simplePng(3, 1, 1, 0, {0, 0b10100000}).bytes(); }, H::kDecoded,
         {{grey(255), grey(0), grey(255)}}, kOpaque},
        {"2-bit grey has the levels 0, 85, 170 and 255", [] { return simplePng(4, 1, 2, 0, {0, 0b00011011}).bytes(); },
         H::kDecoded, {{grey(0), grey(85), grey(170), grey(255)}}, kOpaque},
        {"16-bit RGBA is represented by each sample's high byte",
         [] { return simplePng(1, 1, 16, 6, {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x80, 0x00}).bytes(); },
         H::kDecoded, {{{77, 43, 9, 128}}}, kPartial},
        {"8-bit RGBA of alpha 0 is all zeros, of alpha 255 as stored",
         [] { return simplePng(2, 1, 8, 6, {0, 200, 100, 50, 0, 200, 100, 50, 255}).bytes(); }, H::kDecoded,
         {{kClear, rgb(200, 100, 50)}}, kPartial},
        {"8-bit RGBA is premultiplied by truncation",
         [] { return simplePng(1, 1, 8, 6, {0, 255, 128, 1, 127}).bytes(); }, H::kDecoded, {{{0, 63, 127, 127}}},
         kPartial},
        {"8-bit grey with alpha",
         [] { return simplePng(2, 1, 8, 4, {0, 200, 255, 200, 100}).bytes(); }, H::kDecoded,
         {{grey(200), {78, 78, 78, 100}}}, kPartial},
        {"8-bit RGB equal to the tRNS colour is transparent",
         [] {
             return simplePng(3, 1, 8, 2, {0, 10, 20, 30, 10, 20, 31, 30, 20, 10},
                              {trnsChunk({0, 10, 0, 20, 0, 30})})
                 .bytes();
         },
         H::kDecoded, {{kClear, rgb(10, 20, 31), rgb(30, 20, 10)}}, kBinary},
        {"a 16-bit RGB key is compared on all 16 bits",
         [] {
             const Bytes key = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
             const Bytes lowByteOff = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBD};
             const Bytes highByteOff = {0x13, 0x34, 0x56, 0x78, 0x9A, 0xBC};
             return simplePng(3, 1, 16, 2, cat({{0}, key, lowByteOff, highByteOff}), {trnsChunk(key)}).bytes();
         },
         H::kDecoded, {{kClear, rgb(0x12, 0x56, 0x9A), rgb(0x13, 0x56, 0x9A)}}, kBinary},
        {"a 16-bit grey key is compared on all 16 bits",
         [] {
             return simplePng(3, 1, 16, 0, {0, 0x12, 0x34, 0x12, 0xFF, 0x13, 0x34}, {trnsChunk({0x12, 0x34})}).bytes();
         },
         H::kDecoded, {{kClear, grey(0x12), grey(0x13)}}, kBinary},
        {"an 8-bit grey key of 0x0080 makes exactly 0x80 transparent",
         [] { return simplePng(3, 1, 8, 0, {0, 0x7F, 0x80, 0x81}, {trnsChunk({0, 0x80})}).bytes(); }, H::kDecoded,
         {{grey(0x7F), kClear, grey(0x81)}}, kBinary},
        {"a 2-bit grey key is taken modulo the depth",
         [] { return simplePng(4, 1, 2, 0, {0, 0b00011011}, {trnsChunk({0, 6})}).bytes(); }, H::kDecoded,
         {{grey(0), grey(85), kClear, grey(255)}}, kBinary},
        {"a grey tRNS too short is no transparency",
         [] { return simplePng(2, 1, 8, 0, {0, 0, 1}, {trnsChunk({0})}).bytes(); }, H::kDecoded,
         {{grey(0), grey(1)}}, kOpaque},
        {"an RGB tRNS too short is no transparency",
         [] { return simplePng(1, 1, 8, 2, {0, 1, 2, 3}, {trnsChunk({0, 1, 0, 2, 0})}).bytes(); }, H::kDecoded,
         {{rgb(1, 2, 3)}}, kOpaque},
        {"a tRNS before IHDR is no transparency",
         [] {
             return png({trnsChunk({0, 10}), chunk("IHDR", ihdrData(2, 1, 8, 0)),
                         chunk("IDAT", zlibStream({0, 10, 11})), iend()});
         },
         H::kDecoded, {{grey(10), grey(11)}}, kOpaque},
        {"tRNS in an RGBA image is ignored",
         [] { return simplePng(1, 1, 8, 6, {0, 1, 2, 3, 255}, {trnsChunk({0, 1, 0, 2, 0, 3})}).bytes(); },
         H::kDecoded, {{rgb(1, 2, 3)}}, kPartial},
        {"a palette without PLTE is black, but index 1 of a 1-bit image",
         [] { return simplePng(2, 1, 1, 3, {0, 0b01000000}).bytes(); }, H::kDecoded, {{grey(0), grey(255)}}, kOpaque},
        {"a 2-bit palette without PLTE is black",
         [] { return simplePng(2, 1, 2, 3, {0, 0b00010000}).bytes(); }, H::kDecoded, {{grey(0), grey(0)}}, kOpaque},
        {"a palette index past the PLTE entries gives no image",
         [] { return simplePng(2, 1, 4, 3, {0, 0x34}, {plteChunk(4)}).bytes(); }, H::kDestroyed},
        {"the last PLTE entry is a colour",
         [] { return simplePng(2, 1, 4, 3, {0, 0x31}, {plteChunk(4)}).bytes(); }, H::kDecoded,
         {{rgb(3, 6, 9), rgb(1, 2, 3)}}, kOpaque},
        {"a PLTE of 900 entries is kept whole",
         [] { return simplePng(1, 1, 8, 3, {0, 200}, {plteChunk(900)}).bytes(); }, H::kDecoded,
         {{rgb(200, 144, 88)}}, kOpaque},
        {"a PLTE of 769 bytes is corrupt",
         [] { return simplePng(1, 1, 8, 3, {0, 0}, {chunk("PLTE", Bytes(769, 1))}).bytes(); }, H::kUntouched},
        {"a palette tRNS of fewer entries leaves the others opaque",
         [] { return simplePng(3, 1, 8, 3, {0, 0, 3, 2}, {plteChunk(4), trnsChunk({0, 128, 100})}).bytes(); },
         H::kDecoded, {{kClear, rgb(3, 6, 9), {2, 1, 0, 100}}}, kBinary},
        {"a sequential row of filter type 5 is taken as stored",
         [] { return simplePng(2, 2, 8, 0, {5, 10, 20, 1, 5, 5}).bytes(); }, H::kDecoded,
         {{grey(10), grey(20)}, {grey(5), grey(10)}}, kOpaque},
        // 2 x 2 interlaced: pass 1 holds (0, 0), pass 6 (1, 0), pass 7 the second row.
        {"an interlaced image takes its passes in order",
         [] {
             Crafted c = simplePng(2, 2, 8, 0, {0, 1, 0, 2, 0, 3, 4});
             c.chunks[0] = chunk("IHDR", ihdrData(2, 2, 8, 0, 1));
             return c.bytes();
         },
         H::kDecoded, {{grey(1), grey(2)}, {grey(3), grey(4)}}, kOpaque},
        {"an interlaced row of filter type 5 gives no image",
         [] {
             Crafted c = simplePng(2, 2, 8, 0, {0, 1, 0, 2, 5, 3, 4});
             c.chunks[0] = chunk("IHDR", ihdrData(2, 2, 8, 0, 1));
             return c.bytes();
         },
         H::kDestroyed},
        {"data short of the last rows leaves them zero: grey is black",
         [] { return simplePng(2, 3, 8, 0, {0, 7, 8}).bytes(); }, H::kDecoded,
         {{grey(7), grey(8)}, {grey(0), grey(0)}, {grey(0), grey(0)}}, kOpaque},
        {"data short of the last rows leaves them zero: RGBA is transparent",
         [] { return simplePng(1, 2, 8, 6, {0, 9, 9, 9, 255}).bytes(); }, H::kDecoded, {{grey(9)}, {kClear}},
         kPartial},
        {"data beyond the image's size gives nothing",
         [] { return simplePng(2, 1, 8, 0, {0, 7, 8, 0}).bytes(); }, H::kUntouched},
        {"data that does not inflate gives nothing",
         [] { return png({greyIhdr(), chunk("IDAT", {0x78, 0x01, 0xFF, 0xFF, 0xFF}), iend()}); }, H::kUntouched},
        // zlib refuses the trailer; the own decoder, which does not read it, takes over.
        {"a wrong Adler-32 is not noticed",
         [] {
             Bytes stream = zlibStream(kGreyRaw);
             stream.back() ^= 1;
             return png({greyIhdr(), chunk("IDAT", stream), iend()});
         },
         H::kDecoded, kGreyRows, kOpaque},
    };
    return cases;
}

TEST_P(PngReader, Pixels) {
    for (const PixelCase& c : pixelCases()) {
        SCOPED_TRACE(c.name);
        const Loaded l = load(c.bytes());
        EXPECT_TRUE(l.recognised);
        ASSERT_EQ(l.host, c.host) << nameOf(l.host);
        if (c.host != Host::kDecoded) continue;
        EXPECT_EQ(l.rows, c.rows);
        EXPECT_EQ(l.alpha, c.alpha);
        EXPECT_EQ(l.type, cImage32::ImageTypePNG);
    }
}

// A tRNS whose CRC is wrong counts only where CRCs are checked.
TEST_P(PngReader, TransparencyWithABadCrcIsIgnoredWithZlib) {
    const Loaded l = load(simplePng(2, 1, 8, 3, {0, 0, 1}, {plteChunk(2), badCrc("tRNS", {0})}).bytes());
    ASSERT_EQ(l.host, Host::kDecoded);
    if (zlib()) {
        EXPECT_EQ(l.rows, (Rows{{grey(0), rgb(1, 2, 3)}}));
        EXPECT_EQ(l.alpha, cImage32::AlphaOpaque);
    } else {
        EXPECT_EQ(l.rows, (Rows{{kClear, rgb(1, 2, 3)}}));
        EXPECT_EQ(l.alpha, cImage32::AlphaBinary);
    }
}

// ---- against libpng ------------------------------------------------------------------------

struct Format {
    uint8_t colourType, depth;
};
constexpr Format kFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                               {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

int channelsOf(uint8_t colourType) {
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

// Random samples in which a tRNS key, and values one off it in the low byte, are common,
// so that matches and near misses both occur.
Samples randomImage(Format f, uint32_t width, uint32_t height, bool interlaced, bool transparency,
                    int filters, std::mt19937& rng) {
    Samples s;
    s.width = width, s.height = height, s.depth = f.depth, s.colourType = f.colourType;
    s.interlaced = interlaced, s.filters = filters;
    const uint32_t top = (1u << f.depth) - 1;
    const int channels = channelsOf(f.colourType);
    std::vector<uint32_t> key(static_cast<size_t>(channels));
    for (auto& k : key) k = rng() & top;
    if (f.colourType == 3) {
        const uint32_t entries = top + 1 - rng() % 2;  // sometimes one short: no index may reach it
        for (uint32_t i = 0; i < entries * 3; ++i) s.palette.push_back(uint8_t(rng()));
        for (auto& k : key) k = std::min(k, entries - 1);
        if (transparency) {
            const uint32_t n = 1 + rng() % entries;
            for (uint32_t i = 0; i < n; ++i) s.trns.push_back(uint8_t(i % 3 == 0 ? 0 : i % 3 == 1 ? 255 : rng()));
        }
    } else if (transparency && (f.colourType == 0 || f.colourType == 2)) {
        for (uint32_t k : key) {
            const Bytes b = bigEndian16(k);
            s.trns.insert(s.trns.end(), b.begin(), b.end());
        }
    }
    const uint32_t limit = f.colourType == 3 ? uint32_t(s.palette.size() / 3) - 1 : top;
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint32_t> values;
        for (uint32_t x = 0; x < width; ++x) {
            const unsigned pick = rng() % 4;
            for (int c = 0; c < channels; ++c) {
                uint32_t v = pick == 0 ? key[size_t(c)] : pick == 1 ? key[size_t(c)] ^ 1 : rng() & top;
                values.push_back(std::min(v, limit));
            }
        }
        Bytes row;
        if (f.depth == 16) {
            for (uint32_t v : values) row.insert(row.end(), {uint8_t(v >> 8), uint8_t(v)});
        } else {
            row.assign((values.size() * f.depth + 7) / 8, 0);
            for (size_t i = 0; i < values.size(); ++i)
                row[i * f.depth / 8] |= uint8_t(values[i] << (8 - f.depth - i * f.depth % 8));
        }
        s.rows.push_back(row);
    }
    return s;
}

// Every colour type and depth, every size up to 17 x 17, interlaced and not, each filter
// alone and all together, with and without tRNS: the same pixels as libpng.
TEST_P(PngReader, GeneratedImagesDecodeAsLibpngDecodesThem) {
    constexpr int kFilters[] = {0x08, 0x10, 0x20, 0x40, 0x80, 0xF8};  // none, sub, up, average, Paeth, all
    std::mt19937 rng(1234);
    size_t n = 0;
    for (const Format f : kFormats) {
        for (bool interlaced : {false, true}) {
            for (uint32_t height = 1; height <= 17; ++height) {
                for (uint32_t width = 1; width <= 17; ++width, ++n) {
                    const bool transparency = n % 2 == 0;
                    const Samples s = randomImage(f, width, height, interlaced, transparency, kFilters[n % 6], rng);
                    const Bytes file = libpngEncode(s);
                    const auto reference = libpngDecode(file);
                    ASSERT_TRUE(reference);
                    const Loaded l = load(file);
                    SCOPED_TRACE("colour type " + std::to_string(f.colourType) + ", depth " +
                                 std::to_string(f.depth) + ", " + std::to_string(width) + " x " +
                                 std::to_string(height) + (interlaced ? ", interlaced" : ""));
                    ASSERT_EQ(l.host, Host::kDecoded);
                    std::string first;
                    ASSERT_EQ(differences(l.rows, *reference, &first), 0u) << first;
                    const bool keyed = !s.trns.empty();
                    EXPECT_EQ(l.alpha, f.colourType == 4 || f.colourType == 6 ? cImage32::AlphaPartial
                                       : keyed                                ? cImage32::AlphaBinary
                                                                              : cImage32::AlphaOpaque);
                }
            }
        }
    }
}

// Images whose inflated rows span several of the decoder's windows (about a megabyte
// each, rows cut across their edges): the same pixels as libpng.
TEST(PngLargeImages, RowsAcrossTheDecodersWindowsDecodeAsLibpngDecodesThem) {
    constexpr Format kLarge[] = {{6, 16}, {2, 8}, {4, 16}};
    std::mt19937 rng(4321);
    for (const Format f : kLarge) {
        for (bool interlaced : {false, true}) {
            const Samples s = randomImage(f, 701, 600, interlaced, true, 0xF8, rng);
            const Bytes file = libpngEncode(s);
            const auto reference = libpngDecode(file);
            ASSERT_TRUE(reference);
            SCOPED_TRACE("colour type " + std::to_string(f.colourType) + ", depth " + std::to_string(f.depth) +
                         (interlaced ? ", interlaced" : ""));
            const Loaded l = load(file);
            ASSERT_EQ(l.host, Host::kDecoded);
            std::string first;
            EXPECT_EQ(differences(l.rows, *reference, &first), 0u) << first;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zlib, PngReader, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Present" : "Absent"); });

}  // namespace
