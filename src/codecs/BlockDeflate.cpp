#include "codecs/BlockDeflate.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

// Only zlib's types and constants: its functions are the library's, found at run time.
#include <zlib.h>

#include "platform/sys/row_bands.h"

namespace codecs {

namespace {

constexpr size_t kWindow = 32768;  // deflate's reach, and so the dictionary's size
constexpr int kRawWindowBits = -15;  // no header or trailer: those come once, for the whole stream
constexpr int kMemLevel = 8;         // compress2's, so a single block matches its stream
constexpr size_t kHeader = 2, kTrailer = 4;
// A sync flush ends with an empty stored block (at most 3 bits, padding and 4 bytes),
// which deflateBound, made for a finished stream, does not count.
constexpr size_t kFlushRoom = 8;

}  // namespace

struct BlockDeflate::Functions {
    decltype(&::deflateInit2_) deflateInit2_;
    decltype(&::deflateSetDictionary) deflateSetDictionary;
    decltype(&::deflate) deflate;
    decltype(&::deflateReset) deflateReset;
    decltype(&::deflateEnd) deflateEnd;
    decltype(&::deflateBound) deflateBound;
    decltype(&::adler32) adler32;
    uLong (*adler32_combine)(uLong, uLong, z_off_t);
};

namespace {

// One deflate stream set up as every block wants it; ended when it goes.
class Deflater {
public:
    Deflater(const BlockDeflate::Functions& zlib, int level) : zlib_(zlib) {
        ready_ = zlib_.deflateInit2_(&stream_, level, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY,
                                     ZLIB_VERSION, int(sizeof(z_stream))) == Z_OK;
    }
    ~Deflater() {
        if (ready_) zlib_.deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ready() const { return ready_; }
    z_stream* stream() { return &stream_; }

private:
    const BlockDeflate::Functions& zlib_;
    z_stream stream_{};
    bool ready_ = false;
};

}  // namespace

BlockDeflate::BlockDeflate() = default;

BlockDeflate::~BlockDeflate() {
    if (library_) sys::FreeLibrary(library_);
}

bool BlockDeflate::Bind(const std::string& library) {
    const sys::LibraryHandle handle = sys::LoadLibrary(library);
    if (!handle) return false;
    bool all = true;
    const auto find = [&]<class F>(F& function, const char* name) {
        function = reinterpret_cast<F>(sys::GetProcAddress(handle, name));
        all = all && function != nullptr;
    };
    auto functions = std::make_unique<Functions>();
    find(functions->deflateInit2_, "deflateInit2_");
    find(functions->deflateSetDictionary, "deflateSetDictionary");
    find(functions->deflate, "deflate");
    find(functions->deflateReset, "deflateReset");
    find(functions->deflateEnd, "deflateEnd");
    find(functions->deflateBound, "deflateBound");
    find(functions->adler32, "adler32");
    find(functions->adler32_combine, "adler32_combine");
    if (!all) {
        sys::FreeLibrary(handle);
        return false;
    }
    if (library_) sys::FreeLibrary(library_);
    library_ = handle;
    functions_ = std::move(functions);
    return true;
}

namespace {

// Where each block's data lies and where its deflated bytes go: a slot of the block's own
// bound, behind the header. Empty when zlib cannot be set up.
struct Block {
    size_t first, length, slot, room;
    size_t written = 0;
    uLong adler = 0;
};

std::vector<Block> layOut(const BlockDeflate::Functions& zlib, size_t n, size_t blockBytes, int level) {
    Deflater sizing(zlib, level);
    if (blockBytes == 0 || !sizing.ready()) return {};
    std::vector<Block> blocks(std::max<size_t>(1, (n + blockBytes - 1) / blockBytes));
    size_t slot = kHeader;
    for (size_t b = 0; b < blocks.size(); ++b) {
        Block& block = blocks[b];
        block.first = b * blockBytes;
        block.length = std::min(blockBytes, n - block.first);
        block.slot = slot;
        block.room = size_t(zlib.deflateBound(sizing.stream(), uLong(block.length))) + kFlushRoom;
        slot += block.room;
    }
    return blocks;
}

size_t capacityOf(const std::vector<Block>& blocks) { return blocks.back().slot + blocks.back().room + kTrailer; }

// zlib's header: deflate with a 32 KB window, no dictionary, the level's two bits, and the
// check bits that make it a multiple of 31.
uint16_t zlibHeader(int level) {
    if (level == Z_DEFAULT_COMPRESSION) level = 6;
    const unsigned levelBits = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const unsigned header = (Z_DEFLATED + ((15 - 8) << 4)) << 8 | levelBits << 6;
    return uint16_t(header + 31 - header % 31);
}

}  // namespace

int64_t BlockDeflate::Capacity(size_t n, size_t blockBytes, int level) const {
    if (!functions_) return -1;
    const std::vector<Block> blocks = layOut(*functions_, n, blockBytes, level);
    return blocks.empty() ? -1 : int64_t(capacityOf(blocks));
}

int64_t BlockDeflate::Compress(const uint8_t* source, size_t n, size_t blockBytes, int level, uint8_t* destination,
                               size_t capacity) const {
    if (!functions_) return -1;
    const Functions& zlib = *functions_;
    std::vector<Block> parts = layOut(zlib, n, blockBytes, level);
    if (parts.empty() || capacityOf(parts) > capacity) return -1;
    const size_t blocks = parts.size();

    // Blocks deflate at very different speeds (smooth parts take longest at level 9), so
    // each thread takes the next block left rather than a fixed share of them.
    std::atomic<bool> failed{false};
    std::atomic<size_t> next{0};
    const auto deflateBlocks = [&] {
        Deflater deflater(zlib, level);
        if (!deflater.ready()) {
            failed = true;
            return;
        }
        z_stream* stream = deflater.stream();
        for (size_t b = next++; b < blocks && !failed; b = next++) {
            Block& part = parts[b];
            const bool last = b + 1 == blocks;
            const size_t dictionary = std::min(kWindow, part.first);
            if (zlib.deflateReset(stream) != Z_OK ||
                (dictionary && zlib.deflateSetDictionary(stream, source + part.first - dictionary,
                                                         uInt(dictionary)) != Z_OK)) {
                failed = true;
                return;
            }
            stream->next_in = const_cast<Bytef*>(source + part.first);
            stream->avail_in = uInt(part.length);
            stream->next_out = destination + part.slot;
            stream->avail_out = uInt(part.room);
            const int result = zlib.deflate(stream, last ? Z_FINISH : Z_SYNC_FLUSH);
            // A sync flush that filled its room may have more to give: too little room.
            const bool complete = last ? result == Z_STREAM_END : result == Z_OK && stream->avail_out > 0;
            if (!complete || stream->avail_in != 0) {
                failed = true;
                return;
            }
            part.written = part.room - stream->avail_out;
            part.adler = zlib.adler32(zlib.adler32(0, nullptr, 0), source + part.first, uInt(part.length));
        }
    };
    const int64_t workers = std::min<int64_t>(int64_t(blocks), sys::rowBandThreads());
    sys::forEachRowBand(workers, 1, [&](int64_t, int64_t) { deflateBlocks(); });
    if (failed) return -1;

    const uint16_t header = zlibHeader(level);
    destination[0] = uint8_t(header >> 8);
    destination[1] = uint8_t(header);
    size_t end = kHeader;
    uLong adler = zlib.adler32(0, nullptr, 0);
    for (const Block& part : parts) {
        std::memmove(destination + end, destination + part.slot, part.written);
        end += part.written;
        adler = zlib.adler32_combine(adler, part.adler, z_off_t(part.length));
    }
    for (int shift = 24; shift >= 0; shift -= 8) destination[end++] = uint8_t(adler >> shift);
    return int64_t(end);
}

}  // namespace codecs
