#include "support/hourglass_watch.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/ui/input.h"
#include "platform/ui/screen.h"

namespace testsupport {

HourglassWatch::HourglassWatch(std::function<void()> atBusyPaint) : atBusyPaint_(std::move(atBusyPaint)) {
    QCoreApplication::instance()->installEventFilter(this);
}

HourglassWatch::~HourglassWatch() { QCoreApplication::instance()->removeEventFilter(this); }

bool HourglassWatch::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint && ui::Screen::MousePointer() == ui::vbHourglass) {
        ++busyPaints_;
        if (atBusyPaint_) atBusyPaint_();
    }
    return false;
}

}  // namespace testsupport
