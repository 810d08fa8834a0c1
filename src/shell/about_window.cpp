#include "shell/about_window.h"

#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include <cmath>
#include <iterator>
#include <numbers>
#include <span>

#include "catalogue/main_window.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/outside_programs.h"
#include "platform/ui/services.h"
#include "shell/welcome_window.h"
#include "shell/module1.h"
#include "shell/theme.h"

namespace {

using runtime::resumeNext;

constexpr ui::COLORREF kScrollColour = ui::RGB(64, 64, 64);
constexpr ui::COLORREF kNameColour = ui::RGB(217, 180, 74);
constexpr ui::COLORREF kLinkColour = ui::RGB(143, 166, 200);
constexpr int kLogoWidth = 80, kLogoHeight = 81;
constexpr int kFrames = 5;
constexpr int kVersionLabel = 4;
constexpr int kViewOffline = 3;

// The maker's lines under the strip: LabelAbout index and text.
struct MakerLine {
    int index;
    const char* text;
};
constexpr MakerLine kMakerLines[] = {
    {0, "Your pictures and files, kept whole in one encrypted catalogue beside the program."},
    {1, "Add files, folders and clipboard pictures; browse, find, sort, filter and export them."},
    {2, "Rotate, resize and filter pictures in the tool windows and keep the results as new pictures."},
    {3, "Made for the Linux desktop in C++ with Qt."},
    {5, "Legal notice"},
};

// The links by index. Index 0, the maker's mail address, is left out: this program has
// no address to write to.
struct Link {
    int index;
    const char* caption;
    double left, top, width;
};
constexpr Link kLinks[] = {
    {1, "Read Me", 30, 840, 1200}, {2, "Program Folder", 1300, 840, 1500}, {3, "View Offline", 30, 1110, 1400}};

ui::Font arial(double size, bool bold = false) {
    ui::Font font{"Arial", size};
    font.bold = bold;
    return font;
}

// The picture boxes hold bitmaps without transparency: a partly transparent image is
// laid on the window's colour first.
QImage onBackground(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(QColor(50, 50, 50));
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

}  // namespace

QString AboutNoticeText() {
    return QStringLiteral(
        "Quillmere, its pictures, texts and code are the work of their authors and protected by copyright. "
        "Copying the program or passing it on, in whole or in part, without the authors' permission is not "
        "allowed. Unauthorised copies and their distribution will be pursued under the law.");
}

// The welcome window's version text without the blank it puts before the V.
QString AboutVersionText() { return VersionText().trimmed(); }

QByteArray AboutPageResource() {
    const QString page = QStringLiteral(R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>About Quillmere</title>
<style>
body { background: #323232; color: #a0a0a0; font-family: "DejaVu Sans", sans-serif; max-width: 40em; margin: 2em auto; }
h1 { color: #d9b44a; }
img { vertical-align: middle; margin-right: 1em; }
.notice { color: #787878; font-size: smaller; }
</style>
</head>
<body>
<p><img src="%2" alt="Quillmere logo" width="80" height="81"><img src="%3" alt="" width="32" height="32"></p>
<h1>Quillmere Picture Catalogue</h1>
<p>%1</p>
<p>Your pictures and files, kept whole in one encrypted catalogue beside the program.</p>
<p>Add files, folders and clipboard pictures; browse, find, sort, filter and export them. Rotate,
resize and filter pictures in the tool windows and keep the results as new pictures.</p>
<p>Made for the Linux desktop in C++ with Qt.</p>
<p class="notice">%4</p>
</body>
</html>
)");
    return page.arg(AboutVersionText(), QString::fromLatin1(kAboutPictureFiles[0]),
                    QString::fromLatin1(kAboutPictureFiles[1]), AboutNoticeText().toHtmlEscaped())
        .toUtf8();
}

// A picture frame with a sun over two hills; the animation lets the sun send out rays
// of five lengths.
QImage AboutLogoFrame(int frame) {
    QImage image(kLogoWidth, kLogoHeight, QImage::Format_RGB32);
    image.fill(QColor(50, 50, 50));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 102), 1.5));
    p.setBrush(QColor(60, 60, 70));
    p.drawRoundedRect(QRectF(4.5, 8.5, 71, 64), 8, 8);

    const QPointF sun(55, 28);
    if (frame >= 0 && frame < kFrames) {
        const double reach = 9.5 + 1.4 * (frame + 1);
        p.setPen(QPen(QColor(217, 180, 74, 110 + 30 * frame), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int ray = 0; ray < 8; ++ray) {
            const double angle = (ray * 45 + frame * 9) * std::numbers::pi / 180;
            const QPointF direction(std::cos(angle), std::sin(angle));
            p.drawLine(sun + direction * 9.5, sun + direction * reach);
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(217, 180, 74));
    p.drawEllipse(sun, 6.5, 6.5);

    QPainterPath hills;
    hills.moveTo(10, 66);
    hills.lineTo(30, 38);
    hills.lineTo(44, 55);
    hills.lineTo(54, 45);
    hills.lineTo(70, 66);
    hills.closeSubpath();
    p.setBrush(QColor(143, 166, 200));
    p.drawPath(hills);
    return image;
}

QString AboutLinkTarget(int index, const QString& programFolder) {
    switch (index) {
    case 1:
        // The build puts the read-me beside the program, so every copy of the program
        // folder carries its own.
        return QUrl::fromLocalFile(programFolder + "/README.md").toString();
    case 2:
        return QUrl::fromLocalFile(programFolder).toString();
    default:
        return QString();
    }
}

void Form38::createControls() {
    setCaption("About Quillmere");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(4788, 5964);
    setBackColor(ui::RGB(50, 50, 50));

    Picture1 = create<ui::PictureBox>("Picture1", 105, 75, 4620, 5910);
    Picture1->setBorderStyle(0);

    Picture2 = create<ui::PictureBox>("Picture2", 135, -15, 4245, 8100, Picture1);
    Picture2->setBorderStyle(0);

    Picture6 = create<ui::PictureBox>("Picture6", 15, 105, 3528, 3720, Picture2);
    Picture6->setBorderStyle(0);

    PicLogo = create<ui::PictureBox>("PicLogo", 1272, 492, 984, 996, Picture6);
    PicLogo->setBorderStyle(0);
    PicLogo->setAutoSize(true);
    PicLogo->setPicture(AboutLogoFrame(-1));
    for (int i = 0; i < kFrames; ++i) {
        ui::PictureBox* frame = create(Picture7, i, 0, 0, 1200, 1215, Picture6);
        frame->setBorderStyle(0);
        frame->setAutoSize(true);
        frame->setVisible(false);
        frame->setPicture(AboutLogoFrame(i));
    }

    Picture11 = create<ui::PictureBox>("Picture11", 230, 1980, 2925, 1395, Picture2);
    Picture11->setBorderStyle(0);

    ui::TextBox* name = create(TextAbout, 2, 0, 0, 2925, 480, Picture11);
    name->setBorderStyle(0);
    name->setLocked(true);
    name->setFont({ui::kDefaultFaceName, 18});
    name->setForeColor(kNameColour);
    name->setText("Quillmere");

    ui::Label* version = create(LabelAbout, kVersionLabel, 30, 500, 2800, 240, Picture11);
    version->setBackStyle(0);
    version->setFont(arial(9));
    version->setCaption(" V");

    for (const Link& place : kLinks) {
        ui::Label* link = create(LabelAboutHyperLink, place.index, place.left, place.top, place.width, 240, Picture11);
        link->setBackStyle(0);
        ui::Font font = arial(8);
        font.underline = true;
        link->setFont(font);
        link->setForeColor(kLinkColour);
        link->setMousePointer(ui::vbCustom);
        link->setCaption(place.caption);
    }

    PictureButtonsBack = create<ui::PictureBox>("PictureButtonsBack", 0, 4005, 3630, 520, Picture2);
    PictureButtonsBack->setBorderStyle(0);
    ui::Label* title = create(Label3, 0, 0, 135, 3630, 270, PictureButtonsBack);
    title->setBackStyle(0);
    title->setAlignment(2);
    title->setFont(arial(9, true));
    title->setCaption("Quillmere Picture Catalogue");

    // The first three lines fill the view down to the viewport's bottom edge; the rest
    // start below it, so that the edge cuts no line in two before the user scrolls.
    constexpr double kLineTops[] = {4620, 5040, 5460, 5940, 6230};
    static_assert(std::size(kLineTops) == std::size(kMakerLines));
    for (size_t i = 0; i < std::size(kMakerLines); ++i) {
        const MakerLine& line = kMakerLines[i];
        const bool twoLines = i < 3;
        ui::Label* label = create(LabelAbout, line.index, 75, kLineTops[i], 3615, twoLines ? 420 : 270, Picture2);
        label->setBackStyle(0);
        label->setWordWrap(true);
        label->setFont(arial(8, line.index == 5));
        label->setCaption(line.text);
    }

    Text1 = create<ui::TextBox>("Text1", 75, 6500, 3615, 1500, Picture2);
    Text1->setMultiLine(true);
    Text1->setBorderStyle(0);
    Text1->setLocked(true);
    Text1->setFont(arial(8));

    const QImage offline[2] = {AboutLogoFrame(-1), onBackground(QImage(":/pictures/program-icon.png"))};
    for (int i = 0; i < 2; ++i) {
        ui::PictureBox* box = create(PictureOffline, i, 0, 0, 1200, 1215, Picture2);
        box->setBorderStyle(0);
        box->setAutoSize(true);
        box->setVisible(false);
        box->setPicture(offline[i]);
    }

    // The scroll bar lies over the content's right edge.
    Picture4 = create<ui::PictureBox>("Picture4", 4320, 70, 160, 5685, Picture1);
    Picture4->setBackColor(kScrollColour);
    Command1 = create<ui::CommandButton>("Command1", 4200, 150, 360, 195, Picture1);
    Command1->setStyle(1);
    Command1->setBackColor(kScrollColour);
    Command1->setFocusPolicy(Qt::NoFocus);

    Timer1 = createTimer("Timer1", 1, true);

    Command1->MouseDown = [this](int b, int s, double x, double y) { Command1_MouseDown(b, s, x, y); };
    Command1->MouseMove = [this](int b, int s, double x, double y) { Command1_MouseMove(b, s, x, y); };
    Command1->MouseUp = [this](int b, int s, double x, double y) { Command1_MouseUp(b, s, x, y); };
    Picture4->MouseDown = [this](int b, int s, double x, double y) { Picture4_MouseDown(b, s, x, y); };
    Picture2->MouseMove = [this](int b, int s, double x, double y) { Picture2_MouseMove(b, s, x, y); };
    Picture11->MouseMove = [this](int b, int s, double x, double y) { Picture11_MouseMove(b, s, x, y); };
    LabelAboutHyperLink.bind(&ui::Label::Click, [this](int i) { LabelAboutHyperLink_Click(i); });
    LabelAboutHyperLink.bind(&ui::Label::MouseMove, [this](int i, int b, int s, double x, double y) {
        LabelAboutHyperLink_MouseMove(i, b, s, x, y);
    });
    LabelAbout.bind(&ui::Label::MouseMove,
                    [this](int i, int b, int s, double x, double y) { LabelAbout_MouseMove(i, b, s, x, y); });
    Timer1->Tick = [this] { Timer1_Timer(); };
}

void Form38::Form_Load() {
    resumeNext([&] { LabelAbout[kVersionLabel]->setCaption(AboutVersionText()); });

    resumeNext([&] {
        const ui::COLORREF back = ui::loaded<Form1>().BackColor();
        setBackColor(back);
        for (ui::Control* c : std::initializer_list<ui::Control*>{Picture1, Picture2, Picture6, Picture11,
                                                                 TextAbout[2], PictureButtonsBack, Text1})
            resumeNext([&] { c->setBackColor(back); });
    });
    resumeNext([&] { PictureButtonsBack->setPicture(ui::loaded<Form1>().picToolBar->Image()); });

    resumeNext([&] { Text1->setText(AboutNoticeText()); });
    resumeNext([&] {
        const ui::COLORREF text = ui::loaded<Form1>().TextField[0]->ForeColor();
        for (ui::Control* c : std::initializer_list<ui::Control*>{Text1, Label3[0], LabelAboutHyperLink[1],
                                                                 LabelAboutHyperLink[2], LabelAboutHyperLink[3]})
            resumeNext([&] { c->setForeColor(text); });
    });
    resumeNext([&] {
        const ui::COLORREF caption = ui::loaded<Form1>().TextLabelField[0]->ForeColor();
        for (ui::Label* label : LabelAbout.elements()) resumeNext([&] { label->setForeColor(caption); });
    });

    resumeNext([&] { LogoCycleStart = ui::services().Timer(); });
    resumeNext([&] { Picture2->setHeight(Text1->Top() + Text1->Height() + 100); });
}

void Form38::Form_Activate() {
    resumeNext([&] { PicLogo->setLeft(Picture6->Width() / 2 - PicLogo->Width() / 2); });
    resumeNext([&] { PicLogo->setTop((Picture11->Top() - PicLogo->Height()) / 2); });
}

void Form38::Timer1_Timer() {
    if (!PicLogo) return;
    const double r = ui::services().Rnd();
    const double elapsed = ui::services().Timer() - LogoCycleStart;
    for (int frame = 0; frame < kFrames; ++frame) {
        if (elapsed <= r + 0.05 * (frame + 1)) {
            resumeNext([&] {
                const picture::Picture shown = Picture7[frame]->Picture();
                // A tick every millisecond: redraw only when the frame changes.
                if (!(PicLogo->Picture() == shown)) PicLogo->setPicture(shown);
            });
            return;
        }
    }
    if (elapsed >= r + 0.3) LogoCycleStart = ui::services().Timer();
}

// ---- the scroll bar ----

void Form38::panelFollowsThumb() {
    resumeNext([&] { Picture2->setTop(-Command1->Top() * (Picture2->Height() / Picture1->Height())); });
}

void Form38::Command1_MouseDown(int, int, double, double Y) {
    resumeNext([&] { ThumbGripY = std::lrint(Y); });
    resumeNext([&] { Picture4->setBorderStyle(0); });
    // A gradient, one line per twip row, lightest at the top.
    resumeNext([&] {
        double v = 100;
        const double width = Picture4->Width() + 40;
        for (double y = Picture4->Height(); y >= 0; y -= 1) {
            v += 0.05;
            Picture4->Line(0, y, width, y, ScaledGrey(v, 0.65, 0.65, 1));
        }
    });
}

void Form38::Command1_MouseMove(int Button, int, double, double Y) {
    if (!Command1 || !Picture1) return;
    const double viewport = Picture1->Height();
    resumeNext([&] {
        if (Command1->Top() <= 0) Command1->setTop(10);
    });
    if (Command1->Top() >= viewport - 40) {
        resumeNext([&] { Command1->setTop(viewport - 60); });
        return;
    }
    if (Button & ui::vbLeftButton) {
        // The point that was grabbed stays under the pointer.
        resumeNext([&] { Command1->setTop(Command1->Top() + Y - ThumbGripY); });
        panelFollowsThumb();
    }
}

void Form38::Command1_MouseUp(int, int, double, double) {
    if (!Command1 || !Picture1) return;
    resumeNext([&] { Picture4->setBorderStyle(1); });
    resumeNext([&] {
        if (Command1->Top() <= 0) {
            Command1->setTop(10);
            Picture2->setTop(10);
        }
    });
    resumeNext([&] {
        const double lowest = Picture1->Height() - 300;
        if (Command1->Top() >= lowest) Command1->setTop(lowest);
    });
    resumeNext([&] { Picture4->Cls(); });
    resumeNext([&] { Picture4->setPicture(ui::loaded<Form1>().Image()); });
}

void Form38::Picture4_MouseDown(int, int, double, double Y) {
    if (!Command1) return;
    resumeNext([&] { Command1->setTop(Command1->Top() + (Y > Command1->Top() ? 500 : -500)); });
    panelFollowsThumb();
}

// ---- links ----

void Form38::linksRegular() {
    for (ui::Label* link : LabelAboutHyperLink.elements()) resumeNext([&] { link->setFontBold(false); });
}

void Form38::LabelAboutHyperLink_MouseMove(int Index, int, int, double, double) {
    linksRegular();
    resumeNext([&] { LabelAboutHyperLink[Index]->setFontBold(true); });
}

void Form38::LabelAbout_MouseMove(int, int, int, double, double) { linksRegular(); }
void Form38::Picture2_MouseMove(int, int, double, double) { linksRegular(); }
void Form38::Picture11_MouseMove(int, int, double, double) { linksRegular(); }

void Form38::LabelAboutHyperLink_Click(int Index) {
    if (Index == kViewOffline) {
        viewOffline();
        return;
    }
    resumeNext([&] {
        const QString target = AboutLinkTarget(Index, Module1::text(Module1::ProgramFolder));
        if (!target.isEmpty()) ui::openWithRegisteredProgram(target);
    });
}

void Form38::viewOffline() {
    const QString folder = Module1::text(Module1::ProgramFolder);
    for (int i = 0; i < 2; ++i)
        resumeNext([&] {
            const std::string path = (folder + "/" + kAboutPictureFiles[i]).toStdString();
            if (!sys::fileExists(path)) picture::SavePicture(PictureOffline[i]->Picture(), path);
        });
    const QString page = folder + "/" + kAboutPageFile;
    resumeNext([&] { sys::deleteFile(page.toStdString()); });
    resumeNext([&] {
        const QByteArray bytes = AboutPageResource();
        sys::writeFile(page.toStdString(), std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                     static_cast<size_t>(bytes.size())));
    });
    resumeNext([&] { ui::openWithRegisteredProgram(page); });
}
