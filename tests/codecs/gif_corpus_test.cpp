// cGIFparser over the public GIF corpus: every valid file's first image decodes to what
// giflib reads of it (index for index, through its colour table), and to the reference
// decodes where the corpus has them; the questionable files decode or fail as listed; the
// invalid ones and every kept malformed fixture leave no image.

#include <map>
#include <string>

#include "codecs/cGIFparser.h"
#include "reader_support.h"

using picture::test::baseName;
using picture::test::corpus;
using picture::test::fixture;
using picture::test::GifFrame;
using picture::test::readBytes;
using readertest::Px;
using readertest::Rows;

namespace {

struct Loaded {
    bool answer = false;
    bool image = false;
};

Loaded loadFile(const std::string& path, cImage32& host) {
    const std::vector<uint8_t> bytes = readBytes(path);
    const bool answer = codecs::cGIFparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
    return {answer, host.Handle() != 0};
}

// giflib's first image as this reader draws it: the transparent index (0, 0, 0, 0), other
// indices opaque in the colour of their table entry, or of entry 0 beyond the table.
Rows asDrawn(const GifFrame& g) {
    Rows rows(size_t(g.height));
    const size_t entries = g.colors.size() / 3;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const int index = g.indices[size_t(y) * size_t(g.width) + size_t(x)];
            if (index == g.transparent) {
                rows[size_t(y)].push_back({0, 0, 0, 0});
                continue;
            }
            const size_t e = size_t(index) < entries ? size_t(index) : 0;
            if (e == 0 && g.transparent == 0) {
                rows[size_t(y)].push_back({0, 0, 0, 0});
                continue;
            }
            rows[size_t(y)].push_back({g.colors[e * 3 + 2], g.colors[e * 3 + 1], g.colors[e * 3], 255});
        }
    return rows;
}

void expectAsGiflib(const std::string& path, const cImage32& host) {
    const auto frame = picture::test::giflibFirstFrame(path);
    ASSERT_TRUE(frame) << "giflib reads it";
    ASSERT_EQ(host.Width(), frame->width);
    ASSERT_EQ(host.Height(), frame->height);
    EXPECT_EQ(host.Alpha(), frame->transparent >= 0 ? cImage32::AlphaBinary : cImage32::AlphaOpaque);
    std::string first;
    EXPECT_EQ(readertest::differences(host, asDrawn(*frame), 0, 0, 0, &first), 0u) << first;
}

// The reference PNGs of image-rs show the first image composed on the logical screen; the
// host holds the image alone, which lies at its offset there.
void expectAsComposedReference(const std::string& path, const std::string& reference, const cImage32& host) {
    const auto frame = picture::test::giflibFirstFrame(path);
    ASSERT_TRUE(frame);
    const auto rows = readertest::pngReference(corpus("gif/reference/" + reference));
    ASSERT_TRUE(rows);
    std::string first;
    EXPECT_EQ(readertest::differences(host, *rows, frame->left, frame->top, 0, &first), 0u) << first;
}

const std::map<std::string, std::string> kComposedReferences = {
    {"sample_1.gif", "sample_1.gif.png"},
    {"interlaced.gif", "interlaced.gif.png"},
    {"issue_1455_undersized.gif", "issue_1455_undersized.gif.png"},
    {"oob.gif", "oob.gif.png"},
    {"issue_1455_oversized.gif", "issue_1455_oversized.gif.png"},
};

enum class Outcome { decodes, failsRecognised, refused };

// The questionable files: what each gives, and why.
const std::map<std::string, Outcome> kQuestionable = {
    {"background_outside_palette.gif", Outcome::decodes},  // the background plays no part
    {"empty-palette.gif", Outcome::decodes},               // the first image has a local table
    {"frame-out-of-bounds.gif", Outcome::decodes},         // read at its own size
    {"issue_1455_oversized.gif", Outcome::decodes},        // likewise
    {"issue_2811.gif", Outcome::refused},                  // LZW minimum code size 11
    {"multiple-graphic-controls.gif", Outcome::decodes},   // the last one counts
    {"multiple-loop-counts.gif", Outcome::decodes},        // animation data plays no part
    {"oob.gif", Outcome::decodes},                         // read at its own size
    {"pixel-data-too-much-good-lzw.gif", Outcome::decodes},  // valid extra indices ignored
    {"zero-width-frame.gif", Outcome::refused},            // an image of 0 x 0 pixels
    {"zero_width.gif", Outcome::failsRecognised},          // cut off inside the image block
};

// The invalid files: none gives an image; those recognised as GIFs answer True.
const std::map<std::string, Outcome> kInvalid = {
    {"decompression_bomb.gif", Outcome::failsRecognised},  // cut off inside the image block
    {"issue-101-infinite-empty-loop.gif", Outcome::failsRecognised},
    {"issue-117-out-of-range.gif", Outcome::refused},     // LZW minimum code size 214
    {"issue-96-small-codesize.gif", Outcome::refused},     // no colour table
    {"no-frames.gif", Outcome::refused},                   // the trailer before any image
    {"pixel-data-not-enough.gif", Outcome::failsRecognised},
    {"pixel-data-too-much-bad-lzw.gif", Outcome::failsRecognised},
};

void expectOutcome(const std::string& path, Outcome outcome) {
    cImage32 host;
    const Loaded r = loadFile(path, host);
    EXPECT_EQ(r.answer, outcome != Outcome::refused);
    EXPECT_EQ(r.image, outcome == Outcome::decodes);
    if (!r.image) return;
    EXPECT_EQ(host.ImageType(), cImage32::ImageTypeGIF);
    EXPECT_TRUE(readertest::keepsPixelRules(host));
    expectAsGiflib(path, host);
    const auto reference = kComposedReferences.find(baseName(path));
    if (reference != kComposedReferences.end()) expectAsComposedReference(path, reference->second, host);
}

}  // namespace

TEST(GifCorpus, ValidFilesDecodeAsGiflibAndTheReferencesShowThem) {
    readertest::forEachFile(corpus("gif/valid"), [](const std::string& path) { expectOutcome(path, Outcome::decodes); });
}

TEST(GifCorpus, BricksGiveTheRawReferenceIndicesAndPalette) {
    // bricks-*.indexes: one index per pixel, top row first; bricks-dither.palette: B, G, R, A
    // per entry (the grey file's table is its index).
    for (const std::string name : {"bricks-dither", "bricks-gray"}) {
        SCOPED_TRACE(name);
        cImage32 host;
        ASSERT_TRUE(loadFile(corpus("gif/valid/" + name + ".gif"), host).image);
        const auto indices = readBytes(corpus("gif/reference/" + name + ".indexes"));
        std::vector<uint8_t> palette;
        if (name == "bricks-dither") {
            palette = readBytes(corpus("gif/reference/bricks-dither.palette"));
        } else {
            for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 255});
        }
        ASSERT_EQ(indices.size(), size_t(host.Width()) * size_t(host.Height()));
        ASSERT_EQ(palette.size(), 1024u);
        size_t wrong = 0;
        for (int y = 0; y < host.Height(); ++y)
            for (int x = 0; x < host.Width(); ++x) {
                const uint8_t* e = &palette[size_t(indices[size_t(y) * size_t(host.Width()) + size_t(x)]) * 4];
                wrong += imagetest::at(host, x, y) != Px{e[0], e[1], e[2], e[3]};
            }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(GifCorpus, QuestionableFilesDecodeOrFailAsListed) {
    readertest::forEachListed(corpus("gif/questionable"), kQuestionable, expectOutcome);
}

TEST(GifCorpus, InvalidFilesAndKeptCrashersLeaveNoImage) {
    readertest::forEachListed(corpus("gif/invalid"), kInvalid, expectOutcome);
    readertest::forEachFile(fixture("gif/malformed"), [](const std::string& path) {
        cImage32 host;
        EXPECT_FALSE(loadFile(path, host).image);
    });
}
