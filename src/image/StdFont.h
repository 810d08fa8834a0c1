#pragma once
// StdFont: the font description a caller hands to cImage32::DrawText_stdFont, as a plain
// record of the seven properties that text drawing reads, and the LOGFONT made from it.

#include <cstdint>
#include <string>

#include "platform/gdi/gdi.h"

// A size in points with four decimals, kept as a whole number of ten-thousandths of a
// point (12.5 points is 125000), so that points x 20 (twips) comes out exact.
struct FontSize {
    int64_t tenThousandths = 0;

    // Rounded to four decimals, halves to even; beyond +-2^53 ten-thousandths (and NaN)
    // the value is clamped there, which no font can use anyway.
    static FontSize points(double value);
    friend bool operator==(const FontSize&, const FontSize&) = default;
};

struct StdFont {
    std::u16string Name = u"MS Sans Serif";
    FontSize Size = FontSize::points(8.25);
    int16_t Weight = gdi::FW_NORMAL;  // carries bold: 700
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    int16_t Charset = 0;
};

// The LOGFONT of the font at the screen's 96 DPI: lfHeight = -(Size x 20, rounded halves
// to even) \ 15 (twips per pixel), the character height in pixels (10 points give -13);
// weight, italic, underline, strike-out and charset from the record; quality 6
// (CLEARTYPE_NATURAL_QUALITY); the face at most the first 31 UTF-16 units of Name (a
// surrogate pair is not split). Everything else 0. Raises Overflow (6) when the size in
// twips has no 32-bit value or Charset does not fit in a byte.
gdi::LOGFONTW LogFontOf(const StdFont& font);
