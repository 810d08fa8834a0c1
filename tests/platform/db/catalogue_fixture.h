#pragma once
// A small encrypted catalogue for the data layer's tests: a Pictures table shaped like
// the real one (long binary last), a Categories table with unique names, and Options.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/connection.h"
#include "platform/db/connection_string.h"
#include "platform/db/database_creation.h"
#include "platform/db/recordset.h"
#include "support/temp_folder.h"

namespace dbtest {

inline const std::string kPassword = "480517362904";

inline std::vector<std::string> testSchema() {
    return {
        "CREATE TABLE Pictures (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
        "PhotoDescription TEXT NOT NULL UNIQUE COLLATE NOCASE, Date DATE, Category TEXT, "
        "PhotoXtent TEXT, PhotoSize INTEGER, Notes TEXT, Photo BLOB)",
        "CREATE TABLE Categories (ID INTEGER PRIMARY KEY AUTOINCREMENT, Description TEXT UNIQUE COLLATE NOCASE)",
        "CREATE TABLE Options (F0 TEXT, F1 TEXT, F2 TEXT, F3 TEXT, F4 TEXT, F5 TEXT)",
        "INSERT INTO Options DEFAULT VALUES",
    };
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { db::createDatabase(path, kPassword, testSchema()); }

    std::string connectionString() const { return db::makeConnectionString(path, kPassword); }

    // Rows added through plain SQL, in the given order (so IDs follow it).
    void addPictures(const std::vector<std::string>& names, const std::string& category = "") {
        db::Connection c = db::Connection::openFile(path, kPassword);
        for (const auto& name : names) {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(c.handle(),
                               "INSERT INTO Pictures (PhotoDescription, Category, PhotoXtent, PhotoSize) "
                               "VALUES (?1, ?2, 'JPG', 0)",
                               -1, &stmt, nullptr);
            sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            if (category.empty()) sqlite3_bind_null(stmt, 2);
            else sqlite3_bind_text(stmt, 2, category.c_str(), -1, SQLITE_TRANSIENT);
            ASSERT_EQ(sqlite3_step(stmt), SQLITE_DONE) << sqlite3_errmsg(c.handle());
            sqlite3_finalize(stmt);
        }
    }

    std::shared_ptr<db::Recordset> open(const std::string& source,
                                        db::CursorLocation location = db::CursorLocation::Client) {
        auto rs = std::make_shared<db::Recordset>();
        rs->open(db::Connection::open(connectionString()), source, location);
        return rs;
    }

    // Names in the record set's order, from its first row; leaves it at EOF.
    static std::vector<std::string> names(db::Recordset& rs) {
        std::vector<std::string> out;
        if (rs.recordCount() == 0) return out;
        rs.moveFirst();
        for (; !rs.eof(); rs.moveNext()) out.push_back(rs.field("PhotoDescription").value().text());
        return out;
    }

    testsupport::TempFolder dir;
    std::string path = dir.file("Quillmere.mdb");
};

}  // namespace dbtest
