// cBMPparser over the public corpora: every good file of BMP Suite decodes as ImageMagick
// decodes it, the questionable ones decode as the suite's reference renderings show or
// fail, as listed here, the bad ones fail, and Paint.NET's 32-bpp conversions of PngSuite
// give the colours of their reference arrays. Every kept malformed fixture fails cleanly.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "bmp_support.h"
#include "reader_support.h"
#include "codecs/cBMPparser.h"

using namespace bmptest;
using picture::test::baseName;
using picture::test::corpus;
using picture::test::filesIn;
using picture::test::fixture;
using picture::test::readBytes;

namespace {

using Rows = std::vector<std::vector<Px>>;

bool loadFile(const std::string& path, cImage32& host) {
    const std::vector<uint8_t> bytes = readBytes(path);
    return codecs::cBMPparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
}

// Pixels that differ from the reference by more than `tolerance` in some channel.
size_t differences(const cImage32& host, const Rows& expected, int tolerance = 0) {
    size_t count = 0;
    for (int y = 0; y < host.Height(); ++y)
        for (int x = 0; x < host.Width(); ++x) {
            const Px got = imagetest::at(host, x, y), want = expected[size_t(y)][size_t(x)];
            count += std::abs(got.b - want.b) > tolerance || std::abs(got.g - want.g) > tolerance ||
                     std::abs(got.r - want.r) > tolerance || got.a != want.a;
        }
    return count;
}

void expectAsImageMagick(const std::string& path, const cImage32& host) {
    const auto reference = picture::test::magickRgba(path);
    ASSERT_TRUE(reference) << "ImageMagick reads it";
    ASSERT_EQ(host.Width(), reference->width);
    ASSERT_EQ(host.Height(), reference->height);
    EXPECT_EQ(differences(host, premultiplied(*reference)), 0u);
}

TEST(BmpCorpus, GoodFilesDecodeAsImageMagickDecodesThem) {
    const auto files = filesIn(corpus("bmpsuite/g"));
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        SCOPED_TRACE(baseName(path));
        cImage32 host;
        ASSERT_TRUE(loadFile(path, host));
        // None of them carries alpha (rgb32.bmp leaves its fourth byte 0).
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmap);
        expectAsImageMagick(path, host);
    }
}

// What each questionable file gives, checked against the suite's own reference rendering
// (bmpsuite/html), read by ImageMagick.
enum class Outcome {
    fails,
    decodes,          // the reference's pixels
    decodesOpaque,    // alpha dropped: the reference's colours where it is opaque, alpha 255
    fourthByteAlpha,  // a 32-bpp BI_RGB file's fourth byte taken as alpha, as ImageMagick does
};

struct Questionable {
    Outcome outcome;
    const char* reference;  // in bmpsuite/html
    int tolerance;          // channels wider than 8 bits may round the other way
};

const std::map<std::string, Questionable> kQuestionable = {
    // No reader here has them: Huffman 1D, the 64-byte OS/2 2.x header, JPEG or PNG
    // inside a BMP, 64 bpp.
    {"pal1huffmsb.bmp", {Outcome::fails, "", 0}},
    {"pal8os2v2-sz.bmp", {Outcome::fails, "", 0}},
    {"rgb24jpeg.bmp", {Outcome::fails, "", 0}},
    {"rgb24png.bmp", {Outcome::fails, "", 0}},
    {"rgba64.bmp", {Outcome::fails, "", 0}},
    {"pal2.bmp", {Outcome::decodes, "pal2.png", 0}},
    {"pal2color.bmp", {Outcome::decodes, "pal2color.png", 0}},
    // RLE that skips pixels or ends early: what is skipped stays at colour index 0.
    {"pal4rletrns.bmp", {Outcome::decodes, "pal4rletrns-0.png", 0}},
    {"pal8rlecut.bmp", {Outcome::decodes, "pal8rlecut-0.png", 0}},
    {"pal8offs.bmp", {Outcome::decodes, "pal8.png", 0}},
    {"pal8os2-sz.bmp", {Outcome::decodes, "pal8.png", 0}},
    {"pal8os2sp.bmp", {Outcome::decodes, "pal8.png", 0}},
    {"pal8os2v2-40sz.bmp", {Outcome::decodes, "pal8.png", 0}},
    {"pal8oversizepal.bmp", {Outcome::decodes, "pal8.png", 0}},
    {"rgb16-231.bmp", {Outcome::decodes, "rgb16-231.png", 0}},
    {"rgb16-3103.bmp", {Outcome::decodes, "rgb16-3103.png", 1}},
    {"rgb24largepal.bmp", {Outcome::decodes, "rgb24.png", 0}},
    {"rgb24prof.bmp", {Outcome::decodes, "rgb24.png", 0}},  // the colour profile is ignored
    {"rgb32-111110.bmp", {Outcome::decodes, "rgb24.png", 1}},
    {"rgb32-7187.bmp", {Outcome::decodes, "rgb32-7187.png", 1}},
    {"rgb32h52.bmp", {Outcome::decodes, "rgb24.png", 0}},
    // Every 32-bpp BI_RGB file is read with its fourth byte as alpha; this one does not
    // mean it so (the suite shows it as rgb24.png).
    {"rgb32fakealpha.bmp", {Outcome::fourthByteAlpha, "", 0}},
    // Alpha in bit fields is the platform loader's to read, and what it gives is opaque.
    {"rgba16-4444.bmp", {Outcome::decodesOpaque, "rgba16-4444.png", 0}},
    {"rgba16-5551.bmp", {Outcome::decodesOpaque, "rgba16-5551.png", 1}},
    {"rgba32-1010102.bmp", {Outcome::decodesOpaque, "rgba32-1010102.png", 1}},
    {"rgba32-2.bmp", {Outcome::decodesOpaque, "rgba32.png", 0}},
    {"rgba32-81284.bmp", {Outcome::decodesOpaque, "rgba32-81284.png", 1}},
    {"rgba32abf.bmp", {Outcome::decodesOpaque, "rgba32.png", 0}},
};

TEST(BmpCorpus, QuestionableFilesDecodeOrFailAsListed) {
    const auto files = filesIn(corpus("bmpsuite/q"));
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        const std::string name = baseName(path);
        SCOPED_TRACE(name);
        cImage32 host;
        const bool loaded = loadFile(path, host);
        EXPECT_EQ(loaded, host.Handle() != 0);
        const auto listed = kQuestionable.find(name);
        if (listed == kQuestionable.end()) {
            ADD_FAILURE() << "not listed; " << (loaded ? "decodes" : "fails");
            continue;
        }
        const Questionable& q = listed->second;
        ASSERT_EQ(loaded, q.outcome != Outcome::fails);
        if (q.outcome == Outcome::fails) continue;
        if (q.outcome == Outcome::fourthByteAlpha) {
            EXPECT_EQ(host.ImageType(), cImage32::ImageTypeBitmapARGB);
            expectAsImageMagick(path, host);
            continue;
        }
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        const auto reference = picture::test::magickRgba(corpus("bmpsuite/html/") + q.reference);
        ASSERT_TRUE(reference);
        ASSERT_EQ(host.Width(), reference->width);
        ASSERT_EQ(host.Height(), reference->height);
        Rows expected = premultiplied(*reference);
        if (q.outcome == Outcome::decodesOpaque) {
            // Where the reference is not opaque the file's own colours are not known here:
            // only the alpha is checked.
            for (int y = 0; y < host.Height(); ++y)
                for (int x = 0; x < host.Width(); ++x) {
                    Px& want = expected[size_t(y)][size_t(x)];
                    if (want.a != 255) want = imagetest::at(host, x, y);
                    want.a = 255;
                }
        }
        EXPECT_EQ(differences(host, expected, q.tolerance), 0u);
    }
}

TEST(BmpCorpus, TheBitmapArrayFails) {
    // An OS/2 bitmap array ("BA") around a BMP: no reader here has it.
    cImage32 host;
    EXPECT_FALSE(loadFile(corpus("bmpsuite/x/ba-bm.bmp"), host));
    EXPECT_EQ(host.Handle(), 0u);
}

void expectNoImage(const std::string& path) {
    cImage32 host;
    EXPECT_FALSE(loadFile(path, host));
    EXPECT_EQ(host.Handle(), 0u);
}

TEST(BmpCorpus, BadFilesFail) { readertest::forEachFile(corpus("bmpsuite/b"), expectNoImage); }

TEST(BmpCorpus, MalformedFixturesFail) { readertest::forEachFile(fixture("bmp/malformed"), expectNoImage); }

// A reference array: [r, g, b, a, ...] top row first.
std::vector<int> readJsonArray(const std::string& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (char& c : text)
        if (c == '[' || c == ']' || c == ',') c = ' ';
    std::istringstream numbers(text);
    return {std::istream_iterator<int>(numbers), std::istream_iterator<int>()};
}

TEST(BmpCorpus, PaintNetConversionsGiveTheReferenceColoursOpaque) {
    // BITMAPV5HEADER, 32 bpp BI_BITFIELDS with alpha: the platform loader's road, so the
    // colours come as stored (straight) and the image opaque.
    const auto files = filesIn(corpus("pngsuite/bmp"));
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        const std::string name = baseName(path).substr(0, baseName(path).size() - 4);
        SCOPED_TRACE(name);
        cImage32 host;
        ASSERT_TRUE(loadFile(path, host));
        EXPECT_EQ(host.Alpha(), cImage32::AlphaOpaque);
        // The 8-bit reductions of 16-bit references may round the other way.
        const std::string reduced = corpus("pngsuite/json/" + name + "_to8.json");
        const bool isReduced = std::ifstream(reduced).good();
        const std::vector<int> rgba = readJsonArray(isReduced ? reduced : corpus("pngsuite/json/" + name + ".json"));
        ASSERT_EQ(rgba.size(), size_t(host.Width()) * size_t(host.Height()) * 4);
        // Under partial or no alpha the file's colours are not the reference's straight
        // ones (Paint.NET writes its own there): only the alpha is checked.
        Rows expected(size_t(host.Height()));
        for (size_t i = 0; i < rgba.size(); i += 4) {
            const int x = int(i / 4 % size_t(host.Width())), y = int(i / 4 / size_t(host.Width()));
            expected[size_t(y)].push_back(rgba[i + 3] == 255
                                              ? Px{uint8_t(rgba[i + 2]), uint8_t(rgba[i + 1]), uint8_t(rgba[i]), 255}
                                              : imagetest::at(host, x, y));
            expected[size_t(y)].back().a = 255;
        }
        EXPECT_EQ(differences(host, expected, isReduced ? 1 : 0), 0u);
    }
}

}  // namespace
