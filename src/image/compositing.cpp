// The pixel kernels of the own compositing pipeline.

#include "image/compositing.h"

#include <new>

namespace compositing {

bool dimensionBlock(ByteArray& block, int64_t width, int64_t height) {
    block.erase();
    if (width <= 0 || height <= 0 || width > kMaxBlockBytes / 4 / height) return false;
    try {
        block = ByteArray::twoDim(size_t(width) * 4, size_t(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

float lightStep(float LightAdjustment) { return LightAdjustment / 100.0f * 255.0f; }

void adjustLightness(uint8_t* pixels, size_t count, float N) {
    const bool lighter = N > 0;
    for (uint8_t* p = pixels; p != pixels + count * 4; p += 4) {
        const int32_t a = p[3];
        if (a == 0) continue;
        // A byte times a single-precision number is exact in double precision.
        const int32_t delta = int32_t(std::lrint(double(a) * double(N))) / 255;
        for (int c = 0; c < 3; ++c) {
            const int32_t v = p[c] + delta;
            p[c] = uint8_t(lighter ? (v > a ? a : v) : (v < 0 ? 0 : v));
        }
    }
}

namespace {

template <int Bytes, bool Gray, bool FullOpacity>
void blendPixels(uint8_t* d, const uint8_t* s, size_t count, int32_t o,
                 const modParsers::GrayScaleWeights& w) {
    for (size_t i = 0; i < count; ++i, d += Bytes, s += 4) {
        const int32_t a = s[3];
        if (a == 0) continue;
        int32_t colour[3] = {s[0], s[1], s[2]};
        if constexpr (Gray) colour[0] = colour[1] = colour[2] = grayValue(s, w);
        if (FullOpacity && a == 255) {
            for (int c = 0; c < 3; ++c) d[c] = uint8_t(colour[c]);
            if constexpr (Bytes == 4) d[3] = 255;
            continue;
        }
        if constexpr (FullOpacity) {
            const int32_t inv = 255 - a;
            for (int c = 0; c < 3; ++c) {
                const int32_t v = d[c] * inv / 255 + colour[c];
                if (v <= 255) d[c] = uint8_t(v);
            }
            if constexpr (Bytes == 4) d[3] = uint8_t(d[3] * inv / 255 + a);
        } else {
            const int32_t invO = 255 - a * o / 255;
            for (int c = 0; c < 3; ++c) {
                const int32_t v = (d[c] * invO + colour[c] * o) / 255;
                if (v <= 255) d[c] = uint8_t(v);
            }
            if constexpr (Bytes == 4) d[3] = uint8_t((d[3] * invO + a * o) / 255);
        }
    }
}

template <int Bytes>
void blendPixelsOf(uint8_t* d, const uint8_t* s, size_t count, int32_t o,
                   const modParsers::GrayScaleWeights* gray) {
    const modParsers::GrayScaleWeights w = gray ? *gray : modParsers::GrayScaleWeights{};
    if (gray) {
        if (o >= 255) blendPixels<Bytes, true, true>(d, s, count, o, w);
        else blendPixels<Bytes, true, false>(d, s, count, o, w);
    } else {
        if (o >= 255) blendPixels<Bytes, false, true>(d, s, count, o, w);
        else blendPixels<Bytes, false, false>(d, s, count, o, w);
    }
}

}  // namespace

void blendRow(uint8_t* destination, int destinationBytes, const uint8_t* source, size_t count,
              int32_t Opacity, const modParsers::GrayScaleWeights* gray) {
    if (destinationBytes == 4) blendPixelsOf<4>(destination, source, count, Opacity, gray);
    else blendPixelsOf<3>(destination, source, count, Opacity, gray);
}

void rotateBackward(const ByteView2D& source, const RotationMap& m, bool interpolate,
                    const ByteView2D& output) {
    const size_t side = output.rows();
    const double left = double(m.srcX), right = double(m.xEnd);
    const double bottom = double(m.sy0), top = double(m.yEnd);
    for (size_t v = 0; v < side; ++v) {
        const double r = double(int64_t(v) - m.offY - m.cy);
        const double c = double(-m.offX - m.cx);
        double xs = double(m.cx) + c * m.cX + r * m.sX;
        double ys = double(m.cy) + r * m.cY - c * m.sY;
        uint8_t* out = output.row(v).data();
        for (size_t u = 0; u < side; ++u, out += 4, xs += m.cX, ys -= m.sY) {
            if (!(xs >= left && xs < right && ys >= bottom && ys < top)) continue;
            if (interpolate) {
                sampleInterpolated(source, xs, ys, m.xEnd - 1, m.yEnd - 1, out);
            } else {
                const uint8_t* p = &source(size_t(xs) * 4, size_t(ys));
                out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = p[3];
            }
        }
    }
}

}  // namespace compositing
