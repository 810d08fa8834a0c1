#include "platform/db/snapshot.h"

#include <cstring>
#include <string>

namespace db {

namespace {

enum Tag : uint8_t { kNull, kInteger, kReal, kText, kInlineBytes, kLongBinary };

constexpr size_t kBlockSize = 256 * 1024;

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

const uint8_t* Snapshot::cell(size_t row, size_t column) const {
    const uint8_t* p = rows_[row];
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
    default: return Value();
    }
}

int64_t Snapshot::storedSize(size_t row, size_t column) const {
    const uint8_t* p = cell(row, column);
    switch (p[0]) {
    case kInteger:
    case kReal: return 8;
    case kText:
    case kInlineBytes: return load<uint32_t>(p + 1);
    default: return 0;
    }
}

const uint8_t* Snapshot::encode(sqlite3_stmt* stmt) {
    scratch_.clear();
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int i = static_cast<int>(c) + 1;
        if (columns_[c].longBinary) {
            scratch_.push_back(kLongBinary);
            continue;
        }
        switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
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
    const size_t n = scratch_.size();
    if (blocks_.empty() || blockSize_ - blockUsed_ < n) {
        blockSize_ = n > kBlockSize ? n : kBlockSize;
        blocks_.push_back(std::make_unique_for_overwrite<uint8_t[]>(blockSize_));
        blockUsed_ = 0;
        arenaBytes_ += blockSize_;
    }
    uint8_t* at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, scratch_.data(), n);
    blockUsed_ += n;
    return at;
}

void Snapshot::append(sqlite3_stmt* stmt) {
    const uint8_t* row = encode(stmt);
    ids_.push_back(sqlite3_column_int64(stmt, 0));
    rows_.push_back(row);
}

void Snapshot::replace(size_t row, sqlite3_stmt* stmt) {
    // The old bytes stay in their block until the snapshot goes; edits are rare.
    rows_[row] = encode(stmt);
    ids_[row] = sqlite3_column_int64(stmt, 0);
}

void Snapshot::erase(size_t row) {
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(row));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
}

size_t Snapshot::memoryBytes() const {
    return arenaBytes_ + ids_.capacity() * sizeof(int64_t) + rows_.capacity() * sizeof(const uint8_t*) +
           blocks_.capacity() * sizeof(blocks_[0]);
}

}  // namespace db
