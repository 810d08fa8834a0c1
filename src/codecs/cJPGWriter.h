#pragma once
// cJPGWriter: the image class's own JPEG encoder.
//
// Writes a baseline sequential JPEG in the JFIF 1.01 layout: three components (Y, Cb, Cr)
// at full resolution (4:4:4), 8-bit samples, one interleaved scan, two quantisation tables
// scaled from the T.81 Annex K.1 examples by a quality number, and Huffman tables built for
// each image from its own statistics (JPGEntropyCoder). Transparency is composited over a
// fill colour first. Not written: subsampling, progressive or arithmetic coding, restart
// markers, comments, EXIF or ICC data, grey output.
//
// Quality q (0..255): S = nearest(5000 / q) below 50, 200 - 2q from 50 to 100, 0 above;
// entry = nearest((S x base + 50) / 100) clamped to 1..255, halves going to even (so 50
// turns the base 11 into 12, where encoders that divide in integers keep 11). 100 and
// above give tables of all 1; quality 0 fails.
//
// Exact arithmetic: the colour conversion, the forward DCT (Arai, Agui and Nakajima, its
// scaling folded into the quantisation multipliers) and the quantisation keep the order of
// operations written in the .cpp, each result rounded to a 32-bit float (or, for the
// quantised values, to the nearest integer, halves to even) exactly once. Built with
// -ffp-contract=off and without -ffast-math, every optimisation level writes the same
// bytes for the same picture (a test compares -O0 with -O2).
//
// Output: the whole file is assembled in memory and written with one write: to a temporary
// file renamed over the target when complete, so a failed save leaves no file and an
// existing one as it was; or into the caller's array, sized to exactly the file.
//
// Limits: a width or height above 65500 fails before anything is allocated: the frame
// header would hold up to 65535, but libjpeg-turbo, which reads JPEG in this program,
// decodes no larger side (picture::kLargestJpegSide); a pixel whose colour byte,
// composited over the fill colour, comes out above 255 (a colour above its alpha) fails
// the save.
//
// Speed (Release, bench/jpeg_write, a 12-megapixel photo into memory): 90 to 100
// megapixels per second at qualities 50 to 90, 70 at 100; libjpeg-turbo (4:4:4, optimised
// tables) is 1.1 to 1.5 times as fast below 100 when its buffers get huge pages too, and
// several times slower when they do not. Figures in bench/jpeg_write/bench_jpeg_write.cpp.
//
// One instance serves one save; it keeps the quantisation tables and coefficient planes of
// its last save until it goes, which the tests read.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/JPGEntropyCoder.h"
#include "codecs/LargeBuffer.h"

class cImage32;

namespace codecs {

class cJPGWriter {
public:
    cJPGWriter();

    // Encodes cHost into FileName, or, when FileName is "", into outStream (indexes 0 to
    // length - 1, exactly the file). TransFillColor (&HBBGGRR) shows through transparency.
    // False, with outStream untouched and no file written, when there is no host or image,
    // the file cannot be created or written, Quality is 0, the image is more than 65500
    // pixels wide or high, memory runs out, or a pixel cannot be composited.
    bool SaveAsJPG(const std::string& FileName, std::vector<uint8_t>& outStream,
                   const cImage32* cHost, uint8_t Quality, int32_t TransFillColor);

    // Fills quantisation slots 0 (luminance) and 1 (chrominance) and their multipliers from
    // the quality. Raises Division by zero (11) for quality 0.
    void SetQuantizationTables(uint8_t Quality);
    // A slot's 64 values in zigzag order.
    const std::array<uint16_t, 64>& QuantizationValues(int slot) const { return quant_[size_t(slot)].values; }
    // The coefficient plane of component 0 (Y), 1 (Cb) or 2 (Cr) after a save: 64 values in
    // zigzag order per 8 x 8 block, blocks in raster order, the image padded to whole blocks.
    std::span<const int16_t> CoefficientPlane(int component) const {
        return {reinterpret_cast<const int16_t*>(planes_[size_t(component)].data()), planeSize_};
    }

private:
    struct QuantizationTable {
        std::array<uint16_t, 64> values{};     // zigzag order
        std::array<float, 64> multipliers{};  // zigzag order
    };
    static constexpr int kComponents = 3;

    // Fetches, converts, transforms and quantises every block of the host into the planes.
    void Sample(const cImage32& host, int32_t fillColor);
    void WriteHeaders(OutputBuffer& out) const;

    std::array<QuantizationTable, 4> quant_{};
    // Every value is written by the sampling: the planes are not cleared first.
    std::array<LargeBuffer, kComponents> planes_;
    size_t planeSize_ = 0;
    std::array<JPGComponent, kComponents> components_{};
    JPGEntropyCoder entropy_;
    int32_t width_ = 0, height_ = 0;
};

}  // namespace codecs
