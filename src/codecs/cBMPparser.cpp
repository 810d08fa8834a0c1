#include "codecs/cBMPparser.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/gdi/gdi.h"
#include "platform/runtime/error.h"

namespace codecs {

namespace {

// Offsets of the fields the reader looks at, from the start of the BMP data.
constexpr size_t kOffOffBits = 10;
constexpr size_t kOffWidth = 18;
constexpr size_t kOffHeight = 22;
constexpr size_t kOffBitCount = 28;
constexpr size_t kOffCompression = 30;
constexpr int64_t kFieldsEnd = 34;  // the last field read ends here

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kHeadersBytes = kFileHeaderBytes + kInfoHeaderBytes;

// The writer's rows go out in bands of about this many bytes, so that an opaque image
// is converted to 24 bpp in cache-sized pieces instead of one copy of the whole image.
constexpr size_t kBandBytes = size_t{1} << 20;

uint16_t read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t read32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void write16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void write32(uint8_t* p, uint32_t v) {
    write16(p, v & 0xFFFF);
    write16(p + 2, v >> 16);
}

// Where the writer's bytes go: a file handle, or the caller's array.
class Output {
public:
    Output(modParsers::FileHandle* file, std::vector<uint8_t>& array) : file_(file), array_(array) {}
    bool put(std::span<const uint8_t> bytes) {
        if (file_) return file_->Write(bytes);
        array_.insert(array_.end(), bytes.begin(), bytes.end());
        return true;
    }

private:
    modParsers::FileHandle* file_;
    std::vector<uint8_t>& array_;
};

// Every alpha byte 255: the pixels came from something that has no alpha.
void makeOpaque(const ByteView2D& pixels) {
    for (size_t row = 0; row < pixels.rows(); ++row) {
        uint8_t* p = pixels.row(row).data();
        for (size_t i = 3; i < pixels.rowLength(); i += 4) p[i] = 255;
    }
}

// A metafile drew into pixels that were all 255: GDI writes 0 into the alpha byte of
// every pixel it draws, so a pixel still at alpha 255 was not drawn and becomes
// transparent, every drawn pixel opaque. True when some pixel became transparent.
bool keepUndrawnTransparent(const ByteView2D& pixels) {
    bool transparent = false;
    for (size_t row = 0; row < pixels.rows(); ++row) {
        uint8_t* p = pixels.row(row).data();
        for (size_t i = 0; i < pixels.rowLength(); i += 4, p += 4) {
            if (p[3] == 255) {
                std::memset(p, 0, 4);
                transparent = true;
            } else {
                p[3] = 255;
            }
        }
    }
    return transparent;
}

// True when every alpha byte is 255. Most images saved are opaque, and ANDing their alpha
// bytes settles that several times sooner than the full classification, which would come
// to the same answer.
bool everyPixelOpaque(const cImage32& host) {
    const uint8_t* p = host.BitsPointer();
    const size_t count = size_t(host.Width()) * size_t(host.Height());
    constexpr size_t kChunk = 1 << 16;  // checked after each, so a transparent image stops early
    for (size_t start = 0; start < count; start += kChunk) {
        const size_t end = std::min(count, start + kChunk);
        uint32_t all = 0xFFFFFFFF;
        for (size_t i = start; i < end; ++i) {
            uint32_t pixel;
            std::memcpy(&pixel, p + i * 4, 4);
            all &= pixel;
        }
        if (all >> 24 != 0xFF) return false;
    }
    return true;
}

// A row of 32-bpp pixels as 24-bpp blue, green, red, the colours as held. Writes exactly
// width x 3 bytes: each pixel but the last goes out as a 4-byte store whose fourth byte
// the next pixel overwrites.
void packRow24(const uint8_t* source, uint8_t* out, size_t width) {
    if (width == 0) return;
    for (size_t x = 1; x < width; ++x, source += 4, out += 3) std::memcpy(out, source, 4);
    std::memcpy(out, source, 3);
}

// Premultiplied pixels by the rule every reader follows; sets the host's Alpha and
// ImageType (1, 6 or 7).
void classify(cImage32& host) {
    int32_t kind = cImage32::AlphaOpaque;
    int32_t type = cImage32::ImageTypeBlank;
    modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(host), true, kind, type);
    host.Alpha(kind);
    host.ImageType(type);
}

// Copies `rows` rows of rowBytes each from source into the host's bottom-up memory; a
// top-down source is flipped.
void copyRows(cImage32& host, const uint8_t* source, size_t rowBytes, size_t rows, bool topDown) {
    uint8_t* bits = host.BitsPointer();
    if (!topDown) {
        std::memcpy(bits, source, rowBytes * rows);
        return;
    }
    for (size_t i = 0; i < rows; ++i)
        std::memcpy(bits + i * rowBytes, source + (rows - 1 - i) * rowBytes, rowBytes);
}

}  // namespace

bool cBMPparser::LoadStream(std::span<const uint8_t> inStream, cImage32& cHost,
                            int64_t streamOffset, int64_t streamLength) {
    // A range outside the caller's array is refused here rather than raised: no reader
    // may read past the data it was given.
    if (streamOffset < 0 || streamLength < 0 || uint64_t(streamOffset) > inStream.size() ||
        uint64_t(streamLength) > inStream.size() - uint64_t(streamOffset))
        return false;
    const std::span<const uint8_t> data = inStream.subspan(size_t(streamOffset), size_t(streamLength));
    bool decoded = false;
    int32_t bitCount = 0;

    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (int64_t(data.size()) < kFieldsEnd) return false;
        bitCount = read16(&data[kOffBitCount]);
        const int32_t width = int32_t(read32(&data[kOffWidth]));
        const int32_t height = int32_t(read32(&data[kOffHeight]));
        if (width < 1 || height == 0) return false;
        // bfOffBits is a signed field to the loader; a negative one or one past the data
        // points at nothing this file holds.
        const int32_t offBits = int32_t(read32(&data[kOffOffBits]));
        if (offBits < 0 || offBits > streamLength) return false;

        const uint32_t compression = read32(&data[kOffCompression]);
        const int64_t rows = height < 0 ? -int64_t{height} : int64_t{height};
        const int64_t rowBytes = int64_t{width} * 4;
        // Rows within the data, asked by division: rowBytes x rows can pass 2^63.
        if (bitCount == 32 && compression == gdi::BI_RGB &&
            rows <= (streamLength - offBits) / rowBytes && cHost.InitializeDIB(width, height)) {
            copyRows(cHost, data.data() + offBits, size_t(rowBytes), size_t(rows), height < 0);
            classify(cHost);
            decoded = true;
        }
    }
    if (decoded) return true;

    // Whatever was not decoded above is the platform picture loader's.
    try {
        const picture::Picture picture =
            modParsers::ArrayToStdPicture(inStream, streamOffset, streamLength);
        if (!picture) return false;
        if (ConvertstdPicTo32bpp(picture, 0, cHost, int16_t(bitCount))) return true;
    } catch (const std::exception&) {
    }
    cHost.LoadDIBinDC(false);
    cHost.DestroyDIB();
    return false;
}

bool cBMPparser::ConvertstdPicTo32bpp(const picture::Picture& stdPic, uint32_t Handle,
                                      cImage32& cHost, int16_t BitCount) {
    int32_t width = 0, height = 0;
    gdi::DIBSECTION section{};
    bool isDibSection = false;
    if (!stdPic) {
        if (!Handle || gdi::GetObjectType(Handle) != gdi::OBJ_BITMAP) return false;
        const int described = gdi::GetObject(Handle, sizeof(section), &section);
        if (described < int(sizeof(gdi::BITMAP))) return false;
        isDibSection = described == int(sizeof(section));
        width = section.dsBm.bmWidth;
        const int64_t rows = std::abs(int64_t{section.dsBm.bmHeight});
        if (rows > INT32_MAX) return false;
        height = int32_t(rows);
    } else {
        if (stdPic.Type() == picture::kPicTypeNone) return false;
        width = HiMetricToPixels(stdPic.Width(), true);
        height = HiMetricToPixels(stdPic.Height(), false);
    }
    if (!cHost.InitializeDIB(width, height)) return false;
    const gdi::HDC hdc = cHost.LoadDIBinDC(true);
    const size_t scan = size_t(cHost.scanWidth());
    const bool metafile = stdPic && (stdPic.Type() == picture::kPicTypeMetafile ||
                                     stdPic.Type() == picture::kPicTypeEnhMetafile);

    bool keptAlpha = false;  // a 32-bpp bitmap whose own alpha bytes were taken over
    if (!stdPic) {
        const gdi::BITMAP& bm = section.dsBm;
        if (bm.bmBitsPixel == 32 && bm.bmBits) {
            // A DIB section: its rows as they stand, turned upright when stored top-down.
            const size_t rowBytes = std::min(size_t(bm.bmWidthBytes), scan);
            const bool topDown = isDibSection && section.dsBmih.biHeight < 0;
            copyRows(cHost, static_cast<const uint8_t*>(bm.bmBits), rowBytes, size_t(height), topDown);
            keptAlpha = true;
        } else if (bm.bmBitsPixel == 32) {
            gdi::BITMAPINFO info{};
            info.bmiHeader = {kInfoHeaderBytes, width, height, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
            keptAlpha = gdi::GetDIBits(hdc, Handle, 0, gdi::UINT(height), cHost.BitsPointer(), &info,
                                       gdi::DIB_RGB_COLORS) == height;
        }
        if (!keptAlpha) {
            const gdi::HDC memory = gdi::CreateCompatibleDC(hdc);
            const gdi::HGDIOBJ previous = gdi::SelectObject(memory, Handle);
            gdi::BitBlt(hdc, 0, 0, width, height, memory, 0, 0, gdi::SRCCOPY);
            if (previous) gdi::SelectObject(memory, previous);
            gdi::DeleteDC(memory);
        }
    } else {
        if (metafile) std::memset(cHost.BitsPointer(), 255, scan * size_t(height));
        // The source origin at the picture's bottom edge with a negative extent draws it
        // upright.
        stdPic.Render(hdc, 0, 0, width, height, 0, stdPic.Height(), stdPic.Width(), -stdPic.Height());
    }
    cHost.LoadDIBinDC(false);

    const ByteView2D pixels = modParsers::OverlayDIBBits(cHost);
    if (keptAlpha) {
        classify(cHost);
    } else if (metafile) {
        cHost.Alpha(keepUndrawnTransparent(pixels) ? cImage32::AlphaBinary : cImage32::AlphaOpaque);
        cHost.ImageType(stdPic.Type());
    } else {
        makeOpaque(pixels);
        cHost.Alpha(cImage32::AlphaOpaque);
        cHost.ImageType(stdPic ? stdPic.Type() : int32_t(cImage32::ImageTypeBitmap));
    }
    return true;
}

int32_t cBMPparser::HiMetricToPixels(int32_t length, bool horizontal) {
    const int64_t scaled = int64_t{length} * 1440;
    if (scaled > INT32_MAX || scaled < INT32_MIN) runtime::raise(runtime::kErrOverflow);
    const gdi::HDC screen = gdi::GetDC(0);
    const int dpi = gdi::GetDeviceCaps(screen, horizontal ? gdi::LOGPIXELSX : gdi::LOGPIXELSY);
    gdi::ReleaseDC(0, screen);
    const double twipsPerPixel = 1440.0 / (dpi > 0 ? dpi : gdi::kScreenDpi);
    return int32_t(std::nearbyint(double(scaled) / 2540.0 / twipsPerPixel));
}

bool cBMPparser::SaveAsBMP(const cImage32& cHost, const std::string& FileName,
                           std::vector<uint8_t>& outStream, bool Keep32bppFormat,
                           int32_t TransparentFillColor) {
    // No image: nothing is opened, so a file of that name keeps what it holds.
    if (!cHost.Handle()) return false;
    modParsers::FileHandle file;
    if (!FileName.empty()) {
        file = modParsers::OpenImageFileHandle(FileName, false);
        if (!file) return false;
    }

    try {
        int32_t kind = cImage32::AlphaOpaque;
        int32_t type = cImage32::ImageTypeBlank;
        if (!everyPixelOpaque(cHost))
            modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(cHost), false, kind, type);

        const bool as32bpp = kind != cImage32::AlphaOpaque && Keep32bppFormat;
        const uint16_t bitCount = as32bpp ? 32 : 24;
        const int32_t width = cHost.Width(), height = cHost.Height();
        const size_t rowBytes = size_t(modParsers::DWordAlignedScanWidth(uint8_t(bitCount), width));
        const uint64_t imageBytes = uint64_t(rowBytes) * uint64_t(height);
        if (imageBytes + kHeadersBytes > UINT32_MAX) {
            file.Abandon();
            return false;
        }

        uint8_t header[kHeadersBytes] = {'B', 'M'};
        write32(header + 2, uint32_t(kHeadersBytes + imageBytes));  // bfSize
        write32(header + 10, kHeadersBytes);                         // bfOffBits
        write32(header + 14, kInfoHeaderBytes);                      // biSize
        write32(header + 18, uint32_t(width));
        write32(header + 22, uint32_t(height));  // positive: bottom-up rows
        write16(header + 26, 1);                 // biPlanes
        write16(header + 28, bitCount);
        write32(header + 34, uint32_t(imageBytes));  // biSizeImage; the rest stays 0

        if (!file) {
            outStream.clear();
            outStream.reserve(size_t(kHeadersBytes + imageBytes));
        }
        Output out(file ? &file : nullptr, outStream);
        bool written = out.put(header);

        if (as32bpp) {
            // The pixel memory is already a bottom-up 32-bpp DIB, premultiplied as held.
            written = written && out.put({cHost.BitsPointer(), size_t(imageBytes)});
        } else {
            // 24 bpp in bands of rows from the bottom (memory row 0) up, each made as it is
            // written: the colours as held, or blended over the fill colour where the
            // image has transparency. A whole 24-bit copy beside the image would be one copy
            // too many. The padding bytes of the band are zeroed once and never written.
            const bool blend = kind != cImage32::AlphaOpaque;
            const size_t bandRows = std::max<size_t>(1, kBandBytes / rowBytes);
            std::vector<uint8_t> band(std::min(bandRows, size_t(height)) * rowBytes);
            const size_t scan = size_t(cHost.scanWidth());
            for (size_t done = 0; written && done < size_t(height);) {
                const size_t rows = std::min(bandRows, size_t(height) - done);
                for (size_t i = 0; i < rows; ++i) {
                    const uint8_t* source = cHost.BitsPointer() + (done + i) * scan;
                    uint8_t* row = band.data() + i * rowBytes;
                    if (blend)
                        modParsers::BlendRowToBackgroundColor(source, row, width, TransparentFillColor, true);
                    else
                        packRow24(source, row, size_t(width));
                }
                written = out.put({band.data(), rows * rowBytes});
                done += rows;
            }
        }
        if (!written) {
            file.Abandon();
            return false;
        }
        return !file || file.Close();
    } catch (const std::exception&) {
        file.Abandon();
        return false;
    }
}

}  // namespace codecs
