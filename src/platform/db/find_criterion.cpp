#include "platform/db/find_criterion.h"

#include <cctype>
#include <charconv>

#include "platform/db/errors.h"

namespace db {

namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[noreturn]] void bad(std::string_view text, const std::string& why) {
    raiseDb(kErrBadArgument, "The find criterion '" + std::string(text) + "' cannot be used: " + why + ".");
}

// The text between the first quote (at p) and the last quote; only blanks may follow.
std::string quoted(std::string_view text, size_t p) {
    const size_t last = text.rfind('\'');
    if (last == p) bad(text, "the quoted text has no closing quote");
    for (size_t i = last + 1; i < text.size(); ++i)
        if (!isBlank(text[i])) bad(text, "unexpected text after the closing quote");
    return std::string(text.substr(p + 1, last - p - 1));
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

bool likeMatch(std::string_view pattern, std::string_view text) {
    // Greedy matching that remembers the last '*' and retries from one character further.
    size_t p = 0, t = 0;
    size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && fold(pattern[p]) == fold(text[t])))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

FindCriterion parseFindCriterion(std::string_view text) {
    FindCriterion c;
    size_t p = 0;
    while (p < text.size() && isBlank(text[p])) ++p;
    const size_t nameStart = p;
    if (p >= text.size() || !(std::isalpha(static_cast<unsigned char>(text[p])) || text[p] == '_'))
        bad(text, "it does not start with a column name");
    while (p < text.size() && isNameChar(text[p])) ++p;
    c.column = std::string(text.substr(nameStart, p - nameStart));
    const size_t afterName = p;
    while (p < text.size() && isBlank(text[p])) ++p;
    if (p >= text.size()) bad(text, "the comparison is missing");

    if (text[p] == '=') {
        ++p;
        while (p < text.size() && isBlank(text[p])) ++p;
        if (p < text.size() && text[p] == '\'') {
            c.op = FindCriterion::Op::EqualsText;
            c.text = quoted(text, p);
            return c;
        }
        const auto number = parseNumber(text.substr(p));
        if (!number) bad(text, "the value is neither a number nor a quoted text");
        c.op = FindCriterion::Op::EqualsNumber;
        c.number = *number;
        // Keys beyond 2^53 must compare exactly, so whole numbers are kept as integers too.
        std::string_view digits = text.substr(p);
        while (!digits.empty() && isBlank(digits.back())) digits.remove_suffix(1);
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        int64_t whole = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
        if (r.ec == std::errc() && r.ptr == digits.data() + digits.size()) c.integer = whole;
        return c;
    }
    // "like" needs a blank on both sides.
    if (p == afterName || text.size() - p < 4 || !equalsIgnoringCase(text.substr(p, 4), "like"))
        bad(text, "expected '=' or 'like'");
    p += 4;
    while (p < text.size() && isBlank(text[p])) ++p;
    if (p >= text.size() || text[p] != '\'') bad(text, "like needs a quoted pattern");
    c.op = FindCriterion::Op::Like;
    c.text = quoted(text, p);
    return c;
}

bool matchesCriterion(const FindCriterion& c, const Value& value) {
    if (value.isNull()) return false;
    switch (c.op) {
    case FindCriterion::Op::EqualsNumber: {
        if (value.kind() == Value::Kind::Integer) {
            if (c.integer) return value.integer() == *c.integer;
            return static_cast<double>(value.integer()) == c.number;
        }
        const auto n = value.number();
        return n && *n == c.number;
    }
    case FindCriterion::Op::EqualsText: return equalsIgnoringCase(value.text(), c.text);
    case FindCriterion::Op::Like: return likeMatch(c.text, value.text());
    }
    return false;
}

}  // namespace db
