#include "platform/runtime/date_time.h"

#include <cstdio>

namespace runtime {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1 January 1970 to the civil date, and back (the era arithmetic of the proleptic
// Gregorian calendar: 400 years are 146097 days, the year taken to start on 1 March).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct Civil {
    int64_t year;
    int month, day;
};
Civil civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    return {yearOfEra + era * 400 + (month <= 2), month, day};
}

const int64_t kZeroDay = daysFromCivil(1899, 12, 30);

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Reads exactly `count` decimal digits at `at`.
bool digits(std::string_view s, size_t at, size_t count, int& value) {
    if (at + count > s.size()) return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<DateTime> DateTime::FromParts(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
    const int64_t days = daysFromCivil(year, month, day) - kZeroDay;
    return DateTime(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
}

int DateTime::year() const { return int(civilFromDays(floorDiv(seconds_, kSecondsPerDay) + kZeroDay).year); }
int DateTime::month() const { return civilFromDays(floorDiv(seconds_, kSecondsPerDay) + kZeroDay).month; }
int DateTime::day() const { return civilFromDays(floorDiv(seconds_, kSecondsPerDay) + kZeroDay).day; }
int DateTime::hour() const { return int(seconds_ - floorDiv(seconds_, kSecondsPerDay) * kSecondsPerDay) / 3600; }
int DateTime::minute() const {
    return int(seconds_ - floorDiv(seconds_, kSecondsPerDay) * kSecondsPerDay) / 60 % 60;
}
int DateTime::second() const { return int(seconds_ - floorDiv(seconds_, 60) * 60); }

double DateTime::serial() const {
    const int64_t days = floorDiv(seconds_, kSecondsPerDay);
    const double fraction = double(seconds_ - days * kSecondsPerDay) / kSecondsPerDay;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

std::string DateTime::text() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year(), month(), day(), hour(),
                  minute(), second());
    return buffer;
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || !digits(text, 5, 2, month) ||
        text[7] != '-' || !digits(text, 8, 2, day))
        return std::nullopt;
    if (text.size() > 10) {
        if (text[10] != 'T' && text[10] != ' ') return std::nullopt;
        if (!digits(text, 11, 2, hour) || text.size() < 16 || text[13] != ':' || !digits(text, 14, 2, minute))
            return std::nullopt;
        if (text.size() > 16 && (text.size() != 19 || text[16] != ':' || !digits(text, 17, 2, second)))
            return std::nullopt;
    }
    return DateTime::FromParts(year, month, day, hour, minute, second);
}

}  // namespace runtime
