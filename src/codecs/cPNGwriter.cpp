#include "codecs/cPNGwriter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <span>

#include "codecs/BlockDeflate.h"
#include "codecs/LargeBuffer.h"
#include "codecs/PngColourReduction.h"
#include "codecs/PngScanlineFilters.h"
#include "image/cCdeclCall.h"
#include "image/cImage32.h"
#include "image/modParsers.h"

namespace codecs {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr size_t kMaxPalette = 256;
constexpr size_t kMaxUncompressedText = 1024;  // longer custom texts go into zTXt
constexpr int kCompressionLevel = 9;
// libdeflate's first level that parses for the shortest output rather than greedily: its
// level 9 leaves noisy pictures 1.6 % larger than zlib's level 9 does, level 10 makes files
// 2 to 6 % smaller than zlib's level 9 in a fraction of its time.
constexpr int kLibdeflateLevel = 10;

void putBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

// A chunk's type and data in one buffer, as the CRC covers them.
std::vector<uint8_t> chunkBuffer(const char* type, size_t dataSize = 0) {
    std::vector<uint8_t> buffer(type, type + 4);
    buffer.reserve(4 + dataSize);
    return buffer;
}

void append(std::vector<uint8_t>& out, const std::string& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

// Room for zlib's output: a hundredth over the input and a little, and never less than
// zlib's own bound for input that does not compress.
int64_t compressCapacity(int64_t n) {
    const int64_t capacity = int64_t(std::nearbyint(double(n) + double(n) * 0.01 + 12));
    return std::max(capacity, n + (n >> 12) + (n >> 14) + (n >> 25) + 13);
}

}  // namespace

// One save: where the stream goes, what the analysis chose, the palette's background
// index. Chunks go to the file as they are made, or onto the end of `stream`.
struct cPNGwriter::Save {
    cPNGwriter& writer;
    const cImage32& host;
    modParsers::FileHandle* file;  // nullptr: array mode
    std::vector<uint8_t> stream;
    PngReduction reduction;
    int32_t backgroundIndex = 0;
    bool suppressBackground = false;

    uint32_t Crc32(std::span<const uint8_t> bytes) {
        const int32_t crc = cCdeclCall::LongOf(writer.zlib_->CallFunc(
            writer.zlibLibrary_, cCdeclCall::ReturnLong, "crc32", {0, bytes.data(), uint32_t(bytes.size())}));
        return uint32_t(crc);
    }

    // False when zlib refuses; destination length in, compressed length out.
    bool ZlibCompress(uint8_t* destination, int32_t& length, const uint8_t* source, size_t count) {
        const cCdeclCall::LengthCell cell(length);
        const cCdeclCall::Result result =
            writer.compress2_
                ? writer.zlib_->CallFunc(writer.zlibLibrary_, cCdeclCall::ReturnLong, "compress2",
                                         {destination, cell, source, uint32_t(count), kCompressionLevel})
                : writer.zlib_->CallFunc(writer.zlibLibrary_, cCdeclCall::ReturnLong, "compress",
                                         {destination, cell, source, uint32_t(count)});
        return cCdeclCall::LongOf(result) == 0;  // Z_OK
    }

    // Length, type and data, CRC.
    bool WriteChunk(std::span<const uint8_t> typeAndData) {
        std::vector<uint8_t> length, crc;
        putBigEndian32(length, uint32_t(typeAndData.size() - 4));
        putBigEndian32(crc, Crc32(typeAndData));
        if (file) return file->Write(length) && file->Write(typeAndData) && file->Write(crc);
        stream.insert(stream.end(), length.begin(), length.end());
        stream.insert(stream.end(), typeAndData.begin(), typeAndData.end());
        stream.insert(stream.end(), crc.begin(), crc.end());
        return true;
    }

    bool PngWriteIHDR() {
        std::vector<uint8_t> chunk = chunkBuffer("IHDR", 13);
        putBigEndian32(chunk, uint32_t(host.Width()));
        putBigEndian32(chunk, uint32_t(host.Height()));
        for (int field : {8, reduction.colourType, 0, 0, 0})  // depth, colour type, methods
            chunk.push_back(uint8_t(field));
        if (file) {
            if (!file->Write(kSignature)) return false;
        } else {
            stream.assign(std::begin(kSignature), std::end(kSignature));
        }
        return WriteChunk(chunk);
    }

    bool PngWriteTextChunks(bool firstPass) {
        for (const PngPropertyStore::Text& t : writer.properties_.StandardTexts(firstPass))
            if (!WriteText(t)) return false;
        return true;
    }

    bool WriteText(const PngPropertyStore::Text& t) {
        std::vector<uint8_t> chunk = chunkBuffer("tEXt", t.keyword.size() + 1 + t.text.size());
        append(chunk, t.keyword);
        chunk.push_back(0);
        append(chunk, t.text);
        return WriteChunk(chunk);
    }

    bool PngWritePLTE() {
        if (reduction.colourType != 3) return true;
        std::vector<uint8_t>& palette = reduction.palette;
        const PngPropertyStore& properties = writer.properties_;
        if (properties.IsSet(PngPropertyBackgroundColor)) {
            const int32_t colour = properties.BackgroundColor();
            const uint8_t rgb[3] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)};
            const size_t entries = palette.size() / 3;
            size_t found = 0;
            while (found < entries && !std::equal(rgb, rgb + 3, &palette[found * 3])) ++found;
            if (found == entries && entries < kMaxPalette) palette.insert(palette.end(), rgb, rgb + 3);
            if (found == entries && entries == kMaxPalette) suppressBackground = true;
            backgroundIndex = int32_t(found);
        }
        std::vector<uint8_t> chunk = chunkBuffer("PLTE", palette.size());
        chunk.insert(chunk.end(), palette.begin(), palette.end());
        palette = {};
        return WriteChunk(chunk);
    }

    bool PngWriteBKGD() {
        const PngPropertyStore& properties = writer.properties_;
        if (!properties.IsSet(PngPropertyBackgroundColor)) return true;
        const int32_t colour = properties.BackgroundColor();
        const uint8_t red = uint8_t(colour), green = uint8_t(colour >> 8), blue = uint8_t(colour >> 16);
        std::vector<uint8_t> chunk = chunkBuffer("bKGD", 6);
        switch (reduction.colourType) {
            case 0: chunk.insert(chunk.end(), {0, red}); break;
            case 3: chunk.push_back(uint8_t(backgroundIndex)); break;
            default: chunk.insert(chunk.end(), {0, red, 0, green, 0, blue}); break;
        }
        return WriteChunk(chunk);
    }

    bool PngWriteTRNS() {
        const int32_t key = reduction.transparentKey;
        std::vector<uint8_t> chunk = chunkBuffer("tRNS", 6);
        switch (reduction.colourType) {
            case 0:
                if (key == -1) return true;
                chunk.insert(chunk.end(), {0, uint8_t(key)});
                break;
            case 2:
                if (key == -1) return true;
                chunk.insert(chunk.end(), {0, uint8_t(key), 0, uint8_t(key >> 8), 0, uint8_t(key >> 16)});
                break;
            case 3:
                if (reduction.alphaTable.empty()) return true;
                chunk.insert(chunk.end(), reduction.alphaTable.begin(), reduction.alphaTable.end());
                reduction.alphaTable = {};
                break;
            default:
                return true;
        }
        return WriteChunk(chunk);
    }

    bool PngBuildIDAT() {
        const size_t rowBytes = reduction.rowBytes, height = size_t(host.Height());
        // zlib's lengths are 32 bits wide here.
        if (height * (rowBytes + 1) > size_t(INT32_MAX)) return false;
        const int32_t choice =
            PngEffectiveFilterChoice(writer.properties_.FilterChoice(), reduction.colourType);
        const LargeBuffer filtered = PngFilterScanlines(reduction.samples.data(), rowBytes, height,
                                                        reduction.bytesPerPixel, choice);
        reduction.samples = {};  // at most two copies of the image at a time

        // Blocks side by side where the library has deflate's own functions; otherwise, or
        // for data too near the 2 GB limit, one call.
        const size_t rowsPerBlock = std::max<size_t>(1, kPngDeflateBlockBytes / (rowBytes + 1));
        const size_t blockBytes = rowsPerBlock * (rowBytes + 1);
        const BlockDeflate* blocks = writer.blocks_ && writer.blocks_->Bound() ? writer.blocks_.get() : nullptr;
        const BlockDeflate::Engine engine = blocks ? blocks->Fastest() : BlockDeflate::Engine::Zlib;
        const int level = engine == BlockDeflate::Engine::Libdeflate ? kLibdeflateLevel : kCompressionLevel;
        int64_t capacity = blocks ? blocks->Capacity(filtered.size(), blockBytes, engine, level) : -1;
        if (capacity <= 0 || capacity > INT32_MAX - 4) {
            blocks = nullptr;
            capacity = std::min<int64_t>(compressCapacity(int64_t(filtered.size())), INT32_MAX - 4);
        }
        LargeBuffer chunk(size_t(4 + capacity));
        std::memcpy(chunk.data(), "IDAT", 4);
        int64_t length = -1;
        if (blocks) {
            length = blocks->Compress(filtered.data(), filtered.size(), blockBytes, engine, level, chunk.data() + 4,
                                      size_t(capacity));
        } else {
            int32_t compressed = int32_t(capacity);
            if (ZlibCompress(chunk.data() + 4, compressed, filtered.data(), filtered.size())) length = compressed;
        }
        return length >= 0 && WriteChunk({chunk.data(), size_t(4 + length)});
    }

    bool PngWriteTIME() {
        const PngPropertyStore& properties = writer.properties_;
        if (!properties.IsSet(PngPropertyTimeStamp)) return true;
        const runtime::DateTime& t = properties.TimeStamp();
        std::vector<uint8_t> chunk = chunkBuffer("tIME", 7);
        for (int field : {t.year() >> 8, t.year(), t.month(), t.day(), t.hour(), t.minute(), t.second()})
            chunk.push_back(uint8_t(field));
        return WriteChunk(chunk);
    }

    bool PngWriteCustomText() {
        const PngPropertyStore& properties = writer.properties_;
        if (!properties.IsSet(PngPropertyCustomText)) return true;
        for (const PngPropertyStore::Text& t : properties.CustomTexts()) {
            if (t.text.size() > kMaxUncompressedText) {
                const int64_t capacity = compressCapacity(int64_t(t.text.size()));
                std::vector<uint8_t> chunk = chunkBuffer("zTXt", t.keyword.size() + 2 + size_t(capacity));
                append(chunk, t.keyword);
                chunk.insert(chunk.end(), {0, 0});  // separator, compression method 0
                const size_t header = chunk.size();
                chunk.resize(header + size_t(capacity));
                int32_t length = int32_t(capacity);
                if (ZlibCompress(chunk.data() + header, length, reinterpret_cast<const uint8_t*>(t.text.data()),
                                 t.text.size())) {
                    chunk.resize(header + size_t(length));
                    if (!WriteChunk(chunk)) return false;
                    continue;
                }
            }
            if (!WriteText(t)) return false;
        }
        return true;
    }

    bool PngWriteIEND() { return WriteChunk(chunkBuffer("IEND")); }

    bool WriteAll() {
        const ByteView2D pixels = modParsers::OverlayDIBBits(host);
        if (!PngReducePalette(pixels, host.Alpha(), reduction)) PngChooseTrueColor(pixels, host.Alpha(), reduction);
        return PngWriteIHDR() && PngWriteTextChunks(true) && PngWritePLTE() &&
               (suppressBackground || PngWriteBKGD()) && PngWriteTRNS() && PngBuildIDAT() && PngWriteTIME() &&
               PngWriteTextChunks(false) && PngWriteCustomText() && PngWriteIEND();
    }
};

cPNGwriter::cPNGwriter() = default;
cPNGwriter::~cPNGwriter() = default;

bool cPNGwriter::FindZlibCompress() {
    for (const char* function : {"compress2", "compress"})
        for (const char* library : {"zlib1.dll", "zlib.dll"})
            if (modParsers::IsDllFunctionAvailable(library, function)) {
                zlibLibrary_ = library;
                compress2_ = std::strcmp(function, "compress2") == 0;
                zlib_ = std::make_unique<cCdeclCall>();
                // Level 9 in blocks side by side, where the library has deflate itself;
                // libdeflate's where it is installed.
                blocks_ = std::make_unique<BlockDeflate>();
                if (compress2_) blocks_->Bind(library);
                return true;
            }
    return false;
}

bool cPNGwriter::SaveAsPNG(const cImage32* cHost, const std::string& FileName, std::vector<uint8_t>& outStream) {
    if (!cHost || !cHost->Handle()) return false;
    if (!FindZlibCompress()) return false;
    modParsers::FileHandle file;
    if (!FileName.empty()) {
        file = modParsers::OpenImageFileHandle(FileName, false);
        if (!file) {
            zlib_.reset();
            blocks_.reset();
            return false;
        }
    }
    bool saved = false;
    try {
        Save save{*this, *cHost, FileName.empty() ? nullptr : &file, {}, {}};
        saved = save.WriteAll();
        if (saved && FileName.empty()) outStream = std::move(save.stream);
    } catch (const std::exception&) {
        saved = false;  // memory, an overflow, a zlib function missing
    }
    zlib_.reset();
    blocks_.reset();
    if (!FileName.empty()) {
        if (saved) saved = file.Close();
        else file.Abandon();
    } else if (!saved) {
        outStream = {};
    }
    return saved;
}

}  // namespace codecs
