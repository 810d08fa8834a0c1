#pragma once
// cPNGparser, the PNG reader, with its own DEFLATE decoder.
//
// Reading. LoadStream (bytes in memory, read in place) and LoadFile (an open file, read
// chunk by chunk) first offer the data to GDI+ (cGDIPlus::LoadPictureWithGDIplus); only
// when GDI+ declines, as the platform's stand-in does for PNG, does the reader decode it
// itself. It walks the chunks, checks the CRCs of IHDR, PLTE, tRNS and IDAT through zlib's
// crc32 when zlib is present (a stored CRC of 0 is never checked), joins the IDAT data,
// inflates it with the decoder below, and unfilters and converts each row into the host's
// premultiplied BGRA as it comes out. The inflated data is never held whole (zlib's
// uncompress would want it so): a picture costs its image and little more.
//
// Supported: every colour type and bit depth that PNG allows, Adam7 interlacing, PLTE
// (kept whole, however many entries), tRNS for grey, RGB and palette images. Not read:
// gAMA, cHRM, sRGB, iCCP, sBIT, bKGD and every other ancillary chunk (colours come out as
// stored); unknown chunks are skipped, critical ones included.
//
// Conversion: a 16-bit sample is represented by its high byte. Premultiplied colour is
// colour x alpha \ 255, truncating. A 16-bit transparency key is compared on all 16 bits.
// The host's alpha kind follows the colour type and the presence of tRNS alone: grey and
// RGB with alpha are AlphaPartial, images with tRNS AlphaBinary, others AlphaOpaque.
//
// Hostile input: a recognised file (PNG signature) makes LoadStream and LoadFile return
// true whatever follows; whether an image was made is read from the host's Handle.
// Rejected at the header: widths or heights below 1, Width x Height x 32 bits of 2^31 or
// more, bit depths and colour types PNG does not know, and the combinations it forbids
// (RGB, grey+alpha and RGBA below 8 bits; palette at 16 bits), an IHDR of fewer than 13
// bytes. Every chunk length is checked against the data before use. The image data may
// inflate to no more than the rows need: data that inflates to more fails, data that
// inflates to less leaves zero rows.
//
// Speed (Release, bench/png, 1.5-megapixel RGB photos): see the benchmark figures in
// bench/png/bench_png.cpp.
//
// The DEFLATE decoder inflates one whole zlib stream (RFC 1950 wrapping RFC 1951) in one
// call into a buffer the caller has sized to the bytes it expects. It supports stored, fixed and dynamic
// blocks and back references anywhere into the output (the output is the window: no 32 KB
// limit and no copy of history).
//
// What it does not do: it skips the two header bytes unread (method, window size, check
// value and preset-dictionary flag are never examined), reads no preset dictionary and
// neither reads nor checks the Adler-32 trailer. It does not check that the output was
// filled: a stream that ends early succeeds and leaves the rest of the buffer as it was.
//
// Speed: table-driven (one lookup per code, subtables for long codes, a 64-bit bit buffer,
// word-sized match copies). Measured in bench/inflate: 1.3 to 1.6 times as fast as zlib
// 1.2.13's uncompress on the corpus photos' image data and 1.8 times on 64 MB of mixed data
// deflated at level 6; libdeflate 1.14 is about 1.4 times as fast again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class cCdeclCall;
class cImage32;
namespace modParsers {
class FileHandle;
}

namespace codecs {

// Why a stream was refused, finer than the status the reader acts on.
enum class InflateFault : uint8_t {
    kNone,
    kInputExhausted,        // bits beyond the end of the input were needed
    kOutputFull,            // a literal or a copy would write past the expected size
    kDistanceTooFar,        // a copy would start before the first output byte
    kNoMatchingCode,        // the next bits match no code of the block
    kBadCodeLengths,        // over-subscribed or incomplete codes, a bad repeat
    kInvalidBlockType,      // block type 3
    kStoredHeaderShort,     // fewer than five bytes left at a stored block's length fields
    kStoredLengthMismatch,  // LEN is not the ones' complement of NLEN
    kStoredInputShort,      // stored data beyond the input
    kStoredOutputFull,      // stored data beyond the expected size
};

// Tolerances for malformed streams that zlib refuses but this decoder accepts; each is a
// deliberate choice. A result reports the ones its stream relied on.
enum InflateQuirk : uint32_t {
    // Literal/length symbols 286 and 287 mean length 0: a distance is still decoded (it may
    // point anywhere), nothing is copied.
    kQuirkLengthSymbol286or287 = 1u << 0,
    // Distance codes 30 and 31 mean 32769 and 49153 plus 14 extra bits.
    kQuirkDistanceCode30or31 = 1u << 1,
    // A dynamic block may declare up to 288 literal/length and 32 distance codes.
    kQuirkCodeCountsAbove286or30 = 1u << 2,
    // Past the end of the input, Huffman codes are matched against zero bits; only
    // extra bits and header fields fail there. A stream cut inside its final
    // end-of-block code still succeeds.
    kQuirkCodesPastInputEnd = 1u << 3,
};

struct InflateResult {
    // 0 success; -1 stored block out of bounds or block type 3; -2 LEN/NLEN mismatch;
    // 9 unusable codes or any out-of-range access (runtime::kErrSubscriptOutOfRange).
    int32_t status = 0;
    InflateFault fault = InflateFault::kNone;
    uint32_t quirks = 0;   // InflateQuirk bits
    size_t produced = 0;   // output bytes written (those written before a failure stay)
    size_t consumed = 0;   // on success, input bytes up to the end of the final block
    // On success, in bits from the start of the input (header included): where the final
    // block's header begins and where its end-of-block code ends. They let a writer turn
    // the stream into the first part of a longer one.
    uint64_t finalBlockBit = 0, endBit = 0;
    bool ok() const noexcept { return status == 0; }
};

// Inflates the zlib stream in `input` into `output`, whose size is the number of bytes
// expected. The input is read up to the end of the final block and never beyond
// input.size(); bytes after the stream (a PNG reader's zero tail, the trailer) are ignored.
// Nothing is allocated on the heap.
InflateResult inflateZlibStream(std::span<const uint8_t> input, std::span<uint8_t> output);

// The same for an output of `expected` bytes that is never held whole: it is inflated into
// a window of about a megabyte of its own and handed on in order, in pieces, to `put` (the
// bytes written before a failure included). The result is inflateZlibStream's for an
// output of that size.
InflateResult inflateZlibStream(std::span<const uint8_t> input, uint64_t expected,
                                const std::function<void(std::span<const uint8_t>)>& put);

class cPNGparser {
public:
    cPNGparser();
    ~cPNGparser();
    cPNGparser(const cPNGparser&) = delete;
    cPNGparser& operator=(const cPNGparser&) = delete;

    // Reads the streamLength bytes at Stream[streamOffset] in place (the icon reader hands
    // its whole array and an entry's offset). True when they begin with the PNG signature,
    // whatever follows; the host has an image when GDI+ or the reader made one, and is
    // not touched otherwise. GlobalToken is the GDI+ session to use (0: one of its own).
    // Data of 2^31 bytes or more is recognised but not decoded. Raises Subscript out of
    // range (9) when the range does not lie within Stream.
    bool LoadStream(std::span<const uint8_t> Stream, cImage32& dibClass, int64_t streamOffset = 0,
                    int64_t streamLength = 0, int32_t GlobalToken = 0);
    // Reads the open file FileHandle, whose name is FileName, from its start; the handle
    // stays open and its file pointer ends anywhere. True as LoadStream, except that a
    // file of 56 bytes or less is not checked for the signature and gives True only when
    // GDI+ decodes it. A file of 2^31 bytes or more is recognised but not decoded.
    bool LoadFile(modParsers::FileHandle& FileHandle, const std::string& FileName, cImage32& dibClass,
                  int32_t GlobalToken = 0);

private:
    // ---- the reader (cPNGparser_reader.cpp) ----------------------------------------------
    // file: nullptr in stream mode, where the data buffer is the view.
    bool ParsePNG(modParsers::FileHandle* file, const std::string& FileName, int64_t dataSize,
                  int32_t GlobalToken);
    bool IsPngSignature() const;
    void FindZlibUncompress();
    // CRC-32 of `count` bytes from the chunk type on, against the CRC as stored (big-endian
    // value); false without zlib, on a mismatch or a result of 0.
    bool PngCheckCRC(const uint8_t* address, int64_t count, uint32_t storedCRC);
    // Each takes the chunk's type and data (data length + 4 bytes) and its stored CRC (0: not
    // checked); false when the data is corrupt.
    bool PngReadIHDR(std::span<const uint8_t> chunk, uint32_t storedCRC);
    bool PngReadPLTE(std::span<const uint8_t> chunk, uint32_t storedCRC);
    void PngReadTRNS(std::span<const uint8_t> chunk, uint32_t storedCRC);
    // Inflates the gathering buffer (the data and its zero tail) and decodes it into the
    // host a row at a time as the rows come out (the inflated data is never held whole);
    // false leaves the host without image.
    bool DecodePngData(std::vector<uint8_t>& gathered, int32_t expectedSize);

    // ---- unfiltering and pixel conversion (cPNGparser_decode.cpp) -------------------------
    void InitPngTables();
    // Bytes the image data inflates to (filter bytes included); 0 when that leaves 32 bits.
    int32_t CalcInflatedSize();
    void PngPixelSizes(int32_t& bitsPerPixel, int32_t& byteStep) const;
    static int64_t PngRowBytes(int64_t pixels, int32_t bitsPerPixel);
    uint8_t PngExtractBits(int32_t shift, uint8_t value) const;
    void PngBuildPalette();
    // The inflated rows as they come, in pieces: PngBeginRows before the first, PngTakeRows
    // for each, PngEndRows after the last (the rows the data did not reach are zero bytes).
    // False once a row failed; rows past the image are ignored.
    void PngBeginRows();
    bool PngTakeRows(std::span<const uint8_t> piece);
    bool PngEndRows();
    // The next pass that has rows and columns (interlaced), or the end.
    void PngNextPass();
    // The row just filled: unfiltered against the row before it in its pass, converted.
    void PngFinishRow();
    // Row `row` of `data` (rows of `stride` bytes, each a filter byte and the filtered
    // bytes), unfiltered in place; row 0 has no row above it.
    static void PngUnfilterSub(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep);
    static void PngUnfilterUp(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep);
    static void PngUnfilterAverage(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep);
    static void PngUnfilterPaeth(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep);
    static uint8_t PngPaethPredictor(int32_t left, int32_t above, int32_t upperLeft);
    // Rows firstRow .. firstRow + rowCount - 1 of pass `pass` (1 to 7, 8 the whole image),
    // which start in `data` at (row - firstRow) x stride, converted into the host; false
    // when a palette or transparency index lies outside its table.
    bool PngConvertTrueColor8(std::span<const uint8_t> data, int32_t pass, int64_t firstRow, int64_t rowCount,
                              int64_t stride);
    bool PngConvertIndexed(std::span<const uint8_t> data, int32_t pass, int64_t firstRow, int64_t rowCount,
                           int64_t stride);
    bool PngConvertSamples16(std::span<const uint8_t> data, int32_t pass, int64_t firstRow, int64_t rowCount,
                             int64_t stride);
    // The converter of the header's colour type and depth.
    bool PngConvert(std::span<const uint8_t> data, int32_t pass, int64_t firstRow, int64_t rowCount,
                    int64_t stride);
    // Unfilters one row by its filter byte; false for a filter type above 4.
    static bool PngUnfilterRow(std::span<uint8_t> data, int64_t row, int64_t stride, int32_t byteStep);

    struct PassGeometry {
        int64_t rows = 0, columns = 0;
    };
    PassGeometry PassSize(int32_t pass) const;
    // The pixel of every sample value of an indexed or low-depth grey image, looked up
    // once per decode instead of once per pixel.
    void PngPrepareIndexed();

    // Header (IHDR).
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint8_t bitDepth_ = 0;
    uint8_t colourType_ = 0;  // 0 before any IHDR
    uint8_t interlaceMethod_ = 0;
    bool headerRead_ = false;
    int32_t expectedSize_ = 0;  // CalcInflatedSize of the header

    // PLTE data as it stood (red, green, blue per entry), or the palette PngBuildPalette
    // made; not dimensioned before either.
    std::vector<uint8_t> palette_;
    bool paletteDimensioned_ = false;
    // tRNS data; for palette images padded to 256 entries with 255.
    std::vector<uint8_t> transparency_;
    // -1: no transparency. Grey: the key sample (at 16 bits its low byte). RGB: red x 65536 +
    // green x 256 + blue, each the low byte of its field. Palette: 0. At 16 bits only
    // whether it is -1 counts: samples are compared with the tRNS data on all 16 bits.
    int32_t transparencyKey_ = -1;

    std::array<int32_t, 9> power_{};                 // 2^i, for colour types 0 and 3
    std::array<std::array<uint8_t, 4>, 8> pass_{};  // start row, start column, row step, column step

    // The rows being decoded: the pass (1 to 7, 8 the whole image, 0 when every row is
    // done), the row within it and its count, the stride; the previous row of the pass and
    // the row being filled (rowFilled_ bytes so far) side by side.
    int32_t rowPass_ = 0;
    int64_t passRow_ = 0, passRows_ = 0, rowStride_ = 0;
    size_t rowFilled_ = 0;
    int32_t rowByteStep_ = 0;
    bool rowsFailed_ = false;
    std::vector<uint8_t> rows_;

    // PngPrepareIndexed's table: BGRA premultiplied as the host holds it, and whether the
    // sample value has an entry in the palette (and the transparency).
    std::array<uint32_t, 256> indexedPixel_{};
    std::array<bool, 256> indexedValid_{};

    std::unique_ptr<cCdeclCall> zlib_;  // present when zlib's uncompress was found
    std::string zlibLibrary_;           // "zlib1.dll" or "zlib.dll"

    // Stream mode: the caller's bytes; file mode: the current chunk's type and data.
    std::span<const uint8_t> data_;
    std::vector<uint8_t> fileChunk_;
    cImage32* host_ = nullptr;  // only during LoadStream or LoadFile
};

}  // namespace codecs
