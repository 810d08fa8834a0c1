// Each effect beside its reference counterpart, as EFFECTS.md names it, on a small fixture.
// A missing tool skips the check with the package that brings it; CI installs them all.

#include <gtest/gtest.h>

#include <vector>

#include "filterlib/effect_calls.h"
#include "reference_cases.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

class Reference : public testing::TestWithParam<ReferenceCase> {};

FxPicture fixtureFor(Fixture kind) {
    switch (kind) {
        case Fixture::Ramp: return makeFixture(kind, 256, 6);
        case Fixture::GreyRamp: return makeFixture(kind, 256, 1);
        default: return makeFixture(kind, 48, 32);
    }
}

// The RGB bytes of a w x h picture without `inset` pixels at each edge.
std::vector<uint8_t> inside(const std::vector<uint8_t>& rgb, int w, int h, int inset) {
    if (inset <= 0 || rgb.size() != size_t(w) * size_t(h) * 3) return rgb;
    std::vector<uint8_t> out;
    for (int y = inset; y < h - inset; ++y)
        out.insert(out.end(), rgb.begin() + ptrdiff_t((size_t(y) * size_t(w) + size_t(inset)) * 3),
                   rgb.begin() + ptrdiff_t((size_t(y) * size_t(w) + size_t(w - inset)) * 3));
    return out;
}

TEST_P(Reference, MatchesWithinItsTolerance) {
    const ReferenceCase& c = GetParam();
    const std::string missing = toolMissing(c.operation.tool);
    if (!missing.empty()) GTEST_SKIP() << missing;
    const filterlib::EffectCall* call = filterlib::effectCall(c.effect);
    ASSERT_NE(call, nullptr);
    ASSERT_NE(findEntryPoint(call->function), nullptr) << call->function << " is not registered";

    const FxPicture source = fixtureFor(c.fixture);
    const FxPicture second = fixtureFor(Fixture::Rings);
    const FxPicture* p = c.secondPicture ? &second : nullptr;
    const std::optional<FxPicture> ours = effectOf(c.effect, c.v, c.c, source, p);
    ASSERT_TRUE(ours.has_value());
    std::string error;
    const std::optional<Rgb> theirs = runReference(c.operation, source, p, &error);
    ASSERT_TRUE(theirs.has_value()) << error;

    const Difference d = differenceOf(inside(ours->rgb(), source.width(), source.height(), c.inset),
                                      inside(theirs->bytes, source.width(), source.height(), c.inset));
    RecordProperty("largest", d.largest);
    RecordProperty("mean", std::to_string(d.mean));
    EXPECT_LE(d.largest, c.tolerance.largest) << toolName(c.operation.tool) << " " << c.operation.text;
    EXPECT_LE(d.mean, c.tolerance.mean) << toolName(c.operation.tool) << " " << c.operation.text;
}

INSTANTIATE_TEST_SUITE_P(Filterlib, Reference, testing::ValuesIn(allReferenceCases()),
                         [](const testing::TestParamInfo<ReferenceCase>& info) { return info.param.name; });

}  // namespace
}  // namespace fxtest
