// cTGAparser over the public TGA corpus: every valid file decodes to its reference decode
// (compared premultiplied, as the host holds pixels), the questionable one decodes as
// listed, the invalid ones and every kept malformed fixture fail cleanly.

#include <algorithm>
#include <map>
#include <string>

#include "codecs/cTGAparser.h"
#include "reader_support.h"

using picture::test::corpus;
using picture::test::fixture;
using picture::test::readBytes;

namespace {

bool loadFile(const std::string& path, cImage32& host) {
    const std::vector<uint8_t> bytes = readBytes(path);
    return codecs::cTGAparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
}

// The reference of each valid file (tga/reference), "" for none. The 5-bit channels of the
// 5-5-5 files are widened by the reader's table (v x 8 + v mod 8), in their references by
// v x 255 / 31 rounded: channels may differ by up to 5.
struct Expected {
    const char* reference;
    int tolerance;
};
const std::map<std::string, Expected> kValid = {
    {"1x1_l_bl_raw.tga", {"1x1_l.png", 0}},
    {"1x1_l_tl_raw.tga", {"1x1_l.png", 0}},
    {"1x1_l_tl_rle.tga", {"1x1_l.png", 0}},
    {"200x32_l_bl_rle.tga", {"200x32_l.png", 0}},
    {"200x32_l_tl_raw.tga", {"200x32_l.png", 0}},
    {"200x32_la_bl_raw.tga", {"200x32_la.png", 0}},
    {"200x32_la_bl_rle.tga", {"200x32_la.png", 0}},
    {"200x32_la_tl_rle.tga", {"200x32_la.png", 0}},
    {"200x32_p_bl_raw.tga", {"200x32_p.png", 0}},
    {"200x32_p_bl_rle.tga", {"200x32_p.png", 0}},
    {"200x32_p_tl_raw.tga", {"200x32_p.png", 0}},
    {"200x32_rgb_bl_raw.tga", {"200x32_rgb.png", 0}},
    {"200x32_rgb_bl_rle.tga", {"200x32_rgb.png", 0}},
    {"200x32_rgb_tl_rle.tga", {"200x32_rgb.png", 0}},
    {"200x32_rgba_bl_raw.tga", {"200x32_rgba.png", 0}},
    {"200x32_rgba_tl_raw.tga", {"200x32_rgba.png", 0}},
    {"200x32_rgba_tl_rle.tga", {"200x32_rgba.png", 0}},
    {"b5-noattrib.tga", {"b5-noattrib.tga.png", 5}},
    {"b5-unused-cmap.tga", {"b5-unused-cmap.tga.png", 5}},
    {"bottom_left.tga", {"bottom_left.tga.png", 0}},
    {"bottom_right.tga", {"bottom_right.tga.png", 0}},
    {"bricks-gray.tga", {"bricks-gray.png", 0}},
    {"bricks-nodither.tga", {"bricks-nodither.png", 0}},
    {"la.tga", {"", 0}},
    {"p_16.tga", {"p_16.png", 5}},
    {"tga_id_field.tga", {"", 0}},
    {"top_left.tga", {"top_left.tga.png", 0}},
};

void expectAsReference(const cImage32& host, const std::string& reference, int tolerance) {
    const auto rows = readertest::pngReference(corpus("tga/reference/" + reference));
    ASSERT_TRUE(rows) << "libpng reads " << reference;
    ASSERT_EQ(size_t(host.Height()), rows->size());
    ASSERT_EQ(size_t(host.Width()), rows->at(0).size());
    std::string first;
    EXPECT_EQ(readertest::differences(host, *rows, 0, 0, tolerance, &first), 0u) << first;
}

}  // namespace

TEST(TgaCorpus, ValidFilesDecodeToTheirReferences) {
    readertest::forEachListed(corpus("tga/valid"), kValid, [](const std::string& path, const Expected& e) {
        cImage32 host;
        ASSERT_TRUE(loadFile(path, host));
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypeTGA);
        EXPECT_TRUE(readertest::keepsPixelRules(host));
        if (*e.reference) expectAsReference(host, e.reference, e.tolerance);
    });
}

TEST(TgaCorpus, FilesWithoutAReferenceAgreeWithWhatIsKnownOfThem) {
    // la.tga: 64 x 64 grey with alpha, top row first. Its grey must be grey, and not all of
    // it visible.
    cImage32 la;
    ASSERT_TRUE(loadFile(corpus("tga/valid/la.tga"), la));
    ASSERT_EQ(la.Width(), 64);
    EXPECT_NE(la.Alpha(), cImage32::AlphaOpaque);
    for (int y = 0; y < la.Height(); ++y)
        for (int x = 0; x < la.Width(); ++x) {
            const auto p = imagetest::at(la, x, y);
            ASSERT_TRUE(p.b == p.g && p.g == p.r) << x << ", " << y;
        }

    // tga_id_field.tga: a 24-bit picture behind a 6-byte identification field, as
    // ImageMagick reads it. ImageMagick hands out the rows of a bottom-left TGA as stored
    // and records the origin as orientation; turned upright here.
    cImage32 id;
    ASSERT_TRUE(loadFile(corpus("tga/valid/tga_id_field.tga"), id));
    EXPECT_EQ(id.Alpha(), cImage32::AlphaOpaque);
    auto magick = readertest::magickReference(corpus("tga/valid/tga_id_field.tga"));
    ASSERT_TRUE(magick);
    std::reverse(magick->begin(), magick->end());
    std::string first;
    EXPECT_EQ(readertest::differences(id, *magick, 0, 0, 0, &first), 0u) << first;
}

TEST(TgaCorpus, AttributeBitsOfTheQuestionableFileMakeItTransparentWhereClear) {
    // b5-attrib.tga: 16 bits with one alpha bit and no extension area. The reference shows it
    // opaque; here a set attribute bit is opaque and a clear one transparent, so the
    // reference's colours show where the bit is set and nothing elsewhere.
    const std::vector<uint8_t> bytes = readBytes(corpus("tga/questionable/b5-attrib.tga"));
    cImage32 host;
    ASSERT_TRUE(codecs::cTGAparser().LoadStream(bytes, host, 0, int64_t(bytes.size())));
    EXPECT_EQ(host.Alpha(), cImage32::AlphaBinary);
    auto reference = readertest::pngReference(corpus("tga/reference/b5-attrib.tga.png"));
    ASSERT_TRUE(reference);
    ASSERT_EQ(host.Width(), 4);
    ASSERT_EQ(host.Height(), 4);
    for (size_t y = 0; y < 4; ++y)
        for (size_t x = 0; x < 4; ++x) {
            // Stored top row first (descriptor 0x21), 2 bytes per pixel after 18 of header.
            const bool attribute = bytes[18 + (y * 4 + x) * 2 + 1] & 0x80;
            if (!attribute) (*reference)[y][x] = {0, 0, 0, 0};
        }
    std::string first;
    EXPECT_EQ(readertest::differences(host, *reference, 0, 0, 5, &first), 0u) << first;
}

TEST(TgaCorpus, InvalidFilesAndKeptCrashersFail) {
    for (const std::string& folder : {corpus("tga/invalid"), fixture("tga/malformed")})
        readertest::forEachFile(folder, [](const std::string& path) {
            cImage32 host;
            EXPECT_FALSE(loadFile(path, host));
            EXPECT_EQ(host.Handle(), 0u);
        });
}
