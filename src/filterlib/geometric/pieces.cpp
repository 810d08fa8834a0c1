// The effects that cut the picture into pieces: blocks of one colour, tiles slid apart,
// rows moved sideways, four displaced copies laid over each other.

#include <algorithm>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "filterlib/core/bands.h"
#include "filterlib/core/box_filter.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/random.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"

namespace filterlib {

void FxMosaic(HDC d, HDC s, int32_t block, int32_t& fxResult) {
    const int b = std::max(1, std::clamp(block, 0, 255));
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // Block size 1 is the picture itself.
        if (b == 1) return boxBlur(in, out, 0, 0);
        const int w = out.width, columns = (w + b - 1) / b, blockRows = (out.height + b - 1) / b;
        inBands(blockRows, int64_t(b) * w, [&](int firstBlock, int endBlock) {
            // Each column's bytes summed down the block in 16-bit lanes (at most 255 rows of
            // 255), a loop the compiler vectorises; then each block's columns added across.
            std::vector<uint16_t> columnSums(static_cast<size_t>(w) * 4);
            std::vector<uint32_t> means(static_cast<size_t>(w));
            for (int top = firstBlock * b; top < endBlock * b; top += b) {
                const int bottom = std::min(top + b, out.height);
                std::fill(columnSums.begin(), columnSums.end(), uint16_t(0));
                for (int y = top; y < bottom; ++y) {
                    const auto* bytes = reinterpret_cast<const uint8_t*>(in.row(y));
                    uint16_t* sums = columnSums.data();
                    for (size_t i = 0; i < columnSums.size(); ++i) sums[i] = uint16_t(sums[i] + bytes[i]);
                }
                for (int column = 0; column < columns; ++column) {
                    const int left = column * b, right = std::min(left + b, w);
                    uint32_t sum[3] = {0, 0, 0};
                    for (int x = left; x < right; ++x)
                        for (int c = 0; c < 3; ++c) sum[c] += columnSums[size_t(x) * 4 + size_t(c)];
                    const int64_t count = int64_t(right - left) * (bottom - top);
                    const uint32_t mean = pack(int(divRound(sum[2], count)), int(divRound(sum[1], count)),
                                               int(divRound(sum[0], count)));
                    std::fill(means.begin() + left, means.begin() + right, mean);
                }
                for (int y = top; y < bottom; ++y) std::copy(means.begin(), means.end(), out.row(y));
            }
        });
    });
}

void FxTile(HDC d, HDC s, int32_t tileWidth, int32_t tileHeight, int32_t maxOffset, int32_t& fxResult) {
    const int tw = 10 + std::clamp(tileWidth, 0, 100), th = 10 + std::clamp(tileHeight, 0, 100);
    const int m = std::clamp(maxOffset, 0, std::min(tw, th) / 2);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // Every tile's slide drawn first, in raster order; then each band of D's rows draws
        // the tiles' parts that land in it, in the same order, so later tiles still cover
        // earlier ones and the gaps the slides open keep D's colour.
        const int across = (out.width + tw - 1) / tw, down = (out.height + th - 1) / th;
        std::vector<int> slides(size_t(across) * size_t(down) * 2);
        Random random(seedOf("FxTile", {tw, th, m, out.width, out.height}));
        for (int& slide : slides) slide = random.between(-m, m);
        inBands(out.height, out.width, [&](int first, int end) {
            // Only the rows of tiles that can reach the band: a tile moves by m at most.
            const int lowest = std::max(0, (first - m) / th - 1), highest = std::min(down, (end + m) / th + 1);
            for (int tileRow = lowest; tileRow < highest; ++tileRow)
                for (int tileColumn = 0; tileColumn < across; ++tileColumn) {
                    const int top = tileRow * th, left = tileColumn * tw;
                    const int* slide = &slides[(size_t(tileRow) * size_t(across) + size_t(tileColumn)) * 2];
                    const int dx = slide[0], dy = slide[1];
                    const int x0 = std::max(left, -dx), x1 = std::min({left + tw, out.width, out.width - dx});
                    const int y0 = std::max({top, -dy, first - dy});
                    const int y1 = std::min({top + th, out.height, out.height - dy, end - dy});
                    for (int y = y0; y < y1; ++y) {
                        const uint32_t* src = in.row(y);
                        uint32_t* row = out.row(y + dy);
                        for (int x = x0; x < x1; ++x) row[x + dx] = src[x] & 0xFFFFFFu;
                    }
                }
        });
    });
}

void FxShift(HDC d, HDC s, int32_t maxShift, int32_t& fxResult) {
    const int m = std::clamp(maxShift, 0, 255);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // One draw per row from the top, all drawn before the rows are shared out.
        std::vector<int> shifts(size_t(out.height));
        Random random(seedOf("FxShift", {m, out.width, out.height}));
        for (int& shift : shifts) shift = random.between(-m, m);
        eachRow(out.height, out.width, [&](int y) {
            const int dx = shifts[size_t(y)];
            uint32_t* row = out.row(y);
            for (int x = 0; x < out.width; ++x) row[x] = clampedAt(in, x - dx, y) & 0xFFFFFFu;
        });
    });
}

namespace {

// The sum of four channels over 4, halves to even, without a branch.
constexpr int quarterOf(int sum) { return (sum + 1 + ((sum >> 2) & 1)) >> 2; }

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline __m256i loadEight(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__attribute__((target("avx2"))) inline __m256i quartersOf(__m256i sum) {
    const __m256i one = _mm256_set1_epi16(1);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(sum, one), _mm256_and_si256(_mm256_srli_epi16(sum, 2), one)),
                             2);
}

// Eight pixels at a time from x while all four copies lie inside the row (x - k >= 0,
// x + 7 + k < width); returns the first x not done.
__attribute__((target("avx2"))) int fragmentRowAvx2(const uint32_t* up, const uint32_t* mid, const uint32_t* down,
                                                    uint32_t* row, int width, int k, int x) {
    const __m256i zero = _mm256_setzero_si256(), colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    for (; x + 8 + k <= width; x += 8) {
        const __m256i a = loadEight(mid + x - k), b = loadEight(mid + x + k), c = loadEight(up + x),
                      e = loadEight(down + x);
        const __m256i low = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero)),
            _mm256_add_epi16(_mm256_unpacklo_epi8(c, zero), _mm256_unpacklo_epi8(e, zero)));
        const __m256i high = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero)),
            _mm256_add_epi16(_mm256_unpackhi_epi8(c, zero), _mm256_unpackhi_epi8(e, zero)));
        const __m256i means = _mm256_packus_epi16(quartersOf(low), quartersOf(high));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), _mm256_and_si256(means, colourBytes));
    }
    return x;
}
#endif

}  // namespace

void FxFragment(HDC d, HDC s, int32_t distance, int32_t& fxResult) {
    const int k = std::clamp(distance, 0, 50);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const int w = out.width, h = out.height;
        eachRow(h, w, [&](int y) {
            const uint32_t* up = in.row(std::max(y - k, 0));
            const uint32_t* down = in.row(std::min(y + k, h - 1));
            const uint32_t* mid = in.row(y);
            uint32_t* row = out.row(y);
            auto pixel = [&](int x) {
                const uint32_t a = mid[std::max(x - k, 0)], b = mid[std::min(x + k, w - 1)], c = up[x], e = down[x];
                auto mean = [&](int shift) {
                    return quarterOf(int((a >> shift) & 0xFF) + int((b >> shift) & 0xFF) + int((c >> shift) & 0xFF) +
                                     int((e >> shift) & 0xFF));
                };
                row[x] = pack(mean(16), mean(8), mean(0));
            };
            // The columns whose left copy is clamped, those in between in lanes, the rest.
            int x = 0;
            for (; x < std::min(k, w); ++x) pixel(x);
#if defined(__x86_64__)
            if (hasAvx2()) x = fragmentRowAvx2(up, mid, down, row, w, k, x);
#endif
            for (; x < w; ++x) pixel(x);
        });
    });
}

}  // namespace filterlib
