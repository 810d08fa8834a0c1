// Graphics on a device context: interpolation, world transform, image attributes and
// drawing an image with scaling, mirroring, a colour matrix and rotation.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdiplus/objects.h"
#include "platform/gdiplus/resample.h"
#include "platform/gdiplus/session.h"

namespace gdiplus {

using namespace detail;

namespace {

struct Affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

Affine matrixOf(const GpGraphics& g) { return {g.m11, g.m12, g.m21, g.m22, g.dx, g.dy}; }

void store(GpGraphics& g, const Affine& m) {
    g.m11 = m.m11, g.m12 = m.m12, g.m21 = m.m21, g.m22 = m.m22, g.dx = m.dx, g.dy = m.dy;
}

// p * a then * b, in the row-vector convention: a applies first.
Affine multiply(const Affine& a, const Affine& b) {
    return {a.m11 * b.m11 + a.m12 * b.m21, a.m11 * b.m12 + a.m12 * b.m22,
            a.m21 * b.m11 + a.m22 * b.m21, a.m21 * b.m12 + a.m22 * b.m22,
            a.dx * b.m11 + a.dy * b.m21 + b.dx, a.dx * b.m12 + a.dy * b.m22 + b.dy};
}

void apply(GpGraphics& g, const Affine& step, MatrixOrder order) {
    store(g, order == MatrixOrderPrepend ? multiply(step, matrixOf(g)) : multiply(matrixOf(g), step));
}

// Quarter turns are exact, so that a turn by 180 or 360 degrees keeps pixels on the grid.
Affine rotation(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0) a += 360.0;
    double c, s;
    if (a == 0) c = 1, s = 0;
    else if (a == 90) c = 0, s = 1;
    else if (a == 180) c = -1, s = 0;
    else if (a == 270) c = 0, s = -1;
    else {
        const double r = a * 3.14159265358979323846 / 180.0;
        c = std::cos(r), s = std::sin(r);
    }
    return {c, s, -s, c, 0, 0};
}

struct Point {
    double x, y;
};

Point transform(const Affine& m, double x, double y) {
    return {x * m.m11 + y * m.m21 + m.dx, x * m.m12 + y * m.m22 + m.dy};
}

inline unsigned div255(unsigned v) {
    v += 128;
    return (v + (v >> 8)) >> 8;
}

// The colour matrix on one premultiplied pixel: straight colour in 0..1, the matrix, a
// clamp, premultiplied again.
void applyMatrix(const ColorMatrix& m, uint8_t* p) {
    const double a = p[3] / 255.0;
    const double in[5] = {p[3] ? double(p[2]) / p[3] : 0.0, p[3] ? double(p[1]) / p[3] : 0.0,
                          p[3] ? double(p[0]) / p[3] : 0.0, a, 1.0};
    double out[4];
    for (int j = 0; j < 4; ++j) {
        double v = 0;
        for (int i = 0; i < 5; ++i) v += in[i] * double(m.m[i][j]);
        out[j] = std::clamp(v, 0.0, 1.0);
    }
    const long alpha = std::lrint(out[3] * 255);
    p[3] = uint8_t(alpha);
    p[2] = uint8_t(std::min(alpha, std::lrint(out[0] * out[3] * 255)));
    p[1] = uint8_t(std::min(alpha, std::lrint(out[1] * out[3] * 255)));
    p[0] = uint8_t(std::min(alpha, std::lrint(out[2] * out[3] * 255)));
}

// Where drawn rows go: premultiplied source-over onto the DC's bitmap.
class Target {
public:
    Target(gdi::detail::Surface& surface, const ColorMatrix* matrix)
        : s_(surface), matrix_(matrix) {
        if (s_.bpp != 32 && s_.bpp != 24) {
            raw_.resize(size_t(s_.width));
            matcher_.emplace_back(s_);
        }
    }

    int width() const { return s_.width; }
    int height() const { return s_.height; }

    // n pixels of premultiplied BGRA onto row y from column x (all within the surface).
    void compose(int x, int y, const uint8_t* pixels, int n) {
        if (matrix_) {
            adjusted_.assign(pixels, pixels + size_t(n) * 4);
            for (int i = 0; i < n; ++i) applyMatrix(*matrix_, &adjusted_[size_t(i) * 4]);
            pixels = adjusted_.data();
        }
        if (s_.bpp == 32) composeRow(s_.row(y) + size_t(x) * 4, 4, pixels, n, true);
        else if (s_.bpp == 24) composeRow(s_.row(y) + size_t(x) * 3, 3, pixels, n, false);
        else composeOther(x, y, pixels, n);
    }

private:
    static void composeRow(uint8_t* d, int step, const uint8_t* s, int n, bool alpha) {
        const int channels = alpha ? 4 : 3;
        for (int i = 0; i < n; ++i, s += 4, d += step) {
            const unsigned sa = s[3];
            if (sa == 255) {
                std::memcpy(d, s, size_t(channels));
            } else if (sa != 0) {
                for (int c = 0; c < channels; ++c) d[c] = uint8_t(s[c] + div255(d[c] * (255 - sa)));
            }
        }
    }

    // Indexed and 16-bpp bitmaps: through BGRA, colour only, back to the nearest value.
    void composeOther(int x, int y, const uint8_t* s, int n) {
        gdi::detail::readRaw(s_, y, x, n, raw_.data());
        gdi::detail::rawRowToBgra(s_, raw_.data(), n, raw_.data());
        for (int i = 0; i < n; ++i, s += 4) {
            uint32_t& v = raw_[size_t(i)];
            const unsigned sa = s[3];
            if (sa == 0) {
                v = matcher_[0](v);
                continue;
            }
            uint8_t d[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 0};
            for (int c = 0; c < 3; ++c) d[c] = uint8_t(s[c] + div255(d[c] * (255 - sa)));
            v = matcher_[0](uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16);
        }
        gdi::detail::writeRaw(s_, y, x, n, raw_.data());
    }

    gdi::detail::Surface& s_;
    const ColorMatrix* matrix_;
    std::vector<uint8_t> adjusted_;
    std::vector<uint32_t> raw_;
    std::vector<gdi::detail::ColorMatcher> matcher_;
};

// The separable road: the source maps onto a device rectangle whose sides run along the
// axes (any scale, mirror or quarter turn).
void drawAligned(Target& target, const PixelView& view, Point p0, Point p1, Filter filter) {
    const long left = std::lrint(std::min(p0.x, p1.x)), right = std::lrint(std::max(p0.x, p1.x));
    const long top = std::lrint(std::min(p0.y, p1.y)), bottom = std::lrint(std::max(p0.y, p1.y));
    const int64_t w = int64_t(right) - left, h = int64_t(bottom) - top;
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return;
    IntRect clip;
    clip.left = int(std::clamp<int64_t>(-int64_t(left), 0, w));
    clip.top = int(std::clamp<int64_t>(-int64_t(top), 0, h));
    clip.right = int(std::clamp<int64_t>(target.width() - int64_t(left), 0, w));
    clip.bottom = int(std::clamp<int64_t>(target.height() - int64_t(top), 0, h));
    if (clip.empty()) return;
    resample(view, int(w), int(h), clip, filter, [&](int y, const uint8_t* row) {
        target.compose(int(left + clip.left), int(top + y), row, clip.right - clip.left);
    });
}

// The part of a scaled picture that is made: the columns and rows of `clip` (within the
// picture's w x h), rows of clip.right - clip.left pixels.
struct ScaledPart {
    std::vector<uint8_t> pixels;
    IntRect clip;
    int w = 0, h = 0;
    const uint8_t* at(int x, int y) const {
        return &pixels[(size_t(y - clip.top) * size_t(clip.right - clip.left) + size_t(x - clip.left)) * 4];
    }
};

// Bicubic sample of premultiplied pixels at (u, v) in pixel-centre coordinates; outside
// the picture counts as transparent, so turned edges fade out smoothly. The taps within the
// picture lie within the part made.
void sampleBicubic(const ScaledPart& img, double u, double v, uint8_t* out) {
    const int iu = int(std::floor(u)), iv = int(std::floor(v));
    const double fu = u - iu, fv = v - iv;
    auto weight = [](double t) {
        t = std::fabs(t);
        if (t < 1) return (1.5 * t - 2.5) * t * t + 1;
        if (t < 2) return ((-0.5 * t + 2.5) * t - 4) * t + 2;
        return 0.0;
    };
    const double wx[4] = {weight(fu + 1), weight(fu), weight(1 - fu), weight(2 - fu)};
    const double wy[4] = {weight(fv + 1), weight(fv), weight(1 - fv), weight(2 - fv)};
    double sum[4] = {0, 0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        const int y = iv - 1 + j;
        if (y < 0 || y >= img.h) continue;
        for (int i = 0; i < 4; ++i) {
            const int x = iu - 1 + i;
            if (x < 0 || x >= img.w) continue;
            const uint8_t* p = img.at(x, y);
            const double k = wx[i] * wy[j];
            for (int c = 0; c < 4; ++c) sum[c] += p[c] * k;
        }
    }
    const long a = std::clamp(std::lrint(sum[3]), 0L, 255L);
    out[3] = uint8_t(a);
    for (int c = 0; c < 3; ++c) out[c] = uint8_t(std::clamp(std::lrint(sum[c]), 0L, a));
}

// Any other transform: the picture scaled to its world size, then each device pixel
// sampled from it backwards. Only the part of the scaled picture that the device's pixels
// read is made, so a world far larger than the device costs what the device shows.
void drawTransformed(Target& target, const PixelView& view, const Affine& m, double wx0, double wy0,
                     double wx1, double wy1, Filter filter) {
    const double ww = std::fabs(wx1 - wx0), wh = std::fabs(wy1 - wy0);
    const long iw = std::lrint(ww), ih = std::lrint(wh);
    if (iw <= 0 || ih <= 0 || iw > INT32_MAX || ih > INT32_MAX) return;
    PixelView oriented = view;
    if (wx1 < wx0) oriented = oriented.mirroredX();
    if (wy1 < wy0) oriented = oriented.mirroredY();
    const double left = std::min(wx0, wx1), top = std::min(wy0, wy1);
    const double kx = ww / double(iw), ky = wh / double(ih);

    const double det = m.m11 * m.m22 - m.m12 * m.m21;
    if (det == 0) return;
    // world = (device - t) * inverse(L)
    const double i11 = m.m22 / det, i12 = -m.m12 / det, i21 = -m.m21 / det, i22 = m.m11 / det;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const Point c : {Point{left, top}, Point{left + ww, top}, Point{left, top + wh},
                          Point{left + ww, top + wh}}) {
        const Point d = transform(m, c.x, c.y);
        minX = std::min(minX, d.x), maxX = std::max(maxX, d.x);
        minY = std::min(minY, d.y), maxY = std::max(maxY, d.y);
    }
    const int x0 = int(std::clamp(std::floor(minX), 0.0, double(target.width())));
    const int x1 = int(std::clamp(std::ceil(maxX), 0.0, double(target.width())));
    const int y0 = int(std::clamp(std::floor(minY), 0.0, double(target.height())));
    const int y1 = int(std::clamp(std::ceil(maxY), 0.0, double(target.height())));
    if (x0 >= x1 || y0 >= y1) return;
    // Where device pixel (x, y) samples the scaled picture.
    auto position = [&](int x, int y, double& u, double& v) {
        const double dx = x + 0.5 - m.dx, dy = y + 0.5 - m.dy;
        const double wxp = dx * i11 + dy * i21, wyp = dx * i12 + dy * i22;
        u = (wxp - left) / kx - 0.5, v = (wyp - top) / ky - 0.5;
    };

    // The positions are affine in the device pixel, so the corners bound them; the part
    // made reaches a few pixels further, past every tap and every rounding.
    double uMin = 1e300, uMax = -1e300, vMin = 1e300, vMax = -1e300;
    for (const auto& [x, y] : {std::pair{x0, y0}, {x1 - 1, y0}, {x0, y1 - 1}, {x1 - 1, y1 - 1}}) {
        double u, v;
        position(x, y, u, v);
        uMin = std::min(uMin, u), uMax = std::max(uMax, u), vMin = std::min(vMin, v), vMax = std::max(vMax, v);
    }
    ScaledPart img;
    img.w = int(iw), img.h = int(ih);
    auto cut = [](double from, double to, long length, int& first, int& last) {
        first = int(std::clamp(std::floor(from) - 4, 0.0, double(length)));
        last = int(std::clamp(std::floor(to) + 5, 0.0, double(length)));
    };
    cut(uMin, uMax, iw, img.clip.left, img.clip.right);
    cut(vMin, vMax, ih, img.clip.top, img.clip.bottom);
    if (img.clip.empty()) return;
    const int64_t partWidth = img.clip.right - img.clip.left, partHeight = img.clip.bottom - img.clip.top;
    if (partWidth * partHeight > kMaxPixels) return;
    img.pixels.resize(size_t(partWidth) * size_t(partHeight) * 4);
    resample(oriented, img.w, img.h, img.clip, filter, [&](int y, const uint8_t* row) {
        std::memcpy(&img.pixels[size_t(y - img.clip.top) * size_t(partWidth) * 4], row, size_t(partWidth) * 4);
    });

    std::vector<uint8_t> row(size_t(x1 - x0) * 4);
    for (int y = y0; y < y1; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = x0; x < x1; ++x) {
            double u, v;
            position(x, y, u, v);
            uint8_t* out = &row[size_t(x - x0) * 4];
            if (filter == Filter::Nearest) {
                const double fu = std::floor(u + 0.5), fv = std::floor(v + 0.5);
                if (fu < 0 || fv < 0 || fu >= iw || fv >= ih) continue;
                std::memcpy(out, img.at(int(fu), int(fv)), 4);
            } else {
                if (u < -2 || v < -2 || u > iw + 1 || v > ih + 1) continue;
                sampleBicubic(img, u, v, out);
            }
        }
        target.compose(x0, y, row.data(), x1 - x0);
    }
}

Status draw(GpGraphics* graphics, GpImage* image, INT dstx, INT dsty, INT dstwidth, INT dstheight,
            INT srcx, INT srcy, INT srcwidth, INT srcheight, const GpImageAttributes* attributes) {
    double dx = dstx, dy = dsty, dw = dstwidth, dh = dstheight;
    int64_t sx = srcx, sy = srcy, sw = srcwidth, sh = srcheight;
    // A negative source size mirrors within the same destination rectangle.
    if (sw < 0) sx += sw, sw = -sw, dx += dw, dw = -dw;
    if (sh < 0) sy += sh, sh = -sh, dy += dh, dh = -dh;
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return Ok;
    const int64_t cx0 = std::max<int64_t>(sx, 0), cx1 = std::min<int64_t>(sx + sw, image->width);
    const int64_t cy0 = std::max<int64_t>(sy, 0), cy1 = std::min<int64_t>(sy + sh, image->height);
    if (cx0 >= cx1 || cy0 >= cy1) return Ok;

    const gdi::detail::Dc* dc = gdi::detail::registry().get<gdi::detail::Dc>(graphics->dc);
    if (!dc) return InvalidParameter;
    gdi::detail::Surface* surface = gdi::detail::dcSurface(*dc);
    if (!surface) return Ok;  // the screen keeps nothing

    // A metafile is played at the size it lands on, so it is drawn crisp at any scale.
    if (image->metafile && graphics->m12 == 0 && graphics->m21 == 0) {
        const double tw = std::fabs(dw * graphics->m11), th = std::fabs(dh * graphics->m22);
        if (tw >= 1 && th >= 1 && tw * th <= double(kMaxPixels)) {
            const auto played = playMetafile(*image, int(std::lround(tw)), int(std::lround(th)), double(sx),
                                             double(sy), double(sw), double(sh));
            if (played)
                return draw(graphics, played.get(), INT(std::lround(dx)), INT(std::lround(dy)),
                            INT(std::lround(dw)), INT(std::lround(dh)), 0, 0, played->width, played->height,
                            attributes);
        }
    }
    const double kx = dw / double(sw), ky = dh / double(sh);
    const double wx0 = dx + double(cx0 - sx) * kx, wx1 = dx + double(cx1 - sx) * kx;
    const double wy0 = dy + double(cy0 - sy) * ky, wy1 = dy + double(cy1 - sy) * ky;

    std::vector<uint8_t> scratch;
    const PixelView view = premultipliedView(*image, scratch)
                               .sub(int(cx0), int(cy0), int(cx1 - cx0), int(cy1 - cy0));
    const Filter filter =
        graphics->interpolation == InterpolationModeNearestNeighbor ? Filter::Nearest : Filter::Bicubic;
    Target target(*surface, attributes && attributes->hasMatrix ? &attributes->matrix : nullptr);
    const Affine m = matrixOf(*graphics);
    const Point p0 = transform(m, wx0, wy0), p1 = transform(m, wx1, wy1);

    if (m.m12 == 0 && m.m21 == 0) {
        PixelView v = view;
        if ((wx1 - wx0) * m.m11 < 0) v = v.mirroredX();
        if ((wy1 - wy0) * m.m22 < 0) v = v.mirroredY();
        drawAligned(target, v, p0, p1, filter);
    } else if (m.m11 == 0 && m.m22 == 0) {
        // A quarter turn: device x runs along the source's y and device y along its x.
        PixelView v = view.transposed();
        if ((wy1 - wy0) * m.m21 < 0) v = v.mirroredX();
        if ((wx1 - wx0) * m.m12 < 0) v = v.mirroredY();
        drawAligned(target, v, p0, p1, filter);
    } else {
        drawTransformed(target, view, m, wx0, wy0, wx1, wy1, filter);
    }
    return Ok;
}

uint64_t g_drawImageCalls = 0;

}  // namespace

namespace testing {
uint64_t drawImageCalls() { return g_drawImageCalls; }
}  // namespace testing

extern "C" Status GdipCreateFromHDC(gdi::HDC hdc, GpGraphics** graphics) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!gdi::detail::registry().get<gdi::detail::Dc>(hdc)) return InvalidParameter;
    auto g = std::make_unique<GpGraphics>();
    g->dc = hdc;
    *graphics = registerGraphics(std::move(g));
    return Ok;
}

extern "C" Status GdipDeleteGraphics(GpGraphics* graphics) {
    if (const Status s = requireSession(); s != Ok) return s;
    return releaseGraphics(graphics) ? Ok : InvalidParameter;
}

extern "C" Status GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics) || mode < InterpolationModeDefault ||
        mode > InterpolationModeHighQualityBicubic)
        return InvalidParameter;
    graphics->interpolation = mode;
    return Ok;
}

extern "C" Status GdipGetInterpolationMode(GpGraphics* graphics, InterpolationMode* mode) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics) || !mode) return InvalidParameter;
    *mode = graphics->interpolation;
    return Ok;
}

extern "C" Status GdipRotateWorldTransform(GpGraphics* graphics, REAL angle, MatrixOrder order) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics) || (order != MatrixOrderPrepend && order != MatrixOrderAppend) ||
        !std::isfinite(angle))
        return InvalidParameter;
    apply(*graphics, rotation(angle), order);
    return Ok;
}

extern "C" Status GdipTranslateWorldTransform(GpGraphics* graphics, REAL dx, REAL dy,
                                              MatrixOrder order) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics) || (order != MatrixOrderPrepend && order != MatrixOrderAppend) ||
        !std::isfinite(dx) || !std::isfinite(dy))
        return InvalidParameter;
    apply(*graphics, Affine{1, 0, 0, 1, dx, dy}, order);
    return Ok;
}

extern "C" Status GdipResetWorldTransform(GpGraphics* graphics) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics)) return InvalidParameter;
    store(*graphics, Affine{});
    return Ok;
}

extern "C" Status GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, INT dstx, INT dsty,
                                         INT dstwidth, INT dstheight, INT srcx, INT srcy,
                                         INT srcwidth, INT srcheight, Unit srcUnit,
                                         const GpImageAttributes* attributes, DrawImageAbort,
                                         void*) {
    ++g_drawImageCalls;
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics) || !isLiveImage(image) || srcUnit != UnitPixel ||
        (attributes && !isLiveAttributes(attributes)))
        return InvalidParameter;
    try {
        return draw(graphics, image, dstx, dsty, dstwidth, dstheight, srcx, srcy, srcwidth,
                    srcheight, attributes);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

extern "C" Status GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width,
                                     INT height) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveGraphics(graphics) || !isLiveImage(image)) return InvalidParameter;
    return GdipDrawImageRectRectI(graphics, image, x, y, width, height, 0, 0, image->width,
                                  image->height, UnitPixel, nullptr, nullptr, nullptr);
}

extern "C" Status GdipCreateImageAttributes(GpImageAttributes** attributes) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!attributes) return InvalidParameter;
    *attributes = registerAttributes(std::make_unique<GpImageAttributes>());
    return Ok;
}

extern "C" Status GdipDisposeImageAttributes(GpImageAttributes* attributes) {
    if (const Status s = requireSession(); s != Ok) return s;
    return releaseAttributes(attributes) ? Ok : InvalidParameter;
}

extern "C" Status GdipSetImageAttributesColorMatrix(GpImageAttributes* attributes,
                                                    ColorAdjustType type, BOOL enableFlag,
                                                    const ColorMatrix* colorMatrix,
                                                    const ColorMatrix*, ColorMatrixFlags flags) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveAttributes(attributes) || type < ColorAdjustTypeDefault || type > ColorAdjustTypeText)
        return InvalidParameter;
    if (enableFlag && !colorMatrix) return InvalidParameter;
    if (flags != ColorMatrixFlagsDefault) return NotImplemented;
    // Brush, pen and text matrices do not concern drawn bitmaps.
    if (type != ColorAdjustTypeDefault && type != ColorAdjustTypeBitmap) return Ok;
    attributes->hasMatrix = enableFlag != 0;
    if (enableFlag) attributes->matrix = *colorMatrix;
    return Ok;
}

}  // namespace gdiplus
