#include "codecs/OutputBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace codecs {

OutputBuffer::OutputBuffer(size_t capacity) : bytes_(capacity) {}

void OutputBuffer::grow(size_t more) {
    LargeBuffer bigger(std::max(position_ + more, bytes_.size() + bytes_.size() / 2 + 4096));
    if (position_) std::memcpy(bigger.data(), bytes_.data(), position_);
    bytes_ = std::move(bigger);
}

}  // namespace codecs
