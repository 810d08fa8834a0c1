#pragma once
// The rows of a static record set: each row's integer key and its plain column values,
// packed one row after another into blocks (the key's 8 bytes, then a tag byte per
// column, then 8 bytes for a number or a 32-bit length and the bytes for a text). Long
// binaries are not stored, only marked, so a snapshot of 100,000 pictures holds no
// picture byte. About 16 bytes per row plus the values themselves.
//
// Blocks start small and double up to whole huge pages (sys/memory.h): a snapshot of a
// few rows takes a few kilobytes, one of 100,000 rows is written into memory that costs
// one page fault per 2 MiB.

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/db/value.h"
#include "platform/sys/memory.h"

namespace db {

class Snapshot {
public:
    struct ColumnKind {
        bool longBinary = false;  // read on demand, by key
        bool date = false;        // ISO text read back as a Date
        bool key = false;         // the table's integer key: the row's key again
    };

    explicit Snapshot(std::vector<ColumnKind> columns = {}) : columns_(std::move(columns)), cells_(columns_.size()) {}

    size_t size() const { return rows_.size(); }
    int64_t id(size_t row) const;
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
    // A row's cell while it is encoded: its tag and a text's or byte string's length.
    struct Cell {
        uint8_t tag = 0;
        uint32_t length = 0;
    };
    struct BlockRelease {
        size_t bytes = 0;
        void operator()(uint8_t* block) const noexcept { sys::releaseBlock(block, bytes); }
    };

    const uint8_t* cell(size_t row, size_t column) const;
    const uint8_t* encode(sqlite3_stmt* stmt);
    uint8_t* place(size_t bytes);
    void makeRoomForRow();

    std::vector<ColumnKind> columns_;
    std::vector<const uint8_t*, sys::BlockAllocator<const uint8_t*>> rows_;
    std::vector<std::unique_ptr<uint8_t, BlockRelease>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    size_t arenaBytes_ = 0;
    std::vector<Cell> cells_;
};

}  // namespace db
