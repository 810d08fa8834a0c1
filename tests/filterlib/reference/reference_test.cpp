// Each effect beside its reference counterpart, as EFFECTS.md names it, on a small fixture.
// A missing tool skips the check with the package that brings it; CI installs them all.

#include <gtest/gtest.h>

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

    const Difference d = differenceOf(ours->rgb(), theirs->bytes);
    RecordProperty("largest", d.largest);
    RecordProperty("mean", std::to_string(d.mean));
    EXPECT_LE(d.largest, c.tolerance.largest) << toolName(c.operation.tool) << " " << c.operation.text;
    EXPECT_LE(d.mean, c.tolerance.mean) << toolName(c.operation.tool) << " " << c.operation.text;
}

INSTANTIATE_TEST_SUITE_P(Filterlib, Reference, testing::ValuesIn(allReferenceCases()),
                         [](const testing::TestParamInfo<ReferenceCase>& info) { return info.param.name; });

}  // namespace
}  // namespace fxtest
