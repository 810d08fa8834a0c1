// Pictures become the images the windows show: indexed bitmaps (GIFs, palette BMPs) are
// read straight from their rows, and must show exactly what drawing them would show; a
// picture shown stretched is, pixel for pixel, its own-size image drawn smoothly by
// QPainter at that size, though big bitmaps are scaled a band of rows at a time.

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QPainter>
#include <gtest/gtest.h>

#include "platform/gdi/dib_surface.h"
#include "platform/picture/metafile_builder.h"
#include "platform/picture/picture.h"
#include "platform/picture/record_types.h"
#include "platform/ui/picture_conversion.h"
#include "support/noise_pictures.h"
#include "support/test_environment.h"

namespace {

picture::Picture loadCorpus(const std::string& relative) {
    std::ifstream in(std::string(testsupport::corporaFolder()) + "/" + relative, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return picture::LoadPictureFromBytes(bytes);
}

// The picture drawn at its own size into 32-bpp rows filled with `background`.
std::vector<uint32_t> drawn(const picture::Picture& p, uint32_t background) {
    const gdi::SIZE size = p.pixelSize();
    gdi::DibSurface surface(size.cx, size.cy, 32);
    auto* pixels = reinterpret_cast<uint32_t*>(surface.bits());
    std::fill(pixels, pixels + size_t(size.cx) * size_t(size.cy), background);
    EXPECT_TRUE(p.Render(surface.dc(), 0, 0, size.cx, size.cy, 0, p.Height(), p.Width(), -p.Height()));
    return std::vector<uint32_t>(pixels, pixels + size_t(size.cx) * size_t(size.cy));
}

TEST(PictureConversion, IndexedPicturesShowWhatDrawingThemShows) {
    const char* files[] = {
        "gif/valid/transparent.gif",  "gif/valid/first_frame_transparency.gif", "gif/valid/hippopotamus.interlaced.gif",
        "gif/valid/bricks-dither.gif", "bmpsuite/g/pal1.bmp",   "bmpsuite/g/pal1wb.bmp",
        "bmpsuite/g/pal4.bmp",         "bmpsuite/g/pal4rle.bmp", "bmpsuite/g/pal8gs.bmp",
        "bmpsuite/g/pal8-0.bmp",       "bmpsuite/g/pal8rle.bmp", "bmpsuite/g/pal8topdown.bmp"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const picture::Picture p = loadCorpus(file);
        const std::vector<uint32_t> overBlack = drawn(p, 0xFF000000u), overWhite = drawn(p, 0xFFFFFFFFu);
        const QImage image = ui::ImageFromPicture(p);
        ASSERT_EQ(image.width(), p.pixelSize().cx);
        ASSERT_EQ(image.height(), p.pixelSize().cy);
        size_t transparent = 0, wrong = 0;
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const size_t at = size_t(y) * size_t(image.width()) + size_t(x);
                // Drawing leaves a transparent pixel as it found it.
                const bool clear = overBlack[at] != overWhite[at];
                const uint32_t expected = clear ? 0 : overBlack[at] | 0xFF000000u;
                transparent += clear;
                wrong += row[x] != expected;
            }
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_EQ(image.hasAlphaChannel(), p.transparentIndex().has_value());
        if (std::string(file).find("transparen") != std::string::npos) EXPECT_GT(transparent, 0u);
    }
}

// The reference: the picture's own-size image drawn smoothly into `size` by QPainter.
QImage drawnAt(const picture::Picture& p, QSize size) {
    const QImage own = ui::ImageFromPicture(p);
    QImage out(size, own.format());
    out.fill(0);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), own);
    return out;
}

TEST(PictureConversion, StretchedPicturesAreTheirImageDrawnAtTheSizeShown) {
    struct Case {
        const char* name;
        picture::Picture picture;
    };
    const Case pictures[] = {
        // 9 MB: several bands at every size below.
        {"24 bpp 1536 x 2000 noise", picture::LoadPictureFromBytes(testsupport::noiseBmp24(1536, 2000, false, 1))},
        {"24 bpp 4000 x 300 noise", picture::LoadPictureFromBytes(testsupport::noiseBmp24(4000, 300, false, 3))},
        {"24 bpp 701 x 333 top-down noise", picture::LoadPictureFromBytes(testsupport::noiseBmp24(701, 333, true, 2))},
        {"32 bpp", loadCorpus("bmpsuite/g/rgb32.bmp")},
        {"8 bpp", loadCorpus("bmpsuite/g/pal8-0.bmp")},
        {"4 bpp", loadCorpus("bmpsuite/g/pal4.bmp")},
        {"transparent GIF", loadCorpus("gif/valid/transparent.gif")},
        {"16 bpp, drawn whole", loadCorpus("bmpsuite/g/rgb16-565.bmp")},
        {"icon, drawn whole", loadCorpus("ico/valid/hopper.ico")},
    };
    const QSize sizes[] = {{1, 1}, {17, 9}, {127, 64}, {360, 270}, {509, 1001}, {1024, 3}};
    for (const Case& c : pictures) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.picture);
        for (const QSize size : sizes) {
            SCOPED_TRACE(QString("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
            const QImage shown = ui::ImageFromPicture(c.picture, size), expected = drawnAt(c.picture, size);
            ASSERT_EQ(shown.size(), size);
            ASSERT_EQ(shown.format(), expected.format());
            int wrong = 0;
            for (int y = 0; y < size.height(); ++y)
                wrong += std::memcmp(shown.constScanLine(y), expected.constScanLine(y), size_t(size.width()) * 4) != 0;
            EXPECT_EQ(wrong, 0) << "rows that differ";
        }
    }
}

}  // namespace

namespace {

TEST(PictureConversion, MetafilesArePlayedAtTheSizeAsked) {
    // The red circle: 96 x 96 pixels, transparent where it draws nothing.
    const picture::Picture circle =
        picture::LoadPicture(std::string(testsupport::fixturesFolder()) + "/emf/circle.emf");
    const QImage own = ui::ImageFromPicture(circle);
    ASSERT_EQ(own.size(), QSize(96, 96));
    EXPECT_EQ(own.pixel(0, 0), 0u);
    EXPECT_EQ(own.pixel(48, 48), qRgb(255, 0, 0));

    // Three times as large and still crisp: every pixel is the circle or transparent, and
    // the circle covers its share of the square.
    const QImage large = ui::ImageFromPicture(circle, QSize(288, 288));
    ASSERT_EQ(large.size(), QSize(288, 288));
    int red = 0, other = 0;
    for (int y = 0; y < 288; ++y)
        for (int x = 0; x < 288; ++x) {
            const QRgb p = large.pixel(x, y);
            red += p == qRgb(255, 0, 0);
            other += p != qRgb(255, 0, 0) && p != 0;
        }
    EXPECT_EQ(other, 0);
    EXPECT_NEAR(red, 3.14159 * 144 * 144, 0.01 * 288 * 288);
}

}  // namespace

namespace {

// Orange text on a transparent ground, beside a solid blue square, as an EMF.
picture::Picture textMetafile() {
    namespace emf = picture::detail::emf;
    picture::testing::EmfBuilder b(120, 40, 2);
    b.record(emf::kSetBkMode, {1});                                // transparent
    b.record(emf::kSetTextColor, {int32_t(gdi::RGB(255, 128, 0))});
    picture::testing::emfFont(b, -24);
    picture::testing::emfText(b, 4, 4, u"Quill");
    picture::testing::emfSolidFill(b, gdi::RGB(0, 0, 255));
    picture::testing::emfRectangle(b, 90, 5, 116, 31);
    return picture::LoadPictureFromBytes(b.bytes());
}

TEST(PictureConversion, MetafileTextEdgesBlendInsteadOfCarryingTheWhiteTheyWereDrawnOver) {
    const picture::Picture drawing = textMetafile();
    ASSERT_TRUE(drawing);
    for (const QSize size : {QSize(), QSize(240, 80)}) {
        SCOPED_TRACE(size.width());
        const QImage shown = size.isValid() ? ui::ImageFromPicture(drawing, size) : ui::ImageFromPicture(drawing);
        ASSERT_FALSE(shown.isNull());
        const QImage straight = shown.convertToFormat(QImage::Format_ARGB32);
        const int scale = size.isValid() ? 2 : 1;
        EXPECT_EQ(shown.pixel(0, 0), 0u) << "untouched: transparent";
        EXPECT_EQ(shown.pixel(102 * scale, 18 * scale), qRgb(0, 0, 255)) << "covered whole: opaque";

        int edges = 0, full = 0, wrongColour = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < 85 * scale; ++x) {
                const QRgb p = straight.pixel(x, y);
                const int alpha = qAlpha(p);
                if (alpha == 0) continue;
                (alpha == 255 ? full : edges) += 1;
                // Each text pixel is the text's colour at its own coverage; the colour of a
                // faint one is known only roughly.
                const int slack = 1 + 255 / alpha;
                wrongColour += std::abs(qRed(p) - 255) > slack || std::abs(qGreen(p) - 128) > slack ||
                               std::abs(qBlue(p) - 0) > slack;
            }
        EXPECT_GT(edges, 20) << "antialiased edges are partly transparent";
        EXPECT_GT(full, 20);
        EXPECT_EQ(wrongColour, 0) << "no edge keeps the white it was drawn over";
    }
}

}  // namespace
