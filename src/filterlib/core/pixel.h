#pragma once
// Channel arithmetic shared by every effect: halves round to even, results saturate at
// 0 and 255, and only the low 24 bits of a colour count.

#include <cmath>
#include <cstdint>

#include "platform/gdi/gdi.h"

namespace filterlib {

constexpr int red(uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int green(uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int blue(uint32_t p) { return static_cast<int>(p & 0xFF); }
constexpr uint32_t pack(int r, int g, int b) {
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

constexpr int saturate(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Nearest integer, halves to even (the default rounding mode, never changed here).
inline int64_t roundHalfEven(double v) { return std::llrint(v); }
inline int roundChannel(double v) {
    return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(std::lrint(v));
}

// n / d for d > 0, rounded to the nearest integer, halves to even.
constexpr int64_t divRound(int64_t n, int64_t d) {
    int64_t q = n / d, r = n % d;
    if (r < 0) {
        q -= 1;
        r += d;
    }
    if (2 * r > d || (2 * r == d && (q & 1))) ++q;
    return q;
}

// Luma with the weights 0.299, 0.587 and 0.114, rounded halves to even: n = 299 r + 587 g
// + 114 b over 1000 rounded up from the half, then down again where the half lies above an
// even number (n = 2000k + 500).
constexpr int lumaOfNumerator(uint32_t n) { return static_cast<int>((n + 500) / 1000 - (n % 2000 == 500)); }
constexpr int luma(int r, int g, int b) { return lumaOfNumerator(static_cast<uint32_t>(299 * r + 587 * g + 114 * b)); }
constexpr int luma(uint32_t p) { return luma(red(p), green(p), blue(p)); }

// A colour argument (0x00BBGGRR, high byte ignored) as a pixel.
constexpr uint32_t pixelOf(gdi::COLORREF c) {
    return pack(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace filterlib
