// cPNGparser: row geometry, unfiltering, Adam7 interlacing and the conversion of every
// colour type and bit depth into the host's premultiplied BGRA.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "codecs/cPNGparser.h"
#include "image/cImage32.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace codecs {
namespace {

// Adam7 passes 1 to 7, and pass 8 for the whole of a non-interlaced image: start row,
// start column, row step, column step.
constexpr std::array<std::array<uint8_t, 4>, 8> kPasses = {{
    {0, 0, 8, 8},
    {0, 4, 8, 8},
    {4, 0, 8, 4},
    {0, 2, 4, 4},
    {2, 0, 4, 2},
    {0, 1, 2, 2},
    {1, 0, 2, 1},
    {0, 0, 1, 1},
}};
constexpr int32_t kWholeImage = 8;

inline uint32_t opaque(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | r << 16 | g << 8 | b; }

// The host's pixel of straight colour r, g, b under alpha a; 0 (left as the blank image
// has it) for a = 0.
inline uint32_t premultiplied(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    if (a == 255) return opaque(r, g, b);
    if (a == 0) return 0;
    return a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
}

inline void store(uint8_t* p, uint32_t pixel) { std::memcpy(p, &pixel, 4); }

inline uint32_t sample16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

#if defined(__SSE2__)
// Rows of whole-byte pixels (3, 4, 6 or 8 bytes) are unfiltered a pixel at a time with each
// byte in a 16-bit lane: the left pixel is the one just decoded, so the pixels of a row
// form a chain, but the bytes within a pixel need not wait for each other. Pixels are
// loaded as 4 or 8 bytes, the lanes beyond the pixel ignored; near the row's end, where
// such a load could leave the buffer, through a copy.

template <int Step>
struct Wide {
    static constexpr int kBytes = Step <= 4 ? 4 : 8;
    static __m128i load(const uint8_t* p) {
        if constexpr (kBytes == 4) {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(v)), _mm_setzero_si128());
        } else {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
        }
    }
    // Exactly the pixel's bytes: a store reaching into the next pixel would hold up its
    // load until the store is done.
    static void store(uint8_t* p, __m128i lanes) {
        const __m128i bytes = _mm_packus_epi16(lanes, lanes);
        if constexpr (Step == 4) {
            const uint32_t v = uint32_t(_mm_cvtsi128_si32(bytes));
            std::memcpy(p, &v, 4);
        } else if constexpr (Step == 8) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), bytes);
        } else {
            const uint64_t v = uint64_t(_mm_cvtsi128_si64(bytes));
            std::memcpy(p, &v, size_t(Step));
        }
    }
    // 0xFF in the pixel's lanes, 0 in those beyond.
    static __m128i pixelLanes() {
        alignas(16) uint16_t lanes[8] = {};
        for (int i = 0; i < Step; ++i) lanes[i] = 0xFF;
        return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
    }
};

inline __m128i abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

// Calls pixel(out, up) for each pixel of the row and the one above it; for the pixels too
// near the row's end for a wide move, on copies.
template <int Step, class Pixel>
inline void eachPixel(uint8_t* cur, const uint8_t* above, int64_t n, Pixel pixel) {
    constexpr int kBytes = Wide<Step>::kBytes;
    if (n < Step) return;
    int64_t i = 0;
    for (; i + kBytes <= n; i += Step) pixel(cur + i, above + i);
    for (; i + Step <= n; i += Step) {
        uint8_t c[kBytes] = {}, a[kBytes] = {};
        std::memcpy(c, cur + i, size_t(Step));
        std::memcpy(a, above + i, size_t(Step));
        pixel(c, a);
        std::memcpy(cur + i, c, size_t(Step));
    }
}

// Every row but the first: the first pixel's left and upper-left bytes are 0.
template <int Step>
void paethPixels(uint8_t* cur, const uint8_t* above, int64_t n) {
    const __m128i lanes = Wide<Step>::pixelLanes(), low = _mm_set1_epi16(0xFF);
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    eachPixel<Step>(cur, above, n, [&](uint8_t* out, const uint8_t* up) {
        const __m128i b = _mm_and_si128(Wide<Step>::load(up), lanes);
        const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
        // p - a = b - c, p - b = a - c, p - c = (b - c) + (a - c)
        const __m128i pa = abs16(bc), pb = abs16(ac), pc = abs16(_mm_add_epi16(bc, ac));
        const __m128i least = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
        const __m128i takeA = _mm_cmpeq_epi16(pa, least), takeB = _mm_cmpeq_epi16(pb, least);
        const __m128i bOrC = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
        const __m128i predictor = _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bOrC));
        const __m128i sum = _mm_and_si128(_mm_add_epi16(Wide<Step>::load(out), predictor), low);
        Wide<Step>::store(out, sum);
        a = _mm_and_si128(sum, lanes);
        c = b;
    });
}

template <int Step>
void averagePixels(uint8_t* cur, const uint8_t* above, int64_t n) {
    const __m128i lanes = Wide<Step>::pixelLanes(), low = _mm_set1_epi16(0xFF);
    __m128i a = _mm_setzero_si128();
    eachPixel<Step>(cur, above, n, [&](uint8_t* out, const uint8_t* up) {
        const __m128i b = _mm_and_si128(Wide<Step>::load(up), lanes);
        const __m128i sum =
            _mm_and_si128(_mm_add_epi16(Wide<Step>::load(out), _mm_srli_epi16(_mm_add_epi16(a, b), 1)), low);
        Wide<Step>::store(out, sum);
        a = _mm_and_si128(sum, lanes);
    });
}

template <int Step>
struct PaethKernel {
    static void run(uint8_t* cur, const uint8_t* above, int64_t n) { paethPixels<Step>(cur, above, n); }
};
template <int Step>
struct AverageKernel {
    static void run(uint8_t* cur, const uint8_t* above, int64_t n) { averagePixels<Step>(cur, above, n); }
};

// Runs the pixel-wise form for the steps it has; false leaves the row to the byte-wise one.
template <template <int> class Kernel>
bool pixelWise(int32_t byteStep, uint8_t* cur, const uint8_t* above, int64_t n) {
    switch (byteStep) {
    case 3: Kernel<3>::run(cur, above, n); return true;
    case 4: Kernel<4>::run(cur, above, n); return true;
    case 6: Kernel<6>::run(cur, above, n); return true;
    case 8: Kernel<8>::run(cur, above, n); return true;
    default: return false;
    }
}
#endif

}  // namespace

void cPNGparser::InitPngTables() {
    for (size_t i = 0; i < power_.size(); ++i) power_[i] = int32_t{1} << i;
    pass_ = kPasses;
}

cPNGparser::PassGeometry cPNGparser::PassSize(int32_t pass) const {
    const auto& t = pass_[size_t(pass - 1)];
    const int64_t startRow = t[0], startColumn = t[1], rowStep = t[2], columnStep = t[3];
    PassGeometry g;
    g.rows = height_ / rowStep + (height_ % rowStep > startRow ? 1 : 0);
    g.columns = width_ / columnStep + (width_ % columnStep > startColumn ? 1 : 0);
    return g;
}

void cPNGparser::PngPixelSizes(int32_t& bitsPerPixel, int32_t& byteStep) const {
    const int32_t depth = bitDepth_;
    switch (colourType_) {
    case 2: bitsPerPixel = 3 * depth, byteStep = 3 * (depth / 8); break;
    case 4: bitsPerPixel = 2 * depth, byteStep = 2 * (depth / 8); break;
    case 6: bitsPerPixel = 4 * depth, byteStep = 4 * (depth / 8); break;
    case 3: bitsPerPixel = depth, byteStep = 1; break;
    default: bitsPerPixel = depth, byteStep = depth == 16 ? 2 : 1; break;
    }
}

int64_t cPNGparser::PngRowBytes(int64_t pixels, int32_t bitsPerPixel) { return (pixels * bitsPerPixel + 7) / 8; }

int32_t cPNGparser::CalcInflatedSize() {
    InitPngTables();
    int32_t bitsPerPixel, byteStep;
    PngPixelSizes(bitsPerPixel, byteStep);
    int64_t size = 0;
    if (interlaceMethod_ == 0) {
        size = (PngRowBytes(width_, bitsPerPixel) + 1) * height_;
    } else {
        // A pass with rows but no columns counts a filter byte per row here, although it
        // takes no bytes of the data: the buffer is a little larger than needed.
        for (int32_t pass = 1; pass <= 7; ++pass) {
            const PassGeometry g = PassSize(pass);
            size += g.rows * (PngRowBytes(g.columns, bitsPerPixel) + 1);
        }
    }
    return size > std::numeric_limits<int32_t>::max() ? 0 : int32_t(size);
}

uint8_t cPNGparser::PngExtractBits(int32_t shift, uint8_t value) const {
    return uint8_t((value >> shift) & (power_[bitDepth_] - 1));
}

void cPNGparser::PngBuildPalette() {
    if (colourType_ != 0 && colourType_ != 3) return;
    if (paletteDimensioned_) return;
    palette_.assign(768, 0);
    paletteDimensioned_ = true;
    if (colourType_ == 0 && bitDepth_ <= 8) {
        // The grey ramp: steps of 255, 85, 17 and 1 for depths 1, 2, 4 and 8.
        const int32_t top = power_[bitDepth_] - 1;
        for (int32_t i = 1; i <= top; ++i) std::fill_n(palette_.begin() + 3 * i, 3, uint8_t(255 / top * i));
    } else if (colourType_ == 3 && bitDepth_ == 1) {
        std::fill_n(palette_.begin() + 3, 3, uint8_t(255));
    }
}

void cPNGparser::PngPrepareIndexed() {
    indexedPixel_.fill(0);
    indexedValid_.fill(false);
    const bool keyed = transparencyKey_ != -1;
    for (size_t v = 0; v < 256; ++v) {
        if (colourType_ == 0) {
            // A sample equal to the key stays transparent black without a look at the palette.
            if (keyed && int32_t(v) == transparencyKey_) {
                indexedValid_[v] = true;
            } else if (3 * v < palette_.size()) {
                const uint8_t grey = palette_[3 * v];
                indexedPixel_[v] = opaque(grey, grey, grey);
                indexedValid_[v] = true;
            }
        } else if (3 * v + 2 < palette_.size() && (!keyed || v < transparency_.size())) {
            const uint8_t* c = &palette_[3 * v];
            indexedPixel_[v] = premultiplied(c[0], c[1], c[2], keyed ? transparency_[v] : 255);
            indexedValid_[v] = true;
        }
    }
}

// ---- unfiltering ----------------------------------------------------------------------
// Row r's filtered bytes follow its filter byte at r x stride; `left` is the byte one byte
// step before in the same row, `above` the same byte of row r - 1, both 0 where missing.

void cPNGparser::PngUnfilterSub(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep) {
    uint8_t* cur = data.data() + row * stride + 1;
    const int64_t n = stride - 1;
    for (int64_t i = byteStep; i < n; ++i) cur[i] = uint8_t(cur[i] + cur[i - byteStep]);
}

void cPNGparser::PngUnfilterUp(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t /*byteStep*/) {
    if (row == 0) return;
    uint8_t* cur = data.data() + row * stride + 1;
    const uint8_t* above = cur - stride;
    const int64_t n = stride - 1;
    for (int64_t i = 0; i < n; ++i) cur[i] = uint8_t(cur[i] + above[i]);
}

void cPNGparser::PngUnfilterAverage(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep) {
    uint8_t* cur = data.data() + row * stride + 1;
    const int64_t n = stride - 1;
    if (row == 0) {
        for (int64_t i = byteStep; i < n; ++i) cur[i] = uint8_t(cur[i] + (cur[i - byteStep] >> 1));
        return;
    }
    const uint8_t* above = cur - stride;
#if defined(__SSE2__)
    if (pixelWise<AverageKernel>(byteStep, cur, above, n)) return;
#endif
    const int64_t first = std::min<int64_t>(byteStep, n);
    for (int64_t i = 0; i < first; ++i) cur[i] = uint8_t(cur[i] + (above[i] >> 1));
    for (int64_t i = byteStep; i < n; ++i) cur[i] = uint8_t(cur[i] + ((cur[i - byteStep] + above[i]) >> 1));
}

// Of left, above and upper left, the one nearest to left + above - upper left; ties go to
// left, then above. Written without branches, which the data would mispredict.
uint8_t cPNGparser::PngPaethPredictor(int32_t left, int32_t above, int32_t upperLeft) {
    const int32_t pa = std::abs(above - upperLeft), pb = std::abs(left - upperLeft),
                  pc = std::abs(left + above - 2 * upperLeft);
    const int32_t aboveOrUpperLeft = pb <= pc ? above : upperLeft;
    return uint8_t(pa <= pb && pa <= pc ? left : aboveOrUpperLeft);
}

void cPNGparser::PngUnfilterPaeth(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep) {
    if (row == 0) {
        // Nothing above: the predictor is always the left byte.
        PngUnfilterSub(data, row, stride, byteStep);
        return;
    }
    uint8_t* cur = data.data() + row * stride + 1;
    const uint8_t* above = cur - stride;
    const int64_t n = stride - 1;
#if defined(__SSE2__)
    if (pixelWise<PaethKernel>(byteStep, cur, above, n)) return;
#endif
    const int64_t first = std::min<int64_t>(byteStep, n);
    for (int64_t i = 0; i < first; ++i) cur[i] = uint8_t(cur[i] + above[i]);
    for (int64_t i = byteStep; i < n; ++i)
        cur[i] = uint8_t(cur[i] + PngPaethPredictor(cur[i - byteStep], above[i], above[i - byteStep]));
}

bool cPNGparser::PngUnfilterRow(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep) {
    switch (data[size_t(row * stride)]) {
    case 0: return true;
    case 1: PngUnfilterSub(data, row, stride, byteStep); return true;
    case 2: PngUnfilterUp(data, row, stride, byteStep); return true;
    case 3: PngUnfilterAverage(data, row, stride, byteStep); return true;
    case 4: PngUnfilterPaeth(data, row, stride, byteStep); return true;
    default: return false;
    }
}

// ---- decoding -------------------------------------------------------------------------

void cPNGparser::PngBeginRows() {
    int32_t bitsPerPixel;
    PngPixelSizes(bitsPerPixel, rowByteStep_);
    if (colourType_ == 0 || colourType_ == 3) PngPrepareIndexed();
    rowsFailed_ = false;
    rowPass_ = interlaceMethod_ == 1 ? 0 : kWholeImage - 1;
    PngNextPass();
}

void cPNGparser::PngNextPass() {
    const int32_t last = interlaceMethod_ == 1 ? 7 : kWholeImage;
    while (++rowPass_ <= last) {
        const PassGeometry g = PassSize(rowPass_);
        if (g.rows == 0 || g.columns == 0) continue;  // such a pass takes no bytes
        int32_t bitsPerPixel, byteStep;
        PngPixelSizes(bitsPerPixel, byteStep);
        passRow_ = 0;
        passRows_ = g.rows;
        rowStride_ = PngRowBytes(g.columns, bitsPerPixel) + 1;
        rowFilled_ = 0;
        rows_.assign(size_t(2 * rowStride_), 0);
        return;
    }
    rowPass_ = 0;
    rows_ = {};
}

bool cPNGparser::PngTakeRows(std::span<const uint8_t> piece) {
    while (!piece.empty() && rowPass_ != 0 && !rowsFailed_) {
        const size_t n = std::min(piece.size(), size_t(rowStride_) - rowFilled_);
        std::memcpy(rows_.data() + rowStride_ + rowFilled_, piece.data(), n);
        piece = piece.subspan(n);
        rowFilled_ += n;
        if (rowFilled_ == size_t(rowStride_)) PngFinishRow();
    }
    return !rowsFailed_;
}

bool cPNGparser::PngEndRows() {
    // What the data did not reach reads as zero bytes: filter type 0, samples 0.
    while (rowPass_ != 0 && !rowsFailed_) {
        std::memset(rows_.data() + rowStride_ + rowFilled_, 0, size_t(rowStride_) - rowFilled_);
        PngFinishRow();
    }
    return !rowsFailed_;
}

void cPNGparser::PngFinishRow() {
    // The first row of a pass has no row above it; the others have theirs just before.
    const std::span<uint8_t> data = passRow_ == 0 ? std::span<uint8_t>(rows_).subspan(size_t(rowStride_))
                                                  : std::span<uint8_t>(rows_);
    const int64_t row = passRow_ == 0 ? 0 : 1;
    // Quirk: a filter type above 4 leaves a row of a plain image as stored, but fails an
    // interlaced one.
    if (!PngUnfilterRow(data, row, rowStride_, rowByteStep_) && rowPass_ != kWholeImage) rowsFailed_ = true;
    if (!rowsFailed_ && !PngConvert(data.subspan(size_t(row * rowStride_)), rowPass_, passRow_, 1, rowStride_))
        rowsFailed_ = true;
    std::memcpy(rows_.data(), rows_.data() + rowStride_, size_t(rowStride_));
    rowFilled_ = 0;
    if (++passRow_ == passRows_) PngNextPass();
}

bool cPNGparser::PngConvert(std::span<const uint8_t> data, int32_t pass, int64_t firstRow, int64_t rowCount,
                            int64_t stride) {
    if (bitDepth_ == 16) return PngConvertSamples16(data, pass, firstRow, rowCount, stride);
    if (colourType_ == 0 || colourType_ == 3) return PngConvertIndexed(data, pass, firstRow, rowCount, stride);
    return PngConvertTrueColor8(data, pass, firstRow, rowCount, stride);
}

namespace {

// Where the converters write: pixel x of image row y, y = 0 at the top, in host memory
// whose row 0 is the bottom row.
struct Target {
    uint8_t* first;   // the row's first pixel of the pass
    int64_t step;     // bytes from one pixel of the pass to the next
    int64_t count;    // pixels of the pass in the row
};

Target targetOf(const cImage32& host, const std::array<uint8_t, 4>& pass, int64_t passRow, int64_t columns) {
    const int64_t y = pass[0] + passRow * pass[2];
    const int64_t width = host.Width();
    uint8_t* row = host.BitsPointer() + (host.Height() - 1 - y) * width * 4;
    return {row + int64_t(pass[1]) * 4, int64_t(pass[3]) * 4, columns};
}

}  // namespace

bool cPNGparser::PngConvertTrueColor8(std::span<const uint8_t> data, int32_t pass, int64_t firstRow,
                                      int64_t rowCount, int64_t stride) {
    const int64_t columns = PassSize(pass).columns;
    const bool keyed = transparencyKey_ != -1;
    const uint8_t keyR = uint8_t(transparencyKey_ >> 16), keyG = uint8_t(transparencyKey_ >> 8),
                  keyB = uint8_t(transparencyKey_);
    for (int64_t j = 0; j < rowCount; ++j) {
        const uint8_t* s = data.data() + j * stride + 1;
        const Target t = targetOf(*host_, pass_[size_t(pass - 1)], firstRow + j, columns);
        uint8_t* d = t.first;
        switch (colourType_) {
        case 6:
            for (int64_t x = 0; x < t.count; ++x, s += 4, d += t.step) store(d, premultiplied(s[0], s[1], s[2], s[3]));
            break;
        case 4:
            for (int64_t x = 0; x < t.count; ++x, s += 2, d += t.step) store(d, premultiplied(s[0], s[0], s[0], s[1]));
            break;
        default:
            if (keyed) {
                for (int64_t x = 0; x < t.count; ++x, s += 3, d += t.step)
                    if (s[0] != keyR || s[1] != keyG || s[2] != keyB) store(d, opaque(s[0], s[1], s[2]));
            } else {
                for (int64_t x = 0; x < t.count; ++x, s += 3, d += t.step) store(d, opaque(s[0], s[1], s[2]));
            }
            break;
        }
    }
    return true;
}

bool cPNGparser::PngConvertSamples16(std::span<const uint8_t> data, int32_t pass, int64_t firstRow,
                                     int64_t rowCount, int64_t stride) {
    const int64_t columns = PassSize(pass).columns;
    // The key is compared on all 16 bits of each sample.
    const bool keyed = transparencyKey_ != -1;
    const size_t keyBytes = colourType_ == 2 ? 6 : 2;
    if (keyed && (colourType_ == 0 || colourType_ == 2) && transparency_.size() < keyBytes) return false;
    const uint8_t* key = transparency_.data();
    for (int64_t j = 0; j < rowCount; ++j) {
        const uint8_t* s = data.data() + j * stride + 1;
        const Target t = targetOf(*host_, pass_[size_t(pass - 1)], firstRow + j, columns);
        uint8_t* d = t.first;
        switch (colourType_) {
        case 6:
            for (int64_t x = 0; x < t.count; ++x, s += 8, d += t.step) store(d, premultiplied(s[0], s[2], s[4], s[6]));
            break;
        case 4:
            for (int64_t x = 0; x < t.count; ++x, s += 4, d += t.step) store(d, premultiplied(s[0], s[0], s[0], s[2]));
            break;
        case 2:
            for (int64_t x = 0; x < t.count; ++x, s += 6, d += t.step)
                if (!keyed || std::memcmp(s, key, 6) != 0) store(d, opaque(s[0], s[2], s[4]));
            break;
        case 0:
            for (int64_t x = 0; x < t.count; ++x, s += 2, d += t.step)
                if (!keyed || sample16(s) != sample16(key)) store(d, opaque(s[0], s[0], s[0]));
            break;
        default: break;  // palette images have no 16-bit form; the header refuses them
        }
    }
    return true;
}

bool cPNGparser::PngConvertIndexed(std::span<const uint8_t> data, int32_t pass, int64_t firstRow,
                                   int64_t rowCount, int64_t stride) {
    const int64_t columns = PassSize(pass).columns;
    const int32_t depth = bitDepth_;
    for (int64_t j = 0; j < rowCount; ++j) {
        const uint8_t* s = data.data() + j * stride + 1;
        const Target t = targetOf(*host_, pass_[size_t(pass - 1)], firstRow + j, columns);
        uint8_t* d = t.first;
        if (depth == 8) {
            for (int64_t x = 0; x < t.count; ++x, d += t.step) {
                const uint8_t v = s[x];
                if (!indexedValid_[v]) return false;
                store(d, indexedPixel_[v]);
            }
            continue;
        }
        // Samples packed most significant bits first.
        int32_t shift = 8 - depth;
        for (int64_t x = 0; x < t.count; ++x, d += t.step) {
            const uint8_t v = PngExtractBits(shift, *s);
            if (!indexedValid_[v]) return false;
            store(d, indexedPixel_[v]);
            if (shift == 0) {
                ++s;
                shift = 8 - depth;
            } else {
                shift -= depth;
            }
        }
    }
    return true;
}

}  // namespace codecs
