#pragma once
// Catalogues in the layout of the earlier template, the pictures inside Pictures: the
// kept fixture tests/fixtures/catalogue/old-layout.mdb (make-old-layout-catalogue.sh
// makes it: records 1 "Sunset" 300 bytes, 2 "Cat's toy" 9000 bytes, 3 "empty" without a
// picture; 4 deleted) and larger ones grown from it. They are written through the engine
// directly, so that no open of the data layer moves them first.

#include <sqlcipher/sqlite3.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "catalogue_fixture.h"
#include "platform/db/encrypted_file.h"
#include "platform/db/value.h"
#include "support/test_environment.h"

namespace dbtest {

// Picture k of n bytes, as the fixture script makes them.
inline db::Bytes patternPicture(int k, size_t n) {
    db::Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((static_cast<size_t>(k) * 37 + i) % 256);
    return bytes;
}

inline std::string oldLayoutFixture() {
    return std::string(testsupport::fixturesFolder()) + "/catalogue/old-layout.mdb";
}

// A keyed engine handle on a catalogue file that moves nothing.
class RawCatalogue {
public:
    explicit RawCatalogue(const std::string& path) { db_ = db::detail::openExisting(path, kPassword); }
    ~RawCatalogue() { sqlite3_close_v2(db_); }
    RawCatalogue(const RawCatalogue&) = delete;
    RawCatalogue& operator=(const RawCatalogue&) = delete;
    sqlite3* get() const { return db_; }

    void exec(const std::string& sql) {
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
    }
    // The first column of the first row, as a number; nothing when the statement fails.
    std::optional<int64_t> number(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        std::optional<int64_t> out;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            out = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
        return out;
    }
    // "|ID|Name|...|", in the table's order.
    std::string columnNames(const std::string& table) {
        std::string names = "|";
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db_, ("PRAGMA table_info(\"" + table + "\")").c_str(), -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            names += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))) + "|";
        sqlite3_finalize(stmt);
        return names;
    }

private:
    sqlite3* db_ = nullptr;
};

// Bytes of extra record k (from 5 on): none for every tenth, else up to 40 KB.
inline std::optional<size_t> extraPictureSize(int k) {
    if (k % 10 == 0) return std::nullopt;
    return static_cast<size_t>(k) * 997 % 40000 + 1;
}

// The fixture with `extra` records more, "extra 5" onwards, pictures as patternPicture.
inline void makeOldLayoutCatalogue(const std::string& path, int extra) {
    std::filesystem::copy_file(oldLayoutFixture(), path);
    RawCatalogue raw(path);
    raw.exec("BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw.get(),
                       "INSERT INTO Pictures (ID, PhotoDescription, Category, PhotoXtent, PhotoSize, Photo) "
                       "VALUES (?1, ?2, ?3, 'BIN', ?4, ?5)",
                       -1, &insert, nullptr);
    for (int k = 5; k < 5 + extra; ++k) {
        const auto size = extraPictureSize(k);
        const db::Bytes picture = patternPicture(k, size.value_or(0));
        const std::string name = "extra " + std::to_string(k);
        sqlite3_bind_int(insert, 1, k);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, k % 2 ? "Holiday" : "Family", -1, SQLITE_STATIC);
        sqlite3_bind_int64(insert, 4, static_cast<int64_t>(picture.size()));
        if (size) sqlite3_bind_blob(insert, 5, picture.data(), static_cast<int>(picture.size()), SQLITE_TRANSIENT);
        else sqlite3_bind_null(insert, 5);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(raw.get());
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    raw.exec("COMMIT");
}

}  // namespace dbtest
