// DIB headers, colour tables and pixels from hostile files, as the picture loader hands
// them to the drawing layer.
//
// Input: a BITMAPINFOHEADER, its colour table (or BI_BITFIELDS masks), then pixel rows.
// The DIB functions take raw pointers and trust them, so, like every caller, this target
// passes header and pixels only when the input holds the bytes that DibInfoBytes and
// DibImageBytes report; it copies them into buffers of exactly that size, so a read past
// what the header implies is caught by AddressSanitizer. Images are capped at 4 million
// pixels here to keep each run fast; the library's own 2^31 - 1 byte limit is tested by
// the unit tests.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"

using namespace gdi;

namespace {

constexpr int64_t kMaxPixels = 4 << 20;

RGBQUAD kColours[256];
[[maybe_unused]] const bool kColoursMade = [] {
    for (int i = 0; i < 256; ++i) kColours[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    return true;
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof(header));
    const int64_t infoBytes = DibInfoBytes(header, DIB_RGB_COLORS);
    const int64_t imageBytes = DibImageBytes(header);
    const int64_t rows = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    const bool small = infoBytes > 0 && int64_t{header.biWidth} * rows <= kMaxPixels;
    const uint8_t knob = data[size - 1];

    // A whole BITMAPINFO: every header, valid or not, goes to CreateDIBSection.
    BITMAPINFO whole{};
    std::memcpy(&whole, data, std::min(size, sizeof(BITMAPINFO)));
    void* bits = nullptr;
    const HBITMAP dib = (infoBytes == 0 || small)
                            ? CreateDIBSection(0, &whole, DIB_RGB_COLORS, &bits, nullptr, 0)
                            : 0;

    const DibSurface target(37, 23, knob % 2 ? 32 : 8, false, kColours);
    SetStretchBltMode(target.dc(), knob & 4 ? HALFTONE : COLORONCOLOR);
    if (small && int64_t(size) >= infoBytes + imageBytes) {
        const std::vector<uint8_t> info(data, data + infoBytes);
        const std::vector<uint8_t> pixels(data + infoBytes, data + infoBytes + imageBytes);
        const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
        const int w = header.biWidth, h = int(rows);
        SetDIBitsToDevice(target.dc(), -1, 2, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), pixels.data(), bi,
                          DIB_RGB_COLORS);
        if (h > 1) {
            // A band of all scans but the first.
            const int64_t stride = imageBytes / h;
            SetDIBitsToDevice(target.dc(), 3, -1, DWORD(w), DWORD(h), 1, 1, 1, UINT(h - 1),
                              pixels.data() + stride, bi, DIB_RGB_COLORS);
        }
        StretchDIBits(target.dc(), 0, 0, 1 + knob % 50, 1 + knob / 5, 0, 0, w, h, pixels.data(), bi,
                      DIB_RGB_COLORS, SRCCOPY);
        StretchDIBits(target.dc(), 30, 20, -(1 + knob % 7), -3, w, 0, -w, h, pixels.data(), bi,
                      DIB_RGB_COLORS, SRCINVERT);
        if (dib) SetDIBits(target.dc(), dib, 0, UINT(h), pixels.data(), bi, DIB_RGB_COLORS);
    }

    if (dib) {
        DIBSECTION ds{};
        GetObject(dib, sizeof(ds), &ds);
        const HDC dc = CreateCompatibleDC(0);
        const HGDIOBJ old = SelectObject(dc, dib);
        BitBlt(target.dc(), 0, 0, 37, 23, dc, 0, 0, SRCCOPY);
        BitBlt(dc, 1, 1, 40, 40, target.dc(), 0, 0, SRCPAINT);
        StretchBlt(dc, 0, 0, ds.dsBm.bmWidth, ds.dsBm.bmHeight, target.dc(), 0, 0, 37, 23, NOTSRCCOPY);
        SelectObject(dc, old);
        DeleteDC(dc);

        const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
        for (int bpp : {32, 1}) {
            BITMAPINFO out{};
            out.bmiHeader = {sizeof(BITMAPINFOHEADER), w, (knob & 8) ? -h : h, 1, WORD(bpp), BI_RGB, 0, 0, 0, 0, 0};
            std::vector<uint8_t> back(size_t((int64_t(w) * bpp + 31) / 32 * 4 * h));
            GetDIBits(target.dc(), dib, 0, UINT(h), back.data(), &out, DIB_RGB_COLORS);
        }
        DeleteObject(dib);
    }
    return 0;
}
