#pragma once
// The inner loops of the window filters (box means, small separable kernels) on a band of
// rows, each channel of a pixel in a lane of its own. They come in two widths, 16-byte
// vectors (any x86-64) and 32-byte ones (AVX2, chosen when the processor has it); both
// give the same bytes, every sum being a whole number and every division exact.

#include <cstdint>

#include "filterlib/core/image.h"

namespace filterlib {

// floor((s + half) / d) for every window sum s the filter makes, as a multiplication:
// (s + half) * magic >> shift. For 16-bit lanes shift counts the 16 bits of the high half.
struct WindowDivision {
    uint32_t half = 0;
    uint32_t magic = 0;
    int shift = 0;
    // Above 0: 32-bit lanes divide as float((s + half + 0.5) * reciprocal), cut to a whole
    // number instead (see floatWindowDivision).
    float reciprocal = 0;
};

// Sets the magic below 2^bits and the shift (at least bits) that divide every x up to
// `largest` (below 2^32) by `divisor` (below 2^23) exactly; false when there are none.
bool windowDivision(uint32_t divisor, uint64_t largest, int bits, WindowDivision& division);

// Sets division.reciprocal where floats divide every window sum up to 255 divisor exactly:
// for divisors up to kLargestFloatDivisor. The quotient q + (r + 0.5) / d lies at least
// 0.5 / d from a whole number; two roundings of a float move a quotient below 256 by at most
// 2^-15, which is less for d < 2^14.
constexpr uint32_t kLargestFloatDivisor = 16383;
bool floatWindowDivision(uint32_t divisor, WindowDivision& division);

// A symmetric kernel of 2 radius + 1 whole weights (radius 1 to 4) used down and then
// across; the outer product's sum is 2^shift (2 to 256), so every sum fits 16 bits and the
// division, halves to even, is a shift.
struct SeparableKernel {
    int radius = 1;
    uint16_t weights[9] = {};  // weights[radius] at the centre
    int shift = 0;
};

struct WindowKernels {
    // Rows first .. end - 1 of the (2 rx + 1) x (2 ry + 1) window mean, edges repeated.
    // Columns and blocks: 4 (w + 2 boxPad(rx)) lanes each, of 16 bits (every window sum
    // below 2^16) or of 32; the 32-bit sums keep 16-bit columns where 2 ry + 1 rows of 255
    // fit them, and 32-bit ones else.
    void (*boxBand16)(const Image& source, Image& dest, int rx, int ry, int first, int end,
                      const WindowDivision& division, uint16_t* columns, uint16_t* blocks);
    void (*boxBand32)(const Image& source, Image& dest, int rx, int ry, int first, int end,
                      const WindowDivision& division, uint16_t* narrowColumns, uint32_t* columns,
                      uint32_t* blocks);
    // Rows first .. end - 1 of the separable kernel; line: 4 (w + 2 separablePad(radius))
    // 16-bit lanes.
    void (*separableBand)(const Image& source, Image& dest, const SeparableKernel& kernel, int first, int end,
                          uint16_t* line);
};

// The pixels of margin a row of sums needs on each side.
constexpr int boxPad(int rx) { return rx + 16; }
constexpr int separablePad(int radius) { return radius + 16; }

// The widest kernels the processor runs, unless a test chose others.
const WindowKernels& windowKernels();

// For tests: the 16-byte kernels (false) or the widest (true). Returns whether the widest are
// wider than 16 bytes.
bool useWideWindowKernels(bool wide);

}  // namespace filterlib
