#pragma once
// The program password as the catalogue keeps it: a salted, slow hash, so that the
// password cannot be read out of a catalogue whose key every copy of the program holds.
//
// Stored text: "$pbkdf2-sha256$i=<iterations>$<salt>$<hash>", PBKDF2-HMAC-SHA256 over
// the password's UTF-8 bytes with a random 16-byte salt, giving 32 bytes; salt and hash
// in base64 without padding. The leading marker tells it from a password that an older
// catalogue holds as plain text. The count travels with each hash, so a later count
// still reads the hashes made before it.

#include <QString>

namespace Module1 {

// 600,000 iterations: about 0.15 s per log-in on a desktop machine, the count current
// guidance sets for PBKDF2-HMAC-SHA256.
inline constexpr int kPasswordHashIterations = 600000;

// The stored text for a non-empty password, with a new salt each time. Raises
// runtime::Error when no random salt or hash can be made.
QString HashPassword(const QString& password);

// Whether stored text is a hash (carries the marker) rather than a plain password.
bool IsPasswordHash(const QString& stored);

// Whether typed text is the password that `stored` holds: through the hash, or by exact
// comparison with a plain password (same characters, same case, same length). A hash
// that cannot be read matches nothing. Raises runtime::Error when no hash can be made.
bool PasswordMatchesStored(const QString& stored, const QString& typed);

namespace testing {
// Hashes made from now on use this count (0 restores the program's); hashes already
// made keep theirs. The sanitizers make each iteration costly in the tests.
void setPasswordHashIterations(int iterations);
}  // namespace testing

}  // namespace Module1
