#include "filterlib/core/window_kernels.h"

#include <atomic>
#include <cstddef>

#include "filterlib/core/lanes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#define QM_LANE_BYTES 16
#define QM_LANES_NAMESPACE lanes16
#include "filterlib/core/window_kernels.inc"
#undef QM_LANE_BYTES
#undef QM_LANES_NAMESPACE

#if defined(__x86_64__)
#pragma GCC push_options
#pragma GCC target("avx2")
#define QM_LANE_BYTES 32
#define QM_LANES_NAMESPACE lanes32
#include "filterlib/core/window_kernels.inc"
#undef QM_LANE_BYTES
#undef QM_LANES_NAMESPACE
#pragma GCC pop_options
#endif

namespace filterlib {

namespace {

const WindowKernels& widest() {
#if defined(__x86_64__)
    if (hasAvx2()) return lanes32::kKernels;
#endif
    return lanes16::kKernels;
}

std::atomic<const WindowKernels*> chosen{nullptr};

}  // namespace

// The product exceeds x / d by x e / (d 2^shift), e = magic d - 2^shift, which stays below
// the 1/d that would carry it to the next whole number while x e < 2^shift.
bool windowDivision(uint32_t divisor, uint64_t largest, int bits, WindowDivision& division) {
    for (int shift = 63; shift >= bits; --shift) {
        const uint64_t power = uint64_t(1) << shift, magic = (power - 1) / divisor + 1;
        if (magic >> bits) continue;
        if (largest * (magic * divisor - power) < power) {
            division.magic = uint32_t(magic);
            division.shift = shift;
            return true;
        }
    }
    return false;
}

bool floatWindowDivision(uint32_t divisor, WindowDivision& division) {
    if (divisor > kLargestFloatDivisor) return false;
    division.reciprocal = 1.0f / float(divisor);
    return true;
}

const WindowKernels& windowKernels() {
    const WindowKernels* k = chosen.load(std::memory_order_relaxed);
    return k ? *k : widest();
}

bool useWideWindowKernels(bool wide) {
    chosen.store(wide ? &widest() : &lanes16::kKernels, std::memory_order_relaxed);
    return &widest() != &lanes16::kKernels;
}

}  // namespace filterlib
