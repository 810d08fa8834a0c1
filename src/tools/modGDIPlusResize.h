#pragma once
// The resize window's drawing: a picture of any type (bitmap, WMF, icon or cursor, EMF)
// drawn through GDI+ with high-quality bicubic interpolation onto a new bitmap of the
// requested size, in the screen's colour format, over a background colour.
//
// Metafiles: our GDI+ does not make images from WMF/EMF handles yet (NotImplemented),
// and our picture objects hold no metafiles, so types 2 and 4 give no picture for now;
// the header and the calls are in place for when they arrive.

#include <cstdint>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/picture/picture.h"

namespace modGDIPlusResize {

// Starts a GDI+ session and returns its token, 0 when the start fails.
gdiplus::Token StartGdiPlusForResize();

// The picture of the handle (of the picture type: 1 bitmap, 2 WMF, 3 icon, 4 EMF) drawn
// at width x height pixels over the colour (0x00BBGGRR); with keepAspect the picture
// keeps its proportions and is centred, the colour showing in the bands left over. The
// returned bitmap picture owns its bitmap; the source handle stays its owner's. No
// picture for any other type, a handle GDI+ refuses, or a canvas that cannot be made
// (no pixels in one direction, or too many). Raises Overflow (6) for a WMF whose size
// does not fit the header's 16-bit fields.
picture::Picture ResizePictureHandle(uint32_t handle, int16_t type, int32_t width, int32_t height,
                                     gdi::COLORREF color, bool keepAspect);

// ---- its steps ----
// A memory context holding a new width x height bitmap of the screen's format, filled
// with the colour; oldBitmap is what the context held before. False (and nothing left
// behind) when the bitmap cannot be made.
bool CreateResizeCanvas(gdi::HDC& dc, gdi::HBITMAP& oldBitmap, gdi::COLORREF color, int32_t width,
                        int32_t height);
// Draws the whole image into the context's width x height pixels, fitted and centred
// with keepAspect, stretched without.
gdiplus::Status DrawImageOnCanvas(gdiplus::GpImage* image, gdi::HDC dc, int32_t width, int32_t height,
                                  bool keepAspect);
// Selects `bitmap` (the old bitmap) back into the context, which hands the canvas bitmap
// back in `bitmap`, and deletes the context.
void ReleaseResizeCanvas(gdi::HDC dc, gdi::HBITMAP& bitmap);
// A bitmap picture that owns the bitmap.
picture::Picture PictureFromBitmapHandle(gdi::HBITMAP bitmap);
// The placeable header that frames a WMF handle at width x height pixels (1440 units per
// inch, checksum left 0). Raises Overflow (6) when either does not fit 16 bits.
void FillWmfPlaceableHeader(gdiplus::WmfPlaceableFileHeader& header, int32_t width, int32_t height);

}  // namespace modGDIPlusResize
