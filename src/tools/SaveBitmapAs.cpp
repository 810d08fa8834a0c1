#include "tools/SaveBitmapAs.h"

#include <vector>

namespace SaveBitmapAs {

QString CodecMimeStringFromPointer(const gdiplus::WCHAR* text) {
    if (!text) return QString();
    return QString::fromUtf16(text);
}

bool FindEncoderClsidForMime(const QString& mimeType, gdiplus::CLSID& clsid) {
    gdiplus::UINT count = 0, size = 0;
    if (gdiplus::GdipGetImageEncodersSize(&count, &size) != gdiplus::Ok || size == 0) return false;
    // Records followed by their strings, in one block aligned for the records.
    std::vector<gdiplus::ImageCodecInfo> block((size + sizeof(gdiplus::ImageCodecInfo) - 1) /
                                              sizeof(gdiplus::ImageCodecInfo));
    if (gdiplus::GdipGetImageEncoders(count, size, block.data()) != gdiplus::Ok) return false;
    for (gdiplus::UINT i = 0; i < count; ++i) {
        if (CodecMimeStringFromPointer(block[i].MimeType).compare(mimeType, Qt::CaseInsensitive) == 0) {
            clsid = block[i].Clsid;
            return true;
        }
    }
    return false;
}

bool SaveBitmapWithGdiPlus(gdi::HBITMAP bitmap, const QString& fileName) {
    const QString ending = fileName.right(4).toLower();
    QString mime;
    if (ending == ".png") mime = "image/png";
    else if (ending == ".gif") mime = "image/gif";
    else if (ending == ".jpg") mime = "image/jpeg";
    else if (ending == ".tif") mime = "image/tiff";
    else if (ending == ".bmp") mime = "image/bmp";
    else return false;

    gdiplus::GpBitmap* image = nullptr;
    if (gdiplus::GdipCreateBitmapFromHBITMAP(bitmap, 0, &image) != gdiplus::Ok) return false;
    bool written = false;
    gdiplus::CLSID encoder{};
    if (FindEncoderClsidForMime(mime, encoder)) {
        const std::u16string name = fileName.toStdU16String();
        written = gdiplus::GdipSaveImageToFile(image, name.c_str(), &encoder, nullptr) == gdiplus::Ok;
    }
    gdiplus::GdipDisposeImage(image);
    return written;
}

}  // namespace SaveBitmapAs
