#include "platform/gdi/raster.h"

namespace gdi::detail {

void combineRow(uint8_t code, uint32_t* d, const uint32_t* s, const uint32_t* p, int n,
                uint32_t mask) {
    switch (code) {
    case 0xCC: for (int i = 0; i < n; ++i) d[i] = s[i] & mask; return;            // SRCCOPY
    case 0x88: for (int i = 0; i < n; ++i) d[i] = (s[i] & d[i]) & mask; return;   // SRCAND
    case 0xEE: for (int i = 0; i < n; ++i) d[i] = (s[i] | d[i]) & mask; return;   // SRCPAINT
    case 0x66: for (int i = 0; i < n; ++i) d[i] = (s[i] ^ d[i]) & mask; return;   // SRCINVERT
    case 0x33: for (int i = 0; i < n; ++i) d[i] = ~s[i] & mask; return;           // NOTSRCCOPY
    case 0x55: for (int i = 0; i < n; ++i) d[i] = ~d[i] & mask; return;           // DSTINVERT
    case 0xF0: for (int i = 0; i < n; ++i) d[i] = p[i] & mask; return;            // PATCOPY
    case 0x5A: for (int i = 0; i < n; ++i) d[i] = (p[i] ^ d[i]) & mask; return;   // PATINVERT
    case 0x00: for (int i = 0; i < n; ++i) d[i] = 0; return;                      // BLACKNESS
    case 0xFF: for (int i = 0; i < n; ++i) d[i] = mask; return;                   // WHITENESS
    default: break;
    }
    for (int i = 0; i < n; ++i) {
        const uint32_t pv = p ? p[i] : 0, sv = s ? s[i] : 0, dv = d[i];
        uint32_t r = 0;
        for (int t = 0; t < 8; ++t) {
            if (!((code >> t) & 1)) continue;
            r |= ((t & 4) ? pv : ~pv) & ((t & 2) ? sv : ~sv) & ((t & 1) ? dv : ~dv);
        }
        d[i] = r & mask;
    }
}

uint32_t resultMask(const Surface& dst, bool keepAlpha) {
    if (dst.bpp == 32) return keepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    return colorBits(dst);
}

namespace {

// The source DC's background colour as the source format can hold it.
uint32_t representable(const Surface& s, COLORREF c) {
    ColorMatcher m(s);
    return m(colorrefToBgra(c)) & colorBits(s);
}

}  // namespace

Converter::Converter(const Surface& src, const Surface& dst, const ColorRules& rules)
    : src_(&src), matcher_(dst) {
    if (sameFormat(src, dst)) {
        kind_ = Kind::Identity;
        return;
    }
    if (src.bpp <= 8) {
        kind_ = Kind::Table;
        const int count = 1 << src.bpp;
        table_.resize(size_t(count));
        if (rules.dcRules && src.mono && !dst.mono) {
            table_[0] = matcher_(colorrefToBgra(rules.dstText));
            table_[1] = matcher_(colorrefToBgra(rules.dstBk));
        } else if (rules.dcRules && dst.mono) {
            const uint32_t key = rawToBgra(src, representable(src, rules.srcBk)) & 0x00FFFFFF;
            for (int i = 0; i < count; ++i)
                table_[size_t(i)] = (rawToBgra(src, uint32_t(i)) & 0x00FFFFFF) == key ? 1 : 0;
        } else {
            for (int i = 0; i < count; ++i)
                table_[size_t(i)] = matcher_(rawToBgra(src, uint32_t(i)));
        }
        return;
    }
    if (rules.dcRules && dst.mono) {
        kind_ = Kind::ToMono;
        keyBits_ = colorBits(src);
        monoKey_ = representable(src, rules.srcBk);
        return;
    }
    // Between 24 and 32 bpp a pixel keeps its colour bytes; the alpha byte is the
    // caller's business (written 0, or dropped).
    if ((src.bpp == 24 || src.bpp == 32) && (dst.bpp == 24 || dst.bpp == 32)) {
        kind_ = Kind::TrueColour;
        return;
    }
    kind_ = Kind::Through;
}

void Converter::run(const uint32_t* in, int n, uint32_t* out) {
    switch (kind_) {
    case Kind::Identity:
        if (in != out)
            for (int i = 0; i < n; ++i) out[i] = in[i];
        return;
    case Kind::Table: {
        const uint32_t last = uint32_t(table_.size() - 1);
        for (int i = 0; i < n; ++i) out[i] = table_[in[i] & last];
        return;
    }
    case Kind::ToMono:
        for (int i = 0; i < n; ++i) out[i] = (in[i] & keyBits_) == monoKey_ ? 1 : 0;
        return;
    case Kind::TrueColour:
        for (int i = 0; i < n; ++i) out[i] = in[i] & 0x00FFFFFFu;
        return;
    case Kind::Through:
        for (int i = 0; i < n; ++i) out[i] = matcher_(rawToBgra(*src_, in[i]));
        return;
    }
}

void sourceToBgra(const Surface& src, const ColorRules& rules, const uint32_t* in, int n,
                  uint32_t* out) {
    if (rules.dcRules && src.mono) {
        const uint32_t c[2] = {colorrefToBgra(rules.dstText), colorrefToBgra(rules.dstBk)};
        for (int i = 0; i < n; ++i) out[i] = c[in[i] & 1];
        return;
    }
    rawRowToBgra(src, in, n, out);
}

// Hatch cells are anchored at the surface origin; each style is one-pixel lines.
bool hatchBit(uintptr_t hatch, int x, int y) {
    const int u = x & 7, v = y & 7;
    switch (hatch) {
    case HS_HORIZONTAL: return v == 0;
    case HS_VERTICAL: return u == 0;
    case HS_FDIAGONAL: return u == v;
    case HS_BDIAGONAL: return u + v == 7;
    case HS_CROSS: return u == 0 || v == 0;
    case HS_DIAGCROSS: return u == v || u + v == 7;
    default: return true;
    }
}

Pattern::Pattern(const LOGBRUSH& brush, const Surface& dst, COLORREF gapColor) {
    ColorMatcher m(dst);
    switch (brush.lbStyle) {
    case BS_SOLID: break;
    case BS_HATCHED:
        hatched_ = true;
        hatch_ = brush.lbHatch;
        gap_ = m(colorrefToBgra(gapColor));
        break;
    default: empty_ = true; break;
    }
    fg_ = m(colorrefToBgra(brush.lbColor));
}

void Pattern::row(int y, int x, int n, uint32_t* out) const {
    if (!hatched_) {
        for (int i = 0; i < n; ++i) out[i] = fg_;
        return;
    }
    for (int i = 0; i < n; ++i) out[i] = hatchBit(hatch_, x + i, y) ? fg_ : gap_;
}

}  // namespace gdi::detail
