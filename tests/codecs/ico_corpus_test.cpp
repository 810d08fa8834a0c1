// cICOparser over the public ICO and CUR corpus: each valid file decodes, at the size the
// catalogue asks for (256 x 256 at 32 bits) unless a reference picks otherwise, to the
// reference PNG of the corpus or else to ImageMagick's decode of the entry it picks; the
// questionable files decode or fail as listed; the invalid ones and every kept malformed
// fixture leave no image.

#include <map>
#include <string>

#include "codecs/cICOparser.h"
#include "reader_support.h"

using picture::test::corpus;
using picture::test::fixture;
using picture::test::readBytes;
using readertest::Px;

namespace {

struct Request {
    int32_t width = 256, height = 256, bits = 32;
};

struct Loaded {
    bool answer = false;
    bool image = false;
};

Loaded loadFile(const std::string& path, cImage32& host, Request r = {}) {
    std::vector<uint8_t> bytes = readBytes(path);
    int64_t offset = 0, length = int64_t(bytes.size());
    const bool answer = codecs::cICOparser().LoadStream(bytes, r.width, r.height, &host, offset, length, r.bits);
    return {answer, host.Handle() != 0};
}

struct Valid {
    Request request;
    int entry;              // the entry that request picks (1-based)
    const char* reference;  // in ico/reference; "" for ImageMagick's decode of that entry
    cImage32::ImageTypeCode type;
};

const std::map<std::string, Valid> kValid = {
    {"black_and_white.ico", {{}, 1, "", cImage32::ImageTypeIcon}},
    {"bmp-32bpp-alpha.ico", {{}, 1, "bmp-32bpp-alpha.ico.png", cImage32::ImageTypeAlphaIcon}},
    {"deerstalker.cur", {{}, 1, "", cImage32::ImageTypeAlphaCursor}},
    {"hopper.ico", {{}, 1, "", cImage32::ImageTypeIcon}},
    {"hopper_256x256.ico", {{}, 1, "", cImage32::ImageTypeIcon}},
    {"hopper_mask.ico", {{}, 1, "hopper_mask.png", cImage32::ImageTypeIcon}},
    {"mask_1.cur", {{}, 1, "", cImage32::ImageTypeCursor}},
    // All nine entries are smaller than wanted: the 48 x 48 entries tie in the second pass,
    // and the later one, at 32 bits, wins.
    {"multiple_entries_with_different_bit_depth.ico",
     {{}, 6, "multiple_entries_with_different_bit_depth.ico.png", cImage32::ImageTypeAlphaIcon}},
    {"pillow.ico", {{}, 1, "", cImage32::ImageTypePNGInIcon}},
    {"png_l8.ico", {{}, 1, "png_l8.ico.png", cImage32::ImageTypePNGInIcon}},
    {"png_rgb8.ico", {{}, 1, "png_rgb8.ico.png", cImage32::ImageTypePNGInIcon}},
    // Two 48 x 48 8-bit entries: asked for exactly that, the first is taken, as the
    // reference does (asked for 256 x 256, the second pass takes the later one).
    {"two-entry-order-test.ico", {{48, 48, 8}, 1, "two-entry-order-test.ico.png", cImage32::ImageTypeIcon}},
};

void expectAsReference(const std::string& path, const Valid& v, const cImage32& host) {
    const auto rows = *v.reference ? readertest::pngReference(corpus(std::string("ico/reference/") + v.reference))
                                   : readertest::magickReference(path + "[" + std::to_string(v.entry - 1) + "]");
    ASSERT_TRUE(rows) << "the reference decode";
    ASSERT_EQ(size_t(host.Height()), rows->size());
    ASSERT_EQ(size_t(host.Width()), rows->at(0).size());
    std::string first;
    EXPECT_EQ(readertest::differences(host, *rows, 0, 0, 0, &first), 0u) << first;
}

enum class Outcome { decodes, nothingDecoded, refused };

const std::map<std::string, Outcome> kQuestionable = {
    {"bmp-32bpp-conflicting-and-mask.ico", Outcome::decodes},  // by its alpha; the mask ignored
    // The directory's 16 x 32 leaves no room for the colour table, bits and mask it implies.
    {"hopper_unexpected.ico", Outcome::nothingDecoded},
    {"lenient-bpp.ico", Outcome::decodes},  // a PNG entry; the directory's 500 bits kept
};

const std::map<std::string, Outcome> kInvalid = {
    // The entry's 372 bytes cannot hold the 744 a 32 x 32 4-bit bitmap needs.
    {"Bad_smile-incorrect-image-length.ico", Outcome::nothingDecoded},
    // The header says 65535 wide, the directory 16: the colour bits would reach past the mask.
    {"decompression_bomb.ico", Outcome::nothingDecoded},
    {"no_cursors.cur", Outcome::refused},  // no entries
    {"oom-ff076e7064c13ec1f8e2c5bbbfb7a77a08db2361.ico", Outcome::refused},  // entry past the data
};

void expectOutcome(const std::string& path, Outcome outcome) {
    cImage32 host;
    const Loaded r = loadFile(path, host);
    EXPECT_EQ(r.answer, outcome != Outcome::refused);
    EXPECT_EQ(r.image, outcome == Outcome::decodes);
    if (r.image) {
        EXPECT_TRUE(readertest::keepsPixelRules(host));
    }
}

}  // namespace

TEST(IcoCorpus, ValidFilesDecodeToTheirReferences) {
    readertest::forEachListed(corpus("ico/valid"), kValid, [](const std::string& path, const Valid& v) {
        cImage32 host;
        const Loaded r = loadFile(path, host, v.request);
        ASSERT_TRUE(r.answer && r.image);
        EXPECT_EQ(host.ImageType(), v.type);
        EXPECT_TRUE(readertest::keepsPixelRules(host));
        expectAsReference(path, v, host);
    });
}

TEST(IcoCorpus, CursorsGiveThePixelsTheirNotesList) {
    // deerstalker.cur, RGBA (10,1) = (0,0,0,0), (11,1) = (253,254,254,1), (16,16) = (84,87,86,255),
    // premultiplied here.
    cImage32 host;
    ASSERT_TRUE(loadFile(corpus("ico/valid/deerstalker.cur"), host).image);
    EXPECT_EQ(imagetest::at(host, 10, 1), (Px{0, 0, 0, 0}));
    EXPECT_EQ(imagetest::at(host, 11, 1), (Px{0, 0, 0, 1}));
    EXPECT_EQ(imagetest::at(host, 16, 16), (Px{86, 87, 84, 255}));
    // mask_1.cur, 1 x 4, grey and alpha per row: (0,255), (255,255), (0,0), (0,0).
    ASSERT_TRUE(loadFile(corpus("ico/valid/mask_1.cur"), host).image);
    ASSERT_EQ(host.Height(), 4);
    EXPECT_EQ(imagetest::at(host, 0, 0), (Px{0, 0, 0, 255}));
    EXPECT_EQ(imagetest::at(host, 0, 1), (Px{255, 255, 255, 255}));
    EXPECT_EQ(imagetest::at(host, 0, 2), (Px{0, 0, 0, 0}));
    EXPECT_EQ(imagetest::at(host, 0, 3), (Px{0, 0, 0, 0}));
}

TEST(IcoCorpus, TheDirectoryOfAMultiSizeIconListsEveryEntry) {
    std::vector<uint8_t> bytes = readBytes(corpus("ico/valid/pillow.ico"));
    codecs::cICOparser reader;
    int64_t offset = 0, length = 0;
    int32_t bits = 32;
    ASSERT_TRUE(reader.LoadStream(bytes, 32, 32, nullptr, offset, length, bits));
    ASSERT_EQ(reader.IconCount(), 5);
    const int sizes[] = {256, 48, 32, 24, 16};
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(reader.Width(i), sizes[i - 1]);
        EXPECT_EQ(reader.bitDepth(i), 32);
        EXPECT_EQ(reader.IsIconPNG(i), i == 1);
    }
}

TEST(IcoCorpus, QuestionableFilesDecodeOrFailAsListed) {
    readertest::forEachListed(corpus("ico/questionable"), kQuestionable, expectOutcome);
    // lenient-bpp.ico's PNG entry decodes to its reference.
    cImage32 host;
    ASSERT_TRUE(loadFile(corpus("ico/questionable/lenient-bpp.ico"), host).image);
    expectAsReference("", {{}, 1, "lenient-bpp.ico.png", cImage32::ImageTypePNGInIcon}, host);
}

TEST(IcoCorpus, InvalidFilesAndKeptCrashersLeaveNoImage) {
    readertest::forEachListed(corpus("ico/invalid"), kInvalid, expectOutcome);
    readertest::forEachFile(fixture("ico/malformed"), [](const std::string& path) {
        cImage32 host;
        EXPECT_FALSE(loadFile(path, host).image);
    });
}
