#pragma once
// The resize window: the main window's current picture (or a pasted one) redrawn at a
// zoom of 1 to 500 percent onto a new bitmap, shown at its real size in a frame with pan
// bars, its size in pixels beside the zoom, and handed to the save dialog by "Save".
// An edit window: theme, bottom menu, Preview, File menu and number box are the frame's.

#include <QPointer>

#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/menu.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/scroll_bar.h"
#include "tools/edit_window_frame.h"

class FormResize : public tools::EditWindowFrame {
public:
    FormResize() : EditWindowFrame("FormResize") {}

    // ---- controls ----
    QPointer<ui::Image> imgOriginal;        // hidden: the source picture at its own size
    QPointer<ui::HScrollBar> HScrollZoom;   // percent, 1 to 500
    QPointer<ui::PictureBox> pctResize;     // the result, at its real size, inside PictureCont
    QPointer<ui::HScrollBar> HScroll1;      // pans pctResize across PictureCont
    QPointer<ui::VScrollBar> VScroll1;
    QPointer<ui::Label> LabelWH;            // "640 x 480"
    QPointer<ui::Menu> mOpen;               // designed disabled, never enabled

    // ---- handlers ----
    void Form_Load() override;
    void HScrollZoom_Change();
    void HScrollZoom_Scroll();  // the zoom step
    void HScroll1_Change();
    void HScroll1_Scroll();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void ImageReload_Click();

protected:
    void createControls() override;
    picture::Picture outputPicture() override;
    picture::Picture copyPicture() override;
    void pasteFromClipboard() override;
    void numberEntered(int value) override;

private:
    void CenterResizedPicture();
};
