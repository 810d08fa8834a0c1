#include "platform/db/recordset.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/db/errors.h"
#include "platform/db/find_criterion.h"
#include "platform/db/sqlite_statement.h"
#include "platform/db/table_layout.h"
#include "platform/sys/files.h"

namespace db {

namespace {

using detail::quoteIdentifier;
using detail::Statement;

// Rolls back to the savepoint unless released: one row and its long binaries are
// written completely or not at all.
class Savepoint {
public:
    explicit Savepoint(sqlite3* db) : db_(db) { detail::exec(db_, "SAVEPOINT qm_row"); }
    ~Savepoint() {
        if (!released_) {
            sqlite3_exec(db_, "ROLLBACK TO qm_row", nullptr, nullptr, nullptr);
            sqlite3_exec(db_, "RELEASE qm_row", nullptr, nullptr, nullptr);
        }
    }
    void release() {
        detail::exec(db_, "RELEASE qm_row");
        released_ = true;
    }

private:
    sqlite3* db_;
    bool released_ = false;
};

void bindValue(sqlite3_stmt* stmt, int index, const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: sqlite3_bind_null(stmt, index); break;
    case Value::Kind::Integer: sqlite3_bind_int64(stmt, index, v.integer()); break;
    case Value::Kind::Real: sqlite3_bind_double(stmt, index, v.real()); break;
    case Value::Kind::Text:
        sqlite3_bind_text64(stmt, index, v.string().data(), v.string().size(), SQLITE_STATIC, SQLITE_UTF8);
        break;
    case Value::Kind::Date: {
        const std::string iso = isoDate(v.date());
        sqlite3_bind_text64(stmt, index, iso.data(), iso.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case Value::Kind::Bytes:
        sqlite3_bind_blob64(stmt, index, v.bytes().data(), v.bytes().size(), SQLITE_STATIC);
        break;
    }
}

}  // namespace

// ---- Field -------------------------------------------------------------------------

const std::string& Field::name() const { return rs_->columns_[index_].name; }
bool Field::isLongBinary() const { return rs_->columns_[index_].longBinary; }
Value Field::value() const { return rs_->fieldValue(index_); }
Value Field::originalValue() const { return rs_->storedValue(index_); }
void Field::setValue(Value value) { rs_->setFieldValue(index_, std::move(value)); }
int64_t Field::actualSize() const { return rs_->fieldSize(index_); }
void Field::appendChunk(Bytes&& bytes) { rs_->appendFieldChunk(index_, std::move(bytes)); }
void Field::appendChunkFromFile(const std::string& path) { rs_->appendFieldChunkFromFile(index_, path); }
Bytes Field::getChunk(int64_t count) const { return rs_->fieldChunk(index_, count); }
FieldReader Field::reader(int64_t count) const { return rs_->fieldReader(index_, count); }

// ---- FieldReader -------------------------------------------------------------------

FieldReader::~FieldReader() {
    if (blob_) sqlite3_blob_close(blob_);
}

FieldReader::FieldReader(FieldReader&& other) noexcept
    : db_(other.db_), blob_(std::exchange(other.blob_, nullptr)), held_(std::move(other.held_)),
      size_(std::exchange(other.size_, 0)) {}

FieldReader& FieldReader::operator=(FieldReader&& other) noexcept {
    if (this != &other) {
        if (blob_) sqlite3_blob_close(blob_);
        db_ = other.db_;
        blob_ = std::exchange(other.blob_, nullptr);
        held_ = std::move(other.held_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

size_t FieldReader::readAt(int64_t offset, void* data, size_t length) {
    if (offset < 0 || offset >= size_) return 0;
    const size_t n = static_cast<size_t>(std::min<int64_t>(size_ - offset, static_cast<int64_t>(length)));
    if (!blob_) {
        std::memcpy(data, held_.data() + offset, n);
        return n;
    }
    // A blob is at most 2^31 - 1 bytes, as its offsets and lengths are ints.
    const int rc = sqlite3_blob_read(blob_, data, static_cast<int>(n), static_cast<int>(offset));
    if (rc != SQLITE_OK) detail::raiseSqlite(db_, rc, "reading a long binary");
    return n;
}

void FieldReader::writeToFile(const std::string& path) {
    sys::FileWriter file(path);
    if (!blob_) {
        file.write(held_.data(), static_cast<size_t>(size_));
    } else {
        // The stored bytes go a piece at a time, never whole in memory.
        constexpr int64_t kPiece = int64_t{1} << 20;
        std::vector<uint8_t> piece(static_cast<size_t>(std::min(size_, kPiece)));
        for (int64_t done = 0; done < size_;) {
            const size_t n = readAt(done, piece.data(), piece.size());
            file.write(piece.data(), n);
            done += static_cast<int64_t>(n);
        }
    }
    file.commit();
}

// ---- opening -----------------------------------------------------------------------

Recordset::Recordset() = default;

Recordset::~Recordset() { close(); }

void Recordset::open(Connection connection, std::string_view source, CursorLocation location) {
    close();
    if (location != CursorLocation::Server && location != CursorLocation::Client)
        raiseDb(kErrBadArgument, "The cursor location must be 2 (server) or 3 (client).");
    statement_ = parseSelectStatement(source);
    connection_ = std::move(connection);
    source_ = std::string(source);
    location_ = location;
    try {
        loadColumns();
    } catch (...) {
        connection_.close();
        throw;
    }
    open_ = true;
    changeRow(MoveReason::Move, false, [this] { takeSnapshot(); });
}

void Recordset::loadColumns() {
    const detail::TableLayout layout = detail::readTableLayout(db(), statement_.table);
    auto lookup = [&](const std::string& name) -> const detail::LayoutColumn& {
        for (const auto& c : layout.columns)
            if (equalsIgnoringCase(c.name, name)) return c;
        raiseDb(kErrNoSuchColumn, "The table '" + statement_.table + "' has no column '" + name + "'.");
    };
    auto makeColumn = [&](const detail::LayoutColumn& c) {
        Column col;
        col.name = c.name;
        col.longBinary = c.longBinary;
        col.date = c.date;
        col.key = c.key && !c.inBytesTable;
        col.inBytesTable = c.inBytesTable;
        return col;
    };
    // Rows are filtered and sorted by the table's own columns; the bytes table's are long
    // binaries, which order nothing.
    auto rowColumn = [&](const std::string& name) {
        const auto& c = lookup(name);
        if (c.inBytesTable) raiseDb(kErrBadArgument, "A long binary column cannot filter or sort a record set.");
        return c.name;
    };

    columns_.clear();
    if (statement_.columns.empty())
        for (const auto& c : layout.columns) columns_.push_back(makeColumn(c));
    else
        for (const auto& name : statement_.columns) columns_.push_back(makeColumn(lookup(name)));
    // Names in the statement now take the file's spelling.
    if (statement_.whereColumn) statement_.whereColumn = rowColumn(*statement_.whereColumn);
    if (statement_.orderBy) statement_.orderBy = rowColumn(*statement_.orderBy);
    statement_.table = layout.table;
    bytesTable_ = layout.bytesTable;

    std::string list = "rowid";
    for (const auto& c : columns_) list += ", " + (c.longBinary ? std::string("NULL") : quoteIdentifier(c.name));
    const std::string from = " FROM " + quoteIdentifier(statement_.table);
    snapshotSql_ = "SELECT " + list + from;
    if (statement_.whereColumn)
        snapshotSql_ += " WHERE " + quoteIdentifier(*statement_.whereColumn) + " = ?1 COLLATE NOCASE";
    snapshotSql_ += statement_.orderBy
                        ? " ORDER BY " + quoteIdentifier(*statement_.orderBy) + " COLLATE NOCASE, rowid"
                        : " ORDER BY rowid";
    rowSql_ = "SELECT " + list + from + " WHERE rowid = ?1";

    snapshot_ = Snapshot(columnKinds());
    pending_.assign(columns_.size(), std::nullopt);
}

std::vector<Snapshot::ColumnKind> Recordset::columnKinds() const {
    std::vector<Snapshot::ColumnKind> kinds;
    for (const auto& c : columns_) kinds.push_back({c.longBinary, c.date, c.key});
    return kinds;
}

void Recordset::takeSnapshot() {
    discardEdit();
    deleted_ = false;
    snapshot_ = Snapshot(columnKinds());
    cursor_ = -1;
    Statement select(db(), snapshotSql_);
    if (statement_.whereColumn) select.bind(1, statement_.whereValue);
    while (select.step()) snapshot_.append(select.get());
    cursor_ = snapshot_.size() > 0 ? 0 : -1;
}

void Recordset::requery() {
    requireOpen();
    changeRow(MoveReason::Requery, false, [this] { takeSnapshot(); });
}

void Recordset::close() {
    open_ = false;
    adding_ = false;
    deleted_ = false;
    cursor_ = -1;
    pending_.clear();
    snapshot_ = Snapshot();
    connection_.close();
}

// ---- state -------------------------------------------------------------------------

void Recordset::requireOpen() const {
    if (!open_) raiseDb(kErrObjectClosed, "Operation is not allowed when the object is closed.");
}

bool Recordset::hasCurrentRow() const {
    return open_ && (adding_ || (!deleted_ && cursor_ >= 0 && cursor_ < rowCount()));
}

void Recordset::requireCurrentRow() const {
    requireOpen();
    if (!hasCurrentRow()) raiseNoCurrentRecord();
}

long Recordset::recordCount() const {
    requireOpen();
    return rowCount();
}

long Recordset::absolutePosition() const {
    requireOpen();
    if (adding_) return rowCount() + 1;
    if (rowCount() == 0 || deleted_) return kPositionUnknown;
    if (cursor_ < 0) return kPositionBOF;
    if (cursor_ >= rowCount()) return kPositionEOF;
    return cursor_ + 1;
}

bool Recordset::bof() const {
    requireOpen();
    if (adding_) return false;
    return rowCount() == 0 || (!deleted_ && cursor_ < 0);
}

bool Recordset::eof() const {
    requireOpen();
    if (adding_) return false;
    return rowCount() == 0 || (!deleted_ && cursor_ >= rowCount());
}

int64_t Recordset::currentKey() const {
    requireCurrentRow();
    if (adding_) raiseNoCurrentRecord();
    return snapshot_.id(static_cast<size_t>(cursor_));
}

bool Recordset::editPending() const {
    if (adding_) return true;
    return std::any_of(pending_.begin(), pending_.end(), [](const auto& v) { return v.has_value(); });
}

void Recordset::discardEdit() {
    pending_.assign(columns_.size(), std::nullopt);
    pendingFiles_.assign(columns_.size(), std::nullopt);
    adding_ = false;
}

long Recordset::duplicateNumber() const {
    return location_ == CursorLocation::Server ? kErrDuplicateServer : kErrDuplicateClient;
}

// ---- moves -------------------------------------------------------------------------

void Recordset::changeRow(MoveReason reason, bool saveFirst, const std::function<void()>& change) {
    // A listener may drop the last outside reference (a window closing its data
    // control from a handler); stay alive until the events are through.
    const auto keepAlive = weak_from_this().lock();
    willMove_.call(reason, *this);
    if (!open_) return;
    std::optional<runtime::Error> failure;
    try {
        if (saveFirst) {
            runBeforeSave();
            if (editPending()) saveEdit();
        }
        change();
    } catch (const runtime::Error& e) {
        failure = e;
    }
    if (!open_) {
        if (failure) throw *failure;
        return;
    }
    moveComplete_.call(reason, failure ? &*failure : nullptr, *this);
    if (failure) throw *failure;
}

void Recordset::moveFirst() {
    requireOpen();
    if (rowCount() == 0 && !adding_) raiseNoCurrentRecord();
    changeRow(MoveReason::MoveFirst, true, [this] {
        deleted_ = false;
        cursor_ = 0;
    });
}

void Recordset::moveLast() {
    requireOpen();
    if (rowCount() == 0 && !adding_) raiseNoCurrentRecord();
    changeRow(MoveReason::MoveLast, true, [this] {
        deleted_ = false;
        cursor_ = rowCount() - 1;
    });
}

void Recordset::moveNext() {
    requireOpen();
    if (!adding_ && !deleted_ && (rowCount() == 0 || cursor_ >= rowCount())) raiseNoCurrentRecord();
    changeRow(MoveReason::MoveNext, true, [this] {
        // After a delete the cursor already stands on the row that followed.
        if (deleted_) deleted_ = false;
        else ++cursor_;
    });
}

void Recordset::movePrevious() {
    requireOpen();
    if (!adding_ && !deleted_ && (rowCount() == 0 || cursor_ < 0)) raiseNoCurrentRecord();
    changeRow(MoveReason::MovePrevious, true, [this] {
        deleted_ = false;
        --cursor_;
    });
}

void Recordset::setAbsolutePosition(long position) {
    requireOpen();
    const long limit = rowCount() + (adding_ ? 1 : 0);
    if (position < 1 || position > limit)
        raiseDb(kErrBadArgument, "Position " + std::to_string(position) + " is outside the record set (1 to " +
                                     std::to_string(limit) + ").");
    // The row that is already current: no move, so a pending edit stays pending (the
    // windows re-select the Options row before every read without saving it).
    if (!adding_ && !deleted_ && hasCurrentRow() && cursor_ == position - 1) return;
    changeRow(MoveReason::Move, true, [this, position] {
        deleted_ = false;
        cursor_ = position - 1;
    });
}

bool Recordset::find(std::string_view text, long skip, SearchDirection direction) {
    requireOpen();
    const FindCriterion criterion = parseFindCriterion(text);
    const auto column = fieldIndex(criterion.column);
    if (!column)
        raiseDb(kErrBadArgument, "The find criterion names the column '" + criterion.column +
                                     "', which the record set does not have.");
    if (columns_[*column].longBinary)
        raiseDb(kErrBadArgument, "A long binary column cannot be searched.");
    if (skip < 0) raiseDb(kErrBadArgument, "The rows to skip cannot be negative.");
    bool found = false;
    changeRow(MoveReason::Move, true, [&] {
        const long n = rowCount();
        long i;
        if (direction == SearchDirection::Forward) {
            i = deleted_ ? cursor_ : std::max(cursor_, 0L);
            i += skip;
        } else {
            i = deleted_ ? cursor_ - 1 : std::min(cursor_, n - 1);
            i -= skip;
        }
        deleted_ = false;
        const long step = direction == SearchDirection::Forward ? 1 : -1;
        for (; i >= 0 && i < n; i += step) {
            if (matchesCriterion(criterion, snapshot_.value(static_cast<size_t>(i), *column))) {
                cursor_ = i;
                found = true;
                return;
            }
        }
        cursor_ = direction == SearchDirection::Forward ? n : -1;
    });
    return found;
}

// ---- fields ------------------------------------------------------------------------

std::optional<size_t> Recordset::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (equalsIgnoringCase(columns_[i].name, name)) return i;
    return std::nullopt;
}

Field Recordset::field(std::string_view name) {
    requireOpen();
    const auto i = fieldIndex(name);
    if (!i)
        raiseDb(kErrItemNotFound, "Item cannot be found in the collection corresponding to the requested name "
                                  "or ordinal: '" + std::string(name) + "'.");
    return Field(*this, *i);
}

Field Recordset::field(size_t index) {
    requireOpen();
    if (index >= columns_.size())
        raiseDb(kErrItemNotFound, "Item cannot be found in the collection corresponding to the requested name "
                                  "or ordinal: " + std::to_string(index) + ".");
    return Field(*this, index);
}

Value Recordset::fieldValue(size_t column) const {
    requireCurrentRow();
    if (pendingFiles_[column]) return Value(sys::readFile(pendingFiles_[column]->path));
    if (pending_[column]) return *pending_[column];
    return storedValue(column);
}

Value Recordset::storedValue(size_t column) const {
    requireCurrentRow();
    if (adding_) return Value();
    if (!columns_[column].longBinary) return snapshot_.value(static_cast<size_t>(cursor_), column);
    Bytes bytes = storedLongBinaryChunk(column, INT64_MAX);
    return bytes.empty() && storedLongBinarySize(column) == 0 ? Value() : Value(std::move(bytes));
}

int64_t Recordset::fieldSize(size_t column) const {
    requireCurrentRow();
    if (readsStoredLongBinary(column)) return storedLongBinarySize(column);
    if (pendingFiles_[column]) return pendingFiles_[column]->size;
    if (pending_[column]) return pending_[column]->size();
    if (adding_) return 0;
    return snapshot_.storedSize(static_cast<size_t>(cursor_), column);
}

bool Recordset::readsStoredLongBinary(size_t column) const {
    return !pendingFiles_[column] && !pending_[column] && !adding_ && columns_[column].longBinary;
}

int64_t Recordset::storedLongBinarySize(size_t column) const {
    // length() of a blob reads its size from the record header, not its pages.
    Statement length(db(), "SELECT length(" + quoteIdentifier(columns_[column].name) + ") FROM " +
                               quoteIdentifier(storeOf(column)) + " WHERE rowid = ?1");
    length.bind(1, snapshot_.id(static_cast<size_t>(cursor_)));
    return length.step() ? sqlite3_column_int64(length.get(), 0) : 0;
}

void Recordset::requireChunkArguments(int64_t count) const {
    requireCurrentRow();
    if (count < 0) raiseDb(kErrBadArgument, "GetChunk needs a count of 0 or more.");
}

Bytes Recordset::fieldChunk(size_t column, int64_t count) const {
    requireChunkArguments(count);
    if (readsStoredLongBinary(column)) return storedLongBinaryChunk(column, count);
    auto firstBytes = [count](const char* data, size_t size) {
        const size_t n = std::min<uint64_t>(size, static_cast<uint64_t>(count));
        return Bytes(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<const uint8_t*>(data) + n);
    };
    if (pendingFiles_[column]) {
        const auto n = static_cast<size_t>(std::min(count, pendingFiles_[column]->size));
        Bytes bytes(n);
        sys::FileReader reader(pendingFiles_[column]->path);
        bytes.resize(reader.read(bytes.data(), n));
        return bytes;
    }
    if (pending_[column]) {
        const Value& v = *pending_[column];
        if (v.kind() == Value::Kind::Bytes) return firstBytes(reinterpret_cast<const char*>(v.bytes().data()), v.bytes().size());
        const std::string text = v.text();
        return firstBytes(text.data(), text.size());
    }
    if (adding_) return {};
    const std::string text = snapshot_.value(static_cast<size_t>(cursor_), column).text();
    return firstBytes(text.data(), text.size());
}

Bytes Recordset::storedLongBinaryChunk(size_t column, int64_t count) const {
    FieldReader reader = storedLongBinaryReader(column, count);
    Bytes out(static_cast<size_t>(reader.size()));
    reader.readAt(0, out.data(), out.size());
    return out;
}

FieldReader Recordset::storedLongBinaryReader(size_t column, int64_t count) const {
    FieldReader reader;
    reader.db_ = db();
    const int64_t key = snapshot_.id(static_cast<size_t>(cursor_));
    if (sqlite3_blob_open(db(), "main", storeOf(column).c_str(), columns_[column].name.c_str(), key, 0,
                          &reader.blob_) != SQLITE_OK) {
        // A null value (or a row deleted through another record set, or a record stored
        // without a bytes row) has no bytes.
        sqlite3_blob_close(reader.blob_);
        reader.blob_ = nullptr;
        return reader;
    }
    reader.size_ = std::min<int64_t>(sqlite3_blob_bytes(reader.blob_), count);
    return reader;
}

FieldReader Recordset::fieldReader(size_t column, int64_t count) const {
    requireChunkArguments(count);
    if (readsStoredLongBinary(column)) return storedLongBinaryReader(column, count);
    FieldReader reader;
    reader.held_ = fieldChunk(column, count);
    reader.size_ = static_cast<int64_t>(reader.held_.size());
    return reader;
}

void Recordset::setFieldValue(size_t column, Value value) {
    requireCurrentRow();
    if (columns_[column].key)
        raiseDb(kErrFieldReadOnly, "The field '" + columns_[column].name + "' is set by the database and cannot be changed.");
    if (columns_[column].longBinary && !value.isNull() && value.kind() != Value::Kind::Bytes)
        raiseDb(kErrBadArgument, "The field '" + columns_[column].name + "' holds bytes only.");
    pending_[column] = std::move(value);
}

void Recordset::appendFieldChunk(size_t column, Bytes&& bytes) {
    requireCurrentRow();
    if (!columns_[column].longBinary)
        raiseDb(kErrBadArgument, "AppendChunk needs a long binary field; '" + columns_[column].name + "' is not one.");
    auto& slot = pending_[column];
    if (pendingFiles_[column]) {
        // Bytes after a file: the file's bytes come first, so read them in now.
        Bytes whole = sys::readFile(pendingFiles_[column]->path);
        pendingFiles_[column].reset();
        whole.insert(whole.end(), bytes.begin(), bytes.end());
        slot = Value(std::move(whole));
    } else if (slot && slot->kind() == Value::Kind::Bytes) {
        Bytes& existing = slot->bytes();
        existing.insert(existing.end(), bytes.begin(), bytes.end());
    } else {
        slot = Value(std::move(bytes));
    }
}

void Recordset::appendFieldChunkFromFile(size_t column, const std::string& path) {
    requireCurrentRow();
    if (!columns_[column].longBinary)
        raiseDb(kErrBadArgument, "AppendChunk needs a long binary field; '" + columns_[column].name + "' is not one.");
    if (pending_[column] && pending_[column]->size() > 0) {
        // A file after bytes: join them in memory, as appending has always done.
        appendFieldChunk(column, sys::readFile(path));
        return;
    }
    const int64_t size = static_cast<int64_t>(sys::fileSize(path));
    pendingFiles_[column] = PendingFile{path, size};
    // The column counts as changed; its value is the file's.
    pending_[column] = Value(Bytes{});
}

// ---- edits -------------------------------------------------------------------------

void Recordset::runBeforeSave() {
    if (beforeSave_ && hasCurrentRow()) beforeSave_(*this);
}

void Recordset::addNew() {
    requireOpen();
    changeRow(MoveReason::AddNew, true, [this] {
        cursorBeforeAdd_ = cursor_;
        deletedBeforeAdd_ = deleted_;
        discardEdit();
        adding_ = true;
    });
}

void Recordset::update() {
    requireOpen();
    runBeforeSave();
    if (!editPending()) return;
    if (!adding_) {
        saveEdit();
        return;
    }
    // The pending row becomes a real one: a change of current row for the listeners.
    changeRow(MoveReason::Update, true, [] {});
}

void Recordset::cancelUpdate() {
    requireOpen();
    if (!adding_) {
        discardEdit();
        return;
    }
    changeRow(MoveReason::UndoAddNew, false, [this] {
        discardEdit();
        cursor_ = std::clamp(cursorBeforeAdd_, -1L, rowCount());
        deleted_ = deletedBeforeAdd_;
    });
}

void Recordset::deleteCurrent() {
    requireCurrentRow();
    if (adding_) raiseNoCurrentRecord();
    changeRow(MoveReason::Delete, false, [this] {
        const size_t row = static_cast<size_t>(cursor_);
        // The record and its bytes go together or not at all.
        Savepoint savepoint(db());
        for (const std::string* table : {&bytesTable_, &statement_.table}) {
            if (table->empty()) continue;
            Statement remove(db(), "DELETE FROM " + quoteIdentifier(*table) + " WHERE rowid = ?1");
            remove.bind(1, snapshot_.id(row));
            const int rc = remove.run();
            if (rc != SQLITE_DONE) detail::raiseSqlite(db(), rc, "deleting a row");
        }
        savepoint.release();
        discardEdit();
        snapshot_.erase(row);
        deleted_ = true;
    });
}

void Recordset::saveEdit() {
    // The table's own columns and the bytes table's are written apart, so a text edit
    // never rewrites a picture and a new picture never rewrites the record's fields.
    std::vector<size_t> inRow, inBytes;
    for (size_t c = 0; c < columns_.size(); ++c)
        if (pending_[c]) (columns_[c].inBytesTable ? inBytes : inRow).push_back(c);

    bool anyLongBinary = false;
    for (size_t c = 0; c < columns_.size(); ++c)
        anyLongBinary = anyLongBinary || pendingLongBinarySize(c).value_or(0) > 0;
    // While a picture is written the engine keeps its pages in memory until the commit,
    // so each page is encrypted and written once, not spilled as zeros and rewritten.
    detail::ScopedPragma spillOff(db(), "cache_spill", "OFF", anyLongBinary);

    Savepoint savepoint(db());
    int64_t key = 0;
    if (adding_) {
        std::string sql = "INSERT INTO " + quoteIdentifier(statement_.table);
        if (inRow.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string names, values;
            for (size_t k = 0; k < inRow.size(); ++k) {
                if (k) names += ", ", values += ", ";
                names += quoteIdentifier(columns_[inRow[k]].name);
                values += placeholder(inRow[k], static_cast<int>(k) + 1);
            }
            sql += " (" + names + ") VALUES (" + values + ")";
        }
        writeColumns(sql, inRow, std::nullopt);
        key = sqlite3_last_insert_rowid(db());
    } else {
        key = snapshot_.id(static_cast<size_t>(cursor_));
        if (!inRow.empty()) writeColumns(updateSql(statement_.table, inRow), inRow, key);
    }
    if (!bytesTable_.empty() && (adding_ || !inBytes.empty())) {
        // A new record gets its bytes row at once, replacing any that a record deleted
        // outside the record sets left under the same key.
        const std::string verb = adding_ ? "INSERT OR REPLACE" : "INSERT OR IGNORE";
        writeColumns(verb + " INTO " + quoteIdentifier(bytesTable_) + " (rowid) VALUES (?1)", {}, key);
        if (!inBytes.empty()) writeColumns(updateSql(bytesTable_, inBytes), inBytes, key);
    }
    writeLongBinaries(key);
    savepoint.release();

    if (adding_) {
        rereadRow(key, std::nullopt);
        cursor_ = rowCount() - 1;
        deleted_ = false;
    } else {
        rereadRow(key, static_cast<size_t>(cursor_));
    }
    discardEdit();
}

// Long binaries go in as zeroblob(n) and are then written through incremental blob I/O,
// so the engine never builds a second whole copy of a picture in memory.
std::optional<int64_t> Recordset::pendingLongBinarySize(size_t column) const {
    if (!pending_[column] || !columns_[column].longBinary) return std::nullopt;
    if (pendingFiles_[column]) return pendingFiles_[column]->size;
    if (pending_[column]->kind() == Value::Kind::Bytes) return static_cast<int64_t>(pending_[column]->bytes().size());
    return std::nullopt;
}

std::string Recordset::placeholder(size_t column, int index) const {
    const std::string parameter = "?" + std::to_string(index);
    return pendingLongBinarySize(column) ? "zeroblob(" + parameter + ")" : parameter;
}

std::string Recordset::updateSql(const std::string& table, const std::vector<size_t>& changed) const {
    std::string sets;
    for (size_t k = 0; k < changed.size(); ++k) {
        if (k) sets += ", ";
        sets += quoteIdentifier(columns_[changed[k]].name) + " = " + placeholder(changed[k], static_cast<int>(k) + 1);
    }
    return "UPDATE " + quoteIdentifier(table) + " SET " + sets + " WHERE rowid = ?" +
           std::to_string(changed.size() + 1);
}

void Recordset::writeColumns(const std::string& sql, const std::vector<size_t>& changed, std::optional<int64_t> key) {
    Statement write(db(), sql);
    for (size_t k = 0; k < changed.size(); ++k) {
        const int index = static_cast<int>(k) + 1;
        if (const auto size = pendingLongBinarySize(changed[k])) sqlite3_bind_int64(write.get(), index, *size);
        else bindValue(write.get(), index, *pending_[changed[k]]);
    }
    if (key) write.bind(static_cast<int>(changed.size()) + 1, *key);
    const int rc = write.run();
    if (rc != SQLITE_DONE) detail::raiseSqlite(db(), rc, "saving the row", duplicateNumber());
}

void Recordset::writeLongBinaries(int64_t key) {
    constexpr size_t kPiece = 16 << 20;
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (!pending_[c] || !columns_[c].longBinary || pending_[c]->kind() != Value::Kind::Bytes) continue;
        const PendingFile* file = pendingFiles_[c] ? &*pendingFiles_[c] : nullptr;
        const Bytes& bytes = pending_[c]->bytes();
        const int64_t total = file ? file->size : static_cast<int64_t>(bytes.size());
        if (total == 0) continue;
        sqlite3_blob* blob = nullptr;
        int rc = sqlite3_blob_open(db(), "main", storeOf(c).c_str(), columns_[c].name.c_str(), key, 1, &blob);
        std::unique_ptr<sys::FileReader> reader;
        Bytes piece;
        if (file && rc == SQLITE_OK) reader = std::make_unique<sys::FileReader>(file->path);
        for (int64_t at = 0; rc == SQLITE_OK && at < total; at += static_cast<int64_t>(kPiece)) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(kPiece, total - at));
            const uint8_t* data = bytes.data() + (file ? 0 : at);
            if (file) {
                piece.resize(n);
                if (reader->read(piece.data(), n) != n) {
                    sqlite3_blob_close(blob);
                    raiseDb(kErrEngine, "The file " + file->path + " changed while it was being stored.");
                }
                data = piece.data();
            }
            rc = sqlite3_blob_write(blob, data, static_cast<int>(n), static_cast<int>(at));
        }
        if (file && rc == SQLITE_OK && !reader->atEnd()) {
            sqlite3_blob_close(blob);
            raiseDb(kErrEngine, "The file " + file->path + " changed while it was being stored.");
        }
        const int closeRc = sqlite3_blob_close(blob);
        if (rc == SQLITE_OK) rc = closeRc;
        if (rc != SQLITE_OK) detail::raiseSqlite(db(), rc, "writing a long binary");
    }
}

void Recordset::rereadRow(int64_t key, std::optional<size_t> replaceAt) {
    Statement row(db(), rowSql_);
    row.bind(1, key);
    if (!row.step()) raiseDb(kErrEngine, "The saved row cannot be read back.");
    if (replaceAt) snapshot_.replace(*replaceAt, row.get());
    else snapshot_.append(row.get());
}

ListenerId Recordset::onWillMove(WillMoveListener listener) {
    willMove_.add(++lastListenerId_, std::move(listener));
    return lastListenerId_;
}

ListenerId Recordset::onMoveComplete(MoveCompleteListener listener) {
    moveComplete_.add(++lastListenerId_, std::move(listener));
    return lastListenerId_;
}

void Recordset::removeListener(ListenerId id) {
    willMove_.remove(id);
    moveComplete_.remove(id);
}

}  // namespace db
