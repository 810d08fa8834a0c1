#include "shell/login_window.h"

#include <QImage>

#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/services.h"
#include "shell/module1.h"
#include "shell/program_password.h"

namespace {

const ui::Font kBoldArial{"Arial", 8.4, true};

}  // namespace

void Form3::createControls() {
    setCaption("Log in");
    setBorderStyle(ui::vbFixedSingle);
    setControlBox(false);
    setMinButton(false);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(5760, 2244);

    Picture1 = create<ui::PictureBox>("Picture1", 225, 225, 5280, 1665);
    Picture1->setBorderStyle(0);

    Text1 = create<ui::TextBox>("Text1", 990, 585, 3510, 330, Picture1);
    Text1->setPasswordChar("*");
    Text1->setMaxLength(Module1::kPasswordMaxLength);
    Text1->setBackColor(ui::RGB(192, 192, 192));
    Text1->setForeColor(ui::RGB(81, 81, 125));
    Text1->setFont(kBoldArial);
    // "Ok" is the window's default button: Enter in the box presses it.
    Text1->KeyPress = [this](int& KeyAscii) {
        if (KeyAscii != 13) return;
        KeyAscii = 0;
        Command1_Click();
    };

    Label1 = create<ui::Label>("Label1", 120, 120, 2745, 255, Picture1);
    Label1->setBackStyle(0);
    Label1->setFont(kBoldArial);
    Label1->setCaption("Enter Password");

    // The buttons straddle the panel's lower edge, in front of it.
    auto pictureButton = [this](const QString& name, double left, const char* picture) {
        ui::CommandButton* button = create<ui::CommandButton>(name, left, 1635, 1350, 420);
        button->setStyle(1);
        button->setPicture(QImage(picture));
        return button;
    };
    Command1 = pictureButton("Command1", 1395, ":/pictures/ok-button.png");
    Command1->Click = [this] { Command1_Click(); };
    Command2 = pictureButton("Command2", 3160, ":/pictures/cancel-button.png");
    Command2->Click = [this] { Command2_Click(); };
}

void Form3::Form_Load() {
    runtime::resumeNext([&] { setBackColor(ui::loaded<Form1>().BackColor()); });
    runtime::resumeNext([&] { Picture1->setBackColor(ui::RGB(60, 60, 60)); });
    runtime::resumeNext([&] { Label1->setForeColor(ui::RGB(176, 176, 187)); });
    runtime::resumeNext([&] { Command1->setBackColor(ui::loaded<Form1>().BackColor()); });
    runtime::resumeNext([&] { Command2->setBackColor(ui::loaded<Form1>().BackColor()); });
}

void Form3::Command1_Click() {
    try {
        db::Field stored = Module1::ProgramPasswordField();
        if (Module1::PasswordMatches(stored, Text1->Text())) {
            // A password an older catalogue holds in plain text is replaced by its hash
            // now; should the save fail, the next log-in tries again.
            if (Module1::PasswordStoredInPlainText(stored))
                runtime::resumeNext([&] { Module1::StoreProgramPassword(stored, Text1->Text()); });
            ui::loaded<Form1>().Show();
            Unload();
            return;
        }
        // No message: the box empties and stays dark red for as long as the window is open.
        Text1->setText("");
        Text1->setBackColor(ui::RGB(128, 0, 0));
        Text1->setForeColor(ui::RGB(227, 227, 251));
        Text1->SetFocus();
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form3::Command2_Click() {
    Module1::QuitOnMainWindowUnload = true;
    ui::forms<Form1>().Unload();
}

void Form3::Form_QueryUnload(int&, int UnloadMode) {
    // The window has no close box; a close from the window manager or the session
    // must not leave the program running with only its hidden main window.
    if (UnloadMode != ui::vbFormCode) Command2_Click();
}
