#include "platform/db/layout_move.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/errors.h"
#include "platform/db/find_criterion.h"
#include "platform/db/sqlite_statement.h"
#include "platform/db/table_layout.h"
#include "platform/runtime/error.h"

namespace db::detail {

namespace {

std::function<void(int)>& hook() {
    static std::function<void(int)> h;
    return h;
}

void reached(int step) {
    if (hook()) hook()(step);
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// One token of a CREATE TABLE text: a name (quotes removed), a string literal, a single
// character, or nothing at the end. Comments count as blanks.
struct Token {
    enum Kind { End, Name, Literal, Char } kind = End;
    std::string text;
    size_t begin = 0, end = 0;
};

Token nextToken(std::string_view s, size_t p) {
    for (;;) {
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\n' || s[p] == '\r' || s[p] == '\f')) ++p;
        if (s.substr(p, 2) == "--") {
            while (p < s.size() && s[p] != '\n') ++p;
        } else if (s.substr(p, 2) == "/*") {
            const size_t close = s.find("*/", p + 2);
            p = close == std::string_view::npos ? s.size() : close + 2;
        } else {
            break;
        }
    }
    Token t;
    t.begin = p;
    if (p >= s.size()) {
        t.end = p;
        return t;
    }
    const char c = s[p];
    if (c == '"' || c == '`' || c == '[' || c == '\'') {
        const char close = c == '[' ? ']' : c;
        ++p;
        while (p < s.size()) {
            if (s[p] == close) {
                if (close != ']' && p + 1 < s.size() && s[p + 1] == close) {
                    t.text += close;
                    p += 2;
                    continue;
                }
                break;
            }
            t.text += s[p++];
        }
        t.kind = c == '\'' ? Token::Literal : Token::Name;
        t.end = p < s.size() ? p + 1 : p;
        return t;
    }
    if (isNameChar(c)) {
        while (p < s.size() && isNameChar(s[p])) ++p;
        t.kind = Token::Name;
        t.text = std::string(s.substr(t.begin, p - t.begin));
        t.end = p;
        return t;
    }
    t.kind = Token::Char;
    t.text = std::string(1, c);
    t.end = p + 1;
    return t;
}

bool isOneOf(const std::string& name, const std::vector<std::string>& names) {
    for (const auto& n : names)
        if (equalsIgnoringCase(n, name)) return true;
    return false;
}

// The CREATE TABLE text without the definitions of the named columns; nothing when a
// table constraint names one of them.
std::optional<std::string> withoutColumns(std::string_view sql, const std::vector<std::string>& names) {
    Token t = nextToken(sql, 0);
    while (t.kind != Token::End && !(t.kind == Token::Char && t.text == "(")) t = nextToken(sql, t.end);
    if (t.kind == Token::End) return std::nullopt;
    const size_t open = t.end;
    std::vector<std::string_view> kept;
    size_t itemBegin = open;
    int depth = 0;
    bool dropItem = false, constraintItem = false, mentions = false, first = true;
    for (t = nextToken(sql, open); t.kind != Token::End; t = nextToken(sql, t.end)) {
        const bool closesList = t.kind == Token::Char && t.text == ")" && depth == 0;
        if ((t.kind == Token::Char && t.text == "," && depth == 0) || closesList) {
            if (constraintItem && mentions) return std::nullopt;
            if (!dropItem) kept.push_back(sql.substr(itemBegin, t.begin - itemBegin));
            if (closesList) {
                std::string out(sql.substr(0, open));
                for (size_t i = 0; i < kept.size(); ++i) {
                    if (i) out += ',';
                    out += kept[i];
                }
                return out + std::string(sql.substr(t.begin));
            }
            itemBegin = t.end;
            dropItem = constraintItem = mentions = false;
            first = true;
            continue;
        }
        if (t.kind == Token::Char && t.text == "(") ++depth;
        if (t.kind == Token::Char && t.text == ")") --depth;
        if (t.kind != Token::Name) {
            first = false;
            continue;
        }
        if (first) {
            dropItem = isOneOf(t.text, names);
            constraintItem = isOneOf(t.text, {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"});
            first = false;
        } else if (isOneOf(t.text, names)) {
            mentions = true;
        }
    }
    return std::nullopt;
}

std::string nameList(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        if (!out.empty()) out += ", ";
        out += quoteIdentifier(n);
    }
    return out;
}

std::vector<std::string> userTables(sqlite3* db) {
    std::vector<std::string> tables;
    Statement list(db,
                   "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    while (list.step()) tables.push_back(columnText(list.get(), 0));
    return tables;
}

// What one table's move needs, read before anything changes.
struct Move {
    std::string table, key;
    std::vector<LayoutColumn> longBinaries;
    std::vector<std::string> rowColumns;  // every other column, the key included
    std::string newDefinition;
    std::vector<std::string> indexesAndTriggers;
};

std::optional<Move> planMove(sqlite3* db, const std::string& table) {
    const TableLayout layout = readTableLayout(db, table);
    Move m;
    m.table = layout.table;
    for (const auto& c : layout.columns) {
        if (c.key) m.key = c.name;
        if (c.longBinary && !c.inBytesTable) m.longBinaries.push_back(c);
        else if (!c.inBytesTable) m.rowColumns.push_back(c.name);
    }
    if (m.key.empty() || m.longBinaries.empty() || !layout.bytesTable.empty()) return std::nullopt;
    Statement definition(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1");
    definition.bind(1, m.table);
    if (!definition.step()) return std::nullopt;
    std::vector<std::string> moving;
    for (const auto& c : m.longBinaries) moving.push_back(c.name);
    auto rewritten = withoutColumns(columnText(definition.get(), 0), moving);
    if (!rewritten) return std::nullopt;
    m.newDefinition = std::move(*rewritten);
    Statement related(db, "SELECT sql FROM sqlite_master WHERE type IN ('index', 'trigger') AND tbl_name = ?1 "
                          "AND sql IS NOT NULL ORDER BY type, rowid");
    related.bind(1, m.table);
    while (related.step()) m.indexesAndTriggers.push_back(columnText(related.get(), 0));
    return m;
}

std::optional<int64_t> sequenceOf(sqlite3* db, const std::string& table) {
    if (!tableExists(db, "sqlite_sequence")) return std::nullopt;
    Statement seq(db, "SELECT seq FROM sqlite_sequence WHERE name = ?1");
    seq.bind(1, table);
    if (!seq.step()) return std::nullopt;
    return sqlite3_column_int64(seq.get(), 0);
}

void moveTable(sqlite3* db, const Move& m) {
    const std::string table = quoteIdentifier(m.table);
    const std::string bytesTable = quoteIdentifier(bytesTableName(m.table));
    std::vector<std::string> bytesColumns;
    std::string bytesDefinition = quoteIdentifier(m.key) + " INTEGER PRIMARY KEY";
    for (const auto& c : m.longBinaries) {
        bytesColumns.push_back(c.name);
        bytesDefinition += ", " + quoteIdentifier(c.name) + " " + c.type;
    }
    const std::optional<int64_t> sequence = sequenceOf(db, m.table);

    exec(db, "CREATE TABLE " + bytesTable + " (" + bytesDefinition + ")");
    exec(db, "INSERT INTO " + bytesTable + " (" + quoteIdentifier(m.key) + ", " + nameList(bytesColumns) +
                ") SELECT " + quoteIdentifier(m.key) + ", " + nameList(bytesColumns) + " FROM " + table +
                " ORDER BY " + quoteIdentifier(m.key));
    reached(1);

    std::string old = m.table + "_moving";
    while (tableExists(db, old)) old += "_";
    exec(db, "ALTER TABLE " + table + " RENAME TO " + quoteIdentifier(old));
    exec(db, m.newDefinition);
    const std::string columns = nameList(m.rowColumns);
    exec(db, "INSERT INTO " + table + " (" + columns + ") SELECT " + columns + " FROM " + quoteIdentifier(old) +
                " ORDER BY " + quoteIdentifier(m.key));
    exec(db, "DROP TABLE " + quoteIdentifier(old));
    for (const auto& sql : m.indexesAndTriggers) exec(db, sql);
    if (sequence) {
        // Keys of deleted records are never handed out again, whatever the copy saw.
        Statement raise(db, "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1");
        raise.bind(1, m.table);
        raise.bind(2, *sequence);
        raise.run();
        if (sqlite3_changes(db) == 0) {
            Statement insert(db, "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)");
            insert.bind(1, m.table);
            insert.bind(2, *sequence);
            insert.run();
        }
    }
    reached(2);
}

}  // namespace

void setLayoutMoveHook(std::function<void(int step)> h) { hook() = std::move(h); }

bool moveLongBinariesOut(sqlite3* db) {
    const std::vector<std::string> tables = userTables(db);
    std::set<std::string> bytesTables;
    for (const auto& t : tables) bytesTables.insert(bytesTableName(t));
    std::vector<Move> moves;
    for (const auto& t : tables)
        if (!bytesTables.count(t))
            if (auto m = planMove(db, t)) moves.push_back(std::move(*m));
    if (moves.empty()) return false;

    // The old rows' pages are freed as they are, not zeroed first: the pictures on them
    // live on in the bytes table, so wiping the copies would only double the move's
    // writes (each zeroed page is journalled, then written).
    ScopedPragma noWipe(db, "secure_delete", "OFF");
    exec(db, "BEGIN IMMEDIATE");
    std::string current;
    try {
        // Another open may have moved the file between the look above and the lock.
        for (const auto& m : moves) {
            current = m.table;
            if (!planMove(db, m.table)) continue;
            moveTable(db, m);
        }
        exec(db, "COMMIT");
    } catch (const runtime::Error& e) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        raiseDb(kErrEngine, "The pictures of the table '" + current +
                                "' could not be moved to a table of their own; the catalogue is left as it was (" +
                                e.description() + ").");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return true;
}

}  // namespace db::detail
