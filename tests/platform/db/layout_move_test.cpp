#include "platform/db/layout_move.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "catalogue_fixture.h"
#include "old_layout_catalogue.h"
#include "platform/db/errors.h"
#include "platform/sys/files.h"

namespace {

using dbtest::kPassword;
using dbtest::patternPicture;
using dbtest::RawCatalogue;

class LayoutMove : public ::testing::Test {
protected:
    void TearDown() override { db::detail::setLayoutMoveHook({}); }

    std::shared_ptr<db::Recordset> open(const std::string& source) {
        auto rs = std::make_shared<db::Recordset>();
        rs->open(db::Connection::openFile(path, kPassword), source);
        return rs;
    }

    testsupport::TempFolder dir;
    std::string path = dir.file("Quillmere.mdb");
};

TEST_F(LayoutMove, TheKeptOldCatalogueMovesOnceKeepingEveryRecordByteForByte) {
    std::filesystem::copy_file(dbtest::oldLayoutFixture(), path);
    {
        auto rs = open("Select * from Pictures");
        ASSERT_EQ(rs->recordCount(), 3);
        ASSERT_EQ(rs->fieldCount(), 25u);
        EXPECT_EQ(rs->field(24).name(), "Photo") << "the bytes still stand last";
        EXPECT_EQ(rs->field("PhotoDescription").value().text(), "Sunset");
        EXPECT_EQ(rs->field("Date").value().text(), "2019-07-14");
        EXPECT_EQ(rs->field("Notes").value().text(), "first light");
        EXPECT_EQ(rs->field("Photo").getChunk(1000), patternPicture(1, 300));
        rs->moveNext();
        EXPECT_EQ(rs->field("PhotoDescription").value().text(), "Cat's toy");
        EXPECT_EQ(rs->field("Photo").actualSize(), 9000);
        EXPECT_EQ(rs->field("Photo").value().bytes(), patternPicture(2, 9000));
        rs->moveNext();
        EXPECT_TRUE(rs->field("Photo").value().isNull());
        EXPECT_EQ(rs->field("Photo").actualSize(), 0);

        // Key sequence and unique name index came along: a new record is number 5, and a
        // name taken in other letters is refused.
        rs->addNew();
        rs->field("PhotoDescription").setValue("new");
        rs->update();
        EXPECT_EQ(rs->field("ID").value().integer(), 5);
        rs->addNew();
        rs->field("PhotoDescription").setValue("SUNSET");
        EXPECT_THROW(rs->update(), runtime::Error);
        rs->cancelUpdate();
    }
    {
        RawCatalogue raw(path);
        EXPECT_EQ(raw.columnNames("Pictures").find("|Photo|"), std::string::npos);
        EXPECT_EQ(raw.columnNames("PictureBytes"), "|ID|Photo|");
        EXPECT_EQ(raw.number("SELECT count(*) FROM PictureBytes"), 4) << "one row per record";
        EXPECT_EQ(raw.number("SELECT count(*) FROM sqlite_master WHERE name IN ('PicturesByName', "
                             "'PicturesByCategory')"),
                  2);
        EXPECT_EQ(raw.number("SELECT count(*) FROM Categories"), 2);
        EXPECT_EQ(raw.number("SELECT count(*) FROM Options WHERE SortOption = 'Sort'"), 1);
    }
    const auto moved = sys::readFile(path);
    db::Connection::openFile(path, kPassword).close();
    EXPECT_EQ(sys::readFile(path), moved) << "a moved file is not moved again";
}

TEST_F(LayoutMove, AFailedMoveLeavesTheFileAsItWasAndSaysWhy) {
    const auto original = sys::readFile(dbtest::oldLayoutFixture());
    for (int failingStep : {1, 2}) {
        std::filesystem::remove(path);
        std::filesystem::copy_file(dbtest::oldLayoutFixture(), path);
        db::detail::setLayoutMoveHook([failingStep](int step) {
            if (step == failingStep) db::raiseDb(db::kErrEngine, "disk full");
        });
        try {
            db::Connection::openFile(path, kPassword);
            FAIL() << "the move did not fail";
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), db::kErrEngine);
            EXPECT_NE(e.description().find("Pictures"), std::string::npos) << e.description();
            EXPECT_NE(e.description().find("disk full"), std::string::npos) << e.description();
        }
        EXPECT_FALSE(db::isConnectionOpen(path));
        EXPECT_EQ(sys::readFile(path), original) << "step " << failingStep;
        EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
    }
    db::detail::setLayoutMoveHook({});
    EXPECT_EQ(open("Select * from Pictures")->recordCount(), 3);
}

TEST_F(LayoutMove, AFewHundredRecordsSurviveAKillDuringTheMoveAndMoveAtTheNextOpen) {
    constexpr int kExtra = 300;
    dbtest::makeOldLayoutCatalogue(path, kExtra);
    // The child must work on this very file: fork, do not re-run the test.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            db::detail::setLayoutMoveHook([](int step) {
                if (step == 2) ::_exit(3);
            });
            db::Connection::openFile(path, kPassword);
        },
        ::testing::ExitedWithCode(3), "");
    ASSERT_TRUE(std::filesystem::exists(path + "-journal")) << "the kill left the move unfinished";
    {
        // The old catalogue reads as it was; the engine undoes the cut-off move.
        RawCatalogue raw(path);
        EXPECT_NE(raw.columnNames("Pictures").find("|Photo|"), std::string::npos);
        EXPECT_EQ(raw.number("SELECT count(*) FROM Pictures"), 3 + kExtra);
        EXPECT_FALSE(raw.number("SELECT count(*) FROM PictureBytes"));
    }

    auto rs = open("Select * from Pictures");
    ASSERT_EQ(rs->recordCount(), 3 + kExtra);
    rs->setAbsolutePosition(4);
    for (int k = 5; k < 5 + kExtra; ++k, rs->moveNext()) {
        ASSERT_EQ(rs->field("PhotoDescription").value().text(), "extra " + std::to_string(k));
        const auto size = dbtest::extraPictureSize(k);
        const db::Value photo = rs->field("Photo").value();
        if (!size) EXPECT_TRUE(photo.isNull()) << k;
        else EXPECT_EQ(photo.bytes(), patternPicture(k, *size)) << k;
    }
    RawCatalogue raw(path);
    EXPECT_EQ(raw.columnNames("Pictures").find("|Photo|"), std::string::npos);
}

// Only a table with a single integer key can key a bytes table; a long binary named in a
// table constraint stays where the constraint can see it. Names may be quoted and hold
// commas, and comments may stand anywhere in a definition.
TEST_F(LayoutMove, MovesWhatItCanAndLeavesTheRestInTheirRows) {
    db::createDatabase(path, kPassword,
                       {"CREATE TABLE Odd_Things (ID INTEGER PRIMARY KEY, -- the key, (of course)\n"
                        "  \"Pic, big\" BLOB /* the picture, ( */, Name TEXT,"
                        "  Note TEXT CHECK (Note <> 'Pic, big'))",
                        "CREATE TABLE Pinned (ID INTEGER PRIMARY KEY, Data BLOB, UNIQUE (Data))",
                        "CREATE TABLE Loose (Name TEXT, Data BLOB)"});
    {
        RawCatalogue raw(path);
        raw.exec("INSERT INTO Odd_Things VALUES (7, x'0102', 'seven', 'n'); INSERT INTO Pinned VALUES (1, x'03');"
                 "INSERT INTO Loose VALUES ('a', x'04')");
    }
    auto odd = open("Select * from Odd_Things");
    std::vector<std::string> names;
    for (size_t i = 0; i < odd->fieldCount(); ++i) names.push_back(odd->field(i).name());
    EXPECT_EQ(names, (std::vector<std::string>{"ID", "Name", "Note", "Pic, big"})) << "long binaries stand last";
    EXPECT_EQ(odd->field("Pic, big").value().bytes(), (db::Bytes{1, 2}));
    EXPECT_EQ(odd->field("Note").value().text(), "n");
    EXPECT_EQ(open("Select * from Pinned")->field("Data").value().bytes(), db::Bytes{3});
    EXPECT_EQ(open("Select * from Loose")->field("Data").value().bytes(), db::Bytes{4});
    odd->close();

    RawCatalogue raw(path);
    EXPECT_EQ(raw.columnNames("Odd_ThingBytes"), "|ID|Pic, big|");
    EXPECT_EQ(raw.columnNames("Pinned"), "|ID|Data|");
    EXPECT_EQ(raw.number("SELECT count(*) FROM sqlite_master WHERE name IN ('PinnedBytes', 'LooseBytes')"), 0);
}

}  // namespace
