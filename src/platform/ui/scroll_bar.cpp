#include "platform/ui/scroll_bar.h"

namespace ui {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent), Control(this), RangeControl(this, this) {
    setSmallChange(1);
    setLargeChange(1);
    initAppearance(vbScrollBars, vbButtonText);
}

void ScrollBar::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const ScrollBar*>(&other)) {
        detail::SuppressEvents quiet;
        copyRangeFrom(*o);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
