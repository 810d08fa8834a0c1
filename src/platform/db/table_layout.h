#pragma once
// How a table's columns lie in the file. Internal to the data layer.
//
// A table with a single integer key keeps its long binaries (the pictures) out of its
// rows, in a table of their own with one row per record under the same key: the
// "bytes table", named after the table ("Pictures" -> "PictureBytes"). The record sets
// present those columns after the table's own, so to them the table looks as if the
// bytes were part of it. A text edit then rewrites a row of a few hundred bytes,
// whatever its picture weighs.
//
// A table without a single integer key keeps any long binaries in its rows.

#include <sqlcipher/sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace db::detail {

struct LayoutColumn {
    std::string name;
    std::string type;       // as declared
    bool key = false;       // the single integer key (an alias of the row id)
    bool longBinary = false;
    bool date = false;      // declared DATE or TIME: ISO text read back as a date
    bool inBytesTable = false;
};

struct TableLayout {
    std::string table;       // as spelled in the file
    std::string bytesTable;  // empty when the table has none
    // The table's columns, then the bytes table's (its key left out).
    std::vector<LayoutColumn> columns;

    // The columns' table: the bytes table or the table itself.
    const std::string& storeOf(const LayoutColumn& column) const {
        return column.inBytesTable ? bytesTable : table;
    }
};

bool isLongBinaryType(std::string_view declaredType);
std::string bytesTableName(std::string_view table);
bool tableExists(sqlite3* db, std::string_view table);

// The table's layout; names compare without regard to case. Raises kErrNoSuchTable.
TableLayout readTableLayout(sqlite3* db, std::string_view table);

}  // namespace db::detail
