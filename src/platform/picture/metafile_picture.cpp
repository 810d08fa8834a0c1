// Metafile pictures: reading a WMF (with its placeable header) or an EMF into a picture
// object over a gdi metafile handle, and playing one into a target.

#include <cstdlib>

#include "platform/gdi/device_drawing.h"
#include "platform/picture/invalid_picture.h"
#include "platform/picture/limits.h"
#include "platform/picture/picture_object.h"
#include "platform/picture/readers.h"

namespace picture::detail {

namespace {

// HIMETRIC lengths beyond the pixel limits refuse the picture before any handle is made.
void checkMetafileSize(const char* format, int64_t himetricWidth, int64_t himetricHeight) {
    const auto pixels = [](int64_t him) { return (him * 96 + 1270) / 2540; };
    checkPictureSize(format, std::max<int64_t>(1, pixels(himetricWidth)),
                     std::max<int64_t>(1, pixels(himetricHeight)), 32);
    if (himetricWidth < 1 || himetricHeight < 1 || himetricWidth > INT32_MAX || himetricHeight > INT32_MAX)
        refuse(std::string(format) + ": empty or oversized picture");
}

}  // namespace

Picture makeMetafilePicture(int type, uint32_t handle, int32_t himetricWidth, int32_t himetricHeight,
                            std::vector<uint8_t> fileBytes, const WmfHeader& wmfBox) {
    auto object = std::make_shared<PictureObject>();
    object->type = type;
    object->handle = handle;
    object->owns = true;
    object->himetricWidth = himetricWidth;
    object->himetricHeight = himetricHeight;
    object->pixelWidth = PixelsFromHimetric(himetricWidth);
    object->pixelHeight = PixelsFromHimetric(himetricHeight);
    object->fileBytes = std::move(fileBytes);
    object->wmfBox = wmfBox;
    return PictureAccess::wrap(std::move(object));
}

Picture readWmf(std::span<const uint8_t> data) {
    const WmfHeader h = readWmfHeader(data);
    // Units per inch to HIMETRIC: 2540 per inch.
    const int64_t width = std::llabs(int64_t{h.right} - h.left) * 2540 / h.unitsPerInch;
    const int64_t height = std::llabs(int64_t{h.bottom} - h.top) * 2540 / h.unitsPerInch;
    checkMetafileSize("WMF", width, height);
    const auto records = data.subspan(WmfHeader::kPlaceableBytes);
    const gdi::HMETAFILE handle = gdi::SetMetaFileBitsEx(gdi::UINT(records.size()), records.data());
    if (!handle) throw PictureOutOfMemory("WMF: no metafile handle");
    return makeMetafilePicture(kPicTypeMetafile, handle, int32_t(width), int32_t(height),
                               {data.begin(), data.end()}, h);
}

Picture readEmf(std::span<const uint8_t> data) {
    const EmfHeader h = readEmfHeader(data);
    const int64_t width = int64_t{h.frame.right} - h.frame.left;
    const int64_t height = int64_t{h.frame.bottom} - h.frame.top;
    checkMetafileSize("EMF", width, height);
    const gdi::HENHMETAFILE handle = gdi::SetEnhMetaFileBits(gdi::UINT(data.size()), data.data());
    if (!handle) throw PictureOutOfMemory("EMF: no metafile handle");
    return makeMetafilePicture(kPicTypeEnhMetafile, handle, int32_t(width), int32_t(height),
                               {data.begin(), data.end()}, {});
}

bool playMetafilePicture(const PictureObject& o, gdi::HDC dc, const PlayTarget& target) {
    const auto records = gdi::MetafileRecords(o.handle);
    if (records.empty()) return false;
    // A record that stops playback leaves what was drawn; the picture still rendered.
    if (o.type == kPicTypeMetafile) playWmf(dc, records, o.wmfBox, target);
    else playEmf(dc, records, target);
    return true;
}

}  // namespace picture::detail
