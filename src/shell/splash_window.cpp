#include "shell/splash_window.h"

#include "shell/module1.h"

void Form2::createControls() {
    setCaption("Compacting DataBase");
    setBorderStyle(ui::vbFixedSingle);
    setControlBox(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(5292, 2976);
    setAutoRedraw(true);

    Picture1 = create<ui::PictureBox>("Picture1", 456, 420, 4368, 2172);
    Picture1->setBorderStyle(0);
    auto makeLabel = [this](const QString& name, double top, const QString& caption) {
        ui::Label* label = create<ui::Label>(name, 1500, top, 2775, 300, Picture1);
        label->setBackStyle(0);
        label->setAlignment(2);
        label->setFont({"Arial", 9});
        label->setCaption(caption);
        return label;
    };
    Label1 = makeLabel("Label1", 675, "Compacting DataBase");
    Label2 = makeLabel("Label2", 1140, "Please Wait ...");

    Timer1 = createTimer("Timer1", 1000, false);
    Timer1->Tick = [this] { Timer1_Timer(); };
}

void Form2::Form_Load() {
    setBackColor(ui::RGB(50, 50, 50));
    // A fine dark ruling on the grey, kept in the window's persistent drawing.
    for (double y = Height(); y >= 0; y -= 30) Line(0, y, Width(), y, ui::RGB(13, 13, 15));
    Picture1->setBackColor(BackColor());
    Label1->setForeColor(ui::RGB(176, 176, 187));
    Label2->setForeColor(ui::RGB(176, 176, 187));
}

void Form2::Form_Activate() {
    Label1->Refresh();
    Label2->Refresh();
}

void Form2::Timer1_Timer() {
    // The pass of Main that compacted must have returned before the restart runs; the
    // timer stays on and ticks again until then.
    if (Module1::MainPassRunning()) return;
    Timer1->setEnabled(false);
    Module1::Main();
    Unload();
}
