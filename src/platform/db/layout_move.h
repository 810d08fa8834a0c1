#pragma once
// Brings a file whose tables still hold their long binaries in their rows to the layout
// of table_layout.h: for each such table (a single integer key, no bytes table yet) the
// bytes go to its bytes table and the table is rebuilt without them, its indexes,
// triggers and key sequence kept. Internal to the data layer.
//
// All tables move in one transaction: a failure or a kill at any point leaves the file
// as it was (the engine's journal undoes a cut-off move at the next open), and the next
// open moves it again. The bytes are copied by the engine one row at a time, so at most
// one picture is in memory. The old rows' pages become free space in the file, which a
// compaction returns.
//
// A table whose definition names a long binary inside a table constraint keeps it in
// its rows.

#include <sqlcipher/sqlite3.h>

#include <functional>

namespace db::detail {

// True when something moved. Raises kErrEngine, naming the table, when the move fails.
bool moveLongBinariesOut(sqlite3* db);

// For tests: called after each table's bytes are copied (step 1) and after its rebuild
// (step 2), inside the transaction. Empty: no hook.
void setLayoutMoveHook(std::function<void(int step)> hook);

}  // namespace db::detail
