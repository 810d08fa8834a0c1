// The loader's door: which formats it reads, what it refuses and how (error 481, the
// file errors), and the size limit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "oracles.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "support/error_number.h"
#include "support/noise_pictures.h"
#include "support/temp_folder.h"

using namespace picture;
using namespace picture::test;

namespace {

using testsupport::errorNumber;

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(Loader, FormatsOtherThanTheFourAreRefusedAsInvalidPictures) {
    struct Case { const char* name; std::vector<uint8_t> bytes; const char* reason; };
    std::vector<uint8_t> wmf = {0xD7, 0xCD, 0xC6, 0x9A};
    wmf.resize(40);
    std::vector<uint8_t> plainWmf = {1, 0, 9, 0, 0, 3};
    plainWmf.resize(40);
    std::vector<uint8_t> emf(88);
    emf[0] = 1, emf[40] = ' ', emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
    const Case cases[] = {
        {"PNG", readBytes(corpus("pngsuite/png/basn2c08.png")), "PNG: not a format of the platform's loader"},
        {"TIFF", {'I', 'I', 42, 0, 8, 0, 0, 0}, "TIFF: not a format of the platform's loader"},
        {"TGA", readBytes(filesIn(corpus("tga/valid")).front()), "unknown format"},
        {"text", bytesOf("just some words\n"), "unknown format"},
        {"empty", {}, "no data"},
        // Metafiles are read (tests/platform/picture/metafile_test.cpp); these headers are bad.
        {"placeable WMF", wmf, "WMF: zero units per inch"},
        {"plain WMF", plainWmf, "WMF: no placeable header"},
        {"EMF", emf, "EMF: bad header size"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.name == std::string("PNG") && c.bytes.empty());
        std::string why;
        EXPECT_FALSE(TryLoadPictureFromBytes(c.bytes, &why)) << c.name;
        EXPECT_EQ(why, c.reason) << c.name;
        EXPECT_EQ(errorNumber([&] { LoadPictureFromBytes(c.bytes); }), runtime::kErrInvalidPicture) << c.name;
    }
}

TEST(Loader, FilesAreReadWholeAndTheirErrorsPassThrough) {
    testsupport::TempFolder folder;
    const std::string path = folder.file("picture.bmp");
    const std::vector<uint8_t> bytes = readBytes(corpus("bmpsuite/g/pal4.bmp"));
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    const Picture p = LoadPicture(path);
    EXPECT_EQ(p.Type(), kPicTypeBitmap);
    EXPECT_EQ(p.pixelSize().cx, 127);

    EXPECT_EQ(errorNumber([&] { LoadPicture(folder.file("missing.bmp")); }), runtime::kErrFileNotFound);
    EXPECT_EQ(errorNumber([&] { LoadPicture(folder.path()); }), runtime::kErrPathFileAccess);
    const std::string text = folder.file("notes.bmp");
    out = std::fopen(text.c_str(), "wb");
    std::fputs("not a picture", out);
    std::fclose(out);
    EXPECT_EQ(errorNumber([&] { LoadPicture(text); }), runtime::kErrInvalidPicture);
    // As LoadPicture(""): an empty picture object.
    const Picture none = LoadPicture("");
    EXPECT_TRUE(none);
    EXPECT_EQ(none.Type(), kPicTypeNone);
}

// A bitmap file is read a piece at a time, its rows straight into the picture: every
// kind of BMP comes out of a file as it comes out of its bytes, refusals included.
TEST(Loader, BitmapFilesReadInPiecesAsFromBytes) {
    std::vector<std::string> files;
    for (const char* folder : {"bmpsuite/g", "bmpsuite/q", "bmpsuite/b"})
        for (const std::string& path : filesIn(corpus(folder))) files.push_back(path);
    for (const std::string& path : filesIn(fixture("picture/malformed")))
        if (path.ends_with(".bmp")) files.push_back(path);
    files.push_back(fixture("picture/oversized/bmp-rle8-16384-squared-ends-at-once.bmp"));
    ASSERT_GT(files.size(), 60u);
    for (const std::string& path : files) {
        SCOPED_TRACE(baseName(path));
        const std::vector<uint8_t> bytes = readBytes(path);
        const long fromBytes = errorNumber([&] { LoadPictureFromBytes(bytes); });
        EXPECT_EQ(errorNumber([&] { LoadPicture(path); }), fromBytes);
        if (fromBytes != 0) continue;
        const Rgba expected = bitmapRgba(LoadPictureFromBytes(bytes));
        const Rgba read = bitmapRgba(LoadPicture(path));
        EXPECT_EQ(read.width, expected.width);
        EXPECT_EQ(read.height, expected.height);
        EXPECT_TRUE(read.pixels == expected.pixels);
    }
}

// Bytes from memory through the source interface, counting what is read at once.
class CountingSource : public ByteSource {
public:
    explicit CountingSource(std::vector<uint8_t> bytes, int64_t failAt = -1)
        : bytes_(std::move(bytes)), failAt_(failAt) {}
    uint64_t size() override { return bytes_.size(); }
    size_t readAt(uint64_t offset, void* data, size_t length) override {
        if (offset >= bytes_.size()) return 0;
        const size_t n = std::min<size_t>(length, bytes_.size() - offset);
        if (failAt_ >= 0 && offset + n > uint64_t(failAt_)) throw runtime::Error(runtime::kErrDeviceIO, "read failed");
        std::memcpy(data, bytes_.data() + offset, n);
        largestRead = std::max(largestRead, n);
        return n;
    }
    size_t largestRead = 0;

private:
    std::vector<uint8_t> bytes_;
    int64_t failAt_;
};

// A record's stored bytes reach the loader as a source: a bitmap is read a piece at a
// time, never whole, and every picture comes out as it comes out of the bytes.
TEST(Loader, SourcesGiveWhatTheirBytesGive) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        bool inPieces;
    } cases[] = {
        {"3 MB bitmap", testsupport::noiseBmp24(1301, 800, false, 5), true},
        {"top-down bitmap", testsupport::noiseBmp24(640, 480, true, 6), true},
        {"run-length bitmap", readBytes(corpus("bmpsuite/g/pal8rle.bmp")), true},
        {"JPEG", readBytes(corpus("photos/IMG0003.jpg")), false},
        {"GIF", readBytes(corpus("gif/valid/hat.gif")), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountingSource source(c.bytes);
        const Picture fromSource = LoadPictureFromSource(source);
        const Rgba expected = bitmapRgba(LoadPictureFromBytes(c.bytes)), read = bitmapRgba(fromSource);
        EXPECT_EQ(read.width, expected.width);
        EXPECT_EQ(read.height, expected.height);
        EXPECT_TRUE(read.pixels == expected.pixels);
        if (c.inPieces && c.bytes.size() > (1u << 21)) EXPECT_LE(source.largestRead, size_t{1} << 20);
        if (!c.inPieces) EXPECT_EQ(source.largestRead, c.bytes.size());
    }
    // Refusals are the loader's; a failed read is the source's own error.
    CountingSource text(bytesOf("just some words\n"));
    EXPECT_EQ(errorNumber([&] { LoadPictureFromSource(text); }), runtime::kErrInvalidPicture);
    CountingSource empty({});
    EXPECT_EQ(errorNumber([&] { LoadPictureFromSource(empty); }), runtime::kErrInvalidPicture);
    CountingSource failing(testsupport::noiseBmp24(1301, 800, false, 5), 2 << 20);
    EXPECT_EQ(errorNumber([&] { LoadPictureFromSource(failing); }), runtime::kErrDeviceIO);
    CountingSource failingWhole(readBytes(corpus("photos/IMG0003.jpg")), 100);
    EXPECT_EQ(errorNumber([&] { LoadPictureFromSource(failingWhole); }), runtime::kErrDeviceIO);
}

TEST(Loader, ThePixelLimitIsCheckedBeforeDecoding) {
    const std::vector<uint8_t> bmp = readBytes(corpus("bmpsuite/g/pal8gs.bmp"));  // 127x64
    picture::testing::setPixelLimit(127 * 64);
    EXPECT_TRUE(TryLoadPictureFromBytes(bmp));
    picture::testing::setPixelLimit(127 * 64 - 1);
    std::string why;
    EXPECT_FALSE(TryLoadPictureFromBytes(bmp, &why));
    EXPECT_EQ(why, "BMP: 127x64 is too large");
    picture::testing::setPixelLimit(-1);
    EXPECT_TRUE(TryLoadPictureFromBytes(bmp));
}

// The hand-made hostile files (tests/fixtures/picture/make-malformed.py) and any kept fuzz
// finding: refused for their own reason, or, the lenient cases, decoded as far as they go.
TEST(Loader, MalformedFixtures) {
    const std::map<std::string, std::string> expected = {
        {"bmp-bitfields-overlapping.bmp", "BMP: bad colour masks"},
        {"bmp-claims-65535-squared.bmp", "BMP: 65535x65535 is too large"},
        {"bmp-palette-of-a-billion.bmp", "BMP: colour table runs past the end"},
        {"bmp-rle4-run-past-the-row.bmp", "BMP: RLE run past the end of a row"},
        {"bmp-rle8-delta-past-the-end.bmp", "BMP: RLE delta moves outside the picture"},
        {"bmp-rle8-no-end.bmp", "BMP: RLE data ends before the picture does"},
        {"gif-code-size-12.gif", "GIF: LZW minimum code size 12"},
        {"gif-extension-runs-off.gif", "GIF: data ends early"},
        {"gif-lzw-only-clear-codes.gif", ""},
        {"gif-screen-65535-squared.gif", "GIF: 65535x65535 is too large"},
        {"ico-65535-entries.ico", "ICO: directory runs past the end"},
        {"ico-entry-past-the-end.ico", "ICO: entry 0 starts past the end"},
        {"ico-header-claims-32767-squared.ico", "ICO: image and mask run past the entry's end"},
        {"jpeg-claims-60000-squared.jpg", "JPEG: 60000x60000 is too large"},
        {"jpeg-cut-after-the-header.jpg", "JPEG: "},
    };
    for (const std::string& path : filesIn(fixture("picture/malformed"))) {
        const std::string name = baseName(path);
        std::string why;
        const Picture p = TryLoadPictureFromBytes(readBytes(path), &why);
        const auto it = expected.find(name);
        if (it == expected.end()) continue;  // a fuzz finding: surviving it is the test
        if (it->second.empty()) {
            EXPECT_TRUE(p) << name << ": " << why;
        } else {
            EXPECT_FALSE(p) << name;
            EXPECT_EQ(why.rfind(it->second, 0), 0u) << name << ": " << why;
        }
    }
}
