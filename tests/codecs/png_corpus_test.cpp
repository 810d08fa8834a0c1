// cPNGparser over PngSuite: every valid file decodes to libpng's pixels (each sample's
// high byte, premultiplied by truncation), from bytes and from a file, with zlib and with
// zlib marked absent, and to the suite's own reference arrays; every corrupt file is
// rejected as the reader's failure table says.

#include <algorithm>
#include <filesystem>
#include <map>

#include "codecs/cPNGparser.h"
#include "image/modParsers.h"
#include "platform/picture/oracles.h"
#include "png_support.h"

using namespace pngtest;
using picture::test::baseName;
using picture::test::corpus;
using picture::test::filesIn;
using picture::test::readBytes;

namespace {

struct Road {
    bool zlib;
    bool fromFile;
};

std::string nameOf(const Road& r) {
    return std::string(r.zlib ? "Zlib" : "OwnInflate") + (r.fromFile ? "File" : "Stream");
}

class PngCorpus : public imagetest::ImageTest, public ::testing::WithParamInterface<Road> {
protected:
    bool load(const std::string& path, cImage32& host) {
        if (GetParam().fromFile) {
            modParsers::FileHandle file = modParsers::OpenImageFileHandle(path, true);
            EXPECT_TRUE(file.valid());
            return codecs::cPNGparser().LoadFile(file, path, host);
        }
        const Bytes bytes = readBytes(path);
        return codecs::cPNGparser().LoadStream(bytes, host, 0, int64_t(bytes.size()));
    }
};

std::vector<std::string> validFiles() {
    std::vector<std::string> files = filesIn(corpus("pngsuite/png"));
    files.push_back(corpus("pngsuite/PngSuite.png"));
    return files;
}

// The alpha kind follows the colour type and a tRNS chunk alone.
int32_t expectedAlpha(const Bytes& png) {
    const uint8_t colourType = png.at(25);
    if (colourType == 4 || colourType == 6) return cImage32::AlphaPartial;
    const bool trns = std::search(png.begin(), png.end(), std::begin("tRNS"), std::end("tRNS") - 1) != png.end();
    return trns ? cImage32::AlphaBinary : cImage32::AlphaOpaque;
}

TEST_P(PngCorpus, ValidFilesDecodeAsLibpngDecodesThem) {
    ZlibAbsence absence(!GetParam().zlib);
    const auto files = validFiles();
    ASSERT_GE(files.size(), 100u);
    for (const std::string& path : files) {
        SCOPED_TRACE(baseName(path));
        const Bytes bytes = readBytes(path);
        const auto reference = libpngDecode(bytes);
        ASSERT_TRUE(reference) << "libpng reads it";
        cImage32 host;
        ASSERT_TRUE(load(path, host));
        ASSERT_NE(host.Handle(), 0u);
        EXPECT_EQ(host.ImageType(), cImage32::ImageTypePNG);
        EXPECT_EQ(host.Alpha(), expectedAlpha(bytes));
        std::string first;
        EXPECT_EQ(differences(rowsOf(host), *reference, &first), 0u) << first;
    }
}

// What each corrupt file gives: the reader's answer, and whether an image comes of it
// without zlib, where no CRC is checked. The names of PngSuite's other x files are listed
// too, so that the whole suite can be run.
struct Corrupt {
    bool recognised;
    bool decodesWithoutCrc;
};
const std::map<std::string, Corrupt> kCorrupt = {
    {"xs1n0g01.png", {false, false}},  // signature byte 1 with its top bit cleared
    {"xs2n0g01.png", {false, false}},  // signature byte 2 'Q'
    {"xs4n0g01.png", {false, false}},  // signature byte 4 lower-case
    {"xs7n0g01.png", {false, false}},  // signature byte 7 a space
    {"xcrn0g04.png", {false, false}},  // CR bytes added
    {"xlfn0g04.png", {false, false}},  // LF bytes added
    {"xhdn0g08.png", {true, true}},    // IHDR CRC wrong
    {"xcsn0g01.png", {true, true}},    // IDAT CRC wrong
    {"xc1n0g08.png", {true, false}},   // colour type 1
    {"xc9n2c08.png", {true, false}},   // colour type 9
    {"xd0n2c08.png", {true, false}},   // bit depth 0
    {"xd3n2c08.png", {true, false}},   // bit depth 3
    {"xd9n2c08.png", {true, false}},   // bit depth 99
    {"xdtn0g01.png", {true, false}},   // no IDAT
};

TEST_P(PngCorpus, CorruptFilesAreRejected) {
    ZlibAbsence absence(!GetParam().zlib);
    const auto files = filesIn(corpus("pngsuite/corrupt"));
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        SCOPED_TRACE(baseName(path));
        const auto known = kCorrupt.find(baseName(path));
        ASSERT_NE(known, kCorrupt.end()) << "a corrupt file this test does not know";
        cImage32 host;
        EXPECT_EQ(load(path, host), known->second.recognised);
        if (GetParam().zlib || !known->second.decodesWithoutCrc) {
            EXPECT_EQ(host.Handle(), 0u);
            EXPECT_EQ(host.ImageType(), cImage32::ImageTypeNone);
            continue;
        }
        // Without zlib the damaged CRC goes unnoticed and the picture decodes.
        const auto reference = libpngDecode(readBytes(path), true);
        ASSERT_TRUE(reference);
        ASSERT_NE(host.Handle(), 0u);
        EXPECT_EQ(differences(rowsOf(host), *reference), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, PngCorpus,
                         ::testing::Values(Road{true, false}, Road{false, false}, Road{true, true},
                                           Road{false, true}),
                         [](const auto& info) { return nameOf(info.param); });

// The numbers of a JSON array.
std::vector<int> jsonNumbers(const std::string& path) {
    const Bytes text = readBytes(path);
    std::vector<int> numbers;
    int value = -1;
    for (uint8_t c : text) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
        } else if (value >= 0) {
            numbers.push_back(value);
            value = -1;
        }
    }
    return numbers;
}

// The corpus's own reference arrays (straight RGBA, top row first, 16-bit samples for the
// 16-bit files), reduced to each sample's high byte: a second reference beside libpng.
class PngCorpusArrays : public imagetest::ImageTest {};

TEST_F(PngCorpusArrays, ReferenceArraysAgree) {
    size_t compared = 0;
    for (const std::string& path : validFiles()) {
        const std::string name = baseName(path).substr(0, baseName(path).size() - 4);
        const std::string json = corpus("pngsuite/json/" + name + ".json");
        const Bytes bytes = readBytes(path);
        if (!std::filesystem::exists(json)) continue;
        const int shift = bytes.at(24) == 16 ? 8 : 0;
        SCOPED_TRACE(name);
        cImage32 host;
        ASSERT_TRUE(codecs::cPNGparser().LoadStream(bytes, host, 0, int64_t(bytes.size())));
        std::vector<int> n = jsonNumbers(json);
        for (int& v : n) v >>= shift;
        ASSERT_EQ(n.size(), size_t(host.Width()) * size_t(host.Height()) * 4);
        Rows want(size_t(host.Height()));
        for (size_t i = 0; i < n.size(); i += 4) {
            const unsigned a = unsigned(n[i + 3]);
            want[i / 4 / size_t(host.Width())].push_back(
                {uint8_t(n[i + 2] * a / 255), uint8_t(n[i + 1] * a / 255), uint8_t(n[i] * a / 255), uint8_t(a)});
        }
        std::string first;
        EXPECT_EQ(differences(rowsOf(host), want, &first), 0u) << first;
        ++compared;
    }
    EXPECT_GT(compared, 90u);
}

}  // namespace
