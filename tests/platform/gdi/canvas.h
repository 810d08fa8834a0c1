#pragma once
// A memory DC holding a DIB section whose memory the tests read and write directly;
// row addresses are worked out here from the DIB rules, not asked of the library.

#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"

namespace gdi::test {

inline RGBQUAD quad(int r, int g, int b) { return {BYTE(b), BYTE(g), BYTE(r), 0}; }

inline BITMAPINFO dibInfo(int width, int height, int bpp, const std::vector<RGBQUAD>& table = {}) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bpp);
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biClrUsed = DWORD(table.size());
    for (size_t i = 0; i < table.size(); ++i) info.bmiColors[i] = table[i];
    return info;
}

inline int dibStride(int width, int bpp) { return (width * bpp + 31) / 32 * 4; }

class Canvas {
public:
    Canvas(int width, int height, int bpp, bool topDown = true, std::vector<RGBQUAD> table = {})
        : width_(width), height_(height), bpp_(bpp), topDown_(topDown),
          stride_(dibStride(width, bpp)) {
        const BITMAPINFO info = dibInfo(width, topDown ? -height : height, bpp, table);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint8_t*>(bits);
        dc_ = CreateCompatibleDC(0);
        old_ = SelectObject(dc_, bitmap_);
        EXPECT_NE(bitmap_, 0u);
        EXPECT_NE(old_, 0u);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    uint8_t* bits() const { return bits_; }
    int stride() const { return stride_; }

    uint8_t* row(int y) const {
        return bits_ + size_t(topDown_ ? y : height_ - 1 - y) * size_t(stride_);
    }
    // 32 bpp: 0xAARRGGBB; 24 bpp: 0x00RRGGBB; 8 bpp: the index.
    uint32_t at(int x, int y) const {
        const uint8_t* p = row(y);
        switch (bpp_) {
        case 32: { uint32_t v; std::memcpy(&v, p + 4 * x, 4); return v; }
        case 24: return p[3 * x] | (p[3 * x + 1] << 8) | (p[3 * x + 2] << 16);
        case 8: return p[x];
        case 4: return (x & 1) ? (p[x / 2] & 15) : (p[x / 2] >> 4);
        case 1: return (p[x / 8] >> (7 - x % 8)) & 1;
        }
        return 0;
    }
    void set(int x, int y, uint32_t v) {
        uint8_t* p = row(y);
        switch (bpp_) {
        case 32: std::memcpy(p + 4 * x, &v, 4); break;
        case 24: p[3 * x] = uint8_t(v); p[3 * x + 1] = uint8_t(v >> 8); p[3 * x + 2] = uint8_t(v >> 16); break;
        case 8: p[x] = uint8_t(v); break;
        case 4: p[x / 2] = (x & 1) ? uint8_t((p[x / 2] & 0xF0) | v) : uint8_t((p[x / 2] & 0x0F) | (v << 4)); break;
        case 1: p[x / 8] = uint8_t(v ? p[x / 8] | (0x80 >> x % 8) : p[x / 8] & ~(0x80 >> x % 8)); break;
        }
    }
    void fill(uint32_t v) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) set(x, y, v);
    }

private:
    int width_, height_, bpp_;
    bool topDown_;
    int stride_;
    HBITMAP bitmap_ = 0;
    HDC dc_ = 0;
    HGDIOBJ old_ = 0;
    uint8_t* bits_ = nullptr;
};

// A selected pen or brush that is put back and deleted at the end of the scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
    ~Selected() {
        SelectObject(dc_, old_);
        DeleteObject(object_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ old_;
};

}  // namespace gdi::test
