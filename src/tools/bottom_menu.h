#pragma once
// The painted bottom menu of the edit windows and the save dialog: label buttons side by
// side in a strip, each on a band of two crossed grey gradients.

#include "platform/ui/colors.h"
#include "platform/ui/control_array.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"

namespace tools {

// Lays the labels out from x = 200 at 1450 twips apart, centred vertically in the strip,
// gives them the text colour, and paints each one's band into the strip's back buffer:
// the wings (bottom to top, from c = 50 in steps of 0.8, every 2 twips) and over them the
// face (left to right, from c = 0 in steps of 0.1, every twip), in RGB(0.65c, 0.65c,
// 0.75c). Lets pending window messages run once at the end.
void PaintBottomMenu(ui::PictureBox& strip, ui::ControlArray<ui::Label>& labels, ui::COLORREF textColour);

}  // namespace tools
