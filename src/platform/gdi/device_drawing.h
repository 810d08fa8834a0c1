#pragma once
// What the metafile player needs of the gdi layer beyond the platform's own calls: shapes
// as figures in device coordinates that need not be whole pixels (after a mapping or a
// world transform), the flattening of curves into such figures, the alpha rule of
// playback for strokes, and blits confined to the DC's clip.
//
// Coordinates are pixel centres: pixel (x, y) is the unit square centred on (x, y). A
// fill covers the pixels whose centres lie inside the figures, without antialiasing, by
// our own scan conversion (polygon_scan.h); a stroke rounds each vertex to the nearest
// pixel and draws the segments as LineTo does, with the DC's pen.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/gdi/bands.h"
#include "platform/gdi/gdi.h"

namespace gdi {

struct PointD {
    double x, y;
};
using Figure = std::vector<PointD>;

// Fills the figures (each closed implicitly) with the DC's brush in its draw mode and the
// given fill mode (ALTERNATE or WINDING), within the clip; alpha 0 on 32 bpp.
BOOL FillFigures(HDC dc, const std::vector<Figure>& figures, int fillMode);
// Strokes each figure as a polyline (closed back to its first point when `closed`) with
// the DC's pen, within the clip. A dash pattern runs on across the segments of a figure.
BOOL StrokeFigures(HDC dc, const std::vector<Figure>& figures, bool closed);

// Curves in any coordinates. The ellipse inscribed in the box [left, right] x [top,
// bottom] (a whole ellipse, clockwise on the screen from its rightmost point).
Figure EllipseFigure(double left, double top, double right, double bottom);
enum class ArcKind { Open, Chord, Pie };
// The part of that ellipse counter-clockwise (y growing downwards) from the radial
// through the start point to the one through the end point; a Pie also holds the
// centre, so that closing the figure draws both radii.
Figure ArcFigure(double left, double top, double right, double bottom, PointD start, PointD end,
                 ArcKind kind);
// A rectangle with corners rounded by an ellipse of the given width and height.
Figure RoundRectFigure(double left, double top, double right, double bottom, double width,
                       double height);
// Cubic Bezier segments: 1 + 3n points (the extra points are ignored), flattened as finely
// as the part of the plane that can show them needs. A curve inside `window` gets enough
// vertices that no chord strays more than about a tenth of a pixel (at most 1,024 per
// curve); a curve that crosses it is split until each piece lies inside or outside it; a
// piece whose control points all lie beyond one of its edges becomes its chord, which
// neither shows (the window holds the pen's reach) nor changes which pixels inside it a
// fill covers (curve and chord lie in the same half-plane outside). When that would
// make more than `maxPoints` vertices, the curves are not split and their vertices are
// thinned out evenly to about that many.
struct CurveWindow {
    double left, top, right, bottom;
};
constexpr size_t kMaxCurvePoints = size_t{1} << 20;
inline CurveWindow CurveWindowAround(const RECT& r, double reach) {
    return {r.left - reach, r.top - reach, r.right + reach, r.bottom + reach};
}
Figure BezierFigure(const PointD* points, size_t count, const CurveWindow& window,
                    size_t maxPoints = kMaxCurvePoints);

// The pixels of the DC's surface, (0, 0, width, height); empty when it has none.
RECT SurfaceBounds(HDC dc);

// Strokes on this DC write 0 into the alpha byte of every pixel they draw (playback);
// by default they leave it alone. Returns the previous setting.
bool SetStrokesClearAlpha(HDC dc, bool clear);

// Replaces the DC's clip with this band set (device pixels), shared; nullptr removes it.
BOOL SetClipBands(HDC dc, std::shared_ptr<const detail::Bands> bands);

// Runs `draw`, a blit into `bounds` (device pixels), so that only the pixels inside the
// DC's clip change and, with clearAlpha, each pixel that does gets alpha 0 on 32 bpp (a
// blit from a source of up to 24 bpp writes alpha 0 itself).
BOOL DrawClippedBlit(HDC dc, const RECT& bounds, const std::function<void()>& draw, bool clearAlpha = true);

// The records a metafile handle keeps (either kind), without a copy; empty for a handle
// that is no metafile. Valid until the handle is deleted.
std::span<const uint8_t> MetafileRecords(uint32_t metafile);

}  // namespace gdi
