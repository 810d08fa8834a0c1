#include "tools/rotate_window.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "platform/gdi/dib_surface.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/form_create.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/text_box.h"
#include "tools/modRotate.h"

namespace {

}  // namespace

void frmRotate::createControls() {
    setCaption("Rotate");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setAutoRedraw(true);
    setClientSize(5820, 6264);
    createFrame({{"Save", "Cancel"}, true, true, false, 0, 360});

    ImageReload = create<ui::Image>("ImageReload", 4680, 96, 288, 288);
    ImageReload->setStretch(true);
    ImageReload->setImage(catalogue::windowPicture("reload.png"));
    ImageReload->setToolTipText("Reload");

    LabelTitle = create<ui::Label>("LabelTitle", 300, 120, 2400, 240);
    LabelTitle->setAutoSize(true);
    LabelTitle->setBackStyle(0);
    // The designed caption doubles the ampersand so that one shows; our labels show
    // their text as it is.
    LabelTitle->setCaption("Rotate & Resize Canvas");

    // No border, as the main window's picture pane has none: the geometry copied from
    // its image control lands the same way here.
    PictureCont = create<ui::PictureBox>("PictureCont", 180, 500, 5412, 4164);
    PictureCont->setBorderStyle(0);
    ImageCatalogue = create<ui::Image>("ImageCatalogue", 0, 0, 5412, 4164, PictureCont);
    ImageCatalogue->setStretch(true);

    HScroll1 = create<ui::HScrollBar>("HScroll1", 852, 4944, 4308, 240);
    HScroll1->setMin(0);
    HScroll1->setMax(360);
    HScroll1->setSmallChange(1);
    HScroll1->setLargeChange(1);
    const struct { double left; const char* caption; const char* tip; } steps[2] = {
        {528, "-", "Reduce Canvas"}, {5268, "+", "Enlarge Canvas"}};
    for (int i = 0; i < 2; ++i) {
        ui::CommandButton* button = create(ComndResizeCanvas, i, steps[i].left, 4960, 220, 220);
        button->setCaption(steps[i].caption);
        button->setToolTipText(steps[i].tip);
    }
    TextCrtEffect = create<ui::TextBox>("TextCrtEffect", 2436, 5328, 1068, 300);
    TextCrtEffect->setMaxLength(3);
    LabelFlipH = create<ui::Label>("LabelFlipH", 1100, 5340, 1260, 276);
    LabelFlipH->setCaption("Flip Horizontal");
    LabelFlipH->setBackStyle(0);
    LabelFlipV = create<ui::Label>("LabelFlipV", 3590, 5340, 1260, 276);
    LabelFlipV->setCaption("Flip Vertical");
    LabelFlipV->setBackStyle(0);

    picSource = createWorkBox("picSource");
    picSource->setAutoSize(true);
    picDest = createWorkBox("picDest");
    shSel = create<ui::Label>("shSel", 0, 0, 8, 8, picDest);
    shSel->setBackStyle(0);
    shSel->setBorderStyle(1);

    HScroll1->Change = [this] { HScroll1_Change(); };
    HScroll1->Scroll = [this] { HScroll1_Scroll(); };
    ComndResizeCanvas.bind(&ui::CommandButton::Click, [this](int Index) { ComndResizeCanvas_Click(Index); });
    TextCrtEffect->KeyUp = [this](int& code, int shift) { TextCrtEffect_KeyUp(code, shift); };
    LabelFlipH->Click = [this] { LabelFlipH_Click(); };
    LabelFlipV->Click = [this] { LabelFlipV_Click(); };
    ImageReload->Click = [this] { ImageReload_Click(); };
}

void frmRotate::Form_Load() {
    applyTheme(false);
    Form1& main = ui::forms<Form1>();
    const ui::COLORREF text = main.TextField[0]->ForeColor();
    LabelFlipH->setForeColor(text);
    LabelFlipV->setForeColor(text);
    picSource->setBackColor(main.BackColor());
    picDest->setBackColor(main.BackColor());
    picSource->setPicture(main.PictureCatalogue->Picture());
    sizeCanvasToSource();
    takeMainGeometryAndPicture();
    centreOnCanvas();
}

void frmRotate::HScroll1_Change() { HScroll1_Scroll(); }

void frmRotate::HScroll1_Scroll() {
    setMousePointer(ui::vbHourglass);
    // A failing rotation must not leave the window with the hourglass.
    struct DefaultPointer {
        frmRotate* form;
        ~DefaultPointer() { form->setMousePointer(ui::vbDefault); }
    } pointer{this};
    picDest->Cls();
    ui::DoEvents();
    // The angle is read after the pending events: a nested step for a later slider
    // position may have run meanwhile, and this outer one draws last.
    const int angle = HScroll1->Value();
    modRotate::RotateBitmapAroundPoint(picDest->hDC(), centreX(), centreY(), picSource->hDC(),
                                       picSource->Picture().Handle(), angle);
    ImageCatalogue->setPicture(picDest->Image());
    TextCrtEffect->setText(QString::number(angle));
    setMousePointer(ui::vbDefault);
    refreshPreview();
}

void frmRotate::ComndResizeCanvas_Click(int Index) {
    picSource->setPicture(ui::forms<Form1>().PictureCatalogue->Picture());
    picSource->setAutoSize(false);
    // Divided, not multiplied by 1 / 1.05: the two differ in the last bit.
    auto step = [Index](double twips) { return Index == 0 ? twips / 1.05 : twips * 1.05; };
    picSource->setWidth(step(picSource->Width()));
    picSource->setHeight(step(picSource->Height()));
    sizeCanvasToSource();
    if (picSource->Width() <= PictureCont->Width() || picSource->Height() <= PictureCont->Height()) {
        ImageCatalogue->setWidth(picSource->Width());
        ImageCatalogue->setHeight(picSource->Height());
        ImageCatalogue->setLeft(PictureCont->Width() / 2 - ImageCatalogue->Width() / 2);
        ImageCatalogue->setTop(PictureCont->Height() / 2 - ImageCatalogue->Height() / 2);
    }
    centreOnCanvas();
    HScroll1_Scroll();
}

void frmRotate::LabelFlipH_Click() {
    paintMirrored(true);
    ImageCatalogue->setPicture(picDest->Image());
}

void frmRotate::LabelFlipV_Click() {
    paintMirrored(false);
    ImageCatalogue->setPicture(picDest->Image());
}

void frmRotate::ImageReload_Click() {
    HScroll1->setValue(0);
    picSource->setAutoSize(true);
    picSource->setPicture(ui::forms<Form1>().PictureCatalogue->Picture());
    picDest->setPicture(picture::Picture());
    picDest->Cls();
    sizeCanvasToSource();
    takeMainGeometryAndPicture();
    centreOnCanvas();
    HScroll1->setValue(0);
}

int frmRotate::centreX() const { return runtime::CLng(shSel->Left() + shSel->Width() / 2); }
int frmRotate::centreY() const { return runtime::CLng(shSel->Top() + shSel->Height() / 2); }

picture::Picture frmRotate::outputPicture() { return ImageCatalogue->Picture(); }
picture::Picture frmRotate::copyPicture() { return picDest->Image(); }

void frmRotate::numberEntered(int value) {
    HScroll1->setValue(value);
    HScroll1_Scroll();
}

void frmRotate::centreOnCanvas() {
    const double x = picDest->ScaleWidth() / 2, y = picDest->ScaleHeight() / 2;
    shSel->Move(x - shSel->Width() / 2, y - shSel->Height() / 2);
}

void frmRotate::sizeCanvasToSource() {
    picDest->setWidth(picSource->Width());
    picDest->setHeight(picSource->Height());
}

void frmRotate::takeMainGeometryAndPicture() {
    const ui::Image& shown = *ui::forms<Form1>().ImageCatalogue;
    ImageCatalogue->Move(shown.Left(), shown.Top(), shown.Width(), shown.Height());
    ImageCatalogue->setPicture(ui::forms<Form1>().PictureCatalogue->Picture());
}

// Paints the shown picture over the whole canvas, mirrored. The picture is drawn upright
// into a mirrored copy of the canvas, which is then mirrored back: whatever the picture
// leaves transparent keeps the canvas, and icons, which the platform draws unmirrored,
// turn as bitmaps do.
void frmRotate::paintMirrored(bool horizontal) {
    const picture::Picture shown = ImageCatalogue->Picture();
    const int w = static_cast<int>(picDest->ScaleWidth()), h = static_cast<int>(picDest->ScaleHeight());
    gdi::DibSurface mirror(w, h, 32);
    if (!mirror.valid()) return;
    auto mirrorInto = [&](gdi::HDC to, gdi::HDC from) {
        if (horizontal)
            gdi::StretchBlt(to, w, 0, -w, h, from, 0, 0, w, h, gdi::SRCCOPY);
        else
            gdi::StretchBlt(to, 0, h, w, -h, from, 0, 0, w, h, gdi::SRCCOPY);
    };
    const gdi::HDC canvas = picDest->hDC();
    mirrorInto(mirror.dc(), canvas);
    shown.Render(mirror.dc(), 0, 0, w, h, 0, shown.Height(), shown.Width(), -shown.Height());
    mirrorInto(canvas, mirror.dc());
    picDest->Refresh();
}
