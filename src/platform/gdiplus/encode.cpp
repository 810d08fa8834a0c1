// The encoders, found by class identifier or listed with their MIME types: BMP of our
// own, JPEG through libjpeg-turbo, GIF through giflib, TIFF through libtiff, PNG through
// libpng; to a file (written whole or not at all) or a stream.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <string>

#include "platform/gdiplus/objects.h"
#include "platform/gdiplus/session.h"
#include "platform/gdiplus/tiff_memory.h"
#include "platform/picture/byte_writer.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"

// After gdi.h: libjpeg defines TRUE and FALSE as macros.
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace gdiplus {

using namespace detail;

namespace {

using Bytes = std::vector<uint8_t>;

// The image top row first as premultiplied BGRA, with whether it carries transparency.
struct Pixels {
    int width = 0, height = 0;
    Bytes bgra;
    bool alpha = false;
    const uint8_t* row(int y) const { return &bgra[size_t(y) * size_t(width) * 4]; }
};

Pixels pixelsOf(const GpImage& image) {
    Pixels p;
    p.width = image.width;
    p.height = image.height;
    p.alpha = hasTransparency(image);
    std::vector<uint8_t> scratch;
    const PixelView v = premultipliedView(image, scratch);
    p.bgra.resize(size_t(p.width) * size_t(p.height) * 4);
    uint8_t* d = p.bgra.data();
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x, d += 4) std::memcpy(d, v.at(x, y), 4);
    return p;
}

using picture::detail::put16;
using picture::detail::put32;

// ---- BMP --------------------------------------------------------------------------------
// Opaque images as 24 bits; with transparency 32 bits of straight alpha under a version 5
// header whose masks name the alpha byte, the one header that says the byte is alpha.
Status encodeBmp(const Pixels& p, const EncoderParameters*, Bytes& out) {
    const uint32_t headerSize = p.alpha ? 124 : 40;
    const uint64_t rowBytes = p.alpha ? uint64_t(p.width) * 4 : (uint64_t(p.width) * 3 + 3) / 4 * 4;
    const uint64_t imageBytes = rowBytes * uint64_t(p.height);
    const uint64_t fileBytes = 14 + headerSize + imageBytes;
    if (fileBytes > 0x7FFFFFFF) return ValueOverflow;
    out.clear();
    out.reserve(size_t(fileBytes));
    out.push_back('B'), out.push_back('M');
    put32(out, uint32_t(fileBytes));
    put32(out, 0);
    put32(out, 14 + headerSize);
    put32(out, headerSize);
    put32(out, uint32_t(p.width));
    put32(out, uint32_t(p.height));  // bottom-up
    put16(out, 1);
    put16(out, p.alpha ? 32 : 24);
    put32(out, p.alpha ? 3 : 0);  // BI_BITFIELDS : BI_RGB
    put32(out, uint32_t(imageBytes));
    put32(out, 3780), put32(out, 3780);  // 96 DPI
    put32(out, 0), put32(out, 0);
    if (p.alpha) {
        put32(out, 0x00FF0000), put32(out, 0x0000FF00), put32(out, 0x000000FF), put32(out, 0xFF000000);
        put32(out, 0x73524742);  // LCS_sRGB
        for (int i = 0; i < 12; ++i) put32(out, 0);  // endpoints, gamma
        put32(out, 4);  // LCS_GM_IMAGES
        put32(out, 0), put32(out, 0), put32(out, 0);
    }
    for (int y = p.height - 1; y >= 0; --y) {
        const uint8_t* s = p.row(y);
        const size_t start = out.size();
        for (int x = 0; x < p.width; ++x, s += 4) {
            const unsigned a = s[3];
            if (p.alpha) {
                out.push_back(unpremultiply(s[0], a)), out.push_back(unpremultiply(s[1], a));
                out.push_back(unpremultiply(s[2], a)), out.push_back(uint8_t(a));
            } else {
                out.push_back(s[0]), out.push_back(s[1]), out.push_back(s[2]);
            }
        }
        while (out.size() - start < rowBytes) out.push_back(0);
    }
    return Ok;
}

// ---- JPEG -------------------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void jpegQuiet(j_common_ptr, int) {}

// No C++ object lives in this frame: libjpeg leaves through longjmp on an error.
bool encodeJpegRows(const Pixels& p, int quality, unsigned char** buffer, unsigned long* size) {
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    error.manager.emit_message = jpegQuiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(p.width);
    info.image_height = JDIMENSION(p.height);
    info.input_components = 4;
    // Premultiplied colour is the colour over black: alpha has no place in a JPEG.
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(p.row(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

Status jpegQuality(const EncoderParameters* params, int& quality) {
    quality = 75;
    if (!params) return Ok;
    for (uint32_t i = 0; i < params->Count; ++i) {
        const EncoderParameter& e = params->Parameter[i];
        if (!(e.Guid == EncoderQuality)) continue;
        if (e.Type != EncoderParameterValueTypeLong || e.NumberOfValues != 1 || !e.Value)
            return InvalidParameter;
        int32_t v;
        std::memcpy(&v, e.Value, 4);
        if (v < 0 || v > 100) return InvalidParameter;
        quality = v;
    }
    return Ok;
}

Status encodeJpeg(const Pixels& p, const EncoderParameters* params, Bytes& out) {
    int quality;
    if (const Status s = jpegQuality(params, quality); s != Ok) return s;
    if (p.width > picture::kLargestJpegSide || p.height > picture::kLargestJpegSide) return ValueOverflow;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = encodeJpegRows(p, quality, &buffer, &size);
    if (ok) out.assign(buffer, buffer + size);
    std::free(buffer);
    return ok ? Ok : GenericError;
}

// ---- GIF ----------------------------------------------------------------------------------
// One image of up to 256 colours; pixels under half opacity become the transparent index.
// An image of more colours goes through giflib's median-cut quantiser.

int gifWrite(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

Status encodeGif(const Pixels& p, const EncoderParameters*, Bytes& out) {
    if (p.width > 65535 || p.height > 65535) return ValueOverflow;
    const size_t n = size_t(p.width) * size_t(p.height);
    std::vector<uint32_t> straight(n);  // 0x00RRGGBB, or kClear
    constexpr uint32_t kClear = 0xFFFFFFFF;
    bool anyClear = false;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* s = &p.bgra[i * 4];
        const unsigned a = s[3];
        if (a < 128) {
            straight[i] = kClear;
            anyClear = true;
        } else {
            straight[i] = uint32_t(unpremultiply(s[2], a)) << 16 | uint32_t(unpremultiply(s[1], a)) << 8 |
                          unpremultiply(s[0], a);
        }
    }
    const int maxColours = anyClear ? 255 : 256;
    std::vector<GifByteType> indices(n);
    std::vector<GifColorType> table;
    std::map<uint32_t, int> exact;
    for (size_t i = 0; i < n && int(exact.size()) <= maxColours; ++i)
        if (straight[i] != kClear) exact.emplace(straight[i], 0);
    if (int(exact.size()) <= maxColours) {
        for (auto& [colour, index] : exact) {
            index = int(table.size());
            table.push_back({GifByteType(colour >> 16), GifByteType(colour >> 8), GifByteType(colour)});
        }
        for (size_t i = 0; i < n; ++i)
            if (straight[i] != kClear) indices[i] = GifByteType(exact[straight[i]]);
    } else {
        std::vector<GifByteType> r(n), g(n), b(n);
        for (size_t i = 0; i < n; ++i) {
            const uint32_t c = straight[i] == kClear ? 0 : straight[i];
            r[i] = GifByteType(c >> 16), g[i] = GifByteType(c >> 8), b[i] = GifByteType(c);
        }
        int size = maxColours;
        table.resize(256);
        if (GifQuantizeBuffer(unsigned(p.width), unsigned(p.height), &size, r.data(), g.data(), b.data(),
                              indices.data(), table.data()) != GIF_OK)
            return GenericError;
        table.resize(size_t(size));
    }
    const int transparent = anyClear ? int(table.size()) : -1;
    if (anyClear) {
        table.push_back({0, 0, 0});
        for (size_t i = 0; i < n; ++i)
            if (straight[i] == kClear) indices[i] = GifByteType(transparent);
    }
    int bits = 1;
    while ((1u << bits) < table.size()) ++bits;
    table.resize(size_t(1) << bits, GifColorType{0, 0, 0});

    out.clear();
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, gifWrite, &error));
    if (!gif) return GenericError;
    ColorMapObject* map = GifMakeMapObject(int(table.size()), table.data());
    if (!map) return OutOfMemory;
    EGifSetGifVersion(gif.get(), anyClear);
    bool ok = EGifPutScreenDesc(gif.get(), p.width, p.height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (ok && anyClear) {
        const GifByteType control[4] = {1, 0, 0, GifByteType(transparent)};
        ok = EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif.get(), 0, 0, p.width, p.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < p.height; ++y)
        ok = EGifPutLine(gif.get(), &indices[size_t(y) * size_t(p.width)], p.width) == GIF_OK;
    const bool closed = EGifCloseFile(gif.release(), &error) == GIF_OK;
    return ok && closed ? Ok : GenericError;
}

// ---- TIFF -----------------------------------------------------------------------------------
// LZW-compressed RGB, or RGBA with associated alpha: the premultiplied pixels as they are.

Status encodeTiff(const Pixels& p, const EncoderParameters*, Bytes& out) {
    out.clear();
    TiffMemory memory{{}, &out};
    TiffPtr tif = openTiffForWriting(memory);
    if (!tif) return GenericError;
    const uint16_t samples = p.alpha ? 4 : 3;
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(p.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(p.height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    if (p.alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<uint8_t> row(size_t(p.width) * samples);
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* s = p.row(y);
        uint8_t* d = row.data();
        for (int x = 0; x < p.width; ++x, s += 4, d += samples) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
            if (p.alpha) d[3] = s[3];
        }
        if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0) return GenericError;
    }
    if (!TIFFFlush(t)) return GenericError;
    tif.reset();
    return Ok;
}

// ---- PNG --------------------------------------------------------------------------------------
// RGB, or RGBA with straight alpha (rounded back from premultiplied).

Status encodePng(const Pixels& p, const EncoderParameters*, Bytes& out) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(p.width);
    png.height = png_uint_32(p.height);
    png.format = p.alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    const size_t channels = p.alpha ? 4 : 3;
    Bytes straight(size_t(p.width) * size_t(p.height) * channels);
    uint8_t* d = straight.data();
    for (size_t i = 0; i < p.bgra.size(); i += 4, d += channels) {
        const uint8_t* s = &p.bgra[i];
        const unsigned a = s[3];
        if (p.alpha) {
            d[0] = unpremultiply(s[0], a), d[1] = unpremultiply(s[1], a), d[2] = unpremultiply(s[2], a);
            d[3] = uint8_t(a);
        } else {
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
        }
    }
    const png_int_32 stride = png_int_32(size_t(p.width) * channels);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, straight.data(), stride, nullptr))
        return GenericError;
    out.resize(size_t(size));
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, straight.data(), stride, nullptr))
        return GenericError;
    out.resize(size_t(size));
    return Ok;
}

// ---- the list -----------------------------------------------------------------------------------

using Encoder = Status (*)(const Pixels&, const EncoderParameters*, Bytes&);

struct EncoderEntry {
    CLSID clsid;
    GUID format;
    const char16_t* name;
    const char16_t* description;
    const char16_t* extensions;
    const char16_t* mime;
    Encoder encode;
};

// Class identifiers of our own; callers find them by MIME type.
constexpr GUID kQuillmereFormat = {0x7B3E6D20, 0x41C8, 0x4E5A, {0x9B, 0x07, 0x51, 0x55, 0x49, 0x4C, 0x4C, 0x00}};
constexpr GUID encoderId(uint8_t n) {
    return {0x7B3E6D21, 0x41C8, 0x4E5A, {0x9B, 0x07, 0x51, 0x55, 0x49, 0x4C, 0x4C, n}};
}

const EncoderEntry kEncoders[] = {
    {encoderId(1), kQuillmereFormat, u"Built-in BMP Codec", u"BMP", u"*.BMP;*.DIB;*.RLE", u"image/bmp", encodeBmp},
    {encoderId(2), kQuillmereFormat, u"Built-in JPEG Codec", u"JPEG", u"*.JPG;*.JPEG;*.JPE;*.JFIF", u"image/jpeg", encodeJpeg},
    {encoderId(3), kQuillmereFormat, u"Built-in GIF Codec", u"GIF", u"*.GIF", u"image/gif", encodeGif},
    {encoderId(4), kQuillmereFormat, u"Built-in TIFF Codec", u"TIFF", u"*.TIF;*.TIFF", u"image/tiff", encodeTiff},
    {encoderId(5), kQuillmereFormat, u"Built-in PNG Codec", u"PNG", u"*.PNG", u"image/png", encodePng},
};
constexpr UINT kEncoderCount = sizeof(kEncoders) / sizeof(kEncoders[0]);

size_t units(const char16_t* s) { return std::char_traits<char16_t>::length(s) + 1; }

UINT listBytes() {
    size_t bytes = sizeof(ImageCodecInfo) * kEncoderCount;
    for (const EncoderEntry& e : kEncoders)
        bytes += 2 * (units(e.name) + units(e.description) + units(e.extensions) + units(e.mime));
    return UINT(bytes);
}

Status encode(GpImage* image, const CLSID* clsid, const EncoderParameters* params, Bytes& out) {
    if (!isLiveImage(image) || !clsid) return InvalidParameter;
    for (const EncoderEntry& e : kEncoders) {
        if (!(e.clsid == *clsid)) continue;
        try {
            return e.encode(pixelsOf(*image), params, out);
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
    }
    return FileNotFound;
}

}  // namespace

extern "C" Status GdipGetImageEncodersSize(UINT* numEncoders, UINT* size) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!numEncoders || !size) return InvalidParameter;
    *numEncoders = kEncoderCount;
    *size = listBytes();
    return Ok;
}

extern "C" Status GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!encoders || numEncoders != kEncoderCount || size != listBytes()) return InvalidParameter;
    auto* text = reinterpret_cast<char16_t*>(encoders + kEncoderCount);
    auto place = [&text](const char16_t* s) {
        const size_t n = units(s);
        std::memcpy(text, s, n * 2);
        const char16_t* at = text;
        text += n;
        return at;
    };
    for (UINT i = 0; i < kEncoderCount; ++i) {
        const EncoderEntry& e = kEncoders[i];
        ImageCodecInfo& info = encoders[i];
        info = ImageCodecInfo{};
        info.Clsid = e.clsid;
        info.FormatID = e.format;
        info.CodecName = place(e.name);
        info.DllName = nullptr;
        info.FormatDescription = place(e.description);
        info.FilenameExtension = place(e.extensions);
        info.MimeType = place(e.mime);
        info.Flags = 0x00010007;  // encoder, supports bitmap, built in
        info.Version = 1;
    }
    return Ok;
}

namespace {
uint64_t g_saveImageCalls = 0;
}  // namespace

namespace testing {
uint64_t saveImageCalls() { return g_saveImageCalls; }
}  // namespace testing

extern "C" Status GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* clsidEncoder,
                                      const EncoderParameters* params) {
    ++g_saveImageCalls;
    if (const Status s = requireSession(); s != Ok) return s;
    if (!filename || !*filename) return InvalidParameter;
    Bytes bytes;
    if (const Status s = encode(image, clsidEncoder, params, bytes); s != Ok) return s;
    try {
        sys::writeFile(narrowFileName(filename), bytes);
    } catch (const std::exception&) {
        return Win32Error;
    }
    return Ok;
}

extern "C" Status GdipSaveImageToStream(GpImage* image, Stream* stream, const CLSID* clsidEncoder,
                                        const EncoderParameters* params) {
    ++g_saveImageCalls;
    if (const Status s = requireSession(); s != Ok) return s;
    if (!stream) return InvalidParameter;
    Bytes bytes;
    if (const Status s = encode(image, clsidEncoder, params, bytes); s != Ok) return s;
    stream->write(bytes);
    return Ok;
}

}  // namespace gdiplus
