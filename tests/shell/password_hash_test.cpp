// The program password's stored form: a salted PBKDF2 hash behind a marker, compared
// through the hash; plain text from older catalogues compared exactly.

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <QByteArray>
#include <QStringList>

#include "shell/password_hash.h"
#include "shell/program_password.h"

namespace {

TEST(PasswordHash, TheProgramsCountMakesAHashThatFitsThePasswordFieldAndChecksOut) {
    const QString hash = Module1::HashPassword("Secret");
    EXPECT_TRUE(hash.startsWith("$pbkdf2-sha256$i=600000$")) << hash.toStdString();
    EXPECT_LE(hash.size(), Module1::kPasswordMaxLength);
    EXPECT_TRUE(Module1::PasswordMatchesStored(hash, "Secret"));

    // An independent derivation from the stored salt gives the stored hash.
    const QStringList parts = hash.split('$');
    ASSERT_EQ(parts.size(), 5);
    const QByteArray salt = QByteArray::fromBase64(parts[3].toLatin1());
    EXPECT_EQ(salt.size(), 16);
    unsigned char expected[32];
    ASSERT_EQ(PKCS5_PBKDF2_HMAC("Secret", 6, reinterpret_cast<const unsigned char*>(salt.constData()),
                                static_cast<int>(salt.size()), 600000, EVP_sha256(), 32, expected),
              1);
    EXPECT_EQ(QByteArray::fromBase64(parts[4].toLatin1()), QByteArray(reinterpret_cast<const char*>(expected), 32));
}

class PasswordHashes : public ::testing::Test {
protected:
    void SetUp() override { Module1::testing::setPasswordHashIterations(1000); }
    void TearDown() override { Module1::testing::setPasswordHashIterations(0); }
};

TEST_F(PasswordHashes, OnlyTheExactPasswordMatchesAndEverySaltIsNew) {
    const QString password = QString::fromUtf8("it's \"mine\" \xC3\xA9t\xC3\xA9");
    const QString hash = Module1::HashPassword(password);
    EXPECT_TRUE(Module1::IsPasswordHash(hash));
    EXPECT_FALSE(hash.contains(password));
    EXPECT_NE(Module1::HashPassword(password), hash) << "a new salt each time";
    EXPECT_TRUE(Module1::PasswordMatchesStored(hash, password));
    for (const QString& wrong : {password.toUpper(), password + " ", password.chopped(1), QString()})
        EXPECT_FALSE(Module1::PasswordMatchesStored(hash, wrong)) << wrong.toStdString();
}

TEST_F(PasswordHashes, PlainTextFromAnOlderCatalogueComparesExactly) {
    const struct { const char* stored; const char* typed; bool matches; } cases[] = {
        {"Secret", "Secret", true},
        {"Secret", "secret", false},
        {"Secret", "Secret ", false},
        {"", "", true},
        {"pbkdf2-sha256$i=1$AAAA$AAAA", "pbkdf2-sha256$i=1$AAAA$AAAA", true},  // no marker: plain text
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Module1::IsPasswordHash(c.stored)) << c.stored;
        EXPECT_EQ(Module1::PasswordMatchesStored(c.stored, c.typed), c.matches) << c.stored << " / " << c.typed;
    }
}

TEST_F(PasswordHashes, AHashThatCannotBeReadMatchesNothingNotEvenItsOwnText) {
    const QString good = Module1::HashPassword("Secret");
    const QStringList parts = good.split('$');
    const QString salt = parts[3], hash = parts[4];
    const QString damaged[] = {
        "$pbkdf2-sha256$",
        "$pbkdf2-sha256$i=1000$" + salt,
        "$pbkdf2-sha256$i=1000$" + salt + "$" + hash + "$",
        "$pbkdf2-sha256$n=1000$" + salt + "$" + hash,
        "$pbkdf2-sha256$i=0$" + salt + "$" + hash,
        "$pbkdf2-sha256$i=-5$" + salt + "$" + hash,
        "$pbkdf2-sha256$i=99999999999$" + salt + "$" + hash,  // would take hours
        "$pbkdf2-sha256$i=x$" + salt + "$" + hash,
        "$pbkdf2-sha256$i=1000$$" + hash,
        "$pbkdf2-sha256$i=1000$" + salt + "!$" + hash,
        "$pbkdf2-sha256$i=1000$" + salt + "$" + hash.left(20),
    };
    for (const QString& stored : damaged) {
        EXPECT_TRUE(Module1::IsPasswordHash(stored));
        EXPECT_FALSE(Module1::PasswordMatchesStored(stored, "Secret")) << stored.toStdString();
        EXPECT_FALSE(Module1::PasswordMatchesStored(stored, stored)) << stored.toStdString();
    }
    EXPECT_TRUE(Module1::PasswordMatchesStored(good, "Secret"));
}

}  // namespace
