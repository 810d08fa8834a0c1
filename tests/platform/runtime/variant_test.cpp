// Values of the caller's kind and their conversions to numbers, texts and dates.

#include <functional>

#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

using runtime::DateTime;
using runtime::Variant;

namespace {

long errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const runtime::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(Variant, ToLong) {
    const struct {
        Variant value;
        int32_t result;
    } rows[] = {
        {Variant(), 0},     {2.5, 2},          {3.5, 4},         {-7, -7},     {" 12 ", 12},
        {"1e3", 1000},      {"-2.5", -2},      {"&HFF", 255},    {"&HFFFFFFFF", -1}, {"&o17", 15},
        {*DateTime::FromParts(1900, 1, 1, 12), 2},  // day 2.5, halves to even
    };
    for (const auto& r : rows) EXPECT_EQ(r.value.ToLong(), r.result) << r.value.ToText();
    EXPECT_EQ(errorOf([] { Variant("abc").ToLong(); }), runtime::kErrTypeMismatch);
    EXPECT_EQ(errorOf([] { Variant("1 2").ToLong(); }), runtime::kErrTypeMismatch);
    EXPECT_EQ(errorOf([] { Variant("").ToLong(); }), runtime::kErrTypeMismatch);
    EXPECT_EQ(errorOf([] { Variant(3e9).ToLong(); }), runtime::kErrOverflow);
    EXPECT_EQ(errorOf([] { Variant::Object().ToLong(); }), runtime::kErrTypeMismatch);
    EXPECT_EQ(errorOf([] { Variant::Null().ToLong(); }), runtime::kErrInvalidUseOfNull);
}

TEST(Variant, ToTextAndAsDate) {
    EXPECT_EQ(Variant().ToText(), "");
    EXPECT_EQ(Variant(12).ToText(), "12");
    EXPECT_EQ(Variant(0.5).ToText(), "0.5");
    EXPECT_EQ(Variant(1e20).ToText(), "1E+20");
    EXPECT_EQ(Variant(1.0 / 3).ToText(), "0.333333333333333");
    EXPECT_EQ(Variant(-0.0).ToText(), "0");
    EXPECT_EQ(Variant(*DateTime::FromParts(2001, 2, 3, 4, 5, 6)).ToText(), "2001-02-03 04:05:06");
    EXPECT_EQ(errorOf([] { Variant::Null().ToText(); }), runtime::kErrInvalidUseOfNull);

    EXPECT_EQ(Variant("2001-02-03").AsDate(), DateTime::FromParts(2001, 2, 3));
    EXPECT_EQ(Variant(*DateTime::FromParts(2001, 2, 3)).AsDate(), DateTime::FromParts(2001, 2, 3));
    EXPECT_FALSE(Variant(36000).AsDate());
    EXPECT_FALSE(Variant("soon").AsDate());
    EXPECT_FALSE(Variant().AsDate());
}
