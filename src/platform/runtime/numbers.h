#pragma once
// Number conversions as the windows' arithmetic expects them: real to integer rounds
// halves to even, integer division truncates, text to number reads as far as it can.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// Nearest integer, halves to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -0.5 -> 0).
// Raises Overflow outside the 32-bit signed range, and for NaN.
int32_t CLng(double value);

// As CLng for the 16-bit signed range.
int16_t CInt(double value);

// Integer division of the two operands rounded first: 7.5 \ 2 = 4, -7 \ 2 = -3.
// Raises Overflow when an operand is out of range and division by zero as error 11.
int32_t IntDiv(double dividend, double divisor);

// The number at the start of the text: blanks, tabs and line feeds are skipped
// anywhere, a sign, digits with one decimal point and an exponent (E or D) are read
// until the first character that cannot continue the number; "&H" and "&O" prefixes
// read hexadecimal and octal whole numbers. No number gives 0.
double Val(std::string_view text);

// Formats a number with a numeric pattern of digit placeholders ("0" always shows a
// digit, "#" only a significant one), a decimal point, thousands grouping (a comma
// between placeholders) and literal characters, as the windows' size texts use it:
// "#,###" gives "1,234,567" and "" for 0; "##.00" gives "3.15" for 3.145728 and
// ".50" for 0.5. The value is rounded half away from zero at the last decimal shown,
// after reducing it to 15 significant digits.
std::string Format(double value, std::string_view pattern);

}  // namespace runtime
