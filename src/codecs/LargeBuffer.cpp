#include "codecs/LargeBuffer.h"

#include <cstdlib>
#include <new>
#include <utility>

#include <sys/mman.h>

namespace codecs {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}

LargeBuffer::LargeBuffer(size_t bytes) : size_(bytes) {
    if (bytes == 0) return;
    if (bytes >= kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        data_ = static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded));
        // Only advice: without huge pages the memory is used as it comes.
        if (data_) ::madvise(data_, rounded, MADV_HUGEPAGE);
    } else {
        data_ = static_cast<uint8_t*>(std::malloc(bytes));
    }
    if (!data_) throw std::bad_alloc();
}

LargeBuffer::~LargeBuffer() { std::free(data_); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

}  // namespace codecs
