#pragma once
// Scaling premultiplied BGRA pixels to a new size.
//
// Bicubic: the separable Catmull-Rom cubic (a = -0.5) with precomputed 14-bit fixed-point
// weights; when shrinking, the kernel is widened by the shrink factor, so every source
// pixel contributes (a prefilter, no aliasing). Pixels past the edges repeat the edge
// pixel. Rows go through a horizontal pass into a small ring of intermediate rows and a
// vertical pass from there; both run four channels at a time with SSE2. Colours are
// clamped to their alpha after each pass, so the result stays premultiplied.
// Nearest: each destination pixel centre takes the source pixel it falls in.

#include <cstdint>
#include <functional>

#include "platform/gdiplus/pixel_view.h"

namespace gdiplus::detail {

enum class Filter { Nearest, Bicubic };

struct IntRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
};

// Hands each row y of the destination within `clip` (a part of 0..dstWidth x 0..dstHeight)
// to `sink` as clip.right - clip.left premultiplied BGRA pixels, from clip.top down.
using RowSink = std::function<void(int y, const uint8_t* pixels)>;
void resample(const PixelView& source, int dstWidth, int dstHeight, const IntRect& clip,
              Filter filter, const RowSink& sink);

}  // namespace gdiplus::detail
