#pragma once
// cGIFparser: the GIF reader and the GIF writer of the image class.
//
// Reading (LoadStream). GIF87a and GIF89a, signature in any case: the first image only,
// at its own size (not the logical screen's). The reader walks the blocks up to the first
// image, checks that image's LZW data, rebuilds the image as a stream of its own whose
// logical screen is exactly the image, and lets the platform picture loader decode that
// into an 8-bpp indexed bitmap; it then draws the indices through the image's colour
// table (local, else global) into the host. Delays, disposal, comments, application data,
// later images and the logical screen's background play no part.
//
// Transparency: when the last graphic control extension before the image sets the
// transparent flag, pixels of that index are (0, 0, 0, 0) and the host is AlphaBinary,
// whether or not the index occurs; otherwise every pixel is opaque (AlphaOpaque).
// ImageType 9.
//
// Quirks, each deliberate:
// - An index beyond the colour table is drawn as index 0 (transparent when 0 is the
//   transparent index); nothing is read past the table.
// - Zero bytes between blocks are skipped.
// - LZW data that goes on after the image is complete is ignored, as long as every code in
//   it is valid.
//
// Results: True with an image; True without one (the host destroyed) when the data is a
// GIF that cannot be decoded: it ends early, its LZW data holds an invalid code or fewer
// pixels than the image, or a size or position leaves the data (a range of fewer than six
// bytes counts as such a GIF, as the dispatch never hands one in); False for another
// signature, an unknown block before the image, no colour table at all, an LZW minimum
// code size outside 1 to 8, an image of width or height 0, or one beyond the platform
// loader's limits (2^28 pixels), and for a range outside inStream. False leaves the host
// untouched.
//
// Hostile input: every read is checked against the range, and the LZW data is measured
// before anything is allocated, so the image never has more pixels than its data encodes.
//
// Speed (Release, bench/decode): see bench_decode.cpp for the figures beside giflib's
// DGifSlurp with the palette expanded to 32 bpp.
//
// Writing (SaveAsGIF). One non-interlaced GIF89a image with one global colour table, into
// a file or a byte array. Pixels whose alpha is below the opaqueness tolerance become
// transparent and the others opaque, un-premultiplied; transparency takes the table's last
// entry (white in the table) and a graphic control extension names it. The colours are
// kept exactly, the table in ascending order of 0x00BBGGRR, when there are at most 256
// (255 with transparency); otherwise they are reduced by the octree quantiser
// (OctreeQuantizer) or, when the caller asks for no adaptive palette or the quantiser
// fails, mapped onto a web palette of 6 x 6 x 6 colours, 31 greys and black. Reduced
// colours take the nearest entry by squared RGB distance (the platform palette's
// GetNearestPaletteIndex), looked up once per distinct colour. The LZW data is our own
// (GIFLZWEncoder).
//
// An image whose alpha bytes are all 0 counts as opaque (as ValidateAlphaChannel has it)
// when the host says it carries no alpha (Alpha() AlphaOpaque, a 24-bit source): its
// colours are written. In a host that knows it has alpha it is wholly transparent, as is
// one whose pixels all fall below the tolerance: a valid GIF of one transparent index.
//
// Output: the whole file is assembled in memory and written with one write, to a temporary
// file renamed over the target when complete, so a failed save leaves no file and an
// existing one as it was; or into the caller's array, sized to exactly the file. A width
// or height above 65535 (the fields hold 16 bits) fails before anything is written.
//
// Speed (Release, bench/gif_write, a 12-megapixel photo): the LZW as fast as giflib's
// (about 100 megapixels per second), the octree about as fast; the whole save about 15,
// most of it matching the distinct colours to the palette. Figures in bench_gif_write.cpp.
//
// An instance serves one call.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/LargeBuffer.h"
#include "platform/gdi/gdi.h"

class cImage32;

namespace codecs {

class cGIFparser {
public:
    // Reads the first image of the GIF in the streamLength bytes at inStream[streamOffset]
    // into cHost. See the results above; whether an image was made is read from the host's
    // Handle. Raises nothing.
    bool LoadStream(std::span<const uint8_t> inStream, cImage32& cHost, int64_t streamOffset = 0,
                    int64_t streamLength = 0);

    // Writes cHost as a GIF into FileName, or, when FileName is "", into outStream (exactly
    // the file). AdaptivePalette in: reduce many colours with the octree (True) or the web
    // palette (False); out: whether the colours were reduced. Pixels of alpha below
    // OpaquenessTolerance are transparent. False, with outStream untouched and no file
    // written, when there is no host or image, a side is above 65535, the file cannot be
    // written or memory runs out.
    bool SaveAsGIF(const cImage32* cHost, const std::string& FileName, std::vector<uint8_t>& outStream,
                   bool& AdaptivePalette, uint8_t OpaquenessTolerance);

private:
    friend struct cGIFparserPrivateAccess;  // the tests of private members

    // The block walk, the rebuild and the decoding; a failure of any of them destroys the
    // host's image and answers True.
    bool ParseGIFStream(cImage32& cHost);
    // Moves position past a chain of data sub-blocks and its zero-length terminator.
    void SkipGIFSubBlocks(int64_t& position) const;
    // The rebuilt stream through the platform picture loader into the host; False when the
    // loader refuses it or gives no device-independent bitmap.
    bool DecodeGIFToDIB(int32_t transparentIndex, int64_t tablePosition, cImage32& cHost);
    // Checks the LZW data whose minimum code size byte is at position: every code valid up
    // to the end code or the end of the sub-blocks, and at least `pixels` indices. Raises
    // Subscript out of range (9) when it is not.
    void MeasureGIFImageData(int64_t position, uint64_t pixels) const;
    // The byte at position of the view; raises Subscript out of range (9) outside it.
    uint8_t at(int64_t position) const;

    // The writer's steps. The prepared pixels are 0x00BBGGRR, -1 transparent, in memory
    // order (the bottom row first); they turn into palette indices in place.
    void PrepareGIFPixels(const cImage32& host, int32_t& alphaKind, uint8_t tolerance);
    bool CollectGIFColors(int32_t alphaKind, int32_t& count);
    void BuildWebPalette(int32_t& count, int32_t alphaKind);
    // Replaces every prepared pixel by its 0-based palette index: the transparent slot,
    // the nearest entry of `palette` when there is one, else the exact entry.
    void MapGIFPaletteIndices(int32_t count, gdi::HPALETTE palette);
    int32_t* preparedPixels() const { return reinterpret_cast<int32_t*>(prepared_.data()); }

    std::span<const uint8_t> view_;
    std::vector<uint8_t> rebuilt_;  // lives until the platform loader has read it
    int32_t colourCount_ = 0;       // entries of the table the image uses

    LargeBuffer prepared_;                // the writer's pixels, then its index plane
    size_t pixelCount_ = 0;
    std::array<int32_t, 257> palette_{};  // slots from 1, 0x00BBGGRR
};

}  // namespace codecs
