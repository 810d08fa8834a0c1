// cBMPparser reading: 32-bpp BI_RGB files decoded directly with their alpha classified,
// refusals of hostile headers and ranges, the road through the platform picture loader
// for everything else, and the conversion of picture objects and bitmap handles.

#include <cstring>

#include "bmp_support.h"
#include "codecs/cBMPparser.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"

using namespace bmptest;
using imagetest::at;
using picture::test::corpus;
using picture::test::readBytes;

namespace {

using Rows = std::vector<std::vector<Px>>;

class BmpReader : public imagetest::ImageTest {
protected:
    codecs::cBMPparser reader;
    cImage32 host;

    bool load(const std::vector<uint8_t>& bytes) {
        return reader.LoadStream(bytes, host, 0, int64_t(bytes.size()));
    }
};

Crafted bmp32(const Rows& rows, bool topDown = false) {
    Crafted c;
    c.width = int32_t(rows.at(0).size());
    c.height = topDown ? -int32_t(rows.size()) : int32_t(rows.size());
    c.rows = rows;
    return c;
}

// ---- 32-bpp BI_RGB, decoded here ---------------------------------------------------------

struct AlphaCase {
    const char* name;
    Rows file;       // as stored in the file
    int32_t alpha;   // AlphaType
    int32_t type;    // ImageType
    Rows expected;   // as the host holds it
};

const AlphaCase kAlphaCases[] = {
    {"every alpha 255: opaque",
     {{{1, 2, 3, 255}, {40, 50, 60, 255}}, {{200, 100, 0, 255}, {9, 9, 9, 255}}},
     cImage32::AlphaOpaque, cImage32::ImageTypeBitmap,
     {{{1, 2, 3, 255}, {40, 50, 60, 255}}, {{200, 100, 0, 255}, {9, 9, 9, 255}}}},
    // A file that does not use its fourth byte.
    {"every alpha 0: opaque, colours kept",
     {{{1, 2, 3, 0}, {40, 50, 60, 0}}, {{200, 100, 0, 0}, {0, 0, 0, 0}}},
     cImage32::AlphaOpaque, cImage32::ImageTypeBitmap,
     {{{1, 2, 3, 255}, {40, 50, 60, 255}}, {{200, 100, 0, 255}, {0, 0, 0, 255}}}},
    {"alpha 0 and 255 only, black under 0: binary, premultiplied as it stands",
     {{{0, 0, 0, 0}, {40, 50, 60, 255}}, {{200, 100, 0, 255}, {0, 0, 0, 0}}},
     cImage32::AlphaBinary, cImage32::ImageTypeBitmapPARGB,
     {{{0, 0, 0, 0}, {40, 50, 60, 255}}, {{200, 100, 0, 255}, {0, 0, 0, 0}}}},
    {"partial alpha, no colour above it: premultiplied as it stands",
     {{{10, 20, 30, 128}, {0, 0, 0, 0}}, {{200, 100, 0, 255}, {64, 64, 64, 64}}},
     cImage32::AlphaPartial, cImage32::ImageTypeBitmapPARGB,
     {{{10, 20, 30, 128}, {0, 0, 0, 0}}, {{200, 100, 0, 255}, {64, 64, 64, 64}}}},
    {"a colour above its alpha: straight, premultiplied on loading",
     {{{200, 10, 10, 128}, {255, 255, 255, 255}}, {{90, 60, 30, 0}, {255, 128, 0, 51}}},
     cImage32::AlphaPartial, cImage32::ImageTypeBitmapARGB,
     {{{100, 5, 5, 128}, {255, 255, 255, 255}}, {{0, 0, 0, 0}, {51, 25, 0, 51}}}},
    {"colour under alpha 0 before an opaque pixel: straight, binary",
     {{{0, 0, 50, 0}, {1, 2, 3, 255}}, {{7, 7, 7, 255}, {0, 0, 0, 0}}},
     cImage32::AlphaBinary, cImage32::ImageTypeBitmapARGB,
     {{{0, 0, 0, 0}, {1, 2, 3, 255}}, {{7, 7, 7, 255}, {0, 0, 0, 0}}}},
};

TEST_F(BmpReader, AlphaOfA32BitFileIsClassified) {
    for (const AlphaCase& c : kAlphaCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(load(bmp32(c.file).bytes()));
        EXPECT_EQ(host.Alpha(), c.alpha);
        EXPECT_EQ(host.ImageType(), c.type);
        EXPECT_EQ(rowsOf(host), c.expected);
    }
}

TEST_F(BmpReader, RowsComeUprightFromEitherOrderAndFromAnyOffset) {
    const Rows picture = {{{1, 1, 1, 255}, {2, 2, 2, 255}, {3, 3, 3, 255}},
                          {{4, 4, 4, 255}, {5, 5, 5, 255}, {6, 6, 6, 255}}};
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        const std::vector<uint8_t> file = bmp32(picture, topDown).bytes();
        ASSERT_TRUE(load(file));
        EXPECT_EQ(rowsOf(host), picture);

        // The same file at offset 100 of a larger array, with bytes after it that are not
        // its own: bfOffBits counts from the stream's start.
        std::vector<uint8_t> array(100, 0xEE);
        array.insert(array.end(), file.begin(), file.end());
        array.insert(array.end(), 64, 0x77);
        cImage32 embedded;
        ASSERT_TRUE(reader.LoadStream(array, embedded, 100, int64_t(file.size())));
        EXPECT_EQ(rowsOf(embedded), picture);
        EXPECT_EQ(embedded.ImageType(), cImage32::ImageTypeBitmap);
    }
}

TEST_F(BmpReader, LongerHeadersReadAlike) {
    const Rows picture = {{{10, 20, 30, 128}, {0, 0, 0, 0}}};
    for (uint32_t headerSize : {52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(headerSize);
        Crafted c = bmp32(picture);
        c.headerSize = headerSize;
        ASSERT_TRUE(load(c.bytes()));
        EXPECT_EQ(rowsOf(host), picture);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaPartial);
    }
}

// ---- refusals -------------------------------------------------------------------------------

std::vector<uint8_t> withField(std::vector<uint8_t> b, size_t offset, uint32_t value) {
    std::memcpy(&b[offset], &value, 4);  // the tests run on little-endian machines only
    return b;
}

TEST_F(BmpReader, HostileHeadersAndRangesAreRefusedCleanly) {
    const std::vector<uint8_t> good = bmp32({{{1, 2, 3, 255}, {4, 5, 6, 255}}}).bytes();
    const int64_t n = int64_t(good.size());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int64_t offset, length;
    };
    const Case cases[] = {
        {"33 bytes of a BMP header", good, 0, 33},
        {"width 0", withField(good, 18, 0), 0, n},
        {"negative width", withField(good, 18, 0xFFFFFFFF), 0, n},
        {"height 0", withField(good, 22, 0), 0, n},
        {"bfOffBits with the sign bit set", withField(good, 10, 0x80000000), 0, n},
        {"bfOffBits -54", withField(good, 10, uint32_t(-54)), 0, n},
        {"bfOffBits past the data", withField(good, 10, uint32_t(n + 1)), 0, n},
        {"a 24-bpp file's bfOffBits past the data",
         withField(withField(good, 28, 24), 10, 0x7FFFFFF0), 0, n},
        // Rows past the stream go to the platform loader, which refuses them as well.
        {"32-bpp rows one byte past the stream", good, 0, n - 1},
        {"a range past the end of the array", good, 1, n},
        {"an offset past the end of the array", good, n + 1, 0},
        {"a negative offset", good, -1, n},
        {"a negative length", good, 0, -1},
        {"no data", {}, 0, 0},
        {"text", std::vector<uint8_t>(200, 'a'), 0, 200},
        {"a PNG signature (not the platform loader's)",
         {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'}, 0, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        EXPECT_FALSE(reader.LoadStream(c.bytes, image, c.offset, c.length));
        EXPECT_EQ(image.Handle(), 0u);
        EXPECT_EQ(image.ImageType(), cImage32::ImageTypeNone);
    }
}

TEST_F(BmpReader, HugeClaimsAreRefusedWithoutAllocating) {
    // Rows that cannot lie within 100 bytes go to the platform loader, which refuses
    // them too: nothing is allocated for the claim.
    Crafted c = bmp32({{{1, 2, 3, 255}}});
    // 2^30 x 2^31 rows of 2^32 bytes: 2^63 bytes, one past what 64 bits hold signed.
    for (auto [width, height] : {std::pair{0x7FFFFFFF, 1}, std::pair{1, int32_t(0x80000000)},
                                 std::pair{65535, 65535}, std::pair{1, 0x7FFFFFFF},
                                 std::pair{0x40000000, int32_t(0x80000000)},
                                 std::pair{0x7FFFFFFF, 0x7FFFFFFF}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::vector<uint8_t> b = withField(withField(c.bytes(), 18, uint32_t(width)), 22, uint32_t(height));
        EXPECT_FALSE(load(b));
        EXPECT_EQ(host.Handle(), 0u);
    }
}

// ---- the platform picture loader's road -----------------------------------------------------

TEST_F(BmpReader, OtherBitmapsLoadOpaqueThroughThePlatformLoader) {
    const Rows straight = {{{200, 10, 10, 128}, {90, 60, 30, 0}}, {{1, 2, 3, 255}, {4, 5, 6, 7}}};
    Rows opaque = straight;
    for (auto& row : opaque)
        for (Px& p : row) p.a = 255;

    Crafted rgb24 = bmp32(straight);
    rgb24.bitCount = 24;
    // 32 bpp with bit fields, alpha in the fourth byte: the loader keeps the bytes, and
    // the host takes the colours as they stand and makes them opaque.
    Crafted fields = bmp32(straight);
    fields.compression = 3;
    fields.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    for (const Crafted* c : {&rgb24, &fields}) {
        SCOPED_TRACE(c->bitCount);
        ASSERT_TRUE(load(c->bytes()));
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmap);
        EXPECT_EQ(rowsOf(host), opaque);
    }
}

TEST_F(BmpReader, JpegLoadsThroughThePlatformLoaderAsLibjpegDecodesIt) {
    for (const char* name : {"photos/IMG0003.jpg", "photos/harvesters.jpeg"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> jpeg = readBytes(corpus(name));
        const auto reference = picture::test::libjpegRgb(jpeg);
        ASSERT_TRUE(reference);
        // Offered at an offset, as the loading dispatch may.
        std::vector<uint8_t> array(7, 0);
        array.insert(array.end(), jpeg.begin(), jpeg.end());
        ASSERT_TRUE(reader.LoadStream(array, host, 7, int64_t(jpeg.size())));
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmap);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        ASSERT_EQ(host.Width(), reference->width);
        ASSERT_EQ(host.Height(), reference->height);
        size_t differing = 0;
        for (int y = 0; y < host.Height(); ++y)
            for (int x = 0; x < host.Width(); ++x) {
                const uint8_t* r = &reference->pixels[(size_t(y) * size_t(host.Width()) + size_t(x)) * 3];
                differing += at(host, x, y) != Px{r[2], r[1], r[0], 255};
            }
        EXPECT_EQ(differing, 0u);
    }
}

// ---- ConvertstdPicTo32bpp ----------------------------------------------------------------------

// A DIB section of the given depth holding `rows` (32 bpp: BGRA; 24: BGR), stored
// top-down when asked.
gdi::HBITMAP dibSection(const Rows& rows, int bitCount, bool topDown) {
    const int w = int(rows[0].size()), h = int(rows.size());
    gdi::BITMAPINFO info{};
    info.bmiHeader = {40, w, topDown ? -h : h, 1, gdi::WORD(bitCount), gdi::BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const gdi::HBITMAP b = gdi::CreateDIBSection(0, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    const size_t stride = (size_t(w) * size_t(bitCount) / 8 + 3) / 4 * 4;
    for (int y = 0; y < h; ++y) {
        uint8_t* d = static_cast<uint8_t*>(bits) + size_t(topDown ? y : h - 1 - y) * stride;
        for (const Px& p : rows[size_t(y)]) {
            *d++ = p.b;
            *d++ = p.g;
            *d++ = p.r;
            if (bitCount == 32) *d++ = p.a;
        }
    }
    return b;
}

TEST_F(BmpReader, BitmapHandlesOf32BitsKeepTheirAlpha) {
    const Rows straight = {{{200, 10, 10, 128}, {1, 2, 3, 255}}, {{0, 0, 50, 0}, {7, 8, 9, 255}}};
    const Rows held = {{{100, 5, 5, 128}, {1, 2, 3, 255}}, {{0, 0, 0, 0}, {7, 8, 9, 255}}};
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down DIB section" : "bottom-up DIB section");
        const gdi::HBITMAP b = dibSection(straight, 32, topDown);
        ASSERT_TRUE(reader.ConvertstdPicTo32bpp({}, b, host));
        EXPECT_EQ(rowsOf(host), held);
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmapARGB);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaPartial);
        gdi::DeleteObject(b);
    }
    // A device bitmap has no bits address: it is read through GetDIBits.
    const uint8_t bits[] = {200, 10, 10, 128, 1, 2, 3, 255, 0, 0, 50, 0, 7, 8, 9, 255};  // top row first
    const gdi::HBITMAP device = gdi::CreateBitmap(2, 2, 1, 32, bits);
    ASSERT_NE(device, 0u);
    ASSERT_TRUE(reader.ConvertstdPicTo32bpp({}, device, host));
    EXPECT_EQ(rowsOf(host), held);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmapARGB);
    gdi::DeleteObject(device);
}

TEST_F(BmpReader, OtherBitmapHandlesAndPicturesLoadOpaque) {
    const Rows colours = {{{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}},
                          {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}};
    Rows opaque = colours;
    for (auto& row : opaque)
        for (Px& p : row) p.a = 255;

    const gdi::HBITMAP b24 = dibSection(colours, 24, false);
    ASSERT_TRUE(reader.ConvertstdPicTo32bpp({}, b24, host));
    EXPECT_EQ(rowsOf(host), opaque);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmap);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
    gdi::DeleteObject(b24);

    // A bitmap picture: sized from its HIMETRIC extent, drawn upright.
    Crafted file = bmp32(colours);
    file.bitCount = 24;
    const picture::Picture bitmap = picture::LoadPictureFromBytes(file.bytes());
    ASSERT_TRUE(reader.ConvertstdPicTo32bpp(bitmap, 0, host));
    EXPECT_EQ(rowsOf(host), opaque);
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmap);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
}

TEST_F(BmpReader, IconPicturesKeepTheirTypeAndSize) {
    const picture::Picture icon =
        picture::LoadPictureFromBytes(readBytes(corpus("ico/valid/bmp-32bpp-alpha.ico")));
    ASSERT_EQ(icon.Type(), picture::kPicTypeIcon);
    ASSERT_TRUE(reader.ConvertstdPicTo32bpp(icon, 0, host));
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeIcon);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
    EXPECT_EQ(host.Width(), icon.pixelSize().cx);
    EXPECT_EQ(host.Height(), icon.pixelSize().cy);
    for (int y = 0; y < host.Height(); ++y)
        for (int x = 0; x < host.Width(); ++x) ASSERT_EQ(at(host, x, y).a, 255);
}

TEST_F(BmpReader, NothingToConvertGivesFalse) {
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(0xFF);
    EXPECT_FALSE(reader.ConvertstdPicTo32bpp({}, 0, host)) << "no picture, no handle";
    EXPECT_FALSE(reader.ConvertstdPicTo32bpp({}, brush, host)) << "not a bitmap";
    EXPECT_FALSE(reader.ConvertstdPicTo32bpp({}, 0x7FFFFFF0, host)) << "no object";
    EXPECT_FALSE(reader.ConvertstdPicTo32bpp(picture::NonePicture(), 0, host)) << "type 0";
    EXPECT_EQ(host.Handle(), 0u);
    gdi::DeleteObject(brush);
}

// An enhanced metafile of 40 x 30 device pixels that draws one filled ellipse.
std::vector<uint8_t> ellipseMetafile() {
    using namespace testsupport;
    std::vector<uint8_t> b;
    const auto rect = [&](int32_t l, int32_t t, int32_t r, int32_t bottom) {
        put32(b, uint32_t(l)), put32(b, uint32_t(t)), put32(b, uint32_t(r)), put32(b, uint32_t(bottom));
    };
    // EMR_HEADER (88 bytes)
    put32(b, 1), put32(b, 88);
    rect(0, 0, 39, 29);        // bounds, device pixels
    rect(0, 0, 1058, 793);     // frame, 0.01 mm
    put32(b, 0x464D4520);      // " EMF"
    put32(b, 0x10000);         // version
    put32(b, 88 + 24 + 20);    // bytes
    put32(b, 3);               // records
    put16(b, 1), put16(b, 0);  // handles, reserved
    put32(b, 0), put32(b, 0), put32(b, 0);  // description, palette entries
    put32(b, 1920), put32(b, 1080);         // reference device, pixels
    put32(b, 508), put32(b, 286);           // and millimetres
    // EMR_ELLIPSE with the default (white) brush
    put32(b, 42), put32(b, 24);
    rect(0, 0, 40, 30);
    // EMR_EOF
    put32(b, 14), put32(b, 20), put32(b, 0), put32(b, 16), put32(b, 20);
    return b;
}

TEST_F(BmpReader, MetafilesKeepWhatTheyDoNotDrawTransparent) {
    const std::vector<uint8_t> emf = ellipseMetafile();
    ASSERT_TRUE(load(emf));
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeEnhancedMetafile);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
    EXPECT_EQ(at(host, 0, 0), (Px{0, 0, 0, 0})) << "a corner outside the ellipse";
    EXPECT_EQ(at(host, host.Width() / 2, host.Height() / 2).a, 255);
}

TEST_F(BmpReader, ACircleMetafileKeepsItsCornersTransparentAndTellsItsType) {
    const struct { const char* file; int type; } cases[] = {
        {"emf/circle.emf", cImage32::ImageTypeEnhancedMetafile},
        {"wmf/circle.wmf", cImage32::ImageTypeWindowsMetafile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(load(sys::readFile(std::string(QM_FIXTURES_DIR) + "/" + c.file)));
        EXPECT_EQ(host.ImageType(), c.type);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
        EXPECT_EQ(host.Width(), 96);
        for (auto [x, y] : {std::pair{0, 0}, {95, 0}, {0, 95}, {95, 95}}) EXPECT_EQ(at(host, x, y), (Px{0, 0, 0, 0}));
        EXPECT_EQ(at(host, 48, 48), (Px{0, 0, 255, 255}));  // the red circle, opaque
    }
}

}  // namespace
