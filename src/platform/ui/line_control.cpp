#include "platform/ui/line_control.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace ui {

LineControl::LineControl(QWidget* parent) : QWidget(parent), Control(this) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    initAppearance(vbButtonFace, vbButtonText);
}

double LineControl::X1() const { return containerScale().fromTwipsX(x1_); }
double LineControl::Y1() const { return containerScale().fromTwipsY(y1_); }
double LineControl::X2() const { return containerScale().fromTwipsX(x2_); }
double LineControl::Y2() const { return containerScale().fromTwipsY(y2_); }

void LineControl::setX1(double x) { setEnds(x, Y1(), X2(), Y2()); }
void LineControl::setY1(double y) { setEnds(X1(), y, X2(), Y2()); }
void LineControl::setX2(double x) { setEnds(X1(), Y1(), x, Y2()); }
void LineControl::setY2(double y) { setEnds(X1(), Y1(), X2(), y); }

void LineControl::setEnds(double x1, double y1, double x2, double y2) {
    const Scale scale = containerScale();
    x1_ = scale.toTwipsX(x1);
    y1_ = scale.toTwipsY(y1);
    x2_ = scale.toTwipsX(x2);
    y2_ = scale.toTwipsY(y2);
    placeBox();
}

void LineControl::placeBox() {
    // One pixel more than the span, so that both ends lie inside the widget.
    const double pixel = kTwipsPerPixel * std::max(1, borderWidth_);
    setGeometryTwips(std::min(x1_, x2_), std::min(y1_, y2_), std::fabs(x2_ - x1_) + pixel,
                     std::fabs(y2_ - y1_) + pixel);
}

void LineControl::setBorderColor(COLORREF color) {
    borderColor_ = color;
    update();
}

void LineControl::setBorderWidth(int width) {
    borderWidth_ = std::max(1, width);
    placeBox();
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen pen(toQColor(borderColor_));
    pen.setWidth(borderWidth_);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    const double left = std::min(x1_, x2_), top = std::min(y1_, y2_);
    painter.drawLine(twipsToPixels(x1_ - left), twipsToPixels(y1_ - top), twipsToPixels(x2_ - left),
                     twipsToPixels(y2_ - top));
}

void LineControl::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const LineControl*>(&other)) {
        x1_ = o->x1_, y1_ = o->y1_, x2_ = o->x2_, y2_ = o->y2_;
        borderColor_ = o->borderColor_;
        borderWidth_ = o->borderWidth_;
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
