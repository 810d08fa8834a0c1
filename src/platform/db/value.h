#pragma once
// One field value as the record sets hand it out.
//
// Kinds: null (no value), integer (64-bit), real (double), text (UTF-8), date and bytes
// (a long binary). A date is a calendar day; the catalogue stores it as ISO text
// "YYYY-MM-DD" in a column declared DATE or DATETIME, and text() shows it the same way,
// always with four-digit years. Bytes only come from long-binary columns (read on
// demand, never part of a snapshot).

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace db {

using Bytes = std::vector<uint8_t>;

struct Date {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    auto operator<=>(const Date&) const = default;
};

// "YYYY-MM-DD" with a valid calendar day (year 1..9999), else nothing.
std::optional<Date> parseIsoDate(std::string_view text);
std::string isoDate(const Date& date);

class Value {
public:
    enum class Kind { Null, Integer, Real, Text, Date, Bytes };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : v_(int64_t{v}) {}
    Value(long v) : v_(int64_t{v}) {}
    Value(long long v) : v_(int64_t{v}) {}
    Value(double v) : v_(v) {}
    Value(std::string v) : v_(std::move(v)) {}
    Value(std::string_view v) : v_(std::string(v)) {}
    Value(const char* v) : v_(std::string(v)) {}
    Value(Date v) : v_(v) {}
    Value(Bytes v) : v_(std::move(v)) {}

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // The value as the windows show it: "" for null, decimal numbers, ISO dates, the
    // text itself; bytes as they are.
    std::string text() const;
    // Integer and real values, and text that is a plain decimal number; else nothing.
    std::optional<double> number() const;
    // Bytes the value occupies: 0 for null, text and byte lengths, 8 for numbers,
    // 10 for a date (its ISO text).
    int64_t size() const;

    int64_t integer() const { return std::get<int64_t>(v_); }
    double real() const { return std::get<double>(v_); }
    const std::string& string() const { return std::get<std::string>(v_); }
    const Date& date() const { return std::get<Date>(v_); }
    const Bytes& bytes() const { return std::get<Bytes>(v_); }
    Bytes& bytes() { return std::get<Bytes>(v_); }

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, int64_t, double, std::string, Date, Bytes> v_;
};

// Strict decimal number: optional blanks, sign, digits, optional fraction, blanks.
std::optional<double> parseNumber(std::string_view text);

}  // namespace db
