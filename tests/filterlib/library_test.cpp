// The library as the window finds it: "FilterLib.dll" through the sys layer's name map,
// entry points by their exact names, and the test switches that take the roads of a
// missing library and a missing function.

#include <gtest/gtest.h>

#include "filterlib/effect_calls.h"
#include "filterlib/registry.h"
#include "platform/sys/libraries.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

TEST(FilterLibrary, IsFoundByNameAndGivesEntryPointsByExactName) {
    filterlib::install();
    const sys::LibraryHandle library = sys::LoadLibrary("FILTERLIB.dll");
    ASSERT_NE(library, 0u);
    EXPECT_NE(sys::GetProcAddress(library, "FxBrightness"), nullptr);
    EXPECT_EQ(sys::GetProcAddress(library, "fxbrightness"), nullptr);
    EXPECT_EQ(sys::GetProcAddress(library, "FxNoSuchEffect"), nullptr);
    // The functions the window never calls are not built.
    for (const char* unused : {"FxReduceTo2Colors", "FxFlip", "FxBitBlt", "FxAllocBufferSize", "FxAsciiMorph",
                               "FxBackDropRemovalEx", "FxStretchHistogram"})
        EXPECT_EQ(sys::GetProcAddress(library, unused), nullptr) << unused;
    EXPECT_TRUE(sys::FreeLibrary(library));
    // Still usable after a FreeLibrary: the library is part of the program.
    EXPECT_NE(sys::GetProcAddress(sys::LoadLibrary("FilterLib.dll"), "FxBrightness"), nullptr);
}

TEST(FilterLibrary, EveryRowNamesAFunctionOfTheTable) {
    // A registered name is found exactly when a row calls it; names of families not yet
    // built are simply not found.
    const std::vector<std::string> registered = filterlib::exports().names();
    for (const std::string& name : registered) {
        bool called = false;
        for (const filterlib::EffectCall& call : filterlib::effectCalls()) called |= name == call.function;
        EXPECT_TRUE(called) << name << " is registered but no effect calls it";
    }
    EXPECT_EQ(filterlib::effectCalls().size(), 70u);
    for (const int number : {0, 14, 17, 67, 74}) EXPECT_EQ(filterlib::effectCall(number), nullptr) << number;
}

TEST(FilterLibrary, AbsentLibraryAndAbsentFunctionAreNotFound) {
    const FxPicture source = makeFixture(Fixture::Photo, 4, 3);
    const filterlib::EffectCall& brightness = *filterlib::effectCall(1);
    FxPicture dest(4, 3);

    sys::setLibraryAbsent("FilterLib.dll", true);
    EXPECT_EQ(sys::LoadLibrary("FilterLib.dll"), 0u);
    EXPECT_FALSE(runEffect(brightness, 10, 0, source, dest).called);
    sys::clearAbsentLibraries();

    filterlib::exports().setAbsent("FxBrightness", true);
    EXPECT_EQ(findEntryPoint("FxBrightness"), nullptr);
    EXPECT_NE(findEntryPoint("FxInvert"), nullptr);
    EXPECT_FALSE(runEffect(brightness, 10, 0, source, dest).called);
    filterlib::exports().clearAbsent();

    const Outcome outcome = runEffect(brightness, 10, 0, source, dest);
    EXPECT_TRUE(outcome.called);
    EXPECT_EQ(outcome.fxResult, filterlib::kFxOk);
}

TEST(FilterLibrary, ArgumentsThatDoNotConvertMakeNoCall) {
    // Waves passes V as an 8-bit value, Circular Waves Ex 4 x V and TwirlEx -V as 16-bit
    // values: out of range, the window's call fails before it reaches the library.
    const filterlib::CallPictures none{};
    int32_t result = 12345;
    for (const auto& [number, v] : {std::pair{31, int16_t(256)}, {31, int16_t(-1)}, {57, int16_t(8192)},
                                    {69, int16_t(-32768)}}) {
        const filterlib::EffectCall* call = filterlib::effectCall(number);
        ASSERT_NE(call, nullptr);
        EXPECT_FALSE(call->invoke(nullptr, none, v, 0, result)) << number << " at " << v;
    }
    EXPECT_EQ(result, 12345);
}

}  // namespace
}  // namespace fxtest
