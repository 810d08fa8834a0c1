#include "tools/edit_window_frame.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "shell/module1.h"
#include "tools/save_dialog.h"
#include "tools/bottom_menu.h"

namespace tools {

namespace {

constexpr double kStripHeight = 528;

}  // namespace

void EditWindowFrame::createFrame(const Design& design) {
    design_ = design;
    PictureBottom = create<ui::PictureBox>("PictureBottom", 0, ScaleHeight() - kStripHeight, ScaleWidth(), kStripHeight);
    PictureBottom->setBorderStyle(0);
    PictureBottom->setAutoRedraw(true);
    PictureBottom->setBackColor(ui::RGB(176, 176, 204));
    for (int i = 0; i < design.menuCaptions.size(); ++i) {
        ui::Label* label = create(LabelButtomMenu, i, 0, 0, 996, 204, PictureBottom);
        label->setCaption(design.menuCaptions[i]);
        label->setAlignment(2);
        label->setBackStyle(0);
        label->setFont({"Arial", 9});
    }
    LabelButtomMenu.bind(&ui::Label::Click, [this](int Index) { LabelButtomMenu_Click(Index); });

    ImageFullScreen = create<ui::Image>("ImageFullScreen", 4248, 96, 288, 288);
    ImageFullScreen->setStretch(true);
    ImageFullScreen->setImage(QImage(":/pictures/tool-full-screen.png"));
    ImageFullScreen->setToolTipText(design.hasPreview ? "Preview" : "Full Screen");
    if (design.hasPreview) ImageFullScreen->Click = [this] { ImageFullScreen_Click(); };

    mFile = createMenu(design.fileMenuName, "File");
    mCopytoClipboard = createMenu("mCopytoClipboard", "Copy to Clipboard", mFile);
    mPastefromClipboard = createMenu("mPastefromClipboard", "Paste from Clipboard", mFile);
    mPastefromClipboard->setEnabled(design.pasteEnabled);
    mCopytoClipboard->Click = [this] { mCopytoClipboard_Click(); };
    mPastefromClipboard->Click = [this] { mPastefromClipboard_Click(); };
}

ui::PictureBox* EditWindowFrame::createWorkBox(const QString& name, double left, double top) {
    ui::PictureBox* box = create<ui::PictureBox>(name, left, top, 100, 100);
    box->setVisible(false);
    box->setBorderStyle(0);
    box->setScaleMode(ui::vbPixels);
    box->setAutoRedraw(true);
    return box;
}

void EditWindowFrame::applyTheme(bool skipFailures) {
    auto step = [skipFailures](auto&& body) {
        if (skipFailures)
            runtime::resumeNext(body);
        else
            body();
    };
    Form1& main = ui::loaded<Form1>();
    step([&] { setPicture(main.picToolBar->Image()); });
    step([&] { PictureBottom->setPicture(main.picToolBar->Image()); });
    step([&] { setBackColor(main.BackColor()); });
    step([&] {
        if (PictureCont) PictureCont->setBackColor(main.BackColor());
    });
    step([&] {
        if (TextCrtEffect) TextCrtEffect->setBackColor(main.BackColor());
    });
    const ui::COLORREF text = main.TextField[0]->ForeColor();
    step([&] {
        if (LabelTitle) LabelTitle->setForeColor(text);
    });
    step([&] {
        if (LabelCrtEffect) LabelCrtEffect->setForeColor(text);
    });
    step([&] {
        if (TextCrtEffect) TextCrtEffect->setForeColor(text);
    });
    step([&] { DrawBottomMenu(); });
}

void EditWindowFrame::DrawBottomMenu() {
    PaintBottomMenu(*PictureBottom, LabelButtomMenu, ui::loaded<Form1>().TextField[0]->ForeColor());
}

void EditWindowFrame::ImageFullScreen_Click() {
    Form27& view = ui::loaded<Form27>();
    for (ui::Control* c : std::initializer_list<ui::Control*>{view.Command1, view.Command2, view.Command3,
                                                               view.Command4, view.Text1, view.Text2})
        c->setVisible(false);
    view.Image1->setStretch(false);
    view.Image1->setPicture(outputPicture());
    view.Image1->setVisible(true);
    view.setWindowState(ui::vbNormal);
    view.Show();
    view.setCaption("Preview");
    ui::DoEvents();
    view.Image1->setTop(static_cast<float>(view.ScaleHeight() / 2 - view.Image1->Height() / 2));
    view.Image1->setLeft(static_cast<float>(view.ScaleWidth() / 2 - view.Image1->Width() / 2));
}

void EditWindowFrame::refreshPreview() {
    if (Module1::SlideShowWindowOpen) ImageFullScreen_Click();
}

void EditWindowFrame::mCopytoClipboard_Click() {
    runtime::resumeNext([] { ui::services().clearClipboard(); });
    runtime::resumeNext([&] { ui::services().setClipboardImage(ui::ImageFromPicture(copyPicture())); });
}

void EditWindowFrame::mPastefromClipboard_Click() { pasteFromClipboard(); }

void EditWindowFrame::TextCrtEffect_KeyUp(int& KeyCode, int) {
    const bool digit = (KeyCode >= 48 && KeyCode <= 57) || (KeyCode >= 96 && KeyCode <= 105);
    if (!digit) {
        TextCrtEffect->setText("");
        ui::DoEvents();
    }
    if (TextCrtEffect->Text().isEmpty()) return;
    const double value = runtime::Val(TextCrtEffect->Text().toStdString());
    if (value < design_.numberMin || value > design_.numberMax) {
        TextCrtEffect->setText("");
        return;
    }
    numberEntered(runtime::CInt(value));
    if (Visible()) TextCrtEffect->SetFocus();
}

void EditWindowFrame::LabelButtomMenu_Click(int Index) {
    const QString caption = LabelButtomMenu[Index]->Caption();
    if (caption == "Save") {
        FormSaveAs& dialog = ui::loaded<FormSaveAs>();
        dialog.PictureSave->setPicture(outputPicture());
        dialog.Show(ui::vbModal);
    } else if (caption == "Cancel") {
        Unload();
    } else if (caption == "Apply") {
        const ui::WaitCursor busy;
        Apply();
    }
}

void EditWindowFrame::Form_Unload(int&) {
    if (design_.closesPreviewOnUnload && ui::isLoaded<Form27>()) ui::forms<Form27>().Unload();
}

}  // namespace tools
