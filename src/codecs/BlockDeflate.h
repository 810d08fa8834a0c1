#pragma once
// BlockDeflate: one zlib stream (RFC 1950) made of blocks deflated side by side, over
// zlib's own deflate found at run time in a library of the program's naming ("zlib1.dll").
//
// The data is cut into blocks of a fixed size; each block is deflated on its own, primed
// with the 32 KB of data before it as a dictionary, so its matches reach back into the
// previous block just as one stream's would. Every block but the last ends with a sync
// flush (on a byte boundary, the final-block bit clear), the last finishes the stream,
// and the blocks are joined behind one header and followed by the Adler-32 of the whole
// data, combined from the blocks' own. Any inflater reads the result as one stream. The
// bytes depend only on the data, the block size and the level, never on the number of
// threads; a single block gives exactly what zlib's compress2 gives.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sys/libraries.h"

namespace codecs {

class BlockDeflate {
public:
    BlockDeflate();
    ~BlockDeflate();
    BlockDeflate(const BlockDeflate&) = delete;
    BlockDeflate& operator=(const BlockDeflate&) = delete;

    // Finds deflate and its companions in the library; false (and nothing bound) when the
    // library or any of them is missing.
    bool Bind(const std::string& library);
    bool Bound() const { return functions_ != nullptr; }

    // Room enough for the stream of n bytes cut into blocks of blockBytes; -1 when zlib
    // cannot be set up (memory).
    int64_t Capacity(size_t n, size_t blockBytes, int level) const;

    // Compresses source (n bytes) into destination (capacity bytes, as Capacity gives) and
    // returns the stream's length; -1 when zlib refuses or the room runs out.
    int64_t Compress(const uint8_t* source, size_t n, size_t blockBytes, int level, uint8_t* destination,
                     size_t capacity) const;

    struct Functions;  // zlib's entry points (BlockDeflate.cpp)

private:
    std::unique_ptr<const Functions> functions_;
    sys::LibraryHandle library_ = 0;
};

}  // namespace codecs
