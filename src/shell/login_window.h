#pragma once
// The log-in window: stands in front of the hidden main window while a program
// password is stored and none has been accepted in this run. "Ok" with the right
// password shows the main window; "Cancel" ends the program.

#include <QPointer>

#include "platform/ui/command_button.h"
#include "platform/ui/form.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/text_box.h"

class Form3 : public ui::Form {
public:
    Form3() : Form("Form3") {}

    QPointer<ui::PictureBox> Picture1;
    QPointer<ui::Label> Label1;
    QPointer<ui::TextBox> Text1;
    QPointer<ui::CommandButton> Command1;
    QPointer<ui::CommandButton> Command2;

    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Command1_Click();
    void Command2_Click();

protected:
    void createControls() override;
};
