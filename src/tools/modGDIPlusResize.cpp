#include "tools/modGDIPlusResize.h"

#include "platform/runtime/numbers.h"

namespace modGDIPlusResize {

using namespace gdiplus;

Token StartGdiPlusForResize() {
    GdiplusStartupInput input{};
    input.GdiplusVersion = 1;
    Token token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return 0;
    return token;
}

void FillWmfPlaceableHeader(WmfPlaceableFileHeader& header, int32_t width, int32_t height) {
    header.Key = 0x9AC6CDD7;
    header.Hmf = 0;
    header.BoundingBoxLeft = 0;
    header.BoundingBoxTop = 0;
    header.BoundingBoxRight = runtime::CInt(width);
    header.BoundingBoxBottom = runtime::CInt(height);
    header.Inch = 1440;
    header.Reserved = 0;
    header.Checksum = 0;
}

bool CreateResizeCanvas(gdi::HDC& dc, gdi::HBITMAP& oldBitmap, gdi::COLORREF color, int32_t width,
                        int32_t height) {
    dc = 0;
    oldBitmap = 0;
    // A size of 0 would give the platform's 1x1 monochrome stand-in, not a canvas.
    if (width <= 0 || height <= 0) return false;
    const gdi::HDC memory = gdi::CreateCompatibleDC(0);
    if (!memory) return false;
    // Our memory contexts report the depth of the bitmap they hold (the monochrome stock
    // one here), so the screen's format is asked of the screen they are compatible with.
    const gdi::HDC screen = gdi::GetDC(0);
    const int planes = gdi::GetDeviceCaps(screen, gdi::PLANES);
    const int bitsPerPixel = gdi::GetDeviceCaps(screen, gdi::BITSPIXEL);
    gdi::ReleaseDC(0, screen);
    const gdi::HBITMAP canvas = gdi::CreateBitmap(width, height, planes, bitsPerPixel, nullptr);
    if (!canvas) {
        gdi::DeleteDC(memory);
        return false;
    }
    dc = memory;
    oldBitmap = gdi::SelectObject(dc, canvas);
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(color);
    const gdi::HGDIOBJ previousBrush = gdi::SelectObject(dc, brush);
    gdi::PatBlt(dc, 0, 0, width, height, gdi::PATCOPY);
    gdi::SelectObject(dc, previousBrush);
    gdi::DeleteObject(brush);
    return true;
}

Status DrawImageOnCanvas(GpImage* image, gdi::HDC dc, int32_t width, int32_t height, bool keepAspect) {
    GpGraphics* graphics = nullptr;
    Status status = GdipCreateFromHDC(dc, &graphics);
    if (status != Ok) return status;
    GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
    if (keepAspect) {
        UINT iw = 0, ih = 0;
        GdipGetImageWidth(image, &iw);
        GdipGetImageHeight(image, &ih);
        if (iw == 0 || ih == 0) {
            GdipDeleteGraphics(graphics);
            return InvalidParameter;
        }
        const double ri = double(iw) / double(ih);
        const double rb = double(width) / double(height);
        int32_t nw, nh;
        if (rb < ri) {
            nw = width;
            nh = runtime::CLng(width / ri);
        } else {
            nw = runtime::CLng(height * ri);
            nh = height;
        }
        const int32_t left = runtime::CLng((width - nw) / 2.0);
        const int32_t top = runtime::CLng((height - nh) / 2.0);
        status = GdipDrawImageRectRectI(graphics, image, left, top, nw, nh, 0, 0, INT(iw), INT(ih), UnitPixel,
                                        nullptr, nullptr, nullptr);
    } else {
        status = GdipDrawImageRectI(graphics, image, 0, 0, width, height);
    }
    GdipDeleteGraphics(graphics);
    return status;
}

void ReleaseResizeCanvas(gdi::HDC dc, gdi::HBITMAP& bitmap) {
    bitmap = gdi::SelectObject(dc, bitmap);
    gdi::DeleteDC(dc);
}

picture::Picture PictureFromBitmapHandle(gdi::HBITMAP bitmap) {
    return picture::CreatePicture(picture::kPicTypeBitmap, bitmap, true);
}

picture::Picture ResizePictureHandle(uint32_t handle, int16_t type, int32_t width, int32_t height,
                                     gdi::COLORREF color, bool keepAspect) {
    GpImage* image = nullptr;
    Status made = GenericError;
    switch (type) {
    case picture::kPicTypeBitmap:
        made = GdipCreateBitmapFromHBITMAP(handle, 0, &image);
        break;
    case picture::kPicTypeMetafile: {
        // The header's proportions are the requested ones, so a WMF fills the canvas.
        WmfPlaceableFileHeader header;
        FillWmfPlaceableHeader(header, width, height);
        made = GdipCreateMetafileFromWmf(handle, gdi::FALSE, &header, &image);
        break;
    }
    case picture::kPicTypeIcon:
        made = GdipCreateBitmapFromHICON(handle, &image);
        break;
    case picture::kPicTypeEnhMetafile:
        made = GdipCreateMetafileFromEmf(handle, gdi::FALSE, &image);
        break;
    default:
        break;
    }
    if (made != Ok || !image) return {};

    gdi::HDC dc = 0;
    gdi::HBITMAP bitmap = 0;
    if (!CreateResizeCanvas(dc, bitmap, color, width, height)) {
        GdipDisposeImage(image);
        return {};
    }
    DrawImageOnCanvas(image, dc, width, height, keepAspect);
    GdipDisposeImage(image);
    ReleaseResizeCanvas(dc, bitmap);
    return PictureFromBitmapHandle(bitmap);
}

}  // namespace modGDIPlusResize
