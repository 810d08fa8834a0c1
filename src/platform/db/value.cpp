#include "platform/db/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/runtime/date_time.h"

namespace db {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<Date> parseIsoDate(std::string_view t) {
    if (t.size() != 10) return std::nullopt;  // the date alone, no blanks
    const auto date = runtime::ParseDateTime(t);
    if (!date) return std::nullopt;
    return Date{date->year(), date->month(), date->day()};
}

std::string isoDate(const Date& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::optional<double> parseNumber(std::string_view t) {
    size_t b = 0, e = t.size();
    while (b < e && isBlank(t[b])) ++b;
    while (e > b && isBlank(t[e - 1])) --e;
    t = t.substr(b, e - b);
    if (t.empty()) return std::nullopt;
    size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    size_t digits = 0;
    bool point = false;
    for (size_t k = i; k < t.size(); ++k) {
        if (t[k] >= '0' && t[k] <= '9') ++digits;
        else if (t[k] == '.' && !point) point = true;
        else return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    // from_chars rejects a leading '+'.
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    double v = 0;
    const auto r = std::from_chars(first, t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

std::string Value::text() const {
    switch (kind()) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(integer());
    case Kind::Real: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", real());
        return buf;
    }
    case Kind::Text: return string();
    case Kind::Date: return isoDate(date());
    case Kind::Bytes: return std::string(bytes().begin(), bytes().end());
    }
    return {};
}

std::optional<double> Value::number() const {
    switch (kind()) {
    case Kind::Integer: return static_cast<double>(integer());
    case Kind::Real: return real();
    case Kind::Text: return parseNumber(string());
    default: return std::nullopt;
    }
}

int64_t Value::size() const {
    switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Integer:
    case Kind::Real: return 8;
    case Kind::Text: return static_cast<int64_t>(string().size());
    case Kind::Date: return 10;
    case Kind::Bytes: return static_cast<int64_t>(bytes().size());
    }
    return 0;
}

}  // namespace db
