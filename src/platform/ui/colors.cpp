#include "platform/ui/colors.h"

namespace ui {

COLORREF resolveColor(COLORREF color) {
    if ((color & 0xFF000000u) != 0x80000000u) return color & 0x00FFFFFFu;
    // This platform's scheme is dark, so that a control the windows leave in system
    // colours sits among the windows' own dark greys instead of showing a light patch.
    static const COLORREF system[] = {
        RGB(64, 64, 68),     // scroll bars
        RGB(30, 40, 55),     // desktop
        RGB(45, 60, 90),     // active title bar
        RGB(70, 70, 74),     // inactive title bar
        RGB(50, 50, 50),     // menu bar
        RGB(38, 38, 42),     // window background
        RGB(20, 20, 22),     // window frame
        RGB(190, 190, 196),  // menu text
        RGB(190, 190, 196),  // window text
        RGB(230, 230, 235),  // title bar text
        RGB(60, 60, 64),     // active border
        RGB(60, 60, 64),     // inactive border
        RGB(40, 40, 44),     // application workspace
        RGB(62, 92, 140),    // highlight
        RGB(235, 235, 240),  // highlight text
        RGB(60, 60, 64),     // button face
        RGB(35, 35, 38),     // button shadow
        RGB(120, 120, 128),  // grey text
        RGB(190, 190, 196),  // button text
        RGB(150, 150, 156),  // inactive caption text
        RGB(96, 96, 102),    // 3-D highlight
        RGB(20, 20, 22),     // 3-D dark shadow
        RGB(72, 72, 78),     // 3-D light
        RGB(210, 210, 215),  // info text
        RGB(60, 60, 64),     // info background
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
