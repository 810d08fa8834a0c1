#include "platform/picture/lzw_decoder.h"

#include <algorithm>
#include <array>
#include <utility>

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

// The decoder, handing the indices on in order to `out` until `count` of them have been
// handed on (a last string that does not fit is cut); returns how many were. A string is
// written backwards straight into out.window(n), n places of the output in a row, or where
// the output has no such window, built here and given to out.put(pointer, n). A template,
// so that each output is inlined: most strings are a few indices.
template <class Output>
size_t decodeInPieces(std::span<const uint8_t> data, int minCodeSize, size_t count, Output&& out) {
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
        uint8_t* to = n <= count - written ? out.window(n) : nullptr;
        const bool direct = to != nullptr;
        if (!direct) to = string.data();
        size_t at = n;
        for (int c = code; at > 0; c = prefix[size_t(c)]) to[--at] = suffix[size_t(c)];
        const size_t taken = std::min(n, count - written);
        if (!direct) out.put(string.data(), taken);
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

}  // namespace

size_t decodeLzw(std::span<const uint8_t> data, int minCodeSize, std::span<uint8_t> out) {
    struct Flat {
        uint8_t* to;
        uint8_t* window(size_t n) { return std::exchange(to, to + n); }
        void put(const uint8_t* piece, size_t n) { to = std::copy_n(piece, n, to); }
    };
    return decodeInPieces(data, minCodeSize, out.size(), Flat{out.data()});
}

size_t decodeLzwRows(std::span<const uint8_t> data, int minCodeSize, size_t rows, size_t rowLength,
                     const std::function<uint8_t*(size_t)>& rowAt) {
    if (rows == 0 || rowLength == 0) return 0;
    struct Rows {
        const std::function<uint8_t*(size_t)>& rowAt;
        size_t rows, rowLength, row = 0, x = 0;
        uint8_t* line = rowAt(0);

        void advance(size_t n) {
            x += n;
            if (x == rowLength && ++row < rows) x = 0, line = rowAt(row);
        }
        uint8_t* window(size_t n) {
            if (x + n > rowLength) return nullptr;  // split over two rows
            uint8_t* to = line + x;
            advance(n);
            return to;
        }
        void put(const uint8_t* piece, size_t n) {
            while (n > 0 && x < rowLength) {
                const size_t taken = std::min(n, rowLength - x);
                std::copy_n(piece, taken, line + x);
                piece += taken, n -= taken;
                advance(taken);
            }
        }
    };
    return decodeInPieces(data, minCodeSize, rows * rowLength, Rows{rowAt, rows, rowLength});
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
