#pragma once
// Row operations shared by every blit: converting source pixels into the destination's
// format, brush patterns, and the binary (ROP2) and ternary (ROP3) raster operations.

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace gdi::detail {

// The 8-bit truth table of a ternary raster operation: bit (P << 2 | S << 1 | D).
constexpr uint8_t ropCode(DWORD rop) { return uint8_t(rop >> 16); }
constexpr bool ropUsesSource(uint8_t code) { return ((code >> 2) ^ code) & 0x33; }
constexpr bool ropUsesPattern(uint8_t code) { return ((code >> 4) ^ code) & 0x0F; }
constexpr bool ropUsesDest(uint8_t code) { return ((code >> 1) ^ code) & 0x55; }

// Draw modes R2_BLACK (1) .. R2_WHITE (16): mode - 1 is the truth table indexed by
// (pen << 1 | destination).
constexpr uint32_t rop2(int mode, uint32_t p, uint32_t d) {
    const unsigned t = unsigned(mode - 1) & 15;
    uint32_t r = 0;
    if (t & 1) r |= ~p & ~d;
    if (t & 2) r |= ~p & d;
    if (t & 4) r |= p & ~d;
    if (t & 8) r |= p & d;
    return r;
}

// d = rop(p, s, d) & mask for n pixels; s or p may be null when the code ignores them.
void combineRow(uint8_t code, uint32_t* d, const uint32_t* s, const uint32_t* p, int n,
                uint32_t mask);

// Bits of the result a blit stores: on 32 bpp the alpha byte takes part only when
// a 32-bpp source does, and is written 0 otherwise.
uint32_t resultMask(const Surface& dst, bool keepAlpha);

// The colours that monochrome conversions use. Off (dcRules = false) for DIB memory
// and GetDIBits/SetDIBits, whose colour tables speak for themselves.
struct ColorRules {
    bool dcRules = false;
    COLORREF srcBk = RGB(255, 255, 255);  // source DC: colour that becomes white
    COLORREF dstText = RGB(0, 0, 0);      // destination DC: colour of 0 bits
    COLORREF dstBk = RGB(255, 255, 255);  // destination DC: colour of 1 bits
};

// Source raw pixels to destination raw pixels.
class Converter {
public:
    Converter(const Surface& src, const Surface& dst, const ColorRules& rules);
    bool identity() const { return kind_ == Kind::Identity; }
    // Between 24 and 32 bpp: the colour bytes kept.
    bool trueColour() const { return kind_ == Kind::TrueColour; }
    void run(const uint32_t* in, int n, uint32_t* out);  // in == out is fine

private:
    enum class Kind { Identity, Table, ToMono, TrueColour, Through };
    Kind kind_ = Kind::Through;
    const Surface* src_;
    std::vector<uint32_t> table_;
    uint32_t monoKey_ = 0;
    uint32_t keyBits_ = 0;
    ColorMatcher matcher_;
};

// Source raw pixels as BGRA, monochrome sources through the destination DC's colours.
void sourceToBgra(const Surface& src, const ColorRules& rules, const uint32_t* in, int n,
                  uint32_t* out);

// 8x8 hatch cell: true where the hatch line runs.
bool hatchBit(uintptr_t hatch, int x, int y);

// One row of a brush in the destination's raw format; hatch gaps take `gapRaw`.
class Pattern {
public:
    Pattern(const LOGBRUSH& brush, const Surface& dst, COLORREF gapColor);
    bool empty() const { return empty_; }
    bool hatched() const { return hatched_; }
    void row(int y, int x, int n, uint32_t* out) const;
    // For hatch brushes: whether a pixel lies on the hatch line.
    bool on(int x, int y) const { return !hatched_ || hatchBit(hatch_, x, y); }

private:
    bool empty_ = false;
    bool hatched_ = false;
    uintptr_t hatch_ = 0;
    uint32_t fg_ = 0;
    uint32_t gap_ = 0;
};

}  // namespace gdi::detail
