#include "platform/db/connection_string.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/db/errors.h"

namespace db {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

[[noreturn]] void bad(const std::string& why) {
    raiseDb(kErrBadArgument, "Connection string: " + why);
}

// Reads one value starting at pos (just after '='); leaves pos on the ';' or the end.
std::string readValue(std::string_view text, size_t& pos) {
    size_t p = pos;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    if (p < text.size() && (text[p] == '\'' || text[p] == '"')) {
        const char q = text[p++];
        std::string value;
        for (;;) {
            if (p >= text.size()) bad("a quoted value has no closing quote");
            if (text[p] == q) {
                if (p + 1 < text.size() && text[p + 1] == q) {
                    value += q;
                    p += 2;
                    continue;
                }
                ++p;
                break;
            }
            value += text[p++];
        }
        while (p < text.size() && text[p] != ';') {
            if (!std::isspace(static_cast<unsigned char>(text[p]))) bad("text after a quoted value");
            ++p;
        }
        pos = p;
        return value;
    }
    const size_t end = std::min(text.find(';', p), text.size());
    pos = end;
    return std::string(trim(text.substr(p, end - p)));
}

}  // namespace

ConnectionString parseConnectionString(std::string_view text) {
    std::optional<std::string> provider, source, password, persist;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t eq = text.find('=', pos);
        const size_t semi = text.find(';', pos);
        if (semi != std::string_view::npos && (eq == std::string_view::npos || semi < eq)) {
            if (!trim(text.substr(pos, semi - pos)).empty()) bad("a part without '='");
            pos = semi + 1;
            continue;
        }
        if (eq == std::string_view::npos) {
            if (!trim(text.substr(pos)).empty()) bad("a part without '='");
            break;
        }
        const std::string key = lower(trim(text.substr(pos, eq - pos)));
        pos = eq + 1;
        std::string value = readValue(text, pos);
        if (pos < text.size()) ++pos;  // the ';'

        std::optional<std::string>* slot = nullptr;
        if (key == "provider") slot = &provider;
        else if (key == "data source") slot = &source;
        else if (key == "jet oledb:database password") slot = &password;
        else if (key == "persist security info") slot = &persist;
        else bad("unknown key '" + key + "'");
        if (slot->has_value()) bad("the key '" + key + "' is given twice");
        *slot = std::move(value);
    }
    if (!provider || lower(*provider) != lower(kProviderName))
        raiseDb(kErrProviderNotFound, "Provider cannot be found. It may not be properly installed.");
    if (!source || source->empty()) bad("no Data Source");
    if (!password || password->empty()) bad("no database password");
    return {std::move(*source), std::move(*password)};
}

namespace {

// Values are written bare, as the windows build them, unless they need quoting to
// survive the parse (a ';', outer blanks or a leading quote).
std::string connectionValue(const std::string& v) {
    const bool plain = v.find(';') == std::string::npos && trim(v) == v &&
                       (v.empty() || (v.front() != '\'' && v.front() != '"'));
    if (plain) return v;
    std::string out = "\"";
    for (char c : v) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string makeConnectionString(const std::string& dataSource, const std::string& password) {
    return std::string("Provider=") + kProviderName + ";Data Source=" + connectionValue(dataSource) +
           ";Persist Security Info=False;Jet OLEDB:Database Password=" + connectionValue(password);
}

}  // namespace db
