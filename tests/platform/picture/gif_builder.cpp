#include "gif_builder.h"

#include <map>
#include <string>

#include "support/little_endian.h"

namespace picture::test {

namespace {

class BitWriter {
public:
    void put(uint32_t code, int size) {
        acc_ |= code << count_;
        count_ += size;
        while (count_ >= 8) {
            bytes_.push_back(uint8_t(acc_));
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    std::vector<uint8_t> blocks() {
        if (count_ > 0) bytes_.push_back(uint8_t(acc_));
        std::vector<uint8_t> out;
        for (size_t i = 0; i < bytes_.size(); i += 255) {
            const size_t n = std::min<size_t>(255, bytes_.size() - i);
            out.push_back(uint8_t(n));
            out.insert(out.end(), bytes_.begin() + ptrdiff_t(i), bytes_.begin() + ptrdiff_t(i + n));
        }
        out.push_back(0);
        return out;
    }

private:
    uint32_t acc_ = 0;
    int count_ = 0;
    std::vector<uint8_t> bytes_;
};

using testsupport::put16;

int tableBits(size_t entries) {
    int n = 0;
    while ((size_t{2} << n) < entries) ++n;
    return n;
}

void putTable(std::vector<uint8_t>& b, const std::vector<uint32_t>& table) {
    for (size_t i = 0; i < (size_t{2} << tableBits(table.size())); ++i) {
        const uint32_t c = i < table.size() ? table[i] : 0;
        b.insert(b.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
}

}  // namespace

std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& indices, int minCodeSize,
                               bool clearWhenFull) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    BitWriter out;
    std::map<std::basic_string<uint8_t>, int> table;
    int next = 0, size = 0;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < clear; ++i) table[std::basic_string<uint8_t>(1, uint8_t(i))] = i;
        next = clear + 2;
        size = minCodeSize + 1;
    };
    reset();
    out.put(uint32_t(clear), size);
    std::basic_string<uint8_t> current;
    for (uint8_t index : indices) {
        std::basic_string<uint8_t> longer = current + index;
        if (table.count(longer)) {
            current = longer;
            continue;
        }
        out.put(uint32_t(table[current]), size);
        if (next < 4096) {
            table[longer] = next++;
            // The decoder adds each entry one code later and widens its codes once its next
            // free code reaches 2^size; at a minimum code size of 1 that is already so after
            // the first code.
            if (next - 1 >= (1 << size) && size < 12) ++size;
        } else if (clearWhenFull) {
            out.put(uint32_t(clear), size);
            reset();
        }
        current = std::basic_string<uint8_t>(1, index);
    }
    if (!current.empty()) out.put(uint32_t(table[current]), size);
    out.put(uint32_t(end), size);
    return out.blocks();
}

std::vector<uint8_t> makeGif(const GifLayout& s) {
    std::vector<uint8_t> b(s.signature, s.signature + 6);
    put16(b, s.screenWidth);
    put16(b, s.screenHeight);
    b.push_back(s.globalTable.empty() ? 0 : uint8_t(0x80 | 0x70 | tableBits(s.globalTable.size())));
    b.push_back(uint8_t(s.background));
    b.push_back(0);
    if (!s.globalTable.empty()) putTable(b, s.globalTable);
    b.insert(b.end(), s.before.begin(), s.before.end());
    if (s.transparent) b.insert(b.end(), {0x21, 0xF9, 4, 1, 0, 0, uint8_t(*s.transparent), 0});
    b.push_back(0x2C);
    put16(b, s.left);
    put16(b, s.top);
    put16(b, s.width);
    put16(b, s.height);
    uint8_t packed = s.interlaced ? 0x40 : 0;
    if (!s.localTable.empty()) packed = uint8_t(packed | 0x80 | tableBits(s.localTable.size()));
    b.push_back(packed);
    if (!s.localTable.empty()) putTable(b, s.localTable);
    b.push_back(uint8_t(s.minCodeSize));
    const std::vector<uint8_t> data = s.data.empty() ? lzwEncode(s.indices, s.minCodeSize) : s.data;
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(0x3B);
    return b;
}

}  // namespace picture::test
