#pragma once
// Row loops over pictures whose rows run in opposite directions in memory (a bottom-up bitmap
// drawn onto a top-down one): whichever way the rows are walked, one of the pictures is read
// downwards, which the processor's own prefetching does not follow, and a memory-bound loop
// then runs at about half speed. Asking for the next rows' pixels ahead, run by run, brings
// it back to the speed of rows walked upwards.

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace sys {

// The first pixel of a row to come. Its address is only a hint: one that lies outside any
// picture (a guess past the last row) does no harm.
struct RowAhead {
    uintptr_t first;
    int bytesPerPixel;
    bool written;
};

inline RowAhead rowAhead(const void* first, int bytesPerPixel, bool written) {
    return {reinterpret_cast<uintptr_t>(first), bytesPerPixel, written};
}

// The address a row `step` bytes on from `row` would start at, as a hint.
inline const void* rowAfter(const void* row, intptr_t step) {
    return reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(row) + uintptr_t(step));
}

// Calls work(from, count) for runs covering pixels 0 to pixels - 1 of a row, in order, each
// run first asking for the same pixels of the rows in `next`.
template <class Work>
void inRunsAhead(int64_t pixels, std::initializer_list<RowAhead> next, Work work) {
    constexpr int64_t kRun = 256, kLine = 64;
    for (int64_t x = 0; x < pixels; x += kRun) {
        const int64_t n = std::min(kRun, pixels - x);
        for (const RowAhead& r : next) {
            for (int64_t b = x * r.bytesPerPixel; b < (x + n) * r.bytesPerPixel; b += kLine) {
                const auto* at = reinterpret_cast<const void*>(r.first + uintptr_t(b));
                if (r.written) __builtin_prefetch(at, 1);
                else __builtin_prefetch(at, 0);
            }
        }
        work(x, n);
    }
}

}  // namespace sys
