#pragma once
// The Filters window: applies the effects of the filter library ("FilterLib.dll", found
// by name at every call) to a working copy of the main window's current picture.
//
// Three hidden work boxes hold the pictures the library reads and writes: Picture1 the
// source (its assigned picture is the last applied one), Picture2 the result, Picture3
// the second picture of the blend effects. They have no border and the picture's own
// size, so the working copy is the picture pixel for pixel. The shown picture is
// ImageCatalogue's, in the pane PictureCont: the main window's picture until the first
// effect, then the result. The colour picker is a thumbnail of the main window's
// picture (PictureCatalogue) with a swatch (Text2, whose back colour is the picked
// colour) and a zoom button.
//
// An edit window: theme, bottom menu ("Apply", "Save", "Cancel"), Preview, the File
// menu's "Copy to Clipboard" (the result) and the hand-off to the save dialog are the
// frame's. The "Filters" menu, its effect table and the selection are effect_menu.h and
// modFunctions.h; the application of an effect is filter_lib_window_effects.cpp.

#include <cstdint>
#include <map>
#include <vector>

#include <QPointer>
#include <QString>

#include "platform/ui/command_button.h"
#include "platform/ui/common_dialog.h"
#include "platform/ui/image.h"
#include "platform/ui/menu.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/text_box.h"
#include "tools/edit_window_frame.h"

namespace filterlib {
struct EffectCall;
}

class FilterLibFrm : public tools::EditWindowFrame {
public:
    FilterLibFrm() : EditWindowFrame("FilterLibFrm") {}

    // ---- controls ----
    QPointer<ui::PictureBox> Picture1;          // hidden: the source picture
    QPointer<ui::PictureBox> Picture2;          // hidden: the result picture
    QPointer<ui::PictureBox> Picture3;          // hidden: the second picture
    QPointer<ui::Image> ImageCatalogue;         // the shown picture, in PictureCont
    QPointer<ui::PictureBox> PictureCatalogue;  // the picker thumbnail
    QPointer<ui::TextBox> Text2;                // the swatch: its back colour is the picked colour
    QPointer<ui::Image> ImagePickerZoom;
    QPointer<ui::Image> ImageUndo;              // "Revert to Last Apply"
    QPointer<ui::HScrollBar> HScroll1;          // the effect's parameter
    QPointer<ui::CommandButton> Command2;       // hidden: applies an immediate effect
    QPointer<ui::Menu> mnuOpen, mnuExit;        // designed disabled, never enabled
    QPointer<ui::Menu> mnuEffects;              // "Filters"
    QPointer<ui::Menu> mnuImage, mnuFlipH, mnuFlipV, mnuFlipBoth;  // disabled as a whole
    std::vector<QPointer<ui::Menu>> EffectSubmenus;   // mnu1 ... mnu6, in menu order
    std::map<int, QPointer<ui::Menu>> EffectItems;    // the items, by effect number
    ui::CommonDialog CommonDialog1;             // the second-picture dialog

    // ---- variables ----
    QString LastOpenFolder;
    int32_t FxResult = 0;
    float DragStartX = 0, DragStartY = 0;

    // ---- handlers ----
    void Form_Load() override;
    void ImageUndo_Click();    // Revert to Last Apply
    void ImageReload_Click();
    void ImagePickerZoom_Click();
    void PictureCatalogue_MouseDown(int Button, int Shift, double X, double Y);
    void PictureCatalogue_MouseMove(int Button, int Shift, double X, double Y);
    void HScroll1_Change();    // applies the slider effect at the slider's value
    void HScroll1_Scroll();
    void Command2_Click();     // applies the immediate effect
    // The click of every item of the "Filters" menu: selects the item's effect and
    // applies it once, after the label names it.
    void EffectItem_Click(int number);

    // True while the thumbnail has its small size (a height of exactly 470 twips).
    bool isPickerSmall() const;

protected:
    void createControls() override;
    picture::Picture outputPicture() override;
    picture::Picture copyPicture() override;
    void Apply() override;

private:
    void createEffectMenu();
    void createPicker();
    void resetEffect();
    void takeMainPicture();
    void showMainPicture();
    void paintThumbnail();
    void makePickerSmall();
    // The enlarged thumbnail lies over the pane: it goes back to its small size when a
    // result goes on show.
    void closeEnlargedPicker();
    // False, after saying so, when the chosen file cannot be read as a picture: the
    // second picture and the dialog's file then stay as they were.
    bool chooseSecondPicture();
    // One library call for the current effect when it is of the kind asked for, found
    // by name; nothing when the library or the function is missing or an argument does
    // not convert.
    void callCurrentEffect(bool immediate, ui::COLORREF picked);
};
