#include "platform/db/encrypted_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/db/errors.h"
#include "platform/db/sqlite_statement.h"

namespace db::detail {

namespace {

// A plain SQLite file starts with these 16 bytes; an encrypted one starts with its salt.
constexpr char kPlainHeader[16] = "SQLite format 3";

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    raiseDb(kErrEngine, "Cannot open the catalogue '" + path + "': " + why);
}

void checkFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) refuse(path, "the file does not exist.");
    if (!std::filesystem::is_regular_file(status)) refuse(path, "it is not a file.");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) refuse(path, std::strerror(errno));
    char header[16] = {};
    const ssize_t n = ::read(fd, header, sizeof header);
    ::close(fd);
    // An empty file would be taken for a new database and filled on the first write.
    if (n <= 0) refuse(path, "the file is empty, not a catalogue.");
    if (n == 16 && std::memcmp(header, kPlainHeader, 16) == 0)
        refuse(path, "it is an unencrypted database, not a catalogue.");
}

sqlite3* openHandle(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        refuse(path, message);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    return db;
}

}  // namespace

void applyKey(sqlite3* db, const std::string& schema, const std::string& password) {
    const std::string prefix = schema == "main" ? "" : quoteIdentifier(schema) + ".";
    exec(db, "PRAGMA " + prefix + "key = " + quoteLiteral(password));
    exec(db, "PRAGMA " + prefix + "cipher_page_size = " + std::to_string(kCipherPageSize));
}

sqlite3* openExisting(const std::string& path, const std::string& password) {
    checkFile(path);
    sqlite3* db = openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    try {
        applyKey(db, "main", password);
        // Preparing reads the schema page, which a wrong key cannot decrypt.
        sqlite3_stmt* probe = nullptr;
        int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_step(probe);
        sqlite3_finalize(probe);
        if (rc != SQLITE_ROW) {
            const int code = sqlite3_errcode(db);
            if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
                raiseDb(kErrNotValidPassword,
                        "Not a valid password, or '" + path + "' is not a catalogue.");
            raiseSqlite(db, rc, "opening the catalogue '" + path + "'");
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

sqlite3* openNew(const std::string& path, const std::string& password) {
    if (std::filesystem::exists(path)) refuse(path, "a file of that name exists already.");
    sqlite3* db = openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    try {
        applyKey(db, "main", password);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

void syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) raiseDb(kErrEngine, "Cannot flush '" + path + "': " + std::strerror(errno));
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) raiseDb(kErrEngine, "Cannot flush '" + path + "': " + std::strerror(err));
}

}  // namespace db::detail
