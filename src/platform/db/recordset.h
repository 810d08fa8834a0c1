#pragma once
// A static record set over one catalogue table: the data layer's stand-in for the
// record sets the windows were written against.
//
// Opening (or requery) takes a snapshot: the ordered integer keys and the plain column
// values. Long binaries (columns declared BLOB, BINARY or IMAGE, the pictures) are
// never part of it; they are read by key when a caller asks (value, getChunk,
// actualSize uses the engine's length, which does not read the bytes). Opening 100,000
// rows therefore reads no picture. A table's long binaries kept in its bytes table
// (table_layout.h) stand after its own columns, as if they were part of its rows;
// writing one never rewrites the record's fields, and writing a field never rewrites
// the bytes.

// Order: a statement without ORDER BY lists rows by the table's integer key; a sorted
// one by the column under the NOCASE collation, ties by key, so position n is the same
// row in every record set opened with the same statement.
//
// Positions are 1-based; kPositionUnknown (-1) for an empty set and while the current
// row is one just deleted, kPositionBOF (-2) before the first row, kPositionEOF (-3)
// past the last.
//
// Edits: field writes wait until update(); a move with a pending edit saves it first;
// requery discards it; cancelUpdate discards it. addNew makes a pending new row current
// (its position is recordCount() + 1 until saved); update() inserts it and the saved
// row stands last in the snapshot, sorted or not, until the next requery. A row and its
// long binaries are written in one transaction. deleteCurrent() removes the row, and its
// bytes with it in one transaction, from the file and the snapshot; until the next move
// there is no current row (field access raises 3021) and moveNext goes to the row that
// followed it, movePrevious to the one before.
//
// Events: WillMove before and MoveComplete after every change of current row (open,
// requery, moves, position sets, find, addNew, update of a new row, cancelling a new
// row, delete). A MoveComplete listener sees the new state and may read or move this
// record set or another; it may also close it. A failing save inside a move reaches
// MoveComplete as its error and is then raised to the caller; the row stays current
// with its edit still pending.
//
// Duplicate unique values on save are raised as kErrDuplicateServer with a server-side
// cursor location and kErrDuplicateClient with a client-side one.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/connection.h"
#include "platform/db/listeners.h"
#include "platform/db/select_statement.h"
#include "platform/db/snapshot.h"
#include "platform/db/value.h"
#include "platform/runtime/error.h"

namespace db {

enum class CursorLocation : int { Server = 2, Client = 3 };

// The numbers the move events carry.
enum class MoveReason : int {
    AddNew = 1,
    Delete = 2,
    Update = 3,
    UndoAddNew = 5,
    Requery = 7,
    Move = 10,  // open, position set, find
    MoveFirst = 12,
    MoveNext = 13,
    MovePrevious = 14,
    MoveLast = 15,
};

enum class SearchDirection : int { Backward = -1, Forward = 1 };

inline constexpr long kPositionUnknown = -1;
inline constexpr long kPositionBOF = -2;
inline constexpr long kPositionEOF = -3;

class Recordset;
class FieldReader;

// A field of the current row. A light handle: it reads and writes through its record
// set and stays valid as long as that record set does (across moves too).
class Field {
public:
    const std::string& name() const;
    size_t index() const { return index_; }
    bool isLongBinary() const;

    // The pending value if any, else the row's value; a long binary is read whole.
    Value value() const;
    // The row's value as stored, whatever edit is pending (null on a new row): what
    // undoing the edit puts back.
    Value originalValue() const;
    // A pending edit until update(). Raises 3021 without a current row, 3640 for the
    // key the database assigns.
    void setValue(Value value);
    // 0 for null or empty; bytes of a text or long binary; 8 for numbers, 10 for dates.
    int64_t actualSize() const;
    // Stores a long binary whole, pending like a field write. The bytes are moved in,
    // not copied; a second call in the same edit appends.
    void appendChunk(Bytes&& bytes);
    // Stores a file's bytes as the long binary, whole and unchanged; the file is read
    // piece by piece as the row is saved, so a large file is never held in memory.
    // Raises the file's error when it cannot be read; a file that changes size before
    // the save makes the save fail.
    void appendChunkFromFile(const std::string& path);
    // The first count bytes (fewer when the value is shorter). Read straight from the
    // file, count bytes at most.
    Bytes getChunk(int64_t count) const;
    // The same bytes, read a piece at a time (FieldReader).
    FieldReader reader(int64_t count) const;

private:
    friend class Recordset;
    Field(Recordset& rs, size_t index) : rs_(&rs), index_(index) {}
    Recordset* rs_;
    size_t index_;
};

// A field's first bytes, the ones getChunk gives whole, read a piece at a time: a long
// binary as stored is read straight from the file, so a big picture is never held whole;
// a pending or plain value is held as getChunk gives it. Valid while the record set stays
// on the row and writes nothing; a read after the row changed raises.
class FieldReader {
public:
    FieldReader() = default;
    ~FieldReader();
    FieldReader(FieldReader&& other) noexcept;
    FieldReader& operator=(FieldReader&& other) noexcept;
    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    int64_t size() const { return size_; }
    // Up to length bytes from offset on; fewer only past the end.
    size_t readAt(int64_t offset, void* data, size_t length);
    // Writes the bytes as the file `path`, atomically as sys::writeFile does, a piece at a
    // time; raises as a read or sys::writeFile does, leaving the file as it was.
    void writeToFile(const std::string& path);

private:
    friend class Recordset;
    sqlite3* db_ = nullptr;
    sqlite3_blob* blob_ = nullptr;  // the stored long binary, or null for held_
    Bytes held_;
    int64_t size_ = 0;
};

class Recordset : public std::enable_shared_from_this<Recordset> {
public:
    using WillMoveListener = std::function<void(MoveReason, Recordset&)>;
    // error is null after a successful change.
    using MoveCompleteListener = std::function<void(MoveReason, const runtime::Error* error, Recordset&)>;

    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Parses the statement (select_statement.h), checks its table and columns, then takes
    // the snapshot with the move events around it; the first row becomes current.
    // Takes over the connection (one user of the shared connection).
    void open(Connection connection, std::string_view source, CursorLocation location = CursorLocation::Client);
    // A new snapshot of the same statement; a pending edit is discarded.
    void requery();
    // Discards a pending edit and drops the connection user. No events.
    void close();
    bool isOpen() const { return open_; }

    const std::string& source() const { return source_; }
    CursorLocation cursorLocation() const { return location_; }
    // The statement the snapshot is read with (plain columns, long binaries as NULL).
    const std::string& snapshotSql() const { return snapshotSql_; }
    const std::string& table() const { return statement_.table; }

    long recordCount() const;
    long absolutePosition() const;
    // 1..recordCount(); anything else raises kErrBadArgument.
    void setAbsolutePosition(long position);
    bool bof() const;
    bool eof() const;
    bool hasCurrentRow() const;
    // The current row's integer key; raises 3021 without a saved current row.
    int64_t currentKey() const;

    // moveFirst/moveLast raise 3021 on an empty set; moveNext at EOF and movePrevious at
    // BOF raise 3021.
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();

    size_t fieldCount() const { return columns_.size(); }
    // By name, ignoring case, or by 0-based position; raises kErrItemNotFound.
    Field field(std::string_view name);
    Field field(size_t index);
    std::optional<size_t> fieldIndex(std::string_view name) const;

    void addNew();
    // Saves the pending edit (nothing to do without one).
    void update();
    void cancelUpdate();
    void deleteCurrent();
    bool editPending() const;
    bool isAddingNew() const { return adding_; }

    // Searches from the current row (skip rows further) in the direction; true when a
    // row matched and became current. No match leaves EOF (forward) or BOF (backward).
    // A malformed criterion or an unknown column raises kErrBadArgument before any event.
    bool find(std::string_view criterion, long skip = 0, SearchDirection direction = SearchDirection::Forward);

    ListenerId onWillMove(WillMoveListener listener);
    ListenerId onMoveComplete(MoveCompleteListener listener);
    void removeListener(ListenerId id);

    // Called before the record set decides whether a pending edit must be saved (update,
    // addNew and every move that saves), so that bound consumers can write their
    // changes into fields first. One hook; the data control sets it.
    void setBeforeSave(std::function<void(Recordset&)> hook) { beforeSave_ = std::move(hook); }

    // Bytes the snapshot holds.
    size_t memoryBytes() const { return snapshot_.memoryBytes(); }

private:
    friend class Field;

    struct Column {
        std::string name;
        bool longBinary = false;
        bool date = false;
        bool key = false;  // the integer key the database assigns
        bool inBytesTable = false;  // a long binary kept in the table's bytes table
    };

    void requireOpen() const;
    void requireCurrentRow() const;
    sqlite3* db() const { return connection_.handle(); }
    long rowCount() const { return static_cast<long>(snapshot_.size()); }

    void loadColumns();
    void takeSnapshot();
    std::vector<Snapshot::ColumnKind> columnKinds() const;
    // WillMove, [save the pending edit], change, MoveComplete; raises a failure after
    // MoveComplete has seen it.
    void changeRow(MoveReason reason, bool saveFirst, const std::function<void()>& change);
    void runBeforeSave();
    void saveEdit();
    void writeLongBinaries(int64_t key);
    std::optional<int64_t> pendingLongBinarySize(size_t column) const;
    std::string placeholder(size_t column, int index) const;
    std::string updateSql(const std::string& table, const std::vector<size_t>& changed) const;
    // Binds the changed columns' pending values as ?1.., then the key after them.
    void writeColumns(const std::string& sql, const std::vector<size_t>& changed, std::optional<int64_t> key);
    // The table holding a column: the bytes table or the record set's own.
    const std::string& storeOf(size_t column) const {
        return columns_[column].inBytesTable ? bytesTable_ : statement_.table;
    }
    void rereadRow(int64_t key, std::optional<size_t> replaceAt);
    void discardEdit();
    long duplicateNumber() const;

    Value fieldValue(size_t column) const;
    int64_t fieldSize(size_t column) const;
    Bytes fieldChunk(size_t column, int64_t count) const;
    FieldReader fieldReader(size_t column, int64_t count) const;
    // A current row and a count of 0 or more, as GetChunk needs.
    void requireChunkArguments(int64_t count) const;
    // The column's bytes are the stored long binary's: no edit or new row stands in for them.
    bool readsStoredLongBinary(size_t column) const;
    // The current row's value as stored, without its pending edit; the long binary's
    // length and first bytes as stored.
    Value storedValue(size_t column) const;
    int64_t storedLongBinarySize(size_t column) const;
    Bytes storedLongBinaryChunk(size_t column, int64_t count) const;
    FieldReader storedLongBinaryReader(size_t column, int64_t count) const;
    void setFieldValue(size_t column, Value value);
    void appendFieldChunk(size_t column, Bytes&& bytes);
    void appendFieldChunkFromFile(size_t column, const std::string& path);

    Connection connection_;
    bool open_ = false;
    std::string source_;
    SelectStatement statement_;
    CursorLocation location_ = CursorLocation::Client;
    std::vector<Column> columns_;
    std::string bytesTable_;  // empty when the table keeps its long binaries in its rows
    std::string snapshotSql_;
    std::string rowSql_;
    Snapshot snapshot_;

    long cursor_ = -1;       // -1 BOF, 0..n-1 a row, n EOF
    bool deleted_ = false;   // the current row was deleted; cursor_ is the row after it
    bool adding_ = false;    // a pending new row is current
    long cursorBeforeAdd_ = -1;
    bool deletedBeforeAdd_ = false;
    std::vector<std::optional<Value>> pending_;
    // A long binary pending as a file: its path and size, read while saving.
    struct PendingFile {
        std::string path;
        int64_t size = 0;
    };
    std::vector<std::optional<PendingFile>> pendingFiles_;

    Listeners<MoveReason, Recordset&> willMove_;
    Listeners<MoveReason, const runtime::Error*, Recordset&> moveComplete_;
    std::function<void(Recordset&)> beforeSave_;
    ListenerId lastListenerId_ = 0;
};

}  // namespace db
