#pragma once
// Picture objects and the platform picture loader: what a picture box holds, what the
// image class renders into its host, and what the catalogue loads a record's bytes into.
//
// A Picture is a shared handle to one picture object: copies share the object, == tells
// whether two are the same object ("is this the logo"), and a default-constructed Picture
// is no picture at all. A picture object has a type, a gdi handle, a size in HIMETRIC
// (MulDiv(pixels, 2540, 96)) and, when it owns its handle, deletes the handle when the last
// copy goes.
//
// The loader reads:
//   BMP   all headers (12, 40, 52, 56, 108, 124 bytes); 1, 2, 4, 8, 16, 24, 32 bpp; BI_RGB,
//         BI_BITFIELDS (and BI_ALPHABITFIELDS) with masks of any contiguous width, RLE4,
//         RLE8; top-down rows. Result: a bottom-up DIB section; 1, 4, 8 bpp keep their
//         indices and colour table (2 bpp becomes 4), 16 bpp becomes 24 (32 when the
//         masks give alpha), 24 stays 24, 32 stays 32 with its fourth byte as stored.
//   JPEG  baseline, progressive, greyscale, CMYK and YCCK, through libjpeg-turbo, into a
//         24-bpp bottom-up DIB section.
//   GIF   87a and 89a, the first image, as an 8-bpp bottom-up DIB section whose pixels are
//         the colour indices and whose 256-entry table is the image's (local, else global)
//         table followed by black. The picture is the logical screen with the image at its
//         offset (grown to hold an image that reaches past it); pixels outside the image or
//         past the end of its data are the transparent index, else the background index.
//         The picture keeps the transparent index.
//   ICO, CUR  the bitmap entry nearest 32x32 (|w - 32| + |h - 32|), the deepest among
//         equally near ones, the first among equals; as an icon picture. PNG entries are
//         skipped (the image class reads those itself); a cursor keeps its hotspot.
//   WMF   with its 22-byte placeable header (bounding box, units per inch), as a metafile
//         picture (type 2) of size box x 2540 / units per inch HIMETRIC; one without the
//         placeable header is refused.
//   EMF   as an enhanced metafile picture (type 4) whose HIMETRIC size is its frame.
//         Metafiles are played by our own player (metafile_player.h) when rendered.
// and refuses everything else (PNG, TIFF, TGA, text, empty data) with
// run-time error 481 "Invalid picture". Hostile input: every size and offset is checked
// in 64-bit arithmetic before anything is read or allocated; a picture of more than
// 2^31 - 1 bytes or 2^28 pixels (16384 x 16384) is refused; nothing loops without bound.
//
// Speed (Release, bench/show): a 12-megapixel JPEG decodes within a few percent of
// libjpeg-turbo's own decode into a buffer; a 1920x1080 24-bit BMP costs one copy of
// its rows.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace picture {

// Picture types, as the picture object's Type reports them.
constexpr int kPicTypeNone = 0;
constexpr int kPicTypeBitmap = 1;
constexpr int kPicTypeMetafile = 2;
constexpr int kPicTypeIcon = 3;  // icons and cursors
constexpr int kPicTypeEnhMetafile = 4;

// The largest width or height of a JPEG that libjpeg-turbo, which reads every JPEG in the
// program, decodes. The frame header holds up to 65535; a JPEG writer goes no further than
// this, so that nothing is saved that cannot be shown.
constexpr int32_t kLargestJpegSide = 65500;

namespace detail {
struct PictureObject;
struct PictureAccess;
}  // namespace detail

class Picture {
public:
    Picture() = default;  // no picture

    // True when this refers to a picture object (of any type, none included).
    explicit operator bool() const { return object_ != nullptr; }
    // The same object, or both no picture.
    friend bool operator==(const Picture& a, const Picture& b) { return a.object_ == b.object_; }

    // No picture reads as type 0, handle 0, size 0.
    int Type() const;
    uint32_t Handle() const;
    int32_t Width() const;   // HIMETRIC
    int32_t Height() const;  // HIMETRIC
    bool ownsHandle() const;
    // Size in pixels.
    gdi::SIZE pixelSize() const;
    // For a GIF: the colour index its graphic control extension marks transparent.
    std::optional<int> transparentIndex() const;

    // Draws the source rectangle (HIMETRIC, from the picture's bottom-left corner: y grows
    // upwards) into the destination rectangle (pixels). The usual upright call is
    // Render(dc, x, y, cx, cy, 0, Height(), Width(), -Height()); a positive cySrc draws
    // upside down, a negative cx or cxSrc mirrors. Bitmaps stretch with COLORONCOLOR
    // (nearest pixel, the stretch mode the picture layer always uses, whatever the DC's
    // own mode); a GIF's transparent pixels leave the destination alone, alpha byte
    // included. Icons are drawn whole (the source rectangle only decides mirroring, which
    // icons ignore) with DrawIconEx. Metafiles are played so that the source rectangle
    // fills the destination, clipped to it: a metafile shown at any size is drawn at that
    // size, not stretched from pixels. False when there is nothing to draw or the DC is
    // invalid.
    bool Render(gdi::HDC dc, int x, int y, int cx, int cy, int32_t xSrc, int32_t ySrc,
                int32_t cxSrc, int32_t cySrc) const;

private:
    friend struct detail::PictureAccess;
    explicit Picture(std::shared_ptr<detail::PictureObject> object) : object_(std::move(object)) {}
    std::shared_ptr<detail::PictureObject> object_;
};

// A picture object over an existing handle (type 1 HBITMAP, 3 HICON, 4 HENHMETAFILE, its
// size the EMF's frame; type 0 ignores the handle). With ownsHandle the last copy deletes
// the handle. Raises 481 for a handle that is not of the type, and for type 2: a bare
// HMETAFILE has no placeable header and so no size.
Picture CreatePicture(int type, uint32_t handle, bool ownsHandle);
// A new, empty picture object of type 0 (what loading from no data gives).
Picture NonePicture();

// MulDiv as the platform has it: a * b / c rounded to nearest, halves away from zero;
// -1 when c is 0 or the result does not fit 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
inline int32_t HimetricFromPixels(int32_t pixels) { return MulDiv(pixels, 2540, 96); }
inline int32_t PixelsFromHimetric(int32_t himetric) { return MulDiv(himetric, 96, 2540); }

// Bytes the loader reads a piece at a time: a file, a record's stored bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() = 0;
    // Up to length bytes from offset on; fewer only past the end. Raises what the
    // source's reads raise.
    virtual size_t readAt(uint64_t offset, void* data, size_t length) = 0;
};

// The picture loader. LoadPicture raises the file's errors (53 file not found, 75 path/file
// access) and 481 "Invalid picture" for data it does not read; 7 "Out of memory" when a
// picture within the limits cannot be allocated.
Picture LoadPicture(const std::string& path);
Picture LoadPictureFromBytes(std::span<const uint8_t> bytes);
// As LoadPictureFromBytes over the source's bytes. A bitmap's rows go from the source
// straight into the picture, not through a copy of the source; other formats are read
// whole first.
Picture LoadPictureFromSource(ByteSource& source);
// As LoadPictureFromBytes, but gives no picture instead of raising, and the reason
// ("BMP: RLE run past the end of a row") for tests and logs.
Picture TryLoadPictureFromBytes(std::span<const uint8_t> bytes, std::string* reason = nullptr);

// A bitmap picture of the picture, for writers that take bitmaps: a bitmap (or no
// picture) as it is; an icon or metafile drawn into a new 24-bit bitmap of its pixel size,
// over black where it is transparent. No picture when no bitmap of that size can be made.
Picture asBitmap(const Picture& source);

// Writes a bitmap picture as a 24-bit BMP, an icon picture as a one-entry ICO and a
// metafile picture as the bytes it was loaded from, through a temporary file renamed
// over the target. Raises 481 for no picture, a type-0 picture, a metafile made from a
// bare handle, and the file's own errors.
void SavePicture(const Picture& picture, const std::string& path);
std::vector<uint8_t> SavePictureToBytes(const Picture& picture);

namespace testing {
// Lowers (or, with -1, restores) the most pixels a loaded picture may have, so that fuzzing
// and tests of the limit need not allocate gigabytes.
void setPixelLimit(int64_t pixels);
}  // namespace testing

}  // namespace picture
