// SavePicture: a bitmap picture as a 24-bit BMP, an icon picture as a one-entry ICO (or
// CUR for a cursor, with its hotspot). The pixels are read back through GetDIBits, so any
// bitmap, DIB section or not, can be saved. Indexed icons keep their depth and colour
// table, 32-bpp icons their alpha; 16- and 24-bpp icons are written at 24 bpp.

#include <cstring>
#include <vector>

#include "platform/picture/byte_writer.h"
#include "platform/picture/picture_object.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"

namespace picture {

namespace {

using namespace gdi;

using detail::put16;
using detail::put32;

void putInfoHeader(std::vector<uint8_t>& out, int width, int height, int bpp, uint32_t imageBytes,
                   uint32_t colorsUsed) {
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, uint32_t(bpp));
    put32(out, BI_RGB);
    put32(out, imageBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, colorsUsed);
    put32(out, 0);
}

// Rows of a bitmap at the given depth, bottom-up; `info` receives header and table.
std::vector<uint8_t> readRows(HBITMAP bitmap, int bpp, BITMAPINFO& info) {
    BITMAP bm{};
    if (!GetObject(bitmap, sizeof(bm), &bm)) runtime::raise(runtime::kErrInvalidPicture);
    info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, bm.bmHeight, 1, WORD(bpp), BI_RGB,
                      0, 0, 0, 0, 0};
    const int64_t stride = (int64_t{bm.bmWidth} * bpp + 31) / 32 * 4;
    std::vector<uint8_t> rows(size_t(stride * bm.bmHeight));
    const HDC dc = CreateCompatibleDC(0);
    const int lines = GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), rows.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (lines != bm.bmHeight) runtime::raise(runtime::kErrInvalidPicture);
    return rows;
}

std::vector<uint8_t> writeBmp(HBITMAP bitmap) {
    BITMAPINFO info;
    const std::vector<uint8_t> rows = readRows(bitmap, 24, info);
    std::vector<uint8_t> out;
    out.reserve(54 + rows.size());
    put16(out, 0x4D42);  // "BM"
    put32(out, uint32_t(54 + rows.size()));
    put32(out, 0);
    put32(out, 54);
    putInfoHeader(out, info.bmiHeader.biWidth, info.bmiHeader.biHeight, 24, uint32_t(rows.size()), 0);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

std::vector<uint8_t> writeIco(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) runtime::raise(runtime::kErrInvalidPicture);
    struct Release {
        ICONINFO& ii;
        ~Release() {
            DeleteObject(ii.hbmMask);
            if (ii.hbmColor) DeleteObject(ii.hbmColor);
        }
    } release{ii};

    BITMAPINFO colorInfo{}, maskInfo{};
    std::vector<uint8_t> xorBits, andBits;
    int bpp = 1;
    std::vector<RGBQUAD> table;
    if (ii.hbmColor) {
        BITMAP bm{};
        GetObject(ii.hbmColor, sizeof(bm), &bm);
        bpp = bm.bmBitsPixel <= 8 ? bm.bmBitsPixel : bm.bmBitsPixel == 32 ? 32 : 24;
        xorBits = readRows(ii.hbmColor, bpp, colorInfo);
        andBits = readRows(ii.hbmMask, 1, maskInfo);
        if (bpp <= 8) {
            const size_t n = colorInfo.bmiHeader.biClrUsed ? colorInfo.bmiHeader.biClrUsed
                                                           : size_t{1} << bpp;
            table.assign(colorInfo.bmiColors, colorInfo.bmiColors + n);
        }
    } else {
        // Monochrome: in bottom-up order the lower half (the image) comes first.
        const std::vector<uint8_t> both = readRows(ii.hbmMask, 1, maskInfo);
        xorBits.assign(both.begin(), both.begin() + ptrdiff_t(both.size() / 2));
        andBits.assign(both.begin() + ptrdiff_t(both.size() / 2), both.end());
        table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        colorInfo.bmiHeader = maskInfo.bmiHeader;
        colorInfo.bmiHeader.biHeight /= 2;
    }
    const int width = colorInfo.bmiHeader.biWidth, height = colorInfo.bmiHeader.biHeight;
    const uint32_t imageBytes = uint32_t(xorBits.size() + andBits.size());
    const uint32_t entryBytes = 40 + uint32_t(table.size() * 4) + imageBytes;

    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, ii.fIcon ? 1 : 2);
    put16(out, 1);
    out.push_back(uint8_t(width >= 256 ? 0 : width));
    out.push_back(uint8_t(height >= 256 ? 0 : height));
    out.push_back(uint8_t(bpp < 8 ? 1 << bpp : 0));
    out.push_back(0);
    put16(out, ii.fIcon ? 1 : ii.xHotspot);
    put16(out, ii.fIcon ? uint32_t(bpp) : ii.yHotspot);
    put32(out, entryBytes);
    put32(out, 22);
    const size_t full = bpp <= 8 ? size_t{1} << bpp : 0;
    putInfoHeader(out, width, height * 2, bpp, imageBytes,
                  table.size() == full ? 0 : uint32_t(table.size()));
    for (const RGBQUAD& q : table) {
        out.push_back(q.rgbBlue);
        out.push_back(q.rgbGreen);
        out.push_back(q.rgbRed);
        out.push_back(0);
    }
    out.insert(out.end(), xorBits.begin(), xorBits.end());
    out.insert(out.end(), andBits.begin(), andBits.end());
    return out;
}

}  // namespace

std::vector<uint8_t> SavePictureToBytes(const Picture& picture) {
    switch (picture.Type()) {
    case kPicTypeBitmap: return writeBmp(picture.Handle());
    case kPicTypeIcon: return writeIco(picture.Handle());
    case kPicTypeMetafile:
    case kPicTypeEnhMetafile: {
        // A metafile is written as it was loaded.
        const auto* o = detail::PictureAccess::object(picture);
        if (o->fileBytes.empty()) runtime::raise(runtime::kErrInvalidPicture);
        return o->fileBytes;
    }
    default: runtime::raise(runtime::kErrInvalidPicture);  // no picture, or an empty one
    }
}

void SavePicture(const Picture& picture, const std::string& path) {
    sys::writeFile(path, SavePictureToBytes(picture));
}

}  // namespace picture
