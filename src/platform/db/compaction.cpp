#include "platform/db/compaction.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/db/connection.h"
#include "platform/db/encrypted_file.h"
#include "platform/db/errors.h"
#include "platform/db/sqlite_statement.h"
#include "platform/sys/files.h"
#include "platform/runtime/error.h"

namespace db {

namespace {

constexpr const char* kAlias = "compacted";

}  // namespace

void compactDatabase(const std::string& source, const std::string& destination, const std::string& password) {
    if (isConnectionOpen(source))
        raiseDb(kErrDatabaseInUse, "The catalogue '" + source +
                                       "' is in use; close every record set over it before compacting.");
    sqlite3* db = detail::openExisting(source, password);
    std::error_code ec;
    // Claim the name first (O_EXCL): an existing file is never overwritten, and the
    // source connection, which may not create files, can attach an empty one. The copy
    // becomes the catalogue: readable by the user alone, as the engine's journals beside
    // it then are too (they take the database file's mode).
    const int fd = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int err = errno;
        sqlite3_close_v2(db);
        if (err == EEXIST)
            throw runtime::Error(runtime::kErrFileAlreadyExists,
                                 "The compacted copy '" + destination + "' exists already.");
        raiseDb(kErrEngine, "Cannot create '" + destination + "': " + std::strerror(err));
    }
    ::close(fd);
    try {
        {
            detail::Statement attach(db, std::string("ATTACH DATABASE ?1 AS ") + kAlias + " KEY ?2");
            attach.bind(1, destination);
            attach.bind(2, password);
            const int rc = attach.run();
            if (rc != SQLITE_DONE) detail::raiseSqlite(db, rc, "creating the compacted copy");
        }
        detail::exec(db, std::string("PRAGMA ") + kAlias + ".cipher_page_size = " +
                             std::to_string(detail::kCipherPageSize));
        // The copy counts only once it is complete and flushed below; a cut-off copy is
        // thrown away whole, so it needs neither a journal nor syncs of its own.
        detail::exec(db, std::string("PRAGMA ") + kAlias + ".journal_mode = OFF");
        detail::exec(db, std::string("PRAGMA ") + kAlias + ".synchronous = OFF");
        detail::exec(db, std::string("SELECT sqlcipher_export('") + kAlias + "')");
        detail::exec(db, std::string("DETACH DATABASE ") + kAlias);
    } catch (...) {
        sqlite3_close_v2(db);
        std::filesystem::remove(destination, ec);
        std::filesystem::remove(destination + "-journal", ec);
        throw;
    }
    const int rc = sqlite3_close(db);
    if (rc != SQLITE_OK) raiseDb(kErrEngine, "Closing the catalogue after compaction failed.");
    detail::syncFile(destination);
    const auto folder = std::filesystem::absolute(destination).parent_path().string();
    sys::syncFolder(folder);
}

}  // namespace db
