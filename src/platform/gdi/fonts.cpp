// Fonts: creation from a LOGFONT, the DC's text alignment, metrics and extents.

#include <QFontMetricsF>
#include <QString>
#include <cmath>

#include "platform/gdi/objects.h"
#include "platform/gdi/qt_fonts.h"

namespace gdi {

using namespace detail;

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font) return 0;
    auto f = std::make_unique<Font>();
    f->log = *font;
    f->log.lfFaceName[31] = 0;
    return registry().add(std::move(f), OBJ_FONT);
}

UINT SetTextAlign(HDC dc, UINT align) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return 0xFFFFFFFF;  // GDI_ERROR
    const UINT previous = d->textAlign;
    d->textAlign = align;
    return previous;
}

UINT GetTextAlign(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->textAlign : 0xFFFFFFFF;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d || !metrics || !fontSystemReady()) return FALSE;
    const LOGFONTW& log = dcFont(*d);
    const QFont font = qtFont(log);
    const QFontMetricsF fm(font);
    TEXTMETRICW tm{};
    tm.tmAscent = LONG(std::ceil(fm.ascent()));
    tm.tmDescent = LONG(std::ceil(fm.descent()));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - font.pixelSize());
    tm.tmExternalLeading = LONG(std::lround(std::max(0.0, fm.leading())));
    tm.tmAveCharWidth = LONG(std::lround(fm.averageCharWidth()));
    tm.tmMaxCharWidth = LONG(std::lround(fm.maxWidth()));
    tm.tmWeight = log.lfWeight > 0 ? log.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = kScreenDpi;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = log.lfItalic;
    tm.tmUnderlined = log.lfUnderline;
    tm.tmStruckOut = log.lfStrikeOut;
    tm.tmPitchAndFamily = log.lfPitchAndFamily;
    tm.tmCharSet = log.lfCharSet;
    *metrics = tm;
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, const char16_t* text, int count, SIZE* size) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d || !size || count < 0 || (count > 0 && !text) || !fontSystemReady()) return FALSE;
    const LOGFONTW& log = dcFont(*d);
    const QFont font = qtFont(log);
    const QFontMetricsF fm(font);
    const QString s = QString::fromUtf16(text, count);
    size->cx = LONG(std::lround(textAdvance(log, font, s)));
    size->cy = LONG(std::ceil(fm.ascent()) + std::ceil(fm.descent()));
    return TRUE;
}

}  // namespace gdi
