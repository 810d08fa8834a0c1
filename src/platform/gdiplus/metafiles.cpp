// Metafile images: WMF and EMF handles played by the picture layer's metafile player,
// once at their own size for the pixels, and again at the size they are drawn.

#include <cmath>
#include <cstring>

#include "platform/gdi/device_drawing.h"
#include "platform/gdi/dib_surface.h"
#include "platform/gdiplus/objects.h"
#include "platform/gdiplus/session.h"
#include "platform/picture/metafile_player.h"

namespace gdiplus {

using namespace detail;

namespace detail {

std::unique_ptr<GpImage> playMetafile(const GpImage& image, int width, int height, double sx, double sy,
                                      double sw, double sh) {
    const MetafileSource& m = *image.metafile;
    auto out = makeOwnedImage(width, height, PixelFormat32bppPARGB);
    gdi::DibSurface surface(width, height, 32);
    if (!out || !surface.valid() || sw <= 0 || sh <= 0) return nullptr;
    // Playback writes alpha 0 where it draws: every byte 255 marks what stays transparent.
    for (int y = 0; y < height; ++y) std::memset(surface.row(y), 0xFF, size_t(width) * 4);
    picture::detail::PlayTarget target;
    target.x = -sx * width / sw, target.y = -sy * height / sh;
    target.width = image.width * width / sw, target.height = image.height * height / sh;
    target.clip = {0, 0, width, height};
    if (m.wmf) {
        picture::detail::WmfHeader box;
        box.left = m.box[0], box.top = m.box[1], box.right = m.box[2], box.bottom = m.box[3];
        box.objects = m.objects;
        picture::detail::playWmf(surface.dc(), m.records, box, target);
    } else {
        picture::detail::playEmf(surface.dc(), m.records, target);
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = surface.row(y);
        uint8_t* d = out->scan0 + ptrdiff_t(y) * out->stride;
        for (int x = 0; x < width; ++x, s += 4, d += 4) {
            const bool drawn = s[3] != 0xFF;
            d[0] = drawn ? s[0] : 0, d[1] = drawn ? s[1] : 0, d[2] = drawn ? s[2] : 0, d[3] = drawn ? 0xFF : 0;
        }
    }
    return out;
}

}  // namespace detail

namespace {

Status makeMetafileImage(std::shared_ptr<MetafileSource> source, int64_t width, int64_t height,
                         GpMetafile** metafile) {
    if (width < 1 || height < 1 || width * height > kMaxPixels) return InvalidParameter;
    GpImage natural;
    natural.width = int(width), natural.height = int(height);
    natural.metafile = source;
    auto image = playMetafile(natural, int(width), int(height), 0, 0, double(width), double(height));
    if (!image) return OutOfMemory;
    image->metafile = std::move(source);
    *metafile = registerImage(std::move(image));
    return Ok;
}

}  // namespace

extern "C" Status GdipCreateMetafileFromWmf(uint32_t hWmf, BOOL deleteWmf, const WmfPlaceableFileHeader* header,
                                            GpMetafile** metafile) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!metafile) return InvalidParameter;
    *metafile = nullptr;
    const auto records = gdi::MetafileRecords(hWmf);
    if (!header || gdi::GetObjectType(hWmf) != gdi::OBJ_METAFILE || header->Inch <= 0) return InvalidParameter;
    auto source = std::make_shared<MetafileSource>();
    source->wmf = true;
    source->records.assign(records.begin(), records.end());
    if (records.size() >= 12) source->objects = uint16_t(records[10] | (records[11] << 8));  // header's table size
    source->box[0] = header->BoundingBoxLeft, source->box[1] = header->BoundingBoxTop;
    source->box[2] = header->BoundingBoxRight, source->box[3] = header->BoundingBoxBottom;
    // The box in pixels at the screen's 96 DPI.
    const auto pixels = [&](int a, int b) { return std::llround(std::fabs(double(b) - a) * 96 / header->Inch); };
    const int64_t width = pixels(source->box[0], source->box[2]), height = pixels(source->box[1], source->box[3]);
    const Status made = makeMetafileImage(std::move(source), width, height, metafile);
    if (made == Ok && deleteWmf) gdi::DeleteMetaFile(hWmf);
    return made;
}

extern "C" Status GdipCreateMetafileFromEmf(uint32_t hEmf, BOOL deleteEmf, GpMetafile** metafile) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!metafile) return InvalidParameter;
    *metafile = nullptr;
    if (gdi::GetObjectType(hEmf) != gdi::OBJ_ENHMETAFILE) return InvalidParameter;
    const auto records = gdi::MetafileRecords(hEmf);
    picture::detail::EmfHeader h;
    try {
        h = picture::detail::readEmfHeader(records);
    } catch (const std::exception&) {
        return InvalidParameter;
    }
    auto source = std::make_shared<MetafileSource>();
    source->records.assign(records.begin(), records.end());
    // The frame (0.01 mm) in pixels at 96 DPI.
    const auto pixels = [](int64_t hundredths) { return std::llround(double(hundredths) * 96 / 2540); };
    const Status made = makeMetafileImage(std::move(source), pixels(int64_t{h.frame.right} - h.frame.left),
                                          pixels(int64_t{h.frame.bottom} - h.frame.top), metafile);
    if (made == Ok && deleteEmf) gdi::DeleteEnhMetaFile(hEmf);
    return made;
}

}  // namespace gdiplus
