#pragma once
// How the process keeps memory it frees, and blocks that are cheap to fill.

#include <cstddef>
#include <new>

namespace sys {

// Pictures come and go in blocks of megabytes. By default the C library hands such blocks
// straight back to the system (or trims them off the heap once a few are free), so each
// next picture pays again for the system zeroing and mapping its pages. Keeping up to
// 64 MiB of freed memory for the next picture avoids that. Called once, at start.
void keepFreedPictureMemory();

// Every fresh 4 KiB page costs a fault when first written: about a microsecond on bare
// hardware, tens of microseconds in some virtual machines, where filling 14 MB of new
// memory then takes a tenth of a second. A 2 MiB huge page costs one fault. Blocks of
// whole huge pages are aligned to them and offered to the system as huge pages (a hint
// it may decline); other sizes are ordinary heap blocks. Release with the same size.
inline constexpr size_t kHugePageBytes = size_t{2} << 20;
void* allocateBlock(size_t bytes);
void releaseBlock(void* block, size_t bytes) noexcept;

// For containers that grow to megabytes: a capacity of whole huge pages gets them.
template <typename T>
struct BlockAllocator {
    using value_type = T;
    BlockAllocator() = default;
    template <typename U>
    BlockAllocator(const BlockAllocator<U>&) {}
    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(allocateBlock(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { releaseBlock(p, n * sizeof(T)); }
    friend bool operator==(const BlockAllocator&, const BlockAllocator&) { return true; }
};

}  // namespace sys
