#pragma once
// Compaction: an encrypted copy of a catalogue without its free pages, made with the
// engine's export into an attached, keyed database.
//
// The source must have no open connection (isConnectionOpen); the caller closes its
// data controls first, as the windows do by unloading the main window. We refuse rather
// than close them behind their owners' backs. The destination must not exist. The
// result has the same tables, rows and password, 4096-byte cipher pages, is readable by
// the user alone (mode 0600) and is flushed to disk before the call returns; the
// source is left unchanged. Putting the copy in the catalogue's place is the caller's
// job (sys::renameFile, which flushes the folder). On failure a partial destination is
// removed and the error raised.

#include <string>

namespace db {

void compactDatabase(const std::string& source, const std::string& destination, const std::string& password);

}  // namespace db
