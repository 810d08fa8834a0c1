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
    fitToPicture();
    update();
}

void Image::setImage(const QImage& image) {
    setPicture(PictureFromImage(image));
    // The bitmap picture has no alpha; the program's icons are shown with theirs.
    shown_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
    // A metafile is played at the size shown; other pictures are drawn once and scaled.
    const bool metafile = picture_.Type() == picture::kPicTypeMetafile || picture_.Type() == picture::kPicTypeEnhMetafile;
    if (metafile && stretch_ && shown_.size() != inner.size()) shown_ = ImageFromPicture(picture_, inner.size());
    if (shown_.isNull() && picture_) shown_ = ImageFromPicture(picture_);
    if (!shown_.isNull()) {
        if (stretch_) {
            // The shown copy of a picture is for the eye: scale it smoothly.
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(inner, shown_);
        } else {
            painter.drawImage(inner.topLeft(), shown_);
        }
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
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
