#include "platform/runtime/variant.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"

namespace runtime {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The number a whole text holds, or nothing.
std::optional<double> numberInText(std::string_view text) {
    std::string_view s = trimmed(text);
    if (s.size() > 2 && s[0] == '&' && (std::toupper(uint8_t(s[1])) == 'H' || std::toupper(uint8_t(s[1])) == 'O')) {
        const int base = std::toupper(uint8_t(s[1])) == 'H' ? 16 : 8;
        uint64_t value = 0;
        const auto [end, error] = std::from_chars(s.data() + 2, s.data() + s.size(), value, base);
        if (error != std::errc() || end != s.data() + s.size() || value > 0xFFFFFFFFu) return std::nullopt;
        return double(int32_t(uint32_t(value)));  // eight hex digits are a 32-bit pattern
    }
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s[0] == '+' || s[0] == '-') return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

double Variant::number() const {
    if (kind() != Kind::Number) raise(kErrTypeMismatch);
    return std::get<double>(value_);
}

const std::string& Variant::text() const {
    if (kind() != Kind::Text) raise(kErrTypeMismatch);
    return std::get<std::string>(value_);
}

DateTime Variant::date() const {
    if (kind() != Kind::Date) raise(kErrTypeMismatch);
    return std::get<DateTime>(value_);
}

int32_t Variant::ToLong() const {
    switch (kind()) {
        case Kind::Empty: return 0;
        case Kind::Null: throw Error(kErrInvalidUseOfNull, "Invalid use of Null");
        case Kind::Number: return CLng(number());
        case Kind::Date: return CLng(date().serial());
        case Kind::Text:
            if (const auto value = numberInText(text())) return CLng(*value);
            break;
        case Kind::Object: break;
    }
    raise(kErrTypeMismatch);
}

std::string Variant::ToText() const {
    switch (kind()) {
        case Kind::Empty: return "";
        case Kind::Null: throw Error(kErrInvalidUseOfNull, "Invalid use of Null");
        case Kind::Text: return text();
        case Kind::Date: return date().text();
        case Kind::Number: {
            char buffer[40];
            const double value = number() == 0 ? 0.0 : number();  // no "-0"
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
            std::string out(buffer, result.ptr);
            for (char& c : out)
                if (c == 'e') c = 'E';
            return out;
        }
        case Kind::Object: break;
    }
    raise(kErrTypeMismatch);
}

std::optional<DateTime> Variant::AsDate() const {
    if (kind() == Kind::Date) return date();
    if (kind() == Kind::Text) return ParseDateTime(text());
    return std::nullopt;
}

}  // namespace runtime
