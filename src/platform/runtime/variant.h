#pragma once
// A value of one of the kinds the program's members take and give where the kind is the
// caller's choice: empty (nothing given), null, an object, a number, a text (UTF-8) or a
// date. Objects are only told apart from the other kinds; no object is held.
//
// Conversions follow the program's run-time rules and raise its errors:
// - to a 32-bit integer: empty 0; a number rounded to the nearest, halves to even; a text
//   holding a number (blanks around it, a decimal point, an exponent, or "&H"/"&O" whole
//   numbers) as that number; a date as its day number; Overflow (6) outside the range,
//   Type mismatch (13) for any other text and for an object, Invalid use of Null (94).
// - to text: empty "", a number in at most 15 significant digits ("12", "0.5", "1E+20"),
//   a date as DateTime::text(); Type mismatch for an object, Invalid use of Null (94).
// - to a date (AsDate): a date, or a text that ParseDateTime reads; nothing otherwise.
// Nothing depends on the locale.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/runtime/date_time.h"

namespace runtime {

constexpr long kErrInvalidUseOfNull = 94;

class Variant {
public:
    enum class Kind { Empty, Null, Object, Number, Text, Date };

    Variant() = default;
    Variant(double number) : value_(number) {}
    Variant(int number) : value_(double(number)) {}
    Variant(long number) : value_(double(number)) {}
    Variant(std::string text) : value_(std::move(text)) {}
    Variant(const char* text) : value_(std::string(text)) {}
    Variant(DateTime date) : value_(date) {}
    static Variant Null() { return Variant(NullTag{}); }
    static Variant Object() { return Variant(ObjectTag{}); }

    Kind kind() const { return Kind(value_.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }

    // The value of its own kind; raises Type mismatch (13) for another kind.
    double number() const;
    const std::string& text() const;
    DateTime date() const;

    int32_t ToLong() const;
    std::string ToText() const;
    std::optional<DateTime> AsDate() const;

    bool operator==(const Variant&) const = default;

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    struct ObjectTag {
        bool operator==(const ObjectTag&) const = default;
    };
    explicit Variant(NullTag tag) : value_(tag) {}
    explicit Variant(ObjectTag tag) : value_(tag) {}

    std::variant<std::monostate, NullTag, ObjectTag, double, std::string, DateTime> value_;
};

}  // namespace runtime
