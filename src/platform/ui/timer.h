#pragma once
// A timer: Interval in milliseconds and Enabled. It fires Tick (the handler
// `Timer1_Timer`) every Interval while enabled; an Interval of 0 or a disabled timer
// never fires. Setting Interval or enabling the timer starts the count anew. A timer
// stops when its window unloads.

#include <QObject>
#include <QTimer>

#include "platform/ui/component.h"
#include "platform/ui/event.h"

namespace ui {

class Timer : public QObject, public Component {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);

    int Interval() const { return interval_; }
    void setInterval(int milliseconds);  // outside 0..65535: error 380
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // True while the timer counts (enabled, Interval > 0, window loaded).
    bool running() const { return timer_.isActive(); }

    Event<> Tick{this};

    void retire() override;
    void copyPropertiesFrom(const Component& other) override;

private:
    void update();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

}  // namespace ui
