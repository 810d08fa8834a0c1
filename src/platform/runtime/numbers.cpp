#include "platform/runtime/numbers.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/runtime/error.h"

namespace runtime {

namespace {

double roundHalfEven(double value) {
    if (std::isnan(value)) raise(kErrOverflow);
    // std::nearbyint honours the current rounding mode, which the program never changes
    // from round-to-nearest-even; make that explicit so no caller can disturb it.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    if (saved != FE_TONEAREST) std::fesetround(saved);
    return rounded;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

int32_t CLng(double value) {
    const double r = roundHalfEven(value);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        raise(kErrOverflow);
    return static_cast<int32_t>(r);
}

int16_t CInt(double value) {
    const double r = roundHalfEven(value);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        raise(kErrOverflow);
    return static_cast<int16_t>(r);
}

int32_t IntDiv(double dividend, double divisor) {
    const int64_t a = CLng(dividend);
    const int64_t b = CLng(divisor);
    if (b == 0) throw Error(11, "Division by zero");
    const int64_t q = a / b;
    if (q > std::numeric_limits<int32_t>::max()) raise(kErrOverflow);
    return static_cast<int32_t>(q);
}

double Val(std::string_view text) {
    // Blanks are ignored wherever they stand, so squeeze them out first.
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (!isBlank(c)) s.push_back(c);

    size_t i = 0;
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        const int base = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
        if (base != 0) {
            uint64_t v = 0;
            bool any = false;
            for (i = 2; i < s.size(); ++i) {
                const int c = std::toupper(static_cast<unsigned char>(s[i]));
                int digit;
                if (c >= '0' && c <= '9') digit = c - '0';
                else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
                else break;
                if (digit >= base) break;
                v = v * base + digit;
                any = true;
                if (v > 0xFFFFFFFFull) return 0;  // beyond a 32-bit whole number
            }
            if (!any) return 0;
            // Up to 16 (hex) or 32 (octal) bits the value is a signed whole number.
            if (v <= 0xFFFF) return static_cast<int16_t>(v);
            return static_cast<int32_t>(static_cast<uint32_t>(v));
        }
        return 0;
    }

    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(s[i]))) {
            number.push_back(s[i]);
            digits = true;
        } else if (s[i] == '.' && !point) {
            number.push_back('.');
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        bool expDigits = false;
        for (; j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])); ++j) {
            exponent.push_back(s[j]);
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }
    const double v = std::strtod(number.c_str(), nullptr);
    if (std::isinf(v)) raise(kErrOverflow);
    return v;
}

namespace {

struct PatternParts {
    std::string prefix, suffix;  // literals around the digit placeholders
    int intZeros = 0;            // "0" placeholders before the point
    bool grouping = false;
    int fracZeros = 0, fracHashes = 0;
};

PatternParts parsePattern(std::string_view pattern) {
    PatternParts p;
    size_t first = pattern.find_first_of("0#.");
    if (first == std::string_view::npos) {
        p.prefix = std::string(pattern);
        return p;
    }
    size_t last = pattern.find_last_of("0#.");
    p.prefix = std::string(pattern.substr(0, first));
    p.suffix = std::string(pattern.substr(last + 1));
    bool afterPoint = false;
    for (size_t i = first; i <= last; ++i) {
        const char c = pattern[i];
        if (c == '.') afterPoint = true;
        else if (c == ',' && !afterPoint) p.grouping = true;
        else if (c == '0') (afterPoint ? p.fracZeros : p.intZeros)++;
        else if (c == '#' && afterPoint) p.fracHashes++;
    }
    return p;
}

}  // namespace

std::string Format(double value, std::string_view pattern) {
    const PatternParts p = parsePattern(pattern);
    const int decimals = p.fracZeros + p.fracHashes;

    // Reduce to 15 significant digits, then round half away from zero at the shown
    // decimals, working on the decimal text so that 2.675 stays 2.675.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    const bool negative = value < 0;
    std::string mantissa;
    int exponent = 0;
    {
        std::string s(buf);
        const size_t e = s.find('e');
        exponent = std::atoi(s.c_str() + e + 1);
        for (size_t k = 0; k < e; ++k)
            if (std::isdigit(static_cast<unsigned char>(s[k]))) mantissa.push_back(s[k]);
    }
    // digits of the value: mantissa with the point after position exponent + 1
    int pointPos = exponent + 1;
    if (pointPos < 0) {
        mantissa.insert(0, static_cast<size_t>(-pointPos), '0');
        pointPos = 0;
    }
    while (static_cast<int>(mantissa.size()) < pointPos + decimals + 1) mantissa.push_back('0');
    std::string kept = mantissa.substr(0, static_cast<size_t>(pointPos + decimals));
    const bool roundUp = mantissa[static_cast<size_t>(pointPos + decimals)] >= '5';
    if (roundUp) {
        int k = static_cast<int>(kept.size()) - 1;
        for (; k >= 0; --k) {
            if (kept[static_cast<size_t>(k)] == '9') {
                kept[static_cast<size_t>(k)] = '0';
            } else {
                kept[static_cast<size_t>(k)]++;
                break;
            }
        }
        if (k < 0) {
            kept.insert(0, "1");
            pointPos++;
        }
    }
    std::string intDigits = kept.substr(0, static_cast<size_t>(pointPos));
    std::string fracDigits = kept.substr(static_cast<size_t>(pointPos));
    intDigits.erase(0, std::min(intDigits.find_first_not_of('0'), intDigits.size()));
    while (static_cast<int>(intDigits.size()) < p.intZeros) intDigits.insert(0, "0");
    // Optional decimals drop trailing zeros beyond the required ones.
    while (static_cast<int>(fracDigits.size()) > p.fracZeros && !fracDigits.empty() &&
           fracDigits.back() == '0')
        fracDigits.pop_back();

    if (p.grouping && intDigits.size() > 3) {
        std::string grouped;
        const size_t lead = intDigits.size() % 3;
        for (size_t k = 0; k < intDigits.size(); ++k) {
            if (k != 0 && (k % 3) == lead % 3) grouped.push_back(',');
            grouped.push_back(intDigits[k]);
        }
        intDigits = grouped;
    }

    std::string out;
    const bool anyDigit = (intDigits + fracDigits).find_first_not_of('0') != std::string::npos;
    if (negative && anyDigit) out.push_back('-');
    out += p.prefix;
    out += intDigits;
    if (decimals > 0 && (!fracDigits.empty() || p.fracZeros > 0)) {
        out.push_back('.');
        out += fracDigits;
    }
    out += p.suffix;
    return out;
}

}  // namespace runtime
