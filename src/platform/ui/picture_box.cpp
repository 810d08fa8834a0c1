#include "platform/ui/picture_box.h"

#include <QPainter>

#include "platform/ui/handlers.h"
#include "platform/ui/picture_conversion.h"

namespace ui {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), Control(this) {
    // The buffer is painted whole; Qt need not clear under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    initAppearance(vbButtonFace, vbButtonText);
    createSurface();
    detail::registerSurface(this);
}

PictureBox::~PictureBox() { detail::unregisterSurface(this); }

QPoint PictureBox::childOrigin() const { return {border(), border()}; }

QSize PictureBox::surfaceSize() const {
    return {std::max(0, QWidget::width() - 2 * border()), std::max(0, QWidget::height() - 2 * border())};
}

void PictureBox::setBorderStyle(int borderStyle) {
    borderStyle_ = borderStyle == 1 ? 1 : 0;
    resizeSurface();
    for (auto* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (auto* control = dynamic_cast<Control*>(child)) control->applyGeometry();
    fitToPicture();
    update();
}

void PictureBox::setAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    fitToPicture();
}

void PictureBox::setPicture(const picture::Picture& picture) {
    Surface::setPicture(picture);
    fitToPicture();
    Change.fire();
}

void PictureBox::setPicture(const QImage& image) { setPicture(PictureFromImage(image)); }

void PictureBox::fitToPicture() {
    if (!autoSize_ || !Picture()) return;
    const gdi::SIZE size = Picture().pixelSize();
    setPixelSize(size.cx + 2 * border(), size.cy + 2 * border());
}

void PictureBox::scaleChanged() {
    for (auto* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (auto* control = dynamic_cast<Control*>(child)) control->applyGeometry();
}

void PictureBox::applyColors() {
    Control::applyColors();
    if (BackColor() != shownBack_) {
        shownBack_ = BackColor();
        backColorChanged();
    }
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    syncSize();
}

void PictureBox::syncSize() {
    // Geometry set on a hidden widget reaches resizeEvent only when it is shown; the
    // buffer follows the size at once.
    if (resizeSurface()) Resize.fire();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (!AutoRedraw()) {
        detail::PaintInProgress painting;
        Paint.fire();
    }
    QPainter painter(this);
    const int b = border();
    if (b) {
        // A sunken 3-D border: dark above and left, light below and right.
        const QRect r = rect();
        painter.setPen(toQColor(vbButtonShadow));
        painter.drawLine(r.left(), r.top(), r.right(), r.top());
        painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
        painter.setPen(toQColor(vb3DDKShadow));
        painter.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
        painter.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
        painter.setPen(toQColor(vb3DHighlight));
        painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter.setPen(toQColor(vb3DLight));
        painter.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        painter.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
    if (Canvas* c = canvas(); c && c->valid())
        painter.drawImage(b, b, c->view());
    else
        painter.fillRect(rect().adjusted(b, b, -b, -b), toQColor(BackColor()));
}

void PictureBox::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const PictureBox*>(&other)) {
        borderStyle_ = o->borderStyle_;
        autoSize_ = o->autoSize_;
        setScaleMode(o->ScaleMode());
        setAutoRedraw(o->AutoRedraw());
        setDrawMode(o->DrawMode());
        setDrawStyle(o->DrawStyle());
        setDrawWidth(o->DrawWidth());
        setFillStyle(o->FillStyle());
        setFillColor(o->FillColor());
    }
    Control::copyPropertiesFrom(other);
    if (auto* o = dynamic_cast<const PictureBox*>(&other)) setPicture(o->Picture());
}

}  // namespace ui
