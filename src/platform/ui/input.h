#pragma once
// Mouse and keyboard arguments as the handlers receive them: Button 1 left, 2 right,
// 4 middle; Shift 1 shift, 2 control, 4 alt; KeyCode as the platform's virtual-key
// numbers (A = 65, Enter = 13, F1 = 112, left arrow = 37); KeyAscii the character.

#include <Qt>

class QKeyEvent;
class QCursor;
class QMouseEvent;

namespace ui {

enum MouseButtonCode : int { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };
enum ShiftCode : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

int buttonCode(Qt::MouseButton button);
int buttonsCode(Qt::MouseButtons buttons);
int shiftCode(Qt::KeyboardModifiers modifiers);
// 0 for keys the platform had no code for.
int keyCode(const QKeyEvent& event);
// The character a key press types (Enter 13, Backspace 8, Escape 27, Tab 9), or 0
// when the key types none (arrows, function keys, modifiers).
int keyAscii(const QKeyEvent& event);

// A mouse event that a control leaves unused travels on to its container as the same
// event. Only the control under the pointer raises events for it, so this is true for
// the first delivery of an event and false when it arrives again at a container.
bool isFirstDelivery(const QMouseEvent& event);

// Mouse pointers by number: 0 default, 1 arrow, 2 cross, 3 I-beam, 5 size all,
// 6 NE-SW, 7 N-S, 8 NW-SE, 9 W-E, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and
// hourglass, 14 arrow and question, 15 size all, 99 custom (the control's MouseIcon; a hand
// without one).
QCursor cursorForPointer(int mousePointer);
enum MousePointerCode : int {
    vbDefault = 0, vbArrow = 1, vbCrosshair = 2, vbIbeam = 3, vbSizeAll = 5, vbSizeNESW = 6,
    vbSizeNS = 7, vbSizeNWSE = 8, vbSizeWE = 9, vbUpArrow = 10, vbHourglass = 11,
    vbNoDrop = 12, vbArrowHourglass = 13, vbArrowQuestion = 14, vbSizePointer = 15,
    vbCustom = 99,
};

}  // namespace ui
