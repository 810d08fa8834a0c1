#include "platform/ui/surface.h"

#include "platform/gdi/dib_surface.h"
#include "platform/runtime/error.h"
#include "platform/ui/picture_conversion.h"

namespace ui {

namespace {
void invalidValue() { throw runtime::Error(380, "Invalid property value"); }
}  // namespace

Surface::~Surface() = default;

int Surface::toPixelX(double units) const { return twipsToPixels(scale_.toTwipsX(units)); }
int Surface::toPixelY(double units) const { return twipsToPixels(scale_.toTwipsY(units)); }

void Surface::createSurface() {
    hosted_ = true;
    size_ = surfaceSize();
    canvas_.reset();
    clean_ = true;
    picturePending_ = static_cast<bool>(picture_);
}

void Surface::destroySurface() {
    hosted_ = false;
    canvas_.reset();
}

bool Surface::resizeSurface() {
    if (!hosted_) return false;
    const QSize size = surfaceSize();
    if (size == size_) return false;
    size_ = size;
    if (clean_)
        canvas_.reset();
    else
        canvas_->resize(size.width(), size.height(), resolveColor(surfaceBackColor()));
    surfaceChanged();
    return true;
}

void Surface::backColorChanged() { Cls(); }

void Surface::Cls() {
    currentX_ = currentY_ = 0;
    if (!hosted_) return;
    clearToBackground();
    surfaceChanged();
}

void Surface::setPicture(const picture::Picture& picture) {
    picture_ = picture;
    if (!hosted_) return;
    clearToBackground();
    surfaceChanged();
}

void Surface::clearToBackground() {
    if (canvas_) canvas_->fill(resolveColor(surfaceBackColor()));
    clean_ = true;
    picturePending_ = static_cast<bool>(picture_);
}

picture::Picture Surface::Image() const {
    const Canvas* buffer = canvas();
    if (!buffer || !buffer->valid()) return {};
    gdi::DibSurface copy(buffer->width(), buffer->height(), 32);
    if (!copy.valid()) return {};
    gdi::BitBlt(copy.dc(), 0, 0, buffer->width(), buffer->height(), buffer->hdc(), 0, 0, gdi::SRCCOPY);
    return picture::CreatePicture(picture::kPicTypeBitmap, copy.releaseBitmap(), true);
}

Canvas* Surface::canvas() const {
    if (!hosted_) return nullptr;
    if (!canvas_) {
        canvas_ = std::make_unique<Canvas>();
        canvas_->resize(size_.width(), size_.height(), resolveColor(surfaceBackColor()));
    }
    // The background picture reaches the buffer when something first needs the buffer:
    // a hidden box that only holds a picture for others never pays for drawing it.
    if (picturePending_) {
        picturePending_ = false;
        canvas_->drawPicture(picture_, 0, 0);
    }
    // Whoever has the buffer may draw on it.
    clean_ = false;
    return canvas_.get();
}

void Surface::setPicture(const QImage& image) { setPicture(PictureFromImage(image)); }

void Surface::Line(double x1, double y1, double x2, double y2, std::optional<COLORREF> color,
                   LineBox box) {
    const COLORREF c = resolveColor(color.value_or(surfaceForeColor()));
    if (Canvas* buffer = canvas()) {
        const int px1 = toPixelX(x1), py1 = toPixelY(y1), px2 = toPixelX(x2), py2 = toPixelY(y2);
        switch (box) {
        case LineBox::None: buffer->line(px1, py1, px2, py2, c, pen_); break;
        case LineBox::Box:
            buffer->box(px1, py1, px2, py2, c, pen_, fillStyle_, resolveColor(fillColor_));
            break;
        case LineBox::Filled: buffer->box(px1, py1, px2, py2, c, pen_, 0, c); break;
        }
        surfaceChanged();
    }
    currentX_ = x2;
    currentY_ = y2;
}

void Surface::LineTo(double x2, double y2, std::optional<COLORREF> color, LineBox box) {
    Line(currentX_, currentY_, x2, y2, color, box);
}

void Surface::PSet(double x, double y, std::optional<COLORREF> color) {
    if (Canvas* buffer = canvas()) {
        buffer->setPixel(toPixelX(x), toPixelY(y), resolveColor(color.value_or(surfaceForeColor())),
                          pen_);
        surfaceChanged();
    }
    currentX_ = x;
    currentY_ = y;
}

long Surface::Point(double x, double y) const {
    const Canvas* buffer = canvas();
    if (!buffer) return -1;
    const gdi::COLORREF c = buffer->pixel(toPixelX(x), toPixelY(y));
    return c == gdi::CLR_INVALID ? -1 : static_cast<long>(c & 0x00FFFFFFu);
}

void Surface::PaintPicture(const picture::Picture& picture, double x, double y, double width,
                           double height) {
    if (!picture || picture.Type() == picture::kPicTypeNone)
        throw runtime::Error(481, "Invalid picture");
    Canvas* buffer = canvas();
    if (!buffer) return;
    picture.Render(buffer->hdc(), toPixelX(x), toPixelY(y), toPixelX(width), toPixelY(height), 0,
                   picture.Height(), picture.Width(), -picture.Height());
    surfaceChanged();
}

void Surface::setDrawMode(int mode) {
    if (mode < 1 || mode > 16) invalidValue();
    pen_.drawMode = mode;
}

void Surface::setDrawStyle(int style) {
    if (style < 0 || style > 6) invalidValue();
    pen_.drawStyle = style;
}

void Surface::setDrawWidth(int width) {
    if (width < 1 || width > 32767) invalidValue();
    pen_.drawWidth = width;
}

void Surface::setFillStyle(int style) {
    if (style < 0 || style > 7) invalidValue();
    fillStyle_ = style;
}

void Surface::setScaleMode(int mode) {
    if (mode < 0 || mode > 7) invalidValue();
    if (mode == vbUser) {
        scale_.mode = vbUser;
        return;
    }
    scale_ = Scale::of(static_cast<ui::ScaleMode>(mode));
    scaleChanged();
}

double Surface::ScaleWidth() const { return scale_.fromPixelsX(surfaceSize().width()); }
double Surface::ScaleHeight() const { return scale_.fromPixelsY(surfaceSize().height()); }

double Surface::ScaleX(double value, int fromMode, int toMode) {
    const Scale from = Scale::of(static_cast<ui::ScaleMode>(fromMode));
    const Scale to = Scale::of(static_cast<ui::ScaleMode>(toMode));
    return to.fromTwipsX(from.toTwipsX(value));
}

double Surface::ScaleY(double value, int fromMode, int toMode) {
    const Scale from = Scale::of(static_cast<ui::ScaleMode>(fromMode));
    const Scale to = Scale::of(static_cast<ui::ScaleMode>(toMode));
    return to.fromTwipsY(from.toTwipsY(value));
}

}  // namespace ui
