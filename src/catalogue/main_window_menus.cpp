// The main window's self-drawn menus: the "File" and "Effects" titles on the menu strip,
// their drop-down panels with highlighted items, the dispatch of an item's click, and the
// storage gauge under the picture pane.

#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "filters/filter_lib_window.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/services.h"
#include "shell/module1.h"
#include "shell/about_window.h"
#include "tools/draw_effects_window.h"
#include "tools/resize_window.h"
#include "tools/rotate_window.h"

namespace {

constexpr ui::COLORREF kTitleRest = ui::RGB(176, 176, 187);
constexpr ui::COLORREF kTitleHover = ui::RGB(220, 220, 230);
constexpr ui::COLORREF kGutterColour = ui::RGB(224, 224, 224);
constexpr ui::COLORREF kHighlightColour = ui::RGB(193, 210, 238);
constexpr ui::COLORREF kSeparatorColour = ui::RGB(128, 128, 128);
constexpr long kErrCommonDialogCancel = 32755;

struct MenuItem {
    int index, panel;
    const char* caption;
    const char* toolTip;  // nullptr: none
    double left, top, width;  // width 0: sized to the caption
    double highlightTop;
    const char* icon;  // nullptr: none (the Effects panel)
    double iconTop;
};

constexpr MenuItem kItems[] = {
    {1, 0, "Save to File", "Save to BMP Standard Pictures Format", 660, 170, 0, 96, "menu-save-file.png", 120},
    {5, 0, "Save to JPG",
     "Save to JPG Compressed Pictures Format - Move the Slider to Change Compression Quality", 645, 570, 0, 492,
     "menu-save-jpg.png", 525},
    {4, 0, "Copy to Clipboard", "Copy Picture to Clipboard to be Pasted in any Application", 648, 975, 1900, 900,
     "menu-copy.png", 930},
    {2, 0, "Change Password", "Change DataBase Password", 648, 1380, 1900, 1290, "menu-password.png", 1305},
    {3, 0, "Compact DataBase", "Compact DataBase if you Delete many Records or get Errors", 645, 1755, 1900, 1680,
     "menu-compact.png", 1710},
    {0, 0, "About", nullptr, 648, 2976, 1900, 2895, "menu-about.png", 2910},
    {20, 1, "Resize", nullptr, 648, 168, 1600, 96, nullptr, 0},
    {21, 1, "Rotate", nullptr, 648, 576, 1600, 492, nullptr, 0},
    {24, 1, "Filters", nullptr, 648, 972, 1600, 900, nullptr, 0},
    {25, 1, "Effects", nullptr, 660, 1370, 1596, 1290, nullptr, 0},
};

// Highlights that stand behind no item: the two option rows of the File panel, and
// spare ones of the Effects panel that nothing shows.
constexpr struct { int index, panel; double top; } kSpareHighlights[] = {
    {6, 0, 2085}, {7, 0, 2490}, {26, 1, 1680}, {27, 1, 2070}, {240, 1, 2460}, {250, 1, 2850}};

// The gauge's text: 2000 MB count as full, and the percentage is not capped.
QString gaugeText() {
    const std::string path = Module1::text(Module1::ProgramFolder).toStdString() + "/Quillmere.mdb";
    const double length = static_cast<double>(sys::fileSize(path));
    const auto megabytes = static_cast<long long>(length / 1000000);
    const auto percent = static_cast<long long>(length / 1000000 / 20);
    return QString("%1% used - %2MB/2000MB").arg(percent).arg(megabytes);
}

}  // namespace

void Form1::createMenuPanels() {
    ui::PictureBox* panels[2] = {create(PictureMenu, 0, 180, 1455, 2700, 3330),
                                 create(PictureMenu, 1, 3060, 1788, 2700, 1704)};
    for (ui::PictureBox* panel : panels) {
        panel->setVisible(false);
        panel->setBorderStyle(1);
        panel->setBackColor(ui::RGB(50, 50, 50));
    }
    Shape3 = create<ui::Shape>("Shape3", 0, 0, 555, 3750, panels[0]);
    Shape1 = create<ui::Shape>("Shape1", 0, 0, 555, 3750, panels[1]);
    for (ui::Shape* gutter : {Shape3.data(), Shape1.data()}) {
        gutter->setFillStyle(0);
        gutter->setFillColor(kGutterColour);
        gutter->setBorderStyle(0);
    }

    auto addHighlight = [&](int index, int panel, double top) {
        ui::Shape* highlight = create(Shape2, index, 30, top, 2604, 360, panels[panel]);
        highlight->setFillStyle(0);
        highlight->setFillColor(kHighlightColour);
        highlight->setVisible(false);
    };
    for (const MenuItem& item : kItems) addHighlight(item.index, item.panel, item.highlightTop);
    for (const auto& spare : kSpareHighlights) addHighlight(spare.index, spare.panel, spare.top);

    const struct { int panel; double x2, y; } separators[] = {{0, 570, 1260}, {0, 600, 2055}, {0, 600, 2880}, {1, 600, 864}};
    for (int i = 0; i < 4; ++i) {
        ui::LineControl* line = create(LineMenu, i, 0, 0, 0, 0, panels[separators[i].panel]);
        line->setEnds(2500, separators[i].y, separators[i].x2, separators[i].y);
        line->setBorderColor(kSeparatorColour);
    }

    for (const MenuItem& item : kItems) {
        if (item.icon) {
            ui::Image* icon = create(Image2, item.index, 105, item.iconTop, 250, 250, panels[0]);
            icon->setStretch(true);
            icon->setImage(catalogue::windowPicture(item.icon));
        }
        ui::Label* label = create(Label7, item.index, item.left, item.top, item.width ? item.width : 1000, 210,
                                  panels[item.panel]);
        label->setBackStyle(0);
        label->setCaption(item.caption);
        if (item.width == 0) label->setAutoSize(true);
        if (item.toolTip) label->setToolTipText(item.toolTip);
    }

    // The File panel's option rows and the export items' own controls.
    LabelSort = create<ui::Label>("LabelSort", 648, 2160, 1500, 210, panels[0]);
    LabelSort->setCaption("Sort Option");
    LabelCompress = create<ui::Label>("LabelCompress", 648, 2568, 1500, 210, panels[0]);
    LabelCompress->setCaption("BMP Compression");
    CheckSort = create<ui::CheckBox>("CheckSort", 2340, 2165, 200, 200, panels[0]);
    CheckSort->setToolTipText("AutoSort Option. Uncheck this Option for Faster Performance.");
    CheckCompress = create<ui::CheckBox>("CheckCompress", 2340, 2573, 200, 200, panels[0]);
    CheckCompress->setToolTipText(
        "Auto Compress BMP to JPG Format before Loading to the DataBase. Check this option for large BMP files.");
    for (ui::Label* label : {LabelSort.data(), LabelCompress.data()}) label->setBackStyle(0);
    CheckBMP = create<ui::CheckBox>("CheckBMP", 1740, 168, 200, 200, panels[0]);
    Label5 = create<ui::Label>("Label5", 2040, 180, 300, 210, panels[0]);
    Label5->setCaption("BMP");
    Label5->setAutoSize(true);
    Label5->setBackStyle(0);
    Frame1 = create<ui::Frame>("Frame1", 1848, 696, 500, 30, panels[0]);
    const double ticks[3] = {1848, 2340, 2100};
    for (int i = 0; i < 3; ++i) {
        ui::LineControl* tick = create(LineJPG, i, 0, 0, 0, 0, panels[0]);
        tick->setEnds(ticks[i], 648, ticks[i], 698);
        tick->setBorderColor(ui::RGB(192, 192, 192));
    }
    CommandJPGSlider = create<ui::CommandButton>("CommandJPGSlider", 2292, 612, 100, 200, panels[0]);
    CommandJPGSlider->setStyle(1);
    TextPGQuaL = create<ui::TextBox>("TextPGQuaL", 1815, 300, 350, 250, panels[0]);
    TextPGQuaL->setText("100");
    TextPGQuaL->setVisible(false);

    // ---- events ----
    LabelMenu.bind(&ui::Label::Click, [this](int Index) { LabelMenu_Click(Index); });
    LabelMenu.bind(&ui::Label::MouseMove,
                   [this](int Index, int b, int s, double x, double y) { LabelMenu_MouseMove(Index, b, s, x, y); });
    LabelMenu.bind(&ui::Label::MouseDown,
                   [this](int Index, int b, int s, double x, double y) { LabelMenu_MouseDown(Index, b, s, x, y); });
    LabelMenu.bind(&ui::Label::MouseUp,
                   [this](int Index, int b, int s, double x, double y) { LabelMenu_MouseUp(Index, b, s, x, y); });
    Label7.bind(&ui::Label::Click, [this](int Index) { Label7_Click(Index); });
    Label7.bind(&ui::Label::MouseMove,
                [this](int Index, int b, int s, double x, double y) { Label7_MouseMove(Index, b, s, x, y); });
    Image2.bind(&ui::Image::MouseMove,
                [this](int Index, int b, int s, double x, double y) { Image2_MouseMove(Index, b, s, x, y); });
    PictureMenu.bind(&ui::PictureBox::MouseMove,
                     [this](int Index, int b, int s, double x, double y) { PictureMenu_MouseMove(Index, b, s, x, y); });
    picToolBar->MouseMove = [this](int b, int s, double x, double y) { picToolBar_MouseMove(b, s, x, y); };
    Picture2->MouseMove = [this](int b, int s, double x, double y) { Picture2_MouseMove(b, s, x, y); };
    Picture4->Click = [this] { Picture4_Click(); };
    Picture4->MouseMove = [this](int b, int s, double x, double y) { Picture4_MouseMove(b, s, x, y); };
    CheckCompress->Click = [this] { CheckCompress_Click(); };
    CheckSort->Click = [this] { CheckSort_Click(); };
    LabelCompress->Click = [this] { LabelCompress_Click(); };
    LabelSort->Click = [this] { LabelSort_Click(); };
    for (ui::Control* row : std::initializer_list<ui::Control*>{CheckCompress, CheckSort, LabelCompress, LabelSort})
        row->MouseMove = [this](int b, int s, double x, double y) { OptionRow_MouseMove(b, s, x, y); };
    CommandJPGSlider->MouseDown = [this](int b, int s, double x, double y) { CommandJPGSlider_MouseDown(b, s, x, y); };
    CommandJPGSlider->MouseMove = [this](int b, int s, double x, double y) { CommandJPGSlider_MouseMove(b, s, x, y); };
    CommandJPGSlider->MouseUp = [this](int b, int s, double x, double y) { CommandJPGSlider_MouseUp(b, s, x, y); };
}

void Form1::hideMenuPanels() {
    for (int i = PictureMenu.LBound(); i <= PictureMenu.UBound(); ++i)
        if (PictureMenu.contains(i)) runtime::resumeNext([&] { PictureMenu[i]->setVisible(false); });
}

void Form1::hideHighlights() {
    for (int i = Shape2.LBound(); i <= Shape2.UBound(); ++i)
        if (Shape2.contains(i)) runtime::resumeNext([&] { Shape2[i]->setVisible(false); });
}

void Form1::restTitles() {
    for (int i = LabelMenu.LBound(); i <= LabelMenu.UBound(); ++i)
        if (LabelMenu.contains(i))
            runtime::resumeNext([&] {
                LabelMenu[i]->setForeColor(kTitleRest);
                LabelMenu[i]->setFontBold(false);
            });
}

void Form1::LabelMenu_Click(int Index) {
    hideMenuPanels();
    hideHighlights();
    Timer3->setEnabled(false);  // a menu stops a running slide show
    ui::PictureBox* panel = PictureMenu[Index];
    panel->setVisible(true);
    panel->setTop(Picture2->Top() + LabelMenu[Index]->Top() + LabelMenu[Index]->Height() - 10);
    panel->setLeft(LabelMenu[Index]->Left());
    panel->ZOrder(0);
}

void Form1::LabelMenu_MouseMove(int Index, int, int, double, double) {
    restTitles();
    runtime::resumeNext([&] { LabelMenu[Index]->setForeColor(kTitleHover); });
}

void Form1::LabelMenu_MouseDown(int Index, int, int, double, double) {
    restTitles();
    runtime::resumeNext([&] { LabelMenu[Index]->setFontBold(true); });
}

void Form1::LabelMenu_MouseUp(int, int, int, double, double) {
    for (int i = LabelMenu.LBound(); i <= LabelMenu.UBound(); ++i)
        if (LabelMenu.contains(i)) runtime::resumeNext([&] { LabelMenu[i]->setFontBold(false); });
}

void Form1::Label7_MouseMove(int Index, int, int, double, double) {
    hideHighlights();
    runtime::resumeNext([&] { Shape2[Index]->setVisible(true); });
    restTitles();
}

void Form1::Image2_MouseMove(int Index, int, int, double, double) { Label7_MouseMove(Index, 1, 1, 1, 1); }

void Form1::picToolBar_MouseMove(int, int, double, double) {
    hideMenuPanels();
    restTitles();
}

void Form1::Picture2_MouseMove(int, int, double, double) {
    restTitles();
    hideMenuPanels();
}

void Form1::PictureMenu_MouseMove(int, int, int, double, double) {
    for (int i = LabelMenu.LBound(); i <= LabelMenu.UBound(); ++i)
        if (LabelMenu.contains(i)) runtime::resumeNext([&] { LabelMenu[i]->setForeColor(kTitleRest); });
}

void Form1::Label7_Click(int Index) {
    try {
        hideMenuPanels();
        // The logo stands for a record without a displayable picture: nothing to export
        // or edit. The About window's copy of the logo is another object and passes.
        const bool showsLogo = PictureCatalogue->Picture().Handle() == PicLogo->Picture().Handle();
        const bool needsPicture = Index == 4 || Index == 5 || Index == 20 || Index == 21 || Index == 24 || Index == 25;
        if (showsLogo && needsPicture) return;
        if (Index >= 20) {
            db::Recordset& rs = Adodc3.recordset();
            if (rs.recordCount() < 1) return;
            if (LabelError->Visible()) return;
            const db::Field extent = rs.field("PhotoXtent"), name = rs.field("PhotoDescription");
            Module1::CurrentPhotoExtension = ui::fieldText(&extent).toLower();
            Module1::CurrentPhotoDescription = ui::fieldText(&name);
        }
        ui::DoEvents();
        switch (Index) {
        case 0:
            ui::forms<Form38>().Show(ui::vbModal);
            break;
        case 1:
            SaveRecordToFile();
            break;
        case 2:
            Module1::ShowPasswordWindow();
            break;
        case 3:
            if (SaveRecordEdit()) Module1::CompactDatabaseFromMenu();
            break;
        case 4:
            CopyShownPictureToClipboard();
            break;
        case 5:
            SaveShownPictureAsJpeg();
            break;
        case 20:
            ui::forms<FormResize>().Show(ui::vbModeless);
            break;
        case 21:
            ui::forms<frmRotate>().Show(ui::vbModeless);
            break;
        case 24:
            ui::forms<FilterLibFrm>().Show(ui::vbModeless);
            break;
        case 25:
            tools::ShowEffectsWindow();
            break;
        default:
            break;
        }
    } catch (const runtime::Error& e) {
        if (e.number() == kErrCommonDialogCancel) return;
        ui::services().MsgBox("Error#5: " + QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::Picture4_Click() {
    runtime::resumeNext([] { ui::services().MsgBox(gaugeText(), runtime::vbOKOnly, QString()); });
}

void Form1::Picture4_MouseMove(int, int, double, double) {
    runtime::resumeNext([&] { Picture4->setToolTipText(gaugeText()); });
}
