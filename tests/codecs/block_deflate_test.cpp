// BlockDeflate, with zlib's deflate and with libdeflate: zlib inflates its stream to exactly
// the data (Adler-32 checked), the bytes are the same on any number of threads, one block is
// the engine's own stream (compress2's, libdeflate's zlib stream), and zlib's blocks reach
// back into the data before them.

#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include "codecs/BlockDeflate.h"
#include "platform/sys/libraries.h"
#include "platform/sys/row_bands.h"
#include "png_writer_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Engine = codecs::BlockDeflate::Engine;
constexpr Engine kEngines[] = {Engine::Zlib, Engine::Libdeflate};
// The writer's levels.
int levelOf(Engine engine) { return engine == Engine::Zlib ? 9 : 10; }

// Phrases of a small random vocabulary: matches near and far, across block boundaries.
Bytes phrases(size_t n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Bytes> vocabulary(40);
    for (Bytes& word : vocabulary) {
        word.resize(3 + random() % 30);
        for (uint8_t& b : word) b = uint8_t(random() % 7);
    }
    Bytes data;
    while (data.size() < n) {
        const Bytes& word = vocabulary[random() % vocabulary.size()];
        data.insert(data.end(), word.begin(), word.end());
        if (random() % 5 == 0) data.push_back(uint8_t(random()));
    }
    data.resize(n);
    return data;
}

Bytes compressInBlocks(const codecs::BlockDeflate& deflate, const Bytes& data, size_t blockBytes, Engine engine) {
    const int64_t capacity = deflate.Capacity(data.size(), blockBytes, engine, levelOf(engine));
    EXPECT_GT(capacity, 0);
    if (capacity <= 0) return {};
    Bytes out(static_cast<size_t>(capacity));
    const int64_t length =
        deflate.Compress(data.data(), data.size(), blockBytes, engine, levelOf(engine), out.data(), out.size());
    EXPECT_GE(length, 0);
    out.resize(size_t(std::max<int64_t>(0, length)));
    return out;
}

Bytes inflated(const Bytes& stream, size_t size) {
    Bytes raw(size + 1);  // a byte more, so that a longer stream shows
    uLongf got = uLongf(raw.size());
    if (uncompress(raw.data(), &got, stream.data(), uLong(stream.size())) != Z_OK) return {9, 9, 9};
    raw.resize(got);
    return raw;
}

Bytes compress2Stream(const Bytes& data) {
    Bytes out(compressBound(uLong(data.size())));
    uLongf length = uLongf(out.size());
    EXPECT_EQ(compress2(out.data(), &length, data.data(), uLong(data.size()), 9), Z_OK);
    out.resize(length);
    return out;
}

Bytes libdeflateZlibStream(const Bytes& data) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(levelOf(Engine::Libdeflate));
    Bytes out(libdeflate_zlib_compress_bound(compressor, data.size()));
    out.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

class BlockDeflateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(deflate.Bind("zlib1.dll"));
        ASSERT_TRUE(deflate.HasLibdeflate());
        EXPECT_EQ(deflate.Fastest(), Engine::Libdeflate);
    }
    void TearDown() override {
        sys::setRowBandThreads(0);
        sys::clearAbsentLibraries();
    }
    codecs::BlockDeflate deflate;
};

TEST_F(BlockDeflateTest, InflatesToTheDataWithTheSameBytesOnAnyThreadCount) {
    const struct Case {
        const char* name;
        size_t size, blockBytes;
    } cases[] = {
        {"nothing", 0, 1000},
        {"less than a block", 700, 1000},
        {"exactly one block", 70000, 70000},
        {"one byte more", 70001, 70000},
        // Blocks smaller than zlib's 32 KB window: the dictionary spans several of them. A
        // hundred libdeflate blocks end on every bit of a byte, and so join in every way.
        {"small blocks", 100000, 1000},
        {"blocks of one byte", 300, 1},
        {"blocks larger than the window", 300000, 40000},
    };
    for (const Engine engine : kEngines)
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(engine == Engine::Zlib ? "zlib" : "libdeflate");
            const Bytes data = phrases(c.size, 5);
            Bytes first;
            for (int threads : {1, 2, 3, 8}) {
                SCOPED_TRACE(threads);
                sys::setRowBandThreads(threads);
                const Bytes stream = compressInBlocks(deflate, data, c.blockBytes, engine);
                EXPECT_EQ(inflated(stream, data.size()), data);
                if (threads == 1) first = stream;
                EXPECT_EQ(stream, first);
            }
        }
}

TEST_F(BlockDeflateTest, OneBlockIsTheEnginesOwnStream) {
    for (size_t size : {size_t(0), size_t(1), size_t(5000), size_t(120000)}) {
        SCOPED_TRACE(size);
        const Bytes data = phrases(size, 9);
        EXPECT_EQ(compressInBlocks(deflate, data, 120000, Engine::Zlib), compress2Stream(data));
        EXPECT_EQ(compressInBlocks(deflate, data, 120000, Engine::Libdeflate), libdeflateZlibStream(data));
    }
}

TEST_F(BlockDeflateTest, EachBlockReachesBackIntoTheDataBeforeIt) {
    // One random 16 KB stretch sixteen times over, a block each: primed with the stretch
    // before it, every block after the first is a few long matches.
    std::mt19937 random(3);
    Bytes stretch(16384), data;
    for (uint8_t& b : stretch) b = uint8_t(random());
    for (int i = 0; i < 16; ++i) data.insert(data.end(), stretch.begin(), stretch.end());
    sys::setRowBandThreads(4);
    const Bytes stream = compressInBlocks(deflate, data, stretch.size(), Engine::Zlib);
    EXPECT_EQ(inflated(stream, data.size()), data);
    EXPECT_LT(stream.size(), compress2Stream(data).size() + 16 * 64);
}

TEST_F(BlockDeflateTest, TooLittleRoomAndMissingFunctionsFail) {
    const Bytes data = phrases(5000, 1);
    for (const Engine engine : kEngines) {
        const int64_t capacity = deflate.Capacity(data.size(), 1000, engine, 9);
        ASSERT_GT(capacity, 0);
        Bytes out(static_cast<size_t>(capacity));
        EXPECT_EQ(deflate.Compress(data.data(), data.size(), 1000, engine, 9, out.data(), out.size() - 1), -1);
    }

    // Without libdeflate, zlib's deflate does the work.
    sys::setLibraryAbsent("libdeflate.dll", true);
    codecs::BlockDeflate zlibOnly;
    ASSERT_TRUE(zlibOnly.Bind("zlib1.dll"));
    EXPECT_FALSE(zlibOnly.HasLibdeflate());
    EXPECT_EQ(zlibOnly.Fastest(), Engine::Zlib);
    EXPECT_EQ(zlibOnly.Capacity(data.size(), 1000, Engine::Libdeflate, 9), -1);

    // A library with compress2 and crc32 but not deflate's own functions binds nothing.
    pngwritertest::StandInZlib standIn(true, false);
    codecs::BlockDeflate partial;
    EXPECT_FALSE(partial.Bind("zlib1.dll"));
    EXPECT_FALSE(partial.Bound());
    EXPECT_EQ(partial.Capacity(data.size(), 1000, Engine::Zlib, 9), -1);
}

}  // namespace
