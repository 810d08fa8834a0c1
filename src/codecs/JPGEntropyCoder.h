#pragma once
// JPGEntropyCoder: the Huffman half of the JPEG writer (cJPGWriter). Given quantised
// coefficient planes it gathers the symbol statistics of the whole image, builds an
// optimal Huffman table for every table slot in use (T.81 Annex K.2, codes of at most 16
// bits, none of all one bits), estimates the size of the coded data and writes the scans:
// the SOS segment and the coded data with byte stuffing and one-bit padding. Every file
// carries tables made for its own image; the example tables of Annex K.3 are never used.
//
// Baseline only: DC symbols 0..11, AC symbols run x 16 + size, no restart markers.
// Components of one interleaved scan must be sampled 1 x 1 (the writer's are), so MCU m
// holds block m of every plane.
//
// Speed: symbols turn into codes through arrays indexed by symbol (no tree walk); the bits
// go out through a 64-bit accumulator, a block's non-zero entries are found through a bit
// mask, and the output buffer is checked for room once per block.
//
// Failures raise runtime::Error: "Bad Huffman Table" when a table breaks the code rules,
// Overflow when a symbol count leaves 32 bits. The cJPGWriter turns either into False.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "codecs/OutputBuffer.h"

namespace codecs {

// One Huffman table slot.
struct JPGHuffmanTable {
    std::array<uint8_t, 16> bits{};  // bits[n - 1]: the number of codes of length n
    std::vector<uint8_t> huffval;    // the symbols in order of increasing code length
    std::array<uint16_t, 256> code{};
    std::array<uint8_t, 256> length{};  // 0: the symbol has no code
};

// Counts of the symbols 0..255 and of the reserved symbol 256.
using JPGFrequencies = std::array<uint32_t, 257>;

// BITS and HUFFVAL of the optimal code for these counts (T.81 Annex K.2): ties go to the
// larger symbol number, lengths above 16 are folded back, and the reserved symbol's code,
// the one of all one bits, is dropped. Codes are not assigned. Counts of 0 get no code.
JPGHuffmanTable OptimalHuffmanTable(const JPGFrequencies& frequencies);

// Gives every symbol of HUFFVAL its code: per length 1..16 in HUFFVAL order, counting up
// from 0 and doubling after each length. Raises "Bad Huffman Table" when HUFFVAL holds
// more than 256 values, a symbol above maxSymbol (11 for DC tables, 255 for AC tables) or
// a symbol twice, when the codes of a length run out, or when there is no code at all.
void AssignHuffmanCodes(JPGHuffmanTable& table, int maxSymbol);

// The size category of a coefficient or DC difference: 0 for 0, else the number of
// significant bits of its magnitude.
inline int JPGSizeCategory(int value) {
    return int(std::bit_width(unsigned(value < 0 ? -value : value)));
}

struct JPGComponent {
    uint8_t id = 0;
    uint8_t h = 1, v = 1;  // sampling factors
    uint8_t dcTable = 0, acTable = 0;
    // 64 coefficients per block in zigzag order (entry 0 the DC), blocks in raster order.
    std::span<const int16_t> plane;
};

class JPGEntropyCoder {
public:
    // The scans the components are coded in, as [first, last] ranges: components join a
    // group while the sum of H x V stays at most 10 and it has fewer than 3 members.
    static std::vector<std::pair<size_t, size_t>> GroupScans(std::span<const JPGComponent> components);

    // Gathers the statistics of every table slot the components use (Cb and Cr sharing
    // slot 1 add up), builds and assigns their tables and returns the estimated size of
    // the entropy-coded data in bytes, stuffing and padding not counted.
    uint64_t OptimizeTables(std::span<const JPGComponent> components);

    // Writes every scan of the components at the buffer's write position: SOS, then the
    // coded blocks, flushed with one bits.
    void WriteScans(std::span<const JPGComponent> components, OutputBuffer& out) const;

    const JPGHuffmanTable& DcTable(int slot) const { return dc_[size_t(slot)]; }
    const JPGHuffmanTable& AcTable(int slot) const { return ac_[size_t(slot)]; }

private:
    std::array<JPGHuffmanTable, 4> dc_, ac_;
};

}  // namespace codecs
