#pragma once
// Min, Max and Value of a scroll bar or slider over a QAbstractSlider, and its two
// events: Scroll while the thumb is dragged, Change at the release of a drag and on
// every other change of Value (arrows, page clicks, keys, code). Max may lie below
// Min: the bar then runs the other way.

#include <QAbstractSlider>

#include "platform/ui/event.h"

namespace ui::detail {

class RangeLogic {
public:
    RangeLogic(QAbstractSlider* slider, const Event<>& scroll, const Event<>& change);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Value() const { return slider_->value(); }
    void setMin(int min);
    void setMax(int max);
    void setValue(int value);  // outside Min..Max: error 380
    int SmallChange() const { return slider_->singleStep(); }
    void setSmallChange(int step);
    int LargeChange() const { return slider_->pageStep(); }
    void setLargeChange(int step);

private:
    void applyRange();

    QAbstractSlider* slider_;
    const Event<>& scroll_;
    const Event<>& change_;
    int min_ = 0;
    int max_ = 32767;
    int pressValue_ = 0;
};

}  // namespace ui::detail

namespace ui {

// The range properties and the Scroll and Change events that scroll bars and sliders
// share.
class RangeControl {
public:
    int Min() const { return range_.Min(); }
    void setMin(int min) { range_.setMin(min); }
    int Max() const { return range_.Max(); }
    void setMax(int max) { range_.setMax(max); }
    int Value() const { return range_.Value(); }
    void setValue(int value) { range_.setValue(value); }
    int SmallChange() const { return range_.SmallChange(); }
    void setSmallChange(int step) { range_.setSmallChange(step); }
    int LargeChange() const { return range_.LargeChange(); }
    void setLargeChange(int step) { range_.setLargeChange(step); }

    Event<> Scroll;
    Event<> Change;

protected:
    RangeControl(QAbstractSlider* slider, const Component* owner)
        : Scroll(owner), Change(owner), range_(slider, Scroll, Change) {}
    // Copies the range without firing events (the caller suppresses them).
    void copyRangeFrom(const RangeControl& other);

private:
    detail::RangeLogic range_;
};

}  // namespace ui
