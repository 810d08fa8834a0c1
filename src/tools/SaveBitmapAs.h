#pragma once
// Encoding a bitmap handle to a file through GDI+ by the file name's type, and the
// encoder lookup by MIME type, as the save dialog uses them.

#include <QString>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"

namespace SaveBitmapAs {

// The last four characters of the name, in lower case, choose the MIME type (".png",
// ".gif", ".jpg", ".tif", ".bmp"); any other ending writes nothing. True when the file
// was written.
bool SaveBitmapWithGdiPlus(gdi::HBITMAP bitmap, const QString& fileName);

// True when an installed encoder has that MIME type (compared without regard to case);
// its class identifier goes to clsid.
bool FindEncoderClsidForMime(const QString& mimeType, gdiplus::CLSID& clsid);

// A zero-terminated UTF-16 string, cut at the first NUL.
QString CodecMimeStringFromPointer(const gdiplus::WCHAR* text);

}  // namespace SaveBitmapAs
