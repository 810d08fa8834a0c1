#include "platform/sys/memory.h"

#include <malloc.h>
#include <sys/mman.h>

namespace sys {

namespace {

bool wholeHugePages(size_t bytes) { return bytes > 0 && bytes % kHugePageBytes == 0; }

}  // namespace

void keepFreedPictureMemory() {
    constexpr int kKept = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, kKept);
    mallopt(M_TRIM_THRESHOLD, kKept);
}

void* allocateBlock(size_t bytes) {
    if (!wholeHugePages(bytes)) return ::operator new(bytes);
    void* block = ::operator new(bytes, std::align_val_t(kHugePageBytes));
    ::madvise(block, bytes, MADV_HUGEPAGE);  // declined: ordinary pages, same contents
    return block;
}

void releaseBlock(void* block, size_t bytes) noexcept {
    if (wholeHugePages(bytes))
        ::operator delete(block, std::align_val_t(kHugePageBytes));
    else
        ::operator delete(block);
}

}  // namespace sys
