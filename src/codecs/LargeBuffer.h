#pragma once
// LargeBuffer: uninitialised memory for the big working arrays of one encode (the JPEG
// writer's coefficient planes and the file it assembles). A buffer of 2 MB or more is
// aligned to 2 MB and asks the kernel for transparent huge pages: each first touch of a
// fresh 4 KB page costs a fault, and on a virtual machine the faults of tens of megabytes
// took longer than the whole encode (bench/jpeg_write). Where huge pages are not granted
// the buffer works as plain memory.

#include <cstddef>
#include <cstdint>

namespace codecs {

class LargeBuffer {
public:
    LargeBuffer() = default;
    // Raises std::bad_alloc when the memory cannot be had.
    explicit LargeBuffer(size_t bytes);
    ~LargeBuffer();
    LargeBuffer(LargeBuffer&& other) noexcept;
    LargeBuffer& operator=(LargeBuffer&& other) noexcept;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace codecs
