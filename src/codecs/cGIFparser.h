#pragma once
// cGIFparser: the GIF reader of the image class (the GIF writer and its colour quantiser
// join it later).
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
// An instance serves one call.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class cImage32;

namespace codecs {

class cGIFparser {
public:
    // Reads the first image of the GIF in the streamLength bytes at inStream[streamOffset]
    // into cHost. See the results above; whether an image was made is read from the host's
    // Handle. Raises nothing.
    bool LoadStream(std::span<const uint8_t> inStream, cImage32& cHost, int64_t streamOffset = 0,
                    int64_t streamLength = 0);

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

    std::span<const uint8_t> view_;
    std::vector<uint8_t> rebuilt_;  // lives until the platform loader has read it
    int32_t colourCount_ = 0;       // entries of the table the image uses
};

}  // namespace codecs
