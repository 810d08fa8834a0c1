#pragma once
// The frame the four edit windows share (rotate, resize, draw-mode effects, Filters):
// the theme copied from the main window, the painted bottom menu with "Save" and
// "Cancel" (the effects and Filters windows put "Apply" before them), Preview in the
// full-screen window, the File menu's clipboard items, the digits-only number box, and
// the hand-off of the output picture to the save dialog. A window derives from it,
// builds its own controls, and answers the hooks below.

#include <QPointer>
#include <QStringList>

#include "platform/picture/picture.h"
#include "platform/ui/control_array.h"
#include "platform/ui/form.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/menu.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/text_box.h"

namespace tools {

class EditWindowFrame : public ui::Form {
public:
    explicit EditWindowFrame(QString name) : Form(std::move(name)) {}

    // ---- the frame's controls ----
    QPointer<ui::PictureBox> PictureBottom;
    ui::ControlArray<ui::Label> LabelButtomMenu{this, "LabelButtomMenu"};
    QPointer<ui::Image> ImageFullScreen;
    QPointer<ui::Image> ImageReload;
    QPointer<ui::Label> LabelTitle;
    QPointer<ui::PictureBox> PictureCont;
    QPointer<ui::Label> LabelCrtEffect;
    QPointer<ui::TextBox> TextCrtEffect;  // the number box of the rotate and resize windows
    QPointer<ui::Menu> mFile;
    QPointer<ui::Menu> mCopytoClipboard;
    QPointer<ui::Menu> mPastefromClipboard;

    // ---- the frame's handlers ----
    void DrawBottomMenu();
    void ImageFullScreen_Click();  // Preview
    void mCopytoClipboard_Click();
    void mPastefromClipboard_Click();
    void TextCrtEffect_KeyUp(int& KeyCode, int Shift);
    void LabelButtomMenu_Click(int Index);
    void Form_Unload(int& Cancel) override;

    // Runs Preview again when the full-screen window is loaded, after the output
    // picture changed.
    void refreshPreview();

protected:
    // What the frame needs to know of the window.
    struct Design {
        QStringList menuCaptions;       // "Save", "Cancel" or "Apply", "Save", "Cancel"
        bool hasPreview = true;         // the effects window's full-screen image switches its layout instead
        bool closesPreviewOnUnload = true;
        bool pasteEnabled = false;      // the resize window only
        int numberMin = 0, numberMax = 0;  // the number box's range, when it has one
        QString fileMenuName = "mFile";    // the Filters window calls it mnuFile
    };

    // Builds the frame's controls: the bottom strip (docked to the client area's bottom
    // edge) with its labels, the full-screen image and the File menu. Call from
    // createControls after the window's size is set.
    void createFrame(const Design& design);
    // A hidden work picture at (left, top): measured in pixels, without a border so that
    // the box's inner size is its outer size, with a persistent drawn image.
    ui::PictureBox* createWorkBox(const QString& name, double left = 0, double top = 0);
    // Copies the main window's colours and tool-strip image (each failing step skipped
    // when skipFailures), then paints the bottom menu. Call from Form_Load.
    void applyTheme(bool skipFailures);

    // ---- hooks ----
    // The picture Preview shows and "Save" hands over.
    virtual picture::Picture outputPicture() = 0;
    // The picture "Copy to Clipboard" places on the clipboard.
    virtual picture::Picture copyPicture() = 0;
    // The resize window's paste.
    virtual void pasteFromClipboard() {}
    // A number typed into the number box, within its range: set the window's scroll bar
    // and run its step.
    virtual void numberEntered(int value) {}
    // "Apply" in the effects and Filters windows.
    virtual void Apply() {}

    const Design& design() const { return design_; }

private:
    Design design_;
};

}  // namespace tools
