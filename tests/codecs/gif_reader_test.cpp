// cGIFparser on crafted streams: the signature, the block walk, the first image at its own
// size, transparency, colour tables, and LZW data that is short, damaged or too long.

#include <string>
#include <vector>

#include "codecs/cGIFparser.h"
#include "image/image_support.h"
#include "platform/picture/gif_builder.h"

using imagetest::at;
using imagetest::Px;
using picture::test::GifLayout;
using picture::test::makeGif;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kRedRgb = 0xFF0000, kGreenRgb = 0x00FF00, kBlueRgb = 0x0000FF, kGreyRgb = 0x808080;
constexpr Px kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kGrey{128, 128, 128, 255};
constexpr Px kClear{0, 0, 0, 0};

struct Result {
    bool answer;
    bool image;
};

Result load(const Bytes& bytes, cImage32& host) {
    const bool answer = codecs::cGIFparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
    return {answer, host.Handle() != 0};
}

// Recognised as a GIF that cannot be decoded: True, and no image (a previous one is gone).
bool failsRecognised(const Bytes& bytes) {
    cImage32 host;
    host.InitializeDIB(2, 2);
    const Result r = load(bytes, host);
    return r.answer && !r.image;
}

// Not taken: False, and the host as it was.
bool isRefused(const Bytes& bytes) {
    cImage32 host;
    host.InitializeDIB(3, 3);
    const Result r = load(bytes, host);
    return !r.answer && host.Width() == 3;
}

// LZW codes (value, width in bits) packed least significant bit first into one sub-block.
Bytes packCodes(std::initializer_list<std::pair<uint32_t, int>> codes) {
    Bytes packed;
    uint32_t bits = 0;
    int count = 0;
    for (const auto& [code, size] : codes) {
        bits |= code << count;
        for (count += size; count >= 8; count -= 8, bits >>= 8) packed.push_back(uint8_t(bits));
    }
    if (count) packed.push_back(uint8_t(bits));
    Bytes blocks{uint8_t(packed.size())};
    blocks.insert(blocks.end(), packed.begin(), packed.end());
    blocks.push_back(0);
    return blocks;
}

// A 2 x 2 image of indices 0, 1 / 2, 3 over a four-colour global table.
GifLayout fourColours() {
    GifLayout s;
    s.globalTable = {kRedRgb, kGreenRgb, kBlueRgb, kGreyRgb};
    s.indices = {0, 1, 2, 3};
    return s;
}

}  // namespace

TEST(GifReader, TakesBothVersionsInAnyCase) {
    for (const char* signature : {"GIF89a", "gif87a", "GiF89A"}) {
        SCOPED_TRACE(signature);
        GifLayout s = fourColours();
        s.signature = signature;
        cImage32 host;
        const Result r = load(makeGif(s), host);
        ASSERT_TRUE(r.answer && r.image);
        EXPECT_EQ(at(host, 0, 0), kRed);
        EXPECT_EQ(at(host, 1, 0), kGreen);
        EXPECT_EQ(at(host, 0, 1), kBlue);
        EXPECT_EQ(at(host, 1, 1), kGrey);
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypeGIF);
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
    }
    GifLayout s = fourColours();
    s.signature = "GIF88a";
    EXPECT_TRUE(isRefused(makeGif(s)));
}

TEST(GifReader, ReadsTheFirstImageAtItsOwnSize) {
    // A 2 x 3 image at (5, 7) of a 20 x 20 screen, interlaced, with a local table; a second
    // image follows whose data is cut off, and is never read.
    GifLayout s;
    s.screenWidth = s.screenHeight = 20;
    s.left = 5;
    s.top = 7;
    s.width = 2;
    s.height = 3;
    s.interlaced = true;
    s.localTable = {kBlueRgb, kRedRgb};
    s.minCodeSize = 2;
    // Interlaced rows are stored in the order 0, 2, 1.
    s.indices = {0, 1, 1, 1, 1, 0};
    Bytes bytes = makeGif(s);
    bytes.pop_back();  // the trailer
    bytes.insert(bytes.end(), {0x2C, 0, 0, 0, 0, 9, 0, 9, 0, 0, 2, 5, 1, 2});
    cImage32 host;
    const Result r = load(bytes, host);
    ASSERT_TRUE(r.answer && r.image);
    ASSERT_EQ(host.Width(), 2);
    ASSERT_EQ(host.Height(), 3);
    EXPECT_EQ(at(host, 0, 0), kBlue);
    EXPECT_EQ(at(host, 1, 0), kRed);
    EXPECT_EQ(at(host, 0, 1), kRed);  // stored third
    EXPECT_EQ(at(host, 1, 1), kBlue);
    EXPECT_EQ(at(host, 0, 2), kRed);  // stored second
}

TEST(GifReader, TransparencyComesFromTheLastGraphicControlExtension) {
    GifLayout s = fourColours();
    s.background = 1;  // plays no part
    s.transparent = 2;
    cImage32 host;
    ASSERT_TRUE(load(makeGif(s), host).image);
    EXPECT_EQ(at(host, 0, 1), kClear);
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);

    // A transparent index that no pixel uses still makes the image AlphaBinary.
    s.transparent = 200;
    ASSERT_TRUE(load(makeGif(s), host).image);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
    EXPECT_EQ(at(host, 0, 1), kBlue);

    // An earlier extension marks index 0, a later one (after a comment and an application
    // extension, with zero bytes between blocks) marks none: nothing is transparent.
    s.transparent.reset();
    s.before = {0x21, 0xF9, 4, 1, 0, 0, 0, 0,
                0x00, 0x00,
                0x21, 0xFE, 3, 'h', 'i', '!', 0,
                0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0,
                0x21, 0xF9, 4, 0, 0, 0, 0, 0};
    ASSERT_TRUE(load(makeGif(s), host).image);
    EXPECT_EQ(at(host, 0, 0), kRed);
    EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
}

TEST(GifReader, ColoursComeFromTheTableTheImageUses) {
    // A local table replaces the global one.
    GifLayout s = fourColours();
    s.localTable = {kGreyRgb, kBlueRgb};
    s.indices = {1, 0, 0, 1};
    cImage32 host;
    ASSERT_TRUE(load(makeGif(s), host).image);
    EXPECT_EQ(at(host, 0, 0), kBlue);
    EXPECT_EQ(at(host, 1, 0), kGrey);

    // Indices beyond a two-entry table are drawn as index 0; transparent when 0 is.
    s.localTable = {kGreenRgb, kRedRgb};
    s.indices = {0, 1, 2, 3};
    ASSERT_TRUE(load(makeGif(s), host).image);
    EXPECT_EQ(at(host, 0, 1), kGreen);
    EXPECT_EQ(at(host, 1, 1), kGreen);
    s.transparent = 0;
    ASSERT_TRUE(load(makeGif(s), host).image);
    EXPECT_EQ(at(host, 1, 0), kRed);
    EXPECT_EQ(at(host, 0, 1), kClear);
    EXPECT_EQ(at(host, 1, 1), kClear);
}

TEST(GifReader, RefusesWhatIsNoImageOfItsOwn) {
    GifLayout s = fourColours();
    s.globalTable.clear();
    EXPECT_TRUE(isRefused(makeGif(s))) << "no colour table at all";
    s = fourColours();
    s.before = {0x3B};
    EXPECT_TRUE(isRefused(makeGif(s))) << "the trailer before any image";
    s.before = {0x42};
    EXPECT_TRUE(isRefused(makeGif(s))) << "an unknown block";
    s = fourColours();
    s.minCodeSize = 11;
    s.data = {2, 0xFF, 0xFF, 0};
    EXPECT_TRUE(isRefused(makeGif(s))) << "an LZW minimum code size above 8";
    s = fourColours();
    s.width = 0;
    s.indices = {1};
    EXPECT_TRUE(isRefused(makeGif(s))) << "an image 0 pixels wide";

    const Bytes gif = makeGif(fourColours());
    cImage32 host;
    EXPECT_FALSE(codecs::cGIFparser().LoadStream(gif, host, 2, int64_t(gif.size()))) << "a range past the array";
}

TEST(GifReader, DataThatCannotMakeTheImageLeavesNoImage) {
    const Bytes gif = makeGif(fourColours());
    EXPECT_TRUE(failsRecognised(Bytes(gif.begin(), gif.end() - 4))) << "cut inside the image data";
    EXPECT_TRUE(failsRecognised(Bytes(gif.begin(), gif.begin() + 20))) << "cut inside the global table";
    // A view too short for the signature fails at its first read (the dispatch never hands
    // in fewer than 20 bytes).
    EXPECT_TRUE(failsRecognised(Bytes{'G', 'I', 'F'}));

    GifLayout s = fourColours();
    s.indices = {0, 1, 2};
    EXPECT_TRUE(failsRecognised(makeGif(s))) << "three indices for four pixels";

    s.indices = {0, 1, 2, 3, 0, 0, 0};
    cImage32 host;
    EXPECT_TRUE(load(makeGif(s), host).image) << "valid indices beyond the image are ignored";

    // Clear, the four indices, then 15 where 9 is the next code to be defined, then the end
    // code. Codes are 3 bits wide until the table reaches 8 entries, then 4.
    s.indices.clear();
    s.data = packCodes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {15, 4}, {5, 4}});
    EXPECT_TRUE(failsRecognised(makeGif(s))) << "an undefined code after the last pixel";
    // A code other than a literal straight after the clear code.
    s.data = packCodes({{4, 3}, {6, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}});
    EXPECT_TRUE(failsRecognised(makeGif(s))) << "a string code before any string";
}

TEST(GifReader, ReadsAtAnOffsetOfTheCallersArray) {
    const Bytes gif = makeGif(fourColours());
    Bytes array(7, 0x21);
    array.insert(array.end(), gif.begin(), gif.end());
    array.insert(array.end(), 5, 0x2C);
    cImage32 host;
    ASSERT_TRUE(codecs::cGIFparser().LoadStream(array, host, 7, int64_t(gif.size())));
    EXPECT_EQ(at(host, 1, 1), kGrey);
}
