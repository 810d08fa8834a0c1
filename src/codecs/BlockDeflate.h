#pragma once
// BlockDeflate: one zlib stream (RFC 1950) made of blocks deflated side by side, by
// libdeflate where it is installed ("libdeflate.dll") or by zlib's own deflate, both found
// at run time under the program's names for them; zlib ("zlib1.dll") is needed either way,
// for the Adler-32.
//
// The data is cut into blocks of a fixed size, each deflated on its own; every block but
// the last ends on a byte boundary with its final-block bit clear and an empty stored block
// behind it (what zlib's sync flush writes), the last finishes the stream, and the blocks
// are joined behind one header and followed by the Adler-32 of the whole data, combined
// from the blocks' own. Any inflater reads the result as one stream.
//
// zlib primes each block with the 32 KB of data before it as a dictionary, so its matches
// reach back into the previous block just as one stream's would, and it flushes each block
// itself; a single block then gives exactly what zlib's compress2 gives. libdeflate has no
// dictionary and always finishes its stream: each block starts afresh (on blocks of a
// megabyte that costs about a thousandth), and its stream is inflated again (our own
// decoder, which also checks it gives the block back) to find where the final block begins
// and where its last code ends, so that the bit can be cleared and the stored block put
// there. At its level 10 libdeflate makes files 2 to 6 % smaller than zlib's level 9 from
// filtered photos and noise, in a third of the time or less.
//
// The bytes depend only on the data, the block size, the engine and the level, never on the
// number of threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sys/libraries.h"

namespace codecs {

class BlockDeflate {
public:
    enum class Engine { Zlib, Libdeflate };

    BlockDeflate();
    ~BlockDeflate();
    BlockDeflate(const BlockDeflate&) = delete;
    BlockDeflate& operator=(const BlockDeflate&) = delete;

    // Finds deflate and its companions in the zlib library, and libdeflate where it is
    // installed; false (and nothing bound) when the zlib library or any of its functions is
    // missing.
    bool Bind(const std::string& library);
    bool Bound() const { return zlib_ != nullptr; }
    bool HasLibdeflate() const { return libdeflate_ != nullptr; }
    // libdeflate where bound, else zlib.
    Engine Fastest() const { return HasLibdeflate() ? Engine::Libdeflate : Engine::Zlib; }

    // Room enough for the stream of n bytes cut into blocks of blockBytes; -1 when the
    // engine is not bound or cannot be set up (memory).
    int64_t Capacity(size_t n, size_t blockBytes, Engine engine, int level) const;

    // Compresses source (n bytes) into destination (capacity bytes, as Capacity gives) and
    // returns the stream's length; -1 when the engine refuses or the room runs out.
    int64_t Compress(const uint8_t* source, size_t n, size_t blockBytes, Engine engine, int level,
                     uint8_t* destination, size_t capacity) const;

    struct Zlib;        // zlib's entry points (BlockDeflate.cpp)
    struct Libdeflate;  // libdeflate's

private:
    std::unique_ptr<const Zlib> zlib_;
    std::unique_ptr<const Libdeflate> libdeflate_;
    sys::LibraryHandle zlibLibrary_ = 0, libdeflateLibrary_ = 0;
};

}  // namespace codecs
