#include "platform/sys/memory.h"

#include <malloc.h>

namespace sys {

void keepFreedPictureMemory() {
    constexpr int kKept = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, kKept);
    mallopt(M_TRIM_THRESHOLD, kKept);
}

}  // namespace sys
