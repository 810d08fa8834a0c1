#include "shell/theme.h"

#include <algorithm>

#include "platform/runtime/numbers.h"

ui::COLORREF ScaledGrey(double v, double red, double green, double blue) {
    auto channel = [](double x) { return std::clamp(static_cast<int>(runtime::CLng(x)), 0, 255); };
    return ui::RGB(channel(v * red), channel(v * green), channel(v * blue));
}
