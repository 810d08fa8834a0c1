// cBMPparser writing, checked by reading the files back: ImageMagick must see the
// pixels the host holds, and our own reader must give the host back. (The exact bytes of
// the layout are checked with the image class's save members, tests/image.)

#include <random>
#include <tuple>

#include "bmp_support.h"
#include "codecs/cBMPparser.h"
#include "support/temp_folder.h"

using namespace bmptest;
using imagetest::at;
using imagetest::put;

namespace {

using Rows = std::vector<std::vector<Px>>;

class BmpWriter : public imagetest::ImageTest {
protected:
    codecs::cBMPparser writer;
    testsupport::TempFolder folder;
    std::mt19937 random{20240611};

    // Premultiplied pixels of random colour; opaque, or with alpha 0, 255 or anything.
    void randomImage(cImage32& image, int width, int height, bool withAlpha) {
        imagetest::randomImage(image, width, height, withAlpha, random);
    }

    std::string save(const cImage32& image, bool keep32) {
        const std::string path = folder.file("out.bmp");
        std::vector<uint8_t> unused;
        EXPECT_TRUE(writer.SaveAsBMP(image, path, unused, keep32, 0));
        return path;
    }
};

TEST_F(BmpWriter, ImageMagickReadsTheOpaqueRowsOfEveryWidth) {
    // Widths 1 to 8 run through every amount of row padding of 24-bpp rows.
    for (int width = 1; width <= 8; ++width) {
        SCOPED_TRACE(width);
        cImage32 image;
        randomImage(image, width, 3, false);
        const auto seen = picture::test::magickRgba(save(image, false));
        ASSERT_TRUE(seen);
        ASSERT_EQ(seen->width, width);
        ASSERT_EQ(seen->height, 3);
        EXPECT_EQ(premultiplied(*seen), rowsOf(image));
    }
}

TEST_F(BmpWriter, ImageMagickReads32BitRowsAsTheyAreHeld) {
    // A 40-byte header's fourth byte is alpha to ImageMagick, which takes the colours as
    // straight: it must see the premultiplied bytes unchanged.
    cImage32 image;
    randomImage(image, 29, 11, true);
    const auto seen = picture::test::magickRgba(save(image, true));
    ASSERT_TRUE(seen);
    ASSERT_EQ(seen->width, 29);
    ASSERT_EQ(seen->height, 11);
    size_t differing = 0;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 29; ++x) {
            const uint8_t* p = seen->at(x, y);
            differing += at(image, x, y) != Px{p[2], p[1], p[0], p[3]};
        }
    EXPECT_EQ(differing, 0u);
}

TEST_F(BmpWriter, OurReaderGivesTheImageBack) {
    // 700 x 1000 takes several of the writer's bands of rows.
    for (auto [width, height, withAlpha] :
         {std::tuple{31, 17, false}, std::tuple{31, 17, true}, std::tuple{700, 1000, false}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                     (withAlpha ? ", 32 bpp premultiplied" : ", 24 bpp"));
        cImage32 image, back;
        randomImage(image, width, height, withAlpha);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(writer.SaveAsBMP(image, "", bytes, true, 0));
        ASSERT_TRUE(writer.LoadStream(bytes, back, 0, int64_t(bytes.size())));
        EXPECT_EQ(imagetest::memoryOf(back), imagetest::memoryOf(image));
        EXPECT_EQ(back.ImageType(), withAlpha ? cImage32::ImageTypeBitmapPARGB : cImage32::ImageTypeBitmap);
        EXPECT_EQ(back.Alpha(), withAlpha ? cImage32::AlphaPartial : cImage32::AlphaOpaque);
    }
}

TEST_F(BmpWriter, AFileThatCannotBeOpenedGivesFalse) {
    cImage32 image;
    randomImage(image, 2, 2, false);
    std::vector<uint8_t> unused;
    EXPECT_FALSE(writer.SaveAsBMP(image, folder.file("no such folder/out.bmp"), unused, false, 0));
    EXPECT_FALSE(writer.SaveAsBMP(image, folder.path(), unused, false, 0)) << "a folder";
}

}  // namespace
