#pragma once
// The effects' rows shared out over the processor's cores, in bands of the sys layer's row
// bands. A band writes only its own rows of the output and reads only what no band writes,
// so the bytes are the same however many bands there are.

#include <algorithm>
#include <cstdint>

#include "platform/sys/row_bands.h"

namespace filterlib {

// Bands for each thread: the threads take them as they come free, so rows that cost more
// than others (the middle of a lens) or a thread held up by other work do not keep the rest
// waiting.
constexpr int kBandsPerThread = 4;

// Calls band(first, end) for consecutive bands of rows covering 0 .. rows - 1, side by side.
// rowCost is a row's work in pixel visits (the width, times the samples a pixel takes): it
// decides how few rows are worth a band; fewestRows raises that for work that each band
// starts with a cost of its own (a window's rows above and below it).
template <class Band>
void inBands(int rows, int64_t rowCost, Band band, int64_t fewestRows = 1) {
    sys::forEachRowBand(rows, std::max(sys::minimumBandRows(rowCost), fewestRows), kBandsPerThread,
                        [&band](int64_t first, int64_t count) {
                            band(static_cast<int>(first), static_cast<int>(first + count));
                        });
}

// Calls row(y) for every y in 0 .. rows - 1, in bands.
template <class Row>
void eachRow(int rows, int64_t rowCost, Row row) {
    inBands(rows, rowCost, [&row](int first, int end) {
        for (int y = first; y < end; ++y) row(y);
    });
}

}  // namespace filterlib
