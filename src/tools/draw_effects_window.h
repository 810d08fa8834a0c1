#pragma once
// The draw-mode effects window: lays horizontal lines over a copy of the main window's
// shown picture in one of seven raster-operation draw modes, so the lines act on the
// picture (invert, XOR, mask) instead of covering it. Pen colour, draw mode, line style
// and spacing come from the controls panel; each change redraws the whole pattern over
// the base picture. "Apply" makes the result the new base, "Revert to Last Apply" goes
// back to it, "Reload" starts again from the main picture, "Full Screen" switches
// between a compact layout and one that fills the screen.
//
// An edit window: theme, bottom menu, File menu, the hand-off to the save dialog and
// "Cancel" are the frame's. The main window fills the pictures before every showing
// (ShowEffectsWindow); loading the window copies no picture.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/ui/control.h"
#include "platform/ui/event.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/menu.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/scroll_bar.h"
#include "tools/edit_window_frame.h"

class QToolButton;

namespace tools {

// The main window's "Effects": the pictures, the frame size and the result display's
// geometry are taken from the main window, then the window shows modeless. Runs on an
// open window too, replacing its pictures; failures reach the caller.
void ShowEffectsWindow();

// The draw modes the window offers are the platform's ROP2 codes 2, 7, 8, 9, 10, 14
// and 15, walked in that order by the arrows: the next mode up or down, stopping at
// either end.
int StepDrawMode(int mode, bool up);
// "Negative", "Mix", "Light", "RGB", "Neon", "Glow", "Poster"; empty for other codes.
QString DrawModeCaption(int mode);
// The line spacing as the window shows it: shortest form, the user's decimal separator.
QString StepText(double step);

// An up-down arrow pair: UpClick and DownClick; it keeps no value of its own.
class UpDown : public QWidget, public ui::Control {
public:
    explicit UpDown(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    ui::Event<> UpClick{this};
    ui::Event<> DownClick{this};

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool clicksFromMouse() const override { return false; }

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace tools

class FormEffects : public tools::EditWindowFrame {
public:
    FormEffects() : EditWindowFrame("FormEffects") {}

    // ---- controls ----
    QPointer<ui::PictureBox> Picture2;        // hidden: the base the lines are laid over
    QPointer<ui::PictureBox> Picture1;        // the work surface; shown in the full-screen layout
    QPointer<ui::Image> ImageCatalogue;       // the result, stretched, inside PictureCont
    QPointer<ui::Image> ImageOrgZoom;         // the reference above it in the full-screen layout
    QPointer<ui::Image> ImageUndo;            // "Revert to Last Apply"; its border marks an applied layer
    QPointer<ui::PictureBox> PictureModes;    // the controls panel
    QPointer<ui::HScrollBar> HScroll1;        // pen red, 0 to 255
    QPointer<ui::HScrollBar> HScroll2;        // pen green
    QPointer<ui::HScrollBar> HScroll3;        // pen blue
    QPointer<ui::HScrollBar> HScrollHL;       // line spacing in tenths of a pixel, 1 to 100
    QPointer<ui::VScrollBar> VScrollDrawStyle;  // -4 at the top to 0: the negated pen style
    QPointer<tools::UpDown> UpDownModes;
    QPointer<ui::Label> Label2, Label3, Label4;
    QPointer<ui::Label> LabelModes1, LabelModes;
    QPointer<ui::Label> LabelVerBlinds1, LabelVerBlinds;
    QPointer<ui::Label> LabelSmoothnss;
    QPointer<ui::Menu> mOpen;            // designed disabled, never enabled
    QPointer<ui::Menu> mSaveToDataBase;  // likewise

    // ---- variables ----
    int DrawModeValue = 2;
    float DragStartX = 0, DragStartY = 0;

    // ---- handlers ----
    void Form_Load() override;
    void Form_Resize() override;
    void HScroll1_Change();
    void HScroll1_Scroll();
    void HScroll2_Change();
    void HScroll2_Scroll();
    void HScroll3_Change();
    void HScroll3_Scroll();
    void HScrollHL_Change();
    void VScrollDrawStyle_Change();
    void UpDownModes_UpClick();
    void UpDownModes_DownClick();
    void ImageFullScreen_Click();  // the layout toggle: this window has no Preview
    void ImageUndo_Click();
    void ImageReload_Click();
    void LabelButtomMenu_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void LabelButtomMenu_MouseUp(int Index, int Button, int Shift, double X, double Y);
    void Picture1_MouseDown(int Button, int Shift, double X, double Y);
    void Picture1_MouseMove(int Button, int Shift, double X, double Y);

    // True while the compact layout's tool-strip texture is the window's background.
    bool isCompactLayout() const;

protected:
    void createControls() override;
    picture::Picture outputPicture() override;
    picture::Picture copyPicture() override;
    void Apply() override;

private:
    void RedrawEffectLines();
    void stepDrawMode(bool up);
    void toFullScreenLayout();
    void toCompactLayout();
    void dockBottomStrip();
};
