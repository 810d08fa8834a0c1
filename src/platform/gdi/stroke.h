#pragma once
// Pen strokes: one-pixel lines (solid or dashed) and wide lines, each pixel combined
// with the destination by the DC's draw mode. A stroke never changes the alpha byte of
// a 32-bpp surface, unless the ink clears it (metafile playback).

#include <cstdint>
#include <vector>

#include "platform/gdi/clip.h"
#include "platform/gdi/division.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace gdi::detail {

// Widest pen drawn as such; wider pens are drawn at this width.
constexpr int kMaxPenWidth = 4096;

// Dash patterns of one-pixel styled pens, in pixels, starting with a dash:
// PS_DASH 18 on 6 off; PS_DOT 3 on 3 off; PS_DASHDOT 9 on 6 off 3 on 6 off;
// PS_DASHDOTDOT 9 on 3 off 3 on 3 off 3 on 3 off.
int dashLength(UINT style);
bool dashOn(UINT style, int position);

struct Ink {
    int mode = R2_COPYPEN;
    uint32_t pen = 0;   // raw value of the pen colour
    uint32_t gap = 0;   // raw value of the background colour, for dash gaps
    bool paintGaps = false;
    uint32_t colorBits = 0;
    uint32_t clearBits = 0;           // bits written 0 (the alpha byte, for playback)
    const Clip* clip = nullptr;  // pixels outside it are left alone
};

struct Dc;
// The ink of a pen or brush colour on a DC: its draw mode, background, clip and alpha
// rule.
Ink inkFor(const Dc& dc, const Surface& s, COLORREF color);

void plot(Surface& s, int64_t x, int64_t y, uint32_t raw, const Ink& ink);

// Calls visit(x, y, k) for the pixels k = 0 .. n-1 of the line from a towards b, the end
// point excluded, that lie within [-margin, size + margin) on both axes. Returns n.
//
// The pixels are those nearest to the ideal line, with the tie (the line passing exactly
// half-way between two pixels) going to the smaller minor coordinate in absolute terms.
// That rule does not depend on the direction, so a -> b and b -> a light the same pixels.
template <class Visit>
int64_t walkLine(POINT a, POINT b, int width, int height, int64_t margin, Visit visit);

// One-pixel line from a to b (end excluded) with the pen's dash pattern starting at
// `phase`; returns the phase after the line.
int thinLine(Surface& s, POINT a, POINT b, UINT style, int phase, const Ink& ink);

// Wide pen along the segments a[0] -> a[1] -> ... (each end excluded, the last one too):
// a round brush of the pen's width swept along each segment's pixels; the union of all
// segments is drawn once, so XOR-like modes do not cancel where segments meet.
void wideStroke(Surface& s, const std::vector<POINT>& points, int width, const Ink& ink);

// Rows covered by a brush of this width relative to its centre pixel: [lo, hi].
inline int brushLo(int width) { return -(width / 2); }
inline int brushHi(int width) { return (width - 1) / 2; }

// ---- template implementation --------------------------------------------------------
template <class Visit>
int64_t walkLine(POINT a, POINT b, int width, int height, int64_t margin, Visit visit) {
    const int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    const int64_t M = dMajor < 0 ? -dMajor : dMajor, A = dMinor < 0 ? -dMinor : dMinor;
    if (M == 0) return 0;
    const int64_t sMajor = dMajor < 0 ? -1 : 1, sMinor = dMinor < 0 ? -1 : 1;
    const int64_t c0 = xMajor ? a.x : a.y, m0 = xMajor ? a.y : a.x;
    const int64_t size = xMajor ? width : height;
    const int64_t lo = -margin, hi = size + margin;  // major coordinate range [lo, hi)
    int64_t k0, k1;                                   // k range [k0, k1)
    if (sMajor > 0) {
        k0 = std::max<int64_t>(0, lo - c0);
        k1 = std::min<int64_t>(M, hi - c0);
    } else {
        k0 = std::max<int64_t>(0, c0 - hi + 1);
        k1 = std::min<int64_t>(M, c0 - lo + 1);
    }
    if (k0 >= k1) return M;
    // m(k) = floor((2kA + M - t) / 2M); t = 1 keeps ties on the smaller absolute minor
    // coordinate when the minor coordinate grows, t = 0 when it shrinks.
    const int64_t t = sMinor > 0 ? 1 : 0;
    {
        // The pixels whose minor coordinate lies in range have m(k) in [p, q): since m(k)
        // never falls as k grows, they are a range of k as well.
        const int64_t minorSize = xMajor ? height : width;
        const int64_t p = sMinor > 0 ? -margin - m0 : m0 - (minorSize + margin) + 1;
        const int64_t q = sMinor > 0 ? minorSize + margin - m0 : m0 + margin + 1;
        if (q <= 0 || q <= p) return M;
        if (A == 0) {
            if (p > 0) return M;  // m(k) is 0 throughout
        } else {
            // m(k) >= p  <=>  k >= (2Mp - M + t) / 2A;  m(k) < q  <=>  k < (2Mq - M + t) / 2A.
            const __int128 twoA = __int128(2) * A, twoM = __int128(2) * M;
            if (p > 0) k0 = std::max<int64_t>(k0, int64_t(std::min<__int128>(ceilDiv(twoM * p - M + t, twoA), k1)));
            k1 = std::min<int64_t>(k1, int64_t(std::max<__int128>(ceilDiv(twoM * q - M + t, twoA), k0)));
            if (k0 >= k1) return M;
        }
    }
    const __int128 num = __int128(2) * k0 * A + M - t;
    int64_t m = int64_t(num / (2 * M));
    int64_t r = int64_t(num % (2 * M));
    for (int64_t k = k0; k < k1; ++k) {
        const int64_t c = c0 + sMajor * k, mm = m0 + sMinor * m;
        if (xMajor) visit(c, mm, k);
        else visit(mm, c, k);
        r += 2 * A;
        if (r >= 2 * M) {
            r -= 2 * M;
            ++m;
        }
    }
    return M;
}

}  // namespace gdi::detail
