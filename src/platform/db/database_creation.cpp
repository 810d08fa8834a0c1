#include "platform/db/database_creation.h"

#include <unistd.h>

#include <cctype>
#include <filesystem>

#include "platform/db/encrypted_file.h"
#include "platform/db/errors.h"
#include "platform/db/sqlite_statement.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"

namespace db {

void createDatabase(const std::string& path, const std::string& password, const std::vector<std::string>& schema) {
    if (schema.empty()) raiseDb(kErrBadArgument, "A new database needs at least one schema statement.");
    if (password.empty()) raiseDb(kErrBadArgument, "A new database needs a password.");
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw runtime::Error(runtime::kErrFileAlreadyExists, "The file '" + path + "' exists already.");

    const std::filesystem::path target(path);
    std::string name = ".";
    name += target.filename().string();
    name += ".new-";
    name += std::to_string(::getpid());
    const std::string temporary = (target.parent_path() / name).string();
    std::filesystem::remove(temporary, ec);
    sqlite3* db = nullptr;
    try {
        db = detail::openNew(temporary, password);
        detail::exec(db, "BEGIN");
        for (const auto& statement : schema) {
            // One statement per entry: a tail would run unseen otherwise.
            sqlite3_stmt* stmt = nullptr;
            const char* tail = nullptr;
            int rc = sqlite3_prepare_v2(db, statement.c_str(), -1, &stmt, &tail);
            if (rc == SQLITE_OK && stmt == nullptr) rc = SQLITE_MISUSE;
            if (rc == SQLITE_OK) {
                while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {}
                if (rc == SQLITE_DONE) rc = SQLITE_OK;
            }
            const std::string message = rc == SQLITE_OK ? "" : sqlite3_errmsg(db);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_OK)
                raiseDb(kErrSyntax, "The schema statement '" + statement + "' failed: " + message);
            for (const char* p = tail; p && *p; ++p)
                if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';')
                    raiseDb(kErrSyntax, "Give one schema statement per entry: '" + statement + "'.");
        }
        detail::exec(db, "COMMIT");
        if (sqlite3_close(db) != SQLITE_OK) raiseDb(kErrEngine, "Closing the new database failed.");
        db = nullptr;
        detail::syncFile(temporary);
        sys::renameFile(temporary, path);
    } catch (...) {
        if (db) sqlite3_close_v2(db);
        std::filesystem::remove(temporary, ec);
        std::filesystem::remove(temporary + "-journal", ec);
        throw;
    }
}

}  // namespace db
