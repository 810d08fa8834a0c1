// Record sets over a table whose pictures live in its bytes table: what the windows see
// is the same as ever; what the file sees is a record's fields and its bytes apart.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "catalogue_fixture.h"
#include "old_layout_catalogue.h"
#include "platform/db/compaction.h"
#include "platform/db/errors.h"
#include "platform/sys/files.h"

namespace {

using dbtest::CatalogueTest;
using dbtest::kPassword;
using dbtest::patternPicture;
using dbtest::RawCatalogue;

long errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const runtime::Error& e) {
        return e.number();
    }
    return 0;
}

class BytesTable : public CatalogueTest {
protected:
    void addRecord(db::Recordset& rs, const std::string& name, int k, size_t size) {
        rs.addNew();
        rs.field("PhotoDescription").setValue(name);
        rs.field("Category").setValue(k % 3 ? "Holiday" : "Family");
        rs.field("PhotoSize").setValue(static_cast<int64_t>(size));
        rs.field("Photo").appendChunk(patternPicture(k, size));
        rs.update();
    }
};

TEST_F(BytesTable, ATextEditRewritesTheFieldsAloneAndThePictureStaysWhole) {
    constexpr size_t kBig = 4u << 20;
    auto rs = open("Select * from Pictures");
    addRecord(*rs, "big", 1, kBig);
    addRecord(*rs, "small", 2, 1000);
    rs->moveFirst();
    const auto before = sys::fileSize(path);
    for (const char* notes : {"one", "two", "three, a little longer"}) {
        rs->field("Notes").setValue(notes);
        rs->field("PhotoDescription").setValue(std::string("big ") + notes);
        rs->update();
    }
    EXPECT_LE(sys::fileSize(path), before + 4 * 4096) << "a few pages at most, never the picture again";
    rs->requery();
    EXPECT_EQ(rs->field("PhotoDescription").value().text(), "big three, a little longer");
    EXPECT_EQ(rs->field("Photo").actualSize(), static_cast<int64_t>(kBig));
    EXPECT_EQ(rs->field("Photo").getChunk(kBig), patternPicture(1, kBig));

    // A new picture on an existing record replaces the bytes and keeps the fields.
    rs->field("Photo").appendChunk(patternPicture(3, 5000));
    rs->update();
    rs->requery();
    EXPECT_EQ(rs->field("Photo").value().bytes(), patternPicture(3, 5000));
    EXPECT_EQ(rs->field("Notes").value().text(), "three, a little longer");
}

TEST_F(BytesTable, RecordsAndTheirBytesComeAndGoTogetherThroughAnyRecordSet) {
    auto all = open("Select * from Pictures");
    addRecord(*all, "a", 1, 3000);
    addRecord(*all, "b", 2, 3000);
    all->close();

    // A record set that does not show Photo still deletes a record's bytes with it and
    // gives a new record an empty bytes row.
    auto list = open("Select ID,PhotoDescription from Pictures");
    list->moveFirst();
    list->deleteCurrent();
    list->addNew();
    list->field("PhotoDescription").setValue("c");
    list->update();
    list->close();
    {
        RawCatalogue raw(path);
        EXPECT_EQ(raw.number("SELECT count(*) FROM PictureBytes"), 2);
        EXPECT_EQ(raw.number("SELECT count(Photo) FROM PictureBytes"), 1);
        EXPECT_EQ(raw.number("SELECT count(*) FROM PictureBytes WHERE ID NOT IN (SELECT ID FROM Pictures)"), 0);
    }
    all = open("Select * from Pictures");
    EXPECT_EQ(names(*all), (std::vector<std::string>{"b", "c"}));
    all->moveFirst();
    EXPECT_EQ(all->field("Photo").value().bytes(), patternPicture(2, 3000));
    all->moveNext();
    EXPECT_TRUE(all->field("Photo").value().isNull());

    // A picture that cannot be stored leaves neither the record nor any bytes.
    const std::string file = dir.file("gone.bin");
    sys::writeFile(file, patternPicture(4, 100));
    all->addNew();
    all->field("PhotoDescription").setValue("d");
    all->field("Photo").appendChunkFromFile(file);
    sys::writeFile(file, patternPicture(4, 50));
    EXPECT_NE(errorNumber([&] { all->update(); }), 0);
    all->cancelUpdate();
    all->close();
    RawCatalogue raw(path);
    EXPECT_EQ(raw.number("SELECT count(*) FROM Pictures"), 2);
    EXPECT_EQ(raw.number("SELECT count(*) FROM PictureBytes"), 2);
}

TEST_F(BytesTable, PicturesNeitherFilterNorSort) {
    for (const char* source : {"Select * from Pictures ORDER BY Photo", "Select * from Pictures where Photo='x'"})
        EXPECT_EQ(errorNumber([&] { open(source); }), db::kErrBadArgument) << source;
    auto rs = open("Select ID,Photo from Pictures");
    EXPECT_EQ(rs->fieldCount(), 2u);
    EXPECT_EQ(errorNumber([&] { rs->find("Photo = 'x'"); }), db::kErrBadArgument);
}

// What the windows do over a catalogue's life, each step checked against a plain model.
TEST_F(BytesTable, ScriptedRunAddsEditsSortsFiltersFindsDeletesAndCompacts) {
    std::map<std::string, db::Bytes> model;  // name -> picture
    auto rs = open("Select * from Pictures", db::CursorLocation::Server);
    for (int k = 1; k <= 30; ++k) {
        const std::string name = "picture " + std::to_string((k * 7) % 31);
        const size_t size = k == 13 ? (1u << 20) : static_cast<size_t>(k) * 311;
        addRecord(*rs, name, k, size);
        model[name] = patternPicture(k, size);
    }
    // Rename every fifth record; its picture stays with it.
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        if (rs->currentKey() % 5 != 0) continue;
        const std::string name = rs->field("PhotoDescription").value().text();
        rs->field("PhotoDescription").setValue("renamed " + name);
        model["renamed " + name] = std::move(model[name]);
        model.erase(name);
    }
    rs->moveFirst();  // saves the last rename

    auto sorted = open("Select * from Pictures ORDER BY PhotoDescription");
    std::vector<std::string> expected;
    for (const auto& [name, bytes] : model) expected.push_back(name);
    EXPECT_EQ(names(*sorted), expected) << "sorted by name";

    auto family = open("Select * from Pictures where Category='family'");
    EXPECT_EQ(family->recordCount(), 10);

    const std::string firstRenamed = model.lower_bound("renamed")->first;
    sorted->moveFirst();
    ASSERT_TRUE(sorted->find("PhotoDescription like '*RENAMED*'"));
    EXPECT_EQ(sorted->field("PhotoDescription").value().text(), firstRenamed);
    EXPECT_EQ(sorted->field("Photo").value().bytes(), model.at(firstRenamed));

    // Delete every third record of the sorted list.
    sorted->moveFirst();
    for (int i = 0; !sorted->eof(); ++i) {
        if (i % 3 == 0) {
            model.erase(sorted->field("PhotoDescription").value().text());
            sorted->deleteCurrent();
        }
        sorted->moveNext();
    }
    rs->close();
    sorted->close();
    family->close();

    const std::string copy = dir.file("QuillmereC.mdb");
    db::compactDatabase(path, copy, kPassword);
    auto compacted = std::make_shared<db::Recordset>();
    compacted->open(db::Connection::openFile(copy, kPassword), "Select * from Pictures ORDER BY PhotoDescription");
    ASSERT_EQ(compacted->recordCount(), static_cast<long>(model.size()));
    auto expectedRecord = model.begin();
    for (compacted->moveFirst(); !compacted->eof(); compacted->moveNext(), ++expectedRecord) {
        ASSERT_EQ(compacted->field("PhotoDescription").value().text(), expectedRecord->first);
        ASSERT_EQ(compacted->field("Photo").getChunk(compacted->field("PhotoSize").value().integer()),
                  expectedRecord->second)
            << expectedRecord->first;
    }
    compacted->close();
    RawCatalogue raw(copy);
    EXPECT_EQ(raw.number("SELECT count(*) FROM PictureBytes"), static_cast<int64_t>(model.size()));
}

}  // namespace
