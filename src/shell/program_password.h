#pragma once
// The program password as the log-in and password windows reach it: field 2 of the
// Options row, through the main window's Options data control. It is the user's own
// password and has nothing to do with the database password, which never changes.

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

// Whether typed text is the stored password: same characters, same case, same length.
// Null reads as "".
bool PasswordMatches(const db::Field& field, const QString& typed);

}  // namespace Module1
