#include "platform/db/compaction.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue_fixture.h"
#include "platform/db/errors.h"
#include "platform/sys/files.h"

namespace {

using dbtest::CatalogueTest;
using dbtest::kPassword;

class Compaction : public CatalogueTest {
protected:
    // 40 rows of 64 KB pictures; every other one deleted leaves free pages behind.
    void fillAndThinOut() {
        auto rs = open("Select * from Pictures");
        for (int i = 0; i < 40; ++i) {
            rs->addNew();
            rs->field("PhotoDescription").setValue("p" + std::to_string(i));
            rs->field("Photo").appendChunk(db::Bytes(64 * 1024, static_cast<uint8_t>(i)));
            rs->update();
        }
        rs->moveFirst();
        while (!rs->eof()) {
            rs->deleteCurrent();
            rs->moveNext();
            if (!rs->eof()) rs->moveNext();
        }
    }
    std::string copy = dir.file("QuillmereC.mdb");
};

TEST_F(Compaction, KeepsEveryRowDropsFreeSpaceAndLeavesTheSourceAlone) {
    fillAndThinOut();
    const auto before = sys::readFile(path);
    db::compactDatabase(path, copy, kPassword);
    EXPECT_EQ(sys::readFile(path), before);
    EXPECT_LT(sys::fileSize(copy), before.size() * 6 / 10);

    const auto bytes = sys::readFile(copy);
    EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 16), std::string("SQLite format 3\0", 16));
    EXPECT_THROW(db::Connection::openFile(copy, "wrong"), runtime::Error);

    auto rs = std::make_shared<db::Recordset>();
    rs->open(db::Connection::openFile(copy, kPassword), "Select * from Pictures");
    ASSERT_EQ(rs->recordCount(), 20);
    for (long p = 1; p <= 20; ++p) {
        rs->setAbsolutePosition(p);
        const int i = 2 * static_cast<int>(p) - 1;
        EXPECT_EQ(rs->field("PhotoDescription").value().text(), "p" + std::to_string(i));
        EXPECT_EQ(rs->field("Photo").getChunk(1 << 20), db::Bytes(64 * 1024, static_cast<uint8_t>(i)));
    }
    // The unique index came along.
    rs->addNew();
    rs->field("PhotoDescription").setValue("P1");
    EXPECT_THROW(rs->update(), runtime::Error);
}

TEST_F(Compaction, RefusesAnOpenSourceAnExistingDestinationAndAWrongPassword) {
    {
        auto rs = open("Select * from Pictures");
        try {
            db::compactDatabase(path, copy, kPassword);
            FAIL();
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), db::kErrDatabaseInUse);
        }
    }
    sys::writeFile(copy, std::vector<uint8_t>{1, 2, 3});
    EXPECT_THROW(db::compactDatabase(path, copy, kPassword), runtime::Error);
    EXPECT_EQ(sys::readFile(copy), (std::vector<uint8_t>{1, 2, 3})) << "an existing file is never overwritten";
    sys::deleteFile(copy);

    const auto before = sys::readFile(path);
    EXPECT_THROW(db::compactDatabase(path, copy, "wrong"), runtime::Error);
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_EQ(sys::readFile(path), before);
}

TEST(DatabaseCreation, MakesAnEncryptedFileFromSchemaStatementsOrNothing) {
    testsupport::TempFolder dir;
    const auto path = dir.file("template.mdb");
    db::createDatabase(path, "pw", dbtest::testSchema());
    auto rs = std::make_shared<db::Recordset>();
    rs->open(db::Connection::openFile(path, "pw"), "Select * from Options");
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->fieldCount(), 6u);
    rs->close();
    EXPECT_THROW(db::createDatabase(path, "pw", dbtest::testSchema()), runtime::Error) << "never over a file";

    const auto bad = dir.file("bad.mdb");
    for (const std::vector<std::string>& schema : {
             std::vector<std::string>{},
             std::vector<std::string>{"CREATE TABLE A (x)", "CREATE TABLE oops ("},
             std::vector<std::string>{"CREATE TABLE A (x); CREATE TABLE B (y)"},
         }) {
        EXPECT_THROW(db::createDatabase(bad, "pw", schema), runtime::Error);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no file left behind";
    }
}

}  // namespace
