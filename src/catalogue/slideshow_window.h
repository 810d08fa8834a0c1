#pragma once
// The slide-show and full-screen window, also the edit windows' preview: one picture
// at a time apart from the main window, with previous/play/stop/next buttons, the
// interval box and the position line for the slide show.

#include <QPointer>

#include "platform/ui/command_button.h"
#include "platform/ui/form.h"
#include "platform/ui/image.h"
#include "platform/ui/text_box.h"

class Form27 : public ui::Form {
public:
    Form27() : Form("Form27") {}

    QPointer<ui::CommandButton> Command1;  // next
    QPointer<ui::CommandButton> Command2;  // previous
    QPointer<ui::CommandButton> Command3;  // play
    QPointer<ui::CommandButton> Command4;  // stop
    QPointer<ui::TextBox> Text1;           // interval in seconds
    QPointer<ui::TextBox> Text2;           // position line
    QPointer<ui::Image> Image1;            // the picture

    // The mouse position inside Image1 at the last press on it.
    float DragStartX = 0, DragStartY = 0;

    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Text1_Change();
    void Image1_MouseDown(int Button, int Shift, double X, double Y);
    void Image1_MouseMove(int Button, int Shift, double X, double Y);

protected:
    void createControls() override;
};
