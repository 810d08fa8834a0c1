#include "platform/db/table_layout.h"

#include <algorithm>

#include "platform/db/errors.h"
#include "platform/db/sqlite_statement.h"

namespace db::detail {

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The table's own columns, in order, its key marked when it is a single integer one.
std::vector<LayoutColumn> tableColumns(sqlite3* db, const std::string& table) {
    std::vector<LayoutColumn> columns;
    std::vector<int> keyParts;
    Statement info(db, "PRAGMA table_info(" + quoteIdentifier(table) + ")");
    while (info.step()) {
        LayoutColumn c;
        c.name = columnText(info.get(), 1);
        c.type = columnText(info.get(), 2);
        c.longBinary = isLongBinaryType(c.type);
        const std::string type = upper(c.type);
        c.date = type.find("DATE") != std::string::npos || type.find("TIME") != std::string::npos;
        columns.push_back(std::move(c));
        keyParts.push_back(sqlite3_column_int(info.get(), 5));
    }
    if (std::count_if(keyParts.begin(), keyParts.end(), [](int pk) { return pk > 0; }) == 1)
        for (size_t i = 0; i < columns.size(); ++i)
            columns[i].key = keyParts[i] == 1 && upper(columns[i].type) == "INTEGER";
    return columns;
}

// The table's name as the file spells it, or empty.
std::string spelling(sqlite3* db, std::string_view table) {
    Statement t(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    t.bind(1, table);
    return t.step() ? columnText(t.get(), 0) : std::string();
}

}  // namespace

bool isLongBinaryType(std::string_view declaredType) {
    const std::string type = upper(declaredType);
    for (const char* word : {"BLOB", "BINARY", "IMAGE"})
        if (type.find(word) != std::string::npos) return true;
    return false;
}

std::string bytesTableName(std::string_view table) {
    std::string name(table);
    if (name.size() > 1 && (name.back() == 's' || name.back() == 'S')) name.pop_back();
    return name + "Bytes";
}

bool tableExists(sqlite3* db, std::string_view table) { return !spelling(db, table).empty(); }

TableLayout readTableLayout(sqlite3* db, std::string_view table) {
    TableLayout layout;
    layout.table = spelling(db, table);
    if (layout.table.empty()) raiseDb(kErrNoSuchTable, "The catalogue has no table '" + std::string(table) + "'.");
    layout.columns = tableColumns(db, layout.table);
    const bool keyed = std::any_of(layout.columns.begin(), layout.columns.end(), [](auto& c) { return c.key; });
    if (!keyed) return layout;
    layout.bytesTable = spelling(db, bytesTableName(layout.table));
    if (layout.bytesTable.empty()) return layout;
    for (auto& c : tableColumns(db, layout.bytesTable)) {
        if (c.key) continue;
        c.inBytesTable = true;
        layout.columns.push_back(std::move(c));
    }
    return layout;
}

}  // namespace db::detail
