#include "platform/gdi/blit.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/gdi/objects.h"
#include "platform/sys/row_bands.h"

namespace gdi {

namespace detail {

int64_t nearestSource(int64_t i, int64_t src, int64_t dst, bool mirror) {
    const int64_t j = int64_t((__int128(2 * i + 1) * src) / (__int128(2) * dst));
    return mirror ? src - 1 - j : j;
}

bool blit(const BlitRequest& r) {
    if (!r.dst) return false;
    const uint8_t code = ropCode(r.rop);
    if (ropUsesSource(code)) {
        if (!r.src) return false;
        if (r.wDst != r.wSrc || r.hDst != r.hSrc || r.wDst < 0 || r.hDst < 0)
            return blitStretched(r);
    }
    BlitRequest same = r;
    if (same.wDst < 0) {
        same.xDst += same.wDst;
        same.wDst = -same.wDst;
    }
    if (same.hDst < 0) {
        same.yDst += same.hDst;
        same.hDst = -same.hDst;
    }
    return blitSameSize(same);
}

namespace {

// n pixels from a 24- or 32-bpp row to one of the other depth: blue, green, red kept, a
// 32-bpp destination's alpha byte 0. Four-byte moves overlap the next pixel, which is
// written after, so each row's last pixel is moved byte by byte.
#if defined(__x86_64__)
// Four pixels at a time with SSSE3 shuffles, exactly 12 bytes of the 24-bpp side read or
// written; the count done.
__attribute__((target("ssse3"))) int copyColourBytesByFour(const uint8_t* s, int sourceBytes, uint8_t* d, int n) {
    int i = 0;
    if (sourceBytes == 4) {
        const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
        for (; i + 4 <= n; i += 4, s += 16, d += 12) {
            const __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), narrow);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v);
            const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
            std::memcpy(d + 8, &last, 4);
        }
    } else {
        const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
        for (; i + 4 <= n; i += 4, s += 12, d += 16) {
            int32_t last;
            std::memcpy(&last, s + 8, 4);
            const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)), _mm_cvtsi32_si128(last));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(v, widen));
        }
    }
    return i;
}

// Sixteen pixels at a time with AVX2 while at least three more follow, each eight through
// `convert` from one 32-byte read to one 32-byte write: the 24-bpp side's eight bytes past
// the eight pixels are read but not used, or written with bytes written again after; the
// count done.
template <int SourceBytes, class Convert>
__attribute__((target("avx2"), always_inline)) inline int moveBySixteen(const uint8_t* s, uint8_t* d, int n,
                                                                         Convert convert) {
    constexpr int kDestinationBytes = 7 - SourceBytes;
    int i = 0;
    for (; i + 19 <= n; i += 16, s += 16 * SourceBytes, d += 16 * kDestinationBytes)
        for (int half = 0; half < 2; ++half)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + half * 8 * kDestinationBytes),
                                convert(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + half * 8 * SourceBytes))));
    return i;
}

__attribute__((target("avx2"))) int copyColourBytesBySixteen(const uint8_t* s, int sourceBytes, uint8_t* d, int n) {
    if (sourceBytes == 4) {
        // Each lane's four pixels to its low 12 bytes, then the two lanes' 12 bytes side by side.
        const __m256i narrow = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6,
                                                8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
        const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
        return moveBySixteen<4>(s, d, n, [&](__m256i v) __attribute__((target("avx2"))) {
            return _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, narrow), join);
        });
    }
    // Bytes 0-11 to the low lane and 12-23 to the high one, each widened to four pixels.
    const __m256i split = _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0);
    const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4, 5,
                                           -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return moveBySixteen<3>(s, d, n, [&](__m256i v) __attribute__((target("avx2"))) {
        return _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(v, split), widen);
    });
}

const bool kHasSsse3 = __builtin_cpu_supports("ssse3");
const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

void copyColourBytes(const uint8_t* s, int sourceBytes, uint8_t* d, int destinationBytes, int n) {
#if defined(__x86_64__)
    if (kHasAvx2) {
        const int done = copyColourBytesBySixteen(s, sourceBytes, d, n);
        s += done * sourceBytes, d += done * destinationBytes, n -= done;
    }
    if (kHasSsse3) {
        const int done = copyColourBytesByFour(s, sourceBytes, d, n);
        s += done * sourceBytes, d += done * destinationBytes, n -= done;
    }
#endif
    for (int i = 0; i + 1 < n; ++i, s += sourceBytes, d += destinationBytes) {
        uint32_t v;
        std::memcpy(&v, s, 4);
        if (destinationBytes == 4) v &= 0x00FFFFFFu;
        std::memcpy(d, &v, 4);
    }
    if (n < 1) return;
    std::memcpy(d, s, 3);
    if (destinationBytes == 4) d[3] = 0;
}

}  // namespace

bool blitSameSize(const BlitRequest& r) {
    Surface& dst = *r.dst;
    const uint8_t code = ropCode(r.rop);
    const bool usesS = ropUsesSource(code), usesP = ropUsesPattern(code),
               usesD = ropUsesDest(code);
    const Surface* src = usesS ? r.src : nullptr;
    if (usesS && !src) return false;

    int64_t x = r.xDst, y = r.yDst, w = r.wDst, h = r.hDst, sx = r.xSrc, sy = r.ySrc;
    auto clip = [](int64_t& pos, int64_t& other, int64_t& len, int64_t limit) {
        if (pos < 0) {
            other -= pos;
            len += pos;
            pos = 0;
        }
        len = std::min(len, limit - pos);
    };
    clip(x, sx, w, dst.width);
    clip(y, sy, h, dst.height);
    if (src) {
        clip(sx, x, w, src->width);
        clip(sy, y, h, src->height);
    }
    if (w <= 0 || h <= 0) return true;

    std::optional<Pattern> pattern;
    if (usesP) {
        pattern.emplace(r.brush ? *r.brush : LOGBRUSH{BS_SOLID, 0, 0}, dst, r.rules.dstBk);
        if (pattern->empty()) return true;  // a hollow brush paints nothing
    }

    const int n = int(w);
    const bool keepAlpha = src && src->bpp == 32 && dst.bpp == 32;
    const uint32_t mask = resultMask(dst, keepAlpha);
    std::optional<Converter> conv;
    if (src) conv.emplace(*src, dst, r.rules);

    // Whole-byte pixels of one format under SRCCOPY move as bytes.
    const bool byteCopy = code == 0xCC && conv->identity() && dst.bpp >= 8;
    const int bytesPerPixel = dst.bpp / 8;

    // Within one bitmap, rows are taken in the order that never reads a row already
    // written, and each source row is copied out before its destination row is written.
    const bool sameMemory = src && src->base == dst.base;
    const bool upward = sameMemory && sy < y;

    // SRCCOPY between 24 and 32 bpp moves the colour bytes (alpha written 0), in place.
    // Large copies run in bands of rows side by side: each row is its own.
    if (code == 0xCC && conv->trueColour() && !sameMemory) {
        sys::forEachRowBand(h, sys::minimumBandRows(n), [&](int64_t first, int64_t count) {
            for (int64_t k = first; k < first + count; ++k)
                copyColourBytes(src->row(int(sy + k)) + sx * (src->bpp / 8), src->bpp / 8,
                                dst.row(int(y + k)) + x * bytesPerPixel, bytesPerPixel, n);
        });
        return true;
    }

    std::vector<uint32_t> sbuf(usesS ? n : 0), dbuf(n), pbuf(usesP ? n : 0);
    for (int64_t k = 0; k < h; ++k) {
        const int64_t i = upward ? h - 1 - k : k;
        const int dy = int(y + i);
        if (byteCopy) {
            std::memmove(dst.row(dy) + x * bytesPerPixel, src->row(int(sy + i)) + sx * bytesPerPixel,
                         size_t(n) * size_t(bytesPerPixel));
            continue;
        }
        if (usesS) {
            readRaw(*src, int(sy + i), int(sx), n, sbuf.data());
            conv->run(sbuf.data(), n, sbuf.data());
        }
        if (usesD) readRaw(dst, dy, int(x), n, dbuf.data());
        if (usesP) pattern->row(dy, int(x), n, pbuf.data());
        combineRow(code, dbuf.data(), usesS ? sbuf.data() : nullptr, usesP ? pbuf.data() : nullptr,
                   n, mask);
        writeRaw(dst, dy, int(x), n, dbuf.data());
    }
    return true;
}

}  // namespace detail

using namespace detail;

namespace {

BlitRequest requestFor(Dc& dest, Surface* dst, const Dc* source, const Surface* src) {
    BlitRequest r;
    r.dst = dst;
    r.src = src;
    r.brush = &dcBrush(dest);
    r.stretchMode = dest.stretchMode;
    r.rules.dcRules = true;
    r.rules.srcBk = source ? source->bkColor : RGB(255, 255, 255);
    r.rules.dstText = dest.textColor;
    r.rules.dstBk = dest.bkColor;
    return r;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
            DWORD rop) {
    Dc* d = registry().get<Dc>(dest);
    if (!d || width < 0 || height < 0) return FALSE;
    const bool usesS = ropUsesSource(ropCode(rop));
    Dc* s = usesS ? registry().get<Dc>(src) : nullptr;
    if (usesS && !s) return FALSE;
    Surface* dst = dcSurface(*d);
    const Surface* source = s ? dcSurface(*s) : nullptr;
    // The virtual screen keeps no pixels: drawing on it or reading from it does nothing.
    if (!dst || (usesS && !source)) return TRUE;
    BlitRequest r = requestFor(*d, dst, s, source);
    r.xDst = x, r.yDst = y, r.wDst = width, r.hDst = height;
    r.xSrc = xSrc, r.ySrc = ySrc, r.wSrc = width, r.hSrc = height;
    r.rop = rop;
    return blitSameSize(r) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dest, int xDest, int yDest, int destWidth, int destHeight, HDC src, int xSrc,
                int ySrc, int srcWidth, int srcHeight, DWORD rop) {
    Dc* d = registry().get<Dc>(dest);
    if (!d) return FALSE;
    const bool usesS = ropUsesSource(ropCode(rop));
    Dc* s = usesS ? registry().get<Dc>(src) : nullptr;
    if (usesS && !s) return FALSE;
    Surface* dst = dcSurface(*d);
    const Surface* source = s ? dcSurface(*s) : nullptr;
    if (!dst || (usesS && !source)) return TRUE;
    BlitRequest r = requestFor(*d, dst, s, source);
    r.xDst = xDest, r.yDst = yDest, r.wDst = destWidth, r.hDst = destHeight;
    r.xSrc = xSrc, r.ySrc = ySrc, r.wSrc = srcWidth, r.hSrc = srcHeight;
    r.rop = rop;
    return blit(r) ? TRUE : FALSE;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || ropUsesSource(ropCode(rop))) return FALSE;
    Surface* dst = dcSurface(*d);
    if (!dst) return TRUE;
    BlitRequest r = requestFor(*d, dst, nullptr, nullptr);
    r.xDst = x, r.yDst = y, r.wDst = width, r.hDst = height;
    r.rop = rop;
    return blit(r) ? TRUE : FALSE;
}

}  // namespace gdi
