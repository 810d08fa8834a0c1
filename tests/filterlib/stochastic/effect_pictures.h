#pragma once
// Small pictures for the stochastic family's tests, an effect's result as a picture, and
// the channels of a pixel by name.

#include <gtest/gtest.h>

#include "filterlib/core/pixel.h"
#include "support/effect_runner.h"

namespace fxtest {

using filterlib::blue;
using filterlib::green;
using filterlib::pack;
using filterlib::red;

// One colour everywhere, with a high byte the effects must ignore.
inline FxPicture plainPicture(int w, int h, uint32_t pixel) {
    FxPicture picture(w, h);
    picture.fill(pixel | 0x33000000u);
    return picture;
}

// The effect's result; a failed call fails the test and gives a black picture.
inline FxPicture resultOf(int effect, int16_t v, const FxPicture& source, gdi::COLORREF c = 0) {
    std::optional<FxPicture> out = effectOf(effect, v, c, source);
    EXPECT_TRUE(out.has_value()) << "effect " << effect << " at " << v;
    return out ? *out : FxPicture(source.width(), source.height());
}

}  // namespace fxtest
