#include "codecs/TGAPixelRows.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace codecs::tga {

namespace {

// c x 255 \ a for 0 <= c <= a as (c x kStraight[a]) >> 16, kStraight[a] = ceil(255 x 2^16 / a):
// the product overshoots c x 255 / a by less than c / 2^16 < 1 / a, never enough to reach
// the next whole number. kStraight[0] = 0 makes alpha 0 give 0, kStraight[255] = 2^16 keeps
// the colour.
const std::array<uint32_t, 256> kStraight = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t a = 1; a < 256; ++a) table[a] = (255u * 65536u + a - 1) / a;
    return table;
}();

void narrowPlain(const uint8_t* p, size_t width, uint8_t* out, AlphaSeen& seen) {
    uint8_t all = seen.all, any = seen.any;
    // Four bytes moved, three kept: each pixel's fourth byte is overwritten by the next one;
    // the last pixel goes byte by byte so nothing is written past the row.
    for (size_t x = 0; x + 1 < width; ++x, p += 4, out += 3) {
        std::memcpy(out, p, 4);
        all &= p[3];
        any |= p[3];
    }
    if (width) {
        std::memcpy(out, p, 3);
        all &= p[3];
        any |= p[3];
    }
    seen = {all, any};
}

void straightPlain(const uint8_t* p, size_t width, uint8_t* out) {
    for (size_t x = 0; x < width; ++x, p += 4, out += 4) {
        const uint32_t a = p[3], m = kStraight[a];
        for (int c = 0; c < 3; ++c) out[c] = uint8_t(std::min<uint32_t>(p[c], a) * m >> 16);
        out[3] = uint8_t(a);
    }
}

#if defined(__x86_64__)
// Eight pixels at a time; returns the pixels done. Each 32-byte store carries 24 bytes of
// pixels and 8 that the next store (or the plain tail) overwrites, so it stops while at
// least 3 pixels are left.
__attribute__((target("avx2"))) size_t narrowWide(const uint8_t* p, size_t width, uint8_t* out, AlphaSeen& seen) {
    const __m256i pick = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    __m256i all = _mm256_set1_epi8(-1), any = _mm256_setzero_si256();
    size_t x = 0;
    for (; x + 11 <= width; x += 8, p += 32, out += 24) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        all = _mm256_and_si256(all, v);
        any = _mm256_or_si256(any, v);
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, pick), join);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
    }
    alignas(32) uint32_t lanesAll[8], lanesAny[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanesAll), all);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanesAny), any);
    for (int i = 0; i < 8; ++i) {
        seen.all &= uint8_t(lanesAll[i] >> 24);
        seen.any |= uint8_t(lanesAny[i] >> 24);
    }
    return x;
}

// Four pixels' channels (held at their alpha) as 16-bit lanes, each pixel's multiplier
// halves picked out of m.
__attribute__((target("avx2"))) inline __m256i straightChannels(__m256i c, __m256i m, __m256i lowPick,
                                                                __m256i highPick) {
    return _mm256_add_epi16(_mm256_mullo_epi16(c, _mm256_shuffle_epi8(m, highPick)),
                            _mm256_mulhi_epu16(c, _mm256_shuffle_epi8(m, lowPick)));
}

// The same formula as straightPlain, sixteen 16-bit channels at a time:
// (c x m) >> 16 = c x (m >> 16) + (c x (m & 0xFFFF)) >> 16, both parts within 16 bits.
__attribute__((target("avx2"))) size_t straightWide(const uint8_t* p, size_t width, uint8_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaBytes = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256 top = _mm256_set1_ps(255.0f * 65536.0f);
    // A pixel's multiplier, low or high half, in each of its four channels: pixels 0 and 1
    // of a 128-bit lane for the low unpacked half, 2 and 3 for the high one.
    const __m256i lowOfFirst = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5,  //
                                                0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5);
    const __m256i highOfFirst = _mm256_add_epi8(lowOfFirst, _mm256_set1_epi8(2));
    const __m256i lowOfSecond = _mm256_add_epi8(lowOfFirst, _mm256_set1_epi8(8));
    const __m256i highOfSecond = _mm256_add_epi8(lowOfFirst, _mm256_set1_epi8(10));
    const __m256i alphaOfPixel = _mm256_setr_epi8(3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15,  //
                                                  3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
    size_t x = 0;
    for (; x + 8 <= width; x += 8, p += 32, out += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        // kStraight[a] worked out rather than gathered (gathers are slow where they are
        // microcoded): 255 x 2^16 and a are exact floats and the quotient is rounded once,
        // by less than 1 / a, while a quotient that is not whole lies at least 1 / a from
        // the next whole number, so the ceiling is the table's. Alpha 0 gives garbage,
        // multiplied by colours held at 0.
        const __m256 quotient = _mm256_div_ps(top, _mm256_cvtepi32_ps(_mm256_srli_epi32(v, 24)));
        const __m256i m = _mm256_cvtps_epi32(_mm256_ceil_ps(quotient));
        // Colours above their alpha are held at it, so the result stays within 255.
        const __m256i held = _mm256_min_epu8(v, _mm256_shuffle_epi8(v, alphaOfPixel));
        const __m256i first = straightChannels(_mm256_unpacklo_epi8(held, zero), m, lowOfFirst, highOfFirst);
        const __m256i second = straightChannels(_mm256_unpackhi_epi8(held, zero), m, lowOfSecond, highOfSecond);
        const __m256i colours = _mm256_packus_epi16(first, second);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(colours, v, alphaBytes));
    }
    return x;
}

// How many of the first n bytes of a and b are equal, in whole steps of 32: the first
// difference when a step holds one, else the bytes of the steps that fit (the rest is
// left to the caller).
__attribute__((target("avx2"))) size_t equalBytesWide(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const uint32_t differ = ~uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y)));
        if (differ) return i + size_t(__builtin_ctz(differ));
    }
    return i;
}

bool wide = __builtin_cpu_supports("avx2");
#endif

}  // namespace

void narrowRow(const uint8_t* pixels, size_t width, uint8_t* out, AlphaSeen& seen) {
    size_t done = 0;
#if defined(__x86_64__)
    if (wide) done = narrowWide(pixels, width, out, seen);
#endif
    narrowPlain(pixels + done * 4, width - done, out + done * 3, seen);
}

void straightRow(const uint8_t* pixels, size_t width, uint8_t* out) {
    size_t done = 0;
#if defined(__x86_64__)
    if (wide) done = straightWide(pixels, width, out);
#endif
    straightPlain(pixels + done * 4, width - done, out + done * 4);
}

size_t repeatsFrom(const uint8_t* row, size_t bytesPerPixel, size_t first, size_t end) {
    // Pixel j equals pixel j - 1 for every j in [first, k) exactly when the bytes from
    // pixel first - 1 on equal those one pixel further along, up to pixel k's start.
    const uint8_t* a = row + (first - 1) * bytesPerPixel;
    const uint8_t* b = a + bytesPerPixel;
    const size_t n = (end - first) * bytesPerPixel;
    size_t i = 0;
#if defined(__x86_64__)
    if (wide) i = equalBytesWide(a, b, n);
#endif
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) return (i + size_t(__builtin_ctzll(x ^ y)) / 8) / bytesPerPixel;
    }
    for (; i < n; ++i)
        if (a[i] != b[i]) return i / bytesPerPixel;
    return end - first;
}

namespace testing {

void useWideKernels(bool on) {
#if defined(__x86_64__)
    wide = on && __builtin_cpu_supports("avx2");
#else
    (void)on;
#endif
}

}  // namespace testing

}  // namespace codecs::tga
