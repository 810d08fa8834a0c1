#include "platform/db/connection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "catalogue_fixture.h"
#include "platform/db/connection_string.h"
#include "platform/db/errors.h"
#include "platform/sys/files.h"
#include "support/error_number.h"

namespace {

using dbtest::CatalogueTest;
using dbtest::kPassword;

using testsupport::errorNumber;

TEST(ConnectionString, PairsInAnyOrderKeysIgnoringCase) {
    struct Case {
        const char* text;
        const char* source;
        const char* password;
    };
    const Case cases[] = {
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/p/Quillmere.mdb;Persist Security Info=False;"
         "Jet OLEDB:Database Password=480517362904",
         "/p/Quillmere.mdb", "480517362904"},
        {"jet oledb:database password=pw;DATA SOURCE = /a b/c.mdb ;provider=microsoft.jet.oledb.4.0;", "/a b/c.mdb",
         "pw"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/x;y/z.mdb\";Jet OLEDB:Database Password='a''b;c'",
         "/x;y/z.mdb", "a'b;c"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/q.mdb;Jet OLEDB:Database Password=a=b", "/q.mdb", "a=b"},
    };
    for (const auto& c : cases) {
        const auto parsed = db::parseConnectionString(c.text);
        EXPECT_EQ(parsed.dataSource, c.source) << c.text;
        EXPECT_EQ(parsed.password, c.password) << c.text;
    }
    // What we build parses back, even with awkward characters.
    for (const std::string source : {"/plain/Quillmere.mdb", "/semi;colon/ x.mdb", "\"quoted\""}) {
        const auto back = db::parseConnectionString(db::makeConnectionString(source, " p;w "));
        EXPECT_EQ(back.dataSource, source);
        EXPECT_EQ(back.password, " p;w ");
    }
}

TEST(ConnectionString, RefusesWhatItCannotUse) {
    EXPECT_EQ(errorNumber([] { db::parseConnectionString("Provider=SQLOLEDB;Data Source=/a;Jet OLEDB:Database Password=p"); }),
              db::kErrProviderNotFound);
    for (const char* bad : {
             "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=p",                 // no source
             "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a",                                 // no password
             "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a;Jet OLEDB:Database Password=",    // empty password
             "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a;Data Source=/b;Jet OLEDB:Database Password=p",
             "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a;Jet OLEDB:Database Password=p;Mode=Share",
             "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='/a;Jet OLEDB:Database Password=p",  // open quote
             "Provider=Microsoft.Jet.OLEDB.4.0;garbage;Data Source=/a;Jet OLEDB:Database Password=p",
         })
        EXPECT_EQ(errorNumber([&] { db::parseConnectionString(bad); }), db::kErrBadArgument) << bad;
}

class Connections : public CatalogueTest {};

TEST_F(Connections, FileIsEncryptedNotAPlainDatabase) {
    const auto bytes = sys::readFile(path);
    ASSERT_GE(bytes.size(), 4096u);
    EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(bytes.size() % 4096, 0u) << "4096-byte cipher pages";
}

TEST_F(Connections, WrongPasswordFailsAtOpenAndLeavesFileUntouched) {
    addPictures({"a"});
    const auto before = sys::readFile(path);
    for (const char* wrong : {"480517362905", "x", "' OR 1"}) {
        try {
            db::Connection::open(db::makeConnectionString(path, wrong));
            FAIL() << "opened with " << wrong;
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), db::kErrNotValidPassword);
            EXPECT_NE(e.description().find("password"), std::string::npos);
        }
    }
    EXPECT_EQ(sys::readFile(path), before);
    EXPECT_FALSE(db::isConnectionOpen(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no journal left";
}

TEST_F(Connections, ForeignOrMissingFilesAreRefusedAndNeverWritten) {
    struct Case {
        const char* name;
        std::string contents;
    };
    std::string random(8192, '\0');
    for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 131 + 7);
    const Case cases[] = {
        {"empty.mdb", ""},
        {"plain.mdb", std::string("SQLite format 3\0", 16) + std::string(4080, '\0')},
        {"random.mdb", random},
    };
    for (const auto& c : cases) {
        const auto file = dir.file(c.name);
        std::ofstream(file, std::ios::binary) << c.contents;
        EXPECT_NE(errorNumber([&] { db::Connection::openFile(file, kPassword); }), 0) << c.name;
        EXPECT_EQ(sys::readFile(file), std::vector<uint8_t>(c.contents.begin(), c.contents.end())) << c.name;
    }
    EXPECT_NE(errorNumber([&] { db::Connection::openFile(dir.file("missing.mdb"), kPassword); }), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdb"))) << "opening never creates";
}

TEST_F(Connections, OneSharedConnectionCountedByItsUsers) {
    EXPECT_EQ(db::connectionUsers(path), 0);
    db::Connection a = db::Connection::open(connectionString());
    // Another spelling of the same file joins the same connection.
    db::Connection b = db::Connection::openFile(dir.path() + "/./Quillmere.mdb", kPassword);
    EXPECT_EQ(a.handle(), b.handle());
    db::Connection c = a.share();
    EXPECT_EQ(db::connectionUsers(path), 3);
    EXPECT_EQ(errorNumber([&] { db::Connection::openFile(path, "other"); }), db::kErrNotValidPassword)
        << "a second user must know the password too";

    b.close();
    db::Connection moved = std::move(c);
    EXPECT_EQ(db::connectionUsers(path), 2);
    a.close();
    EXPECT_TRUE(db::isConnectionOpen(path));
    moved.close();
    EXPECT_FALSE(db::isConnectionOpen(path));
}

TEST_F(Connections, CloseAllLeavesUsersWithAClosedConnection) {
    auto rs = open("Select * from Pictures");
    db::Connection other = db::Connection::open(connectionString());
    db::closeAllConnections(path);
    EXPECT_FALSE(db::isConnectionOpen(path));
    EXPECT_FALSE(other.isOpen());
    EXPECT_EQ(errorNumber([&] { other.handle(); }), db::kErrObjectClosed);
    EXPECT_EQ(errorNumber([&] { rs->addNew(); rs->update(); }), db::kErrObjectClosed);
    rs.reset();
    other.close();
    // A later open starts a new shared connection.
    db::Connection again = db::Connection::open(connectionString());
    EXPECT_EQ(db::connectionUsers(path), 1);
}

TEST_F(Connections, ConnectionHeldByAStaticClosesCleanlyAtExit) {
    // A re-executed child, so the registry is made after the static that holds the
    // connection and static destruction would tear it down first.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string cs = connectionString();
    EXPECT_EXIT(
        {
            static std::unique_ptr<db::Connection> programWide;
            programWide = std::make_unique<db::Connection>(db::Connection::open(cs));
            std::exit(programWide->isOpen() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
