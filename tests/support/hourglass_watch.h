#pragma once
// Watches the windows' paints while work runs. Long work puts up the hourglass and lets
// the windows repaint their "working" state before it starts, so a test sees paints
// under the hourglass, and can look at the window as it was painted then.

#include <functional>

#include <QObject>

namespace testsupport {

class HourglassWatch : public QObject {
public:
    // `atBusyPaint` runs at every paint under the hourglass.
    explicit HourglassWatch(std::function<void()> atBusyPaint = {});
    ~HourglassWatch() override;

    int busyPaints() const { return busyPaints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> atBusyPaint_;
    int busyPaints_ = 0;
};

}  // namespace testsupport
