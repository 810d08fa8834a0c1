// cPNGwriter: the colour type and its palette, tRNS and samples, read back by libpng with
// every CRC checked; the stream in array and file mode; the scan lines deflated in blocks;
// the background entry of indexed images; the saves that fail and what they leave behind.

#include <filesystem>
#include <fstream>
#include <functional>
#include <algorithm>
#include <random>

#include "codecs/PngScanlineFilters.h"
#include "codecs/cPNGwriter.h"
#include "codecs/libpng_memory_io.h"
#include "platform/sys/files.h"
#include "platform/sys/libraries.h"
#include "platform/sys/row_bands.h"
#include "png_writer_support.h"
#include "support/temp_folder.h"

using codecs::cPNGwriter;
using imagetest::Px;
using pngtest::Bytes;
using pngtest::Rows;
using namespace pngwritertest;

namespace {

constexpr Px kTransparent{0, 0, 0, 0};
constexpr Px kBlack{0, 0, 0, 255}, kWhite{255, 255, 255, 255};
constexpr Px kRed{0, 0, 255, 255}, kBlue{255, 0, 0, 255};
Px grey(int level, int alpha = 255) { return {uint8_t(level), uint8_t(level), uint8_t(level), uint8_t(alpha)}; }

// `count` distinct opaque colours, none grey, whose blue bytes take `blueLevels` values,
// then `extraCount` times `extra`, in rows of 32 (the last row padded with the first).
Rows manyColours(int count, Px extra = kBlack, int extraCount = 0, int blueLevels = 200) {
    std::vector<Px> pixels;
    for (int i = 0; i < count; ++i)
        pixels.push_back({uint8_t(i % blueLevels), uint8_t(1 + i / blueLevels), 200, 255});
    for (int i = 0; i < extraCount; ++i) pixels.push_back(extra);
    Rows rows;
    for (size_t i = 0; i < pixels.size(); i += 32) {
        std::vector<Px> row(pixels.begin() + long(i), pixels.begin() + long(std::min(pixels.size(), i + 32)));
        row.resize(32, pixels[0]);
        rows.push_back(row);
    }
    return rows;
}

// Opaque truecolour rows of random colours, every fifth row the same: the scan lines repeat
// from block to block, so the deflated blocks reach back into the ones before them.
Rows repeatingRows(int width, int height) {
    std::mt19937 random(uint32_t(width + height));
    std::vector<std::vector<Px>> pattern(5, std::vector<Px>(size_t(width)));
    for (auto& row : pattern)
        for (Px& p : row) p = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 255};
    Rows rows;
    for (int y = 0; y < height; ++y) rows.push_back(pattern[size_t(y % 5)]);
    return rows;
}

// The sync-flush markers in a file's zlib stream: one at the end of each block but the last.
size_t syncMarkers(const Bytes& png) {
    const Bytes stream = libpngmemory::joinedIdat(png);
    const Bytes marker = {0, 0, 0xFF, 0xFF};
    size_t count = 0;
    for (auto at = stream.begin(); (at = std::search(at, stream.end(), marker.begin(), marker.end())) != stream.end();
         ++at)
        ++count;
    return count;
}

class PngWriter : public imagetest::ImageTest {
protected:
    void TearDown() override {
        sys::setRowBandThreads(0);
        sys::setMinimumBandPixels(0);
        imagetest::ImageTest::TearDown();
    }

    testsupport::TempFolder folder;

    // Saves, reads back and checks that libpng's pixels are the host's, un-premultiplied.
    pngtest::Inspected roundTrip(const cImage32& image, cPNGwriter& writer) {
        const Bytes png = savePng(writer, image);
        pngtest::Inspected got = inspect(png);
        std::string first;
        EXPECT_EQ(pngtest::differences(got.straight, pngtest::straightRowsOf(image), &first), 0u) << first;
        EXPECT_EQ(got.depth, 8);
        EXPECT_EQ(got.interlace, 0);
        return got;
    }
    pngtest::Inspected roundTrip(const cImage32& image) {
        cPNGwriter writer;
        return roundTrip(image, writer);
    }

    static Bytes readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void writeFile(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
};

struct ColourCase {
    const char* name;
    std::function<Rows()> rows;
    int32_t alpha;
    int colourType;
    Bytes palette;  // checked when not empty, or for indexed images
    Bytes trns;     // as stored: palette alphas, or the key
};

TEST_F(PngWriter, ChoosesTheColourTypeFromTheContent) {
    const ColourCase cases[] = {
        {"black and white", [] { return Rows{{kBlack, kWhite}}; }, cImage32::AlphaOpaque, 0, {}, {}},
        {"black and red", [] { return Rows{{kRed, kBlack}}; }, cImage32::AlphaOpaque, 3, {0, 0, 0, 255, 0, 0}, {}},
        // The transparent value (0) comes first; the opaque ones after it, descending.
        {"blue, red and transparent", [] { return Rows{{kBlue, kRed, kTransparent}}; }, cImage32::AlphaBinary, 3,
         {0, 0, 0, 255, 0, 0, 0, 0, 255}, {0}},
        {"greys 0 and 1 and transparent", [] { return Rows{{grey(0), grey(1), kTransparent}}; },
         cImage32::AlphaBinary, 0, {}, {0, 2}},
        {"all transparent", [] { return Rows{{kTransparent, kTransparent}}; }, cImage32::AlphaBinary, 0, {}, {0, 0}},
        // Premultiplied red 64 under alpha 128 is straight red 127.
        {"alpha 128 indexed", [] { return Rows{{{0, 0, 64, 128}, kBlack}}; }, cImage32::AlphaPartial, 3,
         {127, 0, 0, 0, 0, 0}, {128}},
        {"alpha 128 with alpha", [] { return manyColours(300, {0, 0, 64, 128}, 1); }, cImage32::AlphaPartial, 6, {}, {}},
        // A grey of partial alpha stays indexed, so its alpha is written.
        {"grey with partial alpha", [] { return Rows{{grey(64, 128), grey(0), grey(255)}}; },
         cImage32::AlphaPartial, 3, {127, 127, 127, 255, 255, 255, 0, 0, 0}, {128}},
        {"256 values", [] { return manyColours(256); }, cImage32::AlphaOpaque, 3, {}, {}},
        {"257 values", [] { return manyColours(257); }, cImage32::AlphaOpaque, 2, {}, {}},
        // Blue levels 0 to 199 are taken: the key is grey 200.
        {"many colours, transparent, a free level", [] { return manyColours(300, kTransparent, 5); },
         cImage32::AlphaBinary, 2, {}, {0, 200, 0, 200, 0, 200}},
        {"many colours and one alpha 1", [] { return manyColours(300, {0, 0, 1, 1}, 1); }, cImage32::AlphaPartial, 6,
         {}, {}},
        // Every blue level opaque: the key is the lowest grey no opaque pixel has.
        {"every blue level", [] { return manyColours(512, kTransparent, 1, 256); }, cImage32::AlphaBinary, 2, {},
         {0, 0, 0, 0, 0, 0}},
        {"every blue level and grey 0", [] { return manyColours(512, grey(0), 2, 256); }, cImage32::AlphaBinary, 2, {},
         {0, 1, 0, 1, 0, 1}},
        {"every grey", [] {
             Rows rows = manyColours(0, kTransparent, 1);
             for (int l = 0; l < 256; ++l) rows[0].push_back(grey(l));
             rows[0].push_back({0, 0, 9, 255});
             rows[0].resize(256 + 32 + 2, kTransparent);
             return rows;
         }, cImage32::AlphaBinary, 6, {}, {}},
    };
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        makeImage(image, c.rows(), c.alpha);
        const pngtest::Inspected got = roundTrip(image);
        EXPECT_EQ(got.colourType, c.colourType);
        if (c.colourType == 3 && !c.palette.empty()) {
            EXPECT_EQ(got.palette, c.palette);
        }
        if (c.colourType != 3) {
            EXPECT_TRUE(got.palette.empty());
        }
        EXPECT_EQ(got.trns, c.trns);
    }
}

TEST_F(PngWriter, IndexedImagesHaveOneEntryPerValue) {
    cImage32 image;
    makeImage(image, manyColours(256), cImage32::AlphaOpaque);
    EXPECT_EQ(roundTrip(image).palette.size(), 256u * 3);

    makeImage(image, {{kRed}}, cImage32::AlphaOpaque);
    const Bytes png = savePng(image);
    const pngtest::Inspected got = inspect(png);
    EXPECT_EQ(got.colourType, 3);
    EXPECT_EQ(got.palette, (Bytes{255, 0, 0}));
    for (const auto& [type, data] : pngtest::chunksOf(png)) EXPECT_NE(type, "tRNS");
}

TEST_F(PngWriter, RandomImagesRoundTripInEveryColourType) {
    std::mt19937 random(7);
    cImage32 image;
    for (bool withAlpha : {false, true}) {
        imagetest::randomImage(image, 37, 23, withAlpha, random);
        EXPECT_EQ(roundTrip(image).colourType, withAlpha ? 6 : 2);
    }
    // Few values: indexed with a partial alpha table, and greyscale with a key.
    const Px values[] = {kTransparent, {10, 20, 30, 40}, kRed, {0, 0, 100, 200}, kWhite};
    Rows rows(9, std::vector<Px>(11));
    for (auto& row : rows)
        for (Px& p : row) p = values[random() % 5];
    makeImage(image, rows, cImage32::AlphaPartial);
    EXPECT_EQ(roundTrip(image).colourType, 3);
    for (auto& row : rows)
        for (Px& p : row) p = random() % 3 ? grey(int(random() % 200)) : kTransparent;
    makeImage(image, rows, cImage32::AlphaBinary);
    EXPECT_EQ(roundTrip(image).colourType, 0);
}

TEST_F(PngWriter, EveryColourTypeHasTheSameBytesOnAnyThreadCount) {
    sys::setMinimumBandPixels(1);  // bands of a row or two, so that small pictures are cut too
    std::mt19937 random(5);
    const Px few[] = {kTransparent, {10, 20, 30, 40}, kRed, {0, 0, 100, 200}, kWhite};
    const struct Case {
        const char* name;
        std::function<Px()> pixel;
        int32_t alpha;
        int colourType;
    } cases[] = {
        {"grey with a key", [&] { return random() % 3 ? grey(int(random() % 200)) : kTransparent; },
         cImage32::AlphaBinary, 0},
        {"indexed", [&] { return few[random() % 5]; }, cImage32::AlphaPartial, 3},
        {"truecolour", [&] { return Px{uint8_t(random()), uint8_t(random()), uint8_t(random()), 255}; },
         cImage32::AlphaOpaque, 2},
        {"with alpha", [&] {
             const uint8_t a = uint8_t(random());
             return Px{uint8_t(random() % (a + 1u)), uint8_t(random() % (a + 1u)), uint8_t(random() % (a + 1u)), a};
         }, cImage32::AlphaPartial, 6},
    };
    for (const Case& c : cases) {
        Rows rows(31, std::vector<Px>(19));
        for (auto& row : rows)
            for (Px& p : row) p = c.pixel();
        cImage32 image;
        makeImage(image, rows, c.alpha);
        for (int32_t filter : {codecs::PngFilterChoiceDefault, codecs::PngFilterChoiceAdaptive}) {
            SCOPED_TRACE(::testing::Message() << c.name << ", filter choice " << filter);
            Bytes first;
            for (int threads : {1, 3}) {
                sys::setRowBandThreads(threads);
                cPNGwriter writer;
                writer.SetPngProperty(codecs::PngPropertyFilter, filter);
                const Bytes png = savePng(writer, image);
                if (threads == 1) first = png;
                EXPECT_EQ(png, first);
                EXPECT_EQ(roundTrip(image, writer).colourType, c.colourType);
            }
        }
    }
}

TEST_F(PngWriter, ArrayAndFileHoldTheSameStream) {
    cImage32 image;
    makeImage(image, {{kRed, kBlue}, {kTransparent, kWhite}}, cImage32::AlphaBinary);
    Bytes array = {1, 2, 3};  // earlier content goes
    ASSERT_TRUE(cPNGwriter().SaveAsPNG(&image, "", array));
    const Bytes signature = {137, 80, 78, 71, 13, 10, 26, 10};
    const Bytes iend = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 174, 66, 96, 130};
    ASSERT_GT(array.size(), signature.size() + iend.size());
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), array.begin()));
    EXPECT_TRUE(std::equal(iend.begin(), iend.end(), array.end() - long(iend.size())));
    size_t sum = 8;
    for (const auto& [type, data] : pngtest::chunksOf(array)) sum += 12 + data.size();
    EXPECT_EQ(sum, array.size());

    const std::string path = folder.file("out.png");
    writeFile(path, Bytes(5000, 7));  // replaced
    Bytes untouched = {9};
    ASSERT_TRUE(cPNGwriter().SaveAsPNG(&image, path, untouched));
    EXPECT_EQ(readFile(path), array);
    EXPECT_EQ(untouched, Bytes{9});
}

TEST_F(PngWriter, IndexedBackgroundIsAPaletteEntry) {
    cImage32 image;
    makeImage(image, {{kRed, kBlack}}, cImage32::AlphaOpaque);
    struct Case {
        int32_t colour;  // &HBBGGRR
        Bytes palette;
        std::optional<std::vector<uint16_t>> background;
    } cases[] = {
        {0x0000FF, {0, 0, 0, 255, 0, 0}, std::vector<uint16_t>{1}},            // red is entry 1
        {0x00FF00, {0, 0, 0, 255, 0, 0, 0, 255, 0}, std::vector<uint16_t>{2}},  // green is added
    };
    for (const Case& c : cases) {
        cPNGwriter writer;
        ASSERT_TRUE(writer.SetPngProperty(codecs::PngPropertyBackgroundColor, c.colour));
        for (int save = 0; save < 2; ++save) {  // a second save finds the same
            const pngtest::Inspected got = roundTrip(image, writer);
            EXPECT_EQ(got.palette, c.palette);
            EXPECT_EQ(got.background, c.background);
            EXPECT_EQ(writer.GetPngProperty(codecs::PngPropertyBackgroundColor), runtime::Variant(c.colour));
        }
    }
    // A full palette without the colour: no bKGD, and the palette stays at 256.
    makeImage(image, manyColours(256), cImage32::AlphaOpaque);
    cPNGwriter writer;
    writer.SetPngProperty(codecs::PngPropertyBackgroundColor, 0x00FF00);
    const pngtest::Inspected got = roundTrip(image, writer);
    EXPECT_EQ(got.palette.size(), 256u * 3);
    EXPECT_FALSE(got.background);
}

TEST_F(PngWriter, BackgroundByColourType) {
    cImage32 image;
    struct Case {
        const char* name;
        Rows rows;
        int colourType;
        std::vector<uint16_t> background;
    } cases[] = {
        {"grey", {{grey(3), grey(9)}}, 0, {200}},
        {"truecolour", manyColours(300), 2, {200, 100, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeImage(image, c.rows, cImage32::AlphaOpaque);
        cPNGwriter writer;
        // (200, 200, 200) for the grey image; the grey writes its red byte.
        writer.SetPngProperty(codecs::PngPropertyBackgroundColor, c.colourType == 0 ? 0xC8C8C8 : 0x3264C8);
        const pngtest::Inspected got = roundTrip(image, writer);
        EXPECT_EQ(got.colourType, c.colourType);
        EXPECT_EQ(got.background, c.background);
    }
}

TEST_F(PngWriter, ScanLinesDeflateInBlocksOfWholeRowsWithTheSameBytesOnAnyThreadCount) {
    // A truecolour row of 21845 pixels and its filter byte take 65536 bytes: 8 rows a block.
    constexpr int kBlockWidth = 21845;
    static_assert((kBlockWidth * 3 + 1) * 8 == codecs::kPngDeflateBlockBytes);
    const struct Case {
        const char* name;
        int width, height;
        int32_t filter;
        size_t blocks;
    } cases[] = {
        {"exactly one block", kBlockWidth, 8, codecs::PngFilterChoiceDefault, 1},
        {"one row more", kBlockWidth, 9, codecs::PngFilterChoiceDefault, 2},
        {"one row", kBlockWidth, 1, codecs::PngFilterChoiceDefault, 1},
        {"rows longer than a block", 200000, 3, codecs::PngFilterChoiceDefault, 3},
        // 174 rows of 3001 bytes a block, the last block 52 rows.
        {"a short last block, adaptive filters", 1000, 400, codecs::PngFilterChoiceAdaptive, 3},
    };
    // libdeflate where it is installed, zlib's deflate where it is not.
    for (const bool libdeflate : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(libdeflate ? "libdeflate" : "zlib");
            sys::setLibraryAbsent("libdeflate.dll", !libdeflate);
            cImage32 image;
            makeImage(image, repeatingRows(c.width, c.height), cImage32::AlphaOpaque);
            const auto save = [&] {
                cPNGwriter writer;
                writer.SetPngProperty(codecs::PngPropertyFilter, c.filter);
                return savePng(writer, image);
            };
            Bytes single;  // the scan lines in one compress2 call: the library has no deflate of its own
            {
                StandInZlib zlib(true, false);
                single = save();
                EXPECT_EQ(zlib.compress2Calls(), 1);
            }
            Bytes png;
            for (int threads : {1, 3, 8}) {
                SCOPED_TRACE(threads);
                sys::setRowBandThreads(threads);
                const Bytes again = save();
                if (threads == 1) png = again;
                EXPECT_EQ(again, png);
            }

            std::string first;
            EXPECT_EQ(pngtest::differences(inspect(png).straight, pngtest::straightRowsOf(image), &first), 0u) << first;
            const size_t scanBytes = size_t(c.height) * (3 * size_t(c.width) + 1);
            const Bytes lines = pngtest::scanLines(png, scanBytes);
            EXPECT_EQ(lines.size(), scanBytes);
            EXPECT_EQ(lines, pngtest::scanLines(single, scanBytes));
            const auto otherChunks = [](const Bytes& stream) {
                auto chunks = pngtest::chunksOf(stream);
                std::erase_if(chunks, [](const auto& chunk) { return chunk.first == "IDAT"; });
                return chunks;
            };
            EXPECT_EQ(otherChunks(png), otherChunks(single));
            // One block of zlib's is compress2's own stream.
            if (!libdeflate) {
                EXPECT_EQ(png == single, c.blocks == 1);
            }
            EXPECT_EQ(syncMarkers(png), c.blocks - 1);
        }
    }
    sys::clearAbsentLibraries();
}

TEST_F(PngWriter, PhotosSaveNoLargerThanOneZlibStreamAtLevel9) {
    // A decoded JPEG (whose 8 x 8 blocks zlib's long searches pay off on) and a photo: the
    // scan lines deflated in blocks take at most a hundredth more than one zlib stream at
    // level 9 of the same scan lines, and libpng reads the file back.
    for (const char* name : {"IMG0003.jpg", "IMG0022.png"}) {
        SCOPED_TRACE(name);
        cImage32 image;
        ASSERT_TRUE(image.LoadPicture_File(std::string(QM_CORPORA_DIR) + "/photos/" + name));
        const Bytes png = savePng(image);
        const pngtest::Inspected got = inspect(png);
        ASSERT_EQ(got.colourType, 2);
        std::string first;
        EXPECT_EQ(pngtest::differences(got.straight, pngtest::straightRowsOf(image), &first), 0u) << first;
        const size_t scanBytes = size_t(image.Height()) * (3 * size_t(image.Width()) + 1);
        const Bytes single = pngtest::zlibStream(pngtest::scanLines(png, scanBytes), 9);
        EXPECT_LE(double(libpngmemory::joinedIdat(png).size()), double(single.size()) * 1.01);
    }
}

TEST_F(PngWriter, ZlibWithoutCompress2UsesCompress) {
    cImage32 image;
    makeImage(image, manyColours(300), cImage32::AlphaOpaque);
    StandInZlib zlib(false, false);
    EXPECT_EQ(roundTrip(image).colourType, 2);
}

TEST_F(PngWriter, FailedSavesLeaveNothingBehind) {
    cImage32 image;
    makeImage(image, manyColours(300), cImage32::AlphaOpaque);
    const std::string fresh = folder.file("fresh.png"), existing = folder.file("existing.png");
    const Bytes old = {1, 2, 3, 4};
    writeFile(existing, old);
    const auto expectNothingWritten = [&](const cImage32& host) {
        for (const std::string& path : {fresh, existing}) {
            Bytes unused;
            EXPECT_FALSE(cPNGwriter().SaveAsPNG(&host, path, unused));
        }
        EXPECT_FALSE(std::filesystem::exists(fresh));
        EXPECT_EQ(readFile(existing), old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no temporaries
    };

    cImage32 none;
    expectNothingWritten(none);
    Bytes array = {5, 6};
    EXPECT_FALSE(cPNGwriter().SaveAsPNG(&none, "", array));
    EXPECT_FALSE(cPNGwriter().SaveAsPNG(nullptr, "", array));
    EXPECT_EQ(array, (Bytes{5, 6}));
    {
        pngtest::ZlibAbsence absent(true);
        expectNothingWritten(image);
        EXPECT_FALSE(cPNGwriter().SaveAsPNG(&image, "", array));
        EXPECT_EQ(array, (Bytes{5, 6}));  // untouched: nothing was started
    }
    {
        // Refused after IHDR and PLTE were written.
        StandInZlib zlib(true, true);
        expectNothingWritten(image);
        EXPECT_FALSE(cPNGwriter().SaveAsPNG(&image, "", array));
        EXPECT_TRUE(array.empty());
        EXPECT_EQ(zlib.compress2Calls(), 3);
    }
    {
        sys::testing::failWritesBeyond(40);
        expectNothingWritten(image);
        sys::testing::failWritesBeyond(-1);
    }
}

}  // namespace
