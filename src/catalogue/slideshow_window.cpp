#include "catalogue/slideshow_window.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

namespace {

QImage windowPicture(const char* name) { return QImage(QStringLiteral(":/pictures/") + name); }

void showError(const runtime::Error& e) {
    ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
}

}  // namespace

void Form27::createControls() {
    setCaption("Slide Show");
    setBorderStyle(ui::vbSizable);
    setMinButton(false);
    setMaxButton(true);
    setClientSize(9792, 6564);

    auto button = [this](const char* name, double left, double width, const char* tip, const char* picture) {
        ui::CommandButton* b = create<ui::CommandButton>(name, left, 20, width, 255);
        b->setStyle(1);
        b->setToolTipText(tip);
        b->setPicture(windowPicture(picture));
        return b;
    };
    Command2 = button("Command2", 0, 555, "Previous Picture", "nav-previous.png");
    Command3 = button("Command3", 630, 255, "Play", "play.png");
    Command3->setBackColor(ui::RGB(0, 0, 64));
    Command4 = button("Command4", 910, 255, "Stop", "stop.png");
    Command4->setBackColor(ui::RGB(128, 0, 0));
    Text1 = create<ui::TextBox>("Text1", 1230, 0, 275, 255);
    Text1->setText("3");
    Text1->setAlignment(2);
    Text1->setMaxLength(2);
    Text1->setToolTipText("Timer");
    Command1 = button("Command1", 1570, 555, "Next Picture", "nav-next.png");
    Text2 = create<ui::TextBox>("Text2", 2220, 0, 4965, 300);
    Text2->setVisible(false);
    Image1 = create<ui::Image>("Image1", 0, 0, 100, 100);
    Image1->setVisible(false);
    Image1->setMousePointer(ui::vbCustom);

    Command1->Click = [this] { Command1_Click(); };
    Command2->Click = [this] { Command2_Click(); };
    Command3->Click = [this] { Command3_Click(); };
    Command4->Click = [this] { Command4_Click(); };
    Text1->Change = [this] { Text1_Change(); };
    Image1->MouseDown = [this](int b, int s, double x, double y) { Image1_MouseDown(b, s, x, y); };
    Image1->MouseMove = [this](int b, int s, double x, double y) { Image1_MouseMove(b, s, x, y); };
}

void Form27::Form_Load() { Module1::SlideShowWindowOpen = true; }

void Form27::Form_Unload(int&) { Module1::SlideShowWindowOpen = false; }

void Form27::Form_Resize() {
    Image1->setTop(ScaleHeight() / 2 - Image1->Height() / 2);
    Image1->setLeft(ScaleWidth() / 2 - Image1->Width() / 2);
}

void Form27::Form_Activate() {
    // A picture dragged away comes back to the middle whenever the window is activated.
    runtime::resumeNext([&] { Image1->setTop((ScaleHeight() - Image1->Height()) / 2); });
    runtime::resumeNext([&] { Image1->setLeft((ScaleWidth() - Image1->Width()) / 2); });
    runtime::resumeNext([&] { setBackColor(ui::forms<Form1>().BackColor()); });
    for (ui::TextBox* box : {Text2.data(), Text1.data()}) {
        runtime::resumeNext([&] { box->setBackColor(ui::forms<Form1>().BackColor()); });
        runtime::resumeNext([&] { box->setForeColor(ui::RGB(176, 176, 187)); });
    }
    runtime::resumeNext([&] { Command1->setBackColor(BackColor()); });
    runtime::resumeNext([&] { Command2->setBackColor(BackColor()); });
}

void Form27::Command1_Click() {
    try {
        Form1& main = ui::loaded<Form1>();
        if (main.Timer3->Enabled()) Command4_Click();
        if (!main.SaveRecordEdit()) return;
        db::Recordset& rs = main.Adodc3.recordset();
        if (rs.absolutePosition() != rs.recordCount()) {
            rs.moveNext();
            main.PSlideShowP();
        }
    } catch (const runtime::Error& e) {
        showError(e);
    }
}

void Form27::Command2_Click() {
    try {
        Form1& main = ui::loaded<Form1>();
        if (main.Timer3->Enabled()) Command4_Click();
        if (!main.SaveRecordEdit()) return;
        db::Recordset& rs = main.Adodc3.recordset();
        if (rs.absolutePosition() != 1) {
            rs.setAbsolutePosition(rs.absolutePosition() - 1);
            main.PSlideShowP();
        }
    } catch (const runtime::Error& e) {
        showError(e);
    }
}

void Form27::Command3_Click() {
    runtime::resumeNext([] { ui::loaded<Form1>().Timer3->setEnabled(true); });
}

void Form27::Command4_Click() {
    runtime::resumeNext([] { ui::loaded<Form1>().Timer3->setEnabled(false); });
}

void Form27::Text1_Change() {
    const double seconds = runtime::Val(Text1->Text().toStdString());
    if (seconds < 1) return;
    Module1::SlideIntervalSource = Module1::kTimeFromForm27;
    // Beyond the timer's 65,535 ms the previous interval stays in force.
    runtime::resumeNext([&] { ui::loaded<Form1>().Timer3->setInterval(runtime::CLng(seconds * 1000)); });
}

void Form27::Image1_MouseDown(int, int, double X, double Y) {
    DragStartX = static_cast<float>(X);
    DragStartY = static_cast<float>(Y);
}

void Form27::Image1_MouseMove(int Button, int, double X, double Y) {
    if (Button != 1) return;
    Image1->setLeft(Image1->Left() + (X - DragStartX));
    Image1->setTop(Image1->Top() + (Y - DragStartY));
}
