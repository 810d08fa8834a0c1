// The PNG writer's scan-line filters: the filter type of every row as the zlib stream
// holds it, and libpng's decode of every choice in every colour type.

#include <random>

#include "codecs/PngScanlineFilters.h"
#include "png_writer_support.h"

using codecs::cPNGwriter;
using imagetest::Px;
using pngtest::Bytes;
using pngtest::Rows;
using namespace pngwritertest;

namespace {

struct Written {
    int colourType = 0;
    std::vector<int> filters;  // per row, top first
};

// Saves with the filter choice given (none: the default) and checks libpng's decode.
Written save(const cImage32& image, std::optional<int32_t> choice = std::nullopt) {
    cPNGwriter writer;
    if (choice) {
        EXPECT_TRUE(writer.SetPngProperty(codecs::PngPropertyFilter, *choice));
    }
    const Bytes png = savePng(writer, image);
    const pngtest::Inspected got = inspect(png);
    std::string first;
    EXPECT_EQ(pngtest::differences(got.straight, pngtest::straightRowsOf(image), &first), 0u) << first;
    const size_t bpp = got.colourType == 6 ? 4 : got.colourType == 2 ? 3 : 1;
    return {got.colourType, pngtest::filterTypes(png, bpp * got.width, got.height)};
}

// One image of each colour type, with varied content.
std::vector<std::pair<int, Rows>> imagesOfEachType() {
    std::mt19937 random(11);
    const auto image = [&](int width, int height, auto pixel) {
        Rows rows(static_cast<size_t>(height), std::vector<Px>(static_cast<size_t>(width)));
        for (auto& row : rows)
            for (Px& p : row) p = pixel();
        return rows;
    };
    const auto grey = [&] {
        const uint8_t l = uint8_t(random() % 8 * 30);
        return Px{l, l, l, 255};
    };
    const auto few = [&] { return Px{uint8_t(random() % 3 * 100), 50, uint8_t(random() % 4 * 60), 255}; };
    const auto any = [&] { return Px{uint8_t(random()), uint8_t(random()), uint8_t(random()), 255}; };
    const auto translucent = [&] {
        const uint8_t a = uint8_t(random());
        return Px{uint8_t(random() % (a + 1)), uint8_t(random() % (a + 1)), uint8_t(random() % (a + 1)), a};
    };
    return {{0, image(13, 7, grey)}, {3, image(9, 6, few)}, {2, image(21, 15, any)}, {6, image(17, 16, translucent)}};
}

TEST(PngFilters, DefaultIsNoneForPalettesAndPaethForTruecolour) {
    for (const auto& [type, rows] : imagesOfEachType()) {
        SCOPED_TRACE(type);
        cImage32 image;
        makeImage(image, rows, type == 6 ? cImage32::AlphaPartial : cImage32::AlphaOpaque);
        const int expected = type == 0 || type == 3 ? 0 : 4;
        for (std::optional<int32_t> choice : {std::optional<int32_t>(), std::optional<int32_t>(0),
                                             std::optional<int32_t>(7), std::optional<int32_t>(-1)}) {
            const Written w = save(image, choice);
            EXPECT_EQ(w.colourType, type);
            EXPECT_EQ(w.filters, std::vector<int>(rows.size(), expected));
        }
    }
}

TEST(PngFilters, EveryChoiceRoundTripsInEveryColourType) {
    for (const auto& [type, rows] : imagesOfEachType()) {
        cImage32 image;
        makeImage(image, rows, type == 6 ? cImage32::AlphaPartial : cImage32::AlphaOpaque);
        for (int32_t choice = 1; choice <= 6; ++choice) {
            SCOPED_TRACE(testing::Message() << "colour type " << type << ", choice " << choice);
            const Written w = save(image, choice);
            EXPECT_EQ(w.colourType, type);
            if (choice < 6) {
                EXPECT_EQ(w.filters, std::vector<int>(rows.size(), choice - 1));
            }
        }
    }
}

TEST(PngFilters, AdaptiveChoiceScoresRawDifferences) {
    cImage32 image;
    std::mt19937 random(5);
    // A row of bytes 1..254 repeated: Up and Paeth both score 0, and Paeth, the later,
    // wins. The first row has only None and Sub.
    std::vector<Px> row(300);  // more than 256 colours: truecolour
    for (Px& p : row) p = {uint8_t(1 + random() % 254), uint8_t(1 + random() % 254), uint8_t(1 + random() % 254), 255};
    makeImage(image, Rows(4, row), cImage32::AlphaOpaque);
    Written w = save(image, codecs::PngFilterChoiceAdaptive);
    EXPECT_EQ(w.colourType, 2);
    ASSERT_EQ(w.filters.size(), 4u);
    EXPECT_LE(w.filters[0], 1);
    EXPECT_EQ(w.filters, (std::vector<int>{w.filters[0], 4, 4, 4}));

    // One row of rising greys: Sub's differences beat None's values.
    std::vector<Px> ramp;
    for (int x = 0; x < 100; ++x) ramp.push_back({uint8_t(x + 100), uint8_t(x + 100), uint8_t(x + 100), 255});
    makeImage(image, {ramp}, cImage32::AlphaOpaque);
    EXPECT_EQ(save(image, codecs::PngFilterChoiceAdaptive).filters, std::vector<int>{1});
    // A black row: None and Sub both score 0, and Sub, the later, wins.
    makeImage(image, {std::vector<Px>(10, Px{0, 0, 0, 255}), std::vector<Px>(10, Px{9, 9, 9, 255})},
              cImage32::AlphaOpaque);
    EXPECT_EQ(save(image, codecs::PngFilterChoiceAdaptive).filters.at(0), 1);

    // One pixel wide: Sub adds its only byte without a check, so it completes even where
    // None (255 > 1 x 254) is dropped.
    makeImage(image, {{{255, 255, 255, 255}}, {{255, 255, 255, 255}}}, cImage32::AlphaOpaque);
    EXPECT_EQ(save(image, codecs::PngFilterChoiceAdaptive).filters, (std::vector<int>{1, 4}));
}

TEST(PngFilters, PaethPredictorBreaksTiesTowardsAThenB) {
    const struct {
        int16_t a, b, c, predictor;
    } rows[] = {
        {10, 10, 10, 10}, {0, 255, 0, 255}, {255, 0, 0, 255}, {100, 50, 60, 100},
        {3, 7, 5, 5},     {7, 3, 5, 5},     {50, 60, 55, 55},
    };
    for (const auto& r : rows)
        EXPECT_EQ(codecs::PngWriterPaethPredictor(r.a, r.b, r.c), r.predictor) << r.a << " " << r.b << " " << r.c;
}

}  // namespace
