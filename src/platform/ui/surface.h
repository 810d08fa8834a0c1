#pragma once
// The drawing methods of a form and a picture box over their back buffer, in the
// surface's own units (ScaleMode): Cls, Line (plain, box, filled box), PSet, Point,
// CurrentX/CurrentY, DrawMode/DrawStyle/DrawWidth, FillStyle/FillColor, ScaleWidth/
// ScaleHeight (the client area, without border), hDC onto the back buffer. Units are
// converted to pixels by rounding halves to even.
//
// The buffer always persists (AutoRedraw is kept as a flag); changing BackColor clears
// it, as Cls does. The background Picture, a picture object, is drawn at its own size
// at the top left corner by Cls and whenever it is set.
//
// The buffer's memory is taken when something first needs it (drawing, hDC, Point, a
// paint), and let go when the surface changes size while it holds nothing but its
// background and picture: a hidden box that sizes itself to a big picture only holds
// that picture for others, and a 32-bpp buffer of its size beside it would be one copy
// of the picture too many.

#include <memory>
#include <optional>

#include <QImage>
#include <QSize>

#include "platform/picture/picture.h"
#include "platform/ui/canvas.h"
#include "platform/ui/colors.h"
#include "platform/ui/units.h"

namespace ui {

enum class LineBox { None, Box, Filled };

class Surface {
public:
    virtual ~Surface();

    void Cls();
    // Line (x1, y1)-(x2, y2), color [, B | BF]; the colour defaults to ForeColor. The end
    // point becomes CurrentX/CurrentY. A plain line stops before its end point.
    void Line(double x1, double y1, double x2, double y2, std::optional<COLORREF> color = {},
              LineBox box = LineBox::None);
    // Line -(x2, y2): from CurrentX/CurrentY.
    void LineTo(double x2, double y2, std::optional<COLORREF> color = {}, LineBox box = LineBox::None);
    void PSet(double x, double y, std::optional<COLORREF> color = {});
    // The colour at (x, y); -1 outside the surface.
    long Point(double x, double y) const;
    // Draws a picture object into the buffer, stretched to width x height at (x, y), in
    // the surface's units. Error 481 for no picture.
    void PaintPicture(const picture::Picture& picture, double x, double y, double width, double height);

    double CurrentX() const { return currentX_; }
    void setCurrentX(double x) { currentX_ = x; }
    double CurrentY() const { return currentY_; }
    void setCurrentY(double y) { currentY_ = y; }
    int DrawMode() const { return pen_.drawMode; }
    void setDrawMode(int mode);    // 1..16, else error 380
    int DrawStyle() const { return pen_.drawStyle; }
    void setDrawStyle(int style);  // 0..6, else error 380
    int DrawWidth() const { return pen_.drawWidth; }
    void setDrawWidth(int width);  // 1..32767, else error 380
    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int style);  // 0..7, else error 380
    COLORREF FillColor() const { return fillColor_; }
    void setFillColor(COLORREF color) { fillColor_ = color; }
    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool autoRedraw) { autoRedraw_ = autoRedraw; }

    int ScaleMode() const { return scale_.mode; }
    void setScaleMode(int mode);  // 0..7, else error 380
    Scale scale() const { return scale_; }
    double ScaleWidth() const;
    double ScaleHeight() const;
    // Converts a length between scale modes (ScaleX(100, vbPixels, vbTwips) = 1500).
    static double ScaleX(double value, int fromMode, int toMode);
    static double ScaleY(double value, int fromMode, int toMode);

    gdi::HDC hDC() const { return canvas() ? canvas()->hdc() : 0; }

    const picture::Picture& Picture() const { return picture_; }
    // The drawn image: the back buffer's content (the picture and all drawn on it) as a
    // new bitmap picture of its own; no picture when there is no buffer.
    picture::Picture Image() const;
    void setPicture(const picture::Picture& picture);
    // The program's own pictures come as images.
    void setPicture(const QImage& image);

    // The back buffer, with the background picture drawn into it.
    Canvas* canvas() const;
    // Whether the back buffer's memory is taken.
    bool holdsBuffer() const { return canvas_ != nullptr; }

protected:
    virtual COLORREF surfaceBackColor() const = 0;
    virtual COLORREF surfaceForeColor() const = 0;
    // The client area in pixels.
    virtual QSize surfaceSize() const = 0;
    virtual void surfaceChanged() = 0;
    virtual void scaleChanged() {}

    // The host has a buffer while its window exists.
    void createSurface();
    void destroySurface();
    // After a change of the client size: keeps the drawing, fills new area. Whether the
    // buffer's size changed.
    bool resizeSurface();
    void backColorChanged();

private:
    // Back to the background colour, with the picture to be drawn again when needed.
    void clearToBackground();
    int toPixelX(double units) const;
    int toPixelY(double units) const;

    // The buffer's memory, made by canvas() when first needed.
    mutable std::unique_ptr<Canvas> canvas_;
    bool hosted_ = false;
    QSize size_;
    // Nothing is drawn yet over the background colour and the picture: the memory can go
    // and be made again as it was.
    mutable bool clean_ = true;
    Scale scale_ = Scale::of(vbTwips);
    Pen pen_;
    int fillStyle_ = 1;
    COLORREF fillColor_ = 0;
    double currentX_ = 0, currentY_ = 0;
    bool autoRedraw_ = false;
    picture::Picture picture_;
    mutable bool picturePending_ = false;  // set but not yet drawn into the buffer
};

}  // namespace ui
