// Effects in bands of rows side by side: every effect of the window's menu gives the same
// bytes on one thread as on several. Bands are cut down to a row or a few, so band edges
// fall inside every window, tile, drop and run of random draws.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "filterlib/effect_calls.h"
#include "filterlib/fx.h"
#include "platform/gdi/dib_surface.h"
#include "platform/sys/row_bands.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

using filterlib::EffectCall;

// Each test leaves the threads and the bands' size as it found them.
template <class Base>
class BandSettings : public Base {
protected:
    void TearDown() override {
        sys::setRowBandThreads(0);
        sys::setMinimumBandPixels(0);
    }
};
using Bands = BandSettings<testing::TestWithParam<EffectCall>>;
using OtherBands = BandSettings<testing::Test>;

// D's pixels after the effect on `threads` threads; D starts out marked (Tile draws over it).
std::vector<uint32_t> resultOn(int threads, const EffectCall& call, int16_t v, const FxPicture& source,
                               const FxPicture& second) {
    sys::setRowBandThreads(threads);
    FxPicture dest(source.width(), source.height());
    dest.fill(0x5A6B7C8Du);
    const Outcome outcome = runEffect(call, v, 0x00E0E0E0u, source, dest, &second);
    EXPECT_TRUE(outcome.called && outcome.fxResult == filterlib::kFxOk) << call.function << " at " << v;
    return dest.pixels();
}

TEST_P(Bands, SameBytesOnOneThreadAsOnThreeAndEight) {
    const EffectCall& call = GetParam();
    sys::setMinimumBandPixels(1);  // every row is worth a band
    // Heights that 3 and 8 do not divide; 11 rows on 8 threads make bands of one and two.
    for (const auto& [w, h] : {std::pair{53, 37}, {9, 11}}) {
        const FxPicture source = makeFixture(Fixture::Photo, w, h), second = makeFixture(Fixture::Rings, w, h);
        const SliderValues values = sliderValues(call, w);
        for (const int16_t v : std::set<int16_t>{values.min, values.start, values.max}) {
            SCOPED_TRACE(testing::Message() << call.function << " at " << v << " on " << w << "x" << h);
            const std::vector<uint32_t> alone = resultOn(1, call, v, source, second);
            for (const int threads : {3, 8}) EXPECT_EQ(resultOn(threads, call, v, source, second), alone) << threads;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Filterlib, Bands, testing::ValuesIn(filterlib::effectCalls()),
                         [](const testing::TestParamInfo<EffectCall>& info) { return testNameOf(info.param); });

// The random effects at the bands' usual size (some 64K pixels): 389 rows of 512 make three
// bands on three threads, of 130, 130 and 129 rows.
TEST_F(OtherBands, RandomEffectsGiveTheSameBytesOnOneAndThreeThreads) {
    const FxPicture source = makeFixture(Fixture::Photo, 512, 389), second = makeFixture(Fixture::Rings, 512, 389);
    struct Case {
        int number;
        int16_t v;
    };
    // Noise, Random Points, Diffuse, Melt, Frost Glass, Rain Drop, Shift, Tile, Fog, Rock,
    // Note Paper.
    for (const Case c : {Case{21, 90}, {21, -90}, {22, 102}, {18, 0}, {25, 0}, {60, 0}, {63, 0}, {24, 255},
                         {42, 100}, {54, 127}, {19, 6}, {61, 100}}) {
        const EffectCall* call = filterlib::effectCall(int16_t(c.number));
        ASSERT_NE(call, nullptr);
        SCOPED_TRACE(testing::Message() << call->function << " at " << c.v);
        const std::vector<uint32_t> alone = resultOn(1, *call, c.v, source, second);
        EXPECT_EQ(resultOn(3, *call, c.v, source, second), alone);
    }
}

// Pictures the call converts (an 8-bpp bottom-up D, matched to its palette; a 24-bpp S of
// another size) are read and written back in bands too.
TEST_F(OtherBands, ConvertedPicturesGiveTheSameBytesOnOneAndEightThreads) {
    sys::setMinimumBandPixels(1);
    const FxPicture photo = makeFixture(Fixture::Photo, 40, 30);
    gdi::DibSurface source(40, 30, 24), dest(53, 37, 8, true);
    ASSERT_TRUE(gdi::StretchBlt(source.dc(), 0, 0, 40, 30, photo.dc(), 0, 0, 40, 30, gdi::SRCCOPY));
    std::vector<std::vector<uint32_t>> results;
    for (const int threads : {1, 8}) {
        sys::setRowBandThreads(threads);
        int32_t result = -1;
        filterlib::FxBlur(dest.dc(), source.dc(), result);
        ASSERT_EQ(result, filterlib::kFxOk);
        FxPicture back(53, 37);
        ASSERT_TRUE(gdi::BitBlt(back.dc(), 0, 0, 53, 37, dest.dc(), 0, 0, gdi::SRCCOPY));
        results.push_back(back.pixels());
    }
    EXPECT_EQ(results[1], results[0]);
}

}  // namespace
}  // namespace fxtest
