#pragma once
// The objects behind the library's opaque pointers, and the table of live ones: a pointer
// is followed only while the table holds it, so a stale or foreign one is refused.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/gdiplus/gdiplus.h"
#include "platform/gdiplus/pixel_view.h"

namespace gdiplus {

// Pixels are read through an integer map from the image's own coordinates (after any
// rotation) to its memory: memory x = a x + b y + c, memory y = d x + e y + f.
struct Orientation {
    int64_t a = 1, b = 0, c = 0;
    int64_t d = 0, e = 1, f = 0;
};

// A metafile image's records, played at the size it is drawn.
struct MetafileSource {
    bool wmf = false;
    std::vector<uint8_t> records;        // a WMF without its placeable header, or an EMF
    int16_t box[4] = {0, 0, 0, 0};       // WMF bounding box (left, top, right, bottom)
    uint16_t objects = 0;                // WMF object table slots
};

struct GpImage {
    int memoryWidth = 0, memoryHeight = 0;
    uint8_t* scan0 = nullptr;  // memory row 0
    ptrdiff_t stride = 0;
    PixelFormat memoryFormat = PixelFormat32bppPARGB;  // how the memory holds pixels
    PixelFormat format = PixelFormat32bppPARGB;        // what GdipGetImagePixelFormat says
    std::vector<uint8_t> owned;  // empty for a view over caller memory
    Orientation orientation;
    int width = 0, height = 0;  // after rotation
    // Metafile images keep their records too; the pixels are the picture at its own size.
    std::shared_ptr<const MetafileSource> metafile;
};

struct GpGraphics {
    gdi::HDC dc = 0;
    InterpolationMode interpolation = InterpolationModeBilinear;
    // Row-vector affine map: device = (x, y) * [m11 m12; m21 m22] + (dx, dy).
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

struct GpImageAttributes {
    bool hasMatrix = false;
    ColorMatrix matrix{};
};

namespace detail {

// Registering hands the object to the table, which deletes it on release or when the
// last session ends.
GpImage* registerImage(std::unique_ptr<GpImage> image);
GpGraphics* registerGraphics(std::unique_ptr<GpGraphics> graphics);
GpImageAttributes* registerAttributes(std::unique_ptr<GpImageAttributes> attributes);
bool isLiveImage(const GpImage* image);
bool isLiveGraphics(const GpGraphics* graphics);
bool isLiveAttributes(const GpImageAttributes* attributes);
bool releaseImage(GpImage* image);
bool releaseGraphics(GpGraphics* graphics);
bool releaseAttributes(GpImageAttributes* attributes);
// Called when the last session ends.
void releaseAllObjects();

// The metafile played so that its source rectangle [sx, sx + sw) x [sy, sy + sh) (in the
// image's pixels) fills a new width x height image; transparent where it draws nothing.
std::unique_ptr<GpImage> playMetafile(const GpImage& image, int width, int height, double sx, double sy,
                                      double sw, double sh);

// The most pixels a decoded or allocated image may have (16384 x 16384).
constexpr int64_t kMaxPixels = int64_t{1} << 28;

// An owned, zeroed, premultiplied bitmap; nullptr beyond the size limit or without memory.
std::unique_ptr<GpImage> makeOwnedImage(int width, int height, PixelFormat reportedFormat);

// Copies of gdi objects (platform/gdi/objects.h), premultiplied. A bitmap is opaque but
// for the pixels of `transparentIndex` (indexed bitmaps: a GIF's), and for a 32-bpp one
// with straightAlpha whose fourth bytes are not all 0: they are then its straight alpha.
// An icon keeps its alpha, or else is transparent wherever its mask is set. nullptr for
// a handle of another kind or without memory.
std::unique_ptr<GpImage> imageFromBitmap(uint32_t bitmapHandle, std::optional<int> transparentIndex,
                                         bool straightAlpha);
std::unique_ptr<GpImage> imageFromIcon(uint32_t iconHandle);

// Decodes the bytes as the loaders do: Ok with the image, or why not.
Status decodeImage(std::span<const uint8_t> bytes, std::unique_ptr<GpImage>& image);

// The image's pixels in its own coordinates as premultiplied BGRA. A PARGB image is read
// in place; others are converted into `scratch`, which must outlive the view.
PixelView premultipliedView(const GpImage& image, std::vector<uint8_t>& scratch);

// True when some pixel is not fully opaque and the image's format carries alpha.
bool hasTransparency(const GpImage& image);

// A UTF-16 file name as the UTF-8 path the file functions take ("" for nullptr).
std::string narrowFileName(const WCHAR* name);

}  // namespace detail
}  // namespace gdiplus
