#pragma once
// A prepared statement that finalizes itself, and the translation of engine result
// codes into runtime::Error. Internal to the data layer.

#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace db::detail {

// Raises kErrEngine (or the duplicate number when the code is a unique-key violation
// and duplicateNumber is given) with the engine's message and what we were doing.
[[noreturn]] void raiseSqlite(sqlite3* db, int rc, std::string_view doing, long duplicateNumber = 0);

bool isUniqueViolation(int extendedCode);

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    // True while a row is ready; raises on errors.
    bool step();
    // Runs to completion; returns the result code for callers that translate it themselves.
    int run();
    void reset() { sqlite3_reset(stmt_); }

    void bind(int index, int64_t v);
    void bind(int index, std::string_view text);
    void bindNull(int index);

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Sets a pragma of the connection for its own lifetime and then puts back the value it
// found (inactive: does nothing).
class ScopedPragma {
public:
    ScopedPragma(sqlite3* db, std::string name, std::string_view value, bool active = true);
    ~ScopedPragma();
    ScopedPragma(const ScopedPragma&) = delete;
    ScopedPragma& operator=(const ScopedPragma&) = delete;

private:
    sqlite3* db_ = nullptr;
    std::string name_;
    std::string previous_;
};

// A result column as text; empty for null.
std::string columnText(sqlite3_stmt* stmt, int column);

// Runs statements without results (pragmas, BEGIN, COMMIT).
void exec(sqlite3* db, const std::string& sql);

// An SQL string literal: quotes doubled, so any text stays one literal.
std::string quoteLiteral(std::string_view text);
// An identifier in double quotes; callers pass only names the parsers accepted.
std::string quoteIdentifier(std::string_view name);

}  // namespace db::detail
