#include "platform/db/connection.h"

#include <filesystem>
#include <map>
#include <mutex>

#include "platform/db/connection_string.h"
#include "platform/db/encrypted_file.h"
#include "platform/db/errors.h"
#include "platform/db/layout_move.h"

namespace db {

namespace detail {

struct SharedDatabase {
    sqlite3* db = nullptr;
    std::string key;       // registry key: the canonical path
    std::string path;      // absolute, as given
    std::string password;
    int users = 0;
};

}  // namespace detail

namespace {

using detail::SharedDatabase;

// Never destroyed: a Connection held by a static object (program-wide state) is
// closed during exit, possibly after a function-local static would already be gone.
std::mutex& registryMutex() {
    static auto* m = new std::mutex;
    return *m;
}

std::map<std::string, std::shared_ptr<SharedDatabase>>& registry() {
    static auto* r = new std::map<std::string, std::shared_ptr<SharedDatabase>>;
    return *r;
}

// Two spellings of one file (a symbolic link, "a/../b") must share one connection.
std::string canonical(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(path), ec);
    return ec ? std::filesystem::absolute(path).lexically_normal().string() : p.string();
}

void closeShared(SharedDatabase& shared) {
    if (shared.db) sqlite3_close_v2(shared.db);
    shared.db = nullptr;
}

}  // namespace

Connection::Connection(std::shared_ptr<SharedDatabase> shared) : shared_(std::move(shared)) {}

Connection::Connection(Connection&& other) noexcept : shared_(std::move(other.shared_)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        close();
        shared_ = std::move(other.shared_);
    }
    return *this;
}

Connection Connection::open(std::string_view connectionString) {
    const ConnectionString parsed = parseConnectionString(connectionString);
    return openFile(parsed.dataSource, parsed.password);
}

Connection Connection::openFile(const std::string& path, const std::string& password) {
    const std::string key = canonical(path);
    std::lock_guard lock(registryMutex());
    auto& entries = registry();
    if (auto it = entries.find(key); it != entries.end()) {
        if (it->second->password != password)
            raiseDb(kErrNotValidPassword, "Not a valid password, or '" + path + "' is not a catalogue.");
        ++it->second->users;
        return Connection(it->second);
    }
    auto shared = std::make_shared<SharedDatabase>();
    shared->db = detail::openExisting(path, password);
    try {
        detail::moveLongBinariesOut(shared->db);
    } catch (...) {
        closeShared(*shared);
        throw;
    }
    shared->key = key;
    shared->path = std::filesystem::absolute(path).string();
    shared->password = password;
    shared->users = 1;
    entries.emplace(key, shared);
    return Connection(std::move(shared));
}

Connection Connection::share() const {
    if (!isOpen()) raiseDb(kErrObjectClosed, "The connection is closed.");
    std::lock_guard lock(registryMutex());
    ++shared_->users;
    return Connection(shared_);
}

bool Connection::isOpen() const { return shared_ && shared_->db; }

sqlite3* Connection::handle() const {
    if (!isOpen()) raiseDb(kErrObjectClosed, "Operation is not allowed when the object is closed.");
    return shared_->db;
}

const std::string& Connection::path() const {
    static const std::string none;
    return shared_ ? shared_->path : none;
}

void Connection::close() {
    if (!shared_) return;
    std::lock_guard lock(registryMutex());
    if (shared_->db && --shared_->users == 0) {
        closeShared(*shared_);
        registry().erase(shared_->key);
    }
    shared_.reset();
}

bool isConnectionOpen(const std::string& path) { return connectionUsers(path) > 0; }

int connectionUsers(const std::string& path) {
    std::lock_guard lock(registryMutex());
    const auto it = registry().find(canonical(path));
    return it == registry().end() ? 0 : it->second->users;
}

void closeAllConnections(const std::string& path) {
    std::lock_guard lock(registryMutex());
    const auto it = registry().find(canonical(path));
    if (it == registry().end()) return;
    closeShared(*it->second);
    it->second->users = 0;
    registry().erase(it);
}

}  // namespace db
