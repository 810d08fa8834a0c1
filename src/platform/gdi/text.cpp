// TextOutW and ExtTextOutW: glyphs rasterised by Qt with grey antialiasing into a coverage
// image, then blended into the surface by coverage with alpha 0 where they touch.

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/blend_math.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/qt_fonts.h"

namespace gdi {

using namespace detail;

namespace {

// Longest string drawn in one call; longer ones are cut, as no picture needs more.
constexpr int kMaxTextLength = 1 << 16;

struct Layout {
    QFont font;
    QString text;
    std::vector<QPointF> origins;  // glyph origins in text space (x along the baseline)
    QPointF advance;               // where the next text would start
    double ascent = 0, descent = 0;
};

Layout layout(const Dc& d, const char16_t* text, int count, const INT* dx, bool pdy) {
    Layout l;
    const LOGFONTW& log = dcFont(d);
    l.font = qtFont(log);
    const QFontMetricsF fm(l.font);
    l.text = QString::fromUtf16(text, count);
    l.ascent = fm.ascent();
    l.descent = fm.descent();
    if (!dx) {
        l.origins.push_back({0, 0});
        l.advance = {textAdvance(log, l.font, l.text), 0};
        return l;
    }
    // Explicit advances place every character; y advances grow downwards on the page.
    double x = 0, y = 0;
    for (int i = 0; i < count; ++i) {
        l.origins.push_back({x, y});
        x += pdy ? dx[2 * i] : dx[i];
        if (pdy) y -= dx[2 * i + 1];
    }
    l.advance = {x, y};
    return l;
}

// The index of the first byte that is not 0, or n; eight bytes at a time.
int firstInked(const uchar* bytes, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word) break;
    }
    while (i < n && bytes[i] == 0) ++i;
    return i;
}

// The alpha bytes of n premultiplied pixels.
void alphaOf(const uchar* pixels, int n, uchar* alpha) {
    for (int i = 0; i < n; ++i) alpha[i] = pixels[i * 4 + 3];
}

// Blends `color` over the surface where `coverage` (an 8-bit alpha image, or black painted on
// transparent in premultiplied ARGB, its alpha the coverage; its top-left pixel is (x0, y0))
// is not 0, within the clip and the optional rectangle.
void blend(Surface& s, const Dc& d, const QImage& coverage, int x0, int y0, COLORREF color,
           const RECT* within) {
    const uint32_t c = colorrefToBgra(color);
    ColorMatcher match(s);
    std::vector<uint32_t> row;
    std::vector<std::pair<int, int>> spans;
    const bool argb = coverage.format() == QImage::Format_ARGB32_Premultiplied;
    std::vector<uchar> alpha(argb ? size_t(coverage.width()) : 0);
    for (int iy = 0; iy < coverage.height(); ++iy) {
        const int y = y0 + iy;
        if (y < 0 || y >= s.height) continue;
        if (within && (y < within->top || y >= within->bottom)) continue;
        const uchar* line = coverage.constScanLine(iy);
        if (argb) {
            alphaOf(line, coverage.width(), alpha.data());
            line = alpha.data();
        }
        // Most rows of the padded box hold no ink at all.
        int from = std::max(0, x0), to = std::min(s.width, x0 + coverage.width());
        from = x0 + firstInked(line + (from - x0), to - from) + (from - x0);
        while (to > from && line[to - 1 - x0] == 0) --to;
        if (within) from = std::max<int>(from, within->left), to = std::min<int>(to, within->right);
        if (from >= to) continue;
        d.clip.spans(y, from, to, spans);
        for (const auto& [a, b] : spans) {
            if (s.bpp == 32) {
                mixRowByCoverage(reinterpret_cast<uint32_t*>(s.row(y)) + a, line + (a - x0), b - a, c);
                continue;
            }
            row.resize(size_t(b - a));
            readRaw(s, y, a, b - a, row.data());
            for (int x = a; x < b; ++x) {
                const uint32_t k = line[x - x0];
                if (k == 0) continue;
                uint32_t& px = row[size_t(x - a)];
                px = match(mixByCoverage(c, rawToBgra(s, px), k));
            }
            writeRaw(s, y, a, b - a, row.data());
        }
    }
}

// Paints `draw` (given a painter in device space) into a coverage image over the device
// rectangle that `bounds` covers, clipped to the surface, and blends it in. Black on
// transparent premultiplied ARGB holds in its alpha bytes the coverage an 8-bit alpha image
// would hold (Qt blends a source of alpha 255 at coverage k into alpha exactly k, and
// source-over alike), and Qt draws text into it about twice as fast; a box too large to
// take four bytes a pixel lightly (a huge turned text) keeps one.
template <class Draw>
void paintCoverage(Surface& s, const Dc& d, QRectF bounds, COLORREF color, const RECT* within,
                   Draw draw) {
    const QRect box = bounds.toAlignedRect().intersected(QRect(0, 0, s.width, s.height));
    if (box.isEmpty()) return;
    constexpr int64_t kMostArgbPixels = int64_t{1} << 24;
    QImage coverage(box.size(), int64_t{box.width()} * box.height() <= kMostArgbPixels
                                    ? QImage::Format_ARGB32_Premultiplied
                                    : QImage::Format_Alpha8);
    if (coverage.isNull()) return;
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.translate(-box.left(), -box.top());
        draw(painter);
    }
    blend(s, d, coverage, box.left(), box.top(), color, within);
}

// Characters at their own origins (explicit advances), each as drawText would draw it
// alone. One run of the font's glyphs at those origins does that without shaping every
// character apart; a font that stretches or lines its text, or lacks a character, draws
// them one by one.
void drawPlaced(QPainter& p, const Layout& l) {
    const QRawFont raw = QRawFont::fromFont(l.font);
    const QList<quint32> glyphs = raw.isValid() ? raw.glyphIndexesForString(l.text) : QList<quint32>{};
    const bool plain = l.font.stretch() == QFont::AnyStretch || l.font.stretch() == QFont::Unstretched;
    const bool lined = l.font.underline() || l.font.strikeOut() || l.font.overline();
    bool whole = raw.isValid() && plain && !lined && glyphs.size() == l.text.size();
    for (qsizetype i = 0; whole && i < glyphs.size(); ++i) whole = glyphs[i] != 0 || l.text[i].isNull();
    if (whole) {
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(QList<QPointF>(l.origins.begin(), l.origins.end()));
        p.drawGlyphRun(QPointF(0, 0), run);
        return;
    }
    for (qsizetype i = 0; i < l.text.size(); ++i) p.drawText(l.origins[size_t(i)], l.text.mid(i, 1));
}

// Text larger than this is filled from the glyphs' outlines. As glyph images, a character
// that no font has becomes a box the size of the em kept in Qt's glyph cache: hundreds of MB
// at a few thousand pixels, turned, although a surface shows a small part of it. Outlines
// cost what the surface shows. Characters the font lacks then take its own missing-glyph
// shape, as they would without fallback fonts.
constexpr double kLargestGlyphImage = 512;

bool drawnAsOutlines(const QFont& font) {
    const double widening = std::max(1.0, font.stretch() / 100.0);
    return font.pixelSize() * widening > kLargestGlyphImage;
}

// The glyphs of the font itself at the layout's origins, or one after another by their
// kerned advances.
void drawOutlines(QPainter& p, const Layout& l, bool placed) {
    const QRawFont raw = QRawFont::fromFont(l.font);
    if (!raw.isValid()) return;
    const QList<quint32> glyphs = raw.glyphIndexesForString(l.text);
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    QPointF pen(0, 0);
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const QPointF origin = placed && size_t(i) < l.origins.size() ? l.origins[size_t(i)] : pen;
        path.addPath(raw.pathForGlyph(glyphs[i]).translated(origin));
        pen += advances[i];
    }
    p.fillPath(path, Qt::black);
    // Underline and strike-out run along the whole text, centred where Qt's own text puts
    // them; filled apart so that they add to the glyphs whichever way the outlines wind.
    const QFontMetricsF fm(l.font);
    const double from = std::min(0.0, l.advance.x()), to = std::max(0.0, l.advance.x());
    const auto line = [&](double centre) {
        p.fillRect(QRectF(from, centre - fm.lineWidth() / 2, to - from, fm.lineWidth()), Qt::black);
    };
    if (l.font.underline()) line(std::ceil(fm.underlinePos()) + 0.5);
    if (l.font.strikeOut()) line(-fm.strikeOutPos());
}

BOOL drawText(HDC dc, int x, int y, UINT options, const RECT* rect, const char16_t* text,
              int count, const INT* dx) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || count < 0 || (count > 0 && !text)) return FALSE;
    count = std::min(count, kMaxTextLength);
    if (!fontSystemReady()) return FALSE;
    const bool updateCp = (d->textAlign & TA_UPDATECP) != 0;
    if (updateCp) x = d->position.x, y = d->position.y;
    const Layout l = layout(*d, text, count, dx, (options & ETO_PDY) != 0);
    // Tenths of a degree; whole turns dropped first, so that any 32-bit value negates.
    const double angle = -(dcFont(*d).lfEscapement % 3600) / 10.0;

    // The reference point's place on the text: left, right or centre; top, bottom or
    // baseline.
    QPointF shift(0, 0);
    switch (d->textAlign & (TA_CENTER)) {
    case TA_RIGHT: shift.setX(-l.advance.x()); break;
    case TA_CENTER: shift.setX(-l.advance.x() / 2); break;
    default: break;
    }
    switch (d->textAlign & TA_BASELINE) {
    case TA_BASELINE: break;
    case TA_BOTTOM: shift.setY(-l.descent); break;
    default: shift.setY(l.ascent); break;
    }
    QTransform toDevice;
    toDevice.translate(x, y);
    toDevice.rotate(angle);
    toDevice.translate(shift.x(), shift.y());

    Surface* s = dcSurface(*d);
    if (s) {
        if (rect && (options & ETO_OPAQUE)) {
            const QRectF r(QPointF(rect->left, rect->top), QPointF(rect->right, rect->bottom));
            paintCoverage(*s, *d, r, d->bkColor, nullptr,
                          [&](QPainter& p) { p.fillRect(r.normalized(), Qt::black); });
        }
        const RECT* within = rect && (options & ETO_CLIPPED) ? rect : nullptr;
        const QRectF cell(QPointF(std::min(0.0, l.advance.x()), -l.ascent),
                          QPointF(std::max(0.0, l.advance.x()), l.descent));
        if (d->opaque() && count > 0) {
            paintCoverage(*s, *d, toDevice.mapRect(cell), d->bkColor, within, [&](QPainter& p) {
                p.setTransform(toDevice, true);
                p.fillRect(cell, Qt::black);
            });
        }
        if (count > 0) {
            const double pad = l.ascent + l.descent;  // italics and wide glyphs overhang
            paintCoverage(*s, *d, toDevice.mapRect(cell.adjusted(-pad, -pad, pad, pad)), d->textColor,
                          within, [&](QPainter& p) {
                              p.setRenderHint(QPainter::TextAntialiasing, true);
                              p.setRenderHint(QPainter::Antialiasing, true);
                              p.setTransform(toDevice, true);
                              p.setFont(l.font);
                              p.setPen(Qt::black);
                              if (drawnAsOutlines(l.font)) {
                                  drawOutlines(p, l, dx != nullptr);
                                  return;
                              }
                              if (!dx) {
                                  p.drawText(QPointF(0, 0), l.text);
                                  return;
                              }
                              drawPlaced(p, l);
                          });
        }
    }
    if (updateCp) {
        const QPointF end = toDevice.map(l.advance) - toDevice.map(QPointF(0, 0));
        d->position.x = LONG(std::lround(x + end.x()));
        d->position.y = LONG(std::lround(y + end.y()));
    }
    return TRUE;
}

}  // namespace

BOOL TextOutW(HDC dc, int x, int y, const char16_t* text, int count) {
    return drawText(dc, x, y, 0, nullptr, text, count, nullptr);
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const char16_t* text,
                 UINT count, const INT* dx) {
    if (count > UINT(kMaxTextLength)) count = UINT(kMaxTextLength);
    return drawText(dc, x, y, options, rect, text, int(count), dx);
}

}  // namespace gdi
