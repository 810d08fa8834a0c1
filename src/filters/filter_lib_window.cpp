#include "filters/filter_lib_window.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "filters/modFunctions.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/label.h"
#include "platform/ui/wait_cursor.h"
#include "shell/module1.h"
#include "tools/tool_icons.h"

namespace {

QString programFolder() { return Module1::ProgramFolder.value_or(QString()); }

}  // namespace

void FilterLibFrm::createControls() {
    setCaption("Filters");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(5784, 6060);
    // A window opened again starts with a dialog that has not chosen a file yet.
    CommonDialog1 = ui::CommonDialog();

    tools::EditWindowFrame::Design design;
    design.menuCaptions = {"Apply", "Save", "Cancel"};
    design.fileMenuName = "mnuFile";
    createFrame(design);
    mnuOpen = createMenu("mnuOpen", "Open...", mFile);
    mFile->menu()->insertAction(mCopytoClipboard->action(), mnuOpen->action());
    mnuExit = createMenu("mnuExit", "Exit", mFile);
    for (ui::Menu* item : {mnuOpen.data(), mnuExit.data()}) item->setEnabled(false);
    createEffectMenu();
    mnuImage = createMenu("mnuImage", "Image");
    mnuFlipH = createMenu("mnuFlipH", "Flip Horizontal", mnuImage);
    mnuFlipV = createMenu("mnuFlipV", "Flip Vertical", mnuImage);
    mnuFlipBoth = createMenu("mnuFlipBoth", "Flip Both", mnuImage);
    mnuImage->setEnabled(false);

    LabelTitle = create<ui::Label>("LabelTitle", 300, 120, 3636, 228);
    LabelTitle->setCaption("Filters");
    LabelTitle->setBackStyle(0);
    LabelTitle->setFont({"Arial", 9});
    ImageUndo = create<ui::Image>("ImageUndo", 4812, 120, 192, 192);
    ImageUndo->setStretch(true);
    ImageUndo->setImage(tools::undoIcon());
    ImageUndo->setToolTipText("Revert to Last Apply");
    ImageReload = create<ui::Image>("ImageReload", 5316, 108, 288, 288);
    ImageReload->setStretch(true);
    ImageReload->setImage(catalogue::windowPicture("reload.png"));
    ImageReload->setToolTipText("Reload");

    // No border, as the main window's picture pane has none: the geometry copied from
    // its image control lands the same way here.
    PictureCont = create<ui::PictureBox>("PictureCont", 180, 500, 5412, 4164);
    PictureCont->setBorderStyle(0);
    ImageCatalogue = create<ui::Image>("ImageCatalogue", 0, 0, 5412, 4164, PictureCont);
    ImageCatalogue->setStretch(true);
    createPicker();

    HScroll1 = create<ui::HScrollBar>("HScroll1", 564, 4788, 4680, 255);
    HScroll1->setMin(-255);
    HScroll1->setMax(255);
    HScroll1->setValue(0);
    HScroll1->setEnabled(false);
    Command2 = create<ui::CommandButton>("Command2", 2415, 60, 1215, 300);
    Command2->setCaption("Apply");
    Command2->setVisible(false);
    Command2->setEnabled(false);
    LabelCrtEffect = create<ui::Label>("LabelCrtEffect", 564, 5160, 4680, 228);
    LabelCrtEffect->setAlignment(2);
    LabelCrtEffect->setBackStyle(0);
    LabelCrtEffect->setFont({"Arial", 9});

    // The work pictures: the library reads and writes their drawn images.
    Picture1 = createWorkBox("Picture1");
    Picture2 = createWorkBox("Picture2");
    Picture3 = createWorkBox("Picture3");

    HScroll1->Change = [this] { HScroll1_Change(); };
    HScroll1->Scroll = [this] { HScroll1_Scroll(); };
    Command2->Click = [this] { Command2_Click(); };
    ImageUndo->Click = [this] { ImageUndo_Click(); };
    ImageReload->Click = [this] { ImageReload_Click(); };
}

void FilterLibFrm::Form_Load() {
    using runtime::resumeNext;
    resumeNext([&] {
        modFunctions::CurrentEffect = 0;
        LastOpenFolder = programFolder();
    });
    resumeNext([&] { HScroll1->setEnabled(false); });
    resumeNext([&] { Command2->setEnabled(false); });
    resumeNext([&] { Picture2->Move(Picture1->Left(), Picture1->Top()); });
    applyTheme(true);
    resumeNext([&] { Picture1->setPicture(picture::Picture()); });
    resumeNext([&] { Picture2->setPicture(picture::Picture()); });
    takeMainPicture();
    showMainPicture();
    resumeNext([&] { makePickerSmall(); });
    paintThumbnail();
}

// The working copy is the main window's picture pixel for pixel: the work boxes take its
// size (all three, so the second picture is stretched to it too) and the picture is
// painted into the source and the result unscaled.
void FilterLibFrm::takeMainPicture() {
    using runtime::resumeNext;
    const ui::PictureBox& main = *ui::loaded<Form1>().PictureCatalogue;
    for (ui::PictureBox* box : {Picture1.data(), Picture2.data(), Picture3.data()})
        resumeNext([&] {
            box->setWidth(main.Width());
            box->setHeight(main.Height());
        });
    for (ui::PictureBox* box : {Picture1.data(), Picture2.data()})
        resumeNext([&] { box->PaintPicture(main.Picture(), 0, 0, box->ScaleWidth(), box->ScaleHeight()); });
}

// The main window's picture as that window shows it: in a pane of its size, fitted there
// with its own proportions.
void FilterLibFrm::showMainPicture() {
    using runtime::resumeNext;
    const Form1& main = ui::loaded<Form1>();
    resumeNext([&] {
        PictureCont->setWidth(main.PictureCatalogueFrame->Width());
        PictureCont->setHeight(main.PictureCatalogueFrame->Height());
    });
    resumeNext([&] {
        const ui::Image& shown = *main.ImageCatalogue;
        ImageCatalogue->setPicture(shown.Picture());
        ImageCatalogue->Move(shown.Left(), shown.Top(), shown.Width(), shown.Height());
    });
}

void FilterLibFrm::resetEffect() {
    using runtime::resumeNext;
    resumeNext([&] {
        modFunctions::CurrentEffect = 0;
        LastOpenFolder = programFolder();
    });
    resumeNext([&] { HScroll1->setEnabled(false); });
    resumeNext([&] { Command2->setEnabled(false); });
    resumeNext([&] { LabelCrtEffect->setCaption(""); });
    resumeNext([&] {
        // The thumbnail picks only while it shows, under pointer 99.
        PictureCatalogue->setMousePointer(ui::vbDefault);
        PictureCatalogue->setVisible(false);
    });
    resumeNext([&] { Text2->setVisible(false); });
    resumeNext([&] { ImagePickerZoom->setVisible(false); });
}

void FilterLibFrm::Apply() {
    const picture::Picture result = Picture2->Image();
    Picture1->setPicture(result);
    Picture1->PaintPicture(result, 0, 0, Picture1->ScaleWidth(), Picture1->ScaleHeight());
}

void FilterLibFrm::ImageUndo_Click() {
    using runtime::resumeNext;
    const ui::WaitCursor busy;
    resetEffect();
    resumeNext([&] { Picture2->PaintPicture(Picture1->Picture(), 0, 0, Picture2->ScaleWidth(), Picture2->ScaleHeight()); });
    resumeNext([&] { ImageCatalogue->setPicture(Picture2->Image()); });
    resumeNext([&] { refreshPreview(); });
}

void FilterLibFrm::ImageReload_Click() {
    using runtime::resumeNext;
    const ui::WaitCursor busy;
    resetEffect();
    takeMainPicture();
    // A picture of another shape is fitted anew, not stretched into the earlier one's
    // rectangle; the thumbnail takes its proportions too.
    showMainPicture();
    resumeNext([&] { makePickerSmall(); });
    paintThumbnail();
    resumeNext([&] { refreshPreview(); });
}

picture::Picture FilterLibFrm::outputPicture() { return ImageCatalogue->Picture(); }

picture::Picture FilterLibFrm::copyPicture() { return Picture2->Image(); }
