// The order of the move events around every change of current row, and what a listener
// sees from inside them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "platform/db/errors.h"
#include "platform/db/recordset.h"

namespace {

using dbtest::CatalogueTest;

class RecordsetEvents : public CatalogueTest {
protected:
    // "will <reason> @<position before>" and "done <reason> @<position after> [error]".
    std::shared_ptr<db::Recordset> openLogged(const std::string& source) {
        auto rs = std::make_shared<db::Recordset>();
        rs->onWillMove([this](db::MoveReason r, db::Recordset& s) {
            log.push_back("will " + std::to_string(static_cast<int>(r)) + " @" + position(s));
        });
        rs->onMoveComplete([this](db::MoveReason r, const runtime::Error* e, db::Recordset& s) {
            log.push_back("done " + std::to_string(static_cast<int>(r)) + " @" + position(s) +
                          (e ? " error " + std::to_string(e->number()) : ""));
        });
        rs->open(db::Connection::open(connectionString()), source);
        return rs;
    }
    static std::string position(db::Recordset& s) {
        return s.isAddingNew() ? "new" : std::to_string(s.absolutePosition());
    }
    std::vector<std::string> take() { return std::exchange(log, {}); }

    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(RecordsetEvents, EveryChangeOfRowIsFramedByWillMoveAndMoveComplete) {
    addPictures({"a", "b", "c"});
    auto rs = openLogged("Select * from Pictures");
    EXPECT_EQ(take(), (Log{"will 10 @-1", "done 10 @1"})) << "open";

    rs->moveNext();
    EXPECT_EQ(take(), (Log{"will 13 @1", "done 13 @2"}));
    rs->setAbsolutePosition(3);
    EXPECT_EQ(take(), (Log{"will 10 @2", "done 10 @3"}));
    rs->moveFirst();
    rs->moveLast();
    rs->movePrevious();
    EXPECT_EQ(take(), (Log{"will 12 @3", "done 12 @1", "will 15 @1", "done 15 @3", "will 14 @3", "done 14 @2"}));

    rs->addNew();
    EXPECT_EQ(take(), (Log{"will 1 @2", "done 1 @new"}));
    rs->field("PhotoDescription").setValue("d");
    rs->update();
    EXPECT_EQ(take(), (Log{"will 3 @new", "done 3 @4"}));
    rs->field("Notes").setValue("edit of a saved row");
    rs->update();
    EXPECT_EQ(take(), Log{}) << "saving the current row does not move";

    rs->deleteCurrent();
    EXPECT_EQ(take(), (Log{"will 2 @4", "done 2 @-1"}));
    rs->moveFirst();
    take();
    EXPECT_TRUE(rs->find("PhotoDescription = 'c'"));
    EXPECT_FALSE(rs->find("PhotoDescription = 'zzz'"));
    EXPECT_EQ(take(), (Log{"will 10 @1", "done 10 @3", "will 10 @3", "done 10 @-3"}));

    rs->requery();
    EXPECT_EQ(take(), (Log{"will 7 @-3", "done 7 @1"}));
    rs->addNew();
    rs->cancelUpdate();
    EXPECT_EQ(take(), (Log{"will 1 @1", "done 1 @new", "will 5 @new", "done 5 @1"}));

    // Refused calls raise before any event.
    EXPECT_THROW(rs->setAbsolutePosition(9), runtime::Error);
    EXPECT_THROW(rs->find("bad criterion"), runtime::Error);
    rs->moveLast();
    rs->moveNext();
    take();
    EXPECT_THROW(rs->moveNext(), runtime::Error);
    EXPECT_EQ(take(), Log{});
}

TEST_F(RecordsetEvents, AFailedSaveDuringAMoveReachesMoveCompleteThenTheCaller) {
    addPictures({"a", "b"});
    auto rs = openLogged("Select * from Pictures");
    take();
    rs->field("PhotoDescription").setValue("b");
    EXPECT_THROW(rs->moveNext(), runtime::Error);
    EXPECT_EQ(take(), (Log{"will 13 @1", "done 13 @1 error -2147467259"}));
}

TEST_F(RecordsetEvents, ListenersMayReadAndMoveOtherRecordsetsAndThisOne) {
    addPictures({"a", "b", "c"});
    auto list = open("Select ID,PhotoDescription from Pictures");
    auto main = std::make_shared<db::Recordset>();
    std::vector<std::string> seen;
    main->onMoveComplete([&](db::MoveReason, const runtime::Error*, db::Recordset& rs) {
        if (!rs.hasCurrentRow()) return;
        seen.push_back(rs.field("PhotoDescription").value().text());
        list->setAbsolutePosition(rs.absolutePosition());  // the grid follows
    });
    main->open(db::Connection::open(connectionString()), "Select * from Pictures");
    main->moveLast();
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(list->field("PhotoDescription").value().text(), "c");

    // A listener that moves its own record set back to the first row when it reaches
    // the end: the nested move completes inside the outer one.
    main->onMoveComplete([](db::MoveReason, const runtime::Error*, db::Recordset& rs) {
        if (rs.eof()) rs.moveFirst();
    });
    main->moveNext();
    EXPECT_EQ(main->absolutePosition(), 1);
}

TEST_F(RecordsetEvents, ListenerMayCloseTheRecordsetInsideAnEvent) {
    addPictures({"a", "b"});
    auto rs = openLogged("Select * from Pictures");
    take();
    std::weak_ptr<db::Recordset> weak = rs;
    rs->onWillMove([&](db::MoveReason, db::Recordset& self) {
        self.close();
        rs.reset();  // the last outside owner lets go, as an unloading window does
    });
    weak.lock()->moveNext();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(take(), (Log{"will 13 @1"})) << "nothing after the close";
    EXPECT_EQ(db::connectionUsers(path), 0);
}

}  // namespace
