// cImage32 loading: the reader chain's order and fall-backs, the size and range checks
// that leave the current image alone, kept original-format bytes and what icons report.

#include <png.h>
#include <tiffio.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image_support.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "support/temp_folder.h"
#include "support/test_environment.h"

using namespace imagetest;

namespace {

const std::vector<uint8_t> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::string corpus(const std::string& name) {
    return std::string(testsupport::corporaFolder()) + "/" + name;
}
std::string fixture(const std::string& name) {
    return std::string(testsupport::fixturesFolder()) + "/" + name;
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    return path;
}

// A raw, top-left TGA: 24-bit colour of pixel (x, y) = blue x*40+10, green y*50+20, red 200;
// or, with grey, 8-bit grey 77. TGA has no signature, so only the TGA reader takes it.
std::vector<uint8_t> tga(int w, int h, uint8_t idLength, bool grey = false) {
    std::vector<uint8_t> b = {
        idLength, 0, uint8_t(grey ? 3 : 2),  // id length, no colour map, raw true colour / grey
        0, 0, 0, 0, 0,                       // colour map fields (none)
        0, 0, 0, 0,                          // x, y origin
        uint8_t(w), 0, uint8_t(h), 0,        // width, height
        uint8_t(grey ? 8 : 24), 0x20,        // depth, descriptor: rows from the top
    };
    b.insert(b.end(), idLength, uint8_t('i'));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (grey) {
                b.push_back(77);
            } else {
                b.insert(b.end(), {uint8_t(x * 40 + 10), uint8_t(y * 50 + 20), 200});
            }
        }
    return b;
}

std::string writeTiff(const std::string& path, int w, int h) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<uint8_t> row(size_t(w) * 3, 90);
    for (int y = 0; y < h; ++y) TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    TIFFClose(tif);
    return path;
}

// libpng's size of PNG bytes; 0 x 0 when libpng does not read them.
std::pair<int, int> pngSize(const std::vector<uint8_t>& bytes) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return {0, 0};
    png_image_free(&png);
    return {int(png.width), int(png.height)};
}

class Loading : public ImageTest {
protected:
    void TearDown() override {
        gdiplus::testing::acceptPng(false);
        ImageTest::TearDown();
    }
    // A loaded 2 x 1 image to see whether a later load touched it.
    static void preload(cImage32& image) {
        fill(image, {{{1, 2, 3, 255}, {4, 5, 6, 255}}});
        image.ImageType(cImage32::ImageTypeBitmap);
    }
    testsupport::TempFolder temp;
};

TEST_F(Loading, FilesGoToTheirReaderInTheChainsOrder) {
    const std::string tgaFile = writeAll(temp.file("a.tga"), tga(5, 4, 0));
    const std::string tifFile = writeTiff(temp.file("a.tif"), 5, 4);
    struct Case {
        const char* what;
        std::string path;
        bool gdiplus, gdiplusTakesPng;
        int32_t imageType, width, height;  // width -1: not checked
    } cases[] = {
        {"PNG, own reader", corpus("pngsuite/png/basn2c08.png"), false, false, 10, 32, 32},
        {"PNG, GDI+ declines", corpus("pngsuite/png/basn2c08.png"), true, false, 10, 32, 32},
        {"PNG through GDI+", corpus("pngsuite/png/basn2c08.png"), true, true, 10, 32, 32},
        {"GIF", corpus("gif/valid/sample_1.gif"), true, false, 9, -1, -1},
        {"icon", corpus("ico/valid/hopper.ico"), true, false, 3, 16, 16},
        {"BMP via the picture loader", corpus("bmpsuite/g/pal4.bmp"), true, false, 1, 127, 64},
        {"TGA, GDI+ off", tgaFile, false, false, 128, 5, 4},
        {"TGA, GDI+ fails first", tgaFile, true, false, 128, 5, 4},
        {"TIFF through GDI+", tifFile, true, false, 10, 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gdiplus::testing::acceptPng(c.gdiplusTakesPng);
        cImage32 image;
        image.isGDIplusEnabled(c.gdiplus);
        ASSERT_EQ(image.isGDIplusEnabled(), c.gdiplus);
        EXPECT_TRUE(image.LoadPicture_File(c.path, 256, 256, false, 32));
        EXPECT_NE(image.Handle(), 0u);
        EXPECT_EQ(image.ImageType(), c.imageType);
        if (c.width >= 0) {
            EXPECT_EQ(image.Width(), c.width);
            EXPECT_EQ(image.Height(), c.height);
        }
    }
}

TEST_F(Loading, TgaPixelsArriveUprightWhenReadLast) {
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_File(writeAll(temp.file("p.tga"), tga(5, 4, 0))));
    EXPECT_EQ(at(image, 0, 0), (Px{10, 20, 200, 255}));
    EXPECT_EQ(at(image, 4, 3), (Px{170, 170, 200, 255}));
}

TEST_F(Loading, NothingReadsTiffWithoutGdiplus) {
    cImage32 image;
    image.isGDIplusEnabled(false);
    EXPECT_FALSE(image.LoadPicture_File(writeTiff(temp.file("a.tif"), 5, 4)));
    EXPECT_EQ(image.Handle(), 0u);
}

TEST_F(Loading, GdiplusDecodesAreKeptAsPng) {
    cImage32 image;
    ASSERT_TRUE(image.isGDIplusEnabled());
    ASSERT_TRUE(image.LoadPicture_File(writeTiff(temp.file("a.tif"), 5, 4), 32, 32, true));
    std::vector<uint8_t> kept;
    ASSERT_TRUE(image.GetOriginalFormat(kept));
    ASSERT_GE(kept.size(), kPngSignature.size());
    EXPECT_TRUE(std::equal(kPngSignature.begin(), kPngSignature.end(), kept.begin()));
    EXPECT_EQ(pngSize(kept), std::make_pair(5, 4));
}

TEST_F(Loading, FileReadStraightByThePngReaderIsKeptWhole) {
    const std::string path = corpus("pngsuite/png/basn2c08.png");
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_File(path, 32, 32, true));
    std::vector<uint8_t> kept;
    ASSERT_TRUE(image.GetOriginalFormat(kept));
    EXPECT_EQ(kept, readAll(path));

    ASSERT_TRUE(image.LoadPicture_File(path));  // without SaveFormat nothing is kept
    EXPECT_FALSE(image.GetOriginalFormat(kept));
}

TEST_F(Loading, FilesOf56BytesOrFewerAreNotOffered) {
    // Valid TGAs either way: only the file's size decides.
    const std::string small = writeAll(temp.file("56.tga"), tga(3, 3, 11));
    const std::string large = writeAll(temp.file("57.tga"), tga(3, 3, 12));
    ASSERT_EQ(readAll(small).size(), 56u);
    ASSERT_EQ(readAll(large).size(), 57u);

    cImage32 image;
    preload(image);
    const gdi::HBITMAP before = image.Handle();
    EXPECT_FALSE(image.LoadPicture_File(small));
    EXPECT_EQ(image.Handle(), before);
    EXPECT_EQ(image.Width(), 2);

    EXPECT_TRUE(image.LoadPicture_File(large));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypeTGA);
}

TEST_F(Loading, FileThatCannotBeOpenedLeavesTheImage) {
    cImage32 image;
    preload(image);
    EXPECT_FALSE(image.LoadPicture_File(temp.file("missing.png")));
    EXPECT_FALSE(image.LoadPicture_File(temp.path()));  // a folder
    EXPECT_NE(image.Handle(), 0u);
}

TEST_F(Loading, StreamRangeAndSizeChecksComeFirst) {
    const std::vector<uint8_t> shortest = tga(1, 1, 0, true);  // 19 bytes
    const std::vector<uint8_t> twenty = tga(1, 1, 1, true);
    ASSERT_EQ(shortest.size(), 19u);
    std::vector<uint8_t> embedded(5, 0xEE);  // a TGA at index 5, junk after it
    embedded.insert(embedded.end(), twenty.begin(), twenty.end());
    embedded.insert(embedded.end(), 3, 0xEE);

    struct Case {
        const char* what;
        const std::vector<uint8_t>* bytes;
        int64_t start, length;
        bool loads;
    } cases[] = {
        {"19 bytes", &shortest, 0, 0, false},
        {"20 bytes", &twenty, 0, 0, true},
        {"negative start reads as 0", &twenty, -7, 0, true},
        {"range inside a larger array", &embedded, 5, 20, true},
        {"19 bytes of a larger array", &embedded, 5, 19, false},
        {"range past the end", &embedded, 5, 24, false},
        {"start past the end", &embedded, 28, 0, false},
        {"negative length", &embedded, 5, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cImage32 image;
        preload(image);
        const gdi::HBITMAP before = image.Handle();
        EXPECT_EQ(image.LoadPicture_Stream(*c.bytes, 32, 32, c.start, c.length), c.loads);
        if (c.loads) {
            EXPECT_EQ(image.ImageType(), cImage32::ImageTypeTGA);
            EXPECT_EQ(at(image, 0, 0), (Px{77, 77, 77, 255}));
        } else {
            EXPECT_EQ(image.Handle(), before);
        }
    }
    cImage32 image;
    EXPECT_FALSE(image.LoadPicture_Stream(std::span<const uint8_t>()));
}

TEST_F(Loading, StreamKeepsTheWholeArrayNotOnlyItsRange) {
    std::vector<uint8_t> bytes(4, 0xEE);
    const std::vector<uint8_t> image20 = tga(2, 2, 0);
    bytes.insert(bytes.end(), image20.begin(), image20.end());
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_Stream(bytes, 32, 32, 4, int64_t(image20.size()), true));
    std::vector<uint8_t> kept;
    ASSERT_TRUE(image.GetOriginalFormat(kept));
    EXPECT_EQ(kept, bytes);
}

TEST_F(Loading, RecognisedButUndecodableDataEndsWithoutImage) {
    // The GIF reader recognises the signature and answers True without an image; GDI+ is
    // off, and TGA is only for data nobody recognised.
    const std::vector<uint8_t> gif = readAll(fixture("gif/malformed/lzw-too-few-indices.gif"));
    ASSERT_GE(gif.size(), 20u);
    cImage32 image;
    image.isGDIplusEnabled(false);
    ASSERT_TRUE(image.LoadPicture_File(corpus("pngsuite/png/basn2c08.png")));
    EXPECT_FALSE(image.LoadPicture_Stream(gif));
    EXPECT_EQ(image.Handle(), 0u);
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypeNone);
}

// Tiny files that declare huge pictures end without an image, through every reader the
// chain tries, GDI+ included.
TEST_F(Loading, TinyFilesOfHugePicturesEndWithoutImage) {
    for (const char* name : {"bmp-rle8-16384-squared-ends-at-once.bmp", "gif-4096-squared-35-bytes.gif"}) {
        SCOPED_TRACE(name);
        cImage32 image;
        EXPECT_FALSE(image.LoadPicture_File(fixture(std::string("picture/oversized/") + name)));
        EXPECT_EQ(image.Handle(), 0u);
    }
}

TEST_F(Loading, UnreadableFileAfterAGoodOneLeavesNoImage) {
    std::vector<uint8_t> junk(100, 0xFF);
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_File(corpus("pngsuite/png/basn2c08.png"), 32, 32, true));
    EXPECT_FALSE(image.LoadPicture_File(writeAll(temp.file("junk.bin"), junk)));
    EXPECT_EQ(image.Handle(), 0u);
    std::vector<uint8_t> kept;
    EXPECT_FALSE(image.GetOriginalFormat(kept));
}

TEST_F(Loading, ReaderErrorsAreAbsorbedForFilesAndPassedOnForStreams) {
    // A bitmap entry's bit count of 0x8000 makes the icon reader raise Overflow.
    std::vector<uint8_t> ico = readAll(corpus("ico/valid/hopper.ico"));
    ASSERT_GT(ico.size(), 22u + 16u);
    ico[22 + 14] = 0x00;
    ico[22 + 15] = 0x80;
    const std::string path = writeAll(temp.file("overflow.ico"), ico);

    cImage32 image;
    preload(image);
    EXPECT_FALSE(image.LoadPicture_File(path));
    EXPECT_EQ(image.Handle(), 0u);

    preload(image);
    try {
        image.LoadPicture_Stream(ico);
        ADD_FAILURE() << "no error reached the caller";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrOverflow);
    }
}

TEST_F(Loading, IconSizeAndDepthWantedAreClamped) {
    // Entries: 32, 16 at 4 bits; 48, 32, 16 at 8 bits; 48, 32, 24, 16 at 32 bits.
    const std::string path = corpus("ico/valid/multiple_entries_with_different_bit_depth.ico");
    struct Case {
        int32_t cx, cy, depth;
        int32_t width, imageType;
    } cases[] = {
        {16, 16, 4, 16, cImage32::ImageTypeIcon},
        {48, 48, 8, 48, cImage32::ImageTypeIcon},
        {24, 24, 32, 24, cImage32::ImageTypeAlphaIcon},
        {-5, -5, 99, 32, cImage32::ImageTypeAlphaIcon},  // 0 x 0 means 32, 99 bits 32
        {16, 16, -1, 16, cImage32::ImageTypeAlphaIcon},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cx << "x" << c.cy << "@" << c.depth);
        cImage32 image;
        ASSERT_TRUE(image.LoadPicture_File(path, c.cx, c.cy, false, c.depth));
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.ImageType(), c.imageType);
    }
}

TEST_F(Loading, SourceIconSizes) {
    LongArray sizes;
    cImage32 image;
    EXPECT_EQ(image.SourceIconSizes(sizes), 0);  // no image

    ASSERT_TRUE(image.LoadPicture_File(corpus("pngsuite/png/basn2c08.png"), 32, 32, true));
    EXPECT_EQ(image.SourceIconSizes(sizes), 0);
    EXPECT_FALSE(sizes.dimensioned());

    ASSERT_TRUE(image.LoadPicture_File(corpus("ico/valid/hopper.ico")));
    ASSERT_EQ(image.SourceIconSizes(sizes), 1);
    ASSERT_EQ(sizes.dimensions(), 2);
    ASSERT_EQ(sizes.countB(), 4u);
    EXPECT_EQ(std::vector<int32_t>(sizes.span().begin(), sizes.span().end()),
              (std::vector<int32_t>{16, 16, 32, -1}));

    ASSERT_TRUE(image.LoadPicture_File(
        corpus("ico/valid/multiple_entries_with_different_bit_depth.ico"), 32, 32, true));
    const std::vector<std::vector<int32_t>> directory = {
        {32, 32, 4, 16},  {16, 16, 4, 16},  {48, 48, 8, 256}, {32, 32, 8, 256}, {16, 16, 8, 256},
        {48, 48, 32, -1}, {32, 32, 32, -1}, {24, 24, 32, -1}, {16, 16, 32, -1},
    };
    ASSERT_EQ(image.SourceIconSizes(sizes), 9);
    ASSERT_EQ(sizes.countA(), 9u);
    for (size_t i = 0; i < directory.size(); ++i)
        for (size_t k = 0; k < 4; ++k) EXPECT_EQ(sizes(k, i), directory[i][k]) << i << "," << k;
}

TEST_F(Loading, ReloadFromOriginalFormatGivesTheSameImageAndBytes) {
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_File(
        corpus("ico/valid/multiple_entries_with_different_bit_depth.ico"), 48, 48, true, 32));
    const std::vector<uint8_t> pixels = memoryOf(image);
    std::vector<uint8_t> kept;
    ASSERT_TRUE(image.GetOriginalFormat(kept));

    ASSERT_TRUE(image.LoadPicture_FromOriginalFormat(48, 48, 32));
    EXPECT_EQ(image.Width(), 48);
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypeAlphaIcon);
    EXPECT_EQ(memoryOf(image), pixels);
    std::vector<uint8_t> keptAgain;
    ASSERT_TRUE(image.GetOriginalFormat(keptAgain));
    EXPECT_EQ(keptAgain, kept);

    ASSERT_TRUE(image.LoadPicture_FromOriginalFormat(16, 16, 4));  // another entry
    EXPECT_EQ(image.Width(), 16);
    EXPECT_TRUE(image.GetOriginalFormat(keptAgain));
}

TEST_F(Loading, ReloadWithoutKeptBytesKeepsTheImage) {
    cImage32 image;
    preload(image);
    const gdi::HBITMAP before = image.Handle();
    EXPECT_FALSE(image.LoadPicture_FromOriginalFormat());
    EXPECT_EQ(image.Handle(), before);
}

TEST_F(Loading, PictureObjectsByType) {
    const picture::Picture bitmap =
        picture::LoadPictureFromBytes(readAll(corpus("bmpsuite/g/pal4.bmp")));
    const picture::Picture icon = picture::LoadPictureFromBytes(readAll(corpus("ico/valid/hopper.ico")));
    ASSERT_EQ(bitmap.Type(), picture::kPicTypeBitmap);
    ASSERT_EQ(icon.Type(), picture::kPicTypeIcon);
    struct Case {
        const char* what;
        picture::Picture picture;
        bool loads;
        int32_t width;
    } cases[] = {
        {"bitmap", bitmap, true, 127},
        {"icon", icon, true, 16},
        {"type 0", picture::NonePicture(), false, 0},
        {"no picture", picture::Picture(), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cImage32 image;
        preload(image);
        EXPECT_EQ(image.LoadPicture_StdPicture(c.picture), c.loads);
        EXPECT_EQ(image.Width(), c.width);  // a failure leaves no image
    }
}

TEST_F(Loading, HandlesOfBitmapsIconsAndMetafilesStayTheCallers) {
    const picture::Picture bitmap =
        picture::LoadPictureFromBytes(readAll(corpus("bmpsuite/g/pal4.bmp")));
    const picture::Picture icon = picture::LoadPictureFromBytes(readAll(corpus("ico/valid/hopper.ico")));
    cImage32 image;
    ASSERT_TRUE(image.LoadPicture_ByHandle(bitmap.Handle()));
    EXPECT_EQ(image.Width(), 127);
    EXPECT_EQ(gdi::GetObjectType(bitmap.Handle()), gdi::OBJ_BITMAP);

    ASSERT_TRUE(image.LoadPicture_ByHandle(icon.Handle()));
    EXPECT_EQ(image.Width(), 16);
    gdi::ICONINFO info{};
    ASSERT_TRUE(gdi::GetIconInfo(icon.Handle(), &info));  // still alive
    gdi::DeleteObject(info.hbmMask);
    if (info.hbmColor) gdi::DeleteObject(info.hbmColor);

    const picture::Picture emf = picture::LoadPicture(std::string(QM_FIXTURES_DIR) + "/emf/circle.emf");
    ASSERT_TRUE(image.LoadPicture_ByHandle(emf.Handle()));
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypeEnhancedMetafile);
    EXPECT_EQ(image.Width(), 96);
    EXPECT_EQ(gdi::GetObjectType(emf.Handle()), gdi::OBJ_ENHMETAFILE);
    const picture::Picture wmf = picture::LoadPicture(std::string(QM_FIXTURES_DIR) + "/wmf/circle.wmf");
    EXPECT_FALSE(image.LoadPicture_ByHandle(wmf.Handle()));
    EXPECT_EQ(gdi::GetObjectType(wmf.Handle()), gdi::OBJ_METAFILE);

    EXPECT_FALSE(image.LoadPicture_ByHandle(0));
    EXPECT_EQ(image.Handle(), 0u);
    preload(image);
    EXPECT_FALSE(image.LoadPicture_ByHandle(0x7FFFFF01u));  // no object of any kind
    EXPECT_EQ(image.Handle(), 0u);
}

}  // namespace
