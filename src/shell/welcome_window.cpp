#include "shell/welcome_window.h"

#include <QImage>

#include "shell/theme.h"

namespace {

constexpr int kVersionMajor = 1, kVersionMinor = 0, kVersionRevision = 0;
constexpr double kStripHeight = 525;

}  // namespace

QString WelcomeText() {
    const QString crlf = "\r\n";
    return "Welcome to Quillmere" + crlf + crlf + "Created Database Quillmere.mdb." + " - Click Ok to Start.";
}

QString VersionText() {
    return QString(" V%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

void Form5::createControls() {
    setCaption("Quillmere");
    setBorderStyle(ui::vbFixedSingle);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(7404, 4836);

    Text1 = create<ui::TextBox>("Text1", 1500, 720, 5500, 2670);
    Text1->setMultiLine(true);
    Text1->setFont({"Arial", 9});

    PictureButtonsBack = create<ui::PictureBox>("PictureButtonsBack", 0, 4836 - kStripHeight, 7404, kStripHeight);
    PictureButtonsBack->setBorderStyle(0);

    Image3 = create<ui::Image>("Image3", 240, 70, 384, 384, PictureButtonsBack);
    Image3->setStretch(true);
    Image3->setImage(QImage(":/pictures/program-icon.png"));

    LabelButtom = create<ui::Label>("LabelButtom", 720, 120, 2000, 285, PictureButtonsBack);
    LabelButtom->setBackStyle(0);
    LabelButtom->setFont({"Times New Roman", 10.8});
    LabelButtom->setAutoSize(true);
    LabelButtom->setCaption("Quillmere");

    Image2 = create<ui::Image>("Image2", 7404 - 1305 - 240, 75, 1305, 375, PictureButtonsBack);
    Image2->setImage(QImage(":/pictures/ok-button.png"));
    Image2->Click = [this] { Image2_Click(); };

    Line1 = create<ui::LineControl>("Line1", 0, 0, 0, 0);
    Line1->setEnds(0, 4836 - kStripHeight - 15, 7404, 4836 - kStripHeight - 15);
}

void Form5::Form_Load() {
    Text1->setText(WelcomeText());
    LabelButtom->setCaption(LabelButtom->Caption() + VersionText());
}

void Form5::Form_Resize() {
    setBackColor(ui::RGB(50, 50, 50));
    Text1->setBackColor(ui::RGB(60, 60, 60));
    Text1->setForeColor(ui::RGB(176, 176, 187));
    LabelButtom->setForeColor(ui::RGB(0, 0, 0));
    Line1->setBorderColor(ui::RGB(147, 147, 162));

    // A vertical gradient, one line per twip row, darkest at the bottom edge.
    double v = 20;
    const double width = PictureButtonsBack->ScaleWidth();
    for (double y = PictureButtonsBack->ScaleHeight(); y >= 0; y -= 1) {
        v += 0.4;
        PictureButtonsBack->Line(0, y, width, y, ScaledGrey(v, 0.65, 0.65, 0.75));
    }
}

void Form5::Form_Activate() {
    const double strip = PictureButtonsBack->Height();
    Image3->setTop(strip / 2 - Image3->Height() / 2);
    LabelButtom->setTop(strip / 2 - LabelButtom->Height() / 2);
    Image2->setTop(strip / 2 - Image2->Height() / 2);
}

void Form5::Image2_Click() { Unload(); }
