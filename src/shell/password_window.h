#pragma once
// The password window of the File menu: sets, changes or removes the program password.
// The current password must be typed when one is stored; an empty new password
// removes it. After a change the window shows its success state until it is closed.

#include <QPointer>

#include "platform/ui/command_button.h"
#include "platform/ui/form.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/text_box.h"

class Form4 : public ui::Form {
public:
    Form4() : Form("Form4") {}

    QPointer<ui::PictureBox> Picture1;
    QPointer<ui::TextBox> Text1;  // the current password
    QPointer<ui::TextBox> Text2;  // the new password
    QPointer<ui::Label> Label2;
    QPointer<ui::Label> Label3;
    QPointer<ui::Label> Label4;
    QPointer<ui::Label> Lb1;
    QPointer<ui::Label> Label1;
    QPointer<ui::CommandButton> Command1;
    QPointer<ui::CommandButton> Command2;

    void Form_Load() override;
    void Command1_Click();
    void Command2_Click();

protected:
    void createControls() override;

private:
    void showSuccess();
};

// What Label1 reads once the password has been changed.
inline const QString kPasswordChangedText = QStringLiteral("Password Changed Successfully");
