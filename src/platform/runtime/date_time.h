#pragma once
// A date and time of day to the second, as the program's date values hold them: no time
// zone, years 1 to 9999 of the proleptic Gregorian calendar. The zero date, which a
// default-made value holds, is 30 December 1899 00:00:00.
//
// Text: text() writes "YYYY-MM-DD hh:mm:ss", the form the program shows dates in.
// ParseDateTime reads that form and the ISO 8601 extended forms "YYYY-MM-DD",
// "YYYY-MM-DDThh:mm" and "YYYY-MM-DDThh:mm:ss" (a space may stand for the T), with blanks
// around the whole; nothing depends on the locale. Not read: other separators, fractions
// of seconds, time zones (a value with an offset would not mean one time here), week and
// ordinal dates, the basic forms without separators.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

class DateTime {
public:
    DateTime() = default;

    // Nothing when a part is out of its range (year 1..9999, a day the month has, hour
    // 0..23, minute and second 0..59).
    static std::optional<DateTime> FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                                             int second = 0);

    int year() const;
    int month() const;
    int day() const;
    int hour() const;
    int minute() const;
    int second() const;

    // Seconds after the zero date (negative before it).
    int64_t seconds() const { return seconds_; }
    // Days after the zero date with the time of day as the fraction, as the program's date
    // numbers count; before the zero date the fraction still counts forward (-1.25 is
    // 29 December 1899 06:00), as those numbers do.
    double serial() const;

    std::string text() const;

    auto operator<=>(const DateTime&) const = default;

private:
    explicit DateTime(int64_t seconds) : seconds_(seconds) {}
    int64_t seconds_ = 0;
};

std::optional<DateTime> ParseDateTime(std::string_view text);

}  // namespace runtime
