// The Filters window itself: the working copy at load, the commands that move pictures
// between the work boxes (Apply, Revert, Reload, Save, Cancel), and the colour picker.

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "filters/filter_window_fixture.h"
#include "filters/modFunctions.h"
#include "platform/ui/colors.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/testing.h"
#include "shell/module1.h"
#include "tools/save_dialog.h"

namespace filterstest {
namespace {

class FilterWindow : public FiltersWindow {
protected:
    static picture::Picture mainShown() { return ui::forms<Form1>().ImageCatalogue->Picture(); }
    static QSize workingSize(const ui::PictureBox& box) {
        return {int(box.ScaleWidth()), int(box.ScaleHeight())};
    }
    static void expectEffectReset(FilterLibFrm& w) {
        EXPECT_EQ(modFunctions::CurrentEffect, 0);
        EXPECT_EQ(w.LastOpenFolder, *Module1::ProgramFolder);
        EXPECT_FALSE(w.HScroll1->Enabled());
        EXPECT_FALSE(w.Command2->Enabled());
        EXPECT_EQ(w.LabelCrtEffect->Caption(), "");
        EXPECT_FALSE(w.PictureCatalogue->Visible());
        EXPECT_FALSE(w.Text2->Visible());
        EXPECT_FALSE(w.ImagePickerZoom->Visible());
    }
};

TEST_F(FilterWindow, LoadMakesAOneToOneWorkingCopyAndShowsTheMainPicture) {
    const QImage source = pattern(200, 100);
    FilterLibFrm& w = open(source);
    EXPECT_EQ(w.Caption(), "Filters");
    for (ui::PictureBox* box : {w.Picture1.data(), w.Picture2.data(), w.Picture3.data()})
        EXPECT_EQ(workingSize(*box), QSize(200, 100)) << box->objectName().toStdString();
    EXPECT_EQ(drawnImage(*w.Picture1), source);
    EXPECT_EQ(drawnImage(*w.Picture2), source);
    EXPECT_EQ(drawnImage(*w.Picture3), filled(200, 100, kButtonFace)) << "sized, not painted";
    EXPECT_EQ(w.Picture1->Picture().Handle(), 0u) << "nothing applied yet";

    const ui::Image& main = *ui::forms<Form1>().ImageCatalogue;
    EXPECT_TRUE(w.ImageCatalogue->Picture() == main.Picture());
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Left(), main.Left());
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Top(), main.Top());
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Width(), main.Width());
    EXPECT_DOUBLE_EQ(w.ImageCatalogue->Height(), main.Height());
    EXPECT_DOUBLE_EQ(w.PictureCont->Width(), ui::forms<Form1>().PictureCatalogueFrame->Width());

    EXPECT_EQ(w.Text2->BackColor(), ui::RGB(224, 224, 224));
    expectEffectReset(w);
    EXPECT_EQ(w.HScroll1->Min(), -255);
    EXPECT_EQ(w.HScroll1->Max(), 255);
    EXPECT_EQ(w.HScroll1->Value(), 0);
    EXPECT_TRUE(w.isPickerSmall());
    EXPECT_DOUBLE_EQ(w.PictureCatalogue->Width(), main.Width() / main.Height() * 470);
    EXPECT_FALSE(w.mnuOpen->Enabled());
    EXPECT_FALSE(w.mnuExit->Enabled());
    EXPECT_FALSE(w.mPastefromClipboard->Enabled());
    EXPECT_FALSE(w.mnuImage->Enabled());
    EXPECT_TRUE(calls().empty()) << "loading applies nothing";

    // "Save" right after load hands over the main window's own picture object.
    int saved = 0;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto& dialog = dynamic_cast<FormSaveAs&>(form);
        EXPECT_TRUE(dialog.PictureSave->Picture() == mainShown());
        ++saved;
        dialog.LabelButtomMenu_Click(1);
    });
    w.LabelButtomMenu_Click(1);
    EXPECT_EQ(saved, 1);
    EXPECT_TRUE(services.msgBoxes.empty());
}

// The pictures through load, effects, Apply, Revert and Reload, with the real library's
// Brightness (a result unlike its source) and Apply committing it.
TEST_F(FilterWindow, ApplyCommitsRevertRestoresAndReloadTakesTheMainPictureAgain) {
    RecordingLibrary::restoreRealLibrary();
    const QImage source = pattern(40, 30);
    FilterLibFrm& w = open(source);

    // Revert before any Apply leaves the result, shows it, and resets the controls.
    choose(1);
    w.HScroll1->setValue(60);
    const QImage brighter = drawnImage(*w.Picture2);
    EXPECT_NE(brighter, source);
    EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), brighter);
    w.ImageUndo_Click();
    EXPECT_EQ(drawnImage(*w.Picture2), brighter);
    EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), brighter);
    expectEffectReset(w);
    EXPECT_EQ(drawnImage(*w.Picture1), source) << "Revert never touches the source";

    // Apply: the source and the last applied picture become the result; the shown
    // picture stays the same object.
    choose(1);
    w.HScroll1->setValue(60);
    const picture::Picture shownBefore = w.ImageCatalogue->Picture();
    w.LabelButtomMenu_Click(0);
    EXPECT_EQ(drawnImage(*w.Picture1), brighter);
    EXPECT_EQ(imageOf(w.Picture1->Picture()), brighter);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == shownBefore);
    EXPECT_EQ(modFunctions::CurrentEffect, 1) << "Apply leaves the selection";

    // Effects now work on the committed picture; Revert brings the applied one back.
    w.HScroll1->setValue(59);
    w.HScroll1->setValue(60);
    const QImage twiceBrighter = drawnImage(*w.Picture2);
    EXPECT_NE(twiceBrighter, brighter);
    w.ImageUndo_Click();
    EXPECT_EQ(drawnImage(*w.Picture2), brighter);
    EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), brighter);
    expectEffectReset(w);

    // Reload: the main picture in source and result, shown as the main window's object;
    // the last applied picture survives, and Revert brings it back.
    w.ImageReload_Click();
    EXPECT_EQ(drawnImage(*w.Picture1), source);
    EXPECT_EQ(drawnImage(*w.Picture2), source);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == mainShown());
    expectEffectReset(w);
    w.ImageUndo_Click();
    EXPECT_EQ(drawnImage(*w.Picture2), brighter);
    EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), brighter);
    EXPECT_EQ(drawnImage(*w.Picture1), source) << "the next effect works on the main picture";
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(FilterWindow, ReloadTakesAPictureOfAnotherSizeOneToOneAndOpeningAgainDoesNot) {
    FilterLibFrm& w = open(pattern(30, 20));
    const QImage other = pattern(50, 70);
    showInMainWindow(other);
    ui::forms<Form1>().Label7_Click(24);
    EXPECT_EQ(workingSize(*w.Picture1), QSize(30, 20)) << "opening an open window only brings it up";

    w.ImageReload_Click();
    for (ui::PictureBox* box : {w.Picture1.data(), w.Picture2.data(), w.Picture3.data()})
        EXPECT_EQ(workingSize(*box), QSize(50, 70));
    EXPECT_EQ(drawnImage(*w.Picture1), other);
    EXPECT_EQ(drawnImage(*w.Picture2), other);
    // The thumbnail is painted from the main window's picture as it is now.
    const QImage thumbnail = drawnImage(*w.PictureCatalogue);
    EXPECT_EQ(thumbnail, stretched(other, thumbnail.size()));
    // "Canvas Adjust" reaches up to the new width.
    choose(30);
    EXPECT_EQ(w.HScroll1->Max(), 50);
}

// Each picture fitted as the main window fits it: its own proportions, centred in the
// pane, scaled down when larger than the pane; the thumbnail takes the same proportions.
TEST_F(FilterWindow, ReloadFitsAPictureOfAnotherShapeToThePaneKeepingItsProportions) {
    const QSize shapes[] = {{50, 70}, {800, 200}, {120, 900}, {40, 30}};
    FilterLibFrm& w = open(pattern(40, 30));
    const double paneW = w.PictureCont->Width(), paneH = w.PictureCont->Height();
    for (const QSize shape : shapes) {
        SCOPED_TRACE(testing::Message() << shape.width() << " x " << shape.height());
        showInMainWindow(pattern(shape.width(), shape.height()));
        choose(13);
        w.ImagePickerZoom_Click();
        w.ImageReload_Click();

        const ui::Image& shown = *w.ImageCatalogue;
        const ui::Image& main = *ui::forms<Form1>().ImageCatalogue;
        EXPECT_TRUE(shown.Picture() == main.Picture());
        EXPECT_DOUBLE_EQ(shown.Width(), main.Width());
        EXPECT_DOUBLE_EQ(shown.Height(), main.Height());
        EXPECT_DOUBLE_EQ(shown.Left(), main.Left());
        EXPECT_DOUBLE_EQ(shown.Top(), main.Top());
        EXPECT_NEAR(shown.Width() / shown.Height(), double(shape.width()) / shape.height(), 1e-9);
        EXPECT_LE(shown.Width(), paneW + 1e-9);
        EXPECT_LE(shown.Height(), paneH + 1e-9);
        EXPECT_NEAR(shown.Left() + shown.Width() / 2, paneW / 2, 1e-9);
        EXPECT_NEAR(shown.Top() + shown.Height() / 2, paneH / 2, 1e-9);

        EXPECT_TRUE(w.isPickerSmall());
        EXPECT_DOUBLE_EQ(w.PictureCatalogue->Width(), shown.Width() / shown.Height() * 470);
        const QImage thumbnail = drawnImage(*w.PictureCatalogue);
        EXPECT_EQ(thumbnail, stretched(pattern(shape.width(), shape.height()), thumbnail.size()));
    }
}

// The enlarged thumbnail covers the result: every application that puts a result on show
// takes it back to its small size, repainted, with the picked colour kept.
TEST_F(FilterWindow, TheEnlargedPickerClosesWhenAnEffectIsApplied) {
    const struct {
        const char* name;
        void (*apply)(FilterLibFrm&);
    } applications[] = {
        {"slider moved", [](FilterLibFrm& w) { w.HScroll1->setValue(30); }},
        {"picker effect chosen again", [](FilterLibFrm&) { choose(13); }},
        {"slider dragged", [](FilterLibFrm& w) { w.HScroll1_Scroll(); }},
    };
    FilterLibFrm& w = open(pattern(64, 48));
    choose(13);  // "Replace Color"
    for (const auto& a : applications) {
        SCOPED_TRACE(a.name);
        w.ImagePickerZoom_Click();
        ASSERT_FALSE(w.isPickerSmall());
        w.PictureCatalogue_MouseDown(ui::vbLeftButton, 0, 20, 20);
        const ui::COLORREF picked = w.Text2->BackColor();
        const size_t before = calls().size();
        a.apply(w);
        EXPECT_GT(calls().size(), before);
        EXPECT_TRUE(w.isPickerSmall());
        EXPECT_DOUBLE_EQ(w.PictureCatalogue->Left(), 1836);
        EXPECT_DOUBLE_EQ(w.PictureCatalogue->Top(), 0);
        EXPECT_TRUE(w.PictureCatalogue->Visible()) << "still the picker of the selected effect";
        const QImage thumbnail = drawnImage(*w.PictureCatalogue);
        EXPECT_EQ(thumbnail, stretched(pattern(64, 48), thumbnail.size()));
        EXPECT_EQ(w.Text2->BackColor(), picked);
        EXPECT_EQ(imageOf(w.ImageCatalogue->Picture()), drawnImage(*w.Picture2)) << "the result on show";
    }
    // An immediate effect closes it as well.
    w.ImagePickerZoom_Click();
    choose(23);  // "Solarize"
    EXPECT_TRUE(w.isPickerSmall());
}

TEST_F(FilterWindow, CancelClosesThePreviewAndTheNextOpeningStartsAfresh) {
    RecordingLibrary::restoreRealLibrary();
    FilterLibFrm& w = open(pattern(24, 16));
    w.ImageFullScreen_Click();
    ASSERT_TRUE(Module1::SlideShowWindowOpen);
    choose(13);  // a picker effect
    w.ImagePickerZoom_Click();
    w.PictureCatalogue_MouseDown(ui::vbLeftButton, 0, 3, 3);
    EXPECT_NE(w.Text2->BackColor(), ui::RGB(224, 224, 224));
    EXPECT_TRUE(ui::forms<Form27>().Image1->Picture() == w.ImageCatalogue->Picture()) << "the preview follows";
    w.LabelButtomMenu_Click(0);

    w.LabelButtomMenu_Click(2);
    EXPECT_FALSE(ui::isLoaded<FilterLibFrm>());
    EXPECT_FALSE(ui::isLoaded<Form27>());
    ui::forms<Form1>().Label7_Click(24);
    EXPECT_EQ(w.Text2->BackColor(), ui::RGB(224, 224, 224));
    EXPECT_TRUE(w.isPickerSmall());
    EXPECT_EQ(w.Picture1->Picture().Handle(), 0u);
    EXPECT_TRUE(w.ImageCatalogue->Picture() == mainShown());
}

TEST_F(FilterWindow, ThePickerPicksFromTheThumbnailOnlyWhileAPickerEffectIsSelected) {
    FilterLibFrm& w = open(pattern(64, 48));
    choose(13);  // "Replace Color"
    EXPECT_TRUE(w.PictureCatalogue->Visible());
    EXPECT_TRUE(w.Text2->Visible());
    EXPECT_TRUE(w.ImagePickerZoom->Visible());
    EXPECT_EQ(w.PictureCatalogue->MousePointer(), ui::vbCustom);
    ASSERT_TRUE(w.PictureCatalogue->MouseIcon().has_value());
    EXPECT_EQ(w.PictureCatalogue->MouseIcon()->hotSpot(), QPoint(9, 20));
    EXPECT_EQ(w.PictureCatalogue->MouseIcon()->pixmap().size(), QSize(32, 32));

    const size_t before = calls().size();
    w.PictureCatalogue_MouseDown(ui::vbRightButton, 0, 5, 7);
    const ui::COLORREF picked = static_cast<ui::COLORREF>(w.PictureCatalogue->Point(5, 7));
    EXPECT_EQ(w.Text2->BackColor(), picked);
    EXPECT_NE(picked, ui::RGB(224, 224, 224));
    EXPECT_EQ(calls().size(), before) << "picking applies nothing";
    w.HScroll1->setValue(10);
    ASSERT_EQ(calls().size(), before + 1);
    EXPECT_EQ(calls().back().arguments[2].value, picked) << "the next application takes it";
    EXPECT_EQ(calls().back().arguments[3].value, ~picked);

    choose(1);  // not a picker effect
    EXPECT_FALSE(w.PictureCatalogue->Visible());
    EXPECT_EQ(w.PictureCatalogue->MousePointer(), ui::vbDefault);
    w.PictureCatalogue_MouseDown(ui::vbLeftButton, 0, 0, 0);
    EXPECT_EQ(w.Text2->BackColor(), picked) << "no pick without the picker pointer";
    choose(61);
    EXPECT_EQ(w.Text2->BackColor(), picked) << "the colour stays for the next picker effect";
}

TEST_F(FilterWindow, ThePickerZoomsOverThePaneAndDragsOnlyWhenEnlargedWithTheLeftButton) {
    FilterLibFrm& w = open(pattern(90, 60));
    choose(15);
    ui::PictureBox& thumb = *w.PictureCatalogue;
    const double shownW = w.ImageCatalogue->Width(), shownH = w.ImageCatalogue->Height();

    // A height of exactly 470 is small, whatever the width: no drag.
    thumb.setWidth(3000);
    w.PictureCatalogue_MouseDown(ui::vbLeftButton, 0, 2, 2);
    w.PictureCatalogue_MouseMove(ui::vbLeftButton, 0, 12, 12);
    EXPECT_DOUBLE_EQ(thumb.Left(), 1836);
    EXPECT_DOUBLE_EQ(thumb.Top(), 0);

    w.ImagePickerZoom_Click();
    EXPECT_FALSE(w.isPickerSmall());
    EXPECT_DOUBLE_EQ(thumb.Width(), shownW / 1.2);
    EXPECT_DOUBLE_EQ(thumb.Height(), shownH / 1.2);
    EXPECT_DOUBLE_EQ(thumb.Left(), w.PictureCont->Left() + w.PictureCont->Width() / 2 - shownW / 1.2 / 2);
    EXPECT_DOUBLE_EQ(thumb.Top(), w.PictureCont->Top() + w.PictureCont->Height() / 2 - shownH / 1.2 / 2);
    // Painted anew over its enlarged inner area from the main window's picture.
    const QImage painted = drawnImage(thumb);
    EXPECT_EQ(painted.size(), QSize(int(thumb.ScaleWidth()), int(thumb.ScaleHeight())));
    EXPECT_EQ(painted, stretched(pattern(90, 60), painted.size()));

    const double left = thumb.Left(), top = thumb.Top();
    w.PictureCatalogue_MouseDown(ui::vbLeftButton, 0, 10, 10);
    w.PictureCatalogue_MouseMove(ui::vbLeftButton | ui::vbRightButton, 0, 20, 20);
    w.PictureCatalogue_MouseMove(ui::vbRightButton, 0, 20, 20);
    EXPECT_DOUBLE_EQ(thumb.Left(), left) << "only the left button alone drags";
    w.PictureCatalogue_MouseMove(ui::vbLeftButton, 0, 15, 12);
    EXPECT_DOUBLE_EQ(thumb.Left(), left + 5 * 15);
    EXPECT_DOUBLE_EQ(thumb.Top(), top + 2 * 15);

    w.ImagePickerZoom_Click();
    EXPECT_TRUE(w.isPickerSmall());
    EXPECT_DOUBLE_EQ(thumb.Left(), 1836);
    EXPECT_DOUBLE_EQ(thumb.Top(), 0);
    EXPECT_DOUBLE_EQ(thumb.Width(), shownW / shownH * 470);
}

}  // namespace
}  // namespace filterstest
