#pragma once
// Calling the effects as the Filters window does: the library "FilterLib.dll" loaded by
// name through the sys layer, the entry point by its name, the arguments made by the
// effect's row of the call table.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "filterlib/effect_calls.h"
#include "fx_picture.h"

namespace filterlib {
// Test output names a row of the call table by its function and number.
void PrintTo(const EffectCall& call, std::ostream* out);
}  // namespace filterlib

namespace fxtest {

// A name for a test of the row: the function without its "Fx", then the number.
std::string testNameOf(const filterlib::EffectCall& call);

// The entry point of a function, or nullptr when the library or the function is absent.
void* findEntryPoint(const char* function);

// The effect's slider values worth a test: minimum, start and maximum (the source's width
// for the maximum of Canvas), or the one value of an immediate effect.
struct SliderValues {
    int16_t min, start, max;
};
SliderValues sliderValues(const filterlib::EffectCall& call, int sourceWidth);

struct Outcome {
    bool called = false;  // the entry point was found and the arguments converted
    int32_t fxResult = -1;
};

// Applies the effect from `source` (and `second`) into `dest`.
Outcome runEffect(const filterlib::EffectCall& call, int16_t v, gdi::COLORREF c, const FxPicture& source,
                  FxPicture& dest, const FxPicture* second = nullptr);
// The same into a new picture of the source's size; nothing when the call was not made.
std::optional<FxPicture> effectOf(int number, int16_t v, gdi::COLORREF c, const FxPicture& source,
                                  const FxPicture* second = nullptr);

}  // namespace fxtest
