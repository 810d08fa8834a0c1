#pragma once
// The dark look the windows share: greys derived from one value v.

#include "platform/ui/colors.h"

// RGB(v * red, v * green, v * blue), each component rounded to the nearest whole number
// (halves to even) and limited to 255: the gradients and rulings of the windows.
ui::COLORREF ScaledGrey(double v, double red, double green, double blue);
