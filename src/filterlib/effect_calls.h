#pragma once
// How each effect number of the Filters window calls the library: the entry point's
// name, the slider's range and start (or none for an immediate effect), and the call
// with the arguments made from the slider value V and the picked colour C exactly as the
// window makes them (V as 32, 16 or 8 bits, V/100 as a float, nearest(V/50), 4 x V, -V,
// C and not C over 32 bits, the constants). The window's dispatch and the library's
// tests and benchmarks share this table.

#include <cstdint>
#include <vector>

#include "filterlib/fx.h"

namespace filterlib {

struct CallPictures {
    HDC d = 0;  // destination (the result)
    HDC s = 0;  // source
    HDC p = 0;  // second picture, read by the blend effects only
};

// Calls the entry point at `address` (of the row's function). False, without a call, when
// an argument does not convert (a value outside 0..255 for an 8-bit argument, a product
// or negation outside the 16-bit range).
using Invoke = bool (*)(void* address, const CallPictures& pictures, int16_t v, COLORREF c,
                        int32_t& fxResult);

struct EffectCall {
    int16_t number;
    const char* function;
    bool immediate;  // no slider: V and C are not used
    int16_t min, max, start;
    bool maxIsSourceWidth;  // "Canvas Adjust": the maximum is the source's width in pixels, at most 32767
    Invoke invoke;
};

// The 70 effect numbers the window's menu reaches, in ascending order.
const std::vector<EffectCall>& effectCalls();
// nullptr for a number without a row (0, 14, 17, 67 and those above 73).
const EffectCall* effectCall(int number);

}  // namespace filterlib
