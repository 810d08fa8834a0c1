#pragma once
// The welcome window of the first start: what happened (the catalogue was created) and
// an "Ok" picture that closes it.

#include <QPointer>

#include "platform/ui/form.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/line_control.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/text_box.h"

class Form5 : public ui::Form {
public:
    Form5() : Form("Form5") {}

    QPointer<ui::TextBox> Text1;
    QPointer<ui::PictureBox> PictureButtonsBack;
    QPointer<ui::Image> Image3;
    QPointer<ui::Label> LabelButtom;
    QPointer<ui::Image> Image2;
    QPointer<ui::LineControl> Line1;

    void Form_Load() override;
    void Form_Resize() override;
    void Form_Activate() override;
    void Image2_Click();

protected:
    void createControls() override;
};

// The text the welcome window shows.
QString WelcomeText();
// " V1.0.0": appended where a caption shows the program's version.
QString VersionText();
