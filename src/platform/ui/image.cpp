#include "platform/ui/image.h"

#include <QPainter>

namespace ui {

Image::Image(QWidget* parent) : QWidget(parent), Control(this) {
    initAppearance(vbButtonFace, vbButtonText);
}

void Image::setStretch(bool stretch) {
    stretch_ = stretch;
    fitToImage();
    update();
}

void Image::setBorderStyle(int borderStyle) {
    borderStyle_ = borderStyle;
    fitToImage();
    update();
}

void Image::setImage(const QImage& image) {
    image_ = image;
    fitToImage();
    update();
}

void Image::fitToImage() {
    if (stretch_ || image_.isNull()) return;
    const int border = borderStyle_ == 1 ? 2 : 0;
    setPixelSize(image_.width() + border, image_.height() + border);
}

void Image::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int border = borderStyle_ == 1 ? 1 : 0;
    const QRect inner = rect().adjusted(border, border, -border, -border);
    if (!image_.isNull()) {
        if (stretch_)
            painter.drawImage(inner, image_);
        else
            painter.drawImage(inner.topLeft(), image_);
    }
    if (border) {
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void Image::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const Image*>(&other)) {
        stretch_ = o->stretch_;
        borderStyle_ = o->borderStyle_;
        image_ = o->image_;
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
