#pragma once
// Find criteria, evaluated in C++ over a record set's snapshot, ignoring case:
//   Col = 5              a number (sign and fraction allowed, blanks anywhere around)
//   Col = 'text'         equal text
//   Col like '*text*'    '*' any run of characters, '?' one character, anywhere
// The quoted text runs from the first quote to the last quote of the criterion and is
// taken unchanged (no doubled quotes), so "PhotoDescription='Tom's cat'" works. Case is
// folded for ASCII letters only, as the sort order's NOCASE collation does.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/db/value.h"

namespace db {

struct FindCriterion {
    enum class Op { EqualsNumber, EqualsText, Like };
    std::string column;
    Op op = Op::EqualsText;
    double number = 0;
    std::optional<int64_t> integer;  // the number, exactly, when it is a whole number
    std::string text;  // the text or like pattern
};

// Raises kErrBadArgument for anything else.
FindCriterion parseFindCriterion(std::string_view text);

// Whether a field value satisfies the criterion. Null never matches; a number matches
// numeric values and text that reads as the same number; text compares with the
// value as shown (Value::text()).
bool matchesCriterion(const FindCriterion& criterion, const Value& value);

// '*' and '?' wildcards, ASCII case folded. Linear in memory; at worst
// pattern x text steps, never exponential.
bool likeMatch(std::string_view pattern, std::string_view text);

bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace db
