#pragma once
// Opening and creating the encrypted database files. Every open keys the file with its
// password, sets 4096-byte cipher pages right after the key, and reads the schema once
// so that a wrong password or a foreign file fails here, before anyone writes to it.
// Internal to the data layer.

#include <sqlcipher/sqlite3.h>

#include <string>

namespace db::detail {

inline constexpr int kCipherPageSize = 4096;

// An existing catalogue, read-write. Never creates a file and writes nothing while
// opening. Raises kErrNotValidPassword for a wrong password (or a file that is not
// ours) and kErrEngine for a missing, empty or unencrypted file.
sqlite3* openExisting(const std::string& path, const std::string& password);

// A new, empty encrypted file at a path that must not exist yet.
sqlite3* openNew(const std::string& path, const std::string& password);

// Sets the key and the page size of an attached or main schema.
void applyKey(sqlite3* db, const std::string& schema, const std::string& password);

// Flushes a file's bytes to disk.
void syncFile(const std::string& path);

}  // namespace db::detail
