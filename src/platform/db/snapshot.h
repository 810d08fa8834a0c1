#pragma once
// The rows of a static record set: each row's integer key and its plain column values,
// packed one row after another into large blocks (a tag byte per column, then 8 bytes
// for a number or a 32-bit length and the bytes for a text). Long binaries are not
// stored, only marked, so a snapshot of 100,000 pictures holds no picture byte.
// About 16 bytes per row plus the values themselves.

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/db/value.h"

namespace db {

class Snapshot {
public:
    struct ColumnKind {
        bool longBinary = false;  // read on demand, by key
        bool date = false;        // ISO text read back as a Date
    };

    explicit Snapshot(std::vector<ColumnKind> columns = {}) : columns_(std::move(columns)) {}

    size_t size() const { return ids_.size(); }
    int64_t id(size_t row) const { return ids_[row]; }
    // A long-binary column reads as null here; the record set fetches it by key.
    Value value(size_t row, size_t column) const;
    // Bytes of a stored text (0 for null); numbers count 8.
    int64_t storedSize(size_t row, size_t column) const;

    // Reads the current row of stmt: column 0 is the key, columns 1.. the values.
    void append(sqlite3_stmt* stmt);
    void replace(size_t row, sqlite3_stmt* stmt);
    void erase(size_t row);

    // Bytes held, for the benchmark's memory figures.
    size_t memoryBytes() const;

private:
    const uint8_t* cell(size_t row, size_t column) const;
    const uint8_t* encode(sqlite3_stmt* stmt);

    std::vector<ColumnKind> columns_;
    std::vector<int64_t> ids_;
    std::vector<const uint8_t*> rows_;
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    size_t arenaBytes_ = 0;
    std::vector<uint8_t> scratch_;
};

}  // namespace db
