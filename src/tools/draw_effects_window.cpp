#include "tools/draw_effects_window.h"

#include <cmath>

#include <QImage>
#include <QLocale>
#include <QToolButton>

#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "platform/gdi/gdi.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/screen.h"
#include "tools/tool_icons.h"

namespace tools {

namespace {

struct DrawMode {
    int code;
    const char* caption;
};
// The foreground mix modes of the platform (destination D, pen P).
constexpr DrawMode kDrawModes[] = {
    {2, "Negative"},  // NOT (D OR P)
    {7, "Mix"},       // D XOR P
    {8, "Light"},     // NOT (D AND P)
    {9, "RGB"},       // D AND P
    {10, "Neon"},     // NOT (D XOR P)
    {14, "Glow"},     // P OR (NOT D)
    {15, "Poster"},   // D OR P
};

// The window's pointer goes back to the default when a redraw fails half-way.
struct HourglassWhile {
    ui::Form& form;
    explicit HourglassWhile(ui::Form& f) : form(f) { form.setMousePointer(ui::vbHourglass); }
    ~HourglassWhile() { form.setMousePointer(ui::vbDefault); }
};

}  // namespace

int StepDrawMode(int mode, bool up) {
    if (up) {
        ++mode;
        if (mode > 15) mode = 15;
        if (mode >= 3 && mode <= 6) mode = 7;
        if (mode >= 11 && mode <= 13) mode = 14;
    } else {
        --mode;
        if (mode < 2) mode = 2;
        if (mode >= 3 && mode <= 6) mode = 2;
        if (mode >= 11 && mode <= 13) mode = 10;
    }
    return mode;
}

QString DrawModeCaption(int mode) {
    for (const DrawMode& m : kDrawModes)
        if (m.code == mode) return m.caption;
    return {};
}

QString StepText(double step) { return QLocale().toString(step, 'g', 15); }

UpDown::UpDown(QWidget* parent) : QWidget(parent), Control(this) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
    }
    QObject::connect(up_, &QToolButton::clicked, this, [this] { UpClick.fire(); });
    QObject::connect(down_, &QToolButton::clicked, this, [this] { DownClick.fire(); });
    initAppearance(ui::vbButtonFace, ui::vbButtonText);
}

void UpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void ShowEffectsWindow() {
    Form1& main = ui::forms<Form1>();
    FormEffects& effects = ui::loaded<FormEffects>();
    const picture::Picture shown = main.ImageCatalogue->Picture();
    effects.Picture1->setPicture(shown);
    effects.Picture2->setPicture(shown);
    effects.PictureCont->setWidth(main.PictureCatalogueFrame->Width());
    effects.PictureCont->setHeight(main.PictureCatalogueFrame->Height());
    effects.ImageCatalogue->setPicture(shown);
    effects.ImageCatalogue->setWidth(main.ImageCatalogue->Width());
    effects.ImageCatalogue->setHeight(main.ImageCatalogue->Height());
    effects.ImageCatalogue->setLeft(main.ImageCatalogue->Left());
    effects.ImageCatalogue->setTop(main.ImageCatalogue->Top());
    effects.Show(ui::vbModeless);
}

}  // namespace tools

namespace {

constexpr double kCompactWidth = 5856;   // outer size of the compact layout
constexpr double kCompactHeight = 7272;
constexpr double kModesTop = 4776;
constexpr double kModesLeft = 180;
constexpr double kStripHeight = 528;
const ui::COLORREF kGreyText = ui::RGB(128, 128, 128);

}  // namespace

void FormEffects::createControls() {
    setCaption("Effects");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(5784, 6576);

    createFrame({{"Apply", "Save", "Cancel"}, false, false, false, 0, 0});
    mOpen = createMenu("mOpen", "Open", mFile);
    mOpen->setEnabled(false);
    mFile->menu()->insertAction(mCopytoClipboard->action(), mOpen->action());
    mSaveToDataBase = createMenu("mSaveToDataBase", "Save to DataBase");
    mSaveToDataBase->setEnabled(false);

    LabelTitle = create<ui::Label>("LabelTitle", 300, 120, 3072, 228);
    LabelTitle->setCaption("Effects");
    LabelTitle->setBackStyle(0);
    LabelTitle->setFont({"Arial", 9});
    ImageUndo = create<ui::Image>("ImageUndo", 4788, 120, 192, 192);
    ImageUndo->setStretch(true);
    ImageUndo->setImage(tools::undoIcon());
    ImageUndo->setToolTipText("Revert to Last Apply");
    ImageReload = create<ui::Image>("ImageReload", 5232, 96, 288, 288);
    ImageReload->setStretch(true);
    ImageReload->setImage(catalogue::windowPicture("reload.png"));
    ImageReload->setToolTipText("Reload");

    // No border, as the main window's picture pane has none: the geometry copied from
    // its image control lands the same way here.
    PictureCont = create<ui::PictureBox>("PictureCont", 180, 500, 5412, 4164);
    PictureCont->setBorderStyle(0);
    ImageCatalogue = create<ui::Image>("ImageCatalogue", 516, 396, 1764, 1872, PictureCont);
    ImageCatalogue->setStretch(true);
    ImageOrgZoom = create<ui::Image>("ImageOrgZoom", 3375, 1815, 1770, 1875, PictureCont);
    ImageOrgZoom->setStretch(true);
    ImageOrgZoom->setVisible(false);

    PictureModes = create<ui::PictureBox>("PictureModes", kModesLeft, kModesTop, 5412, 1152);
    PictureModes->setBorderStyle(0);
    const ui::Font small{"Arial", 7.8};
    auto caption = [&](const char* name, double left, double top, double width, double height,
                       const QString& text, ui::COLORREF colour) {
        ui::Label* label = create<ui::Label>(name, left, top, width, height, PictureModes);
        label->setCaption(text);
        label->setBackStyle(0);
        label->setFont(small);
        label->setForeColor(colour);
        return label;
    };
    auto colourBar = [&](const char* name, double left, double top, double width) {
        ui::HScrollBar* bar = create<ui::HScrollBar>(name, left, top, width, 240, PictureModes);
        bar->setMin(0);
        bar->setMax(255);
        bar->setSmallChange(1);
        bar->setLargeChange(16);
        return bar;
    };
    HScroll1 = colourBar("HScroll1", 216, 120, 1530);
    Label4 = caption("Label4", 1836, 132, 168, 216, "R", ui::RGB(192, 0, 0));
    HScroll2 = colourBar("HScroll2", 228, 456, 1515);
    Label2 = caption("Label2", 1836, 468, 132, 228, "G", ui::RGB(0, 128, 0));
    HScroll3 = colourBar("HScroll3", 216, 768, 1545);
    Label3 = caption("Label3", 1836, 780, 132, 192, "B", ui::RGB(219, 225, 232));

    LabelModes1 = caption("LabelModes1", 2076, 60, 696, 216, "Modes", kGreyText);
    UpDownModes = create<tools::UpDown>("UpDownModes", 2304, 300, 252, 528, PictureModes);
    LabelModes = caption("LabelModes", 2064, 876, 756, 204, "Negative", kGreyText);
    LabelModes->setToolTipText("Modes");

    LabelVerBlinds1 = caption("LabelVerBlinds1", 2772, 60, 804, 204, "Blinds", kGreyText);
    VScrollDrawStyle = create<ui::VScrollBar>("VScrollDrawStyle", 3072, 300, 190, 528, PictureModes);
    VScrollDrawStyle->setMin(-4);
    VScrollDrawStyle->setMax(0);
    VScrollDrawStyle->setValue(0);
    LabelVerBlinds = caption("LabelVerBlinds", 3024, 876, 312, 180, "0", kGreyText);
    LabelVerBlinds->setToolTipText("Modes");

    // The step slider stands right of the style slider instead of across it, where
    // neither could be worked.
    HScrollHL = create<ui::HScrollBar>("HScrollHL", 3322, 480, 456, 170, PictureModes);
    HScrollHL->setMin(1);
    HScrollHL->setMax(100);
    HScrollHL->setValue(10);
    LabelSmoothnss = caption("LabelSmoothnss", 3790, 468, 264, 192, "1", kGreyText);
    LabelSmoothnss->setToolTipText("Horizontal Steps");

    Picture1 = createWorkBox("Picture1", 360, 360);
    Picture1->setAutoSize(true);
    Picture1->setMouseIcon(QCursor(Qt::ClosedHandCursor));
    Picture1->setMousePointer(ui::vbCustom);
    Picture2 = createWorkBox("Picture2", 372, 636);
    Picture2->setAutoSize(true);

    HScroll1->Change = [this] { HScroll1_Change(); };
    HScroll1->Scroll = [this] { HScroll1_Scroll(); };
    HScroll2->Change = [this] { HScroll2_Change(); };
    HScroll2->Scroll = [this] { HScroll2_Scroll(); };
    HScroll3->Change = [this] { HScroll3_Change(); };
    HScroll3->Scroll = [this] { HScroll3_Scroll(); };
    HScrollHL->Change = [this] { HScrollHL_Change(); };
    VScrollDrawStyle->Change = [this] { VScrollDrawStyle_Change(); };
    UpDownModes->UpClick = [this] { UpDownModes_UpClick(); };
    UpDownModes->DownClick = [this] { UpDownModes_DownClick(); };
    ImageFullScreen->Click = [this] { ImageFullScreen_Click(); };
    ImageUndo->Click = [this] { ImageUndo_Click(); };
    ImageReload->Click = [this] { ImageReload_Click(); };
    LabelButtomMenu.bind(&ui::Label::MouseDown, [this](int Index, int Button, int Shift, double X, double Y) {
        LabelButtomMenu_MouseDown(Index, Button, Shift, X, Y);
    });
    LabelButtomMenu.bind(&ui::Label::MouseUp, [this](int Index, int Button, int Shift, double X, double Y) {
        LabelButtomMenu_MouseUp(Index, Button, Shift, X, Y);
    });
    Picture1->MouseDown = [this](int b, int s, double x, double y) { Picture1_MouseDown(b, s, x, y); };
    Picture1->MouseMove = [this](int b, int s, double x, double y) { Picture1_MouseMove(b, s, x, y); };
}

void FormEffects::Form_Load() {
    Form1& main = ui::loaded<Form1>();
    runtime::resumeNext([&] { setPicture(main.picToolBar->Image()); });
    runtime::resumeNext([&] { setBackColor(main.BackColor()); });
    runtime::resumeNext([&] { LabelTitle->setForeColor(main.TextField[0]->ForeColor()); });
    runtime::resumeNext([&] { PictureCont->setBackColor(main.BackColor()); });
    runtime::resumeNext([&] { PictureBottom->setPicture(main.picToolBar->Image()); });
    runtime::resumeNext([&] {
        PictureCont->setBackColor(main.BackColor());
        PictureModes->setBackColor(main.BackColor());
        // Before the painter: a new back colour clears the strip.
        PictureBottom->setBackColor(main.BackColor());
    });
    runtime::resumeNext([&] { DrawBottomMenu(); });
    DrawModeValue = 2;
}

void FormEffects::Form_Resize() { dockBottomStrip(); }

// The strip is docked to the bottom edge across the whole client width.
void FormEffects::dockBottomStrip() {
    PictureBottom->Move(0, ScaleHeight() - kStripHeight, ScaleWidth(), kStripHeight);
}

void FormEffects::HScroll1_Change() { RedrawEffectLines(); }
void FormEffects::HScroll1_Scroll() { RedrawEffectLines(); }
void FormEffects::HScroll2_Change() { RedrawEffectLines(); }
void FormEffects::HScroll2_Scroll() { RedrawEffectLines(); }
void FormEffects::HScroll3_Change() { RedrawEffectLines(); }
void FormEffects::HScroll3_Scroll() { RedrawEffectLines(); }
void FormEffects::HScrollHL_Change() { RedrawEffectLines(); }

void FormEffects::VScrollDrawStyle_Change() {
    LabelVerBlinds->setCaption(QString::number(-VScrollDrawStyle->Value()));
    RedrawEffectLines();
}

void FormEffects::UpDownModes_UpClick() { stepDrawMode(true); }
void FormEffects::UpDownModes_DownClick() { stepDrawMode(false); }

void FormEffects::stepDrawMode(bool up) {
    DrawModeValue = tools::StepDrawMode(DrawModeValue, up);
    Picture1->setDrawMode(DrawModeValue);
    RedrawEffectLines();
}

void FormEffects::RedrawEffectLines() {
    tools::HourglassWhile busy(*this);
    Picture1->Cls();
    Picture1->setPicture(Picture2->Picture());
    Picture1->setDrawStyle(-VScrollDrawStyle->Value());
    Picture1->setDrawMode(DrawModeValue);
    // The gaps of a styled pen leave the picture as it is (a picture box's background
    // mode is transparent), so a dashed line shows as dashes in every draw mode.
    gdi::SetBkMode(Picture1->hDC(), gdi::TRANSPARENT);
    const double step = HScrollHL->Value() / 10.0;
    const ui::COLORREF pen = ui::RGB(HScroll1->Value(), HScroll2->Value(), HScroll3->Value());
    const double width = Picture1->ScaleWidth();
    const long rows = std::lrint(Picture1->ScaleHeight());
    // Every value of y draws its row again, so below a step of 1 a row can take several
    // lines: under a self-inverting mode an even count leaves the row as it was. Each
    // line is its own operation, so its dash pattern starts at the left edge.
    for (double y = 0;; y += step) {
        const long row = std::lrint(static_cast<float>(y));
        if (row >= rows) break;
        Picture1->Line(0, static_cast<double>(row), width, static_cast<double>(row), pen);
    }
    ImageCatalogue->setPicture(Picture1->Image());
    LabelModes->setCaption(tools::DrawModeCaption(DrawModeValue));
    LabelSmoothnss->setCaption(tools::StepText(step));
}

bool FormEffects::isCompactLayout() const { return Picture().Handle() != 0; }

void FormEffects::ImageFullScreen_Click() {
    if (isCompactLayout())
        toFullScreenLayout();
    else
        toCompactLayout();
    ui::DoEvents();
}

void FormEffects::toFullScreenLayout() {
    setPicture(picture::Picture());
    PictureBottom->setPicture(picture::Picture());
    DrawBottomMenu();
    setWidth(ui::Screen::Width() - 200);
    setHeight(ui::Screen::Height() - 500);
    setTop(100);
    setLeft(100);
    dockBottomStrip();
    // Its lower part lies behind the panel and the strip, which come to the front below.
    PictureCont->setHeight(Height());
    ImageOrgZoom->setTop(0);
    ImageOrgZoom->setLeft(ImageCatalogue->Left());
    ImageOrgZoom->setWidth(ImageCatalogue->Width());
    ImageOrgZoom->setHeight(ImageCatalogue->Height());
    ImageOrgZoom->setPicture(ui::forms<Form1>().ImageCatalogue->Picture());
    ImageOrgZoom->setVisible(true);
    ImageCatalogue->setTop(ImageOrgZoom->Top() + ImageOrgZoom->Height() + 30);
    Picture1->setVisible(true);
    Picture1->setTop(PictureCont->Top());
    Picture1->setLeft(PictureCont->Left() + PictureCont->Width() + 500);
    PictureModes->setTop(PictureBottom->Top() - PictureModes->Height() + 50);
    PictureModes->setLeft(PictureCont->Left());
    PictureModes->setWidth(PictureCont->Width());
    PictureModes->setBackColor(PictureBottom->BackColor());
    ImageOrgZoom->ZOrder(0);
    ImageCatalogue->ZOrder(0);
    PictureModes->ZOrder(0);
    PictureBottom->ZOrder(0);
}

void FormEffects::toCompactLayout() {
    Form1& main = ui::forms<Form1>();
    setPicture(main.picToolBar->Image());
    PictureBottom->setPicture(main.picToolBar->Image());
    DrawBottomMenu();
    setWidth(kCompactWidth);
    setHeight(kCompactHeight);
    setLeft(ui::Screen::Width() / 2 - Width() / 2);
    setTop(ui::Screen::Height() / 2 - Height() / 2);
    dockBottomStrip();
    PictureCont->setVisible(true);
    PictureCont->ZOrder(0);
    Picture1->setVisible(false);
    Picture1->setTop(PictureCont->Top());
    PictureModes->setTop(kModesTop);
    PictureModes->setLeft(kModesLeft);
    PictureCont->setWidth(main.PictureCatalogueFrame->Width());
    PictureCont->setHeight(main.PictureCatalogueFrame->Height());
    ImageCatalogue->setLeft(main.ImageCatalogue->Left());
    ImageCatalogue->setTop(main.ImageCatalogue->Top());
    ImageOrgZoom->setVisible(false);
    PictureModes->setBackColor(BackColor());
    PictureModes->ZOrder(0);
    PictureBottom->ZOrder(0);
}

void FormEffects::Apply() {
    Picture2->setPicture(Picture1->Image());
    ImageOrgZoom->setPicture(Picture2->Picture());
    ImageUndo->setBorderStyle(1);
}

void FormEffects::ImageUndo_Click() {
    runtime::resumeNext([&] { Picture1->setPicture(Picture2->Picture()); });
    runtime::resumeNext([&] { ImageCatalogue->setPicture(Picture2->Picture()); });
    runtime::resumeNext([&] { ImageOrgZoom->setPicture(Picture2->Picture()); });
}

void FormEffects::ImageReload_Click() {
    // Each slider that moves redraws over the old base; the pictures taken last replace
    // what those redraws drew.
    HScroll1->setValue(0);
    HScroll2->setValue(0);
    HScroll3->setValue(0);
    DrawModeValue = 2;
    LabelModes->setCaption(tools::DrawModeCaption(DrawModeValue));
    HScrollHL->setValue(10);
    VScrollDrawStyle->setValue(0);
    ImageUndo->setBorderStyle(0);
    const picture::Picture main = ui::forms<Form1>().ImageCatalogue->Picture();
    Picture1->setPicture(main);
    Picture2->setPicture(main);
    ImageCatalogue->setPicture(main);
    ImageOrgZoom->setPicture(main);
}

void FormEffects::LabelButtomMenu_MouseDown(int Index, int, int, double, double) {
    LabelButtomMenu[Index]->setBorderStyle(1);
}

void FormEffects::LabelButtomMenu_MouseUp(int Index, int, int, double, double) {
    LabelButtomMenu[Index]->setBorderStyle(0);
}

void FormEffects::Picture1_MouseDown(int, int, double X, double Y) {
    DragStartX = static_cast<float>(X);
    DragStartY = static_cast<float>(Y);
}

void FormEffects::Picture1_MouseMove(int Button, int, double X, double Y) {
    if (Button == ui::vbLeftButton) {
        // The grabbed point follows the pointer: the offset in the box's pixels, moved
        // in the window's twips.
        Picture1->setLeft(Picture1->Left() + ui::Surface::ScaleX(X - DragStartX, ui::vbPixels, ui::vbTwips));
        Picture1->setTop(Picture1->Top() + ui::Surface::ScaleY(Y - DragStartY, ui::vbPixels, ui::vbTwips));
    }
    Picture1->Refresh();
}

picture::Picture FormEffects::outputPicture() { return ImageCatalogue->Picture(); }

picture::Picture FormEffects::copyPicture() { return Picture1->Image(); }
