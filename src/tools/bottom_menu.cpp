#include "tools/bottom_menu.h"

#include "platform/ui/handlers.h"
#include "shell/theme.h"

namespace tools {

namespace {

ui::COLORREF bandColour(double c) { return ScaledGrey(c, 0.65, 0.65, 0.75); }

}  // namespace

void PaintBottomMenu(ui::PictureBox& strip, ui::ControlArray<ui::Label>& labels, ui::COLORREF textColour) {
    int x = 200;
    for (int i = labels.LBound(); i <= labels.UBound(); ++i) {
        ui::Label* label = labels[i];
        label->setForeColor(textColour);
        label->setTop(static_cast<float>(strip.ScaleHeight() / 2 - label->Height() / 2));
        label->setLeft(x);
        x += 1000 + 450;

        const double left = label->Left(), top = label->Top(), width = label->Width(), height = label->Height();
        double c = 50;
        for (double y = top + height + 75; y >= top - 75; y -= 2) {
            c += 0.8;
            strip.Line(left - 300, y, left + width + 300, y, bandColour(c));
        }
        c = 0;
        for (double face = left - 150; face <= left + width + 150; face += 1) {
            c += 0.1;
            strip.Line(face, top - 75, face, top + height + 75, bandColour(c));
        }
    }
    ui::DoEvents();
}

}  // namespace tools
