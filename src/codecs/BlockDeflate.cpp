#include "codecs/BlockDeflate.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <span>
#include <vector>

// Only the libraries' types and constants: their functions are found at run time.
#include <libdeflate.h>
#include <zlib.h>

#include "codecs/cPNGparser.h"
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
// Each block's slot has two bytes before it, where our inflater expects a zlib header (it
// skips them unread) when it reads a libdeflate block again.
constexpr size_t kLead = 2;
constexpr uint8_t kEmptyStoredBlock[4] = {0, 0, 0xFF, 0xFF};  // LEN 0 and its complement

}  // namespace

struct BlockDeflate::Zlib {
    decltype(&::deflateInit2_) deflateInit2_;
    decltype(&::deflateSetDictionary) deflateSetDictionary;
    decltype(&::deflate) deflate;
    decltype(&::deflateReset) deflateReset;
    decltype(&::deflateEnd) deflateEnd;
    decltype(&::deflateBound) deflateBound;
    decltype(&::adler32) adler32;
    uLong (*adler32_combine)(uLong, uLong, z_off_t);
};

struct BlockDeflate::Libdeflate {
    decltype(&::libdeflate_alloc_compressor) alloc;
    decltype(&::libdeflate_deflate_compress) compress;
    decltype(&::libdeflate_deflate_compress_bound) bound;
    decltype(&::libdeflate_free_compressor) free;
};

namespace {

// Looks up every function of a table in a library; the handle, or 0 (and the library
// released) when the library or any function is missing.
template <class Table, class Find>
sys::LibraryHandle bindTable(const std::string& library, Table& table, const Find& findAll) {
    const sys::LibraryHandle handle = sys::LoadLibrary(library);
    if (!handle) return 0;
    bool all = true;
    const auto find = [&]<class F>(F& function, const char* name) {
        function = reinterpret_cast<F>(sys::GetProcAddress(handle, name));
        all = all && function != nullptr;
    };
    findAll(table, find);
    if (all) return handle;
    sys::FreeLibrary(handle);
    return 0;
}

// One zlib deflate stream set up as every block wants it; ended when it goes.
class Deflater {
public:
    Deflater(const BlockDeflate::Zlib& zlib, int level) : zlib_(zlib) {
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
    const BlockDeflate::Zlib& zlib_;
    z_stream stream_{};
    bool ready_ = false;
};

}  // namespace

BlockDeflate::BlockDeflate() = default;

BlockDeflate::~BlockDeflate() {
    if (zlibLibrary_) sys::FreeLibrary(zlibLibrary_);
    if (libdeflateLibrary_) sys::FreeLibrary(libdeflateLibrary_);
}

bool BlockDeflate::Bind(const std::string& library) {
    auto zlib = std::make_unique<Zlib>();
    const sys::LibraryHandle zlibHandle = bindTable(library, *zlib, [](Zlib& f, const auto& find) {
        find(f.deflateInit2_, "deflateInit2_");
        find(f.deflateSetDictionary, "deflateSetDictionary");
        find(f.deflate, "deflate");
        find(f.deflateReset, "deflateReset");
        find(f.deflateEnd, "deflateEnd");
        find(f.deflateBound, "deflateBound");
        find(f.adler32, "adler32");
        find(f.adler32_combine, "adler32_combine");
    });
    if (!zlibHandle) return false;
    auto libdeflate = std::make_unique<Libdeflate>();
    const sys::LibraryHandle libdeflateHandle =
        bindTable("libdeflate.dll", *libdeflate, [](Libdeflate& f, const auto& find) {
            find(f.alloc, "libdeflate_alloc_compressor");
            find(f.compress, "libdeflate_deflate_compress");
            find(f.bound, "libdeflate_deflate_compress_bound");
            find(f.free, "libdeflate_free_compressor");
        });
    if (zlibLibrary_) sys::FreeLibrary(zlibLibrary_);
    if (libdeflateLibrary_) sys::FreeLibrary(libdeflateLibrary_);
    zlibLibrary_ = zlibHandle;
    libdeflateLibrary_ = libdeflateHandle;
    zlib_ = std::move(zlib);
    libdeflate_ = libdeflateHandle ? std::move(libdeflate) : nullptr;
    return true;
}

namespace {

// Where each block's data lies and where its deflated bytes go: a slot of the block's own
// bound, behind the header and the slot's lead bytes.
struct Block {
    size_t first, length, slot, room;
    size_t written = 0;
    uLong adler = 0;
};

// The most a block of `length` bytes deflates to, flush or join included.
using BlockBound = std::function<size_t(size_t length)>;

std::vector<Block> layOut(size_t n, size_t blockBytes, const BlockBound& bound) {
    if (blockBytes == 0) return {};
    std::vector<Block> blocks(std::max<size_t>(1, (n + blockBytes - 1) / blockBytes));
    size_t slot = kHeader;
    for (size_t b = 0; b < blocks.size(); ++b) {
        Block& block = blocks[b];
        block.first = b * blockBytes;
        block.length = std::min(blockBytes, n - block.first);
        block.slot = slot + kLead;
        block.room = bound(block.length);
        slot = block.slot + block.room;
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

// Deflates one block into its slot and sets what it wrote; false when the engine fails. One
// per thread, for the blocks that thread takes.
class BlockCoder {
public:
    virtual ~BlockCoder() = default;
    virtual bool ready() const = 0;
    virtual bool code(const uint8_t* source, Block& block, bool last, uint8_t* destination) = 0;
};

class ZlibCoder final : public BlockCoder {
public:
    ZlibCoder(const BlockDeflate::Zlib& zlib, int level) : zlib_(zlib), deflater_(zlib, level) {}
    bool ready() const override { return deflater_.ready(); }

    bool code(const uint8_t* source, Block& block, bool last, uint8_t* destination) override {
        z_stream* stream = deflater_.stream();
        const size_t dictionary = std::min(kWindow, block.first);
        if (zlib_.deflateReset(stream) != Z_OK ||
            (dictionary &&
             zlib_.deflateSetDictionary(stream, source + block.first - dictionary, uInt(dictionary)) != Z_OK))
            return false;
        stream->next_in = const_cast<Bytef*>(source + block.first);
        stream->avail_in = uInt(block.length);
        stream->next_out = destination + block.slot;
        stream->avail_out = uInt(block.room);
        const int result = zlib_.deflate(stream, last ? Z_FINISH : Z_SYNC_FLUSH);
        // A sync flush that filled its room may have more to give: too little room.
        const bool complete = last ? result == Z_STREAM_END : result == Z_OK && stream->avail_out > 0;
        if (!complete || stream->avail_in != 0) return false;
        block.written = block.room - stream->avail_out;
        return true;
    }

private:
    const BlockDeflate::Zlib& zlib_;
    Deflater deflater_;
};

class LibdeflateCoder final : public BlockCoder {
public:
    // The room a block needs beyond libdeflate's bound: a byte for a stored block's header
    // that does not fit in the last byte's padding, and the stored block's lengths.
    static constexpr size_t kJoinRoom = 1 + sizeof kEmptyStoredBlock;

    LibdeflateCoder(const BlockDeflate::Libdeflate& libdeflate, int level, size_t blockBytes)
        : libdeflate_(libdeflate), compressor_(libdeflate.alloc(level)), inflated_(blockBytes) {}
    ~LibdeflateCoder() override {
        if (compressor_) libdeflate_.free(compressor_);
    }
    LibdeflateCoder(const LibdeflateCoder&) = delete;
    LibdeflateCoder& operator=(const LibdeflateCoder&) = delete;
    bool ready() const override { return compressor_ != nullptr; }

    bool code(const uint8_t* source, Block& block, bool last, uint8_t* destination) override {
        uint8_t* out = destination + block.slot;
        const size_t size =
            libdeflate_.compress(compressor_, source + block.first, block.length, out, block.room - kJoinRoom);
        if (size == 0) return false;
        block.written = size;
        return last || join(source + block.first, block, out);
    }

private:
    // Turns the block's finished stream into one that goes on: the final-block bit cleared,
    // and an empty stored block after the last code, which pads to a byte boundary.
    bool join(const uint8_t* data, Block& block, uint8_t* out) {
        const std::span<uint8_t> inflated(inflated_.data(), block.length);
        const InflateResult read = inflateZlibStream({out - kLead, kLead + block.written}, inflated);
        if (!read.ok() || read.quirks != 0 || read.produced != block.length ||
            (block.length && std::memcmp(inflated.data(), data, block.length) != 0))
            return false;
        const uint64_t finalBlock = read.finalBlockBit - 8 * kLead, end = read.endBit - 8 * kLead;
        out[finalBlock / 8] &= uint8_t(~(1u << finalBlock % 8));
        size_t written = size_t((end + 7) / 8);
        // The stored block's header is three zero bits at `end`: in the last byte's padding
        // when there is room for them, else in a byte of its own.
        const unsigned used = unsigned(end % 8);
        if (used != 0) out[written - 1] &= uint8_t((1u << used) - 1);
        if (used == 0 || used > 5) out[written++] = 0;
        std::memcpy(out + written, kEmptyStoredBlock, sizeof kEmptyStoredBlock);
        block.written = written + sizeof kEmptyStoredBlock;
        return true;
    }

    const BlockDeflate::Libdeflate& libdeflate_;
    libdeflate_compressor* compressor_;
    std::vector<uint8_t> inflated_;
};

// The blocks of n bytes for the engine; empty when it is not bound or cannot be set up.
std::vector<Block> layOutFor(const BlockDeflate::Zlib* zlib, const BlockDeflate::Libdeflate* libdeflate, size_t n,
                             size_t blockBytes, BlockDeflate::Engine engine, int level) {
    if (!zlib) return {};
    if (engine == BlockDeflate::Engine::Libdeflate) {
        if (!libdeflate) return {};
        return layOut(n, blockBytes, [&](size_t length) {
            return size_t(libdeflate->bound(nullptr, length)) + LibdeflateCoder::kJoinRoom;
        });
    }
    Deflater sizing(*zlib, level);
    if (!sizing.ready()) return {};
    return layOut(n, blockBytes, [&](size_t length) {
        return size_t(zlib->deflateBound(sizing.stream(), uLong(length))) + kFlushRoom;
    });
}

}  // namespace

int64_t BlockDeflate::Capacity(size_t n, size_t blockBytes, Engine engine, int level) const {
    const std::vector<Block> blocks = layOutFor(zlib_.get(), libdeflate_.get(), n, blockBytes, engine, level);
    return blocks.empty() ? -1 : int64_t(capacityOf(blocks));
}

int64_t BlockDeflate::Compress(const uint8_t* source, size_t n, size_t blockBytes, Engine engine, int level,
                               uint8_t* destination, size_t capacity) const {
    std::vector<Block> parts = layOutFor(zlib_.get(), libdeflate_.get(), n, blockBytes, engine, level);
    if (parts.empty() || capacityOf(parts) > capacity) return -1;
    const Zlib& zlib = *zlib_;
    const size_t blocks = parts.size();

    // Blocks deflate at very different speeds (smooth parts take longest), so each thread
    // takes the next block left rather than a fixed share of them.
    std::atomic<bool> failed{false};
    std::atomic<size_t> next{0};
    const auto deflateBlocks = [&] {
        std::unique_ptr<BlockCoder> coder;
        if (engine == Engine::Libdeflate)
            coder = std::make_unique<LibdeflateCoder>(*libdeflate_, level, std::min(blockBytes, n));
        else
            coder = std::make_unique<ZlibCoder>(zlib, level);
        if (!coder->ready()) {
            failed = true;
            return;
        }
        for (size_t b = next++; b < blocks && !failed; b = next++) {
            Block& part = parts[b];
            if (!coder->code(source, part, b + 1 == blocks, destination)) {
                failed = true;
                return;
            }
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
