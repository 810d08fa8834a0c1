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

template <typename T>
void put(std::vector<uint8_t>& out, T v) {
    const size_t at = out.size();
    out.resize(at + sizeof v);
    std::memcpy(out.data() + at, &v, sizeof v);
}

size_t cellLength(const uint8_t* p) {
    switch (p[0]) {
    case kInteger:
    case kReal: return 9;
    case kText:
    case kInlineBytes: return 5 + load<uint32_t>(p + 1);
    default: return 1;
    }
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

const uint8_t* Snapshot::encode(sqlite3_stmt* stmt) {
    scratch_.clear();
    const int64_t key = sqlite3_column_int64(stmt, 0);
    put<int64_t>(scratch_, key);
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int i = static_cast<int>(c) + 1;
        if (columns_[c].longBinary) {
            scratch_.push_back(kLongBinary);
            continue;
        }
        switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            if (columns_[c].key && sqlite3_column_int64(stmt, i) == key) {
                scratch_.push_back(kRowKey);
                break;
            }
            scratch_.push_back(kInteger);
            put<int64_t>(scratch_, sqlite3_column_int64(stmt, i));
            break;
        case SQLITE_FLOAT:
            scratch_.push_back(kReal);
            put<double>(scratch_, sqlite3_column_double(stmt, i));
            break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const bool text = sqlite3_column_type(stmt, i) == SQLITE_TEXT;
            const void* data = text ? static_cast<const void*>(sqlite3_column_text(stmt, i))
                                    : sqlite3_column_blob(stmt, i);
            const int n = sqlite3_column_bytes(stmt, i);
            scratch_.push_back(text ? kText : kInlineBytes);
            put<uint32_t>(scratch_, static_cast<uint32_t>(n));
            if (n > 0) {
                const size_t at = scratch_.size();
                scratch_.resize(at + static_cast<size_t>(n));
                std::memcpy(scratch_.data() + at, data, static_cast<size_t>(n));
            }
            break;
        }
        default: scratch_.push_back(kNull); break;
        }
    }
    uint8_t* at = place(scratch_.size());
    std::memcpy(at, scratch_.data(), scratch_.size());
    return at;
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
