#include "platform/ui/colors.h"

namespace ui {

COLORREF resolveColor(COLORREF color) {
    if ((color & 0xFF000000u) != 0x80000000u) return color & 0x00FFFFFFu;
    static const COLORREF system[] = {
        RGB(212, 208, 200),  // scroll bars
        RGB(58, 110, 165),   // desktop
        RGB(10, 36, 106),    // active title bar
        RGB(128, 128, 128),  // inactive title bar
        RGB(212, 208, 200),  // menu bar
        RGB(255, 255, 255),  // window background
        RGB(0, 0, 0),        // window frame
        RGB(0, 0, 0),        // menu text
        RGB(0, 0, 0),        // window text
        RGB(255, 255, 255),  // title bar text
        RGB(212, 208, 200),  // active border
        RGB(212, 208, 200),  // inactive border
        RGB(128, 128, 128),  // application workspace
        RGB(10, 36, 106),    // highlight
        RGB(255, 255, 255),  // highlight text
        RGB(212, 208, 200),  // button face
        RGB(128, 128, 128),  // button shadow
        RGB(128, 128, 128),  // grey text
        RGB(0, 0, 0),        // button text
        RGB(212, 208, 200),  // inactive caption text
        RGB(255, 255, 255),  // 3-D highlight
        RGB(64, 64, 64),     // 3-D dark shadow
        RGB(212, 208, 200),  // 3-D light
        RGB(0, 0, 0),        // info text
        RGB(255, 255, 225),  // info background
    };
    const COLORREF index = color & 0xFFu;
    if ((color & 0x00FFFF00u) != 0 || index >= sizeof(system) / sizeof(system[0])) return 0;
    return system[index];
}

QColor toQColor(COLORREF color) {
    const COLORREF c = resolveColor(color);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

COLORREF fromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

}  // namespace ui
