#include "shell/password_window.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "shell/module1.h"
#include "shell/program_password.h"

namespace {

const ui::Font kBoldArial{"Arial", 8.4, true};
constexpr double kLabelsLeft = 240, kBoxesLeft = 1700, kPanelInnerWidth = 5874;

}  // namespace

void Form4::createControls() {
    setCaption("Change Password");
    setBorderStyle(ui::vbFixedSingle);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(6804, 3636);

    Picture1 = create<ui::PictureBox>("Picture1", 225, 225, 6354, 2580);
    Picture1->setBorderStyle(0);

    auto passwordBox = [this](const QString& name, double top) {
        ui::TextBox* box = create<ui::TextBox>(name, kBoxesLeft, top, 3510, 330, Picture1);
        box->setPasswordChar("*");
        box->setMaxLength(Module1::kPasswordMaxLength);
        box->setBackColor(ui::RGB(192, 192, 192));
        box->setForeColor(ui::RGB(81, 81, 125));
        box->setFont(kBoldArial);
        return box;
    };
    Text1 = passwordBox("Text1", 615);
    Text2 = passwordBox("Text2", 1050);

    auto label = [this](const QString& name, double left, double top, double width, double height,
                        const QString& caption) {
        ui::Label* l = create<ui::Label>(name, left, top, width, height, Picture1);
        l->setBackStyle(0);
        l->setFont(kBoldArial);
        l->setCaption(caption);
        return l;
    };
    Label2 = label("Label2", kLabelsLeft, 150, kPanelInnerWidth, 300, "Change Password");
    Label2->setFont({"Arial", 10, true});
    Label3 = label("Label3", kLabelsLeft, 660, 1400, 255, "Current Pwd");
    Label4 = label("Label4", kLabelsLeft, 1095, 1400, 255, "New Pwd");
    Lb1 = label("Lb1", kLabelsLeft, 1530, kPanelInnerWidth, 255, "Make sure you remember the New Password");
    Lb1->setAlignment(2);
    Label1 = label("Label1", kLabelsLeft, 1890, kPanelInnerWidth, 540,
                   "Write Down your Password. If you forget it, you will not be able to open your Data Base. "
                   "Also make a New Backup.");
    Label1->setFont({"Arial", 8.4});
    Label1->setWordWrap(true);

    auto pictureButton = [this](const QString& name, double left, const char* picture) {
        ui::CommandButton* button = create<ui::CommandButton>(name, left, 3015, 1350, 420);
        button->setStyle(1);
        button->setPicture(QImage(picture));
        return button;
    };
    Command1 = pictureButton("Command1", 1917, ":/pictures/ok-button.png");
    Command1->Click = [this] { Command1_Click(); };
    Command2 = pictureButton("Command2", 3537, ":/pictures/cancel-button.png");
    Command2->Click = [this] { Command2_Click(); };
}

void Form4::Form_Load() {
    runtime::resumeNext([&] { setBackColor(ui::loaded<Form1>().BackColor()); });
    runtime::resumeNext([&] { Picture1->setBackColor(ui::RGB(60, 60, 60)); });
    for (ui::Label* label : {Label1.data(), Label2.data(), Label3.data(), Label4.data(), Lb1.data()})
        runtime::resumeNext([&] { label->setForeColor(ui::RGB(176, 176, 187)); });
    runtime::resumeNext([&] { Command1->setBackColor(ui::loaded<Form1>().BackColor()); });
    runtime::resumeNext([&] { Command2->setBackColor(ui::loaded<Form1>().BackColor()); });
}

void Form4::Command2_Click() { Unload(); }

void Form4::Command1_Click() {
    if (Label1->Caption() == kPasswordChangedText) {
        Unload();
        return;
    }
    if (Text1->Text().isEmpty() && Text2->Text().isEmpty()) {
        ui::services().Beep();
        return;
    }
    try {
        db::Field stored = Module1::ProgramPasswordField();
        if (Text1->Text().isEmpty() && Module1::PasswordStored(stored)) {
            ui::services().MsgBox("Enter Current Password", runtime::vbOKOnly, QString());
            return;
        }
        // A typed password where none is stored differs too; an empty box with none
        // stored has nothing to compare.
        if (!Module1::PasswordMatches(stored, Text1->Text())) {
            ui::services().MsgBox("Invalid Current Password", runtime::vbOKOnly, QString());
            Text1->setText("");
            Text2->setText("");
            Text1->SetFocus();
            return;
        }

        setMousePointer(ui::vbHourglass);
        ui::services().Sleep(500);
        const QString newPassword = Text2->Text();
        Module1::StoreProgramPassword(stored, newPassword);
        Module1::SessionPassword = newPassword;
        showSuccess();
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form4::showSuccess() {
    for (ui::Label* label : {Lb1.data(), Label2.data(), Label3.data(), Label4.data()}) label->setVisible(false);
    Label1->setFontSize(10);
    Label1->setAlignment(2);
    Label1->setCaption(kPasswordChangedText);
    Text1->setVisible(false);
    Text2->setVisible(false);
    Command2->setVisible(false);
    Command1->setLeft(Width() / 2 - Command1->Width() / 2);
    setMousePointer(ui::vbDefault);
}

namespace Module1 {

void ShowPasswordWindow() {
    ui::loaded<Form4>().Text1->setText("");
    ui::loaded<Form4>().Text2->setText("");
    ui::forms<Form4>().Show(ui::vbModal);
}

}  // namespace Module1
