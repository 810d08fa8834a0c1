#include "platform/db/recordset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "platform/db/errors.h"
#include "platform/sys/files.h"
#include "support/error_number.h"
#include "support/noise_pictures.h"
#include "support/temp_folder.h"

namespace {

using db::kPositionBOF;
using db::kPositionEOF;
using db::kPositionUnknown;
using dbtest::CatalogueTest;

using testsupport::errorNumber;

class Recordsets : public CatalogueTest {};

TEST_F(Recordsets, PositionsAndMovesThroughBothEnds) {
    addPictures({"a", "b", "c"});
    auto rs = open("Select * from Pictures");
    EXPECT_EQ(rs->recordCount(), 3);
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_FALSE(rs->bof());

    rs->movePrevious();
    EXPECT_EQ(rs->absolutePosition(), kPositionBOF);
    EXPECT_TRUE(rs->bof());
    EXPECT_FALSE(rs->eof());
    EXPECT_EQ(errorNumber([&] { rs->movePrevious(); }), db::kErrNoCurrentRecord);
    EXPECT_EQ(errorNumber([&] { rs->field("PhotoDescription").value(); }), db::kErrNoCurrentRecord);
    rs->moveNext();
    EXPECT_EQ(rs->absolutePosition(), 1);

    rs->moveLast();
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->moveNext();
    EXPECT_EQ(rs->absolutePosition(), kPositionEOF);
    EXPECT_TRUE(rs->eof());
    try {
        rs->moveNext();
        FAIL() << "MoveNext at EOF must raise";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), db::kErrNoCurrentRecord);
        EXPECT_NE(e.description().find("BOF or EOF"), std::string::npos);
    }
    rs->movePrevious();
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "c");

    rs->setAbsolutePosition(2);
    EXPECT_EQ(rs->field("photodescription").value().text(), "b");
    for (long bad : {0L, 4L, -1L, -3L})
        EXPECT_EQ(errorNumber([&] { rs->setAbsolutePosition(bad); }), db::kErrBadArgument) << bad;
    EXPECT_EQ(rs->absolutePosition(), 2) << "a refused position set does not move";
}

TEST_F(Recordsets, EmptySetIsBothBofAndEofWithUnknownPosition) {
    auto rs = open("Select * from Pictures");
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_EQ(rs->absolutePosition(), kPositionUnknown);
    EXPECT_TRUE(rs->bof());
    EXPECT_TRUE(rs->eof());
    for (auto move : {&db::Recordset::moveFirst, &db::Recordset::moveLast, &db::Recordset::moveNext,
                      &db::Recordset::movePrevious})
        EXPECT_EQ(errorNumber([&] { ((*rs).*move)(); }), db::kErrNoCurrentRecord);
    EXPECT_FALSE(rs->find("ID=1"));
    EXPECT_EQ(rs->absolutePosition(), kPositionUnknown);
}

TEST_F(Recordsets, FieldsByNameAndPositionWithSchemaSpelling) {
    addPictures({"Sunset"}, "Travel");
    auto rs = open("Select ID,photodescription , Category from pictures");
    ASSERT_EQ(rs->fieldCount(), 3u);
    EXPECT_EQ(rs->field(1).name(), "PhotoDescription");
    EXPECT_EQ(rs->field(1).value().text(), "Sunset");
    EXPECT_EQ(rs->field("CATEGORY").value().text(), "Travel");
    EXPECT_EQ(rs->field("ID").value().kind(), db::Value::Kind::Integer);
    EXPECT_EQ(errorNumber([&] { rs->field("Photo"); }), db::kErrItemNotFound) << "not selected";
    EXPECT_EQ(errorNumber([&] { rs->field(3); }), db::kErrItemNotFound);
    EXPECT_EQ(errorNumber([&] { rs->field("ID").setValue(7); }), db::kErrFieldReadOnly);
}

TEST_F(Recordsets, UnsortedByKeySortedIgnoringCaseWithTiesByKey) {
    addPictures({"beta", "Alpha", "gamma", "alpha2", "Beta2"});
    auto plain = open("Select * from Pictures");
    EXPECT_EQ(names(*plain), (std::vector<std::string>{"beta", "Alpha", "gamma", "alpha2", "Beta2"}));
    auto sorted = open("select * FROM Pictures order by PhotoDescription");
    EXPECT_EQ(names(*sorted), (std::vector<std::string>{"Alpha", "alpha2", "beta", "Beta2", "gamma"}));

    // Same statement, same row at every position, also for equal sort keys.
    db::Connection c = db::Connection::openFile(path, dbtest::kPassword);
    sqlite3_exec(c.handle(), "UPDATE Pictures SET Category = 'same'", nullptr, nullptr, nullptr);
    auto byCategory1 = open("Select * from Pictures ORDER BY Category");
    auto byCategory2 = open("Select ID from Pictures ORDER BY Category");
    for (long p = 1; p <= 5; ++p) {
        byCategory1->setAbsolutePosition(p);
        byCategory2->setAbsolutePosition(p);
        EXPECT_EQ(byCategory1->field("ID").value(), byCategory2->field("ID").value());
        EXPECT_EQ(byCategory1->field("ID").value().integer(), p) << "ties are ordered by key";
    }
}

TEST_F(Recordsets, WhereValueIsBoundAndMayHoldApostrophes) {
    addPictures({"p1"}, "Tom's");
    addPictures({"p2"}, "Cats");
    addPictures({"p3"}, "x' OR '1'='1");
    addPictures({"p4"}, "cats");

    const int users = db::connectionUsers(path);
    auto apostrophe = open("Select * from Pictures where Category='Tom's'");
    EXPECT_EQ(names(*apostrophe), std::vector<std::string>{"p1"});

    auto injection = open("Select * from Pictures where Category='x' OR '1'='1' ORDER BY PhotoDescription");
    EXPECT_EQ(names(*injection), std::vector<std::string>{"p3"}) << "typed text never becomes SQL";

    auto caseless = open("Select ID,PhotoDescription from Pictures where Category = 'CATS' ORDER BY PhotoDescription");
    EXPECT_EQ(names(*caseless), (std::vector<std::string>{"p2", "p4"}));

    EXPECT_EQ(errorNumber([&] { open("Select * from Nowhere"); }), db::kErrNoSuchTable);
    EXPECT_EQ(errorNumber([&] { open("Select Nothing from Pictures"); }), db::kErrNoSuchColumn);
    EXPECT_EQ(errorNumber([&] { open("Select * from Pictures ORDER BY Nothing"); }), db::kErrNoSuchColumn);
    EXPECT_EQ(errorNumber([&] { open("Delete from Pictures"); }), db::kErrSyntax);
    EXPECT_EQ(db::connectionUsers(path), users + 3) << "a refused statement keeps no connection";
}

TEST_F(Recordsets, DatesReadBackAsDatesWithFourDigitYears) {
    addPictures({"d"});
    auto rs = open("Select * from Pictures");
    rs->field("Date").setValue(db::Date{2024, 2, 29});
    rs->update();
    auto again = open("Select * from Pictures");
    const db::Value v = again->field("Date").value();
    ASSERT_EQ(v.kind(), db::Value::Kind::Date);
    EXPECT_EQ(v.date(), (db::Date{2024, 2, 29}));
    EXPECT_EQ(v.text(), "2024-02-29");
    EXPECT_EQ(again->field("Date").actualSize(), 10);
}

TEST_F(Recordsets, PendingEditIsSavedByAMoveAndDroppedByRequeryOrCancel) {
    addPictures({"a", "b"});
    auto rs = open("Select * from Pictures");
    rs->field("Notes").setValue("kept by the move");
    EXPECT_TRUE(rs->editPending());
    EXPECT_EQ(rs->field("Notes").value().text(), "kept by the move") << "a pending value reads back";
    rs->moveNext();
    EXPECT_FALSE(rs->editPending());

    rs->field("Notes").setValue("dropped by requery");
    rs->requery();
    EXPECT_FALSE(rs->editPending());
    rs->setAbsolutePosition(2);
    EXPECT_TRUE(rs->field("Notes").value().isNull());
    rs->field("Notes").setValue("dropped by cancel");
    rs->cancelUpdate();
    EXPECT_TRUE(rs->field("Notes").value().isNull());
    rs->moveFirst();

    auto fresh = open("Select * from Pictures");
    EXPECT_EQ(fresh->field("Notes").value().text(), "kept by the move");
    fresh->moveNext();
    EXPECT_TRUE(fresh->field("Notes").value().isNull());
    EXPECT_EQ(fresh->field("Notes").actualSize(), 0);

    // Setting the position of the row that is already current is no move: the edit
    // stays pending and nothing is written.
    fresh->field("Notes").setValue("still pending");
    fresh->setAbsolutePosition(2);
    EXPECT_TRUE(fresh->editPending());
    fresh->cancelUpdate();
    auto again = open("Select * from Pictures");
    again->setAbsolutePosition(2);
    EXPECT_TRUE(again->field("Notes").value().isNull());
}

TEST_F(Recordsets, AddNewStandsLastAfterUpdateEvenWhenSorted) {
    addPictures({"m", "z"});
    for (const char* source : {"Select * from Pictures", "Select * from Pictures ORDER BY PhotoDescription"}) {
        SCOPED_TRACE(source);
        auto rs = open(source);
        rs->addNew();
        const std::string name = std::string("a-") + source;
        EXPECT_EQ(rs->absolutePosition(), rs->recordCount() + 1);
        EXPECT_TRUE(rs->field("PhotoDescription").value().isNull());
        rs->field("PhotoDescription").setValue(name);
        rs->update();
        EXPECT_FALSE(rs->isAddingNew());
        EXPECT_EQ(rs->absolutePosition(), rs->recordCount());
        EXPECT_EQ(rs->field("PhotoDescription").value().text(), name);
        EXPECT_GT(rs->field("ID").value().integer(), 2) << "the database assigns the key";
        rs->requery();
        if (rs->source().find("ORDER BY") != std::string::npos) {
            EXPECT_EQ(rs->field("PhotoDescription").value().text().substr(0, 2), "a-") << "sorted after requery";
        }
    }
}

TEST_F(Recordsets, CancelledAddNewReturnsToThePreviousRow) {
    addPictures({"a", "b"});
    auto rs = open("Select * from Pictures");
    rs->moveNext();
    rs->addNew();
    rs->field("PhotoDescription").setValue("never");
    rs->cancelUpdate();
    EXPECT_EQ(rs->absolutePosition(), 2);
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(names(*open("Select * from Pictures")), (std::vector<std::string>{"a", "b"}));
}

TEST_F(Recordsets, DeleteRemovesRowAndLeavesNoCurrentRowUntilAMove) {
    addPictures({"a", "b", "c"});
    auto rs = open("Select * from Pictures");
    rs->moveNext();
    rs->deleteCurrent();
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->absolutePosition(), kPositionUnknown);
    EXPECT_FALSE(rs->bof());
    EXPECT_FALSE(rs->eof());
    EXPECT_EQ(errorNumber([&] { rs->field("PhotoDescription").value(); }), db::kErrNoCurrentRecord);
    rs->moveNext();
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "c") << "the row that followed, none skipped";

    rs->deleteCurrent();
    rs->movePrevious();
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "a");
    rs->deleteCurrent();
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_TRUE(rs->bof() && rs->eof());
    EXPECT_EQ(open("Select * from Pictures")->recordCount(), 0);
}

TEST_F(Recordsets, DuplicateNameNumberDependsOnCursorLocation) {
    addPictures({"Taken"});
    struct Case {
        db::CursorLocation location;
        long number;
    };
    for (const Case c : {Case{db::CursorLocation::Server, -2147217887L}, Case{db::CursorLocation::Client, -2147467259L}}) {
        auto rs = open("Select * from Pictures", c.location);
        rs->addNew();
        rs->field("PhotoDescription").setValue("TAKEN");  // the unique index ignores case
        rs->field("Photo").appendChunk(db::Bytes(1000, 7));
        try {
            rs->update();
            FAIL() << "duplicate accepted";
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_NE(e.description().find("twice"), std::string::npos);
        }
        EXPECT_TRUE(rs->isAddingNew()) << "the failed edit stays pending";
        EXPECT_EQ(rs->field("PhotoDescription").value().text(), "TAKEN");
        rs->cancelUpdate();
        EXPECT_EQ(rs->recordCount(), 1);
    }
    // Nothing of the refused rows reached the file, the picture bytes (kept in a table of
    // their own, one row per record) included.
    db::Connection c = db::Connection::openFile(path, dbtest::kPassword);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(c.handle(), "SELECT (SELECT count(*) FROM Pictures), (SELECT count(Photo) FROM PictureBytes)",
                       -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 1);
    EXPECT_EQ(sqlite3_column_int(stmt, 1), 0);
    sqlite3_finalize(stmt);
}

TEST_F(Recordsets, DuplicateOnAnEditedRowAndOnAMoveKeepsTheEditPending) {
    addPictures({"one", "two"});
    auto rs = open("Select * from Pictures", db::CursorLocation::Server);
    rs->field("PhotoDescription").setValue("two");
    EXPECT_EQ(errorNumber([&] { rs->moveNext(); }), db::kErrDuplicateServer);
    EXPECT_EQ(rs->absolutePosition(), 1) << "the move did not happen";
    EXPECT_TRUE(rs->editPending());
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "two") << "the refused edit";
    EXPECT_EQ(rs->field("PhotoDescription").originalValue().text(), "one") << "what undoing it puts back";
    rs->cancelUpdate();
    rs->moveNext();
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "two");
}

TEST_F(Recordsets, FiftyMegabytePictureRoundTripsWithoutEnteringTheSnapshot) {
    db::Bytes picture(50u << 20);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (auto& b : picture) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        b = static_cast<uint8_t>(state >> 24);
    }
    const db::Bytes original = picture;

    auto rs = open("Select * from Pictures");
    rs->addNew();
    rs->field("PhotoDescription").setValue("big");
    rs->field("PhotoSize").setValue(static_cast<int64_t>(picture.size()));
    rs->field("Photo").appendChunk(std::move(picture));
    EXPECT_TRUE(picture.empty()) << "the bytes are taken over, not copied";
    EXPECT_EQ(rs->field("Photo").getChunk(4).size(), 4u) << "pending bytes read back";
    EXPECT_EQ(rs->field("Photo").getChunk(0).size(), 0u);
    rs->update();

    auto again = open("Select * from Pictures");
    EXPECT_LT(again->memoryBytes(), 1u << 20) << "the snapshot holds no picture";
    db::Field photo = again->field("Photo");
    EXPECT_TRUE(photo.isLongBinary());
    ASSERT_EQ(photo.actualSize(), static_cast<int64_t>(original.size()));
    const db::Bytes back = photo.getChunk(again->field("PhotoSize").value().integer());
    EXPECT_TRUE(back == original);
    const db::Bytes head = photo.getChunk(10);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), original.begin()));
}

TEST_F(Recordsets, FieldReadersGiveGetChunksBytesAPieceAtATime) {
    db::Bytes picture(3u << 20);
    uint32_t state = 7;
    for (auto& b : picture) b = testsupport::noiseByte(state);
    testsupport::TempFolder files;

    auto rs = open("Select * from Pictures");
    rs->addNew();
    rs->field("PhotoDescription").setValue("stored");
    rs->field("Photo").appendChunk(db::Bytes(picture));
    {
        // Pending, not yet saved: the reader gives what getChunk gives.
        db::FieldReader pending = rs->field("Photo").reader(100);
        ASSERT_EQ(pending.size(), 100);
        db::Bytes head(100);
        EXPECT_EQ(pending.readAt(0, head.data(), head.size()), 100u);
        EXPECT_TRUE(std::equal(head.begin(), head.end(), picture.begin()));
    }
    rs->update();
    rs->addNew();
    rs->field("PhotoDescription").setValue("no picture");
    rs->update();

    auto again = open("Select * from Pictures");
    db::FieldReader whole = again->field("Photo").reader(INT64_MAX);
    ASSERT_EQ(whole.size(), static_cast<int64_t>(picture.size()));
    // Pieces of an odd length from odd offsets, the last one cut at the end.
    db::Bytes back(picture.size());
    const size_t piece = 65537;
    for (size_t at = 3; at < back.size(); at += piece)
        EXPECT_EQ(whole.readAt(int64_t(at), back.data() + at, piece), std::min(piece, back.size() - at)) << at;
    whole.readAt(0, back.data(), 3);
    EXPECT_TRUE(back == picture);
    EXPECT_EQ(whole.readAt(int64_t(picture.size()), back.data(), 1), 0u) << "past the end";

    db::FieldReader first = again->field("Photo").reader(1000);
    EXPECT_EQ(first.size(), 1000) << "the count caps the bytes, as getChunk's does";
    const std::string copy = files.file("copy.bin");
    first.writeToFile(copy);
    EXPECT_EQ(sys::readFile(copy), again->field("Photo").getChunk(1000));
    whole.writeToFile(copy);
    EXPECT_TRUE(sys::readFile(copy) == picture);

    EXPECT_EQ(again->field("PhotoDescription").reader(3).size(), 3) << "a plain column's text";
    again->moveNext();
    db::FieldReader none = again->field("Photo").reader(INT64_MAX);
    EXPECT_EQ(none.size(), 0) << "a null long binary has no bytes";
    none.writeToFile(copy);
    EXPECT_EQ(sys::fileSize(copy), 0u);
    EXPECT_EQ(errorNumber([&] { again->field("Photo").reader(-1); }), db::kErrBadArgument);
}

// Enough rows for several of the snapshot's blocks, one text longer than a block, and
// every kind of value a loosely typed column may hold.
TEST_F(Recordsets, SnapshotKeepsEveryStoredKindAcrossManyBlocks) {
    constexpr int kRows = 3000;
    constexpr int kLongRow = 1503;
    const std::string longText(3u << 20, 'x');
    auto expectedSize = [](int i) -> db::Value {
        if (i % 3 == 0) return db::Value(int64_t{i} * 1000000007LL);
        if (i % 3 == 1) return db::Value(i + 0.25);
        return db::Value();
    };
    auto expectedNotes = [&](int i) -> db::Value {
        if (i % 4 == 0) return db::Value(db::Bytes{0, static_cast<uint8_t>(i), 0xFF});
        if (i % 4 == 1) return db::Value("note " + std::to_string(i));
        if (i % 4 == 2) return db::Value();
        return db::Value(i == kLongRow ? longText : std::string());
    };
    {
        db::Connection c = db::Connection::openFile(path, dbtest::kPassword);
        ASSERT_EQ(sqlite3_exec(c.handle(), "BEGIN", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(c.handle(), "INSERT INTO Pictures (PhotoDescription, PhotoSize, Notes) VALUES (?1, ?2, ?3)",
                           -1, &insert, nullptr);
        for (int i = 0; i < kRows; ++i) {
            const std::string name = "Row " + std::to_string(100000 + (i * 7) % kRows);
            sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            const db::Value size = expectedSize(i), notes = expectedNotes(i);
            if (size.kind() == db::Value::Kind::Integer) sqlite3_bind_int64(insert, 2, size.integer());
            else if (size.kind() == db::Value::Kind::Real) sqlite3_bind_double(insert, 2, size.real());
            else sqlite3_bind_null(insert, 2);
            if (notes.kind() == db::Value::Kind::Bytes)
                sqlite3_bind_blob(insert, 3, notes.bytes().data(), static_cast<int>(notes.bytes().size()),
                                  SQLITE_TRANSIENT);
            else if (notes.kind() == db::Value::Kind::Text)
                sqlite3_bind_text(insert, 3, notes.string().data(), static_cast<int>(notes.string().size()),
                                  SQLITE_TRANSIENT);
            else sqlite3_bind_null(insert, 3);
            ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(c.handle());
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        ASSERT_EQ(sqlite3_exec(c.handle(), "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    }

    auto rs = open("Select * from Pictures ORDER BY PhotoDescription");
    ASSERT_EQ(rs->recordCount(), kRows);
    EXPECT_GT(rs->memoryBytes(), longText.size());
    int checked = 0;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext(), ++checked) {
        const int i = static_cast<int>(rs->currentKey()) - 1;
        ASSERT_TRUE(i >= 0 && i < kRows);
        EXPECT_EQ(rs->field("ID").value(), db::Value(int64_t{i} + 1));
        EXPECT_EQ(rs->field("ID").actualSize(), 8);
        EXPECT_EQ(rs->field("PhotoDescription").value().text(), "Row " + std::to_string(100000 + (i * 7) % kRows));
        EXPECT_EQ(rs->field("PhotoSize").value(), expectedSize(i)) << "row " << i;
        const db::Value notes = expectedNotes(i);
        EXPECT_EQ(rs->field("Notes").value(), notes) << "row " << i;
        EXPECT_EQ(rs->field("Notes").actualSize(),
                  notes.kind() == db::Value::Kind::Bytes  ? static_cast<int64_t>(notes.bytes().size())
                  : notes.kind() == db::Value::Kind::Text ? static_cast<int64_t>(notes.string().size())
                                                          : 0);
    }
    EXPECT_EQ(checked, kRows);
}

TEST_F(Recordsets, LongBinaryFromAFileIsStoredWholeOrNotAtAll) {
    testsupport::TempFolder files;
    db::Bytes bytes(3u << 20);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
    const std::string path = files.file("video.bin");
    sys::writeFile(path, bytes);

    auto rs = open("Select * from Pictures");
    rs->addNew();
    rs->field("PhotoDescription").setValue("from a file");
    rs->field("Photo").appendChunkFromFile(path);
    EXPECT_EQ(rs->field("Photo").actualSize(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(rs->field("Photo").getChunk(5), db::Bytes(bytes.begin(), bytes.begin() + 5));
    rs->update();
    auto again = open("Select * from Pictures");
    EXPECT_TRUE(again->field("Photo").getChunk(INT64_MAX) == bytes);

    // A file that grows between the call and the save: the save fails and stores nothing.
    rs->addNew();
    rs->field("PhotoDescription").setValue("changing");
    rs->field("Photo").appendChunkFromFile(path);
    bytes.push_back(1);
    sys::writeFile(path, bytes);
    EXPECT_THROW(rs->update(), runtime::Error);
    rs->cancelUpdate();
    EXPECT_EQ(open("Select * from Pictures")->recordCount(), 1);
}

TEST_F(Recordsets, LongBinaryNullEmptyAndReplaced) {
    addPictures({"x"});
    auto rs = open("Select * from Pictures");
    db::Field photo = rs->field("Photo");
    EXPECT_EQ(photo.actualSize(), 0);
    EXPECT_TRUE(photo.getChunk(100).empty());
    EXPECT_TRUE(photo.value().isNull());
    EXPECT_EQ(errorNumber([&] { photo.setValue("text"); }), db::kErrBadArgument);
    EXPECT_EQ(errorNumber([&] { rs->field("Notes").appendChunk(db::Bytes{1}); }), db::kErrBadArgument);

    photo.appendChunk(db::Bytes{1, 2, 3});
    photo.appendChunk(db::Bytes{4});  // a second call in one edit appends
    rs->update();
    EXPECT_EQ(photo.getChunk(100), (db::Bytes{1, 2, 3, 4}));
    photo.appendChunk(db::Bytes{9});
    rs->update();
    EXPECT_EQ(photo.value(), db::Value(db::Bytes{9}));
}

TEST_F(Recordsets, FindForwardFromCurrentRowIgnoringCase) {
    addPictures({"Tom's cat", "dog", "Catalogue", "bird", "cat"});
    auto rs = open("Select * from Pictures");
    EXPECT_TRUE(rs->find("PhotoDescription like '*CAT*'"));
    EXPECT_EQ(rs->absolutePosition(), 1) << "the current row itself is searched";
    EXPECT_TRUE(rs->find("PhotoDescription like '*cat*'", 1));
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->moveNext();
    EXPECT_TRUE(rs->find("PhotoDescription like '*cat*'"));
    EXPECT_EQ(rs->absolutePosition(), 5);
    rs->moveNext();
    EXPECT_FALSE(rs->find("PhotoDescription like '*cat*'")) << "no wrap-around";
    EXPECT_EQ(rs->absolutePosition(), kPositionEOF);

    rs->moveFirst();
    EXPECT_TRUE(rs->find("ID = 4"));
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "bird");
    rs->moveFirst();
    EXPECT_TRUE(rs->find("PhotoDescription='tom's cat'"));
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_TRUE(rs->find("PhotoDescription like 'c?t'"));
    EXPECT_EQ(rs->absolutePosition(), 5);

    rs->moveLast();
    EXPECT_TRUE(rs->find("PhotoDescription like 'CAT*'", 1, db::SearchDirection::Backward));
    EXPECT_EQ(rs->absolutePosition(), 3);
    EXPECT_FALSE(rs->find("ID=99", 0, db::SearchDirection::Backward));
    EXPECT_EQ(rs->absolutePosition(), kPositionBOF);

    rs->setAbsolutePosition(2);
    for (const char* bad : {"ID=5abc", "PhotoDescription like cat", "Nope=1", "Photo like '*'", ""})
        EXPECT_EQ(errorNumber([&] { rs->find(bad); }), db::kErrBadArgument) << bad;
    EXPECT_EQ(rs->absolutePosition(), 2) << "a refused criterion does not move";
}

TEST_F(Recordsets, ClosedRecordsetRefusesEverythingAndReleasesItsConnection) {
    auto rs = open("Select * from Pictures");
    EXPECT_EQ(db::connectionUsers(path), 1);
    rs->close();
    EXPECT_EQ(db::connectionUsers(path), 0);
    EXPECT_EQ(errorNumber([&] { rs->recordCount(); }), db::kErrObjectClosed);
    EXPECT_EQ(errorNumber([&] { rs->moveFirst(); }), db::kErrObjectClosed);
}

}  // namespace
