#pragma once
// Colours as the windows store them: COLORREF 0x00BBGGRR, or a system colour
// 0x800000nn that stands for the platform's colour number nn.

#include <cstdint>

#include <QColor>

namespace ui {

using COLORREF = uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// System colour numbers the windows name.
enum SystemColor : COLORREF {
    vbScrollBars = 0x80000000,
    vbDesktop = 0x80000001,
    vbActiveTitleBar = 0x80000002,
    vbInactiveTitleBar = 0x80000003,
    vbMenuBar = 0x80000004,
    vbWindowBackground = 0x80000005,
    vbWindowFrame = 0x80000006,
    vbMenuText = 0x80000007,
    vbWindowText = 0x80000008,
    vbTitleBarText = 0x80000009,
    vbActiveBorder = 0x8000000A,
    vbInactiveBorder = 0x8000000B,
    vbApplicationWorkspace = 0x8000000C,
    vbHighlight = 0x8000000D,
    vbHighlightText = 0x8000000E,
    vbButtonFace = 0x8000000F,
    vbButtonShadow = 0x80000010,
    vbGrayText = 0x80000011,
    vbButtonText = 0x80000012,
    vbInactiveCaptionText = 0x80000013,
    vb3DHighlight = 0x80000014,
    vb3DDKShadow = 0x80000015,
    vb3DLight = 0x80000016,
    vbInfoText = 0x80000017,
    vbInfoBackground = 0x80000018,
};

// The plain colour of a stored colour: system colours take this platform's dark
// scheme (button face 60,60,64, window background 38,38,42, text 190,190,196, ...);
// an unknown system number is black. Plain colours lose any bits above 0x00FFFFFF.
COLORREF resolveColor(COLORREF color);

QColor toQColor(COLORREF color);
COLORREF fromQColor(const QColor& color);

}  // namespace ui
