#include "platform/ui/image.h"

#include <QPainter>

#include "platform/ui/picture_conversion.h"

namespace ui {

Image::Image(QWidget* parent) : QWidget(parent), Control(this) {
    initAppearance(vbButtonFace, vbButtonText);
}

void Image::setStretch(bool stretch) {
    stretch_ = stretch;
    fitToPicture();
    update();
}

void Image::setBorderStyle(int borderStyle) {
    borderStyle_ = borderStyle;
    fitToPicture();
    update();
}

void Image::setPicture(const picture::Picture& picture) {
    picture_ = picture;
    // Drawn for the eye at the next paint, not for every picture that passes through.
    shown_ = QImage();
    own_ = QImage();
    fitToPicture();
    update();
}

void Image::setImage(const QImage& image) {
    setPicture(PictureFromImage(image));
    // The bitmap picture has no alpha; the program's icons are shown with theirs.
    own_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void Image::fitToPicture() {
    if (stretch_ || !picture_) return;
    const gdi::SIZE size = picture_.pixelSize();
    const int border = borderStyle_ == 1 ? 2 : 0;
    setPixelSize(size.cx + border, size.cy + border);
}

void Image::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int border = borderStyle_ == 1 ? 1 : 0;
    const QRect inner = rect().adjusted(border, border, -border, -border);
    if (!own_.isNull()) {
        // The program's own small pictures, drawn from their image with its alpha.
        if (stretch_) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(inner, own_);
        } else {
            painter.drawImage(inner.topLeft(), own_);
        }
    } else if (picture_) {
        // Stretched, the picture is made at the size shown, once per size: smoothly scaled
        // for the eye (a metafile played at that size), with no copy at its own size kept
        // beside the picture.
        const qreal ratio = devicePixelRatioF();
        const QSize size = stretch_ ? (QSizeF(inner.size()) * ratio).toSize() : QSize();
        if ((!stretch_ || !size.isEmpty()) && (shown_.isNull() || shownSize_ != size)) {
            shown_ = stretch_ ? ImageFromPicture(picture_, size) : ImageFromPicture(picture_);
            if (stretch_) shown_.setDevicePixelRatio(ratio);
            shownSize_ = size;
        }
        if (!shown_.isNull() && shownSize_ == size) painter.drawImage(inner.topLeft(), shown_);
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
        picture_ = o->picture_;
        shown_ = o->shown_;
        shownSize_ = o->shownSize_;
        own_ = o->own_;
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
