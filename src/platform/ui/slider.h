#pragma once
// A slider (track bar): Min, Max, Value, SmallChange, LargeChange, TickFrequency,
// TickStyle (0 bottom/right, 1 top/left, 2 both, 3 none), Orientation (0 horizontal,
// 1 vertical). Scroll fires while the thumb is dragged, Change at its release and on
// every other change of Value, by the user or by code.

#include <QSlider>

#include "platform/ui/control.h"
#include "platform/ui/range_logic.h"

namespace ui {

class Slider : public QSlider, public Control, public RangeControl {
    Q_OBJECT
public:
    explicit Slider(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;
    using RangeControl::setValue;

    int TickFrequency() const { return tickInterval(); }
    void setTickFrequency(int frequency) { setTickInterval(frequency); }
    int TickStyle() const { return tickStyle_; }
    void setTickStyle(int style);
    int Orientation() const { return orientation() == Qt::Vertical ? 1 : 0; }
    void setOrientation(int orientation);

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return true; }

private:
    int tickStyle_ = 0;
};

}  // namespace ui
