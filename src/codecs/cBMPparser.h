#pragma once
// cBMPparser: the BMP reader and writer of the image class, and its road to the platform
// picture loader for everything else that loader reads.
//
// Reading (LoadStream). A 32-bpp BI_RGB BMP whose rows lie within the data is decoded
// here: its rows are copied as they stand (bottom-up, or flipped when biHeight is
// negative) and classified as opaque, straight or premultiplied alpha; a file that
// leaves its fourth byte at 0 loads opaque. Only the fields at offsets 10, 18, 22, 28
// and 30 are read, so the 40-byte header and every longer one read alike. Everything
// else (other bit depths, bit fields, RLE, OS/2 headers, JPEG, GIF, icons, whatever the
// platform picture loader takes) goes to that loader and comes back opaque, drawn into
// the host. What the loader refuses (PNG, TIFF, TGA, metafiles for now) is not read.
//
// Writing (SaveAsBMP). A 54-byte header (BITMAPINFOHEADER, no colour table) and
// bottom-up rows: 24 bpp for an opaque image, or for one with transparency composited
// over a fill colour; 32 bpp premultiplied, as the image holds it, on request. A file is
// written to a temporary name and renamed over the target, so a failed write keeps the
// old file.
//
// Hostile input: the range must lie within the caller's array, a bfOffBits with the sign
// bit set or past the end of the data is refused, and every size is worked out in 64
// bits before anything is copied; the direct decode never allocates more than the rows
// the data holds, and the platform loader keeps its own limits (2^31 - 1 bytes, 2^28
// pixels).
//
// Speed (Release, bench/bmp): SaveToFile_Bitmap of a 12-megapixel opaque image as 24 bpp
// takes 1.05 to 1.3 times a bare write of the same 36 MB, both flushed to disk the same
// way (60-80 ms here). An image with transparency composited over a fill colour takes
// about three times as long: its pixels are classified and blended whole.
//
// An instance serves one call and keeps no state.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/picture/picture.h"

class cImage32;

namespace codecs {

class cBMPparser {
public:
    // Decodes the streamLength bytes at inStream[streamOffset] into cHost. True when the
    // host holds an image from them: a direct decode, or a picture of the platform loader
    // converted by ConvertstdPicTo32bpp. False, and nothing loaded, for a "BM" header of
    // fewer than 34 bytes, a width below 1, a height of 0, a bfOffBits that is negative or
    // past the data, a range outside inStream, and whatever the platform loader refuses.
    // Raises nothing.
    bool LoadStream(std::span<const uint8_t> inStream, cImage32& cHost, int64_t streamOffset = 0,
                    int64_t streamLength = 0);

    // Converts a picture object (stdPic given) or else a gdi bitmap handle into cHost.
    // Bitmaps of 32 bpp keep their alpha, classified (straight alpha is premultiplied);
    // other bitmaps and pictures load opaque, ImageType 1 (3 for an icon picture);
    // metafiles keep what they do not draw transparent. False for no picture, a picture of
    // type 0, a handle of 0 or of no bitmap, or a size the host cannot hold. BitCount has
    // no effect. Raises Overflow (6) for a picture size whose HIMETRIC x 1440 leaves 32
    // bits.
    bool ConvertstdPicTo32bpp(const picture::Picture& stdPic, uint32_t Handle, cImage32& cHost,
                              int16_t BitCount = 0);

    // Writes cHost as a BMP to FileName, or into outStream (the whole file from index 0)
    // when FileName is "". 24 bpp unless the pixels carry transparency and Keep32bppFormat
    // is set; transparency in 24 bpp is composited over TransparentFillColor (&HBBGGRR).
    // False on any failure: no image, or the file could not be opened or written; a file
    // of that name then keeps what it held. After a failed write outStream may hold part
    // of the file.
    bool SaveAsBMP(const cImage32& cHost, const std::string& FileName,
                   std::vector<uint8_t>& outStream, bool Keep32bppFormat,
                   int32_t TransparentFillColor);

private:
    // HIMETRIC length to screen pixels, halves to even.
    int32_t HiMetricToPixels(int32_t length, bool horizontal);
};

}  // namespace codecs
