#pragma once
// A session for each test, images made from listed pixels, and reading back what was
// drawn. Pixels are premultiplied BGRA as the library keeps them.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform/gdi/dib_surface.h"
#include "platform/gdiplus/gdiplus.h"

namespace gdiplustest {

using namespace gdiplus;

struct Px {
    uint8_t b = 0, g = 0, r = 0, a = 0;
    friend bool operator==(const Px&, const Px&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Px& p) {
        return os << "(b" << int(p.b) << " g" << int(p.g) << " r" << int(p.r) << " a" << int(p.a) << ")";
    }
};

inline Px opaque(uint8_t r, uint8_t g, uint8_t b) { return {b, g, r, 255}; }

// Premultiplied pixels in memory, top row first, that a bitmap can lie over.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    Pixels(int w, int h, Px fill = {}) : width(w), height(h), bytes(size_t(w) * size_t(h) * 4) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, fill);
    }
    uint8_t* at(int x, int y) { return &bytes[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    Px get(int x, int y) const {
        const uint8_t* p = &bytes[(size_t(y) * size_t(width) + size_t(x)) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    void set(int x, int y, Px p) { std::memcpy(at(x, y), &p, 4); }
};

// An owned reference to a library image, disposed at the end of the scope.
class Image {
public:
    Image() = default;
    explicit Image(GpImage* image) : image_(image) {}
    ~Image() { reset(); }
    Image(Image&& other) noexcept : image_(other.image_) { other.image_ = nullptr; }
    Image& operator=(Image&& other) noexcept {
        std::swap(image_, other.image_);
        return *this;
    }
    void reset() {
        if (image_) GdipDisposeImage(image_);
        image_ = nullptr;
    }
    GpImage* get() const { return image_; }
    GpImage** out() {
        reset();
        return &image_;
    }
    explicit operator bool() const { return image_ != nullptr; }

private:
    GpImage* image_ = nullptr;
};

// A bitmap over the pixels (a view, top-down rows).
inline Image viewOf(Pixels& p, PixelFormat format = PixelFormat32bppPARGB) {
    Image image;
    EXPECT_EQ(GdipCreateBitmapFromScan0(p.width, p.height, p.width * 4, format, p.bytes.data(), image.out()), Ok);
    return image;
}

// Straight 0xAARRGGBB of a pixel.
inline ARGB pixelOf(GpImage* image, int x, int y) {
    ARGB c = 0;
    EXPECT_EQ(GdipBitmapGetPixel(image, x, y, &c), Ok);
    return c;
}

inline UINT widthOf(GpImage* image) {
    UINT w = 0;
    EXPECT_EQ(GdipGetImageWidth(image, &w), Ok);
    return w;
}
inline UINT heightOf(GpImage* image) {
    UINT h = 0;
    EXPECT_EQ(GdipGetImageHeight(image, &h), Ok);
    return h;
}

// A device context on a top-down DIB section of 24 or 32 bpp.
struct Canvas {
    gdi::DibSurface surface;
    Canvas(int w, int h, int bpp = 32) : surface(w, h, bpp) {}
    gdi::HDC dc() const { return surface.dc(); }
    Px get(int x, int y) const {
        const uint8_t* p = surface.row(y) + size_t(x) * size_t(surface.bitsPerPixel() / 8);
        return {p[0], p[1], p[2], uint8_t(surface.bitsPerPixel() == 32 ? p[3] : 0)};
    }
    void fill(Px p) {
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x)
                std::memcpy(surface.row(y) + size_t(x) * size_t(surface.bitsPerPixel() / 8), &p,
                            size_t(surface.bitsPerPixel() / 8));
    }
};

// Graphics on a DC, deleted at the end of the scope.
class Graphics {
public:
    explicit Graphics(gdi::HDC dc) { EXPECT_EQ(GdipCreateFromHDC(dc, &g_), Ok); }
    ~Graphics() {
        if (g_) GdipDeleteGraphics(g_);
    }
    GpGraphics* get() const { return g_; }

private:
    GpGraphics* g_ = nullptr;
};

std::u16string wide(const std::string& s);

class GdiplusTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Token token_ = 0;
};

}  // namespace gdiplustest
