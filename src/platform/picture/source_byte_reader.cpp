#include "platform/picture/source_byte_reader.h"

#include <algorithm>

namespace picture::detail {

namespace {
// Read ahead in pieces of this size: small beside any big picture, large enough that a
// reader's many small reads are few system calls.
constexpr uint64_t kWindowBytes = uint64_t{1} << 20;
}  // namespace

std::span<const uint8_t> SourceByteReader::bytes(uint64_t n) {
    if (n > remaining()) fail();
    if (pos_ < windowStart_ || pos_ + n > windowStart_ + window_.size()) {
        const uint64_t length = std::min(std::max(n, kWindowBytes), remaining());
        window_.resize(size_t(length));
        windowStart_ = pos_;
        if (source_.readAt(pos_, window_.data(), window_.size()) != window_.size()) {
            window_.clear();
            fail();  // the source became shorter
        }
    }
    const auto out = std::span<const uint8_t>(window_).subspan(size_t(pos_ - windowStart_), size_t(n));
    pos_ += n;
    return out;
}

}  // namespace picture::detail
