// The WMF player. A WMF record is its size in 16-bit words (32 bits), its function (16
// bits) and its parameters, which most records list last-first (y before x, bottom
// before top).

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/picture/metafile_player.h"
#include "platform/picture/metafile_record.h"
#include "platform/picture/playback_state.h"
#include "platform/picture/record_types.h"

namespace picture::detail {

namespace {

using namespace gdi;

using namespace wmf;

constexpr size_t kParams = 6;  // size (4) and function (2)

class WmfPlayer {
public:
    WmfPlayer(Playback& p) : p_(p) {}

    // False at the end-of-file record.
    bool play(const MetafileRecord& r) {
        const auto w = [&](size_t k) { return r.i16(kParams + 2 * k); };
        const auto uw = [&](size_t k) { return r.u16(kParams + 2 * k); };
        const auto color = [&](size_t k) { return r.u32(kParams + 2 * k) & 0x00FFFFFF; };
        Mapping& m = p_.mapping();
        switch (r.type()) {
        case kEof: return false;
        case kSaveDc: p_.save(); break;
        case kRestoreDc: p_.restore(w(0)); break;
        case kSetBkColor: p_.state().bkColor = color(0); break;
        case kSetBkMode: p_.state().bkMode = uw(0); break;
        case kSetTextColor: p_.state().textColor = color(0); break;
        case kSetTextAlign: p_.state().textAlign = uw(0); break;
        case kSetRop2: p_.state().rop2 = uw(0); break;
        case kSetPolyFillMode: p_.state().polyFillMode = uw(0); break;
        case kSetStretchBltMode: p_.state().stretchMode = uw(0); break;
        case kSetMapMode:
            // A fixed mode leaves the destination's size behind: one pixel per logical unit,
            // or the unit's length at 96 pixels per inch with y up.
            m.setMode(uw(0)), p_.mappingChanged();
            break;
        case kSetWindowOrg: m.windowOrgY = w(0), m.windowOrgX = w(1), p_.mappingChanged(); break;
        case kSetViewportOrg: m.viewportOrgY = w(0), m.viewportOrgX = w(1), p_.mappingChanged(); break;
        case kSetWindowExt:
        case kSetViewportExt: m.setExtent(r.type() == kSetWindowExt, w(1), w(0)), p_.mappingChanged(); break;
        case kOffsetWindowOrg: m.windowOrgY += w(0), m.windowOrgX += w(1), p_.mappingChanged(); break;
        case kOffsetViewportOrg: m.viewportOrgY += w(0), m.viewportOrgX += w(1), p_.mappingChanged(); break;
        case kScaleWindowExt:
        case kScaleViewportExt:
            // yDenom, yNum, xDenom, xNum
            m.scaleExtent(r.type() == kScaleWindowExt, w(3), w(2), w(1), w(0)), p_.mappingChanged();
            break;
        case kIntersectClipRect: p_.intersectClip(w(3), w(2), w(1), w(0)); break;
        case kExcludeClipRect: p_.excludeClip(w(3), w(2), w(1), w(0)); break;
        case kSelectClipRegion: p_.selectClip(nullptr, 5); break;  // regions are not kept
        case kCreatePenIndirect: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Pen;
            o.pen = {uw(0), {w(1), 0}, color(3)};
            add(o);
            break;
        }
        case kCreateBrushIndirect: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Brush;
            const uint16_t style = uw(0);
            o.brush = {style == BS_SOLID || style == BS_HATCHED ? style : BS_NULL, color(1), uw(3)};
            add(o);
            break;
        }
        case kCreateFontIndirect: add(font(r)); break;
        case kCreatePatternBrush:
        case kDibCreatePatternBrush: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Brush;
            o.brush = {BS_NULL, 0, 0};
            add(o);
            break;
        }
        case kCreatePalette:
        case kCreateRegion: {
            LogicalObject o;
            o.kind = LogicalObject::Kind::Other;
            add(o);
            break;
        }
        case kSelectObject: p_.select(uw(0)); break;
        case kDeleteObject: p_.erase(uw(0)); break;
        case kSelectPalette:
        case kRealizePalette: break;
        case kMoveTo: p_.moveTo(w(1), w(0)); break;
        case kLineTo: p_.lineTo(w(1), w(0)); break;
        case kPolyline:
        case kPolygon: {
            const Figure f = points(r, kParams + 2, uw(0));
            if (r.type() == kPolyline) p_.polyline(f, false);
            else p_.polygons({f});
            break;
        }
        case kPolyPolygon: {
            const uint16_t count = uw(0);
            if (!r.holds(kParams + 2, count, 2)) stopPlayback("polygon counts exceed their record");
            std::vector<Figure> figures;
            size_t at = kParams + 2 + 2 * size_t(count);
            for (uint16_t i = 0; i < count; ++i) {
                const uint16_t n = uw(1 + i);
                figures.push_back(points(r, at, n));
                at += 4 * size_t(n);
            }
            p_.polygons(figures);
            break;
        }
        case kRectangle: p_.rectangle(w(3), w(2), w(1), w(0)); break;
        case kEllipse: p_.ellipse(w(3), w(2), w(1), w(0)); break;
        case kRoundRect: p_.roundRect(w(5), w(4), w(3), w(2), w(1), w(0)); break;
        case kArc:
        case kChord:
        case kPie: {
            const ArcKind kind = r.type() == kArc ? ArcKind::Open : r.type() == kPie ? ArcKind::Pie : ArcKind::Chord;
            p_.arc(w(7), w(6), w(5), w(4), {double(w(3)), double(w(2))}, {double(w(1)), double(w(0))}, kind);
            break;
        }
        case kSetPixel: p_.setPixel(w(3), w(2), color(0)); break;
        case kTextOut: {
            const uint16_t n = uw(0);
            const size_t padded = (size_t(n) + 1) & ~size_t(1);
            const std::u16string s = ansi(r.span(kParams + 2, n));
            const size_t after = kParams + 2 + padded;
            p_.text(r.i16(after + 2), r.i16(after), 0, std::nullopt, s, {});
            break;
        }
        case kExtTextOut: extTextOut(r); break;
        case kPatBlt: p_.patBlt(w(5), w(4), w(3), w(2), r.u32(kParams)); break;
        case kDibBitBlt:
        case kDibStretchBlt: blit(r); break;
        case kStretchDib: {
            // rop, usage, srcHeight, srcWidth, ySrc, xSrc, destHeight, destWidth, yDest, xDest
            const auto info = r.span(kParams + 22, r.size() - std::min(r.size(), kParams + 22));
            p_.stretchDib(w(10), w(9), w(8), w(7), w(6), w(5), w(4), w(3), info, bitsAfterInfo(info),
                          uw(2), r.u32(kParams));
            break;
        }
        case kSetDibToDev: {
            // usage, scans, startScan, yDib, xDib, height, width, yDest, xDest
            const auto info = r.span(kParams + 18, r.size() - std::min(r.size(), kParams + 18));
            p_.setDibToDevice(w(8), w(7), w(6), w(5), w(4), w(3), uw(2), uw(1), info,
                              bitsAfterInfo(info), uw(0));
            break;
        }
        default: break;  // escapes and everything else: skipped by their size
        }
        return true;
    }

private:
    void add(const LogicalObject& o) {
        if (!p_.addToFreeSlot(o)) stopPlayback("object table full");
    }

    static Figure points(const MetafileRecord& r, size_t at, uint32_t n) {
        if (!r.holds(at, n, 4)) stopPlayback("point count exceeds its record");
        Figure f(n);
        for (uint32_t i = 0; i < n; ++i) f[i] = {double(r.i16(at + 4 * i)), double(r.i16(at + 4 * i + 2))};
        return f;
    }

    // Single-byte text as Latin-1, which holds the printable Western characters.
    static std::u16string ansi(std::span<const uint8_t> bytes) {
        std::u16string s;
        for (uint8_t b : bytes) {
            if (b == 0) break;
            s.push_back(char16_t(b));
        }
        return s;
    }

    static LogicalObject font(const MetafileRecord& r) {
        LogicalObject o;
        o.kind = LogicalObject::Kind::Font;
        LOGFONTW& f = o.font;
        f.lfHeight = r.i16(kParams), f.lfWidth = r.i16(kParams + 2);
        f.lfEscapement = r.i16(kParams + 4), f.lfOrientation = r.i16(kParams + 6);
        f.lfWeight = r.i16(kParams + 8);
        const auto flags = r.span(kParams + 10, 8);
        f.lfItalic = flags[0], f.lfUnderline = flags[1], f.lfStrikeOut = flags[2], f.lfCharSet = flags[3];
        f.lfOutPrecision = flags[4], f.lfClipPrecision = flags[5], f.lfQuality = flags[6];
        f.lfPitchAndFamily = flags[7];
        const size_t faceAt = kParams + 18;
        const size_t faceBytes = std::min<size_t>(31, r.size() > faceAt ? r.size() - faceAt : 0);
        const std::u16string face = ansi(r.span(faceAt, faceBytes));
        std::copy(face.begin(), face.end(), f.lfFaceName);
        return o;
    }

    void extTextOut(const MetafileRecord& r) {
        const int16_t y = r.i16(kParams), x = r.i16(kParams + 2);
        const uint16_t n = r.u16(kParams + 4), options = r.u16(kParams + 6);
        size_t at = kParams + 8;
        std::optional<std::array<double, 4>> rect;
        if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
            rect = std::array<double, 4>{double(r.i16(at)), double(r.i16(at + 2)), double(r.i16(at + 4)),
                                         double(r.i16(at + 6))};
            at += 8;
        }
        const std::u16string s = ansi(r.span(at, n));
        at += (size_t(n) + 1) & ~size_t(1);
        std::vector<double> dx;
        if (r.holds(at, n, 2))  // the spacing array is optional
            for (uint16_t i = 0; i < n; ++i) dx.push_back(r.i16(at + 2 * i));
        p_.text(x, y, options & (ETO_OPAQUE | ETO_CLIPPED), rect, s, dx.size() == s.size() ? dx : std::vector<double>{});
    }

    // The bits follow the header and colour table; their place depends on the header.
    static std::span<const uint8_t> bitsAfterInfo(std::span<const uint8_t> info) {
        if (info.size() < sizeof(BITMAPINFOHEADER)) return {};
        BITMAPINFOHEADER h;
        std::memcpy(&h, info.data(), sizeof(h));
        const uint32_t headerSize = h.biSize;
        h.biSize = sizeof(BITMAPINFOHEADER);
        const int64_t table = DibInfoBytes(h, DIB_RGB_COLORS) - int64_t{sizeof(BITMAPINFOHEADER)};
        const bool masksInside = h.biCompression == BI_BITFIELDS && headerSize >= 52;
        const int64_t at = int64_t{headerSize} + (masksInside ? 0 : std::max<int64_t>(0, table));
        if (headerSize < sizeof(BITMAPINFOHEADER) || at > int64_t(info.size())) return {};
        return info.subspan(size_t(at));
    }

    // DIBBITBLT and DIBSTRETCHBLT, each with or without a bitmap: the forms without one
    // are a word longer in their fixed part and end there.
    void blit(const MetafileRecord& r) {
        const bool stretch = r.type() == kDibStretchBlt;
        const size_t fixedWords = stretch ? 10 : 8;
        const bool noBitmap = r.size() == kParams + 2 * (fixedWords + 1);
        const auto w = [&](size_t k) { return r.i16(kParams + 2 * k); };
        const DWORD rop = r.u32(kParams);
        const size_t skip = noBitmap ? 1 : 0;
        int16_t srcH = 0, srcW = 0, ySrc, xSrc, h, wd, yDst, xDst;
        if (stretch) {
            srcH = w(2), srcW = w(3), ySrc = w(4), xSrc = w(5);
            h = w(6 + skip), wd = w(7 + skip), yDst = w(8 + skip), xDst = w(9 + skip);
        } else {
            ySrc = w(2), xSrc = w(3);
            h = w(4 + skip), wd = w(5 + skip), yDst = w(6 + skip), xDst = w(7 + skip);
            srcH = h, srcW = wd;
        }
        if (noBitmap) {
            p_.patBlt(xDst, yDst, wd, h, rop);
            return;
        }
        const size_t infoAt = kParams + 2 * fixedWords;
        const auto info = r.span(infoAt, r.size() - std::min(r.size(), infoAt));
        p_.stretchDib(xDst, yDst, wd, h, xSrc, ySrc, srcW, srcH, info, bitsAfterInfo(info), DIB_RGB_COLORS, rop);
    }

    Playback& p_;
};

}  // namespace

bool playWmf(HDC dc, std::span<const uint8_t> records, const WmfHeader& box, const PlayTarget& target,
             std::string* reason) {
    constexpr size_t kHeaderBytes = 18;
    if (records.size() < kHeaderBytes) return false;
    Playback p(dc, Affine{}, target.clip, box.objects);
    // The bounding box is the window, the destination the viewport; the file's own window
    // and viewport records change them from there.
    Mapping& m = p.mapping();
    m.mode = MM_ANISOTROPIC;
    m.windowOrgX = box.left, m.windowOrgY = box.top;
    m.windowExtX = int32_t(box.right) - box.left, m.windowExtY = int32_t(box.bottom) - box.top;
    m.viewportOrgX = target.x, m.viewportOrgY = target.y;
    m.viewportExtX = target.width, m.viewportExtY = target.height;
    p.mappingChanged();
    WmfPlayer player(p);
    size_t at = kHeaderBytes;
    try {
        while (at < records.size()) {
            if (records.size() - at < kParams) stopPlayback("truncated record");
            const uint64_t bytes = uint64_t(uint32_t(records[at] | (records[at + 1] << 8) |
                                                     (records[at + 2] << 16) | (uint32_t(records[at + 3]) << 24))) * 2;
            if (bytes < kParams) stopPlayback("record of size " + std::to_string(bytes / 2));
            if (bytes > records.size() - at) stopPlayback("record runs past the end");
            const uint16_t function = uint16_t(records[at + 4] | (records[at + 5] << 8));
            p.recordPlayed();
            if (!player.play(MetafileRecord(records.subspan(at, size_t(bytes)), function))) break;
            at += size_t(bytes);
        }
    } catch (const StopPlayback& stop) {
        if (reason) *reason = "WMF: " + stop.reason;
        return false;
    }
    return true;
}

}  // namespace picture::detail
