#include "platform/picture/playback_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/regions.h"
#include "platform/gdi/stroke.h"
#include "platform/picture/limits.h"

namespace picture::detail {

using namespace gdi;
using gdi::detail::Bands;

namespace {

LONG roundedCoordinate(double v) {
    return LONG(std::llround(std::clamp(v, -double(1 << 28), double(1 << 28))));
}

// Logical units per millimetre of the metric mapping modes.
double unitsPerMillimetre(int mode) {
    switch (mode) {
    case MM_LOMETRIC: return 10;
    case MM_HIMETRIC: return 100;
    case MM_LOENGLISH: return 100 / 25.4;
    case MM_HIENGLISH: return 1000 / 25.4;
    case MM_TWIPS: return 1440 / 25.4;
    default: return 0;
    }
}

RECT visibleRect(HDC dc, const RECT& bounds) {
    const RECT surface = SurfaceBounds(dc);
    const RECT r{std::max(bounds.left, surface.left), std::max(bounds.top, surface.top),
                 std::min(bounds.right, surface.right), std::min(bounds.bottom, surface.bottom)};
    return r.left < r.right && r.top < r.bottom ? r : RECT{};
}

// Fonts are drawn at most this many pixels high or wide.
constexpr double kMaxFontPixels = 4096;

// A logical font size along an axis the mapping scales by `scale`, in device pixels:
// unrounded, within the largest drawn.
double fontPixels(LONG logical, double scale) {
    return std::clamp(logical * scale, -kMaxFontPixels, kMaxFontPixels);
}

// Points a path may hold: 64 MB of them.
constexpr size_t kMaxPathPoints = size_t{1} << 22;

LogicalObject stockObject(uint32_t which) {
    LogicalObject o;
    const HGDIOBJ h = GetStockObject(int(which));
    switch (GetObjectType(h)) {
    case OBJ_PEN:
        o.kind = LogicalObject::Kind::Pen;
        GetObject(h, sizeof(o.pen), &o.pen);
        o.cosmeticPen = true;
        break;
    case OBJ_BRUSH:
        o.kind = LogicalObject::Kind::Brush;
        GetObject(h, sizeof(o.brush), &o.brush);
        break;
    case OBJ_FONT:
        o.kind = LogicalObject::Kind::Font;
        GetObject(h, sizeof(o.font), &o.font);
        break;
    default: o.kind = LogicalObject::Kind::Other; break;
    }
    return o;
}

}  // namespace

Affine Affine::then(const Affine& n) const {
    return {n.a * a + n.c * b, n.b * a + n.d * b, n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
}

std::optional<Affine> Affine::inverse() const {
    const double det = a * d - b * c;
    if (det == 0 || !std::isfinite(det)) return std::nullopt;
    const Affine i{d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
    if (!i.finite()) return std::nullopt;
    return i;
}

bool Affine::finite() const {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(e) && std::isfinite(f);
}

void Mapping::setMode(int newMode) {
    if (newMode < MM_TEXT || newMode > MM_ANISOTROPIC) return;
    mode = newMode;
    if (mode == MM_TEXT) {
        windowExtX = windowExtY = viewportExtX = viewportExtY = 1;
    } else if (const double u = unitsPerMillimetre(mode); u > 0) {
        windowExtX = deviceMillimetresX * u, windowExtY = deviceMillimetresY * u;
        viewportExtX = devicePixelsX, viewportExtY = -devicePixelsY;
    }
}

void Mapping::setExtent(bool window, double x, double y) {
    if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) return;
    (window ? windowExtX : viewportExtX) = x;
    (window ? windowExtY : viewportExtY) = y;
}

void Mapping::scaleExtent(bool window, double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    setExtent(window, (window ? windowExtX : viewportExtX) * xNum / xDenom,
              (window ? windowExtY : viewportExtY) * yNum / yDenom);
}

Affine Mapping::pageToDevice() const {
    double sx = windowExtX != 0 ? viewportExtX / windowExtX : 1;
    double sy = windowExtY != 0 ? viewportExtY / windowExtY : 1;
    if (mode == MM_ISOTROPIC) {
        // One scale for both axes, the smaller, each keeping its direction.
        const double m = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(m, sx), sy = std::copysign(m, sy);
    }
    return {sx, 0, 0, sy, viewportOrgX - windowOrgX * sx, viewportOrgY - windowOrgY * sy};
}

Playback::Playback(HDC dc, const Affine& outer, const RECT& bounds, size_t objectSlots)
    : dc_(dc), outer_(outer), bounds_(bounds), visible_(visibleRect(dc, bounds)), budget_(visible_),
      objects_(objectSlots) {
    state_.pen = stockObject(BLACK_PEN);
    state_.brush = stockObject(WHITE_BRUSH);
    state_.font = stockObject(SYSTEM_FONT);
    state_.clip.set(std::make_shared<const Bands>(bounds));
    strokesClearedAlpha_ = SetStrokesClearAlpha(dc, true);
}

Playback::~Playback() {
    release();
    SetClipBands(dc_, nullptr);
    SetStrokesClearAlpha(dc_, strokesClearedAlpha_);
}

const Affine& Playback::transform() {
    if (!transformValid_) {
        transform_ = state_.mapping.world.then(state_.mapping.pageToDevice()).then(outer_);
        if (!transform_.finite()) stopPlayback("mapping out of range");
        transformValid_ = true;
    }
    return transform_;
}

double Playback::lengthScale() {
    const Affine& t = transform();
    return (std::hypot(t.a, t.b) + std::hypot(t.c, t.d)) / 2;
}

int Playback::penWidth() {
    const LOGPEN& pen = state_.pen.pen;
    const double width = state_.pen.cosmeticPen || pen.lopnWidth.x <= 0 ? 1 : pen.lopnWidth.x * lengthScale();
    return int(std::lround(std::clamp(width, 1.0, double(gdi::detail::kMaxPenWidth))));
}

// ---- objects -----------------------------------------------------------------------

bool Playback::addToFreeSlot(const LogicalObject& object) {
    for (LogicalObject& slot : objects_)
        if (slot.kind == LogicalObject::Kind::Empty) {
            slot = object;
            return true;
        }
    return false;
}

void Playback::put(size_t index, const LogicalObject& object) {
    if (index >= objects_.size()) stopPlayback("object index out of range");
    objects_[index] = object;
}

void Playback::select(size_t index) {
    if (index >= objects_.size()) stopPlayback("object index out of range");
    const LogicalObject& o = objects_[index];
    switch (o.kind) {
    case LogicalObject::Kind::Pen: state_.pen = o; break;
    case LogicalObject::Kind::Brush: state_.brush = o; break;
    case LogicalObject::Kind::Font: state_.font = o; break;
    default: break;  // palettes, regions, and slots already emptied
    }
}

void Playback::selectStock(uint32_t which) {
    const LogicalObject o = stockObject(which);
    switch (o.kind) {
    case LogicalObject::Kind::Pen: state_.pen = o; break;
    case LogicalObject::Kind::Brush: state_.brush = o; break;
    case LogicalObject::Kind::Font: state_.font = o; break;
    default: break;
    }
}

void Playback::erase(size_t index) {
    if (index >= objects_.size()) stopPlayback("object index out of range");
    objects_[index] = LogicalObject{};
}

// ---- state -------------------------------------------------------------------------------

void Playback::save() {
    // A clip the state saved last holds too costs nothing more.
    const bool sharedClip = !saved_.empty() && saved_.back().state.clip.bands() == state_.clip.bands();
    const size_t bytes = sizeof(Saved) + (sharedClip ? 0 : state_.clip.bands()->bytes());
    if (saved_.size() >= kMaxSavedStates || savedBytes_ + bytes > kMaxSavedBytes) return;
    saved_.push_back({state_, bytes});
    savedBytes_ += bytes;
}

void Playback::restore(int32_t level) {
    size_t keep;
    if (level < 0) {
        const int64_t back = -int64_t{level};
        if (back > int64_t(saved_.size())) return;
        keep = saved_.size() - size_t(back);
    } else {
        if (level == 0 || size_t(level) > saved_.size()) return;
        keep = size_t(level) - 1;
    }
    state_ = saved_[keep].state;
    for (size_t i = keep; i < saved_.size(); ++i) savedBytes_ -= saved_[i].bytes;
    saved_.resize(keep);
    transformValid_ = false;
    clipApplied_ = false;
}

namespace {

RECT deviceRect(Playback& p, double l, double t, double r, double b) {
    const PointD q[4] = {p.toDevice(l, t), p.toDevice(r, t), p.toDevice(r, b), p.toDevice(l, b)};
    double x0 = q[0].x, x1 = q[0].x, y0 = q[0].y, y1 = q[0].y;
    for (const PointD& v : q) {
        x0 = std::min(x0, v.x), x1 = std::max(x1, v.x);
        y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
    }
    return {roundedCoordinate(x0), roundedCoordinate(y0), roundedCoordinate(x1), roundedCoordinate(y1)};
}

}  // namespace

void Playback::intersectClip(double l, double t, double r, double b) {
    combineClip(Bands(deviceRect(*this, l, t, r, b)), Bands::Op::And);
}

void Playback::excludeClip(double l, double t, double r, double b) {
    combineClip(Bands(deviceRect(*this, l, t, r, b)), Bands::Op::Diff);
}

void Playback::combineClip(const Bands& operand, Bands::Op op) {
    const size_t before = state_.clip.bands()->rectCount();
    state_.clip.combine(operand, op, bounds_);
    clipApplied_ = false;
    // Charged once done: one change is bounded by the destination's pixels, a file's many
    // changes by the budget.
    spend(budget_.clip(before + operand.rectCount() + state_.clip.bands()->rectCount()));
}

void Playback::selectClip(const std::vector<RECT>* rects, int mode) {
    if (mode < RGN_AND || mode > RGN_COPY) return;
    clipApplied_ = false;
    if (!rects) {
        if (mode == RGN_COPY) state_.clip.set(std::make_shared<const Bands>(bounds_));
        return;
    }
    // Only the part within the destination counts, which also keeps the region's bands
    // as few as the destination's rows.
    std::vector<RECT> region;
    region.reserve(rects->size());
    for (const RECT& r : *rects) {
        const PointD a = outer_.map({double(r.left), double(r.top)});
        const PointD b = outer_.map({double(r.right), double(r.bottom)});
        const RECT d{std::max(bounds_.left, roundedCoordinate(std::min(a.x, b.x))),
                     std::max(bounds_.top, roundedCoordinate(std::min(a.y, b.y))),
                     std::min(bounds_.right, roundedCoordinate(std::max(a.x, b.x))),
                     std::min(bounds_.bottom, roundedCoordinate(std::max(a.y, b.y)))};
        if (d.left < d.right && d.top < d.bottom) region.push_back(d);
    }
    Bands bands = Bands::fromRects(region);
    spend(budget_.clip(rects->size()));
    if (mode == RGN_COPY) {
        spend(budget_.clip(bands.rectCount()));
        state_.clip.set(std::make_shared<const Bands>(std::move(bands)));
        return;
    }
    combineClip(bands, gdi::detail::regionOp(mode));
}

// ---- the device objects of one drawing call --------------------------------------------

void Playback::apply() {
    release();
    const Affine& t = transform();
    if (state_.pen.kind == LogicalObject::Kind::Pen) {
        const LOGPEN& pen = state_.pen.pen;
        UINT style = pen.lopnStyle & 0xF;
        if (style > PS_INSIDEFRAME) style = PS_SOLID;
        pen_ = CreatePen(int(style), penWidth(), pen.lopnColor);
    }
    if (state_.brush.kind == LogicalObject::Kind::Brush) brush_ = CreateBrushIndirect(&state_.brush.brush);
    if (!brush_) brush_ = CreateSolidBrush(RGB(255, 255, 255));
    LOGFONTW font = state_.font.font;
    const double sy = std::hypot(t.c, t.d), sx = std::hypot(t.a, t.b);
    const auto scaled = [](LONG v, double s) {
        if (v == 0) return LONG(0);
        const LONG n = LONG(std::lround(fontPixels(v, s)));
        return n != 0 ? n : (v < 0 ? LONG(-1) : LONG(1));
    };
    font.lfHeight = scaled(font.lfHeight, sy);
    font.lfWidth = scaled(font.lfWidth, sx);
    font_ = CreateFontIndirectW(&font);
    if (pen_) oldPen_ = SelectObject(dc_, pen_);
    oldBrush_ = SelectObject(dc_, brush_);
    oldFont_ = SelectObject(dc_, font_);
    SetTextColor(dc_, state_.textColor);
    SetBkColor(dc_, state_.bkColor);
    SetBkMode(dc_, state_.bkMode == OPAQUE ? OPAQUE : TRANSPARENT);
    SetROP2(dc_, std::clamp(state_.rop2, int(R2_BLACK), int(R2_WHITE)));
    SetPolyFillMode(dc_, state_.polyFillMode == WINDING ? WINDING : ALTERNATE);
    SetStretchBltMode(dc_, std::clamp(state_.stretchMode, int(BLACKONWHITE), int(HALFTONE)));
    SetTextAlign(dc_, state_.textAlign & ~TA_UPDATECP);
    if (!clipApplied_) {
        SetClipBands(dc_, state_.clip.bands());
        clipApplied_ = true;
    }
}

void Playback::release() {
    if (pen_) {
        SelectObject(dc_, oldPen_);
        DeleteObject(pen_);
    }
    if (brush_) {
        SelectObject(dc_, oldBrush_);
        DeleteObject(brush_);
    }
    if (font_) {
        SelectObject(dc_, oldFont_);
        DeleteObject(font_);
    }
    pen_ = brush_ = font_ = oldPen_ = oldBrush_ = oldFont_ = 0;
}

// ---- drawing ---------------------------------------------------------------------------

void Playback::spend(double units) {
    if (!budget_.take(units)) stopPlayback("drawing would exceed the work budget");
}

void Playback::spendOnFigures(const std::vector<Figure>& figures, bool closed, bool filled, bool stroked) {
    const bool pen = stroked && state_.pen.kind == LogicalObject::Kind::Pen && (state_.pen.pen.lopnStyle & 0xF) != PS_NULL;
    spend(budget_.figures(figures, closed, filled, pen ? penWidth() : 0));
}

void Playback::draw(std::vector<Figure> figures, bool closed, bool filled) {
    if (inPath_) {
        for (Figure& f : figures) {
            addPathPoints(f.size());
            path_.push_back({std::move(f), closed});
        }
        return;
    }
    spendOnFigures(figures, closed, filled, true);
    apply();
    if (filled) FillFigures(dc_, figures, state_.polyFillMode == WINDING ? WINDING : ALTERNATE);
    StrokeFigures(dc_, figures, closed);
    release();
}

void Playback::moveTo(double x, double y) {
    state_.position = {x, y};
    if (inPath_) path_.push_back({{toDevice(x, y)}, false});
}

void Playback::lineTo(double x, double y) {
    const PointD from = toDevice(state_.position.x, state_.position.y), to = toDevice(x, y);
    state_.position = {x, y};
    if (inPath_) {
        if (path_.empty() || path_.back().closed) path_.push_back({{from}, false});
        path_.back().points.push_back(to);
        return;
    }
    draw({{from, to}}, false, false);
}

namespace {

Figure mapped(Playback& p, const Figure& logical) {
    Figure f;
    f.reserve(logical.size());
    for (const PointD& q : logical) f.push_back(p.toDevice(q.x, q.y));
    return f;
}

}  // namespace

void Playback::drawFromPosition(Figure device) {
    if (inPath_ && !path_.empty() && !path_.back().closed) {
        addPathPoints(device.size());
        path_.back().points.insert(path_.back().points.end(), device.begin() + 1, device.end());
        return;
    }
    draw({std::move(device)}, false, false);
}

void Playback::polyline(const Figure& points, bool continueFromPosition) {
    if (points.empty()) return;
    if (!continueFromPosition) {
        draw({mapped(*this, points)}, false, false);
        return;
    }
    Figure f{state_.position};
    state_.position = points.back();
    f.insert(f.end(), points.begin(), points.end());
    drawFromPosition(mapped(*this, f));
}

void Playback::polyBezier(const Figure& points, bool continueFromPosition) {
    Figure control;
    if (continueFromPosition) control.push_back(state_.position);
    control.insert(control.end(), points.begin(), points.end());
    if (control.size() < 4) return;
    if (continueFromPosition) state_.position = points.back();
    const Figure device = mapped(*this, control);
    // A path may be stroked later with a wider pen: its curves keep the widest pen's reach.
    const double reach = (inPath_ ? gdi::detail::kMaxPenWidth : penWidth()) / 2.0 + 2;
    Figure curve = BezierFigure(device.data(), device.size(), CurveWindowAround(visible_, reach));
    if (continueFromPosition) drawFromPosition(std::move(curve));
    else draw({std::move(curve)}, false, false);
}

void Playback::polygons(const std::vector<Figure>& figures) {
    std::vector<Figure> device;
    for (const Figure& f : figures) device.push_back(mapped(*this, f));
    draw(std::move(device), true, true);
}

void Playback::polylines(const std::vector<Figure>& figures) {
    std::vector<Figure> device;
    for (const Figure& f : figures) device.push_back(mapped(*this, f));
    draw(std::move(device), false, false);
}

// The device box of a logical box when the mapping keeps axes apart, rounded to pixels
// and ordered; shapes drawn from it follow the platform's rule that the right and bottom
// edges lie outside. None when the mapping turns or shears.
std::optional<std::array<double, 4>> Playback::axisAlignedBox(double l, double t, double r, double b) {
    const Affine& m = transform();
    if (m.b != 0 || m.c != 0) return std::nullopt;
    const PointD p = toDevice(l, t), q = toDevice(r, b);
    const double x0 = std::round(std::min(p.x, q.x)), x1 = std::round(std::max(p.x, q.x));
    const double y0 = std::round(std::min(p.y, q.y)), y1 = std::round(std::max(p.y, q.y));
    return std::array<double, 4>{x0, y0, x1 - 1, y1 - 1};
}

void Playback::rectangle(double l, double t, double r, double b) {
    if (const auto box = axisAlignedBox(l, t, r, b)) {
        const auto [x0, y0, x1, y1] = *box;
        draw({{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}}, true, true);
        return;
    }
    draw({mapped(*this, {{l, t}, {r, t}, {r, b}, {l, b}})}, true, true);
}

void Playback::roundRect(double l, double t, double r, double b, double w, double h) {
    if (const auto box = axisAlignedBox(l, t, r, b)) {
        const Affine& m = transform();
        const auto [x0, y0, x1, y1] = *box;
        draw({RoundRectFigure(x0, y0, x1, y1, w * std::fabs(m.a), h * std::fabs(m.d))}, true, true);
        return;
    }
    draw({mapped(*this, RoundRectFigure(l, t, r, b, w, h))}, true, true);
}

void Playback::ellipse(double l, double t, double r, double b) {
    if (const auto box = axisAlignedBox(l, t, r, b)) {
        const auto [x0, y0, x1, y1] = *box;
        draw({EllipseFigure(x0, y0, x1, y1)}, true, true);
        return;
    }
    draw({mapped(*this, EllipseFigure(l, t, r, b))}, true, true);
}

Figure Playback::arcFigure(double l, double t, double r, double b, PointD start, PointD end, ArcKind kind) {
    const Affine& m = transform();
    // Arcs run counter-clockwise in logical space: a mapping that flips one axis keeps the
    // curve in logical space and maps its points.
    const auto box = m.a * m.d > 0 ? axisAlignedBox(l, t, r, b) : std::nullopt;
    if (box) {
        const auto [x0, y0, x1, y1] = *box;
        return ArcFigure(x0, y0, x1, y1, toDevice(start.x, start.y), toDevice(end.x, end.y), kind);
    }
    return mapped(*this, ArcFigure(l, t, r, b, start, end, kind));
}

void Playback::arc(double l, double t, double r, double b, PointD start, PointD end, ArcKind kind) {
    Figure f = arcFigure(l, t, r, b, start, end, kind);
    if (kind == ArcKind::Open) draw({std::move(f)}, false, false);
    else draw({std::move(f)}, true, true);
}

void Playback::arcTo(double l, double t, double r, double b, PointD start, PointD end) {
    const Figure arc = arcFigure(l, t, r, b, start, end, ArcKind::Open);
    Figure f{toDevice(state_.position.x, state_.position.y)};
    f.insert(f.end(), arc.begin(), arc.end());
    // The position is logical: the drawn arc's last point, taken back through the mapping.
    if (const auto back = transform().inverse()) state_.position = back->map(arc.back());
    drawFromPosition(std::move(f));
}

void Playback::setPixel(double x, double y, COLORREF color) {
    const PointD p = toDevice(x, y);
    const LONG px = roundedCoordinate(p.x), py = roundedCoordinate(p.y);
    if (!state_.clip.contains(px, py)) return;
    spend(budget_.vertices(1));
    SetPixelV(dc_, px, py, color);
}

void Playback::text(double x, double y, UINT options, const std::optional<std::array<double, 4>>& rect,
                    const std::u16string& s, const std::vector<double>& dx) {
    const bool updateCp = (state_.textAlign & TA_UPDATECP) != 0;
    if (updateCp) x = state_.position.x, y = state_.position.y;
    const Affine& m = transform();
    const double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
    const PointD p = toDevice(x, y);
    RECT r{};
    if (rect) r = deviceRect(*this, (*rect)[0], (*rect)[1], (*rect)[2], (*rect)[3]);
    // Advances are placed by their running sums, so rounding never accumulates.
    std::vector<INT> deviceDx;
    if (!dx.empty()) {
        const bool pairs = (options & ETO_PDY) != 0;
        double sumX = 0, sumY = 0, placedX = 0, placedY = 0;
        for (size_t i = 0; i < dx.size(); ++i) {
            const bool isY = pairs && (i % 2 == 1);
            double& sum = isY ? sumY : sumX;
            double& placed = isY ? placedY : placedX;
            sum += dx[i] * (isY ? sy : sx);
            const double next = std::round(sum);
            deviceDx.push_back(INT(std::clamp(next - placed, -1e6, 1e6)));
            placed = next;
        }
    }
    // The coverage the text paints: its advance and a font height of padding each way.
    const double h = std::clamp(std::fabs(fontPixels(state_.font.font.lfHeight, sy)), 16.0, kMaxFontPixels);
    double advance = 0;
    for (INT v : deviceDx) advance += std::abs(double(v));
    if (deviceDx.empty()) advance = h * double(s.size());
    spend(budget_.text(advance + 2 * h, 3 * h, s.size(), h) + (rect && (options & ETO_OPAQUE) ? budget_.blit(r) : 0));
    apply();
    if (updateCp) {
        // The device draws from its own position and moves it to the text's end.
        SetTextAlign(dc_, state_.textAlign);
        MoveToEx(dc_, roundedCoordinate(p.x), roundedCoordinate(p.y), nullptr);
    }
    ExtTextOutW(dc_, roundedCoordinate(p.x), roundedCoordinate(p.y),
                options & (ETO_OPAQUE | ETO_CLIPPED | ETO_PDY), rect ? &r : nullptr, s.data(),
                UINT(s.size()), deviceDx.empty() ? nullptr : deviceDx.data());
    POINT end{};
    if (updateCp && GetCurrentPositionEx(dc_, &end))
        if (const auto back = m.inverse()) state_.position = back->map({double(end.x), double(end.y)});
    release();
}

// ---- bitmaps ------------------------------------------------------------------------------

namespace {

// The record's BITMAPINFO in an aligned copy with a 40-byte header, after the checks the
// BMP loader makes; nullopt for a header of a kind gdi does not draw (compressed, core).
std::optional<BITMAPINFO> checkedInfo(std::span<const uint8_t> info, UINT usage) {
    if (info.size() < sizeof(BITMAPINFOHEADER)) stopPlayback("bitmap header ends early");
    BITMAPINFO out{};
    std::memcpy(&out.bmiHeader, info.data(), sizeof(BITMAPINFOHEADER));
    const uint32_t headerSize = out.bmiHeader.biSize;
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > info.size())
        stopPlayback("bitmap header size out of range");
    out.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    const int64_t w = out.bmiHeader.biWidth, h = std::llabs(int64_t{out.bmiHeader.biHeight});
    if (w < 1 || h < 1 || w * h > pixelLimit()) stopPlayback("bitmap size out of range");
    const int64_t infoBytes = DibInfoBytes(out.bmiHeader, usage);
    if (infoBytes <= 0) return std::nullopt;
    const int64_t tableBytes = infoBytes - int64_t{sizeof(BITMAPINFOHEADER)};
    // A larger header carries BI_BITFIELDS masks inside it.
    const bool masksInside = out.bmiHeader.biCompression == BI_BITFIELDS && headerSize >= 52;
    const size_t tableAt = masksInside ? sizeof(BITMAPINFOHEADER) : headerSize;
    if (int64_t(tableAt) + tableBytes > int64_t(info.size())) stopPlayback("colour table ends early");
    std::memcpy(out.bmiColors, info.data() + tableAt, size_t(tableBytes));
    return out;
}

}  // namespace

void Playback::blit(const RECT& bounds, const std::function<void()>& drawBlit, bool clearAlpha) {
    spend(budget_.blit(bounds));
    apply();
    DrawClippedBlit(dc_, bounds, drawBlit, clearAlpha);
    release();
}

void Playback::stretchDib(double x, double y, double cx, double cy, int32_t xSrc, int32_t ySrc,
                          int32_t cxSrc, int32_t cySrc, std::span<const uint8_t> info,
                          std::span<const uint8_t> bits, UINT usage, DWORD rop) {
    const auto header = checkedInfo(info, usage);
    if (!header) return;
    if (DibImageBytes(header->bmiHeader) > int64_t(bits.size())) stopPlayback("bitmap bits end early");
    const PointD p = toDevice(x, y), q = toDevice(x + cx, y + cy);
    const LONG x0 = roundedCoordinate(p.x), y0 = roundedCoordinate(p.y);
    const LONG x1 = roundedCoordinate(q.x), y1 = roundedCoordinate(q.y);
    if (x0 == x1 || y0 == y1) return;
    blit({std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)}, [&] {
        StretchDIBits(dc_, x0, y0, x1 - x0, y1 - y0, xSrc, ySrc, cxSrc, cySrc, bits.data(), &*header,
                      usage, rop);
    }, header->bmiHeader.biBitCount == 32);  // only a 32-bpp source brings alpha of its own
}

void Playback::setDibToDevice(double x, double y, int32_t cx, int32_t cy, int32_t xSrc, int32_t ySrc,
                              uint32_t startScan, uint32_t scans, std::span<const uint8_t> info,
                              std::span<const uint8_t> bits, UINT usage) {
    auto header = checkedInfo(info, usage);
    if (!header) return;
    BITMAPINFOHEADER& h = header->bmiHeader;
    const int64_t rows = std::llabs(int64_t{h.biHeight});
    if (scans == 0 || startScan >= rows) return;
    const int64_t band = std::min<int64_t>(scans, rows - startScan);
    // The record holds only the band: draw it as a bitmap of its own.
    h.biHeight = h.biHeight < 0 ? -LONG(band) : LONG(band);
    h.biSizeImage = 0;
    if (DibImageBytes(h) > int64_t(bits.size())) stopPlayback("bitmap bits end early");
    const int64_t bandY = int64_t{ySrc} - startScan;
    stretchDib(x, y, cx, cy, xSrc, int32_t(std::clamp<int64_t>(bandY, INT32_MIN, INT32_MAX)), cx, cy,
               std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(&*header), sizeof(BITMAPINFO)),
               bits, usage, SRCCOPY);
}

void Playback::patBlt(double x, double y, double cx, double cy, DWORD rop) {
    const RECT r = deviceRect(*this, x, y, x + cx, y + cy);
    blit(r, [&] { PatBlt(dc_, r.left, r.top, r.right - r.left, r.bottom - r.top, rop); }, false);
}

// ---- paths --------------------------------------------------------------------------------

void Playback::addPathPoints(size_t count) {
    spend(budget_.vertices(count));
    pathPoints_ += count;
    if (pathPoints_ > kMaxPathPoints) stopPlayback("path too long");
}

void Playback::clearPath() {
    path_.clear();
    pathPoints_ = 0;
}

void Playback::beginPath() {
    clearPath();
    inPath_ = true;
}

void Playback::closeFigure() {
    if (!path_.empty()) path_.back().closed = true;
}

void Playback::abortPath() {
    clearPath();
    inPath_ = false;
}

void Playback::fillPath(bool fill, bool stroke) {
    inPath_ = false;
    std::vector<Figure> all;
    for (const PathFigure& f : path_) all.push_back(f.points);
    spendOnFigures(all, true, fill, stroke);
    apply();
    if (fill) FillFigures(dc_, all, state_.polyFillMode == WINDING ? WINDING : ALTERNATE);
    if (stroke)
        for (const PathFigure& f : path_) StrokeFigures(dc_, {f.points}, f.closed || fill);
    release();
    clearPath();
}

}  // namespace picture::detail
