// The resize window: the zoom step (sizes rounded halves to even, the aspect fit over
// black), placing and panning the result in its frame, paste and Reload, the preview
// refresh and the hand-off to the save dialog; and the drawing module beneath it.

#include <cstring>

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "platform/gdi/objects.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/screen.h"
#include "platform/ui/testing.h"
#include "support/hourglass_watch.h"
#include "support/program_folder_test.h"
#include "tools/resize_window.h"
#include "tools/save_dialog.h"
#include "tools/modGDIPlusResize.h"

namespace {

QImage flat(int width, int height, QColor colour = QColor(250, 250, 250)) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

picture::Picture flatPicture(int width, int height, QColor colour = QColor(250, 250, 250)) {
    return ui::PictureFromImage(flat(width, height, colour));
}

// An 8x8 icon whose left half is white but fully transparent, its right half opaque red.
picture::Picture halfTransparentIcon() {
    gdi::BITMAPINFO info{};
    info.bmiHeader = {40, 8, -8, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const gdi::HBITMAP colour = gdi::CreateDIBSection(0, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pixels[y * 8 + x] = x < 4 ? 0x00FFFFFF : 0xFFFF0000;  // BGRA as 0xAARRGGBB
    const uint8_t maskBits[8 * 2] = {};
    const gdi::HBITMAP mask = gdi::CreateBitmap(8, 8, 1, 1, maskBits);
    gdi::ICONINFO iconInfo{gdi::TRUE, 0, 0, mask, colour};
    const gdi::HICON icon = gdi::CreateIconIndirect(&iconInfo);
    gdi::DeleteObject(mask);
    gdi::DeleteObject(colour);
    return picture::CreatePicture(picture::kPicTypeIcon, icon, true);
}

QImage pixels(const picture::Picture& picture) { return ui::ImageFromPicture(picture).convertToFormat(QImage::Format_RGB32); }

gdi::SIZE sizeOf(const picture::Picture& picture) { return picture.pixelSize(); }

class ResizeWindow : public testsupport::ProgramFolderTest {
protected:
    FormResize& open(const picture::Picture& current) {
        makeCatalogueWithRows(0);
        EXPECT_FALSE(runMain());
        ui::forms<Form1>().PictureCatalogue->setPicture(current);
        FormResize& w = ui::loaded<FormResize>();
        w.Show();
        return w;
    }
    static void zoom(FormResize& w, int percent) { w.HScrollZoom->setValue(percent); }
};

TEST_F(ResizeWindow, OpensAtFullSizeCentredInTheFrame) {
    FormResize& w = open(flatPicture(200, 100, QColor(30, 140, 220)));
    EXPECT_EQ(w.HScrollZoom->Value(), 100);
    EXPECT_EQ(w.TextCrtEffect->Text(), "100");
    EXPECT_EQ(w.LabelWH->Caption(), "200 x 100");
    EXPECT_EQ(w.LabelWH->ForeColor(), ui::forms<Form1>().TextField[0]->ForeColor());
    const picture::Picture result = w.pctResize->Picture();
    ASSERT_EQ(result.Type(), picture::kPicTypeBitmap);
    EXPECT_FALSE(result == ui::forms<Form1>().PictureCatalogue->Picture()) << "a new bitmap";
    EXPECT_DOUBLE_EQ(w.pctResize->Width(), 3000);
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), (5412 - 3000) / 2.0);
    EXPECT_DOUBLE_EQ(w.pctResize->Top(), (4164 - 1500) / 2.0);
    EXPECT_FALSE(w.HScroll1->Visible());
    EXPECT_FALSE(w.VScroll1->Visible());
    const QImage shown = pixels(result);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(30, 140, 220));
    EXPECT_EQ(shown.pixel(199, 99), qRgb(30, 140, 220));
    EXPECT_TRUE(w.mPastefromClipboard->Enabled());
    EXPECT_FALSE(w.mOpen->Enabled());
    EXPECT_EQ(w.mFile->menu()->actions().first(), w.mOpen->action());
}

TEST_F(ResizeWindow, ZoomRoundsHalvesToEvenAndFitsTheAspectOverBlack) {
    FormResize& w = open(flatPicture(640, 480));
    const struct { int width, height, percent; int expectedWidth, expectedHeight; } cases[] = {
        {640, 480, 1, 6, 5},      // 6.4 -> 6, 4.8 -> 5
        {605, 21, 50, 302, 10},   // 302.5 -> 302, 10.5 -> 10
        {607, 23, 50, 304, 12},   // 303.5 -> 304, 11.5 -> 12
        {100, 60, 500, 500, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        ui::forms<Form1>().PictureCatalogue->setPicture(flatPicture(c.width, c.height));
        w.ImageReload_Click();
        zoom(w, c.percent);
        EXPECT_EQ(w.TextCrtEffect->Text(), QString::number(c.percent));
        const gdi::SIZE size = sizeOf(w.pctResize->Picture());
        EXPECT_EQ(size.cx, c.expectedWidth);
        EXPECT_EQ(size.cy, c.expectedHeight);
        EXPECT_EQ(w.LabelWH->Caption(), QString("%1 x %2").arg(c.expectedWidth).arg(c.expectedHeight));
    }

    // 640 x 480 at 1 %: the picture is drawn 6 x 4 at the top (4.5 -> 4, offset 0.5 -> 0),
    // the bottom row stays black.
    ui::forms<Form1>().PictureCatalogue->setPicture(flatPicture(640, 480));
    w.ImageReload_Click();
    zoom(w, 1);
    const QImage shown = pixels(w.pctResize->Picture());
    ASSERT_EQ(shown.size(), QSize(6, 5));
    for (int x = 0; x < 6; ++x) {
        EXPECT_GE(qGray(shown.pixel(x, 0)), 240) << x;
        EXPECT_GE(qGray(shown.pixel(x, 3)), 240) << x;
        EXPECT_EQ(shown.pixel(x, 4), qRgb(0, 0, 0)) << x;
    }
}

TEST_F(ResizeWindow, AZoomWorksUnderTheHourglass) {
    FormResize& w = open(flatPicture(200, 100));
    const testsupport::HourglassWatch watch;
    zoom(w, 150);
    EXPECT_GT(watch.busyPaints(), 0) << "the moved slider is on the screen before the resize";
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
}

TEST_F(ResizeWindow, LargeResultsPanSmallOnesAreCentred) {
    FormResize& w = open(flatPicture(400, 300));  // 6000 x 4500 twips: larger than the frame
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), 0);
    EXPECT_DOUBLE_EQ(w.pctResize->Top(), 0);
    EXPECT_TRUE(w.HScroll1->Visible());
    EXPECT_TRUE(w.VScroll1->Visible());
    EXPECT_EQ(w.HScroll1->Max(), 6000 - 5412);
    EXPECT_EQ(w.VScroll1->Max(), 4500 - 4164);

    w.HScroll1->setValue(300);
    w.VScroll1->setValue(200);
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), -300);
    EXPECT_DOUBLE_EQ(w.pctResize->Top(), -200);

    // A new zoom puts the result back at the edge; the bars keep their values.
    zoom(w, 200);
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), 0);
    EXPECT_EQ(w.HScroll1->Max(), 12000 - 5412);
    EXPECT_EQ(w.HScroll1->Value(), 300);
    w.HScroll1->setValue(400);
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), -400);

    zoom(w, 50);  // 3000 x 2250 twips
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), (5412 - 3000) / 2.0);
    EXPECT_DOUBLE_EQ(w.pctResize->Top(), (4164 - 2250) / 2.0);
    EXPECT_FALSE(w.HScroll1->Visible());
    EXPECT_FALSE(w.VScroll1->Visible());
    EXPECT_EQ(w.HScroll1->Max(), 3000 - 5412);
}

TEST_F(ResizeWindow, APanRangeBeyondSixteenBitsLeavesTheBarAlone) {
    FormResize& w = open(flatPicture(600, 10));
    const int before = w.HScroll1->Max();  // 9000 - 5412
    zoom(w, 500);  // 3000 px = 45000 twips: 39588 does not fit
    EXPECT_EQ(w.HScroll1->Max(), before);
    EXPECT_EQ(w.LabelWH->Caption(), "3000 x 50") << "the rest of the step runs";
    EXPECT_DOUBLE_EQ(w.pctResize->Left(), 0);
}

TEST_F(ResizeWindow, AnIconsTransparentPixelsComeOutBlack) {
    FormResize& w = open(halfTransparentIcon());
    const QImage shown = pixels(w.pctResize->Picture());
    ASSERT_EQ(shown.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(shown.pixel(1, y), qRgb(0, 0, 0));
        EXPECT_EQ(shown.pixel(6, y), qRgb(255, 0, 0));
    }
}

TEST_F(ResizeWindow, PasteReplacesTheSourceUntilReload) {
    FormResize& w = open(flatPicture(200, 100));
    zoom(w, 50);
    services.setClipboardImage(flat(50, 40, Qt::green));
    w.mPastefromClipboard_Click();
    EXPECT_EQ(w.HScrollZoom->Value(), 100);
    EXPECT_EQ(sizeOf(w.pctResize->Picture()).cx, 50);
    EXPECT_EQ(pixels(w.pctResize->Picture()).pixel(10, 10), qRgb(0, 255, 0));
    zoom(w, 200);
    EXPECT_EQ(w.LabelWH->Caption(), "100 x 80");

    w.ImageReload_Click();
    EXPECT_EQ(w.HScrollZoom->Value(), 100);
    EXPECT_EQ(w.LabelWH->Caption(), "200 x 100");

    // Nothing on the clipboard: no source, no result.
    services.clearClipboard();
    w.mPastefromClipboard_Click();
    EXPECT_FALSE(w.imgOriginal->Picture());
    EXPECT_FALSE(w.pctResize->Picture());
    EXPECT_EQ(w.TextCrtEffect->Text(), "100");
}

TEST_F(ResizeWindow, NumberBoxSetsTheZoom) {
    FormResize& w = open(flatPicture(200, 100));
    const struct { const char* text; int key; const char* shown; int zoom; } typed[] = {
        {"5", '5', "5", 5}, {"50", '0', "50", 50}, {"501", '1', "", 50}, {"0", '0', "", 50}};
    for (const auto& t : typed) {
        SCOPED_TRACE(t.text);
        w.TextCrtEffect->setText(t.text);
        int key = t.key;
        w.TextCrtEffect_KeyUp(key, 0);
        EXPECT_EQ(w.TextCrtEffect->Text(), t.shown);
        EXPECT_EQ(w.HScrollZoom->Value(), t.zoom);
    }
    EXPECT_EQ(w.LabelWH->Caption(), "100 x 50");
}

TEST_F(ResizeWindow, AnOpenPreviewFollowsEveryZoom) {
    FormResize& w = open(flatPicture(200, 100));
    zoom(w, 60);
    EXPECT_FALSE(ui::isLoaded<Form27>()) << "no preview until asked for";
    w.ImageFullScreen_Click();
    Form27& view = ui::forms<Form27>();
    EXPECT_TRUE(view.Image1->Picture() == w.pctResize->Picture());
    zoom(w, 70);
    EXPECT_TRUE(view.Image1->Picture() == w.pctResize->Picture());
    EXPECT_DOUBLE_EQ(view.Image1->Width(), 140 * 15);
}

TEST_F(ResizeWindow, SaveHandsTheResultOverAndCancelStartsAfresh) {
    FormResize& w = open(flatPicture(200, 100));
    zoom(w, 30);
    int shown = 0;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto& dialog = dynamic_cast<FormSaveAs&>(form);
        EXPECT_TRUE(dialog.PictureSave->Picture() == w.pctResize->Picture());
        ++shown;
        // The result is a device bitmap: it must come out of the writers whole.
        dialog.CheckFileExt_MouseDown(0, 1, 0, 0, 0);
        dialog.CheckFileExt[0]->setValue(1);
        dialog.OptionSave[1]->setValue(true);
        dialog.TxtFileName->setText("resized");
        dialog.LabelButtomMenu_Click(0);
        dialog.LabelButtomMenu_Click(1);
    });
    w.LabelButtomMenu_Click(0);
    EXPECT_EQ(shown, 1);
    const QImage saved(QString::fromStdString(folder.file("QuillmereGallery/resized.bmp")));
    EXPECT_EQ(saved.size(), QSize(60, 30));
    EXPECT_EQ(saved.pixel(30, 15), qRgb(250, 250, 250));

    w.mCopytoClipboard_Click();
    ASSERT_FALSE(services.clipboardImageWrites.empty());
    EXPECT_EQ(services.clipboardImageWrites.back().size(), QSize(60, 30));

    w.ImageFullScreen_Click();
    w.LabelButtomMenu_Click(1);
    EXPECT_FALSE(ui::isLoaded<FormResize>());
    EXPECT_FALSE(ui::isLoaded<Form27>());
    FormResize& again = ui::loaded<FormResize>();
    EXPECT_EQ(again.HScrollZoom->Value(), 100);
    EXPECT_EQ(again.LabelWH->Caption(), "200 x 100");
}

// ---- the drawing module ----

class ResizeModule : public ::testing::Test {
protected:
    void SetUp() override { token = modGDIPlusResize::StartGdiPlusForResize(); }
    void TearDown() override { gdiplus::GdiplusShutdown(token); }
    gdiplus::Token token = 0;
};

TEST_F(ResizeModule, ResultIsAScreenFormatBitmapOfTheExactSize) {
    ASSERT_NE(token, 0u);
    const picture::Picture source = flatPicture(640, 480);
    const int objects = gdiplus::testing::liveObjectCount();
    const size_t gdiObjects = gdi::detail::liveObjectCount();
    const struct { bool keepAspect; gdi::COLORREF colour; QRgb bottomRow; } cases[] = {
        {true, gdi::RGB(0, 0, 255), qRgb(0, 0, 255)},  // the band shows the colour
        {false, 0, qRgb(250, 250, 250)},                // stretched: no band
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keepAspect);
        const picture::Picture result =
            modGDIPlusResize::ResizePictureHandle(source.Handle(), picture::kPicTypeBitmap, 6, 5, c.colour, c.keepAspect);
        ASSERT_TRUE(result);
        EXPECT_TRUE(result.ownsHandle());
        gdi::BITMAP bm{};
        ASSERT_TRUE(gdi::GetObject(result.Handle(), sizeof bm, &bm));
        EXPECT_EQ(bm.bmWidth, 6);
        EXPECT_EQ(bm.bmHeight, 5);
        EXPECT_EQ(bm.bmBitsPixel, 32);
        EXPECT_EQ(pixels(result).pixel(3, 4), c.bottomRow);
    }
    EXPECT_EQ(gdiplus::testing::liveObjectCount(), objects) << "images and graphics disposed";
    EXPECT_EQ(gdi::detail::liveObjectCount(), gdiObjects) << "context, brush and results gone";
    EXPECT_EQ(gdi::GetObjectType(source.Handle()), gdi::OBJ_BITMAP) << "the source keeps its handle";
}

TEST_F(ResizeModule, NoResultForWhatCannotBeDrawn) {
    const picture::Picture source = flatPicture(20, 10);
    const struct { const char* what; uint32_t handle; int16_t type; int width, height; } cases[] = {
        {"no picture", 0, picture::kPicTypeNone, 20, 10},
        {"unknown type", source.Handle(), 5, 20, 10},
        {"not a bitmap", 12345, picture::kPicTypeBitmap, 20, 10},
        {"a bitmap handle as a WMF", source.Handle(), picture::kPicTypeMetafile, 20, 10},
        {"a bitmap handle as an EMF", source.Handle(), picture::kPicTypeEnhMetafile, 20, 10},
        {"no pixels wide", source.Handle(), picture::kPicTypeBitmap, 0, 10},
        {"too large", source.Handle(), picture::kPicTypeBitmap, 40000, 40000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(modGDIPlusResize::ResizePictureHandle(c.handle, c.type, c.width, c.height, 0, true));
    }
}

TEST_F(ResizeModule, MetafilesArePlayedAtTheRequestedSize) {
    // A red circle filling its picture, drawn onto a blue canvas of 60 x 40 (keeping the
    // aspect: a 40 x 40 circle centred, blue bands left and right).
    for (const char* name : {"wmf/circle.wmf", "emf/circle.emf"}) {
        SCOPED_TRACE(name);
        const picture::Picture source = picture::LoadPicture(std::string(QM_FIXTURES_DIR) + "/" + name);
        const picture::Picture result = modGDIPlusResize::ResizePictureHandle(
            source.Handle(), int16_t(source.Type()), 60, 40, gdi::RGB(0, 0, 255), true);
        ASSERT_TRUE(result);
        const QImage image = pixels(result);
        ASSERT_EQ(image.size(), QSize(60, 40));
        EXPECT_EQ(image.pixel(30, 20), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(2, 20), qRgb(0, 0, 255));   // the band
        EXPECT_EQ(image.pixel(11, 1), qRgb(0, 0, 255));   // outside the circle, inside its box
        EXPECT_EQ(image.pixel(11, 20), qRgb(255, 0, 0));  // its leftmost part
        EXPECT_EQ(gdi::GetObjectType(source.Handle()), source.Type() == picture::kPicTypeMetafile
                                                           ? gdi::OBJ_METAFILE : gdi::OBJ_ENHMETAFILE);
    }
}

TEST_F(ResizeModule, WmfHeaderFramesTheRequestedSize) {
    gdiplus::WmfPlaceableFileHeader header;
    std::memset(&header, 0xAA, sizeof header);
    modGDIPlusResize::FillWmfPlaceableHeader(header, 300, 200);
    const uint8_t expected[22] = {
        0xD7, 0xCD, 0xC6, 0x9A,  // key
        0, 0,                    // metafile handle
        0, 0, 0, 0,              // left, top
        0x2C, 0x01, 0xC8, 0x00,  // right 300, bottom 200
        0xA0, 0x05,              // 1440 units per inch
        0, 0, 0, 0,              // reserved
        0, 0,                    // checksum, not computed
    };
    EXPECT_EQ(std::memcmp(&header, expected, sizeof expected), 0);

    // Beyond 16 bits the header cannot be filled, and the metafile is not drawn.
    try {
        modGDIPlusResize::ResizePictureHandle(1, picture::kPicTypeMetafile, 40000, 10, 0, true);
        ADD_FAILURE() << "no overflow";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 6);
    }
}

}  // namespace
