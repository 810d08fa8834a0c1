// The table of live objects, owned images, reading any image as premultiplied pixels,
// and the byte stream.

#include "platform/gdiplus/objects.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/runtime/text.h"

namespace gdiplus {

namespace detail {

namespace {

template <class T>
struct Table {
    std::unordered_map<const T*, std::unique_ptr<T>> live;

    T* add(std::unique_ptr<T> object) {
        T* p = object.get();
        if (p) live.emplace(p, std::move(object));
        return p;
    }
    bool contains(const T* p) const { return p && live.count(p); }
    bool release(T* p) { return p && live.erase(p) > 0; }
};

struct Tables {
    Table<GpImage> images;
    Table<GpGraphics> graphics;
    Table<GpImageAttributes> attributes;
};

Tables& tables() {
    static Tables t;
    return t;
}

}  // namespace

GpImage* registerImage(std::unique_ptr<GpImage> image) { return tables().images.add(std::move(image)); }
GpGraphics* registerGraphics(std::unique_ptr<GpGraphics> graphics) {
    return tables().graphics.add(std::move(graphics));
}
GpImageAttributes* registerAttributes(std::unique_ptr<GpImageAttributes> attributes) {
    return tables().attributes.add(std::move(attributes));
}
bool isLiveImage(const GpImage* image) { return tables().images.contains(image); }
bool isLiveGraphics(const GpGraphics* graphics) { return tables().graphics.contains(graphics); }
bool isLiveAttributes(const GpImageAttributes* attributes) {
    return tables().attributes.contains(attributes);
}
bool releaseImage(GpImage* image) { return tables().images.release(image); }
bool releaseGraphics(GpGraphics* graphics) { return tables().graphics.release(graphics); }
bool releaseAttributes(GpImageAttributes* attributes) {
    return tables().attributes.release(attributes);
}

void releaseAllObjects() {
    tables().images.live.clear();
    tables().graphics.live.clear();
    tables().attributes.live.clear();
}

int liveObjects() {
    const Tables& t = tables();
    return int(t.images.live.size() + t.graphics.live.size() + t.attributes.live.size());
}

std::unique_ptr<GpImage> makeOwnedImage(int width, int height, PixelFormat reportedFormat) {
    if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) return nullptr;
    auto image = std::make_unique<GpImage>();
    try {
        image->owned.assign(size_t(width) * size_t(height) * 4, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    image->memoryWidth = image->width = width;
    image->memoryHeight = image->height = height;
    image->scan0 = image->owned.data();
    image->stride = ptrdiff_t(width) * 4;
    image->memoryFormat = PixelFormat32bppPARGB;
    image->format = reportedFormat;
    return image;
}

PixelView premultipliedView(const GpImage& image, std::vector<uint8_t>& scratch) {
    const uint8_t* scan0 = image.scan0;
    ptrdiff_t stride = image.stride;
    if (image.memoryFormat != PixelFormat32bppPARGB) {
        // Straight or alpha-less memory: a premultiplied copy in the same layout.
        const size_t rowBytes = size_t(image.memoryWidth) * 4;
        scratch.resize(rowBytes * size_t(image.memoryHeight));
        for (int y = 0; y < image.memoryHeight; ++y) {
            const uint8_t* s = image.scan0 + ptrdiff_t(y) * image.stride;
            uint8_t* d = scratch.data() + size_t(y) * rowBytes;
            for (int x = 0; x < image.memoryWidth; ++x, s += 4, d += 4) {
                if (image.memoryFormat == PixelFormat32bppRGB) {
                    d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
                } else {
                    const unsigned a = s[3];
                    d[0] = premultiply(s[0], a), d[1] = premultiply(s[1], a);
                    d[2] = premultiply(s[2], a), d[3] = uint8_t(a);
                }
            }
        }
        scan0 = scratch.data();
        stride = ptrdiff_t(rowBytes);
    }
    const Orientation& o = image.orientation;
    PixelView v;
    v.base = scan0 + o.f * stride + o.c * 4;
    v.xstep = ptrdiff_t(o.d) * stride + ptrdiff_t(o.a) * 4;
    v.ystep = ptrdiff_t(o.e) * stride + ptrdiff_t(o.b) * 4;
    v.width = image.width;
    v.height = image.height;
    return v;
}

bool hasTransparency(const GpImage& image) {
    if (!(image.format & PixelFormatAlpha) || image.memoryFormat == PixelFormat32bppRGB) return false;
    for (int y = 0; y < image.memoryHeight; ++y) {
        const uint8_t* p = image.scan0 + ptrdiff_t(y) * image.stride;
        for (int x = 0; x < image.memoryWidth; ++x)
            if (p[x * 4 + 3] != 255) return true;
    }
    return false;
}

std::string narrowFileName(const WCHAR* name) { return runtime::Utf8FromUtf16(name); }

}  // namespace detail

std::span<const uint8_t> Stream::readRest() {
    const size_t from = std::min(position_, bytes_.size());
    position_ = bytes_.size();
    return std::span<const uint8_t>(bytes_).subspan(from);
}

void Stream::write(std::span<const uint8_t> data) {
    if (position_ + data.size() > bytes_.size()) bytes_.resize(position_ + data.size());
    if (!data.empty()) std::memcpy(bytes_.data() + position_, data.data(), data.size());
    position_ += data.size();
}

namespace testing {

int liveObjectCount() { return detail::liveObjects(); }

}  // namespace testing

}  // namespace gdiplus
