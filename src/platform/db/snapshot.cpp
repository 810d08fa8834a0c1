#include "platform/db/snapshot.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace db {

namespace {

enum Tag : uint8_t { kNull, kInteger, kReal, kText, kInlineBytes, kLongBinary, kRowKey };

// Before the cells of a row: its key.
constexpr size_t kKeyBytes = sizeof(int64_t);
// Each block four times the last, up to a huge page.
constexpr size_t kFirstBlockBytes = 16 * 1024;
// Row pointers: from this many bytes on, whole huge pages.
constexpr size_t kRowTableInHugePages = sys::kHugePageBytes / 4;

size_t roundUp(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit * unit; }

template <typename T>
T load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

size_t cellLength(uint8_t tag, uint32_t length) {
    switch (tag) {
    case kInteger:
    case kReal: return 9;
    case kText:
    case kInlineBytes: return 5 + size_t{length};
    default: return 1;
    }
}

size_t cellLength(const uint8_t* p) {
    return cellLength(p[0], p[0] == kText || p[0] == kInlineBytes ? load<uint32_t>(p + 1) : 0);
}

}  // namespace

int64_t Snapshot::id(size_t row) const { return load<int64_t>(rows_[row]); }

const uint8_t* Snapshot::cell(size_t row, size_t column) const {
    const uint8_t* p = rows_[row] + kKeyBytes;
    for (size_t c = 0; c < column; ++c) p += cellLength(p);
    return p;
}

Value Snapshot::value(size_t row, size_t column) const {
    const uint8_t* p = cell(row, column);
    switch (p[0]) {
    case kInteger: return Value(load<int64_t>(p + 1));
    case kReal: return Value(load<double>(p + 1));
    case kText: {
        const std::string_view text(reinterpret_cast<const char*>(p + 5), load<uint32_t>(p + 1));
        if (columns_[column].date)
            if (auto d = parseIsoDate(text)) return Value(*d);
        return Value(text);
    }
    case kInlineBytes: return Value(Bytes(p + 5, p + 5 + load<uint32_t>(p + 1)));
    case kRowKey: return Value(id(row));
    default: return Value();
    }
}

int64_t Snapshot::storedSize(size_t row, size_t column) const {
    const uint8_t* p = cell(row, column);
    switch (p[0]) {
    case kInteger:
    case kReal:
    case kRowKey: return 8;
    case kText:
    case kInlineBytes: return load<uint32_t>(p + 1);
    default: return 0;
    }
}

// Two passes over the row: its cells' kinds and lengths first, so that it is written once,
// straight into its block.
const uint8_t* Snapshot::encode(sqlite3_stmt* stmt) {
    const int64_t key = sqlite3_column_int64(stmt, 0);
    size_t bytes = kKeyBytes;
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int i = static_cast<int>(c) + 1;
        Cell& cell = cells_[c];
        cell.length = 0;
        const int type = columns_[c].longBinary ? SQLITE_NULL : sqlite3_column_type(stmt, i);
        switch (type) {
        case SQLITE_INTEGER:
            cell.tag = columns_[c].key && sqlite3_column_int64(stmt, i) == key ? kRowKey : kInteger;
            break;
        case SQLITE_FLOAT: cell.tag = kReal; break;
        case SQLITE_TEXT:
        case SQLITE_BLOB:
            cell.tag = type == SQLITE_TEXT ? kText : kInlineBytes;
            cell.length = static_cast<uint32_t>(sqlite3_column_bytes(stmt, i));
            break;
        default: cell.tag = columns_[c].longBinary ? kLongBinary : kNull; break;
        }
        bytes += cellLength(cell.tag, cell.length);
    }

    uint8_t* const row = place(bytes);
    std::memcpy(row, &key, sizeof key);
    uint8_t* out = row + kKeyBytes;
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int i = static_cast<int>(c) + 1;
        const Cell& cell = cells_[c];
        *out = cell.tag;
        if (cell.tag == kInteger) {
            const int64_t v = sqlite3_column_int64(stmt, i);
            std::memcpy(out + 1, &v, sizeof v);
        } else if (cell.tag == kReal) {
            const double v = sqlite3_column_double(stmt, i);
            std::memcpy(out + 1, &v, sizeof v);
        } else if (cell.tag == kText || cell.tag == kInlineBytes) {
            std::memcpy(out + 1, &cell.length, sizeof cell.length);
            const void* data = cell.tag == kText ? static_cast<const void*>(sqlite3_column_text(stmt, i))
                                                 : sqlite3_column_blob(stmt, i);
            if (cell.length > 0) std::memcpy(out + 5, data, cell.length);
        }
        out += cellLength(cell.tag, cell.length);
    }
    return row;
}

uint8_t* Snapshot::place(size_t bytes) {
    if (blocks_.empty() || blockSize_ - blockUsed_ < bytes) {
        size_t size = blocks_.empty() ? kFirstBlockBytes : std::min(blockSize_ * 4, sys::kHugePageBytes);
        if (bytes > size) size = bytes > sys::kHugePageBytes ? roundUp(bytes, sys::kHugePageBytes) : bytes;
        std::unique_ptr<uint8_t, BlockRelease> block(static_cast<uint8_t*>(sys::allocateBlock(size)), BlockRelease{size});
        blocks_.push_back(std::move(block));
        blockSize_ = size;
        blockUsed_ = 0;
        arenaBytes_ += size;
    }
    uint8_t* at = blocks_.back().get() + blockUsed_;
    blockUsed_ += bytes;
    return at;
}

// Grows the row table by doubling, in whole huge pages once it is large.
void Snapshot::makeRoomForRow() {
    if (rows_.size() < rows_.capacity()) return;
    size_t bytes = std::max<size_t>(rows_.capacity() * 2, 64) * sizeof(rows_[0]);
    if (bytes >= kRowTableInHugePages) bytes = roundUp(bytes, sys::kHugePageBytes);
    rows_.reserve(bytes / sizeof(rows_[0]));
}

void Snapshot::append(sqlite3_stmt* stmt) {
    makeRoomForRow();
    rows_.push_back(encode(stmt));
}

void Snapshot::replace(size_t row, sqlite3_stmt* stmt) {
    // The old bytes stay in their block until the snapshot goes; edits are rare.
    rows_[row] = encode(stmt);
}

void Snapshot::erase(size_t row) { rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row)); }

size_t Snapshot::memoryBytes() const {
    return arenaBytes_ + rows_.capacity() * sizeof(rows_[0]) + blocks_.capacity() * sizeof(blocks_[0]);
}

}  // namespace db
