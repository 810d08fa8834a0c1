#include "tools/resize_window.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/picture_fitting.h"
#include "catalogue/window_pictures.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/screen.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "tools/modGDIPlusResize.h"

namespace {

constexpr int kZoomStart = 100;

}  // namespace

void FormResize::createControls() {
    setCaption("Resize");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(5784, 6276);

    createFrame({{"Save", "Cancel"}, true, true, true, 1, 500});
    // "Open" heads the File menu, before the frame's clipboard items.
    mOpen = createMenu("mOpen", "Open", mFile);
    mOpen->setEnabled(false);
    mFile->menu()->insertAction(mCopytoClipboard->action(), mOpen->action());

    LabelTitle = create<ui::Label>("LabelTitle", 300, 120, 3072, 228);
    LabelTitle->setCaption("Resize");
    LabelTitle->setBackStyle(0);
    LabelTitle->setFont({"Arial", 9});
    ImageReload = create<ui::Image>("ImageReload", 4656, 96, 288, 288);
    ImageReload->setStretch(true);
    ImageReload->setImage(catalogue::windowPicture("reload.png"));
    ImageReload->setToolTipText("Reload");

    imgOriginal = create<ui::Image>("imgOriginal", 0, 0, 100, 100);
    imgOriginal->setStretch(false);
    imgOriginal->setVisible(false);

    PictureCont = create<ui::PictureBox>("PictureCont", 180, 500, 5412, 4164);
    pctResize = create<ui::PictureBox>("pctResize", 0, 0, 100, 100, PictureCont);
    pctResize->setBorderStyle(0);
    pctResize->setAutoSize(true);
    HScroll1 = create<ui::HScrollBar>("HScroll1", 0, 3972, 5220, 165, PictureCont);
    VScroll1 = create<ui::VScrollBar>("VScroll1", 5220, 0, 165, 3984, PictureCont);
    for (ui::ScrollBar* bar : {static_cast<ui::ScrollBar*>(HScroll1), static_cast<ui::ScrollBar*>(VScroll1)}) {
        bar->setMin(0);
        bar->setSmallChange(100);
        bar->setLargeChange(500);
        bar->setVisible(false);
    }

    HScrollZoom = create<ui::HScrollBar>("HScrollZoom", 852, 4992, 4308, 240);
    HScrollZoom->setMin(1);
    HScrollZoom->setMax(500);
    HScrollZoom->setValue(kZoomStart);
    HScrollZoom->setSmallChange(1);
    HScrollZoom->setLargeChange(1);

    TextCrtEffect = create<ui::TextBox>("TextCrtEffect", 2655, 5340, 420, 300);
    TextCrtEffect->setMaxLength(3);
    TextCrtEffect->setText("555");
    LabelCrtEffect = create<ui::Label>("LabelCrtEffect", 3110, 5340, 330, 225);
    LabelCrtEffect->setCaption("%");
    LabelCrtEffect->setBackStyle(0);
    LabelWH = create<ui::Label>("LabelWH", 3540, 5340, 1560, 180);
    LabelWH->setAlignment(1);
    LabelWH->setBackStyle(0);
    LabelWH->setCaption("X");

    ImageReload->Click = [this] { ImageReload_Click(); };
    HScrollZoom->Change = [this] { HScrollZoom_Change(); };
    HScrollZoom->Scroll = [this] { HScrollZoom_Scroll(); };
    HScroll1->Change = [this] { HScroll1_Change(); };
    HScroll1->Scroll = [this] { HScroll1_Scroll(); };
    VScroll1->Change = [this] { VScroll1_Change(); };
    VScroll1->Scroll = [this] { VScroll1_Scroll(); };
    TextCrtEffect->KeyUp = [this](int& code, int shift) { TextCrtEffect_KeyUp(code, shift); };
}

void FormResize::Form_Load() {
    applyTheme(true);  // ends with the bottom menu painted
    Form1& main = ui::loaded<Form1>();
    runtime::resumeNext([&] { LabelWH->setForeColor(main.TextField[0]->ForeColor()); });
    runtime::resumeNext([&] { imgOriginal->setPicture(main.PictureCatalogue->Picture()); });
    // The session is never shut down: each loading of the window opens one more.
    runtime::resumeNext([] { modGDIPlusResize::StartGdiPlusForResize(); });
    runtime::resumeNext([&] { HScrollZoom_Scroll(); });
}

void FormResize::HScrollZoom_Change() { HScrollZoom_Scroll(); }

void FormResize::HScrollZoom_Scroll() {
    const ui::WaitCursor busy;  // a high-quality resize of a large picture takes a moment
    uint32_t handle = 0;
    int16_t type = 0;
    int32_t width = 0, height = 0;
    runtime::resumeNext([&] { handle = imgOriginal->Picture().Handle(); });
    runtime::resumeNext([&] { type = static_cast<int16_t>(imgOriginal->Picture().Type()); });
    // The twips sizes are single-precision; nothing is rounded before the nearest pixel.
    runtime::resumeNext([&] {
        width = runtime::CLng(static_cast<double>(static_cast<float>(imgOriginal->Width())) * HScrollZoom->Value() /
                              100 / ui::Screen::TwipsPerPixelX());
    });
    runtime::resumeNext([&] {
        height = runtime::CLng(static_cast<double>(static_cast<float>(imgOriginal->Height())) *
                               HScrollZoom->Value() / 100 / ui::Screen::TwipsPerPixelY());
    });
    runtime::resumeNext([&] {
        pctResize->setPicture(modGDIPlusResize::ResizePictureHandle(handle, type, width, height, 0, true));
    });
    runtime::resumeNext([&] { TextCrtEffect->setText(QString::number(HScrollZoom->Value())); });
    runtime::resumeNext([&] { HScroll1->setMax(runtime::CInt(pctResize->Width() - PictureCont->Width())); });
    runtime::resumeNext([&] { VScroll1->setMax(runtime::CInt(pctResize->Height() - PictureCont->Height())); });
    runtime::resumeNext([&] { CenterResizedPicture(); });
    runtime::resumeNext([&] {
        LabelWH->setCaption(catalogue::PictureSizeText(pctResize->Width(), pctResize->Height(),
                                                       ui::Screen::TwipsPerPixelX(), ui::Screen::TwipsPerPixelY())
                                .trimmed());
    });
    runtime::resumeNext([&] { refreshPreview(); });
}

// A result at least as large as the frame starts at its edge and can be panned; a smaller
// one is centred. The pan bars keep their values.
void FormResize::CenterResizedPicture() {
    if (pctResize->Width() >= PictureCont->Width()) {
        pctResize->setLeft(0);
        HScroll1->setVisible(true);
    } else {
        pctResize->setLeft((PictureCont->Width() - pctResize->Width()) / 2);
        HScroll1->setVisible(false);
    }
    if (pctResize->Height() >= PictureCont->Height()) {
        pctResize->setTop(0);
        VScroll1->setVisible(true);
    } else {
        pctResize->setTop((PictureCont->Height() - pctResize->Height()) / 2);
        VScroll1->setVisible(false);
    }
}

void FormResize::HScroll1_Change() { pctResize->setLeft(-HScroll1->Value()); }
void FormResize::HScroll1_Scroll() { pctResize->setLeft(-HScroll1->Value()); }
void FormResize::VScroll1_Change() { pctResize->setTop(-VScroll1->Value()); }
void FormResize::VScroll1_Scroll() { pctResize->setTop(-VScroll1->Value()); }

void FormResize::ImageReload_Click() {
    imgOriginal->setPicture(ui::loaded<Form1>().PictureCatalogue->Picture());
    HScrollZoom->setValue(kZoomStart);
    HScrollZoom_Scroll();
}

picture::Picture FormResize::outputPicture() { return pctResize->Picture(); }

picture::Picture FormResize::copyPicture() { return pctResize->Picture(); }

void FormResize::pasteFromClipboard() {
    runtime::resumeNext([&] {
        ui::Services& services = ui::services();
        imgOriginal->setPicture(services.clipboardHasImage() ? ui::PictureFromImage(services.clipboardImage())
                                                             : picture::Picture());
    });
    runtime::resumeNext([&] { HScrollZoom->setValue(kZoomStart); });
    runtime::resumeNext([&] { HScrollZoom_Scroll(); });
}

void FormResize::numberEntered(int value) {
    runtime::resumeNext([&] { HScrollZoom->setValue(value); });
    runtime::resumeNext([&] { HScrollZoom_Scroll(); });
}
