// The main window's controls at their design places, the resize routine that lays out
// what follows from other controls and applies the dark theme with its three painted
// gradients, the closers of open drop-downs, and the final close.

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/window_pictures.h"
#include "catalogue/temporary_files.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/handlers.h"
#include "shell/module1.h"
#include "shell/theme.h"

namespace {

using catalogue::logoPicture;
using catalogue::windowPicture;

constexpr ui::COLORREF kWindowColour = ui::RGB(50, 50, 50);
constexpr ui::COLORREF kTextColour = ui::RGB(160, 160, 160);
constexpr ui::COLORREF kCaptionColour = ui::RGB(120, 120, 120);
constexpr ui::COLORREF kStripTextColour = ui::RGB(120, 120, 137);
constexpr ui::COLORREF kGaugeColour = ui::RGB(150, 0, 0);


struct FieldRow {
    int caption;              // TextLabelField index, -1 for none
    const char* text;
    double captionLeft, captionTop, captionWidth;
    int field;                // TextField index
    double left, top, width, height;
    int maxLength;            // 0: no limit
    bool multiLine;
};

// The record block under the pane and the detail block on the right.
constexpr FieldRow kFieldRows[] = {
    {15, "Date", 590, 6170, 1060, 16, 1670, 6150, 1275, 300, 50, false},
    {17, "ID", 3100, 6170, 348, 19, 3465, 6150, 1245, 300, 50, false},
    {13, "Description", 590, 6560, 1060, 11, 1670, 6540, 4300, 300, 255, false},
    {16, "Notes", 590, 6950, 1060, 15, 1670, 6930, 4300, 660, 0, true},
    {18, "Link", 590, 7690, 555, 20, 1680, 7670, 4300, 330, 150, false},
    {11, "Category", 6680, 1550, 990, 14, 7790, 1530, 3460, 300, 150, false},
    {14, "Location", 6680, 1940, 990, 13, 7790, 1920, 3460, 300, 150, false},
    {0, "Phone", 6680, 2330, 990, 0, 7790, 2310, 3460, 300, 150, false},
    {4, "E-Mail", 6680, 2720, 990, 7, 7790, 2700, 3460, 300, 150, false},
    {6, "Address", 6680, 3110, 990, 9, 7790, 3090, 3460, 720, 0, true},
    {5, "City", 6680, 3920, 990, 1, 7790, 3900, 1900, 300, 50, false},
    {-1, "", 0, 0, 0, 2, 9760, 3900, 465, 300, 50, false},
    {-1, "", 0, 0, 0, 3, 10300, 3900, 940, 300, 50, false},
    {10, "ID", 6680, 4310, 990, 8, 7790, 4290, 3460, 300, 150, false},
    {8, "Company", 6660, 4700, 990, 10, 7790, 4680, 3460, 720, 0, true},
    {1, "Height", 6680, 6380, 990, 5, 7790, 6360, 1240, 300, 50, false},
    {7, "Weight", 9150, 6380, 795, 4, 10040, 6360, 1240, 300, 50, false},
    {3, "Birthday", 6680, 6770, 990, 6, 7790, 6750, 1900, 300, 50, false},
    {12, "Education", 6680, 7160, 990, 12, 7790, 7140, 3460, 300, 150, false},
};

}  // namespace

void Form1::createControls() {
    setCaption(" Quillmere");
    setBorderStyle(ui::vbFixedSingle);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setAutoRedraw(true);
    // The theme's colour from the start: the log-in window takes it from this window
    // before this window has ever been shown.
    setBackColor(kWindowColour);
    // A platform menu bar with one menu, disabled at design and never enabled.
    mnuSearch = createMenu("mnuSearch", "Search");
    createMenu("mnuFind", "Find", mnuSearch);
    createMenu("mnuFilter", "Filter", mnuSearch);
    mnuSearch->setEnabled(false);
    setClientSize(11412, 8184);

    createMenuBarAndToolStrip();
    createPictureBlock();
    createRecordFields();
    createDetailBlock();
    createAddFolderPanel();
    createMenuPanels();
    bindRecordFields();
    connectFieldEditors();
    connectNavigation();
    connectCategories();
    connectViewers();

    Timer3 = createTimer("Timer3", 3000, false);
    Timer3->Tick = [this] { Timer3_Timer(); };
    Label4 = create<ui::Label>("Label4", 0, 0, 1000, 250);
    Label4->setVisible(false);

    ImageResize = create<ui::Image>("ImageResize", 11412 - 108, 3480, 216, 432);
    ImageResize->setStretch(true);
    ImageResize->setImage(windowPicture("resize-handle.png"));
    ImageResize->setToolTipText("Resize");
    ImageResize->Click = [this] { ImageResize_Click(); };

    ImageCatalogue->MouseMove = [this](int b, int s, double x, double y) { ImageCatalogue_MouseMove(b, s, x, y); };
    PictureCatalogueFrame->Click = [this] { PictureCatalogueFrame_Click(); };
    PictureCatalogueFrame->MouseMove = [this](int b, int s, double x, double y) {
        PictureCatalogueFrame_MouseMove(b, s, x, y);
    };
    PictureCatalogue->Change = [this] { PictureCatalogue_Change(); };
}

void Form1::createMenuBarAndToolStrip() {
    Picture2 = create<ui::PictureBox>("Picture2", 0, 0, 11415, 360);
    Picture2->setBorderStyle(0);
    Picture2->setAutoRedraw(true);
    create(LabelMenu, 0, 130, 75, 600, 250, Picture2)->setCaption("File");
    create(LabelMenu, 1, 744, 75, 700, 252, Picture2)->setCaption("Effects");
    for (int i : {0, 1}) LabelMenu[i]->setBackStyle(0);

    picToolBar = create<ui::PictureBox>("picToolBar", 0, 360, 11415, 470);
    picToolBar->setBorderStyle(0);
    picToolBar->setAutoRedraw(true);
    static const char* const icons[12] = {
        "tool-add-picture.png", "tool-add-folder.png", "tool-paste.png", "tool-delete.png",
        "tool-find.png", "tool-full-screen.png", "tool-slide-show.png", "tool-thumbnails.png",
        "tool-view-editor.png", "tool-view-paint.png", "tool-view-browser.png", "tool-help.png"};
    static const char* const tips[12] = {
        "Add Picture", "Add Folder", "Paste Picture from Clipboard", "Delete Picture", "Find",
        "Full Screen", "Slide Show", "Thumbnails", "View in Editor", "View in MSPaint",
        "View in Browser", "Help"};
    for (int i = 0; i < 12; ++i) {
        ui::Image* button = create(Image1, i, 30 + i * 270, 100, 240, i == 4 ? 216 : 228, picToolBar);
        button->setStretch(true);
        button->setImage(windowPicture(icons[i]));
        button->setToolTipText(tips[i]);
    }
    Image1.bind(&ui::Image::Click, [this](int Index) { Image1_Click(Index); });

    TextFind = create<ui::TextBox>("TextFind", 3300, 80, 1200, 300, picToolBar);
    TextFind->setText("Find");
    TextFind->setVisible(false);
    ImageFindNext = create<ui::Image>("ImageFindNext", 4530, 90, 288, 288, picToolBar);
    ImageFindNext->setStretch(true);
    ImageFindNext->setImage(windowPicture("find-next.png"));
    ImageFindNext->setToolTipText("Find Next");
    ImageFindNext->setVisible(false);
    CheckFindID = create<ui::CheckBox>("CheckFindID", 4260, 130, 200, 200, picToolBar);
    CheckFindID->setToolTipText("Check to Find by ID");
    CheckFindID->setVisible(false);
    LabelFindResult = create<ui::Label>("LabelFindResult", 4900, 130, 900, 240, picToolBar);
    LabelFindResult->setCaption("Not found");
    LabelFindResult->setBackStyle(0);
    LabelFindResult->setAutoSize(true);
    LabelFindResult->setVisible(false);
    CommandSetfocus = create<ui::CommandButton>("CommandSetfocus", 0, 10000, 100, 100, picToolBar);
}

void Form1::createPictureBlock() {
    PictureCatalogueFrame = create<ui::PictureBox>("PictureCatalogueFrame", 590, 1515, 5410, 4155);
    PictureCatalogueFrame->setBorderStyle(0);
    PictureCatalogueFrame->setAutoRedraw(true);

    PictureCatalogue = create<ui::PictureBox>("PictureCatalogue", 0, 0, 100, 100, PictureCatalogueFrame);
    PictureCatalogue->setBorderStyle(0);
    PictureCatalogue->setAutoSize(true);
    PictureCatalogue->setVisible(false);
    PicLogo = create<ui::PictureBox>("PicLogo", 0, 0, 100, 100, PictureCatalogueFrame);
    PicLogo->setBorderStyle(0);
    PicLogo->setAutoSize(true);
    PicLogo->setVisible(false);
    PicLogo->setPicture(logoPicture());
    ImageCatalogue = create<ui::Image>("ImageCatalogue", 0, 0, 5410, 4155, PictureCatalogueFrame);
    LabelError = create<ui::Label>("LabelError", 500, 500, 4410, 3155, PictureCatalogueFrame);
    LabelError->setBackStyle(0);
    LabelError->setWordWrap(true);
    LabelError->setVisible(false);
    WebBrowserAddedMan = create<ui::WebBrowser>("WebBrowserAddedMan", 0, 0, 100, 100, PictureCatalogueFrame);
    WebBrowserAddedMan->setVisible(false);

    // The browser pane lies over the picture pane, on the window itself.
    WebBrowser1 = create<ui::WebBrowser>("WebBrowser1", 590, 1515, 5410, 4155);
    WebBrowser1->setVisible(false);

    ui::TextBox* name = create(TextField, 18, 590, 1050, 5410, 330);
    name->setMaxLength(150);
    CmdShowGrid = create<ui::CommandButton>("CmdShowGrid", 5720, 1080, 270, 270);
    CmdShowGrid->setToolTipText("Photos list");
    CmdShowGrid->setStyle(1);
    CmdShowGrid->setPicture(windowPicture("grid.png"));

    Picture4 = create<ui::PictureBox>("Picture4", 590, 5670, 0, 30);
    Picture4->setBorderStyle(0);
    Picture4->setVisible(false);

    Picture7 = create<ui::PictureBox>("Picture7", 590, 5760, 5410, 350);
    Picture7->setBorderStyle(0);
    Text2 = create<ui::TextBox>("Text2", 0, 0, 5410, 300, Picture7);
    Text2->setAlignment(2);
    Text2->setBorderStyle(0);
    Text1 = create<ui::TextBox>("Text1", 630, 20, 1000, 210, Picture7);  // room for "999 bytes" and "999,999 K"
    Text4 = create<ui::TextBox>("Text4", 4260, 20, 500, 210, Picture7);
    for (ui::TextBox* box : {Text2.data(), Text1.data(), Text4.data()}) box->setLocked(true);
    Text1->setBorderStyle(0);
    Text4->setBorderStyle(0);
    const struct { int index; double left; const char* tip; const char* image; } moves[] = {
        {3, 0, "Move First", "nav-first.png"},
        {1, 270, "Move Previous", "nav-previous.png"},
        {2, 4870, "Move Next", "nav-next.png"},
        {4, 5140, "Move Last", "nav-last.png"}};
    for (const auto& m : moves) {
        ui::Image* button = create(ComdADOMove, m.index, m.left, 10, 270, 270, Picture7);
        button->setStretch(true);
        button->setImage(windowPicture(m.image));
        button->setToolTipText(m.tip);
    }

    MSHFlexGrid1 = create<ui::FlexGrid>("MSHFlexGrid1", 590, 5730, 5410, 2000);
    MSHFlexGrid1->setVisible(false);
    // Row r is record r + 1 of the list: no fixed row or column.
    MSHFlexGrid1->setFixedRows(0);
    MSHFlexGrid1->setFixedCols(0);
    MSHFlexGrid1->setDataSource(&Adodc4);
}

void Form1::createRecordFields() {
    for (const FieldRow& row : kFieldRows) {
        if (row.caption >= 0) {
            ui::TextBox* caption = create(TextLabelField, row.caption, row.captionLeft, row.captionTop,
                                          row.captionWidth, 270);
            caption->setText(row.text);
            caption->setLocked(true);
            caption->setBorderStyle(0);
        }
        ui::TextBox* field = create(TextField, row.field, row.left, row.top, row.width, row.height);
        field->setMultiLine(row.multiLine);
        field->setMaxLength(row.maxLength);
    }
    TextField[19]->setEnabled(false);
    TextLabelField[17]->setEnabled(false);
    TextField[14]->setToolTipText("Double Click, or Click Category Label, to Enter the Selected Category");
    ui::TextBox* hiddenId = create(TextField, 17, 0, 0, 100, 300);
    hiddenId->setMaxLength(150);
    hiddenId->setVisible(false);

    LabelWH = create<ui::Label>("LabelWH", 5600, 6180, 360, 285);
    LabelWH->setBackStyle(0);
    LabelWH->setAutoSize(true);
    LabelWH->setVisible(false);

    ImageGo = create<ui::Image>("ImageGo", 1260, 7670, 228, 228);
    ImageGo->setStretch(true);
    ImageGo->setImage(windowPicture("go.png"));
    ImageGo->setToolTipText("Go");

    // Hidden until the date box opens it above itself (where it is put here too).
    MonthView1 = create<ui::MonthView>("MonthView1", 1670, 6150 - 2256 - 200, 2832, 2256);
    MonthView1->setVisible(false);
}

void Form1::createDetailBlock() {
    ComboCategory = create<ui::ComboBox>("ComboCategory", 7815, 1050, 2480, 345);
    CmdADDCateg = create<ui::CommandButton>("CmdADDCateg", 10350, 1080, 300, 300);
    CmdADDCateg->setCaption("+");
    CmdDeleteCateg = create<ui::CommandButton>("CmdDeleteCateg", 10660, 1080, 300, 300);
    CmdDeleteCateg->setCaption("-");
    CheckFilterByCategory = create<ui::CheckBox>("CheckFilterByCategory", 10960, 1080, 300, 300);

    Text6 = create<ui::TextBox>("Text6", 6660, 5535, 4605, 285);
    Text6->setText("Personal");
    Text6->setLocked(true);
    Text6->setAlignment(2);
    Text6->setBorderStyle(0);

    ui::TextBox* gender = create(TextLabelField, 2, 6680, 5960, 990, 270);
    gender->setText("Gender");
    ui::TextBox* marital = create(TextLabelField, 9, 9150, 5960, 795, 270);
    marital->setText("Marital");
    for (ui::TextBox* caption : {gender, marital}) {
        caption->setLocked(true);
        caption->setBorderStyle(0);
    }
    ComboGender = create<ui::ComboBox>("ComboGender", 7790, 5940, 1250, 345);
    for (const char* item : {"Male", "Female"}) ComboGender->AddItem(item);
    ComboMartStaus = create<ui::ComboBox>("ComboMartStaus", 10040, 5940, 1250, 345);
    for (const char* item : {"Single", "Married", "Separated", "Divorced", "Widowed"})
        ComboMartStaus->AddItem(item);

}

void Form1::Form_Resize() {
    ui::TextBox* name = TextField[18];
    runtime::resumeNext([&] {
        name->setTop(1050);
        name->setLeft(PictureCatalogueFrame->Left());
        name->setWidth(PictureCatalogueFrame->Width());
    });
    runtime::resumeNext([&] {
        CmdShowGrid->setLeft(name->Left() + name->Width() - CmdShowGrid->Width() - 10);
        CmdShowGrid->setTop(name->Top() + name->Height() / 2 - CmdShowGrid->Height() / 2);
        CmdShowGrid->ZOrder(0);
    });
    runtime::resumeNext([&] { ImageResize->setLeft(ScaleWidth() - ImageResize->Width() / 2); });
    runtime::resumeNext([&] {
        double x = 30;
        for (int i = Image1.LBound(); i <= Image1.UBound(); ++i) {
            ui::Image* button = Image1[i];
            button->setTop(picToolBar->Height() / 2 - button->Height() / 2 - 20);
            button->setLeft(x);
            x += button->Width() + 30;
        }
    });
    runtime::resumeNext([&] {
        ui::Image* last = Image1[Image1.UBound()];
        TextFind->setLeft(last->Left() + last->Width() + 30);
        TextFind->setTop(picToolBar->Height() / 2 - TextFind->Height() / 2 - 10);
        TextFind->setWidth(2000);
    });
    runtime::resumeNext([&] {
        ImageFindNext->setLeft(TextFind->Left() + TextFind->Width() + 30);
        ImageFindNext->setTop(picToolBar->Height() / 2 - ImageFindNext->Height() / 2 - 20);
    });
    runtime::resumeNext([&] {
        CheckFindID->setLeft(TextFind->Left() + TextFind->Width() - CheckFindID->Width() - 40);
        CheckFindID->setTop(picToolBar->Height() / 2 - CheckFindID->Height() / 2 - 20);
    });
    runtime::resumeNext([&] { setBackColor(kWindowColour); });
    runtime::resumeNext([&] {
        MonthView1->setTitleBackColor(BackColor());
        MonthView1->setMonthBackColor(BackColor());
    });
    runtime::resumeNext([&] {
        LabelError->Move(500, 500, PictureCatalogueFrame->Width() - 1000, PictureCatalogueFrame->Height() - 1000);
    });
    // The theme pass: every control takes the window's colours and font.
    for (ui::Component* component : Controls()) {
        auto* control = dynamic_cast<ui::Control*>(component);
        if (!control) continue;
        runtime::resumeNext([&] {
            control->setBackColor(kWindowColour);
            control->setFontName("Arial");
            control->setForeColor(kTextColour);
            control->setFontSize(9);
        });
    }
    runtime::resumeNext([&] {
        LabelWH->setForeColor(kStripTextColour);
        LabelWH->setFontSize(8);
    });
    // After the theme pass: the label has its font, so its height, by now.
    runtime::resumeNext([&] {
        LabelFindResult->setLeft(ImageFindNext->Left() + ImageFindNext->Width() + 60);
        LabelFindResult->setTop(picToolBar->Height() / 2 - LabelFindResult->Height() / 2 - 20);
    });
    runtime::resumeNext([&] {
        MSHFlexGrid1->setBackColorBkg(BackColor());
        MSHFlexGrid1->setGridColor(ui::vb3DDKShadow);
    });
    runtime::resumeNext([&] {
        Picture4->setBackColor(kGaugeColour);
        Picture4->setTop(PictureCatalogueFrame->Top() + PictureCatalogueFrame->Height());
        Picture4->setLeft(PictureCatalogueFrame->Left());
    });
    runtime::resumeNext([&] {
        for (ui::TextBox* box : {Text2.data(), Text1.data(), Text4.data()}) {
            box->setFontSize(8);
            box->setForeColor(kStripTextColour);
        }
        Text1->setTop(Text2->Top() + Text2->Height() / 2 - Text1->Height() / 2);
        Text4->setTop(Text2->Top() + Text2->Height() / 2 - Text4->Height() / 2);
    });
    runtime::resumeNext([&] {
        Frame1->setBackColor(ui::vbButtonFace);
        Frame1->Refresh();
    });
    // Backgrounds taken from the window's own surface under each control.
    auto surfaceUnder = [this](const ui::Control* c) { return static_cast<ui::COLORREF>(Point(c->Left(), c->Top())); };
    for (int i = TextField.LBound(); i <= TextField.UBound(); ++i)
        if (TextField.contains(i)) runtime::resumeNext([&] { TextField[i]->setBackColor(surfaceUnder(TextField[i])); });
    for (int i = TextLabelField.LBound(); i <= TextLabelField.UBound(); ++i)
        if (TextLabelField.contains(i))
            runtime::resumeNext([&] {
                TextLabelField[i]->setBackColor(surfaceUnder(TextLabelField[i]));
                TextLabelField[i]->setForeColor(kCaptionColour);
            });
    runtime::resumeNext([&] { Text6->setForeColor(kCaptionColour); });
    runtime::resumeNext([&] {
        Picture7->setBackColor(surfaceUnder(Picture7));
        for (ui::TextBox* box : {Text2.data(), Text1.data(), Text4.data()}) box->setBackColor(Picture7->BackColor());
    });
    runtime::resumeNext([&] {
        for (ui::Control* c : std::initializer_list<ui::Control*>{ComboCategory, Text6, ComboGender, ComboMartStaus})
            c->setBackColor(surfaceUnder(c));
    });

    // The gradients, one line per twip row into the persistent images.
    runtime::resumeNext([&] {
        double v = 0;
        for (double y = picToolBar->Height(); y >= 0; y -= 1) {
            v += 0.5;
            picToolBar->Line(0, y, picToolBar->Width(), y, ScaledGrey(v, 0.65, 0.65, 0.7));
        }
    });
    runtime::resumeNext([&] {
        double v = 50;
        for (double y = 0; y <= Picture2->Height(); y += 1) {
            v += 0.3;
            Picture2->Line(0, y, Picture2->Width(), y, ScaledGrey(v, 0.65, 0.65, 0.7));
        }
    });
    runtime::resumeNext([&] { PaintFrameGradient(); });
    for (int i = 0; i <= 5; ++i)
        runtime::resumeNext([&] { Image2[i]->setTop(Label7[i]->Top() - (Image2[i]->Height() - Label7[i]->Height()) / 2); });
    runtime::resumeNext([&] {
        ImageGo->setTop(TextField[20]->Top() + TextField[20]->Height() / 2 - ImageGo->Height() / 2);
    });
}

void Form1::PaintFrameGradient() {
    double v = 50;
    for (double y = 0; y <= PictureCatalogueFrame->Height(); y += 1) {
        v += 0.01;
        PictureCatalogueFrame->Line(0, y, PictureCatalogueFrame->Width(), y, ScaledGrey(v, 0.65, 0.65, 0.65));
    }
    ui::DoEvents();
}

void Form1::Form_MouseMove(int, int, double, double Y) {
    for (int i = PictureMenu.LBound(); i <= PictureMenu.UBound(); ++i)
        if (PictureMenu.contains(i)) runtime::resumeNext([&] { PictureMenu[i]->setVisible(false); });
    runtime::resumeNext([&] {
        if (MonthView1->Visible() && Y > TextField[16]->Top()) MonthView1->setVisible(false);
    });
}

void Form1::ImageCatalogue_MouseMove(int, int, double, double) {
    for (int i = PictureMenu.LBound(); i <= PictureMenu.UBound(); ++i)
        if (PictureMenu.contains(i)) runtime::resumeNext([&] { PictureMenu[i]->setVisible(false); });
    runtime::resumeNext([&] {
        if (MonthView1->Visible()) MonthView1->setVisible(false);
    });
}

void Form1::Form_Unload(int&) {
    if (!Module1::QuitOnMainWindowUnload) return;
    // Only the program's own temporary files: a file of the user's whose name happens
    // to begin with "Tmp" stays.
    runtime::resumeNext([] { catalogue::DeleteTemporaryFiles(); });
    ui::DoEvents();
    ui::End();
}
