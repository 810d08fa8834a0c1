#include "platform/ui/wait_cursor.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/ui/input.h"
#include "platform/ui/screen.h"

namespace ui {

WaitCursor::WaitCursor() : previous_(Screen::MousePointer()) {
    Screen::setMousePointer(vbHourglass);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

WaitCursor::~WaitCursor() { Screen::setMousePointer(previous_); }

}  // namespace ui
