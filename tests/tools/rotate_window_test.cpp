// The rotate window: the rotation routine against the backward mapping computed here in
// canvas coordinates, exact quarter turns against QImage's own, and the window's
// slider, number box, flips, canvas steps, Reload, clipboard, preview and hand-off.

#include <cmath>
#include <memory>

#include <QImage>
#include <QTransform>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "platform/gdi/dib_surface.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/testing.h"
#include "support/program_folder_test.h"
#include "tools/save_dialog.h"
#include "tools/rotate_window.h"
#include "tools/modRotate.h"

namespace {

const QRgb kBackground = qRgb(50, 50, 50);  // the main window's back colour

// Every pixel of a small pattern differs from its neighbours and from the background, and
// no two rows or columns are alike, so a misplaced pixel shows.
QImage pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(60 + (x * 13) % 190, 60 + (y * 17) % 190, 60 + (x * 5 + y * 11) % 190));
    return image;
}

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

// The canvas after the turn, computed independently in top-down canvas coordinates: the
// square of the diagonal plus 2 around the centre, whose rows the routine counts from
// the bottom; each square pixel maps back into the source (rows also from the bottom)
// and takes the nearest pixel there, halves to even.
QImage turnedByBackwardMapping(QImage canvas, const QImage& source, int cx, int cy, int angle) {
    const int w = source.width(), h = source.height();
    const int s = int(std::nearbyint(std::sqrt(double(w * w + h * h)) + 2));
    const int x0 = int(std::nearbyint(cx - s / 2.0)), y0 = int(std::nearbyint(cy - s / 2.0));
    const double t = angle * (3.14159265358979 / 180);
    for (int Y = std::max(0, y0); Y < std::min(canvas.height(), y0 + s); ++Y)
        for (int X = std::max(0, x0); X < std::min(canvas.width(), x0 + s); ++X) {
            const double dx = (X - x0) - s / 2.0;
            const double dy = (s - 1 - (Y - y0)) - s / 2.0;
            const double x = dx * std::cos(t) + w / 2.0 - dy * std::sin(t);
            const double y = dx * std::sin(t) + h / 2.0 + dy * std::cos(t);
            const int sx = int(std::nearbyint(x + 0.5)), up = int(std::nearbyint(y + 0.5));
            if (sx >= 0 && sx < w && up >= 0 && up < h) canvas.setPixel(X, Y, source.pixel(sx, h - 1 - up));
        }
    return canvas;
}

// ---- the routine over bare gdi surfaces ----

std::unique_ptr<gdi::DibSurface> surfaceOf(const QImage& image, int bpp, bool bottomUp) {
    auto surface = std::make_unique<gdi::DibSurface>(image.width(), image.height(), bpp, bottomUp);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            uint8_t* p = surface->row(y) + x * (bpp / 8);
            const QRgb c = image.pixel(x, y);
            p[0] = uint8_t(qBlue(c)), p[1] = uint8_t(qGreen(c)), p[2] = uint8_t(qRed(c));
        }
    return surface;
}

QImage imageOf(const gdi::DibSurface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const uint8_t* p = surface.row(y) + x * 4;
            image.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    return image;
}

// The source as a loaded BMP is (24 bpp, bottom-up) turned onto a 32-bpp canvas.
QImage rotate(const QImage& source, QImage canvas, int cx, int cy, int angle) {
    auto from = surfaceOf(source, 24, true);
    auto onto = surfaceOf(canvas, 32, false);
    modRotate::RotateBitmapAroundPoint(onto->dc(), cx, cy, from->dc(), from->bitmap(), angle);
    return imageOf(*onto);
}

QRect coveredArea(const QImage& canvas) {
    QRect area;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.pixel(x, y) != kBackground) area |= QRect(x, y, 1, 1);
    return area;
}

TEST(RotateBitmap, FollowsTheBackwardMappingAtEveryAngle) {
    // Sources with the diagonal square's side of the other parity (6 x 4, s = 9), of the
    // same parity (8 x 6, s = 12) and odd sides (7 x 3, s = 10); canvases larger than the
    // square and smaller, so that the square is clipped.
    const struct { int w, h, canvasW, canvasH, cx, cy; } cases[] = {
        {6, 4, 16, 14, 8, 7}, {8, 6, 8, 6, 4, 3}, {7, 3, 5, 9, 2, 5}, {8, 6, 20, 11, 13, 4}};
    const int angles[] = {0, 1, 30, 45, 90, 137, 180, 225, 270, 333, 359, 360};
    for (const auto& c : cases)
        for (int angle : angles) {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << angle);
            const QImage source = pattern(c.w, c.h), canvas = blank(c.canvasW, c.canvasH);
            EXPECT_EQ(rotate(source, canvas, c.cx, c.cy, angle),
                      turnedByBackwardMapping(canvas, source, c.cx, c.cy, angle));
        }
}

TEST(RotateBitmap, QuarterTurnsAreExactTurnsClockwise) {
    // 6 x 4 with s = 9: no whole-number ties, so every source pixel lands exactly once.
    const QImage source = pattern(6, 4);
    for (int angle : {0, 90, 180, 270}) {
        SCOPED_TRACE(angle);
        const QImage turned = rotate(source, blank(20, 20), 10, 11, angle);
        const QImage expected = source.transformed(QTransform().rotate(angle));  // clockwise on screen
        const QRect area = coveredArea(turned);
        ASSERT_EQ(area.size(), expected.size());
        EXPECT_EQ(turned.copy(area), expected);
        // Centred on (10, 11) up to the square's corner, rounded halves to even, and its
        // rows, which run from the bottom: within two pixels.
        EXPECT_LE(std::abs(area.x() + area.width() / 2.0 - 10), 2.0);
        EXPECT_LE(std::abs(area.y() + area.height() / 2.0 - 11), 2.0);
    }
}

TEST(RotateBitmap, AtZeroDegreesSidesOfTheSquaresParityRepeatEvenPixels) {
    // 8 x 6 has s = 12: x is whole in every column, x + 0.5 rounds to even, so source
    // columns 0, 2, 4, 6 show twice, odd ones never, and the last canvas column keeps
    // the background; rows likewise (counted from the bottom, so the top row is empty).
    const QImage source = pattern(8, 6);
    const QImage turned = rotate(source, blank(8, 6), 4, 3, 0);
    const int columns[8] = {0, 2, 2, 4, 4, 6, 6, -1};
    const int rows[6] = {-1, 1, 1, 3, 3, 5};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const QRgb expected = columns[x] < 0 || rows[y] < 0 ? kBackground : source.pixel(columns[x], rows[y]);
            EXPECT_EQ(turned.pixel(x, y), expected) << x << "," << y;
        }
    // 360 degrees: the angle constant leaves a tiny negative sine that tips those ties.
    EXPECT_NE(rotate(source, blank(8, 6), 4, 3, 360), turned);
}

TEST(RotateBitmap, DrawsNothingWithoutABitmap) {
    const QImage canvas = blank(12, 12);
    auto onto = surfaceOf(canvas, 32, false);
    auto colour = surfaceOf(pattern(4, 4), 24, false);
    gdi::DibSurface mask(4, 4, 1);
    gdi::ICONINFO info{gdi::TRUE, 0, 0, mask.bitmap(), colour->bitmap()};
    const gdi::HICON icon = gdi::CreateIconIndirect(&info);
    ASSERT_NE(icon, 0u);
    for (uint32_t handle : {0u, icon}) {
        modRotate::RotateBitmapAroundPoint(onto->dc(), 6, 6, colour->dc(), handle, 30);
        EXPECT_EQ(imageOf(*onto), canvas);
    }
    gdi::DestroyIcon(icon);
}

// ---- the window ----

QImage pixelsOf(const picture::Picture& picture) {
    return ui::ImageFromPicture(picture).convertToFormat(QImage::Format_RGB32);
}

picture::Picture iconOf(const QImage& image) {
    auto colour = surfaceOf(image, 24, false);
    gdi::DibSurface mask(image.width(), image.height(), 1);  // all clear: opaque
    gdi::ICONINFO info{gdi::TRUE, 0, 0, mask.bitmap(), colour->bitmap()};
    return picture::CreatePicture(picture::kPicTypeIcon, gdi::CreateIconIndirect(&info), true);
}

class RotateWindow : public testsupport::ProgramFolderTest {
protected:
    frmRotate& open(const picture::Picture& current) {
        makeCatalogueWithRows(0);
        EXPECT_FALSE(runMain());
        ui::forms<Form1>().PictureCatalogue->setPicture(current);
        frmRotate& w = ui::forms<frmRotate>();
        w.Show();
        return w;
    }
    frmRotate& open(const QImage& current) { return open(ui::PictureFromImage(current)); }

    static QSize canvasSize(const frmRotate& w) {
        return {int(w.picDest->ScaleWidth()), int(w.picDest->ScaleHeight())};
    }
    static picture::Picture mainPicture() { return ui::forms<Form1>().PictureCatalogue->Picture(); }
    static void expectMainGeometry(const frmRotate& w) {
        const ui::Image& main = *ui::forms<Form1>().ImageCatalogue;
        EXPECT_DOUBLE_EQ(w.ImageCatalogue->Left(), main.Left());
        EXPECT_DOUBLE_EQ(w.ImageCatalogue->Top(), main.Top());
        EXPECT_DOUBLE_EQ(w.ImageCatalogue->Width(), main.Width());
        EXPECT_DOUBLE_EQ(w.ImageCatalogue->Height(), main.Height());
    }
    QImage copiedCanvas(frmRotate& w) {
        w.mCopytoClipboard_Click();
        return services.clipboardImageWrites.back().convertToFormat(QImage::Format_RGB32);
    }
};

TEST_F(RotateWindow, OpensBlankWithTheMainPictureShownAndSavesItUnchanged) {
    // 65 x 47: the middle, 32.5 and 23.5, rounds to the even neighbours 32 and 24.
    frmRotate& w = open(pattern(65, 47));
    EXPECT_EQ(w.Caption(), "Rotate");
    EXPECT_EQ(w.HScroll1->Value(), 0);
    EXPECT_EQ(canvasSize(w), QSize(65, 47));
    EXPECT_EQ(w.centreX(), 32);
    EXPECT_EQ(w.centreY(), 24);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == mainPicture());
    expectMainGeometry(w);
    EXPECT_EQ(w.LabelFlipV->ForeColor(), ui::forms<Form1>().TextField[0]->ForeColor());
    EXPECT_EQ(copiedCanvas(w), blank(65, 47)) << "no rotation runs at load";
    EXPECT_FALSE(w.mPastefromClipboard->Enabled());

    int saved = 0;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto& dialog = dynamic_cast<FormSaveAs&>(form);
        EXPECT_TRUE(dialog.PictureSave->Picture() == mainPicture());
        ++saved;
        dialog.LabelButtomMenu_Click(1);
    });
    w.LabelButtomMenu_Click(0);
    EXPECT_EQ(saved, 1);
}

TEST_F(RotateWindow, SliderTurnsTheSourceAboutTheMiddleOfTheCanvas) {
    const QImage source = pattern(640, 480);
    frmRotate& w = open(source);
    w.HScroll1->setValue(90);
    const QImage shown = pixelsOf(w.ImageCatalogue->Picture());
    EXPECT_EQ(shown, turnedByBackwardMapping(blank(640, 480), source, 320, 240, 90));
    EXPECT_EQ(w.TextCrtEffect->Text(), "90");
    EXPECT_EQ(w.MousePointer(), ui::vbDefault);
    // Upright 480 x 640 in a 640 x 480 canvas: bands of 80 either side, top and bottom cut.
    const QRect area = coveredArea(shown);
    EXPECT_NEAR(area.left(), 80, 1);
    EXPECT_NEAR(area.right(), 559, 1);
    EXPECT_EQ(area.top(), 0);
    EXPECT_EQ(area.bottom(), 479);
    EXPECT_EQ(copiedCanvas(w), shown) << "Copy takes the canvas";
}

TEST_F(RotateWindow, NumberBoxSetsTheAngle) {
    frmRotate& w = open(pattern(30, 20));
    auto type = [&](const QString& text, int key) {
        w.TextCrtEffect->setText(text);
        w.TextCrtEffect_KeyUp(key, 0);
    };
    type("4", '4');
    type("45", '5');
    EXPECT_EQ(w.HScroll1->Value(), 45);
    EXPECT_EQ(w.TextCrtEffect->Text(), "45");
    EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), turnedByBackwardMapping(blank(30, 20), pattern(30, 20), 15, 10, 45));
    type("451", '1');
    EXPECT_EQ(w.HScroll1->Value(), 45);
    EXPECT_EQ(w.TextCrtEffect->Text(), "");
}

TEST_F(RotateWindow, FlipsMirrorTheShownPictureUntilTheNextTurn) {
    const QImage source = pattern(30, 20);
    const struct { const char* name; void (frmRotate::*flip)(); bool horizontal; } flips[] = {
        {"horizontal", &frmRotate::LabelFlipH_Click, true}, {"vertical", &frmRotate::LabelFlipV_Click, false}};
    frmRotate& w = open(source);
    for (const auto& f : flips) {
        SCOPED_TRACE(f.name);
        w.ImageReload_Click();
        (w.*f.flip)();
        EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), source.mirrored(f.horizontal, !f.horizontal));
        (w.*f.flip)();
        EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), source);
        (w.*f.flip)();
        w.HScroll1->setValue(180);
        EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), turnedByBackwardMapping(blank(30, 20), source, 15, 10, 180));
    }
}

TEST_F(RotateWindow, APictureWithoutPixelsTurnsToABlankCanvasButStillFlips) {
    const QImage image = pattern(8, 6);
    frmRotate& w = open(iconOf(image));
    ASSERT_EQ(canvasSize(w), QSize(8, 6));
    w.LabelFlipH_Click();
    EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), image.mirrored(true, false));
    w.HScroll1->setValue(10);
    EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), blank(8, 6));
}

TEST_F(RotateWindow, CanvasStepsGrowTheCanvasAroundTheTurnAndReloadUndoesThem) {
    const QImage source = pattern(64, 48);
    frmRotate& w = open(source);
    w.HScroll1->setValue(30);
    w.ComndResizeCanvas_Click(1);
    // 960 x 720 twips by 1.05: 1008 x 756 twips, 67.2 x 50.4 pixels.
    EXPECT_EQ(canvasSize(w), QSize(67, 50));
    EXPECT_EQ(w.centreX(), 34);
    EXPECT_EQ(w.centreY(), 25);
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Width(), 1008);
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Height(), 756);
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Left(), 5412 / 2.0 - 504);
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Top(), 4164 / 2.0 - 378);
    EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()), turnedByBackwardMapping(blank(67, 50), source, 34, 25, 30));

    w.ImageReload_Click();
    EXPECT_EQ(w.HScroll1->Value(), 0);
    EXPECT_EQ(canvasSize(w), QSize(64, 48));
    EXPECT_EQ(w.centreX(), 32);
    EXPECT_EQ(w.centreY(), 24);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == mainPicture());
    expectMainGeometry(w);
    EXPECT_EQ(copiedCanvas(w), blank(64, 48));

    w.ComndResizeCanvas_Click(0);
    EXPECT_EQ(canvasSize(w), QSize(61, 46));
    w.ComndResizeCanvas_Click(1);
    EXPECT_EQ(canvasSize(w), QSize(64, 48)) << "back within the rounding to pixels";
}

TEST_F(RotateWindow, ALargePictureKeepsItsPlaceWhileTheCanvasGrows) {
    frmRotate& w = open(pattern(400, 300));  // larger than the 5412 x 4164 frame both ways
    const QRectF before(w.ImageCatalogue->Left(), w.ImageCatalogue->Top(), w.ImageCatalogue->Width(),
                        w.ImageCatalogue->Height());
    w.ComndResizeCanvas_Click(1);
    EXPECT_EQ(canvasSize(w), QSize(420, 315));
    EXPECT_EQ(QRectF(w.ImageCatalogue->Left(), w.ImageCatalogue->Top(), w.ImageCatalogue->Width(),
                     w.ImageCatalogue->Height()),
              before);
    EXPECT_EQ(pixelsOf(w.ImageCatalogue->Picture()).size(), QSize(420, 315));
}

TEST_F(RotateWindow, AnOpenPreviewFollowsTurnsNotFlipsAndCancelClosesIt) {
    frmRotate& w = open(pattern(30, 20));
    w.ImageFullScreen_Click();
    Form27& preview = ui::forms<Form27>();
    w.HScroll1->setValue(20);
    EXPECT_TRUE(preview.Image1->Picture() == w.ImageCatalogue->Picture());
    const picture::Picture turned = w.ImageCatalogue->Picture();
    w.LabelFlipV_Click();
    EXPECT_TRUE(preview.Image1->Picture() == turned);

    w.LabelButtomMenu_Click(1);
    EXPECT_FALSE(ui::isLoaded<frmRotate>());
    EXPECT_FALSE(ui::isLoaded<Form27>());
    ui::forms<frmRotate>().Show();
    EXPECT_EQ(w.HScroll1->Value(), 0);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == mainPicture()) << "the next opening starts afresh";
}

}  // namespace
