#pragma once
// cTGAparser: the TGA reader and writer of the image class.
//
// Reading (LoadStream). Truevision TGA, the 2.0 layout: an 18-byte header, the image
// identification field, an optional colour map, the pixels raw or run-length encoded,
// and an optional extension area and footer. TGA data has no signature, so the data is
// recognised by the plausibility of its header against its length; the loading dispatch
// offers data to this reader last.
//
// Supported: image types 1 and 9 (8-bit indices into a colour map of 8-, 15-, 16-, 24- or
// 32-bit entries), 2 and 10 (8-bit grey, 15/16-bit 5-5-5 colour, 24-bit BGR, 32-bit BGRA),
// 3 and 11 (8-bit grey, and 16-bit grey with an 8-bit alpha byte after each grey byte);
// every origin: rows from the bottom or (descriptor bit 0x20) from the top, pixels from the
// left or (descriptor bit 0x10, as the TGA standard has it) from the right.
//
// Run-length packets may run on from one row into the next, as many writers make them and
// the common readers take them (the TGA standard says they should not); a packet that runs
// past the image's last pixel, or whose bytes run past the data, fails the image.
//
// Alpha. 32-bit pixels keep their fourth byte as alpha, whatever the descriptor says.
// The attribute bit of 16-bit pixels counts only when the descriptor's alpha bits (its low
// four bits) are not 0 and no extension area says otherwise (attributes type 0 to 2); a set
// bit means opaque, as GIMP, ImageMagick and Pillow read it. 16-bit colour-map entries
// and the fourth byte of 32-bit entries count unless the extension area says otherwise.
// The pixels are then classified as every reader does (modParsers::ValidateAlphaChannel):
// all alpha 0 reads opaque, straight alpha is premultiplied. ImageType 128.
//
// Colour maps whose first entry index is above 0 hold colour-map-length entries; entry j
// is the colour of index (first entry index + j), as Pillow and the TGA standard read it.
// Indices the map does not cover give (0, 0, 0, 0), which classifies as opaque black
// when no entry of the map carries alpha.
//
// Hostile input: the range must lie within the caller's array; every header field is
// checked, raw data must hold all its rows before anything is allocated, and run-length
// data must hold at least the smallest encoding of all its pixels (runs of 128) before the
// image is sized, so the image is never more than 256 times the size of the data. Images are limited by the image class (2^31 - 1 bytes of pixels).
//
// Speed (Release, bench/decode): a raw 32-bit 1920x1080 image stored bottom row first is
// copied as one block, its alpha summarised on the way; see bench_decode.cpp for the
// figures against a bare memcpy of its pixels.
//
// Writing (SaveAsTGA, cTGAparser_writer.cpp). The smallest fitting form: with
// ReduceBitDepth an opaque image of at most 256 colours becomes 8-bit grey (type 3, when
// every colour is grey; the index is the level) or 8-bit indices into a sorted 24-bit
// colour map (type 1); otherwise 24-bit true colour (opaque: every alpha byte 255, or
// every one 0 in a host whose Alpha() is AlphaOpaque) or 32-bit with alpha (type 2),
// the alpha straight, or with AllowPreMultipliedPixels the host's premultiplied bytes as
// held, marked by a TGA 2.0 extension area (attributes type 4, the save's local date and
// time from runtime::clock()). Rows bottom first, left to right. With Compress the pixels
// are run-length encoded, never across a row's end and never for an image under 3 pixels
// wide, and the encoding is kept only when it is smaller than the raw data. Every file
// ends with the TGA 2.0 footer. A width or height above 65535 is refused before anything
// is written; a failed save leaves no file and an existing one as it was (SaveTarget).
//
// Speed (Release, bench/tga_write, 12 megapixels): see bench_tga_write.cpp for the
// figures against a memcpy of the same number of output bytes.
//
// An instance serves one call.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/TGAPixelRows.h"

class cImage32;

namespace codecs {

class cTGAparser {
public:
    // Reads the TGA image of streamLength bytes at inStream[streamOffset] into cHost. True
    // when the host holds an image afterwards. False, and the host untouched, for data that
    // is not recognised (fewer than 19 bytes, an unknown image type, a zero size, an
    // unsupported depth or colour map, fewer bytes than the header requires, a range outside
    // inStream); False, and no image, when the pixel data is damaged. Raises nothing.
    bool LoadStream(std::span<const uint8_t> inStream, cImage32& cHost, int64_t streamOffset = 0,
                    int64_t streamLength = 0);

    // Encodes cHost into FileName, or, when FileName is "", into outStream (from index 0).
    // False, nothing written and outStream untouched, without host or image or for a side
    // above 65535; False when the file cannot be created or written or memory is short.
    // Raises nothing.
    bool SaveAsTGA(const std::string& FileName, std::vector<uint8_t>& outStream, const cImage32* cHost,
                   bool AllowPreMultipliedPixels = false, bool Compress = false, bool ReduceBitDepth = false);

private:
    friend struct cTGAparserPrivateAccess;  // the tests of private members

    // ---- writer -------------------------------------------------------------------------
    // The whole file into outStream (resized to it).
    void EncodeTGAStream(std::vector<uint8_t>& outStream, const cImage32& host, bool AllowPreMultipliedPixels,
                         bool Compress, bool ReduceBitDepth);
    enum class TGAForm { Mapped, Opaque, Straight, AsHeld };
    // The file of one form into outStream. With watchAlpha (an Opaque form not yet known to
    // be right) False as soon as a row's alpha bytes prove the picture carries alpha.
    bool WriteTGAForm(std::vector<uint8_t>& outStream, const cImage32& host, TGAForm form, bool Compress,
                      bool watchAlpha) const;
    // Every alpha byte 255, or every one 0.
    static bool isOpaque(const cImage32& host);
    // Row `row` (memory order, 0 the bottom) as 24-bit (alpha kind 0; its alpha bytes
    // go into seen) or 32-bit straight pixels.
    static void GetTGAPixelData(const cImage32& host, int32_t alphaKind, size_t row, uint8_t* out,
                                tga::AlphaSeen& seen);
    // The distinct pixel values, sorted, in colours_[1..colourCount_] and whether all are
    // grey; False at the 257th value.
    bool BuildTGAColorMap(const cImage32& host);
    // Row `row` as 8-bit indices of the map built before (the levels for grey).
    void GetTGAIndexRow(const cImage32& host, size_t row, uint8_t* out) const;
    // Run-length packets of `height` rows of `width` pixels of b bytes into out; the
    // length, or SIZE_MAX when it would exceed `room` bytes.
    static size_t EncodeTGARLE(const uint8_t* data, uint32_t b, size_t width, size_t height, uint8_t* out,
                               size_t room);
    // The 495 bytes of the extension area.
    static void BuildTGAExtensionArea(uint8_t* area);

    std::array<int32_t, 258> colours_{};  // from index 1
    int32_t colourCount_ = 0;
    bool grey_ = false;

    // ---- reader -------------------------------------------------------------------------

    struct Header {
        uint8_t idLength = 0;
        uint8_t colourMapType = 0;
        uint8_t imageType = 0;
        uint16_t firstEntryIndex = 0;
        uint16_t colourMapLength = 0;
        uint8_t colourMapEntrySize = 0;
        uint16_t width = 0;
        uint16_t height = 0;
        uint8_t pixelDepth = 0;
        uint8_t descriptor = 0;
    };

    // Recognition; fills header_ and the sizes below. False when the data is no TGA.
    bool ValidateTGAHeader();
    bool ReadTrueColorTGA(cImage32& cHost);
    bool ReadColorMappedTGA(cImage32& cHost);
    // One run-length row of `width` pixels from position on, converted into row, a packet
    // left over from the row before first; False when a packet's bytes run past the data.
    template <class Convert>
    bool DecodeTGARLERow(size_t& position, uint32_t* row, const Convert& convert, uint32_t& alphaAnd,
                         uint32_t& alphaOr);
    bool DecodeTGARLEIndexRow(size_t& position, uint32_t* row, uint32_t& alphaAnd, uint32_t& alphaOr);
    void Build5BitLookup();
    // The extension area's verdict on alpha: False only for attributes type 0, 1 or 2.
    bool IsTGAAlphaUsable() const;

    // Sizes the host and fills it through decodeRows(first stored row, row count, out),
    // which decodes that many consecutive stored rows into consecutive pixels; the rows
    // are placed by the image's origin, then the alpha is classified. False (and the host
    // destroyed) when the host cannot be sized or a row fails.
    template <class DecodeRows>
    bool PlaceRows(cImage32& cHost, const DecodeRows& decodeRows, uint32_t& alphaAnd, uint32_t& alphaOr);
    // The least number of bytes that can hold the image's run-length pixels.
    uint64_t SmallestRunLengthData(uint32_t bytesPerPixel) const;
    // After `rowsDone` rows: the last row is done and a packet still has pixels left.
    bool endsPastTheImage(size_t rowsDone) const;
    void Finish(cImage32& cHost, uint32_t alphaAnd, uint32_t alphaOr);

    std::span<const uint8_t> data_;
    Header header_;
    bool footerPresent_ = false;
    uint32_t bytesPerPixel_ = 0;
    uint32_t mapEntryBytes_ = 0;
    uint64_t pixelStart_ = 0;  // position of the first pixel byte
    std::array<uint8_t, 32> fiveBit_{};  // a 5-bit channel widened to 8 bits
    std::array<uint32_t, 256> palette_{};  // BGRA, straight
    // The run-length packet being decoded: pixels it has left, and a run's pixel.
    size_t packetLeft_ = 0;
    bool packetIsRun_ = false;
    uint32_t packetValue_ = 0;
};

}  // namespace codecs
