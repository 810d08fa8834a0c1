#pragma once
// Connections to catalogue files. Deriving the key costs tens of milliseconds, so all
// users of one file share one engine connection. A Connection object is one user: the
// shared connection opens with the first user and closes when the last one goes.
//
// Single-threaded like the windows that use it; the registry is guarded anyway so a
// benchmark or test thread cannot corrupt it.

#include <sqlcipher/sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace db {

namespace detail {
struct SharedDatabase;
}

class Connection {
public:
    Connection() = default;
    ~Connection() { close(); }
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Parses the connection string (connection_string.h) and joins or opens the shared
    // connection. A file already open under another password is refused as a wrong
    // password would be.
    static Connection open(std::string_view connectionString);
    static Connection openFile(const std::string& path, const std::string& password);

    // Another user of the same shared connection.
    Connection share() const;

    // False before open, after close() and after closeAllConnections() on its file.
    bool isOpen() const;
    // The engine connection; raises kErrObjectClosed when not open.
    sqlite3* handle() const;
    // The file as given to open (made absolute).
    const std::string& path() const;
    // Drops this user; the last one closes the shared connection.
    void close();

private:
    explicit Connection(std::shared_ptr<detail::SharedDatabase> shared);
    std::shared_ptr<detail::SharedDatabase> shared_;
};

// Whether any shared connection to the file is open (a compaction must see none).
bool isConnectionOpen(const std::string& path);
// Users of the file's shared connection; 0 when none is open.
int connectionUsers(const std::string& path);
// Closes the file's shared connection now, whatever its users; they see it closed
// (kErrObjectClosed) from then on.
void closeAllConnections(const std::string& path);

}  // namespace db
