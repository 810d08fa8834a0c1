#include "platform/ui/shape.h"

#include <QPainter>

namespace ui {

Shape::Shape(QWidget* parent) : QWidget(parent), Control(this) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    initAppearance(vbButtonFace, vbButtonText);
}

void Shape::setFillColor(COLORREF color) {
    fillColor_ = color;
    update();
}

void Shape::setFillStyle(int style) {
    fillStyle_ = style;
    update();
}

void Shape::setBorderColor(COLORREF color) {
    borderColor_ = color;
    update();
}

void Shape::setBorderStyle(int style) {
    borderStyle_ = style;
    update();
}

void Shape::setBackStyle(int style) {
    backStyle_ = style;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    if (backStyle_ == 1) painter.fillRect(area, toQColor(BackColor()));
    if (fillStyle_ == 0) painter.fillRect(area, toQColor(fillColor_));
    if (borderStyle_ != 0) {
        painter.setPen(toQColor(borderColor_));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

void Shape::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const Shape*>(&other)) {
        fillColor_ = o->fillColor_;
        fillStyle_ = o->fillStyle_;
        borderColor_ = o->borderColor_;
        borderStyle_ = o->borderStyle_;
        backStyle_ = o->backStyle_;
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
