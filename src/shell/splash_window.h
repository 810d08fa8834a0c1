#pragma once
// The splash window: "Application Initializing" at the first start, the catalogue's
// size around a compaction, and the restart timer that runs the start-up procedure
// again once a compaction is done.

#include <QPointer>

#include "platform/ui/form.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/timer.h"

class Form2 : public ui::Form {
public:
    Form2() : Form("Form2") {}

    QPointer<ui::PictureBox> Picture1;
    QPointer<ui::Label> Label1;
    QPointer<ui::Label> Label2;
    QPointer<ui::Timer> Timer1;

    void Form_Load() override;
    void Form_Activate() override;
    void Timer1_Timer();

protected:
    void createControls() override;
};
