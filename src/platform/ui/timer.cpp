#include "platform/ui/timer.h"

#include "platform/runtime/error.h"

namespace ui {

Timer::Timer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick.fire(); });
}

void Timer::setInterval(int milliseconds) {
    // The timer counts in 16 bits: 0 to 65,535 ms.
    if (milliseconds < 0 || milliseconds > 65535) throw runtime::Error(380, "Invalid property value");
    interval_ = milliseconds;
    update();
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    update();
}

void Timer::update() {
    if (enabled_ && interval_ > 0 && !retired())
        timer_.start(interval_);
    else
        timer_.stop();
}

void Timer::retire() {
    Component::retire();
    timer_.stop();
}

void Timer::copyPropertiesFrom(const Component& other) {
    Component::copyPropertiesFrom(other);
    if (auto* o = dynamic_cast<const Timer*>(&other)) {
        interval_ = o->interval_;
        enabled_ = o->enabled_;
        update();
    }
}

}  // namespace ui
