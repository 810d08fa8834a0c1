// Loading images from files and streams: the format sniffed from the content, BMP,
// JPEG, GIF and icons through the platform picture loader, TIFF through libtiff, PNG
// through libpng when the test switch allows it.

#include <png.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdiplus/objects.h"
#include "platform/gdiplus/session.h"
#include "platform/gdiplus/tiff_memory.h"
#include "platform/picture/format.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"

namespace gdiplus {

using namespace detail;

namespace {

bool g_acceptPng = false;

bool isBigTiff(std::span<const uint8_t> d) {
    static const uint8_t little[4] = {'I', 'I', 43, 0}, big[4] = {'M', 'M', 0, 43};
    return d.size() >= 4 && (!std::memcmp(d.data(), little, 4) || !std::memcmp(d.data(), big, 4));
}

// weakSignature: four bytes that other data starts with too (a true-colour TGA starts as
// a cursor does), so a refusal means "not this format" rather than "damaged".
Status fromPicture(std::span<const uint8_t> bytes, bool weakSignature, std::unique_ptr<GpImage>& image) {
    const picture::Picture pic = picture::TryLoadPictureFromBytes(bytes);
    if (!pic || pic.Handle() == 0) return weakSignature ? UnknownImageFormat : InvalidParameter;
    if (pic.Type() == picture::kPicTypeIcon) image = imageFromIcon(pic.Handle());
    else if (pic.Type() == picture::kPicTypeBitmap)
        image = imageFromBitmap(pic.Handle(), pic.transparentIndex(), true);
    else return UnknownImageFormat;
    return image ? Ok : OutOfMemory;
}

Status fromTiff(std::span<const uint8_t> bytes, std::unique_ptr<GpImage>& image) {
    TiffMemory memory{bytes};
    const TiffPtr tif = openTiffForReading(memory);
    if (!tif) return InvalidParameter;
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0)
        return InvalidParameter;
    if (uint64_t{width} * height > uint64_t(kMaxPixels) || width > INT32_MAX || height > INT32_MAX)
        return OutOfMemory;
    char message[1024];
    if (!TIFFRGBAImageOK(tif.get(), message)) return InvalidParameter;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    bool alpha = false;
    if (TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount)
        alpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA;
    image = makeOwnedImage(int(width), int(height), alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB);
    if (!image) return OutOfMemory;
    // libtiff's raster is one 32-bit word per pixel, exactly the image's memory: it is read
    // in place and its bytes put in order, with no second buffer of the picture's size.
    static_assert(sizeof(uint32_t) == 4);
    auto* raster = reinterpret_cast<uint32_t*>(image->scan0);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster, ORIENTATION_TOPLEFT, 0)) {
        image.reset();
        return InvalidParameter;
    }
    // libtiff hands out premultiplied samples (it multiplies unassociated alpha in); a file
    // that claims associated alpha over larger colours is held to its alpha.
    uint8_t* d = image->scan0;
    const size_t pixels = size_t(width) * height;
    for (size_t i = 0; i < pixels; ++i, d += 4) {
        uint32_t v;
        std::memcpy(&v, d, 4);
        const uint8_t a = uint8_t(TIFFGetA(v));
        d[0] = std::min(uint8_t(TIFFGetB(v)), a);
        d[1] = std::min(uint8_t(TIFFGetG(v)), a);
        d[2] = std::min(uint8_t(TIFFGetR(v)), a);
        d[3] = a;
    }
    return Ok;
}

Status fromPng(std::span<const uint8_t> bytes, std::unique_ptr<GpImage>& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return InvalidParameter;
    const bool alpha = png.format & PNG_FORMAT_FLAG_ALPHA;
    if (uint64_t{png.width} * png.height > uint64_t(kMaxPixels) || png.width > INT32_MAX) {
        png_image_free(&png);
        return OutOfMemory;
    }
    image = makeOwnedImage(int(png.width), int(png.height),
                           alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB);
    if (!image) {
        png_image_free(&png);
        return OutOfMemory;
    }
    png.format = PNG_FORMAT_BGRA;
    if (!png_image_finish_read(&png, nullptr, image->scan0, png_int_32(image->stride), nullptr)) {
        png_image_free(&png);
        image.reset();
        return InvalidParameter;
    }
    for (size_t i = 0; i < image->owned.size(); i += 4) {
        uint8_t* p = &image->owned[i];
        p[0] = premultiply(p[0], p[3]), p[1] = premultiply(p[1], p[3]), p[2] = premultiply(p[2], p[3]);
    }
    return Ok;
}

Status load(std::span<const uint8_t> bytes, GpImage** out) {
    std::unique_ptr<GpImage> image;
    const Status status = decodeImage(bytes, image);
    if (status != Ok) return status;
    *out = registerImage(std::move(image));
    return Ok;
}

}  // namespace

namespace detail {

Status decodeImage(std::span<const uint8_t> bytes, std::unique_ptr<GpImage>& image) {
    using picture::detail::Format;
    try {
        switch (picture::detail::sniffFormat(bytes)) {
        case Format::Bmp:
        case Format::Jpeg:
        case Format::Gif: return fromPicture(bytes, false, image);
        case Format::Icon: return fromPicture(bytes, true, image);
        case Format::Tiff: return fromTiff(bytes, image);
        case Format::Png: return g_acceptPng ? fromPng(bytes, image) : UnknownImageFormat;
        default: return isBigTiff(bytes) ? fromTiff(bytes, image) : UnknownImageFormat;
        }
    } catch (const std::bad_alloc&) {
        image.reset();
        return OutOfMemory;
    }
}

}  // namespace detail

extern "C" Status GdipLoadImageFromFile(const WCHAR* filename, GpImage** image) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!image || !filename) return InvalidParameter;
    *image = nullptr;
    std::vector<uint8_t> bytes;
    try {
        bytes = sys::readFile(narrowFileName(filename));
    } catch (const std::exception&) {
        return FileNotFound;
    }
    return load(bytes, image);
}

extern "C" Status GdipLoadImageFromStream(Stream* stream, GpImage** image) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!image || !stream) return InvalidParameter;
    *image = nullptr;
    return load(stream->readRest(), image);
}

namespace testing {

void acceptPng(bool accept) { g_acceptPng = accept; }

}  // namespace testing

}  // namespace gdiplus
