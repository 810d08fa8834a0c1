#include "codecs/LargeBuffer.h"

#include <utility>

#include "platform/sys/memory.h"

namespace codecs {

namespace {

// What is actually allocated: 2 MB and more rounded up to whole huge pages.
size_t blockBytes(size_t bytes) {
    if (bytes < sys::kHugePageBytes) return bytes;
    return (bytes + sys::kHugePageBytes - 1) & ~(sys::kHugePageBytes - 1);
}

void release(uint8_t* data, size_t bytes) {
    if (data) sys::releaseBlock(data, blockBytes(bytes));
}

}  // namespace

LargeBuffer::LargeBuffer(size_t bytes) : size_(bytes) {
    if (bytes == 0) return;
    data_ = static_cast<uint8_t*>(sys::allocateBlock(blockBytes(bytes)));
}

LargeBuffer::~LargeBuffer() { release(data_, size_); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        release(data_, size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

}  // namespace codecs
