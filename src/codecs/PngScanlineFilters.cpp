#include "codecs/PngScanlineFilters.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sys/row_bands.h"

namespace codecs {

namespace {

enum FilterType : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

inline int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// One row filtered into out. `prior` is the row above, all zeros on the first row, which
// is what the standard predicts there.
void filterRow(uint8_t type, const uint8_t* x, const uint8_t* prior, uint8_t* out, size_t n, size_t bpp) {
    const size_t lead = bpp < n ? bpp : n;
    switch (type) {
        case kNone:
            std::memcpy(out, x, n);
            break;
        case kSub:
            std::memcpy(out, x, lead);
            for (size_t j = bpp; j < n; ++j) out[j] = uint8_t(x[j] - x[j - bpp]);
            break;
        case kUp:
            for (size_t j = 0; j < n; ++j) out[j] = uint8_t(x[j] - prior[j]);
            break;
        case kAverage:
            for (size_t j = 0; j < lead; ++j) out[j] = uint8_t(x[j] - (prior[j] >> 1));
            for (size_t j = bpp; j < n; ++j) out[j] = uint8_t(x[j] - ((x[j - bpp] + prior[j]) >> 1));
            break;
        case kPaeth:
            // Left of the first pixel a and c are 0, and the predictor is b.
            for (size_t j = 0; j < lead; ++j) out[j] = uint8_t(x[j] - prior[j]);
            for (size_t j = bpp; j < n; ++j) out[j] = uint8_t(x[j] - paeth(x[j - bpp], prior[j], prior[j - bpp]));
            break;
    }
}

// A candidate's running sum of |x - predictor(j)|; false as soon as it passes best (not
// checked over the first `unchecked` bytes). A candidate that completes makes its sum,
// or 1 for 0, the new best.
template <class Predictor>
bool scoreCandidate(const uint8_t* x, size_t n, size_t unchecked, int64_t& best, Predictor predictor) {
    int64_t sum = 0;
    for (size_t j = 0; j < n; ++j) {
        sum += std::abs(int(x[j]) - predictor(j));
        if (j >= unchecked && sum > best) return false;
    }
    best = sum == 0 ? 1 : sum;
    return true;
}

uint8_t adaptiveChoice(const uint8_t* x, const uint8_t* prior, bool firstRow, size_t n, size_t bpp) {
    uint8_t type = kNone;
    int64_t best = int64_t(n) * 254;
    const auto left = [&](size_t j) { return j < bpp ? 0 : int(x[j - bpp]); };
    const auto upperLeft = [&](size_t j) { return j < bpp ? 0 : int(prior[j - bpp]); };
    if (scoreCandidate(x, n, 0, best, [](size_t) { return 0; })) type = kNone;
    if (scoreCandidate(x, n, bpp, best, left)) type = kSub;
    if (firstRow) return type;
    if (scoreCandidate(x, n, 0, best, [&](size_t j) { return int(prior[j]); })) type = kUp;
    if (scoreCandidate(x, n, 0, best, [&](size_t j) { return (left(j) + prior[j]) / 2; })) type = kAverage;
    if (scoreCandidate(x, n, 0, best, [&](size_t j) { return paeth(left(j), prior[j], upperLeft(j)); }))
        type = kPaeth;
    return type;
}

}  // namespace

int16_t PngWriterPaethPredictor(int16_t a, int16_t b, int16_t c) { return int16_t(paeth(a, b, c)); }

int32_t PngEffectiveFilterChoice(int32_t choice, int32_t colourType) {
    if (choice < PngFilterChoiceDefault || choice > PngFilterChoiceAdaptive) choice = PngFilterChoiceDefault;
    if (choice != PngFilterChoiceDefault) return choice;
    return colourType == 0 || colourType == 3 ? PngFilterChoiceNone : PngFilterChoicePaeth;
}

LargeBuffer PngFilterScanlines(const uint8_t* samples, size_t rowBytes, size_t height, int bytesPerPixel,
                               int32_t effectiveChoice) {
    LargeBuffer filtered(height * (rowBytes + 1));
    const std::vector<uint8_t> zeros(rowBytes, 0);
    const size_t bpp = size_t(bytesPerPixel);
    // Each scan line reads only the samples and writes only itself: bands of rows side by side.
    sys::forEachRowBand(int64_t(height), sys::minimumBandRows(int64_t(rowBytes)), [&](int64_t first, int64_t count) {
        for (size_t i = size_t(first); i < size_t(first + count); ++i) {
            const uint8_t* x = samples + i * rowBytes;
            const uint8_t* prior = i == 0 ? zeros.data() : x - rowBytes;
            uint8_t* out = filtered.data() + i * (rowBytes + 1);
            const uint8_t type = effectiveChoice == PngFilterChoiceAdaptive
                                     ? adaptiveChoice(x, prior, i == 0, rowBytes, bpp)
                                     : uint8_t(effectiveChoice - 1);
            out[0] = type;
            filterRow(type, x, prior, out + 1, rowBytes, bpp);
        }
    });
    return filtered;
}

}  // namespace codecs
