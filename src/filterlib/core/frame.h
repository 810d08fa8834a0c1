#pragma once
// One call's pictures: the device contexts handed in, resolved through the gdi handle
// table to the bitmaps selected into them, as views an effect reads and writes.
//
// The effect body always sees S (and P) at D's size as 32-bit pixels: a source of another
// size is read with its coordinates clamped to its edges, a bitmap of another depth is
// converted, and a source that is D's own bitmap is copied first, all only when needed.
// D starts out holding what it held (Tile draws over it); a D of another depth gets the
// body's pixels converted back when it returns.

#include <cstdint>
#include <functional>

#include "filterlib/core/image.h"
#include "filterlib/fx.h"

namespace filterlib {

using Body = std::function<void(const Image& source, Image& dest)>;
using BlendBody = std::function<void(const Image& second, const Image& source, Image& dest)>;

// Runs `body` and sets fxResult: kFxOk when it ran, or the failure code (nothing drawn).
void apply(HDC d, HDC s, int32_t& fxResult, const Body& body);
void applyBlend(HDC d, HDC p, HDC s, int32_t& fxResult, const BlendBody& body);

}  // namespace filterlib
