#include "effect_runner.h"

#include <ostream>

#include "filterlib/registry.h"
#include "platform/sys/libraries.h"

namespace filterlib {
void PrintTo(const EffectCall& call, std::ostream* out) { *out << call.function << " " << call.number; }
}  // namespace filterlib

namespace fxtest {

std::string testNameOf(const filterlib::EffectCall& call) {
    return std::string(call.function + 2) + "_" + std::to_string(call.number);
}

void* findEntryPoint(const char* function) {
    filterlib::install();
    const sys::LibraryHandle library = sys::LoadLibrary("FilterLib.dll");
    return library ? sys::GetProcAddress(library, function) : nullptr;
}

SliderValues sliderValues(const filterlib::EffectCall& call, int sourceWidth) {
    if (call.immediate) return {0, 0, 0};
    const auto max = call.maxIsSourceWidth ? static_cast<int16_t>(sourceWidth) : call.max;
    return {call.min, call.start, max};
}

Outcome runEffect(const filterlib::EffectCall& call, int16_t v, gdi::COLORREF c, const FxPicture& source,
                  FxPicture& dest, const FxPicture* second) {
    Outcome outcome;
    void* address = findEntryPoint(call.function);
    if (!address) return outcome;
    const filterlib::CallPictures pictures{dest.dc(), source.dc(), second ? second->dc() : source.dc()};
    outcome.called = call.invoke(address, pictures, v, c, outcome.fxResult);
    return outcome;
}

std::optional<FxPicture> effectOf(int number, int16_t v, gdi::COLORREF c, const FxPicture& source,
                                  const FxPicture* second) {
    const filterlib::EffectCall* call = filterlib::effectCall(number);
    if (!call) return std::nullopt;
    FxPicture dest(source.width(), source.height());
    const Outcome outcome = runEffect(*call, v, c, source, dest, second);
    if (!outcome.called || outcome.fxResult != filterlib::kFxOk) return std::nullopt;
    return dest;
}

}  // namespace fxtest
