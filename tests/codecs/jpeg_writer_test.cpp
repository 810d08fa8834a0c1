// cJPGWriter: quantisation tables from the quality, the marker layout, libjpeg-turbo as the
// oracle of the whole file (its own Huffman optimisation over our tables and planes must
// write the same bytes, and its reader must give our planes back), the padding of partial
// blocks, compositing over the fill colour, fidelity on the corpus photos, and the saves
// that fail.

#include <cmath>
#include <functional>
#include <map>
#include <filesystem>
#include <fstream>
#include <random>

#include "codecs/cJPGWriter.h"
#include "image/image_support.h"
#include "jpeg_support.h"
#include "platform/picture/oracles.h"
#include "platform/runtime/error.h"
#include "png_support.h"
#include "support/temp_folder.h"
#include "writer_support.h"

using codecs::cJPGWriter;
using imagetest::Px;
using jpegtest::Bytes;

namespace {

using Rows = std::vector<std::vector<Px>>;
using Table = std::array<uint16_t, 64>;

class JpegWriter : public imagetest::ImageTest {
protected:
    testsupport::TempFolder folder;
    std::mt19937 random{20240917};

    void randomImage(cImage32& image, int width, int height, bool withAlpha = false) {
        imagetest::randomImage(image, width, height, withAlpha, random);
    }

    static void uniformImage(cImage32& image, int width, int height, Px px) {
        imagetest::fill(image, Rows(size_t(height), std::vector<Px>(size_t(width), px)));
    }

    // The corpus photo, opaque, as the PNG reader would make it.
    static void photo(cImage32& image, const std::string& name) {
        const auto rows = pngtest::libpngDecode(picture::test::readBytes(picture::test::corpus("photos/" + name)));
        ASSERT_TRUE(rows) << name;
        imagetest::fill(image, *rows);
    }

    static Bytes encode(cJPGWriter& writer, const cImage32& image, int quality, int32_t fill = 0) {
        Bytes out;
        EXPECT_TRUE(writer.SaveAsJPG("", out, &image, uint8_t(quality), fill));
        return out;
    }
    static Bytes encode(const cImage32& image, int quality, int32_t fill = 0) {
        cJPGWriter writer;
        return encode(writer, image, quality, fill);
    }

    static std::array<std::vector<int16_t>, 3> planesOf(const cJPGWriter& writer) {
        std::array<std::vector<int16_t>, 3> planes;
        for (int i = 0; i < 3; ++i) {
            const auto p = writer.CoefficientPlane(i);
            planes[size_t(i)].assign(p.begin(), p.end());
        }
        return planes;
    }
    static std::array<std::vector<int16_t>, 3> planesOf(const cImage32& image, int quality, int32_t fill = 0) {
        cJPGWriter writer;
        encode(writer, image, quality, fill);
        return planesOf(writer);
    }
};

Table tableFor(int quality, int slot) {
    cJPGWriter writer;
    writer.SetQuantizationTables(uint8_t(quality));
    return writer.QuantizationValues(slot);
}

TEST_F(JpegWriter, QuantisationTablesFollowTheQuality) {
    struct Case {
        int quality, slot;
        std::vector<uint16_t> begins;  // a single value: the whole table holds it
    };
    const Case cases[] = {
        {100, 0, {1}}, {100, 1, {1}}, {101, 0, {1}}, {255, 1, {1}},
        // S = 100: (100 x 11 + 50) / 100 = 11.5 goes to 12, where integer division keeps 11.
        {50, 0, {16, 12, 12, 14, 12, 10, 16, 14}},
        {75, 0, {8, 6, 6, 8, 6, 6, 8, 8}},
        {1, 0, {255}}, {1, 1, {255}},
        // S = nearest(5000 / 16) = 312 (not 313): (312 x 16 + 50) / 100 = 50.42.
        {16, 0, {50}},
        // S = nearest(5000 / 9) = 556 (not the truncated 555): (556 x 18 + 50) / 100 = 100.58.
        {9, 1, {95, 101}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "quality " << c.quality << " slot " << c.slot);
        const Table table = tableFor(c.quality, c.slot);
        if (c.begins.size() == 1 && c.quality != 16) {
            Table all;
            all.fill(c.begins[0]);
            EXPECT_EQ(table, all);
        } else {
            EXPECT_EQ(std::vector<uint16_t>(table.begin(), table.begin() + long(c.begins.size())), c.begins);
        }
    }
    try {
        tableFor(0, 0);
        ADD_FAILURE() << "quality 0 accepted";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 11);
    }
}

TEST_F(JpegWriter, FileHasTheMarkerSegmentsInOrder) {
    cImage32 image;
    randomImage(image, 13, 7);
    cJPGWriter writer;
    const Bytes jpeg = encode(writer, image, 75);
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + 2), (Bytes{0xFF, 0xD8}));
    EXPECT_EQ(Bytes(jpeg.end() - 2, jpeg.end()), (Bytes{0xFF, 0xD9}));

    // Every segment up to the scan, in order: marker and, for DQT and DHT, the table byte.
    std::vector<std::pair<int, int>> order;
    for (size_t at = 2; at + 4 < jpeg.size() && jpeg[at] == 0xFF;) {
        order.emplace_back(jpeg[at + 1], jpeg[at + 4]);
        if (jpeg[at + 1] == 0xDA) break;
        at += 2 + (size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]);
    }
    const std::vector<std::pair<int, int>> expected = {
        {0xE0, 'J'}, {0xDB, 0x00}, {0xDB, 0x01}, {0xC0, 0x08},                 // APP0, DQT 0, DQT 1, SOF0
        {0xC4, 0x00}, {0xC4, 0x10}, {0xC4, 0x01}, {0xC4, 0x11}, {0xDA, 0x03}};  // DHT DC 0, AC 0, DC 1, AC 1, SOS
    EXPECT_EQ(order, expected);

    EXPECT_EQ(jpegtest::segment(jpeg, 0xE0),
              (Bytes{0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00}));
    for (int slot = 0; slot < 2; ++slot) {
        Bytes dqt = {0xFF, 0xDB, 0x00, 67, uint8_t(slot)};
        for (uint16_t v : writer.QuantizationValues(slot)) dqt.push_back(uint8_t(v));
        EXPECT_EQ(jpegtest::segment(jpeg, 0xDB, slot), dqt);
    }
    EXPECT_EQ(jpegtest::segment(jpeg, 0xC0),
              (Bytes{0xFF, 0xC0, 0x00, 17, 8, 0x00, 7, 0x00, 13, 3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1}));
    EXPECT_EQ(jpegtest::segment(jpeg, 0xDA),
              (Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
}

TEST_F(JpegWriter, FileNameWritesTheFileAndAnEmptyNameFillsOnlyTheArray) {
    cImage32 image;
    randomImage(image, 21, 17, true);
    const Bytes stream = encode(image, 90, 0x336699);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "an empty name made a file";

    const std::string path = folder.file("saved.jpg");
    std::ofstream(path) << "an older file";
    Bytes untouched = {1, 2, 3};
    ASSERT_TRUE(cJPGWriter().SaveAsJPG(path, untouched, &image, 90, 0x336699));
    EXPECT_EQ(picture::test::readBytes(path), stream);
    EXPECT_EQ(untouched, (Bytes{1, 2, 3}));
}

// libjpeg-turbo's jpeg_write_coefficients with optimize_coding builds its Huffman tables by
// the same Annex K.2 procedure over the same statistics and lays out the same markers, so
// given our tables and planes it must write our file byte for byte; its reader must give
// the tables and planes back.
TEST_F(JpegWriter, LibjpegWritesTheSameFileFromOurPlanesAndReadsThemBack) {
    struct Case {
        const char* name;
        std::function<void(cImage32&)> make;
        std::vector<int> qualities;
        int32_t fill = 0;
    };
    const Case cases[] = {
        {"1 x 1", [&](cImage32& im) { randomImage(im, 1, 1); }, {1, 50, 100}},
        {"10 x 10", [&](cImage32& im) { randomImage(im, 10, 10); }, {50, 75, 90, 100}},
        {"uniform 8 x 8 grey", [](cImage32& im) { uniformImage(im, 8, 8, {128, 128, 128, 255}); }, {75}},
        {"noise with alpha, 37 x 23", [&](cImage32& im) { randomImage(im, 37, 23, true); }, {30, 100, 255}, 0xC08040},
        {"noise, 64 x 48", [&](cImage32& im) { randomImage(im, 64, 48); }, {100}},
        {"photo IMG0023", [](cImage32& im) { photo(im, "IMG0023.png"); }, {50, 90}},
    };
    for (const Case& c : cases) {
        cImage32 image;
        c.make(image);
        for (int quality : c.qualities) {
            SCOPED_TRACE(testing::Message() << c.name << " at quality " << quality);
            cJPGWriter writer;
            const Bytes ours = encode(writer, image, quality, c.fill);
            const auto planes = planesOf(writer);
            const Bytes theirs = jpegtest::libjpegWriteCoefficients(
                image.Width(), image.Height(), writer.QuantizationValues(0), writer.QuantizationValues(1),
                {planes[0], planes[1], planes[2]});
            ASSERT_FALSE(theirs.empty());
            EXPECT_EQ(ours.size(), theirs.size());
            EXPECT_TRUE(ours == theirs) << "the files differ";

            const auto read = jpegtest::libjpegReadCoefficients(ours);
            ASSERT_TRUE(read);
            EXPECT_EQ(read->width, image.Width());
            EXPECT_EQ(read->height, image.Height());
            EXPECT_EQ(read->ids, (std::vector<int>{1, 2, 3}));
            EXPECT_EQ(read->samplingFactors, (std::vector<int>{0x11, 0x11, 0x11}));
            EXPECT_EQ(read->quantSlots, (std::vector<int>{0, 1, 1}));
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(read->quantTables[size_t(i)], writer.QuantizationValues(i == 0 ? 0 : 1)) << i;
                EXPECT_TRUE(read->planes[size_t(i)] == planes[size_t(i)]) << "plane " << i;
            }
        }
    }
}

// The pixel path written out as plainly as it is defined: every right side evaluated in
// double precision and stored as a 32-bit float, columns transformed before rows, in
// natural order. The writer reorders the work for speed (float sums, a transposed second
// pass, multipliers in transposed order) and must come to the same planes.
std::array<std::vector<int16_t>, 3> plainPlanes(const cImage32& image, const cJPGWriter& writer) {
    static const double aan[8] = {0.353553390593273, 0.25489778955208,  0.270598050073098, 0.300672443467523,
                                  0.353553390593273, 0.449988111568207, 0.653281482438186, 1.28145772387074};
    const auto dct1d = [](float* v, int step) {
        const auto F = [](double d) { return float(d); };
        float x[8];
        for (int i = 0; i < 8; ++i) x[i] = v[i * step];
        const float t0 = F(double(x[0]) + x[7]), t7 = F(double(x[0]) - x[7]), t1 = F(double(x[1]) + x[6]),
                    t6 = F(double(x[1]) - x[6]), t2 = F(double(x[2]) + x[5]), t5 = F(double(x[2]) - x[5]),
                    t3 = F(double(x[3]) + x[4]), t4 = F(double(x[3]) - x[4]);
        const float p = F(double(t4) + t5), t13 = F(double(t0) - t3), t10 = F(double(t0) + t3), t11 = F(double(t1) + t2);
        const float z1 = F((double(t1) - t2 + t13) * 0.707106781186548);
        const float q = F(double(t6) + t7), z3 = F((double(t5) + t6) * 0.707106781186548);
        const float z5 = F((double(p) - q) * 0.382683432365091);
        const float z2 = F(0.541196100146196 * p + z5), z4 = F(1.30656296487638 * q + z5);
        const float z11 = F(double(t7) + z3), z13 = F(double(t7) - z3);
        const float y[8] = {F(double(t10) + t11), F(double(z11) + z4), F(double(t13) + z1), F(double(z13) - z2),
                            F(double(t10) - t11), F(double(z13) + z2), F(double(t13) - z1), F(double(z11) - z4)};
        for (int i = 0; i < 8; ++i) v[i * step] = y[i];
    };
    std::array<std::vector<int16_t>, 3> planes;
    const int w = image.Width(), h = image.Height();
    for (int by = 0; by < (h + 7) / 8; ++by)
        for (int bx = 0; bx < (w + 7) / 8; ++bx) {
            float blocks[3][64];
            for (int n = 0; n < 64; ++n) {
                const Px px = imagetest::at(image, std::min(bx * 8 + n % 8, w - 1), std::min(by * 8 + n / 8, h - 1));
                const double r = px.r, g = px.g, b = px.b;
                blocks[0][n] = float(double(0.299f) * r + double(0.587f) * g + double(0.114f) * b - 128.0);
                blocks[1][n] = float(double(-0.16874f) * r - double(0.33126f) * g + double(0.5f) * b);
                blocks[2][n] = float(double(0.5f) * r - double(0.41869f) * g - double(0.08131f) * b);
            }
            for (int c = 0; c < 3; ++c) {
                for (int column = 0; column < 8; ++column) dct1d(blocks[c] + column, 8);
                for (int row = 0; row < 8; ++row) dct1d(blocks[c] + row * 8, 1);
                const Table& values = writer.QuantizationValues(c == 0 ? 0 : 1);
                int16_t zigzag[64];
                for (size_t k = 0; k < 64; ++k) {
                    const int n = jpegtest::kNatural[k];
                    const float multiplier = float(aan[n / 8] * aan[n % 8] / values[k]);
                    zigzag[k] = int16_t(std::nearbyint(double(blocks[c][n]) * double(multiplier)));
                }
                planes[size_t(c)].insert(planes[size_t(c)].end(), zigzag, zigzag + 64);
            }
        }
    return planes;
}

TEST_F(JpegWriter, PlanesAreThoseOfTheTransformAsDefined) {
    cImage32 noise, gradient;
    randomImage(noise, 29, 19);
    photo(gradient, "IMG0015.png");
    for (int quality : {5, 50, 75, 90, 100}) {
        for (const cImage32* image : {&noise, &gradient}) {
            SCOPED_TRACE(testing::Message() << image->Width() << " x " << image->Height() << " at quality " << quality);
            cJPGWriter writer;
            encode(writer, *image, quality);
            EXPECT_TRUE(planesOf(writer) == plainPlanes(*image, writer));
        }
    }
}

TEST_F(JpegWriter, PartialBlocksRepeatTheLastColumnAndRow) {
    // A 10 x 10 image is coded as 2 x 2 blocks: its planes are those of the 16 x 16 image
    // whose columns and rows 10..15 repeat column and row 9. A 1 x 1 image is one block of
    // its pixel.
    cImage32 small;
    randomImage(small, 10, 10);
    Rows extended(16, std::vector<Px>(16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) extended[size_t(y)][size_t(x)] = imagetest::at(small, std::min(x, 9), std::min(y, 9));
    cImage32 large;
    imagetest::fill(large, extended);
    for (int quality : {50, 100}) {
        SCOPED_TRACE(quality);
        const auto planes = planesOf(small, quality);
        EXPECT_EQ(planes[0].size(), 4u * 64);
        EXPECT_EQ(planes, planesOf(large, quality));
    }

    cImage32 one, block;
    uniformImage(one, 1, 1, {30, 140, 220, 255});
    uniformImage(block, 8, 8, {30, 140, 220, 255});
    EXPECT_EQ(planesOf(one, 100), planesOf(block, 100));
    const Bytes sof = *jpegtest::segment(encode(one, 100), 0xC0);
    EXPECT_EQ(Bytes(sof.begin() + 5, sof.begin() + 9), (Bytes{0, 1, 0, 1}));  // height 1, width 1
}

TEST_F(JpegWriter, TransparencyIsCompositedOverTheFillColour) {
    // Fully transparent over &H0000FF: uniformly red, coded as the opaque red image is.
    cImage32 clear, red;
    uniformImage(clear, 16, 16, {0, 0, 0, 0});
    uniformImage(red, 16, 16, {0, 0, 255, 255});
    EXPECT_EQ(planesOf(clear, 90, 0x0000FF), planesOf(red, 90));
    // Opaque rows and transparent rows mixed within the blocks come to the same.
    Rows stripes(16, std::vector<Px>(16, {0, 0, 255, 255}));
    for (size_t y = 0; y < 16; y += 3) stripes[y].assign(16, {0, 0, 0, 0});
    cImage32 striped;
    imagetest::fill(striped, stripes);
    EXPECT_EQ(planesOf(striped, 90, 0x0000FF), planesOf(red, 90));
    const auto decoded = picture::test::libjpegRgb(encode(clear, 90, 0x0000FF));
    ASSERT_TRUE(decoded);
    for (size_t i = 0; i < decoded->pixels.size(); i += 3) {
        ASSERT_GE(decoded->pixels[i], 254) << i / 3;
        ASSERT_LE(decoded->pixels[i + 1], 1) << i / 3;
        ASSERT_LE(decoded->pixels[i + 2], 1) << i / 3;
    }

    // (blue 0, green 0, red 128, alpha 128) over white: 0 + 255 x 127 \ 255 = 127 for blue
    // and green, 128 + 127 = 255 for red.
    cImage32 half, fetched;
    uniformImage(half, 1, 1, {0, 0, 128, 128});
    uniformImage(fetched, 1, 1, {127, 127, 255, 255});
    EXPECT_EQ(planesOf(half, 100, 0xFFFFFF), planesOf(fetched, 100));
    // The share of the fill colour is truncated: 128 x 127 \ 255 = 63 (63.75).
    cImage32 clearOverGrey, grey;
    uniformImage(clearOverGrey, 1, 1, {0, 0, 0, 128});
    uniformImage(grey, 1, 1, {63, 63, 63, 255});
    EXPECT_EQ(planesOf(clearOverGrey, 100, 0x808080), planesOf(grey, 100));
    // Over black nothing is added; a colour byte above its alpha is taken as it is.
    cImage32 above, same;
    uniformImage(above, 1, 1, {200, 0, 128, 128});
    uniformImage(same, 1, 1, {200, 0, 128, 255});
    EXPECT_EQ(planesOf(above, 100, 0x000000), planesOf(same, 100));
}

TEST_F(JpegWriter, CorpusPhotosKeepTheirDetail) {
    // PSNR in dB of libjpeg-turbo's decode against the photo, over R, G and B, at qualities
    // 50, 75, 90 and 100: floors a little below what the writer reaches (the painting's fine
    // brushwork costs it most at the lower qualities).
    const std::map<std::string, std::array<double, 4>> floors = {
        {"IMG0003.png", {39.7, 42.1, 44.6, 50.7}}, {"IMG0004.png", {38.3, 40.7, 43.4, 50.6}},
        {"IMG0015.png", {38.1, 40.4, 43.3, 50.7}}, {"IMG0022.png", {36.5, 38.9, 41.9, 50.6}},
        {"IMG0023.png", {39.9, 42.0, 44.3, 50.7}}, {"harvesters.png", {29.9, 32.1, 36.2, 50.9}}};
    const int qualities[] = {50, 75, 90, 100};
    for (const auto& [name, floor] : floors) {
        cImage32 image;
        photo(image, name);
        for (size_t q = 0; q < 4; ++q) {
            const int quality = qualities[q];
            SCOPED_TRACE(testing::Message() << name << " at quality " << quality);
            const auto decoded = picture::test::libjpegRgb(encode(image, quality));
            ASSERT_TRUE(decoded);
            ASSERT_EQ(decoded->width, image.Width());
            ASSERT_EQ(decoded->height, image.Height());
            double squares = 0;
            for (int y = 0; y < image.Height(); ++y)
                for (int x = 0; x < image.Width(); ++x) {
                    const Px p = imagetest::at(image, x, y);
                    const uint8_t* d = &decoded->pixels[(size_t(y) * size_t(image.Width()) + size_t(x)) * 3];
                    for (const auto& [got, want] : {std::pair{d[0], p.r}, {d[1], p.g}, {d[2], p.b}})
                        squares += double(got - want) * double(got - want);
                }
            const double mse = squares / (3.0 * image.Width() * image.Height());
            const double psnr = 10 * std::log10(255.0 * 255.0 / mse);
            RecordProperty(name + "_q" + std::to_string(quality), std::to_string(psnr));
            EXPECT_GE(psnr, floor[q]);
        }
    }
}

TEST_F(JpegWriter, FailedSavesLeaveNoFileAndKeepAnExistingOne) {
    struct Case {
        const char* name;
        std::function<void(cImage32&)> make;
        int quality = 75;
        int32_t fill = 0;
        bool noHost = false;
    };
    const Case cases[] = {
        {"quality 0", [&](cImage32& im) { randomImage(im, 9, 9); }, 0},
        {"a width of 65536", [](cImage32& im) { uniformImage(im, 65536, 1, {1, 2, 3, 255}); }},
        {"a height of 65536", [](cImage32& im) { uniformImage(im, 1, 65536, {1, 2, 3, 255}); }},
        // The frame header holds these, but libjpeg-turbo, which reads JPEG here, does not.
        {"a width of 65501", [](cImage32& im) { uniformImage(im, 65501, 1, {1, 2, 3, 255}); }},
        {"a height of 65501", [](cImage32& im) { uniformImage(im, 1, 65501, {1, 2, 3, 255}); }},
        {"a width of 65535", [](cImage32& im) { uniformImage(im, 65535, 1, {1, 2, 3, 255}); }},
        // 200 + 255 x 127 \ 255 = 327 does not fit a byte.
        {"a colour above its alpha over white", [](cImage32& im) { uniformImage(im, 3, 3, {200, 0, 0, 128}); }, 75, 0xFFFFFF},
        {"no image", [](cImage32&) {}},
        {"no host", [](cImage32&) {}, 75, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        c.make(image);
        const cImage32* host = c.noHost ? nullptr : &image;
        writertest::expectFailedSaves(folder, "jpg", [&](const std::string& name, Bytes& stream) {
            return cJPGWriter().SaveAsJPG(name, stream, host, uint8_t(c.quality), c.fill);
        });
    }
}

TEST_F(JpegWriter, TheLargestSizesAreWrittenAndReadBack) {
    // 65500, the largest side libjpeg-turbo decodes.
    for (const auto& [width, height] : {std::pair{65500, 1}, {1, 65500}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        cImage32 image;
        uniformImage(image, width, height, {10, 20, 30, 255});
        const std::string path = folder.file("largest.jpg");
        Bytes unused;
        ASSERT_TRUE(cJPGWriter().SaveAsJPG(path, unused, &image, 75, 0));
        const Bytes jpeg = picture::test::readBytes(path);
        EXPECT_EQ(jpeg, encode(image, 75));
        const auto frame = jpegtest::segment(jpeg, 0xC0);
        ASSERT_TRUE(frame);
        const Bytes& sof = *frame;
        EXPECT_EQ(Bytes(sof.begin() + 5, sof.begin() + 9),
                  (Bytes{uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width)}));
        const auto decoded = picture::test::libjpegRgb(jpeg);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, width);
        EXPECT_EQ(decoded->height, height);
        for (size_t i = 0; i < decoded->pixels.size(); ++i)
            ASSERT_NEAR(decoded->pixels[i], (std::array{30, 20, 10})[i % 3], 2) << "byte " << i << ", red first";
    }
}

TEST_F(JpegWriter, UniformGreyHasOneSymbolTablesAndOneScanByte) {
    cImage32 image;
    uniformImage(image, 8, 8, {128, 128, 128, 255});
    const Bytes jpeg = encode(image, 75);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto dht = jpegtest::segment(jpeg, 0xC4, i);
        ASSERT_TRUE(dht);
        Bytes expected = {0xFF, 0xC4, 0x00, 20, uint8_t((i % 2) << 4 | i / 2), 0x01};
        expected.resize(expected.size() + 15, 0x00);
        expected.push_back(0x00);  // HUFFVAL: the symbol 0
        EXPECT_EQ(*dht, expected);
    }
    EXPECT_EQ(jpegtest::scanData(jpeg), Bytes{0x03});
}

}  // namespace
