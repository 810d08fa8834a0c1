// The library's contract, over every function a family has registered: each effect at its
// minimum, start and maximum (an immediate effect with its fixed arguments) on pictures
// from 1x1 to 640x480 draws all of D at D's size, reads S and P without changing them,
// gives the same bytes twice, and at its neutral value gives S back exactly.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "filterlib/effect_calls.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

using filterlib::EffectCall;

// The value at which an effect gives its source back (EFFECTS.md, "neutral").
const std::map<int, int16_t>& neutralValues() {
    static const std::map<int, int16_t> values = {
        {1, 0},  {2, 100}, {5, 25}, {7, 0},  {8, 0},  {15, 0}, {16, 0}, {35, 0}, {37, 0}, {48, 0}, {55, 0},
        {3, 0},  {20, 0},  {45, 0}, {50, 0}, {51, 0}, {52, 0}, {59, 0}, {65, 0},
        {12, 0}, {24, 0},  {27, 0}, {28, 0}, {31, 0}, {49, 0}, {56, 0}, {57, 0}, {62, 0}, {64, 0}, {66, 0},
        {69, 0}, {19, 0},  {21, 0}, {30, 0}, {38, 0}, {54, 0}, {70, 0}, {71, 0}, {72, 0}, {73, 0},
    };
    return values;
}

// Functions that draw over what D holds instead of writing every pixel.
const std::set<std::string> kDrawOver = {"FxTile"};

std::vector<EffectCall> registeredCalls() {
    std::vector<EffectCall> out;
    for (const EffectCall& call : filterlib::effectCalls())
        if (findEntryPoint(call.function)) out.push_back(call);
    return out;
}

std::vector<uint32_t> withoutHighByte(std::vector<uint32_t> pixels) {
    for (uint32_t& p : pixels) p &= 0xFFFFFFu;
    return pixels;
}

class Contract : public testing::TestWithParam<EffectCall> {};

TEST_P(Contract, DrawsAllOfDAndOnlyReadsSAndP) {
    const EffectCall& call = GetParam();
    const bool drawsOver = kDrawOver.count(call.function) > 0;
    constexpr uint32_t kMarker = 0xA5123456u;  // its high byte shows a pixel left alone
    for (const auto& [w, h] : {std::pair{1, 1}, {3, 2}, {17, 13}, {640, 480}}) {
        const FxPicture source = makeFixture(Fixture::Photo, w, h);
        const FxPicture second = makeFixture(Fixture::Rings, w, h);
        const std::vector<uint32_t> sourceBefore = source.pixels(), secondBefore = second.pixels();
        const SliderValues values = sliderValues(call, w);
        std::set<int16_t> tried{values.min, values.start, values.max};
        for (const int16_t v : tried) {
            SCOPED_TRACE(testing::Message() << call.function << " at " << v << " on " << w << "x" << h);
            FxPicture first(w, h), again(w, h);
            first.fill(kMarker);
            again.fill(kMarker);
            const Outcome outcome = runEffect(call, v, 0x00E0E0E0u, source, first, &second);
            ASSERT_TRUE(outcome.called);
            ASSERT_EQ(outcome.fxResult, filterlib::kFxOk);
            ASSERT_EQ(runEffect(call, v, 0x00E0E0E0u, source, again, &second).fxResult, filterlib::kFxOk);
            EXPECT_EQ(source.pixels(), sourceBefore);
            EXPECT_EQ(second.pixels(), secondBefore);
            EXPECT_EQ(first.pixels(), again.pixels());
            if (!drawsOver) {
                for (const uint32_t p : first.pixels()) ASSERT_EQ(p >> 24, 0u) << "a pixel of D was not drawn";
            }
            const auto neutral = neutralValues().find(call.number);
            if (neutral != neutralValues().end() && neutral->second == v) {
                EXPECT_EQ(first.pixels(), withoutHighByte(sourceBefore)) << "the neutral value changed S";
            }
        }
    }
}

TEST_P(Contract, DrawsNothingWithoutBitmaps) {
    const EffectCall& call = GetParam();
    const FxPicture source = makeFixture(Fixture::Photo, 5, 4);
    FxPicture dest(5, 4);
    dest.fill(0x00123456u);
    const gdi::HDC bare = gdi::CreateCompatibleDC(0);  // holds only the stock 1x1 bitmap
    void* address = findEntryPoint(call.function);
    ASSERT_NE(address, nullptr);
    const int16_t v = sliderValues(call, 5).start;
    struct Case {
        filterlib::CallPictures pictures;
        int32_t expected;
    };
    const bool blend = call.number == 38 || call.number == 68 || call.number == 70;
    std::vector<Case> cases = {{{bare, source.dc(), source.dc()}, filterlib::kFxNoDestination},
                               {{0x7FFFFFF0u, source.dc(), source.dc()}, filterlib::kFxNoDestination},
                               {{dest.dc(), bare, source.dc()}, filterlib::kFxNoSource},
                               {{dest.dc(), 0, source.dc()}, filterlib::kFxNoSource}};
    if (blend) cases.push_back({{dest.dc(), source.dc(), bare}, filterlib::kFxNoSecond});
    for (const Case& c : cases) {
        int32_t result = -1;
        ASSERT_TRUE(call.invoke(address, c.pictures, v, 0, result));
        EXPECT_EQ(result, c.expected) << call.function;
        EXPECT_EQ(dest.pixels(), std::vector<uint32_t>(20, 0x00123456u)) << call.function;
    }
    gdi::DeleteDC(bare);
}

INSTANTIATE_TEST_SUITE_P(Filterlib, Contract, testing::ValuesIn(registeredCalls()),
                         [](const testing::TestParamInfo<EffectCall>& info) { return testNameOf(info.param); });

}  // namespace
}  // namespace fxtest
