#include "tools/modRotate.h"

#include <cmath>
#include <new>
#include <vector>

#include "platform/runtime/error.h"

namespace modRotate {

namespace {

using namespace gdi;

// Rows of 24-bit pixels padded to whole DWORDs.
int64_t stride24(int64_t width) {
    const int64_t bytes = 3 * width;
    return bytes % 4 == 0 ? bytes : bytes + (4 - bytes % 4);
}

BITMAPINFO bottomUp24(int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

std::vector<uint8_t> allocate(int64_t bytes) {
    try {
        return std::vector<uint8_t>(static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        runtime::raise(runtime::kErrOutOfMemory);
    } catch (const std::length_error&) {
        runtime::raise(runtime::kErrOutOfMemory);
    }
}

// The square's memory DC and bitmap, released in the platform's order (old bitmap back,
// bitmap, DC) however the routine ends.
struct Square {
    HDC dc = 0;
    HBITMAP bitmap = 0;
    HGDIOBJ previous = 0;
    ~Square() {
        if (previous) SelectObject(dc, previous);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
};

int nearest(double v) { return static_cast<int>(std::lrint(v)); }

}  // namespace

void RotateBitmapAroundPoint(HDC hDestDC, int32_t cx, int32_t cy, HDC hSrcDC, HBITMAP hSrcBitmap,
                             int32_t angle) {
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (GetDIBits(hSrcDC, hSrcBitmap, 0, 0, nullptr, &header, DIB_RGB_COLORS) == 0 &&
        header.bmiHeader.biWidth == 0)
        return;  // not a bitmap: icons, cursors and metafiles have no pixels to read
    const int32_t w = header.bmiHeader.biWidth;
    const int32_t h = std::abs(header.bmiHeader.biHeight);
    if (w <= 0 || h <= 0) return;

    const int64_t squared = int64_t{w} * w + int64_t{h} * h;
    if (squared > INT32_MAX) runtime::raise(runtime::kErrOverflow);
    const int32_t s = nearest(std::sqrt(static_cast<double>(squared)) + 2);

    Square square;
    square.dc = CreateCompatibleDC(hSrcDC);
    // Compatible with the source DC, not the new memory DC: that one holds a monochrome
    // bitmap, and the square must keep the canvas colours it starts from.
    square.bitmap = CreateCompatibleBitmap(hSrcDC, s, s);
    if (!square.bitmap) return;
    square.previous = SelectObject(square.dc, square.bitmap);

    const double half = s / 2.0;
    const int x0 = nearest(cx - half), y0 = nearest(cy - half);
    BitBlt(square.dc, 0, 0, s, s, hDestDC, x0, y0, SRCCOPY);

    const int64_t sourceStride = stride24(w), squareStride = stride24(s);
    std::vector<uint8_t> source = allocate(sourceStride * h);
    std::vector<uint8_t> pixels = allocate(squareStride * s);
    BITMAPINFO sourceInfo = bottomUp24(w, h);
    BITMAPINFO squareInfo = bottomUp24(s, s);
    GetDIBits(hSrcDC, hSrcBitmap, 0, UINT(h), source.data(), &sourceInfo, DIB_RGB_COLORS);
    GetDIBits(square.dc, square.bitmap, 0, UINT(s), pixels.data(), &squareInfo, DIB_RGB_COLORS);

    const double t = angle * kRadiansPerDegree;
    const double c = std::cos(t), n = std::sin(t);
    const double halfW = w / 2.0, halfH = h / 2.0;
    // Backward mapping: each square pixel looks up the source pixel that turns onto it.
    // The products are those of the per-pixel formula, only taken out of the loops.
    std::vector<double> dxc(static_cast<size_t>(s)), dxn(static_cast<size_t>(s));
    for (int j = 0; j < s; ++j) {
        const double dx = j - half;
        dxc[j] = dx * c;
        dxn[j] = dx * n;
    }
    for (int i = 0; i < s; ++i) {
        const double dy = i - half;
        const double dyn = dy * n, dyc = dy * c;
        uint8_t* row = pixels.data() + int64_t{i} * squareStride;
        for (int j = 0; j < s; ++j) {
            const double x = dxc[j] + halfW - dyn;
            const double y = dxn[j] + halfH + dyc;
            // nearest(x + 0.5), not floor: whole-number x go to the even neighbour.
            const long sx = std::lrint(x + 0.5), sy = std::lrint(y + 0.5);
            if (sx < 0 || sx >= w || sy < 0 || sy >= h) continue;
            const uint8_t* from = source.data() + sy * sourceStride + sx * 3;
            uint8_t* to = row + int64_t{j} * 3;
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }

    SetDIBitsToDevice(hDestDC, x0, y0, DWORD(s), DWORD(s), 0, 0, 0, UINT(s), pixels.data(), &squareInfo,
                      DIB_RGB_COLORS);
}

}  // namespace modRotate
