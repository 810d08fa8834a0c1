#include "platform/db/sqlite_statement.h"

#include "platform/db/errors.h"

namespace db::detail {

bool isUniqueViolation(int extendedCode) {
    return extendedCode == SQLITE_CONSTRAINT_UNIQUE || extendedCode == SQLITE_CONSTRAINT_PRIMARYKEY;
}

void raiseSqlite(sqlite3* db, int rc, std::string_view doing, long duplicateNumber) {
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    if (duplicateNumber != 0 && isUniqueViolation(extended))
        raiseDb(duplicateNumber, kDuplicateValueDescription);
    if ((extended & 0xFF) == SQLITE_TOOBIG) raiseDb(kErrTooLarge, "The value is too large for the catalogue.");
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    raiseDb(kErrEngine, std::string(doing) + ": " + message);
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        raiseSqlite(db, rc, "preparing a statement");
    }
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    raiseSqlite(db_, rc, "reading the catalogue");
}

int Statement::run() {
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {}
    return rc;
}

void Statement::bind(int index, int64_t v) { sqlite3_bind_int64(stmt_, index, v); }

void Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Statement::bindNull(int index) { sqlite3_bind_null(stmt_, index); }

ScopedPragma::ScopedPragma(sqlite3* db, std::string name, std::string_view value, bool active)
    : name_(std::move(name)) {
    if (!active) return;
    {
        Statement current(db, "PRAGMA " + name_);
        if (!current.step()) return;
        previous_ = std::to_string(sqlite3_column_int64(current.get(), 0));
    }
    exec(db, "PRAGMA " + name_ + " = " + std::string(value));
    db_ = db;
}

ScopedPragma::~ScopedPragma() {
    if (db_) sqlite3_exec(db_, ("PRAGMA " + name_ + " = " + previous_).c_str(), nullptr, nullptr, nullptr);
}

std::string columnText(sqlite3_stmt* stmt, int column) {
    const unsigned char* t = sqlite3_column_text(stmt, column);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

void exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        raiseDb(kErrEngine, message);
    }
}

std::string quoteLiteral(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string quoteIdentifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace db::detail
