#include "platform/db/select_statement.h"

#include <cctype>

#include "platform/db/errors.h"

namespace db {

namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

[[noreturn]] void bad(std::string_view text, const std::string& why) {
    raiseDb(kErrSyntax, "Syntax error in the statement '" + std::string(text) + "': " + why + ".");
}

// A small cursor over the statement text.
class Reader {
public:
    explicit Reader(std::string_view s) : s_(s) {}

    bool atEnd() const { return p_ >= s_.size(); }
    size_t pos() const { return p_; }
    void skipBlanks() {
        while (p_ < s_.size() && isBlank(s_[p_])) ++p_;
    }
    bool blanksThenMore() {
        const size_t before = p_;
        skipBlanks();
        return p_ > before && !atEnd();
    }
    // A keyword, not followed by a name character.
    bool keyword(std::string_view word) {
        if (s_.size() - p_ < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(s_[p_ + i])) != word[i]) return false;
        if (p_ + word.size() < s_.size() && isNameChar(s_[p_ + word.size()])) return false;
        p_ += word.size();
        return true;
    }
    bool character(char c) {
        if (p_ < s_.size() && s_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    std::optional<std::string> name() {
        const size_t start = p_;
        if (p_ >= s_.size() || !(std::isalpha(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_'))
            return std::nullopt;
        while (p_ < s_.size() && isNameChar(s_[p_])) ++p_;
        return std::string(s_.substr(start, p_ - start));
    }
    std::string_view rest() const { return s_.substr(p_); }

private:
    std::string_view s_;
    size_t p_ = 0;
};

// Finds a trailing "ORDER BY <name>" (blanks before it required) and returns the
// position where it starts, or npos.
size_t trailingOrderBy(std::string_view s, std::string& column) {
    size_t e = s.size();
    while (e > 0 && isBlank(s[e - 1])) --e;
    size_t b = e;
    while (b > 0 && isNameChar(s[b - 1])) --b;
    if (b == e || std::isdigit(static_cast<unsigned char>(s[b]))) return std::string_view::npos;
    const std::string name(s.substr(b, e - b));
    size_t k = b;
    auto word = [&](std::string_view w) {
        size_t blanks = k;
        while (blanks > 0 && isBlank(s[blanks - 1])) --blanks;
        if (blanks == k || blanks < w.size()) return false;
        for (size_t i = 0; i < w.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(s[blanks - w.size() + i])) != w[i]) return false;
        k = blanks - w.size();
        return true;
    };
    if (!word("by") || !word("order")) return std::string_view::npos;
    if (k == 0 || !isBlank(s[k - 1])) return std::string_view::npos;
    column = name;
    return k;
}

}  // namespace

SelectStatement parseSelectStatement(std::string_view text) {
    SelectStatement out;
    std::string_view body = text;
    std::string orderColumn;
    if (const size_t at = trailingOrderBy(body, orderColumn); at != std::string_view::npos) {
        out.orderBy = orderColumn;
        body = body.substr(0, at);
    }

    Reader r(body);
    r.skipBlanks();
    if (!r.keyword("select")) bad(text, "it does not start with Select");
    if (!r.blanksThenMore()) bad(text, "nothing after Select");
    if (!r.character('*')) {
        for (;;) {
            auto column = r.name();
            if (!column) bad(text, "a column name is missing");
            out.columns.push_back(*column);
            r.skipBlanks();
            if (!r.character(',')) break;
            r.skipBlanks();
        }
    }
    r.skipBlanks();
    if (!r.keyword("from")) bad(text, "FROM is missing");
    if (!r.blanksThenMore()) bad(text, "the table name is missing");
    auto table = r.name();
    if (!table) bad(text, "the table name is missing");
    out.table = *table;

    r.skipBlanks();
    if (r.atEnd()) return out;
    if (!r.keyword("where")) bad(text, "unexpected text after the table name");
    r.skipBlanks();
    auto column = r.name();
    if (!column) bad(text, "the where clause names no column");
    r.skipBlanks();
    if (!r.character('=')) bad(text, "the where clause has no '='");
    r.skipBlanks();
    if (!r.character('\'')) bad(text, "the where value does not start with a quote");
    const std::string_view rest = r.rest();
    size_t last = rest.rfind('\'');
    if (last == std::string_view::npos) bad(text, "the where value has no closing quote");
    for (size_t i = last + 1; i < rest.size(); ++i)
        if (!isBlank(rest[i])) bad(text, "unexpected text after the where value");
    out.whereColumn = *column;
    out.whereValue = std::string(rest.substr(0, last));
    return out;
}

}  // namespace db
