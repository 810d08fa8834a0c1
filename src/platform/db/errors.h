#pragma once
// Error numbers of the catalogue's data layer. The windows test a few of them (the two
// duplicate-name numbers above all); the rest follow the numbering of the data
// components the windows were written against, so a message box shows a familiar code.

#include <string>

#include "platform/runtime/error.h"

namespace db {

enum DbErrorNumber : long {
    kErrBadArgument = 3001,           // out-of-range position, malformed find criterion
    kErrNoCurrentRecord = 3021,       // BOF or EOF, or the current row was deleted
    kErrItemNotFound = 3265,          // no field of that name or ordinal
    kErrObjectClosed = 3704,          // record set or connection not open
    kErrProviderNotFound = 3706,      // connection string names another provider
    kErrFieldReadOnly = 3640,         // the integer key the database assigns
    kErrDatabaseInUse = 3356,         // compaction while a connection is open
    kErrTooLarge = 3047,              // a value longer than the engine stores
    kErrDuplicateServer = -2147217887,  // 0x80040E21, server-side record sets
    kErrDuplicateClient = -2147467259,  // 0x80004005, client-side record sets
    kErrEngine = -2147467259,           // 0x80004005, any other engine failure
    kErrSyntax = -2147217900,           // 0x80040E14, a statement we do not understand
    kErrNoSuchTable = -2147217865,      // 0x80040E37
    kErrNoSuchColumn = -2147217904,     // 0x80040E10
    kErrNotValidPassword = -2147217843, // 0x80040E4D: wrong key, or not a catalogue at all
};

extern const char* const kDuplicateValueDescription;

// A save refused because a unique column already holds the value, under either
// cursor location's number.
bool isDuplicateValue(const runtime::Error& error);

[[noreturn]] void raiseDb(long number, const std::string& description);
[[noreturn]] void raiseNoCurrentRecord();

}  // namespace db
