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
#include <span>

namespace picture::detail {

// Decodes the sub-block chain starting at data[0] (its first length byte) with the
// given minimum code size (1 to 8). Returns the number of indices written to `out`.
size_t decodeLzw(std::span<const uint8_t> data, int minCodeSize, std::span<uint8_t> out);

}  // namespace picture::detail
