#include "shell/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <QByteArray>
#include <QStringList>

#include "platform/runtime/error.h"
#include "shell/program_password.h"

namespace Module1 {

namespace {

constexpr char kMarker[] = "$pbkdf2-sha256$";
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
// A hash read from a catalogue may carry any count; beyond this one a log-in would
// seem to hang, so such a hash is not read.
constexpr long kMostIterations = 10'000'000;

int g_iterations = kPasswordHashIterations;

constexpr int base64Length(int bytes) { return (bytes * 4 + 2) / 3; }
constexpr int decimalDigits(long n) { return n < 10 ? 1 : 1 + decimalDigits(n / 10); }
// The stored text fits the password field, which takes what the password boxes take.
static_assert(sizeof kMarker - 1 + 2 + decimalDigits(kPasswordHashIterations) + 1 + base64Length(kSaltBytes) + 1 +
                  base64Length(kHashBytes) <= kPasswordMaxLength);

constexpr auto kBase64 = QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals;

QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    const QByteArray utf8 = password.toUtf8();
    QByteArray hash(kHashBytes, '\0');
    if (PKCS5_PBKDF2_HMAC(utf8.constData(), static_cast<int>(utf8.size()),
                          reinterpret_cast<const unsigned char*>(salt.constData()), static_cast<int>(salt.size()),
                          iterations, EVP_sha256(), kHashBytes, reinterpret_cast<unsigned char*>(hash.data())) != 1)
        throw runtime::Error(runtime::kErrInvalidProcedureCall, "The password could not be hashed.");
    return hash;
}

bool decodeBase64(const QString& text, QByteArray& bytes) {
    const auto result = QByteArray::fromBase64Encoding(text.toLatin1(), kBase64 | QByteArray::AbortOnBase64DecodingErrors);
    if (!result) return false;
    bytes = result.decoded;
    return true;
}

}  // namespace

QString HashPassword(const QString& password) {
    QByteArray salt(kSaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltBytes) != 1)
        throw runtime::Error(runtime::kErrInvalidProcedureCall, "No random salt for the password could be made.");
    const QByteArray hash = derive(password, salt, g_iterations);
    return QLatin1String(kMarker) + "i=" + QString::number(g_iterations) + "$" + QString::fromLatin1(salt.toBase64(kBase64)) +
           "$" + QString::fromLatin1(hash.toBase64(kBase64));
}

bool IsPasswordHash(const QString& stored) { return stored.startsWith(QLatin1String(kMarker)); }

bool PasswordMatchesStored(const QString& stored, const QString& typed) {
    if (!IsPasswordHash(stored)) return stored == typed;
    // "", "pbkdf2-sha256", "i=<n>", salt, hash
    const QStringList parts = stored.split('$');
    if (parts.size() != 5 || !parts[2].startsWith("i=")) return false;
    bool isNumber = false;
    const long iterations = parts[2].mid(2).toLong(&isNumber);
    if (!isNumber || iterations < 1 || iterations > kMostIterations) return false;
    QByteArray salt, hash;
    if (!decodeBase64(parts[3], salt) || !decodeBase64(parts[4], hash)) return false;
    if (salt.isEmpty() || hash.size() != kHashBytes) return false;
    const QByteArray typedHash = derive(typed, salt, static_cast<int>(iterations));
    return CRYPTO_memcmp(typedHash.constData(), hash.constData(), kHashBytes) == 0;
}

namespace testing {
void setPasswordHashIterations(int iterations) {
    g_iterations = iterations > 0 ? iterations : kPasswordHashIterations;
}
}  // namespace testing

}  // namespace Module1
