#include <gtest/gtest.h>

#include "catalogue/catalogue_schema.h"
#include "catalogue/picture_fitting.h"

namespace {

using catalogue::FitPictureIntoPane;

TEST(PictureFitting, ThresholdsScaleToThePaneAndCentre) {
    const struct {
        double w, h;
        catalogue::FittedPicture expected;
    } cases[] = {
        {5000, 4000, {205, 77.5, 5000, 4000}},          // below both thresholds: natural size
        {6000, 3000, {0, 725, 5410, 2705}},             // too wide: to the pane's width
        {3000, 6000, {1666.25, 0, 2077.5, 4155}},       // width first (10820 high), then height
        {5414, 4154, {-2, 0.5, 5414, 4154}},            // just below: larger than the pane, kept
        {5415, 100, {0, 2027.5462, 5410, 99.907663}},   // at the threshold: scaled
        {100, 4155, {2655, 0, 100, 4155}},              // height threshold, width first keeps it
    };
    for (const auto& c : cases) {
        const auto f = FitPictureIntoPane(c.w, c.h, 5410, 4155);
        EXPECT_NEAR(f.left, c.expected.left, 1e-3) << c.w << "x" << c.h;
        EXPECT_NEAR(f.top, c.expected.top, 1e-3) << c.w << "x" << c.h;
        EXPECT_NEAR(f.width, c.expected.width, 1e-3) << c.w << "x" << c.h;
        EXPECT_NEAR(f.height, c.expected.height, 1e-3) << c.w << "x" << c.h;
    }
}

TEST(PictureFitting, StripAndSizeTexts) {
    EXPECT_EQ(catalogue::PositionText(3, 17), "3 / 17");
    const struct { int64_t bytes; const char* text; } sizes[] = {
        {0, "0 bytes"}, {1, "1 byte"}, {500, "500 bytes"}, {999, "999 bytes"}, {1000, "1 K"},
        {1500, "2 K"},  {2500, "2 K"},  {1234567, "1,235 K"}};
    for (const auto& c : sizes) EXPECT_EQ(catalogue::SizeText(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(catalogue::PictureSizeText(9600, 7200, 15, 15), " 640 x 480 ");
    EXPECT_EQ(catalogue::PictureSizeText(9607, 7200, 15, 15), " 640.4667 x 480 ");
}

TEST(PictureFitting, ExtensionLists) {
    const struct { const char* extent; bool bound, decoded; } cases[] = {
        {"JPG", true, false}, {"PEG", true, false}, {"IFF", true, true}, {"PNG", true, true},
        {"TGA", true, true}, {"TIF", true, true}, {"PCX", false, true}, {"BM", false, false},
        {"", false, false}, {"BMP", true, false}, {"X.BMP", true, false}, {"MP", false, false},
        {"bmp ", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(catalogue::IsBoundPictureExtension(c.extent), c.bound) << c.extent;
        EXPECT_EQ(catalogue::IsDecodedPictureExtension(c.extent), c.decoded) << c.extent;
    }
}

TEST(PictureFitting, FourLetterExtensionsShowAsTheirFormats) {
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0}, intel = {'I', 'I', '*', 0},
                               motorola = {'M', 'M', 0, '*'}, mpeg = {0, 0, 1, 0xBA}, aiff = {'F', 'O', 'R', 'M'};
    const struct { const char* extent; const std::vector<uint8_t>* bytes; const char* shown; } cases[] = {
        {"PEG", nullptr, "jpg"},  {"IFF", nullptr, "tif"},   {"JPG", nullptr, "jpg"}, {"X.PEG", nullptr, "jpg"},
        {"PNG", nullptr, "png"},  {"", nullptr, ""},         {"PEG", &jpeg, "jpg"},   {"IFF", &intel, "tif"},
        {"IFF", &motorola, "tif"}, {"PEG", &mpeg, "peg"},    {"IFF", &aiff, "iff"},   {"IFF", &jpeg, "iff"},
        {"PNG", &jpeg, "png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extent);
        const QString shown = c.bytes ? catalogue::ShowingExtension(c.extent, *c.bytes)
                                      : catalogue::ShowingExtension(c.extent);
        EXPECT_EQ(shown, c.shown) << (c.bytes ? "with bytes" : "letters only");
    }
}

TEST(PictureFitting, TypesAreShownAsStoredButJpegAndTiffByName) {
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0}, tiff = {'M', 'M', 0, '*'}, mpeg = {0, 0, 1, 0xBA},
                               none;
    const struct { const char* extent; const std::vector<uint8_t>& head; const char* shown; } cases[] = {
        {"PEG", jpeg, "JPEG"}, {"IFF", tiff, "TIFF"}, {"PEG", mpeg, "PEG"}, {"IFF", jpeg, "IFF"},
        {"JPG", jpeg, "JPG"},  {"PNG", jpeg, "PNG"},  {"", jpeg, ""},       {"PEG", none, "PEG"},
    };
    for (const auto& c : cases) EXPECT_EQ(catalogue::TypeText(c.extent, c.head), c.shown) << c.extent;
}

TEST(CatalogueStatements, QueriesAndCriteria) {
    EXPECT_EQ(catalogue::FullPictureQuery(false, false, ""), "Select * from Pictures");
    EXPECT_EQ(catalogue::FullPictureQuery(true, true, "Cats"),
              "Select * from Pictures where Category='Cats' ORDER BY PhotoDescription");
    EXPECT_EQ(catalogue::ListPictureQuery(true, false, ""),
              "Select ID,PhotoDescription,Date,Category from Pictures ORDER BY PhotoDescription");
    EXPECT_EQ(catalogue::ListPictureQuery(false, true, "O'Brien"),
              "Select ID,PhotoDescription,Date,Category from Pictures where Category='O'Brien'");
    EXPECT_EQ(catalogue::NameContainsCriterion("cat"), "PhotoDescription like '*cat*'");
    EXPECT_EQ(catalogue::IdCriterion("12"), "ID=12");
    EXPECT_EQ(catalogue::PhotoExtentOf("photo.jpeg"), "PEG");
    EXPECT_EQ(catalogue::PhotoExtentOf("a.b"), "A.B");
    EXPECT_EQ(catalogue::PhotoExtentOf("picture.x.bmp"), "BMP");
}

}  // namespace
