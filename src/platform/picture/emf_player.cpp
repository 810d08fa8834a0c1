// The EMF player. An EMF record is its type and its size in bytes (32 bits each), then
// its fields; sizes are multiples of four.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/regions.h"
#include "platform/picture/metafile_player.h"
#include "platform/picture/metafile_record.h"
#include "platform/picture/playback_state.h"
#include "platform/picture/record_types.h"

namespace picture::detail {

namespace {

using namespace gdi;

using namespace emf;

constexpr uint32_t kStockFlag = 0x80000000;
constexpr uint32_t kPsGeometric = 0x00010000;
constexpr size_t kPointsAt = 28;  // after type, size, bounds and count

class EmfPlayer {
public:
    explicit EmfPlayer(Playback& p) : p_(p) {}

    bool play(const MetafileRecord& r) {
        Mapping& m = p_.mapping();
        DcState& s = p_.state();
        const auto i = [&](size_t k) { return r.i32(8 + 4 * k); };
        const auto u = [&](size_t k) { return r.u32(8 + 4 * k); };
        switch (r.type()) {
        case kEof: return false;
        case kHeader: break;
        case kSetMapMode: m.setMode(i(0)), p_.mappingChanged(); break;
        case kSetWindowExtEx:
        case kSetViewportExtEx:
            m.setExtent(r.type() == kSetWindowExtEx, i(0), i(1)), p_.mappingChanged();
            break;
        case kSetWindowOrgEx: m.windowOrgX = i(0), m.windowOrgY = i(1), p_.mappingChanged(); break;
        case kSetViewportOrgEx: m.viewportOrgX = i(0), m.viewportOrgY = i(1), p_.mappingChanged(); break;
        case kScaleViewportExtEx:
        case kScaleWindowExtEx:
            // xNum, xDenom, yNum, yDenom
            m.scaleExtent(r.type() == kScaleWindowExtEx, i(0), i(1), i(2), i(3)), p_.mappingChanged();
            break;
        case kSetWorldTransform: m.world = xform(r, 8), p_.mappingChanged(); break;
        case kModifyWorldTransform: modifyWorld(r), p_.mappingChanged(); break;
        case kSaveDc: p_.save(); break;
        case kRestoreDc: p_.restore(i(0)); break;
        case kSetBkMode: s.bkMode = int(u(0)); break;
        case kSetPolyFillMode: s.polyFillMode = int(u(0)); break;
        case kSetRop2: s.rop2 = int(u(0)); break;
        case kSetStretchBltMode: s.stretchMode = int(u(0)); break;
        case kSetTextAlign: s.textAlign = u(0); break;
        case kSetTextColor: s.textColor = u(0) & 0x00FFFFFF; break;
        case kSetBkColor: s.bkColor = u(0) & 0x00FFFFFF; break;
        case kExcludeClipRect: p_.excludeClip(i(0), i(1), i(2), i(3)); break;
        case kIntersectClipRect: p_.intersectClip(i(0), i(1), i(2), i(3)); break;
        case kExtSelectClipRgn: selectClipRegion(r); break;
        case kSelectObject: {
            const uint32_t index = u(0);
            if (index & kStockFlag) p_.selectStock(index & ~kStockFlag);
            else p_.select(index);
            break;
        }
        case kDeleteObject: p_.erase(u(0)); break;
        case kCreatePen: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Pen;
            o.pen = {u(1), {i(2), 0}, u(4) & 0x00FFFFFF};
            p_.put(u(0), o);
            break;
        }
        case kExtCreatePen: {
            // index, bitmap offset and size, bits offset and size, style, width, brush style,
            // colour, hatch
            LogicalObject o;
            o.kind = LogicalObject::Kind::Pen;
            const uint32_t style = u(5);
            const bool nullBrush = u(7) == BS_NULL;
            o.pen = {nullBrush ? PS_NULL : (style & 0xF), {i(6), 0}, u(8) & 0x00FFFFFF};
            o.cosmeticPen = !(style & kPsGeometric);
            p_.put(u(0), o);
            break;
        }
        case kCreateBrushIndirect: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Brush;
            const uint32_t style = u(1);
            o.brush = {style == BS_SOLID || style == BS_HATCHED ? style : BS_NULL, u(2) & 0x00FFFFFF, u(3)};
            p_.put(u(0), o);
            break;
        }
        case kCreateMonoBrush:
        case kCreateDibPatternBrushPt: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Brush;
            o.brush = {BS_NULL, 0, 0};
            p_.put(u(0), o);
            break;
        }
        case kCreatePalette: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Other;
            p_.put(u(0), o);
            break;
        }
        case kExtCreateFontIndirectW: p_.put(u(0), font(r)); break;
        case kMoveToEx: p_.moveTo(i(0), i(1)); break;
        case kLineTo: p_.lineTo(i(0), i(1)); break;
        case kPolyline:
        case kPolylineTo:
        case kPolyline16:
        case kPolylineTo16:
            p_.polyline(points(r), r.type() == kPolylineTo || r.type() == kPolylineTo16);
            break;
        case kPolyBezier:
        case kPolyBezierTo:
        case kPolyBezier16:
        case kPolyBezierTo16:
            p_.polyBezier(points(r), r.type() == kPolyBezierTo || r.type() == kPolyBezierTo16);
            break;
        case kPolygon:
        case kPolygon16: p_.polygons({points(r)}); break;
        case kPolyPolygon:
        case kPolyPolygon16: p_.polygons(polyPoints(r)); break;
        case kPolyPolyline:
        case kPolyPolyline16: p_.polylines(polyPoints(r)); break;
        case kRectangle: p_.rectangle(i(0), i(1), i(2), i(3)); break;
        case kEllipse: p_.ellipse(i(0), i(1), i(2), i(3)); break;
        case kRoundRect: p_.roundRect(i(0), i(1), i(2), i(3), i(4), i(5)); break;
        case kArcTo:
            p_.arcTo(i(0), i(1), i(2), i(3), {double(i(4)), double(i(5))}, {double(i(6)), double(i(7))});
            break;
        case kArc:
        case kChord:
        case kPie: {
            const ArcKind kind = r.type() == kPie ? ArcKind::Pie : r.type() == kChord ? ArcKind::Chord : ArcKind::Open;
            p_.arc(i(0), i(1), i(2), i(3), {double(i(4)), double(i(5))}, {double(i(6)), double(i(7))}, kind);
            break;
        }
        case kSetPixelV: p_.setPixel(i(0), i(1), u(2) & 0x00FFFFFF); break;
        case kBeginPath: p_.beginPath(); break;
        case kEndPath: p_.endPath(); break;
        case kCloseFigure: p_.closeFigure(); break;
        case kAbortPath: p_.abortPath(); break;
        case kFillPath: p_.fillPath(true, false); break;
        case kStrokePath: p_.fillPath(false, true); break;
        case kStrokeAndFillPath: p_.fillPath(true, true); break;
        case kExtTextOutW: extTextOut(r); break;
        case kBitBlt:
        case kStretchBlt: blit(r); break;
        case kStretchDiBits: {
            // bounds, xDest, yDest, xSrc, ySrc, cxSrc, cySrc, offBmi, cbBmi, offBits,
            // cbBits, usage, rop, cxDest, cyDest
            p_.stretchDib(i(4), i(5), i(16), i(17), i(6), i(7), i(8), i(9), r.span(u(10), u(11)),
                          r.span(u(12), u(13)), u(14), u(15));
            break;
        }
        case kSetDiBitsToDevice: {
            // bounds, xDest, yDest, xSrc, ySrc, cxSrc, cySrc, offBmi, cbBmi, offBits, cbBits,
            // usage, startScan, scans
            p_.setDibToDevice(i(4), i(5), i(8), i(9), i(6), i(7), u(15), u(16), r.span(u(10), u(11)),
                              r.span(u(12), u(13)), u(14));
            break;
        }
        default: break;  // comments (EMF+ too), palettes and the rest: skipped by their size
        }
        return true;
    }

private:
    static Affine xform(const MetafileRecord& r, size_t at) {
        const Affine x{r.f32(at), r.f32(at + 4), r.f32(at + 8), r.f32(at + 12), r.f32(at + 16), r.f32(at + 20)};
        if (!x.finite()) stopPlayback("world transform out of range");
        return x;
    }

    void modifyWorld(const MetafileRecord& r) {
        constexpr uint32_t kIdentity = 1, kLeft = 2, kRight = 3, kSet = 4;
        Mapping& m = p_.mapping();
        const Affine x = xform(r, 8);
        switch (r.u32(32)) {
        case kIdentity: m.world = Affine{}; break;
        case kLeft: m.world = x.then(m.world); break;  // the new transform applies first
        case kRight: m.world = m.world.then(x); break;
        case kSet: m.world = x; break;
        default: break;
        }
    }

    // The 32-bit forms' points are 8 bytes, the 16-bit forms' 4.
    static bool shortPoints(uint32_t type) { return type >= kPolyBezier16 && type <= kPolyPolygon16; }

    static Figure readPoints(const MetafileRecord& r, size_t at, uint32_t n, bool shortForm) {
        const size_t each = shortForm ? 4 : 8;
        if (!r.holds(at, n, each)) stopPlayback("point count exceeds its record");
        Figure f(n);
        for (uint32_t k = 0; k < n; ++k) {
            const size_t p = at + each * k;
            f[k] = shortForm ? PointD{double(r.i16(p)), double(r.i16(p + 2))}
                             : PointD{double(r.i32(p)), double(r.i32(p + 4))};
        }
        return f;
    }

    static Figure points(const MetafileRecord& r) {
        return readPoints(r, kPointsAt, r.u32(24), shortPoints(r.type()));
    }

    static std::vector<Figure> polyPoints(const MetafileRecord& r) {
        const uint32_t polys = r.u32(24), total = r.u32(28);
        constexpr size_t kCountsAt = 32;
        if (!r.holds(kCountsAt, polys, 4)) stopPlayback("polygon counts exceed their record");
        const bool shortForm = shortPoints(r.type());
        size_t at = kCountsAt + 4 * size_t(polys);
        uint64_t sum = 0;
        std::vector<Figure> figures;
        for (uint32_t k = 0; k < polys; ++k) {
            const uint32_t n = r.u32(kCountsAt + 4 * k);
            sum += n;
            if (sum > total) stopPlayback("polygon counts exceed the point count");
            figures.push_back(readPoints(r, at, n, shortForm));
            at += size_t(n) * (shortForm ? 4 : 8);
        }
        return figures;
    }

    static LogicalObject font(const MetafileRecord& r) {
        LogicalObject o;
        o.kind = LogicalObject::Kind::Font;
        LOGFONTW& f = o.font;
        constexpr size_t at = 12;
        f.lfHeight = r.i32(at), f.lfWidth = r.i32(at + 4), f.lfEscapement = r.i32(at + 8);
        f.lfOrientation = r.i32(at + 12), f.lfWeight = r.i32(at + 16);
        const auto flags = r.span(at + 20, 8);
        f.lfItalic = flags[0], f.lfUnderline = flags[1], f.lfStrikeOut = flags[2], f.lfCharSet = flags[3];
        f.lfOutPrecision = flags[4], f.lfClipPrecision = flags[5], f.lfQuality = flags[6];
        f.lfPitchAndFamily = flags[7];
        for (size_t k = 0; k < 31; ++k) {
            const char16_t c = r.u16(at + 28 + 2 * k);
            if (c == 0) break;
            f.lfFaceName[k] = c;
        }
        return o;
    }

    void extTextOut(const MetafileRecord& r) {
        // bounds, graphics mode, x and y scale, then the text: reference point, count,
        // string offset, options, rectangle, spacing offset
        constexpr size_t at = 36;
        const int32_t x = r.i32(at), y = r.i32(at + 4);
        const uint32_t n = r.u32(at + 8), offString = r.u32(at + 12), options = r.u32(at + 16);
        if (!r.holds(offString, n, 2)) stopPlayback("text exceeds its record");
        std::u16string s(n, u'\0');
        for (uint32_t k = 0; k < n; ++k) s[k] = r.u16(offString + 2 * size_t(k));
        std::optional<std::array<double, 4>> rect;
        if (options & (ETO_OPAQUE | ETO_CLIPPED))
            rect = std::array<double, 4>{double(r.i32(at + 20)), double(r.i32(at + 24)),
                                         double(r.i32(at + 28)), double(r.i32(at + 32))};
        const uint32_t offDx = r.u32(at + 36);
        std::vector<double> dx;
        const uint64_t entries = (options & ETO_PDY) ? 2 * uint64_t{n} : n;
        if (offDx != 0 && n > 0) {
            if (!r.holds(offDx, entries, 4)) stopPlayback("spacing exceeds its record");
            for (uint64_t k = 0; k < entries; ++k) dx.push_back(r.i32(offDx + 4 * size_t(k)));
        }
        p_.text(x, y, options, rect, s, dx);
    }

    void selectClipRegion(const MetafileRecord& r) {
        const uint32_t bytes = r.u32(8), mode = r.u32(12);
        if (bytes < sizeof(RGNDATAHEADER)) {
            p_.selectClip(nullptr, int(mode));
            return;
        }
        const auto data = r.span(16, bytes);
        const uint32_t count = r.u32(16 + 8);
        if (!r.holds(16 + sizeof(RGNDATAHEADER), count, sizeof(RECT)) ||
            uint64_t{count} * sizeof(RECT) + sizeof(RGNDATAHEADER) > data.size())
            stopPlayback("region exceeds its record");
        std::vector<RECT> rects(count);
        for (uint32_t k = 0; k < count; ++k) {
            const size_t at = 16 + sizeof(RGNDATAHEADER) + sizeof(RECT) * k;
            rects[k] = {r.i32(at), r.i32(at + 4), r.i32(at + 8), r.i32(at + 12)};
        }
        p_.selectClip(&rects, int(mode));
    }

    void blit(const MetafileRecord& r) {
        // bounds, xDest, yDest, cxDest, cyDest, rop, xSrc, ySrc, source transform,
        // background, usage, offBmi, cbBmi, offBits, cbBits[, cxSrc, cySrc]
        const int32_t x = r.i32(24), y = r.i32(28), cx = r.i32(32), cy = r.i32(36);
        const uint32_t rop = r.u32(40);
        const int32_t xSrc = r.i32(44), ySrc = r.i32(48);
        const uint32_t usage = r.u32(80), offBmi = r.u32(84), cbBmi = r.u32(88);
        const uint32_t offBits = r.u32(92), cbBits = r.u32(96);
        if (cbBmi == 0) {
            p_.patBlt(x, y, cx, cy, rop);
            return;
        }
        const bool stretch = r.type() == kStretchBlt;
        const int32_t cxSrc = stretch ? r.i32(100) : cx, cySrc = stretch ? r.i32(104) : cy;
        p_.stretchDib(x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc, r.span(offBmi, cbBmi), r.span(offBits, cbBits),
                      usage, rop);
    }

    Playback& p_;
};

}  // namespace

bool playEmf(HDC dc, std::span<const uint8_t> emf, const PlayTarget& target, std::string* reason) {
    EmfHeader h;
    try {
        h = readEmfHeader(emf);
    } catch (const std::exception& e) {
        if (reason) *reason = e.what();
        return false;
    }
    // The frame (0.01 mm) in the reference device's pixels maps onto the destination.
    const double pxPerMmX = double(h.devicePixels.cx) / h.deviceMillimetres.cx;
    const double pxPerMmY = double(h.devicePixels.cy) / h.deviceMillimetres.cy;
    const double fl = h.frame.left * pxPerMmX / 100, fr = h.frame.right * pxPerMmX / 100;
    const double ft = h.frame.top * pxPerMmY / 100, fb = h.frame.bottom * pxPerMmY / 100;
    const double sx = target.width / (fr - fl), sy = target.height / (fb - ft);
    const Affine outer{sx, 0, 0, sy, target.x - fl * sx, target.y - ft * sy};
    Playback p(dc, outer, target.clip, size_t{h.handles});
    Mapping& m = p.mapping();
    m.devicePixelsX = h.devicePixels.cx, m.devicePixelsY = h.devicePixels.cy;
    m.deviceMillimetresX = h.deviceMillimetres.cx, m.deviceMillimetresY = h.deviceMillimetres.cy;
    EmfPlayer player(p);
    const size_t end = std::min<size_t>(emf.size(), h.bytes);
    size_t at = 0;
    try {
        for (uint32_t n = 0; at < end; ++n) {
            if (end - at < 8) stopPlayback("truncated record");
            const uint32_t type = uint32_t(emf[at]) | (uint32_t(emf[at + 1]) << 8) |
                                  (uint32_t(emf[at + 2]) << 16) | (uint32_t(emf[at + 3]) << 24);
            const uint32_t size = uint32_t(emf[at + 4]) | (uint32_t(emf[at + 5]) << 8) |
                                  (uint32_t(emf[at + 6]) << 16) | (uint32_t(emf[at + 7]) << 24);
            if (size < 8 || size % 4) stopPlayback("record of size " + std::to_string(size));
            if (size > end - at) stopPlayback("record runs past the end");
            p.recordPlayed();
            if (!player.play(MetafileRecord(emf.subspan(at, size), type))) break;
            at += size;
        }
    } catch (const StopPlayback& stop) {
        if (reason) *reason = "EMF: " + stop.reason;
        return false;
    }
    return true;
}

}  // namespace picture::detail
