#include "platform/ui/slider.h"

namespace ui {

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent), Control(this), RangeControl(this, this) {
    setMax(10);
    setSmallChange(1);
    setLargeChange(5);
    setTickFrequency(1);
    setTickStyle(0);
    initAppearance(vbButtonFace, vbButtonText);
}

void Slider::setTickStyle(int style) {
    tickStyle_ = style;
    const bool vertical = orientation() == Qt::Vertical;
    switch (style) {
    case 1: setTickPosition(vertical ? QSlider::TicksLeft : QSlider::TicksAbove); break;
    case 2: setTickPosition(QSlider::TicksBothSides); break;
    case 3: setTickPosition(QSlider::NoTicks); break;
    default: setTickPosition(vertical ? QSlider::TicksRight : QSlider::TicksBelow); break;
    }
}

void Slider::setOrientation(int orientation) {
    QSlider::setOrientation(orientation == 1 ? Qt::Vertical : Qt::Horizontal);
    setTickStyle(tickStyle_);
}

void Slider::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const Slider*>(&other)) {
        detail::SuppressEvents quiet;
        copyRangeFrom(*o);
        setTickFrequency(o->TickFrequency());
        setOrientation(o->Orientation());
        setTickStyle(o->TickStyle());
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
