#include "platform/picture/lzw_decoder.h"

#include <algorithm>
#include <array>

namespace picture::detail {

namespace {

constexpr int kMaxCodes = 4096;

// Bits of the concatenated sub-blocks, least significant first.
class SubBlockBits {
public:
    explicit SubBlockBits(std::span<const uint8_t> data) : data_(data) {}

    // The next `n` bits (n <= 12), or -1 when the data ends first.
    int read(int n) {
        while (count_ < n) {
            const int byte = nextByte();
            if (byte < 0) return -1;
            bits_ |= uint32_t(byte) << count_;
            count_ += 8;
        }
        const int v = int(bits_ & ((1u << n) - 1));
        bits_ >>= n;
        count_ -= n;
        return v;
    }

private:
    int nextByte() {
        if (blockLeft_ == 0) {
            // A zero length byte is the terminator; a missing one ends the data alike.
            if (ended_ || pos_ >= data_.size() || data_[pos_] == 0) {
                ended_ = true;
                return -1;
            }
            blockLeft_ = data_[pos_++];
        }
        if (pos_ >= data_.size()) {
            ended_ = true;
            return -1;
        }
        --blockLeft_;
        return data_[pos_++];
    }

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    size_t blockLeft_ = 0;
    bool ended_ = false;
    uint32_t bits_ = 0;
    int count_ = 0;
};

}  // namespace

size_t decodeLzw(std::span<const uint8_t> data, int minCodeSize, size_t count,
                 const std::function<void(std::span<const uint8_t>)>& put) {
    if (minCodeSize < 1 || minCodeSize > 8 || count == 0) return 0;
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes> first{};  // first index of each code's string
    std::array<uint16_t, kMaxCodes> length{};
    for (int c = 0; c < clear; ++c) {
        suffix[size_t(c)] = first[size_t(c)] = uint8_t(c);
        length[size_t(c)] = 1;
    }
    SubBlockBits bits(data);
    int size = minCodeSize + 1, next = clear + 2, previous = -1;
    size_t written = 0;

    // A code's string, built backwards from its last index; one that does not fit is cut.
    std::array<uint8_t, kMaxCodes> string;
    auto emit = [&](int code) {
        const size_t n = length[size_t(code)];
        size_t at = n;
        for (int c = code; at > 0; c = prefix[size_t(c)]) string[--at] = suffix[size_t(c)];
        const size_t taken = std::min(n, count - written);
        put(std::span<const uint8_t>(string.data(), taken));
        written += taken;
    };

    while (written < count) {
        const int code = bits.read(size);
        if (code < 0 || code == end) break;
        if (code == clear) {
            size = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear) break;  // only a literal can follow a clear code
            emit(code);
            previous = code;
        } else {
            if (code > next || (code == next && next >= kMaxCodes)) break;
            // code == next: the string of the previous code and its own first index.
            const uint8_t head = code < next ? first[size_t(code)] : first[size_t(previous)];
            if (next < kMaxCodes) {
                prefix[size_t(next)] = uint16_t(previous);
                suffix[size_t(next)] = head;
                first[size_t(next)] = first[size_t(previous)];
                length[size_t(next)] = uint16_t(length[size_t(previous)] + 1);
                ++next;
            }
            emit(code);
            previous = code;
        }
        // Codes widen once the next free code no longer fits. Checked after every code, not
        // only after additions: with a minimum code size of 1 the first free code (4) is
        // already out of reach of 2 bits, so the second code is 3 bits wide (as giflib reads).
        if (next >= (1 << size) && size < 12) ++size;
    }
    return written;
}

size_t decodeLzw(std::span<const uint8_t> data, int minCodeSize, std::span<uint8_t> out) {
    size_t at = 0;
    return decodeLzw(data, minCodeSize, out.size(), [&](std::span<const uint8_t> piece) {
        std::copy(piece.begin(), piece.end(), out.begin() + ptrdiff_t(at));
        at += piece.size();
    });
}

uint64_t mostLzwIndices(std::span<const uint8_t> data, int minCodeSize) {
    if (minCodeSize < 1 || minCodeSize > 8) return 0;
    uint64_t bytes = 0;
    for (size_t at = 0; at < data.size() && data[at] != 0; at += size_t(data[at]) + 1)
        bytes += std::min<uint64_t>(data[at], data.size() - at - 1);
    uint64_t bits = bytes * 8, indices = 0;
    const int clear = 1 << minCodeSize;
    int size = minCodeSize + 1, next = clear + 2;
    // Code k adds the table's next entry (all but the first) and stands for at most k
    // indices; the codes widen as the decoder widens them.
    for (uint64_t k = 1;; ++k) {
        if (bits < uint64_t(size)) return indices;
        bits -= uint64_t(size);
        indices += k;
        if (k >= 2) ++next;
        if (next >= kMaxCodes) return indices + bits / 12 * k;  // full: 12-bit codes from here on
        if (next >= (1 << size) && size < 12) ++size;
    }
}

}  // namespace picture::detail
