#pragma once
// Horizontal and vertical scroll bars: Min, Max, Value, SmallChange, LargeChange;
// Scroll fires while the thumb is dragged, Change at its release and on every other
// change of Value, by the user or by code.

#include <QScrollBar>

#include "platform/ui/control.h"
#include "platform/ui/range_logic.h"

namespace ui {

class ScrollBar : public QScrollBar, public Control, public RangeControl {
    Q_OBJECT
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;
    using RangeControl::setValue;


    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return false; }

private:
};

class HScrollBar : public ScrollBar {
    Q_OBJECT
public:
    explicit HScrollBar(QWidget* parent = nullptr) : ScrollBar(Qt::Horizontal, parent) {}
};

class VScrollBar : public ScrollBar {
    Q_OBJECT
public:
    explicit VScrollBar(QWidget* parent = nullptr) : ScrollBar(Qt::Vertical, parent) {}
};

}  // namespace ui
