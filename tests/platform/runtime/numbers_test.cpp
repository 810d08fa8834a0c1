#include <cmath>

#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"

using namespace runtime;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const struct { double in; int32_t out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {0.49999999999999994, 0}, {2.5000001, 3}, {1499.5, 1500}, {1500.5, 1500},
    };
    for (const auto& c : cases) EXPECT_EQ(CLng(c.in), c.out) << c.in;
}

TEST(Rounding, OutOfRangeRaisesOverflow) {
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    for (double bad : {2147483647.5, -2147483648.6, 1e300, std::nan("")}) {
        try {
            CLng(bad);
            FAIL() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), kErrOverflow);
        }
    }
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_THROW(CInt(32767.5), Error);
}

TEST(Rounding, IntegerDivisionRoundsOperandsThenTruncates) {
    EXPECT_EQ(IntDiv(7, 2), 3);
    EXPECT_EQ(IntDiv(7.5, 2), 4);   // 8 \ 2
    EXPECT_EQ(IntDiv(-7, 2), -3);
    EXPECT_EQ(IntDiv(6.5, 2.5), 3);  // 6 \ 2
    EXPECT_THROW(IntDiv(1, 0.4), Error);
}

TEST(Val, ReadsTheLeadingNumber) {
    const struct { const char* in; double out; } cases[] = {
        {"", 0}, {"abc", 0}, {"12", 12}, {"  -12.5e2abc", -1250}, {" 1 2 3", 123},
        {"1.2.3", 1.2}, {"+.5", 0.5}, {"3D2", 300}, {"4e", 4}, {"4e+", 4},
        {"&H1F", 31}, {"&HFFFF", -1}, {"&o17", 15}, {"&H", 0}, {"12-09-26", 12},
        {"1-", 1}, {"\t\n7", 7},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.in), c.out) << '"' << c.in << '"';
}

TEST(Format, ThousandsPatternDropsZero) {
    EXPECT_EQ(Format(0, "#,###"), "");
    EXPECT_EQ(Format(1, "#,###"), "1");
    EXPECT_EQ(Format(999, "#,###"), "999");
    EXPECT_EQ(Format(1000, "#,###"), "1,000");
    EXPECT_EQ(Format(1234567, "#,###"), "1,234,567");
    EXPECT_EQ(Format(12345, "#,###") + " K", "12,345 K");
}

TEST(Format, TwoDecimalsAlwaysShown) {
    EXPECT_EQ(Format(3.145728, "##.00"), "3.15");
    EXPECT_EQ(Format(3.000001, "##.00"), "3.00");
    EXPECT_EQ(Format(0.5, "##.00"), ".50");
    EXPECT_EQ(Format(2.675, "##.00"), "2.68");  // decimal text, not the binary value
    EXPECT_EQ(Format(99.995, "##.00"), "100.00");
    EXPECT_EQ(Format(123.4, "0.0"), "123.4");
    EXPECT_EQ(Format(-1.005, "0.00"), "-1.01");
}
