#pragma once
// The persistent back buffer of a form or picture box: a 32-bpp top-down DIB section
// selected into a memory device context of the gdi layer. All drawing goes through
// gdi on that DC; the widget presents the bits as an image whose alpha byte is
// ignored. Coordinates here are pixels of the buffer.

#include <cstdint>

#include <QImage>

#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

namespace ui {

// How lines and boxes are drawn: DrawMode 1..16 (the R2_ codes), DrawStyle 0 solid,
// 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 transparent, 6 inside solid; DrawWidth
// in pixels (styles 1..4 draw solid when wider than 1, as the platform's pens do).
struct Pen {
    int drawMode = 13;
    int drawStyle = 0;
    int drawWidth = 1;
};

class Canvas {
public:
    Canvas() = default;
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Makes the buffer width x height (at least 1 x 1 is kept underneath), keeping the
    // pixels both sizes share and filling the rest with `fill`. False when gdi fails.
    bool resize(int width, int height, gdi::COLORREF fill);
    int width() const { return width_; }
    int height() const { return height_; }
    bool valid() const { return dc_ != 0 && bitmap_ != 0; }

    gdi::HDC hdc() const { return dc_; }
    // An image over the bits (no copy), valid until the next resize; alpha ignored.
    QImage view() const;

    void fill(gdi::COLORREF color);
    // From (x1, y1) up to, not including, (x2, y2).
    void line(int x1, int y1, int x2, int y2, gdi::COLORREF color, const Pen& pen);
    // Corners included. fillStyle: 0 solid, 1 transparent, 2..7 hatches.
    void box(int x1, int y1, int x2, int y2, gdi::COLORREF color, const Pen& pen, int fillStyle,
             gdi::COLORREF fillColor);
    void setPixel(int x, int y, gdi::COLORREF color, const Pen& pen);
    // CLR_INVALID outside the buffer.
    gdi::COLORREF pixel(int x, int y) const;
    // Draws a picture object at its own size with its top left corner at (x, y).
    void drawPicture(const picture::Picture& picture, int x, int y);

private:
    void release();
    gdi::HPEN makePen(gdi::COLORREF color, const Pen& pen) const;

    gdi::HDC dc_ = 0;
    gdi::HBITMAP bitmap_ = 0;
    gdi::HGDIOBJ previous_ = 0;
    void* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int bufferWidth_ = 0;
    int bufferHeight_ = 0;
};

}  // namespace ui
