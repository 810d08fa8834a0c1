// Dates to the second: parts, the zero date, day numbers, and the texts that read as dates.

#include <gtest/gtest.h>

#include "platform/runtime/date_time.h"

using runtime::DateTime;
using runtime::ParseDateTime;

TEST(DateTime, PartsTextAndDayNumbers) {
    const DateTime zero;
    EXPECT_EQ(zero.text(), "1899-12-30 00:00:00");
    EXPECT_EQ(zero.serial(), 0.0);
    const struct {
        int y, mo, d, h, mi, s;
        double serial;
        const char* text;
    } rows[] = {
        {1900, 1, 1, 0, 0, 0, 2.0, "1900-01-01 00:00:00"},
        {2000, 2, 29, 12, 0, 0, 36585.5, "2000-02-29 12:00:00"},
        {1899, 12, 29, 6, 0, 0, -1.25, "1899-12-29 06:00:00"},  // the fraction counts forward
        {1, 1, 1, 0, 0, 1, -693593.0 - 1.0 / 86400, "0001-01-01 00:00:01"},
        {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400, "9999-12-31 23:59:59"},
    };
    for (const auto& r : rows) {
        const auto date = DateTime::FromParts(r.y, r.mo, r.d, r.h, r.mi, r.s);
        ASSERT_TRUE(date) << r.text;
        EXPECT_EQ(date->text(), r.text);
        EXPECT_DOUBLE_EQ(date->serial(), r.serial) << r.text;
        EXPECT_EQ((std::vector<int>{date->year(), date->month(), date->day(), date->hour(), date->minute(),
                                    date->second()}),
                  (std::vector<int>{r.y, r.mo, r.d, r.h, r.mi, r.s}));
        EXPECT_EQ(ParseDateTime(r.text), date);
    }
    for (const auto& bad : {std::vector<int>{2023, 2, 29, 0, 0, 0}, {2024, 13, 1, 0, 0, 0}, {0, 1, 1, 0, 0, 0},
                            {10000, 1, 1, 0, 0, 0}, {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0},
                            {2024, 1, 1, 0, 0, 60}, {1900, 2, 29, 0, 0, 0}})
        EXPECT_FALSE(DateTime::FromParts(bad[0], bad[1], bad[2], bad[3], bad[4], bad[5])) << bad[0] << "-" << bad[1];
}

TEST(DateTime, ReadsIsoFormsWithoutTheLocale) {
    const auto at = [](int h, int mi, int s) { return DateTime::FromParts(2024, 3, 9, h, mi, s); };
    const struct {
        const char* text;
        std::optional<DateTime> date;
    } rows[] = {
        {"2024-03-09", at(0, 0, 0)},
        {"  2024-03-09T07:08  ", at(7, 8, 0)},
        {"2024-03-09T07:08:09", at(7, 8, 9)},
        {"2024-03-09 07:08:09", at(7, 8, 9)},
        {"2024-3-9", std::nullopt},
        {"09/03/2024", std::nullopt},
        {"2024-03-09T07", std::nullopt},
        {"2024-03-09T07:08:09Z", std::nullopt},
        {"2024-03-09T07:08:09.5", std::nullopt},
        {"2024-03-32", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(ParseDateTime(r.text), r.date) << r.text;
}
