#include "filterlib/core/frame.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "filterlib/core/bands.h"
#include "platform/gdi/objects.h"

namespace filterlib {

namespace {

using gdi::detail::Bitmap;
using gdi::detail::Surface;

// The bitmap a device context draws on; nullptr for a bad handle, the screen, or a memory
// DC that still holds only its stock 1x1 bitmap.
Bitmap* bitmapOf(HDC dc) {
    auto& table = gdi::detail::registry();
    const gdi::detail::Dc* context = table.get<gdi::detail::Dc>(dc);
    if (!context || context->bitmap == 0 || context->bitmap == table.stockBitmap()) return nullptr;
    Bitmap* bitmap = gdi::detail::dcBitmap(*context);
    return bitmap && bitmap->surface.width > 0 && bitmap->surface.height > 0 ? bitmap : nullptr;
}

bool isDirect(const Surface& s) { return s.bpp == 32 && s.step % 4 == 0; }

Image directView(const Surface& s) {
    Image image;
    image.width = s.width;
    image.height = s.height;
    image.stride = s.step / 4;
    image.top = reinterpret_cast<uint32_t*>(s.top);
    return image;
}

// Pixels the call owns, at a given size.
struct Owned {
    std::vector<uint32_t> pixels;
    Image image;
    Owned(int width, int height) : pixels(size_t(width) * size_t(height)) {
        image.width = width;
        image.height = height;
        image.stride = width;
        image.top = pixels.data();
    }
};

// A surface's pixels as 32-bit words (alpha as stored for 32 bpp, else 0), converted.
void readConverted(const Surface& s, Image& out) {
    inBands(s.height, s.width, [&](int first, int end) {
        std::vector<uint32_t> raw(size_t(s.width));
        for (int y = first; y < end; ++y) {
            gdi::detail::readRaw(s, y, 0, s.width, raw.data());
            gdi::detail::rawRowToBgra(s, raw.data(), s.width, out.row(y));
        }
    });
}

// Each band matches colours with a matcher of its own (its cache is not shared); packed
// rows never share a byte, so bands write apart.
void writeConverted(const Image& in, Surface& s) {
    inBands(s.height, s.width, [&](int first, int end) {
        gdi::detail::ColorMatcher match(s);
        std::vector<uint32_t> raw(size_t(s.width));
        for (int y = first; y < end; ++y) {
            const uint32_t* row = in.row(y);
            for (int x = 0; x < s.width; ++x) raw[size_t(x)] = match(row[x] & 0xFFFFFFu);
            gdi::detail::writeRaw(s, y, 0, s.width, raw.data());
        }
    });
}

// A source as the body sees it: at D's size, 32 bits, never D's own memory.
class Source {
public:
    Source(Bitmap& bitmap, const Bitmap& dest) {
        const Surface& s = bitmap.surface;
        const Surface& d = dest.surface;
        const bool sameSize = s.width == d.width && s.height == d.height;
        if (sameSize && isDirect(s) && &bitmap != &dest) {
            view_ = directView(s);
            return;
        }
        Image whole;
        if (isDirect(s)) {
            whole = directView(s);
        } else {
            converted_.emplace(s.width, s.height);
            readConverted(s, converted_->image);
            whole = converted_->image;
        }
        if (sameSize && converted_) {
            view_ = converted_->image;
            return;
        }
        sized_.emplace(d.width, d.height);
        Image& out = sized_->image;
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* in = whole.row(std::min(y, whole.height - 1));
            uint32_t* row = out.row(y);
            for (int x = 0; x < out.width; ++x) row[x] = in[std::min(x, whole.width - 1)];
        });
        view_ = out;
    }
    const Image& view() const { return view_; }

private:
    std::optional<Owned> converted_, sized_;
    Image view_;
};

class Dest {
public:
    explicit Dest(Bitmap& bitmap) : bitmap_(bitmap) {
        Surface& s = bitmap.surface;
        if (isDirect(s)) {
            view_ = directView(s);
            return;
        }
        converted_.emplace(s.width, s.height);
        readConverted(s, converted_->image);
        view_ = converted_->image;
    }
    Image& view() { return view_; }
    void finish() {
        if (converted_) writeConverted(converted_->image, bitmap_.surface);
    }

private:
    Bitmap& bitmap_;
    std::optional<Owned> converted_;
    Image view_;
};

// Resolves D, then P (for a blend), then S, reporting the first that has no bitmap, and
// runs the body on their views; the second view is the source's when there is no P.
void run(HDC d, HDC p, HDC s, bool blend, int32_t& fxResult, const BlendBody& body) {
    Bitmap* dest = bitmapOf(d);
    if (!dest) {
        fxResult = kFxNoDestination;
        return;
    }
    Bitmap* second = blend ? bitmapOf(p) : nullptr;
    if (blend && !second) {
        fxResult = kFxNoSecond;
        return;
    }
    Bitmap* source = bitmapOf(s);
    if (!source) {
        fxResult = kFxNoSource;
        return;
    }
    try {
        Source in(*source, *dest);
        std::optional<Source> over;
        if (second) over.emplace(*second, *dest);
        Dest out(*dest);
        body(over ? over->view() : in.view(), in.view(), out.view());
        out.finish();
        fxResult = kFxOk;
    } catch (const std::bad_alloc&) {
        fxResult = kFxOutOfMemory;
    } catch (const std::length_error&) {
        fxResult = kFxOutOfMemory;
    }
}

}  // namespace

void apply(HDC d, HDC s, int32_t& fxResult, const Body& body) {
    run(d, 0, s, false, fxResult, [&](const Image&, const Image& source, Image& dest) { body(source, dest); });
}

void applyBlend(HDC d, HDC p, HDC s, int32_t& fxResult, const BlendBody& body) {
    run(d, p, s, true, fxResult, body);
}

}  // namespace filterlib
