// The draw-mode effects window, opened through the main window's menu over real BMP
// records: the line pattern in every draw mode against the mode's bit operation applied
// here row by row, spacing and line style, Apply, Revert and Reload, the two layouts,
// the drag of the work surface, the hand-off to the save dialog and reopening.

#include <vector>

#include <QBuffer>
#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "platform/gdi/dib_surface.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/screen.h"
#include "platform/ui/testing.h"
#include "support/program_folder_test.h"
#include "tools/draw_effects_window.h"
#include "tools/save_dialog.h"

namespace {

// No two neighbouring pixels alike and no channel at 0 or 255, so every mode shows.
QImage pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(20 + (x * 37) % 200, 20 + (y * 53) % 200, 20 + (x * 11 + y * 29) % 200));
    return image;
}

QImage filled(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

std::vector<uint8_t> bmpFile(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return {bytes.begin(), bytes.end()};
}

QImage pixelsOf(const picture::Picture& picture) {
    return ui::ImageFromPicture(picture).convertToFormat(QImage::Format_RGB32);
}

// The draw modes' bit operations on 24-bit colours (destination d, pen p).
using Rop = uint32_t (*)(uint32_t d, uint32_t p);
struct Mode {
    const char* caption;
    int upClicks;  // from "Negative"
    Rop rop;
};
const Mode kModes[] = {
    {"Negative", 0, [](uint32_t d, uint32_t p) { return ~(d | p); }},
    {"Mix", 1, [](uint32_t d, uint32_t p) { return d ^ p; }},
    {"Light", 2, [](uint32_t d, uint32_t p) { return ~(d & p); }},
    {"RGB", 3, [](uint32_t d, uint32_t p) { return d & p; }},
    {"Neon", 4, [](uint32_t d, uint32_t p) { return ~(d ^ p); }},
    {"Glow", 5, [](uint32_t d, uint32_t p) { return p | ~d; }},
    {"Poster", 6, [](uint32_t d, uint32_t p) { return d | p; }},
};

// `base` with the operation applied to each listed row, once per listing.
QImage withLines(QImage base, Rop rop, QRgb pen, const std::vector<int>& rows) {
    for (int y : rows)
        for (int x = 0; x < base.width(); ++x)
            base.setPixel(x, y, 0xFF000000u | (rop(base.pixel(x, y) & 0xFFFFFFu, pen & 0xFFFFFFu) & 0xFFFFFFu));
    return base;
}

std::vector<int> allRows(int h) {
    std::vector<int> rows;
    for (int y = 0; y < h; ++y) rows.push_back(y);
    return rows;
}

const QImage kFirst = pattern(40, 30);
const QImage kSecond = pattern(20, 60).mirrored(true, false);

class EffectsWindow : public testsupport::ProgramFolderTest {
protected:
    // The main window over two records, showing the first; "Effects" chosen from its menu.
    FormEffects& open() {
        makeCatalogueWithRows(0);
        addPicture("first", "BMP", bmpFile(kFirst));
        addPicture("second", "BMP", bmpFile(kSecond));
        EXPECT_FALSE(runMain());
        main().Label7_Click(25);
        EXPECT_TRUE(ui::isLoaded<FormEffects>());
        return ui::forms<FormEffects>();
    }
    static Form1& main() { return ui::forms<Form1>(); }
    static picture::Picture mainPicture() { return main().ImageCatalogue->Picture(); }
    static void showNextRecord() {
        main().Adodc3.recordset().moveNext();
        main().pComboCatalogue_Click();
    }
    static void setMode(FormEffects& w, const Mode& mode) {
        for (int i = 0; i < 6; ++i) w.UpDownModes_DownClick();
        for (int i = 0; i < mode.upClicks; ++i) w.UpDownModes_UpClick();
        ASSERT_EQ(w.LabelModes->Caption(), mode.caption);
    }
    static void setPen(FormEffects& w, int r, int g, int b) {
        w.HScroll1->setValue(r);
        w.HScroll2->setValue(g);
        w.HScroll3->setValue(b);
    }
    static QImage result(const FormEffects& w) { return pixelsOf(w.ImageCatalogue->Picture()); }
    static QRectF geometry(const ui::Control& c) { return {c.Left(), c.Top(), c.Width(), c.Height()}; }
};

TEST(DrawModeSteps, ArrowsWalkTheTableAndStopAtItsEnds) {
    std::vector<int> up{2}, down{15};
    for (int i = 0; i < 7; ++i) up.push_back(tools::StepDrawMode(up.back(), true));
    for (int i = 0; i < 7; ++i) down.push_back(tools::StepDrawMode(down.back(), false));
    EXPECT_EQ(up, (std::vector<int>{2, 7, 8, 9, 10, 14, 15, 15}));
    EXPECT_EQ(down, (std::vector<int>{15, 14, 10, 9, 8, 7, 2, 2}));
    EXPECT_EQ(tools::DrawModeCaption(14), "Glow");
    EXPECT_EQ(tools::DrawModeCaption(13), "");
}

TEST_F(EffectsWindow, OpensShowingTheMainPictureWithoutLines) {
    FormEffects& w = open();
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.Caption(), "Effects");
    for (const auto* box : {w.Picture1.data(), w.Picture2.data()}) EXPECT_TRUE(box->Picture() == mainPicture());
    EXPECT_TRUE(w.ImageCatalogue->Picture() == mainPicture());
    EXPECT_EQ(result(w), kFirst);
    EXPECT_EQ(geometry(*w.ImageCatalogue), geometry(*main().ImageCatalogue));
    EXPECT_DOUBLE_EQ(w.PictureCont->Width(), main().PictureCatalogueFrame->Width());
    EXPECT_DOUBLE_EQ(w.PictureCont->Height(), main().PictureCatalogueFrame->Height());
    EXPECT_FALSE(w.ImageOrgZoom->Picture());
    EXPECT_EQ(w.DrawModeValue, 2);
    EXPECT_EQ(w.LabelModes->Caption(), "Negative");
    EXPECT_EQ(w.LabelVerBlinds->Caption(), "0");
    EXPECT_EQ(w.LabelSmoothnss->Caption(), "1");
    EXPECT_EQ(w.ImageUndo->BorderStyle(), 0);
    EXPECT_TRUE(w.isCompactLayout());
    EXPECT_EQ(w.LabelTitle->ForeColor(), main().TextField[0]->ForeColor());
    EXPECT_EQ(w.PictureModes->BackColor(), main().BackColor());
    EXPECT_EQ(w.PictureBottom->BackColor(), main().BackColor());
    EXPECT_EQ(w.LabelButtomMenu[0]->Caption(), "Apply");
    EXPECT_EQ(w.LabelButtomMenu[2]->Caption(), "Cancel");
    EXPECT_EQ(w.mFile->menu()->actions().first(), w.mOpen->action());
    EXPECT_FALSE(w.mOpen->Enabled());
    EXPECT_FALSE(w.mPastefromClipboard->Enabled());
    EXPECT_FALSE(w.mSaveToDataBase->Enabled());
    EXPECT_EQ(w.ImageFullScreen->ToolTipText(), "Full Screen");

    // A pressed menu label shows a border until the button comes up.
    w.LabelButtomMenu_MouseDown(1, 1, 0, 0, 0);
    EXPECT_EQ(w.LabelButtomMenu[1]->BorderStyle(), 1);
    w.LabelButtomMenu_MouseUp(1, 1, 0, 0, 0);
    EXPECT_EQ(w.LabelButtomMenu[1]->BorderStyle(), 0);

    // The down arrow at "Negative" stays there and redraws with the defaults: black pen,
    // solid, every row once: the negative.
    w.UpDownModes_DownClick();
    EXPECT_EQ(w.DrawModeValue, 2);
    EXPECT_EQ(result(w), withLines(kFirst, kModes[0].rop, 0, allRows(30)));
    EXPECT_EQ(w.MousePointer(), ui::vbDefault);
}

TEST_F(EffectsWindow, EachDrawModeCombinesThePenWithThePicture) {
    FormEffects& w = open();
    // With the black pen as the modes' captions promise, and with a colour.
    const QImage inverted = withLines(kFirst, kModes[1].rop, 0xFFFFFF, allRows(30));
    const QImage white = filled(40, 30, Qt::white), black = filled(40, 30, Qt::black);
    const QImage blackPen[] = {inverted, kFirst, white, black, inverted, inverted, kFirst};
    for (size_t i = 0; i < std::size(kModes); ++i) {
        SCOPED_TRACE(kModes[i].caption);
        setPen(w, 0, 0, 0);
        setMode(w, kModes[i]);
        EXPECT_EQ(w.Picture1->DrawMode(), w.DrawModeValue);
        EXPECT_EQ(result(w), blackPen[i]);
        setPen(w, 200, 90, 13);
        EXPECT_EQ(result(w), withLines(kFirst, kModes[i].rop, qRgb(200, 90, 13), allRows(30)));
    }
}

TEST_F(EffectsWindow, TheStepSpacesTheRows) {
    FormEffects& w = open();
    const Mode& negative = kModes[0];
    const Mode& mix = kModes[1];
    const struct { int value; const char* shown; const Mode* mode; std::vector<int> rows; } cases[] = {
        {20, "2", &negative, {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28}},
        // 0, 2.3, 4.6, 6.9, 9.2 ... summed, each to its nearest row.
        {23, "2.3", &negative, {0, 2, 5, 7, 9, 12, 14, 16, 18, 21, 23, 25, 28}},
        // Halves go to the even row: row 0 takes two lines (no change under XOR), odd rows
        // one, the other even rows three.
        {5, "0.5", &mix, {0, 0, 1, 2, 2, 2, 3, 4, 4, 4, 5, 6, 6, 6, 7, 8, 8, 8, 9, 10, 10, 10, 11, 12, 12, 12,
                          13, 14, 14, 14, 15, 16, 16, 16, 17, 18, 18, 18, 19, 20, 20, 20, 21, 22, 22, 22, 23,
                          24, 24, 24, 25, 26, 26, 26, 27, 28, 28, 28, 29}},
    };
    setPen(w, 0, 0, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        setMode(w, *c.mode);
        w.HScroll1->setValue(255);  // a pen that Mix shows
        w.HScrollHL->setValue(c.value);
        EXPECT_EQ(w.LabelSmoothnss->Caption(), c.shown);
        EXPECT_EQ(result(w), withLines(kFirst, c.mode->rop, qRgb(255, 0, 0), c.rows));
        w.HScroll1->setValue(0);
    }
    const QImage mixed = result(w);  // step 0.5, black pen: Mix changes nothing
    EXPECT_EQ(mixed, kFirst);
}

TEST_F(EffectsWindow, TheStyleSliderAtItsTopDrawsDashDotDotLines) {
    FormEffects& w = open();
    w.VScrollDrawStyle->setValue(-4);
    EXPECT_EQ(w.LabelVerBlinds->Caption(), "4");
    EXPECT_EQ(w.Picture1->DrawStyle(), 4);

    // The platform's dash-dot-dot pen over one row of black, inverting where it draws.
    gdi::DibSurface row(40, 1, 32);
    const gdi::HPEN pen = gdi::CreatePen(gdi::PS_DASHDOTDOT, 1, 0);
    const gdi::HGDIOBJ old = gdi::SelectObject(row.dc(), pen);
    gdi::SetROP2(row.dc(), gdi::R2_NOTMERGEPEN);
    gdi::MoveToEx(row.dc(), 0, 0, nullptr);
    gdi::LineTo(row.dc(), 40, 0);
    gdi::SelectObject(row.dc(), old);
    gdi::DeleteObject(pen);

    QImage expected = kFirst;
    int drawn = 0;
    for (int x = 0; x < 40; ++x) {
        if (row.row(0)[x * 4] == 0) continue;
        ++drawn;
        for (int y = 0; y < 30; ++y) expected.setPixel(x, y, kFirst.pixel(x, y) ^ 0xFFFFFF);
    }
    EXPECT_GT(drawn, 10);
    EXPECT_LT(drawn, 30);
    EXPECT_EQ(result(w), expected) << "every row starts its pattern at the left edge";
}

TEST_F(EffectsWindow, ApplyLayersRevertAndReloadGoBack) {
    FormEffects& w = open();
    setMode(w, kModes[1]);  // Mix: XOR
    const Rop x = kModes[1].rop;
    w.HScroll1->setValue(200);
    const QImage layer = withLines(kFirst, x, qRgb(200, 0, 0), allRows(30));
    EXPECT_EQ(result(w), layer);

    w.LabelButtomMenu_Click(0);  // Apply
    EXPECT_EQ(w.ImageUndo->BorderStyle(), 1);
    EXPECT_EQ(pixelsOf(w.Picture2->Picture()), layer);
    EXPECT_EQ(pixelsOf(w.ImageOrgZoom->Picture()), layer);
    EXPECT_EQ(result(w), layer);

    w.HScroll2->setValue(100);  // laid over the applied layer
    EXPECT_EQ(result(w), withLines(layer, x, qRgb(200, 100, 0), allRows(30)));
    w.HScroll2->setValue(0);  // the same pen again: XOR twice gives the main picture back
    EXPECT_EQ(result(w), kFirst);

    w.ImageUndo_Click();
    for (const picture::Picture& p : {w.Picture1->Image(), w.ImageCatalogue->Picture(), w.ImageOrgZoom->Picture()})
        EXPECT_EQ(pixelsOf(p), layer);
    EXPECT_EQ(w.HScroll1->Value(), 200) << "sliders untouched";
    EXPECT_EQ(w.ImageUndo->BorderStyle(), 1);

    w.VScrollDrawStyle->setValue(-2);
    w.HScrollHL->setValue(35);
    w.ImageReload_Click();
    EXPECT_EQ(w.HScroll1->Value(), 0);
    EXPECT_EQ(w.HScrollHL->Value(), 10);
    EXPECT_EQ(w.VScrollDrawStyle->Value(), 0);
    EXPECT_EQ(w.DrawModeValue, 2);
    EXPECT_EQ(w.LabelModes->Caption(), "Negative");
    EXPECT_EQ(w.LabelVerBlinds->Caption(), "0");
    EXPECT_EQ(w.LabelSmoothnss->Caption(), "1");
    EXPECT_EQ(w.ImageUndo->BorderStyle(), 0);
    for (const picture::Picture& p : {w.Picture1->Picture(), w.Picture2->Picture(), w.ImageCatalogue->Picture(),
                                      w.ImageOrgZoom->Picture()})
        EXPECT_TRUE(p == mainPicture());
    EXPECT_EQ(result(w), kFirst);

    // No Apply since the Reload: Revert shows the main picture.
    w.HScroll3->setValue(77);
    w.ImageUndo_Click();
    EXPECT_EQ(result(w), kFirst);
}

TEST_F(EffectsWindow, ReloadTakesTheMainWindowsNewPictureIntoTheOldFrame) {
    FormEffects& w = open();
    const QRectF before = geometry(*w.ImageCatalogue);
    showNextRecord();
    ASSERT_NE(geometry(*main().ImageCatalogue), before);
    w.ImageReload_Click();
    EXPECT_EQ(result(w), kSecond);
    EXPECT_DOUBLE_EQ(w.Picture1->ScaleHeight(), 60) << "the work surface takes the new size";
    EXPECT_EQ(geometry(*w.ImageCatalogue), before) << "the display stretches it";
}

TEST_F(EffectsWindow, ChoosingEffectsAgainReplacesThePicturesAndKeepsTheSettings) {
    FormEffects& w = open();
    setMode(w, kModes[5]);
    w.HScroll2->setValue(40);
    w.LabelButtomMenu_Click(0);  // Apply
    w.ImageFullScreen_Click();
    showNextRecord();

    main().Label7_Click(25);
    EXPECT_EQ(&ui::forms<FormEffects>(), &w);
    for (const auto* box : {w.Picture1.data(), w.Picture2.data()}) EXPECT_TRUE(box->Picture() == mainPicture());
    EXPECT_EQ(result(w), kSecond) << "no lines until a control changes";
    EXPECT_EQ(geometry(*w.ImageCatalogue), geometry(*main().ImageCatalogue));
    EXPECT_EQ(w.DrawModeValue, 14);
    EXPECT_EQ(w.HScroll2->Value(), 40);
    EXPECT_EQ(w.ImageUndo->BorderStyle(), 1) << "the applied mark stays";
    EXPECT_FALSE(w.isCompactLayout()) << "the layout stays";
    w.HScroll2->setValue(0);
    EXPECT_EQ(result(w), withLines(kSecond, kModes[5].rop, 0, allRows(60))) << "the old layer is gone";
}

TEST_F(EffectsWindow, FullScreenAndBack) {
    FormEffects& w = open();
    w.HScroll1->setValue(90);
    w.LabelButtomMenu_Click(0);  // Apply: the reference display shows the layer ...
    w.ImageFullScreen_Click();
    EXPECT_FALSE(w.isCompactLayout());
    EXPECT_FALSE(w.PictureBottom->Picture());
    EXPECT_FALSE(ui::isLoaded<Form27>()) << "no Preview in this window";
    EXPECT_DOUBLE_EQ(w.Width(), ui::Screen::Width() - 200);
    EXPECT_DOUBLE_EQ(w.Height(), ui::Screen::Height() - 500);
    EXPECT_DOUBLE_EQ(w.Left(), 100);
    EXPECT_DOUBLE_EQ(w.Top(), 100);
    EXPECT_DOUBLE_EQ(w.PictureBottom->Top(), w.ScaleHeight() - 528) << "docked to the bottom";
    EXPECT_DOUBLE_EQ(w.PictureBottom->Width(), w.ScaleWidth());
    EXPECT_DOUBLE_EQ(w.PictureCont->Height(), w.Height());
    // ... until the full-screen layout shows the main picture there, above the result.
    EXPECT_TRUE(w.ImageOrgZoom->Picture() == mainPicture());
    EXPECT_TRUE(w.ImageOrgZoom->Visible());
    const ui::Image& shown = *main().ImageCatalogue;
    EXPECT_EQ(geometry(*w.ImageOrgZoom), QRectF(shown.Left(), 0, shown.Width(), shown.Height()));
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Top(), shown.Height() + 30);
    EXPECT_TRUE(w.Picture1->Visible());
    EXPECT_DOUBLE_EQ(w.Picture1->Left(), w.PictureCont->Left() + w.PictureCont->Width() + 500);
    EXPECT_DOUBLE_EQ(w.Picture1->Top(), w.PictureCont->Top());
    EXPECT_DOUBLE_EQ(w.PictureModes->Top(), w.PictureBottom->Top() - 1152 + 50);
    EXPECT_DOUBLE_EQ(w.PictureModes->Width(), w.PictureCont->Width());

    // The work surface follows the pointer with the left button alone.
    const double left = w.Picture1->Left(), top = w.Picture1->Top();
    w.Picture1_MouseDown(1, 0, 10, 5);
    w.Picture1_MouseMove(1, 0, 14, 2);
    EXPECT_DOUBLE_EQ(w.Picture1->Left(), left + 4 * 15);
    EXPECT_DOUBLE_EQ(w.Picture1->Top(), top - 3 * 15);
    w.Picture1_MouseMove(3, 0, 30, 30);
    w.Picture1_MouseMove(0, 0, 30, 30);
    EXPECT_DOUBLE_EQ(w.Picture1->Left(), left + 4 * 15);

    w.ImageFullScreen_Click();
    EXPECT_TRUE(w.isCompactLayout());
    EXPECT_DOUBLE_EQ(w.Width(), 5856);
    EXPECT_DOUBLE_EQ(w.Height(), 7272);
    EXPECT_DOUBLE_EQ(w.Left(), ui::Screen::Width() / 2 - 5856 / 2);
    EXPECT_DOUBLE_EQ(w.Top(), ui::Screen::Height() / 2 - 7272 / 2);
    EXPECT_DOUBLE_EQ(w.PictureBottom->Top(), w.ScaleHeight() - 528);
    EXPECT_DOUBLE_EQ(w.PictureCont->Width(), main().PictureCatalogueFrame->Width());
    EXPECT_DOUBLE_EQ(w.PictureCont->Height(), main().PictureCatalogueFrame->Height());
    EXPECT_EQ(geometry(*w.ImageCatalogue), geometry(shown));
    EXPECT_FALSE(w.Picture1->Visible());
    EXPECT_FALSE(w.ImageOrgZoom->Visible());
    EXPECT_DOUBLE_EQ(w.PictureModes->Top(), 4776);
    EXPECT_DOUBLE_EQ(w.PictureModes->Left(), 180);
    EXPECT_EQ(w.PictureModes->BackColor(), w.BackColor());
}

TEST_F(EffectsWindow, SaveHandsOverTheResultAndCancelLeavesThePreviewAlone) {
    FormEffects& w = open();
    picture::Picture handed;
    int shown = 0;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto& dialog = dynamic_cast<FormSaveAs&>(form);
        handed = dialog.PictureSave->Picture();
        ++shown;
        dialog.LabelButtomMenu_Click(1);
    });
    w.LabelButtomMenu_Click(1);
    EXPECT_TRUE(handed == mainPicture()) << "before any change: the main picture";

    // An open full-screen window is no preview of this one: lines never reach it.
    Form27& view = ui::loaded<Form27>();
    const picture::Picture before = view.Image1->Picture();
    w.HScroll3->setValue(255);  // Negative with a blue pen, not applied
    EXPECT_TRUE(view.Image1->Picture() == before);
    w.LabelButtomMenu_Click(1);
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(handed == w.ImageCatalogue->Picture());
    EXPECT_EQ(pixelsOf(handed), withLines(kFirst, kModes[0].rop, qRgb(0, 0, 255), allRows(30)));
    EXPECT_EQ(pixelsOf(w.Picture2->Picture()), kFirst) << "the window's pictures stay";

    w.mCopytoClipboard_Click();
    ASSERT_FALSE(services.clipboardImageWrites.empty());
    EXPECT_EQ(services.clipboardImageWrites.back().convertToFormat(QImage::Format_RGB32), pixelsOf(handed));

    w.LabelButtomMenu_Click(2);  // Cancel
    EXPECT_FALSE(ui::isLoaded<FormEffects>());
    EXPECT_TRUE(ui::isLoaded<Form27>());
    main().Label7_Click(25);
    EXPECT_EQ(w.HScroll3->Value(), 0) << "the next opening starts afresh";
    EXPECT_EQ(result(w), kFirst);
}

}  // namespace
