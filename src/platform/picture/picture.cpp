// Picture objects: type, handle, size and identity, and their creation over a handle.

#include "platform/picture/picture.h"

#include <algorithm>

#include "platform/gdi/device_drawing.h"

#include "platform/picture/invalid_picture.h"
#include "platform/picture/picture_object.h"
#include "platform/runtime/error.h"

namespace picture {

namespace detail {

namespace {

void deleteHandle(int type, uint32_t handle) {
    if (!handle) return;
    if (type == kPicTypeBitmap) gdi::DeleteObject(handle);
    if (type == kPicTypeIcon) gdi::DestroyIcon(handle);
    if (type == kPicTypeMetafile) gdi::DeleteMetaFile(handle);
    if (type == kPicTypeEnhMetafile) gdi::DeleteEnhMetaFile(handle);
}

// Pixel size of an icon: its colour bitmap, or half its mask's height when monochrome.
bool iconSize(gdi::HICON icon, int& width, int& height) {
    gdi::ICONINFO info{};
    if (!gdi::GetIconInfo(icon, &info)) return false;
    gdi::BITMAP bm{};
    const bool color = info.hbmColor != 0;
    const bool ok = gdi::GetObject(color ? info.hbmColor : info.hbmMask, sizeof(bm), &bm) != 0;
    width = bm.bmWidth;
    height = color ? bm.bmHeight : bm.bmHeight / 2;
    gdi::DeleteObject(info.hbmMask);
    if (info.hbmColor) gdi::DeleteObject(info.hbmColor);
    return ok;
}

}  // namespace

PictureObject::~PictureObject() {
    if (andForm) gdi::DeleteObject(andForm);
    if (colorForm) gdi::DeleteObject(colorForm);
    if (owns) deleteHandle(type, handle);
}

Picture makePicture(int type, uint32_t handle, bool owns, std::optional<int> transparentIndex) {
    auto object = std::make_shared<PictureObject>();
    object->type = type;
    object->handle = handle;
    object->owns = owns;
    object->transparentIndex = transparentIndex;
    switch (type) {
    case kPicTypeNone:
        object->handle = 0;
        object->owns = false;
        break;
    case kPicTypeBitmap: {
        gdi::BITMAP bm{};
        if (gdi::GetObjectType(handle) != gdi::OBJ_BITMAP || !gdi::GetObject(handle, sizeof(bm), &bm))
            refuse("picture: handle is not a bitmap");
        object->pixelWidth = bm.bmWidth;
        object->pixelHeight = bm.bmHeight;
        break;
    }
    case kPicTypeIcon:
        if (!iconSize(handle, object->pixelWidth, object->pixelHeight))
            refuse("picture: handle is not an icon");
        break;
    case kPicTypeEnhMetafile: {
        // An EMF carries its size: the frame, in 0.01 mm.
        if (gdi::GetObjectType(handle) != gdi::OBJ_ENHMETAFILE) {
            object->owns = false;
            refuse("picture: handle is not an enhanced metafile");
        }
        const EmfHeader h = readEmfHeader(gdi::MetafileRecords(handle));
        object->himetricWidth = int32_t(std::min<int64_t>(INT32_MAX, int64_t{h.frame.right} - h.frame.left));
        object->himetricHeight = int32_t(std::min<int64_t>(INT32_MAX, int64_t{h.frame.bottom} - h.frame.top));
        object->pixelWidth = PixelsFromHimetric(object->himetricWidth);
        object->pixelHeight = PixelsFromHimetric(object->himetricHeight);
        return PictureAccess::wrap(std::move(object));
    }
    case kPicTypeMetafile:
        // A bare WMF handle has no placeable header, so no size: refused, as a WMF file
        // without that header is.
        // The caller keeps a handle refused for want of a size.
        object->owns = false;
        if (gdi::GetObjectType(handle) != gdi::OBJ_METAFILE) refuse("picture: handle is not a metafile");
        refuse("picture: a metafile handle without its placeable header has no size");
    default:
        object->owns = false;
        refuse("picture: unknown picture type " + std::to_string(type));
    }
    object->himetricWidth = HimetricFromPixels(object->pixelWidth);
    object->himetricHeight = HimetricFromPixels(object->pixelHeight);
    return PictureAccess::wrap(std::move(object));
}

}  // namespace detail

using detail::PictureObject;

int Picture::Type() const { return object_ ? object_->type : kPicTypeNone; }
uint32_t Picture::Handle() const { return object_ ? object_->handle : 0; }
int32_t Picture::Width() const { return object_ ? object_->himetricWidth : 0; }
int32_t Picture::Height() const { return object_ ? object_->himetricHeight : 0; }
bool Picture::ownsHandle() const { return object_ && object_->owns; }

gdi::SIZE Picture::pixelSize() const {
    return object_ ? gdi::SIZE{object_->pixelWidth, object_->pixelHeight} : gdi::SIZE{0, 0};
}

std::optional<int> Picture::transparentIndex() const {
    return object_ ? object_->transparentIndex : std::nullopt;
}

Picture CreatePicture(int type, uint32_t handle, bool ownsHandle) {
    try {
        return detail::makePicture(type, handle, ownsHandle);
    } catch (const detail::InvalidPicture&) {
        runtime::raise(runtime::kErrInvalidPicture);
    }
}

Picture NonePicture() { return detail::makePicture(kPicTypeNone, 0, false); }

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t num = int64_t{a} * b;
    const bool negative = (num < 0) != (c < 0);
    const int64_t n = num < 0 ? -num : num;
    const int64_t d = c < 0 ? -int64_t{c} : int64_t{c};
    const int64_t q = (n + d / 2) / d;  // rounds the magnitude, so halves go away from zero
    const int64_t r = negative ? -q : q;
    if (r > INT32_MAX || r < INT32_MIN) return -1;
    return int32_t(r);
}

}  // namespace picture
