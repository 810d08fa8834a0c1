// Stretching blits.
//
// COLORONCOLOR (and BLACKONWHITE / WHITEONBLACK between colour surfaces): destination
// pixel i of a span of D pixels takes source pixel floor((i + 1/2) * S / D), in integers
// floor((2i + 1) * S / (2D)); a mirrored span reflects the source index (S - 1 - j).
//
// BLACKONWHITE / WHITEONBLACK from one monochrome surface to another, when shrinking,
// AND (keep black) or OR (keep white) together every source pixel of the block that
// [i * S / D, (i + 1) * S / D) covers.
//
// HALFTONE, per axis and separably: shrinking weighs each source pixel by the length of
// its overlap with the destination pixel's footprint (area averaging); enlarging
// interpolates linearly between the two source pixels around the destination pixel's
// centre (bilinear), clamped at the edges. Weights are integers summing to 2^14 per axis
// and the result is rounded once, so the output is the same on every machine.
//
// Destination pixels whose nearest source pixel lies outside the source surface are not
// drawn in any mode; HALFTONE taps stay within the source surface.

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/gdi/blit.h"
#include "platform/gdi/division.h"

namespace gdi::detail {

namespace {

struct Axis {
    int64_t dstStart = 0;  // first destination coordinate of the logical span
    int64_t dstLen = 0;
    int64_t srcStart = 0;
    int64_t srcLen = 0;
    bool mirror = false;
    // Logical indices [first, last) that land inside the destination surface with their
    // nearest source pixel inside the source surface.
    int64_t first = 0, last = 0;
    int64_t srcLo = 0, srcHi = 0;  // source indices inside the source surface: [srcLo, srcHi)
};

bool makeAxis(int64_t dPos, int64_t dExt, int64_t sPos, int64_t sExt, int dstSize, int srcSize,
              Axis& a) {
    a.dstStart = dExt < 0 ? dPos + dExt : dPos;
    a.dstLen = dExt < 0 ? -dExt : dExt;
    a.srcStart = sExt < 0 ? sPos + sExt : sPos;
    a.srcLen = sExt < 0 ? -sExt : sExt;
    a.mirror = (dExt < 0) != (sExt < 0);
    if (a.dstLen == 0 || a.srcLen == 0) return false;
    a.srcLo = std::max<int64_t>(0, -a.srcStart);
    a.srcHi = std::min<int64_t>(a.srcLen, srcSize - a.srcStart);
    if (a.srcLo >= a.srcHi) return false;
    const int64_t lo = std::max<int64_t>(0, -a.dstStart);
    const int64_t hi = std::min<int64_t>(a.dstLen, dstSize - a.dstStart);
    if (lo >= hi) return false;
    // The nearest index is monotonic in i, so the valid indices form one run.
    a.first = -1;
    for (int64_t i = lo; i < hi; ++i) {
        const int64_t j = nearestSource(i, a.srcLen, a.dstLen, a.mirror);
        const bool inside = j >= a.srcLo && j < a.srcHi;
        if (inside && a.first < 0) a.first = i;
        if (!inside && a.first >= 0) {
            a.last = i;
            return true;
        }
    }
    if (a.first < 0) return false;
    a.last = hi;
    return true;
}

// Source block of destination index i when shrinking, within the source surface.
void block(const Axis& a, int64_t i, int64_t& from, int64_t& to) {
    if (a.srcLen <= a.dstLen) {
        from = nearestSource(i, a.srcLen, a.dstLen, a.mirror);
        to = from + 1;
        return;
    }
    int64_t b0 = int64_t(__int128(i) * a.srcLen / a.dstLen);
    int64_t b1 = int64_t(__int128(i + 1) * a.srcLen / a.dstLen);
    if (b1 <= b0) b1 = b0 + 1;
    if (a.mirror) {
        const int64_t t = a.srcLen - b1;
        b1 = a.srcLen - b0;
        b0 = t;
    }
    from = std::max(b0, a.srcLo);
    to = std::min(b1, a.srcHi);
}

struct Tap {
    int64_t index;  // source index relative to the span start
    uint32_t weight;
};
constexpr int kWeightBits = 14;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// HALFTONE taps of destination index i.
void halftoneTaps(const Axis& a, int64_t i, std::vector<Tap>& taps) {
    taps.clear();
    const int64_t S = a.srcLen, D = a.dstLen;
    // Taps are worked out unmirrored and then reflected, which reflects the footprint.
    int64_t lo = a.srcLo, hi = a.srcHi;
    if (a.mirror) {
        lo = S - a.srcHi;
        hi = S - a.srcLo;
    }
    if (S > D) {
        // Footprint [i*S, (i+1)*S) against pixel j = [j*D, (j+1)*D), in units of 1/D.
        const __int128 f0 = __int128(i) * S, f1 = __int128(i + 1) * S;
        const int64_t j0 = std::max<int64_t>(int64_t(f0 / D), lo);
        const int64_t j1 = std::min<int64_t>(int64_t((f1 + D - 1) / D), hi);
        std::vector<int64_t> lengths;
        int64_t total = 0;
        for (int64_t j = j0; j < j1; ++j) {
            const __int128 p0 = std::max<__int128>(__int128(j) * D, f0);
            const __int128 p1 = std::min<__int128>(__int128(j + 1) * D, f1);
            const int64_t len = int64_t(p1 - p0);
            lengths.push_back(len);
            total += len;
        }
        // Cumulative rounding makes the weights sum to exactly kWeightOne.
        int64_t cum = 0;
        uint32_t given = 0;
        for (size_t k = 0; k < lengths.size(); ++k) {
            cum += lengths[k];
            const uint32_t upTo = uint32_t((__int128(cum) * kWeightOne + total / 2) / total);
            if (upTo > given) taps.push_back({j0 + int64_t(k), upTo - given});
            given = upTo;
        }
    } else {
        // Centre of destination pixel i in source pixel units, minus 1/2 so that source
        // pixel centres sit on integers: ((2i + 1) * S - D) / (2D).
        const __int128 num = __int128(2 * i + 1) * S - D, den = __int128(2) * D;
        const int64_t j0 = int64_t(floorDiv(num, den));
        const __int128 rem = num - __int128(j0) * den;
        const uint32_t f = uint32_t((rem * (2 * kWeightOne) + den) / (2 * den));
        const int64_t a0 = std::clamp<int64_t>(j0, lo, hi - 1);
        const int64_t a1 = std::clamp<int64_t>(j0 + 1, lo, hi - 1);
        if (a0 == a1 || f == 0) {
            taps.push_back({f == kWeightOne ? a1 : a0, kWeightOne});
        } else {
            taps.push_back({a0, kWeightOne - f});
            taps.push_back({a1, f});
        }
    }
    if (a.mirror)
        for (Tap& t : taps) t.index = S - 1 - t.index;
}

// A private copy of the source bitmap, for stretching within one bitmap.
struct SourceCopy {
    Surface surface;
    std::vector<uint8_t> memory;
};

void copySurface(const Surface& src, SourceCopy& c) {
    const size_t bytes = size_t(src.stride) * size_t(src.height);
    c.memory.assign(src.base, src.base + bytes);
    c.surface = src;
    c.surface.base = c.memory.data();
    c.surface.top = c.memory.data() + (src.top - src.base);
}

}  // namespace

bool blitStretched(const BlitRequest& r) {
    Surface& dst = *r.dst;
    const Surface* src = r.src;
    const uint8_t code = ropCode(r.rop);
    const bool usesP = ropUsesPattern(code), usesD = ropUsesDest(code);

    Axis ax, ay;
    if (!makeAxis(r.xDst, r.wDst, r.xSrc, r.wSrc, dst.width, src->width, ax)) return true;
    if (!makeAxis(r.yDst, r.hDst, r.ySrc, r.hSrc, dst.height, src->height, ay)) return true;

    const bool halftone = r.stretchMode == HALFTONE && !dst.mono;
    const bool blockMode = (r.stretchMode == BLACKONWHITE || r.stretchMode == WHITEONBLACK) &&
                           dst.mono && src->mono && r.rules.dcRules &&
                           (ax.srcLen > ax.dstLen || ay.srcLen > ay.dstLen);

    // Source columns that any tap may read.
    const int64_t sx0 = ax.srcStart + ax.srcLo, sx1 = ax.srcStart + ax.srcHi;
    SourceCopy copy;
    if (src->base == dst.base) {
        copySurface(*src, copy);
        src = &copy.surface;
    }

    std::optional<Pattern> pattern;
    if (usesP) {
        pattern.emplace(r.brush ? *r.brush : LOGBRUSH{BS_SOLID, 0, 0}, dst, r.rules.dstBk);
        if (pattern->empty()) return true;
    }

    const int n = int(ax.last - ax.first);
    const int spanW = int(sx1 - sx0);
    const bool keepAlpha = src->bpp == 32 && dst.bpp == 32;
    const uint32_t mask = resultMask(dst, keepAlpha);
    Converter conv(*src, dst, r.rules);
    ColorMatcher matcher(dst);

    std::vector<int64_t> mapX(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        mapX[size_t(k)] = nearestSource(ax.first + k, ax.srcLen, ax.dstLen, ax.mirror) +
                          ax.srcStart - sx0;

    std::vector<std::vector<Tap>> tapsX;
    if (halftone) {
        tapsX.resize(size_t(n));
        for (int k = 0; k < n; ++k) {
            halftoneTaps(ax, ax.first + k, tapsX[size_t(k)]);
            for (Tap& t : tapsX[size_t(k)]) t.index += ax.srcStart - sx0;
        }
    }

    std::vector<uint32_t> srow(static_cast<size_t>(spanW)), sbuf(static_cast<size_t>(n)), dbuf(static_cast<size_t>(n)),
        pbuf(usesP ? size_t(n) : 0), bgra(halftone ? size_t(spanW) : 0),
        acc(halftone ? size_t(spanW) * 4 : 0);
    std::vector<Tap> tapsY;
    int64_t cachedRow = -1;

    for (int64_t iy = ay.first; iy < ay.last; ++iy) {
        const int dy = int(ay.dstStart + iy);
        if (halftone) {
            halftoneTaps(ay, iy, tapsY);
            std::fill(acc.begin(), acc.end(), 0u);
            for (const Tap& t : tapsY) {
                readRaw(*src, int(ay.srcStart + t.index), int(sx0), spanW, srow.data());
                sourceToBgra(*src, r.rules, srow.data(), spanW, bgra.data());
                for (int c = 0; c < spanW; ++c) {
                    const uint32_t v = bgra[size_t(c)];
                    uint32_t* a = &acc[size_t(c) * 4];
                    a[0] += t.weight * (v & 0xFF);
                    a[1] += t.weight * ((v >> 8) & 0xFF);
                    a[2] += t.weight * ((v >> 16) & 0xFF);
                    a[3] += t.weight * (v >> 24);
                }
            }
            for (int k = 0; k < n; ++k) {
                uint64_t sum[4] = {0, 0, 0, 0};
                for (const Tap& t : tapsX[size_t(k)]) {
                    const uint32_t* a = &acc[size_t(t.index) * 4];
                    for (int c = 0; c < 4; ++c) sum[c] += uint64_t(t.weight) * a[c];
                }
                uint32_t v = 0;
                for (int c = 0; c < 4; ++c)
                    v |= uint32_t((sum[c] + (uint64_t{1} << (2 * kWeightBits - 1))) >>
                                  (2 * kWeightBits))
                         << (8 * c);
                sbuf[size_t(k)] = matcher(v);
            }
        } else if (blockMode) {
            const bool keepBlack = r.stretchMode == BLACKONWHITE;
            std::fill(sbuf.begin(), sbuf.end(), keepBlack ? 1u : 0u);
            int64_t by0, by1;
            block(ay, iy, by0, by1);
            for (int64_t by = by0; by < by1; ++by) {
                readRaw(*src, int(ay.srcStart + by), int(sx0), spanW, srow.data());
                for (int k = 0; k < n; ++k) {
                    int64_t bx0, bx1;
                    block(ax, ax.first + k, bx0, bx1);
                    for (int64_t bx = bx0; bx < bx1; ++bx) {
                        const uint32_t v = srow[size_t(ax.srcStart + bx - sx0)];
                        sbuf[size_t(k)] = keepBlack ? (sbuf[size_t(k)] & v) : (sbuf[size_t(k)] | v);
                    }
                }
            }
        } else {
            const int64_t sy = nearestSource(iy, ay.srcLen, ay.dstLen, ay.mirror) + ay.srcStart;
            if (sy != cachedRow) {
                readRaw(*src, int(sy), int(sx0), spanW, srow.data());
                cachedRow = sy;
            }
            for (int k = 0; k < n; ++k) sbuf[size_t(k)] = srow[size_t(mapX[size_t(k)])];
            conv.run(sbuf.data(), n, sbuf.data());
        }
        const int x = int(ax.dstStart + ax.first);
        if (usesD) readRaw(dst, dy, x, n, dbuf.data());
        if (usesP) pattern->row(dy, x, n, pbuf.data());
        combineRow(code, dbuf.data(), sbuf.data(), usesP ? pbuf.data() : nullptr, n, mask);
        writeRaw(dst, dy, x, n, dbuf.data());
    }
    return true;
}

}  // namespace gdi::detail
