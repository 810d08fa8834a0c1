// AlphaBlend: the hot path of the image class, so the 32-bpp row kernel works on four
// pixels at a time with SSE2 where the compiler targets it (every x86-64), and the
// scalar loop gives the same bytes elsewhere and for the tail of a row.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/blend_math.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/objects.h"
#include "platform/sys/row_bands.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gdi {

namespace detail {

namespace {

inline uint32_t blendScalar(uint32_t d, uint32_t s, uint32_t sca, bool sourceAlpha) {
    uint32_t out = 0;
    if (!sourceAlpha) {
        for (int c = 0; c < 32; c += 8) {
            const uint32_t sc = (s >> c) & 0xFF, dc = (d >> c) & 0xFF;
            out |= std::min<uint32_t>(255, div255(sc * sca) + div255(dc * (255 - sca))) << c;
        }
        return out;
    }
    const uint32_t a = sca == 255 ? (s >> 24) : div255((s >> 24) * sca);
    for (int c = 0; c < 32; c += 8) {
        const uint32_t sc = sca == 255 ? (s >> c) & 0xFF : div255(((s >> c) & 0xFF) * sca);
        const uint32_t dc = (d >> c) & 0xFF;
        out |= std::min<uint32_t>(255, sc + div255(dc * (255 - a))) << c;
    }
    return out;
}

#if defined(__SSE2__)
inline __m128i div255x8(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// Bytes of v times the 16-bit factors (one per byte lane after unpacking), / 255.
inline __m128i scaleBytes(__m128i v, __m128i factorLo, __m128i factorHi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = div255x8(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), factorLo));
    const __m128i hi = div255x8(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), factorHi));
    return _mm_packus_epi16(lo, hi);
}
#endif

}  // namespace

void blendRow(uint32_t* d, const uint32_t* s, int n, uint8_t sca, bool sourceAlpha) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i k255 = _mm_set1_epi16(255);
    const __m128i scaV = _mm_set1_epi16(sca);
    const __m128i invScaV = _mm_set1_epi16(short(255 - sca));
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= n; i += 4) {
        __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i out;
        if (!sourceAlpha) {
            out = _mm_adds_epu8(scaleBytes(sv, scaV, scaV), scaleBytes(dv, invScaV, invScaV));
        } else {
            if (sca == 255) {
                const __m128i a = _mm_and_si128(sv, alphaMask);
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, alphaMask)) == 0xFFFF) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), sv);  // opaque: a copy
                    continue;
                }
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(sv, _mm_setzero_si128())) == 0xFFFF)
                    continue;  // fully transparent black leaves d as it is
            } else {
                sv = scaleBytes(sv, scaV, scaV);
            }
            // 255 - alpha of each pixel, spread over its four 16-bit lanes.
            __m128i a = _mm_srli_epi32(sv, 24);
            a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
            const __m128i invLo = _mm_sub_epi16(k255, _mm_unpacklo_epi32(a, a));
            const __m128i invHi = _mm_sub_epi16(k255, _mm_unpackhi_epi32(a, a));
            out = _mm_adds_epu8(sv, scaleBytes(dv, invLo, invHi));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
    }
#endif
    for (; i < n; ++i) d[i] = blendScalar(d[i], s[i], sca, sourceAlpha);
}

void mixRowByCoverage(uint32_t* d, const uint8_t* coverage, int n, uint32_t color) {
    color &= 0x00FFFFFF;
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255);
    const __m128i colorWords = _mm_unpacklo_epi8(_mm_set1_epi32(int(color)), zero);
    const __m128i colorBytes = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4) {
        uint32_t four;
        std::memcpy(&four, coverage + i, 4);
        if (four == 0) continue;  // between glyphs
        // Each pixel's coverage in all four of its byte lanes.
        __m128i k = _mm_cvtsi32_si128(int(four));
        k = _mm_unpacklo_epi8(k, k);
        k = _mm_unpacklo_epi16(k, k);
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i kLo = _mm_unpacklo_epi8(k, zero), kHi = _mm_unpackhi_epi8(k, zero);
        // color x k + old x (255 - k) <= 255 x 255 fits in 16 bits.
        const __m128i lo = div255x8(_mm_add_epi16(_mm_mullo_epi16(colorWords, kLo),
                                                  _mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), _mm_sub_epi16(k255, kLo))));
        const __m128i hi = div255x8(_mm_add_epi16(_mm_mullo_epi16(colorWords, kHi),
                                                  _mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), _mm_sub_epi16(k255, kHi))));
        const __m128i mixed = _mm_and_si128(_mm_packus_epi16(lo, hi), colorBytes);
        const __m128i untouched = _mm_cmpeq_epi32(k, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(untouched, dv), _mm_andnot_si128(untouched, mixed)));
    }
#endif
    for (; i < n; ++i)
        if (coverage[i]) d[i] = mixByCoverage(color, d[i], coverage[i]);
}

}  // namespace detail

using namespace detail;

namespace {
uint64_t g_alphaBlendCalls = 0;
}  // namespace

namespace testing {
uint64_t alphaBlendCalls() { return g_alphaBlendCalls; }
}  // namespace testing

BOOL AlphaBlend(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src, int xSrc,
                int ySrc, int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    ++g_alphaBlendCalls;
    Dc* dd = registry().get<Dc>(dest);
    Dc* sd = registry().get<Dc>(src);
    if (!dd || !sd || blend.BlendOp != AC_SRC_OVER || blend.BlendFlags != 0 ||
        (blend.AlphaFormat & ~AC_SRC_ALPHA) != 0)
        return FALSE;
    if (destWidth < 0 || destHeight < 0 || srcWidth < 0 || srcHeight < 0) return FALSE;
    const Surface* source = dcSurface(*sd);
    if (!source) return FALSE;
    if (xSrc < 0 || ySrc < 0 || int64_t{xSrc} + srcWidth > source->width ||
        int64_t{ySrc} + srcHeight > source->height)
        return FALSE;
    const bool sourceAlpha = blend.AlphaFormat & AC_SRC_ALPHA;
    if (sourceAlpha && source->bpp != 32) return FALSE;
    Surface* dst = dcSurface(*dd);
    if (!dst || destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return TRUE;

    const int64_t x0 = std::max<int64_t>(xDest, 0), x1 = std::min<int64_t>(int64_t{xDest} + destWidth, dst->width);
    const int64_t y0 = std::max<int64_t>(yDest, 0), y1 = std::min<int64_t>(int64_t{yDest} + destHeight, dst->height);
    if (x0 >= x1 || y0 >= y1) return TRUE;
    const int n = int(x1 - x0);

    // Within one bitmap the source is read from a copy, so no pixel is read after it
    // has been blended.
    std::vector<uint8_t> copy;
    Surface sourceCopy;
    if (source->base == dst->base) {
        copy.assign(source->base, source->base + size_t(source->stride) * size_t(source->height));
        sourceCopy = *source;
        sourceCopy.base = copy.data();
        sourceCopy.top = copy.data() + (source->top - source->base);
        source = &sourceCopy;
    }

    const bool sameWidth = srcWidth == destWidth;
    const bool direct = source->bpp == 32 && sameWidth;
    std::vector<int> mapX;
    if (!sameWidth) {
        mapX.resize(size_t(n));
        for (int k = 0; k < n; ++k)
            mapX[size_t(k)] = int(nearestSource(x0 + k - xDest, srcWidth, destWidth, false));
    }
    // Every row is blended from its own source row alone, so bands of rows run side by side
    // on several threads, each with its own row buffers; only pixels are touched there.
    const auto blendRows = [&](int64_t first, int64_t count) {
        std::vector<uint32_t> srow(direct ? 0 : static_cast<size_t>(srcWidth)),
            sbuf(direct ? 0 : static_cast<size_t>(n)), dbuf(dst->bpp == 32 ? 0 : size_t(n));
        ColorMatcher match(*dst);
        for (int64_t y = y0 + first; y < y0 + first + count; ++y) {
            const int sy = ySrc + int(srcHeight == destHeight
                                          ? y - yDest
                                          : nearestSource(y - yDest, srcHeight, destHeight, false));
            const uint32_t* s;
            if (direct) {
                s = reinterpret_cast<const uint32_t*>(source->row(sy)) + xSrc + (x0 - xDest);
            } else {
                readRaw(*source, sy, xSrc, srcWidth, srow.data());
                rawRowToBgra(*source, srow.data(), srcWidth, srow.data());
                for (int k = 0; k < n; ++k)
                    sbuf[size_t(k)] = srow[size_t(sameWidth ? x0 - xDest + k : mapX[size_t(k)])];
                s = sbuf.data();
            }
            if (dst->bpp == 32) {
                blendRow(reinterpret_cast<uint32_t*>(dst->row(int(y))) + x0, s, n, blend.SourceConstantAlpha,
                         sourceAlpha);
                continue;
            }
            readRaw(*dst, int(y), int(x0), n, dbuf.data());
            rawRowToBgra(*dst, dbuf.data(), n, dbuf.data());
            blendRow(dbuf.data(), s, n, blend.SourceConstantAlpha, sourceAlpha);
            for (int k = 0; k < n; ++k) dbuf[size_t(k)] = match(dbuf[size_t(k)] & 0x00FFFFFF);
            writeRaw(*dst, int(y), int(x0), n, dbuf.data());
        }
    };
    sys::forEachRowBand(y1 - y0, sys::minimumBandRows(n), blendRows);
    return TRUE;
}

}  // namespace gdi
