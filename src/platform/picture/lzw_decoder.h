#pragma once
// GIF's variable-length LZW: codes of 3 to 12 bits, least significant bit first, read
// from a chain of data sub-blocks.
//
// Quirks (chosen so that a damaged stream still shows what it holds): decoding stops,
// without an error, at the end code, at a code that is neither in the table nor the next
// one to be added, at a first code after a clear that is not a literal, at the end of
// the data or of the sub-block chain, and once `out` is full. Once the table holds 4096
// entries it stops growing and codes stay 12 bits until the next clear code.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace picture::detail {

// Decodes the sub-block chain starting at data[0] (its first length byte) with the
// given minimum code size (1 to 8). Returns the number of indices written to `out`.
size_t decodeLzw(std::span<const uint8_t> data, int minCodeSize, std::span<uint8_t> out);

// The same, writing rows x rowLength indices straight into rows of an image: the r-th row
// decoded at rowAt(r), asked for when the decoder reaches it (a last string that does not
// fit is cut). Returns the number of indices written.
size_t decodeLzwRows(std::span<const uint8_t> data, int minCodeSize, size_t rows, size_t rowLength,
                     const std::function<uint8_t*(size_t)>& rowAt);

// The most indices that the sub-block chain starting at data[0] could describe, were
// every code to add to the table and stand for the longest string it can: the k-th code
// after a clear code stands for at most k indices, and at most as many as the table's
// longest entry once the table is full. A chain that ends early counts as far as it goes.
uint64_t mostLzwIndices(std::span<const uint8_t> data, int minCodeSize);

}  // namespace picture::detail
