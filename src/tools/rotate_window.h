#pragma once
// The rotate window: turns a copy of the main window's current picture by whole degrees
// about the middle of a canvas, mirrors the result, steps the canvas by 5 % and hands
// the result to the save dialog. The pictures live in two hidden picture boxes: the
// source box takes the main window's picture, the canvas is what rotations and flips
// draw on; the user sees the result stretched into ImageCatalogue.

#include <QPointer>

#include "platform/ui/command_button.h"
#include "platform/ui/control_array.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/scroll_bar.h"
#include "tools/edit_window_frame.h"

class frmRotate : public tools::EditWindowFrame {
public:
    frmRotate() : EditWindowFrame("frmRotate") {}

    // ---- controls ----
    QPointer<ui::HScrollBar> HScroll1;  // the angle, 0 to 360 degrees
    ui::ControlArray<ui::CommandButton> ComndResizeCanvas{this, "ComndResizeCanvas"};  // 0 "-", 1 "+"
    QPointer<ui::Label> LabelFlipH;
    QPointer<ui::Label> LabelFlipV;
    QPointer<ui::Image> ImageCatalogue;  // the shown picture, in PictureCont
    QPointer<ui::PictureBox> picSource;  // hidden: the main window's picture
    QPointer<ui::PictureBox> picDest;    // hidden: the canvas
    QPointer<ui::Label> shSel;           // hidden marker in the canvas: its centre is the rotation centre

    // ---- handlers ----
    void Form_Load() override;
    void HScroll1_Change();
    void HScroll1_Scroll();  // the rotation step
    void ComndResizeCanvas_Click(int Index);
    void LabelFlipH_Click();
    void LabelFlipV_Click();
    void ImageReload_Click();

    // The rotation centre in canvas pixels, as the rotation receives it.
    int centreX() const;
    int centreY() const;

protected:
    void createControls() override;
    picture::Picture outputPicture() override;
    picture::Picture copyPicture() override;
    void numberEntered(int value) override;

private:
    void centreOnCanvas();
    void sizeCanvasToSource();
    void takeMainGeometryAndPicture();
    void paintMirrored(bool horizontal);
};
