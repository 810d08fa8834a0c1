#include "platform/ui/range_logic.h"

#include <algorithm>

#include "platform/runtime/error.h"
#include "platform/ui/control.h"

namespace ui::detail {

RangeLogic::RangeLogic(QAbstractSlider* slider, const Event<>& scroll, const Event<>& change)
    : slider_(slider), scroll_(scroll), change_(change) {
    slider_->setTracking(true);
    applyRange();
    QObject::connect(slider_, &QAbstractSlider::valueChanged, slider_, [this] {
        if (slider_->isSliderDown())
            scroll_.fire();
        else
            change_.fire();
    });
    QObject::connect(slider_, &QAbstractSlider::sliderPressed, slider_,
                     [this] { pressValue_ = slider_->value(); });
    QObject::connect(slider_, &QAbstractSlider::sliderReleased, slider_, [this] {
        if (slider_->value() != pressValue_) change_.fire();
    });
}

void RangeLogic::applyRange() {
    const bool reversed = max_ < min_;
    slider_->setInvertedAppearance(reversed);
    slider_->setInvertedControls(reversed);
    slider_->setRange(std::min(min_, max_), std::max(min_, max_));
}

void RangeLogic::setMin(int min) {
    min_ = min;
    byCode([&] { applyRange(); });
}

void RangeLogic::setMax(int max) {
    max_ = max;
    byCode([&] { applyRange(); });
}

void RangeLogic::setValue(int value) {
    if (value < std::min(min_, max_) || value > std::max(min_, max_))
        throw runtime::Error(380, "Invalid property value");
    byCode([&] { slider_->setValue(value); });
}

void RangeLogic::setSmallChange(int step) { slider_->setSingleStep(step); }
void RangeLogic::setLargeChange(int step) { slider_->setPageStep(step); }

}  // namespace ui::detail

namespace ui {

void RangeControl::copyRangeFrom(const RangeControl& other) {
    setMin(other.Min());
    setMax(other.Max());
    setValue(other.Value());
    setSmallChange(other.SmallChange());
    setLargeChange(other.LargeChange());
}

}  // namespace ui
