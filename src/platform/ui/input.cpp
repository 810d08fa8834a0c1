#include "platform/ui/input.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

namespace ui {

int buttonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return vbLeftButton;
    case Qt::RightButton: return vbRightButton;
    case Qt::MiddleButton: return vbMiddleButton;
    default: return 0;
    }
}

int buttonsCode(Qt::MouseButtons buttons) {
    int code = 0;
    if (buttons & Qt::LeftButton) code |= vbLeftButton;
    if (buttons & Qt::RightButton) code |= vbRightButton;
    if (buttons & Qt::MiddleButton) code |= vbMiddleButton;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
    int code = 0;
    if (modifiers & Qt::ShiftModifier) code |= vbShiftMask;
    if (modifiers & Qt::ControlModifier) code |= vbCtrlMask;
    if (modifiers & Qt::AltModifier) code |= vbAltMask;
    return code;
}

int keyCode(const QKeyEvent& event) {
    const int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period: return 190;
    case Qt::Key_Comma: return 188;
    default: return 0;
    }
}

int keyAscii(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: return 9;
    default: break;
    }
    const QString text = event.text();
    if (text.isEmpty()) return 0;
    const char16_t c = text.at(0).unicode();
    if (c < 32 && !(event.modifiers() & Qt::ControlModifier)) return 0;
    return c;
}

QCursor cursorForPointer(int mousePointer) {
    switch (mousePointer) {
    case 1: return QCursor(Qt::ArrowCursor);
    case 2: return QCursor(Qt::CrossCursor);
    case 3: return QCursor(Qt::IBeamCursor);
    case 5:
    case 15: return QCursor(Qt::SizeAllCursor);
    case 6: return QCursor(Qt::SizeBDiagCursor);
    case 7: return QCursor(Qt::SizeVerCursor);
    case 8: return QCursor(Qt::SizeFDiagCursor);
    case 9: return QCursor(Qt::SizeHorCursor);
    case 10: return QCursor(Qt::UpArrowCursor);
    case 11: return QCursor(Qt::WaitCursor);
    case 12: return QCursor(Qt::ForbiddenCursor);
    case 13: return QCursor(Qt::BusyCursor);
    case 14: return QCursor(Qt::WhatsThisCursor);
    case 99: return QCursor(Qt::PointingHandCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

bool isFirstDelivery(const QMouseEvent& event) {
    // The container receives a copy: same type, time, buttons and screen point (whole
    // pixels), a position of its own.
    struct Delivery {
        int type = 0;
        quint64 timestamp = 0;
        QPoint global;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons;
        bool operator==(const Delivery&) const = default;
    };
    static Delivery last;
    const Delivery now{int(event.type()), event.timestamp(), event.globalPosition().toPoint(), event.button(),
                       event.buttons()};
    if (now == last) return false;
    last = now;
    return true;
}

}  // namespace ui
