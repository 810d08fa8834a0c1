#include "platform/ui/canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ui {

using namespace gdi;

namespace {

struct DibSection {
    HBITMAP bitmap = 0;
    void* bits = nullptr;
};

DibSection makeDib(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    DibSection dib;
    dib.bitmap = CreateDIBSection(0, &info, DIB_RGB_COLORS, &dib.bits, nullptr, 0);
    if (!dib.bitmap) dib.bits = nullptr;
    return dib;
}

// The selection of a pen and brush and a draw mode, undone when it goes out of scope.
class Tools {
public:
    Tools(HDC dc, HPEN pen, HBRUSH brush, int drawMode) : dc_(dc), pen_(pen), brush_(brush) {
        oldPen_ = SelectObject(dc, pen);
        oldBrush_ = SelectObject(dc, brush);
        oldMode_ = SetROP2(dc, drawMode);
    }
    ~Tools() {
        SetROP2(dc_, oldMode_);
        if (oldBrush_) SelectObject(dc_, oldBrush_);
        if (oldPen_) SelectObject(dc_, oldPen_);
        DeleteObject(pen_);
        if (brush_ && brush_ != GetStockObject(NULL_BRUSH)) DeleteObject(brush_);
    }
    Tools(const Tools&) = delete;
    Tools& operator=(const Tools&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    HGDIOBJ oldPen_ = 0, oldBrush_ = 0;
    int oldMode_ = R2_COPYPEN;
};

HBRUSH makeBrush(int fillStyle, COLORREF color) {
    if (fillStyle == 0) return CreateSolidBrush(color);
    // Hatches 2..7: horizontal, vertical, upward diagonal, downward diagonal, cross,
    // diagonal cross, in the platform's hatch numbering.
    static const int hatches[] = {0, 1, 3, 2, 4, 5};
    if (fillStyle >= 2 && fillStyle <= 7) {
        LOGBRUSH logBrush{BS_HATCHED, color, static_cast<uintptr_t>(hatches[fillStyle - 2])};
        if (HBRUSH brush = CreateBrushIndirect(&logBrush)) return brush;
    }
    return GetStockObject(NULL_BRUSH);
}

}  // namespace

Canvas::~Canvas() { release(); }

void Canvas::release() {
    if (dc_) {
        if (previous_) SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = 0;
    bitmap_ = 0;
    previous_ = 0;
    bits_ = nullptr;
}

bool Canvas::resize(int width, int height, COLORREF fill) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (valid() && width == width_ && height == height_) return true;
    // A zero-sized surface keeps a 1 x 1 buffer so its DC stays usable.
    const int bw = std::max(1, width), bh = std::max(1, height);
    DibSection dib = makeDib(bw, bh);
    HDC dc = CreateCompatibleDC(0);
    if (!dib.bitmap || !dc) {
        if (dib.bitmap) DeleteObject(dib.bitmap);
        if (dc) DeleteDC(dc);
        return false;
    }
    const HGDIOBJ previous = SelectObject(dc, dib.bitmap);
    RECT all{0, 0, bw, bh};
    const HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    if (valid()) BitBlt(dc, 0, 0, std::min(bw, bufferWidth_), std::min(bh, bufferHeight_), dc_, 0, 0, SRCCOPY);
    release();
    dc_ = dc;
    bitmap_ = dib.bitmap;
    bits_ = dib.bits;
    previous_ = previous;
    width_ = width;
    height_ = height;
    bufferWidth_ = bw;
    bufferHeight_ = bh;
    return true;
}

QImage Canvas::view() const {
    if (!bits_ || width_ == 0 || height_ == 0) return {};
    return QImage(static_cast<const uchar*>(bits_), width_, height_, bufferWidth_ * 4,
                  QImage::Format_RGB32);
}

void Canvas::fill(COLORREF color) {
    if (!valid()) return;
    RECT all{0, 0, bufferWidth_, bufferHeight_};
    const HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

HPEN Canvas::makePen(COLORREF color, const Pen& pen) const {
    const int width = std::max(1, pen.drawWidth);
    UINT style = static_cast<UINT>(std::clamp(pen.drawStyle, 0, 6));
    if (width > 1 && style >= PS_DASH && style <= PS_DASHDOTDOT) style = PS_SOLID;
    return CreatePen(style, width, color);
}

void Canvas::line(int x1, int y1, int x2, int y2, COLORREF color, const Pen& pen) {
    if (!valid()) return;
    Tools tools(dc_, makePen(color, pen), GetStockObject(NULL_BRUSH), pen.drawMode);
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
}

void Canvas::box(int x1, int y1, int x2, int y2, COLORREF color, const Pen& pen, int fillStyle,
                 COLORREF fillColor) {
    if (!valid()) return;
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    Tools tools(dc_, makePen(color, pen), makeBrush(fillStyle, fillColor), pen.drawMode);
    Rectangle(dc_, left, top, right + 1, bottom + 1);
}

void Canvas::setPixel(int x, int y, COLORREF color, const Pen& pen) {
    if (!valid()) return;
    if (pen.drawMode == R2_COPYPEN && pen.drawWidth <= 1) {
        SetPixelV(dc_, x, y, color);
        return;
    }
    // Other draw modes and wider pens: a one-pixel line takes the pen and the mode.
    line(x, y, x + 1, y, color, Pen{pen.drawMode, PS_SOLID, pen.drawWidth});
}

COLORREF Canvas::pixel(int x, int y) const {
    if (!valid() || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    return GetPixel(dc_, x, y);
}

void Canvas::drawPicture(const picture::Picture& picture, int x, int y) {
    if (!valid() || !picture) return;
    const SIZE size = picture.pixelSize();
    picture.Render(dc_, x, y, size.cx, size.cy, 0, picture.Height(), picture.Width(), -picture.Height());
}

}  // namespace ui
