#pragma once
// The program password as the log-in and password windows reach it: field 2 of the
// Options row, through the main window's Options data control, kept as a hash. It is the
// user's own password and has nothing to do with the database password, which never
// changes.

#include <QString>

#include "platform/db/recordset.h"

namespace Module1 {

// The longest password either password box takes.
inline constexpr int kPasswordMaxLength = 100;

// Puts the main window's Options record set on its one row and returns the password
// field (loading the main window when it is not loaded).
db::Field ProgramPasswordField();

// A password is stored when the field holds at least one character; Null or "" is none.
bool PasswordStored(const db::Field& field);

// Whether typed text is the stored password (password_hash.h): through its hash, or
// exactly, as an older catalogue holds it in plain text. Null reads as "".
bool PasswordMatches(const db::Field& field, const QString& typed);

// Whether the field holds a password in plain text, as an older catalogue does.
bool PasswordStoredInPlainText(const db::Field& field);

// Stores the hash of a password in the field, or no value for "", and saves the
// Options row at once. When the save fails the field gets its earlier value back, so
// that no later save of the row stores the refused one, and the error is raised.
void StoreProgramPassword(db::Field& field, const QString& password);

}  // namespace Module1
