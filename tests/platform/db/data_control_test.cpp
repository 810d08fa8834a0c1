#include "platform/db/data_control.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "platform/db/errors.h"

namespace {

using dbtest::CatalogueTest;

class DataControls : public CatalogueTest {
protected:
    void configure(db::DataControl& dc, const std::string& source, int location = 3) {
        dc.setConnectionString(connectionString());
        dc.setRecordSource(source);
        dc.setCursorLocation(location);
    }
};

TEST_F(DataControls, RefreshOpensAndReopensOnOneSharedConnection) {
    addPictures({"a", "b"});
    db::DataControl main, list;
    EXPECT_EQ(main.cursorLocation(), db::CursorLocation::Client) << "client-side by default";
    EXPECT_THROW(main.recordset(), runtime::Error);
    EXPECT_THROW(main.setCursorLocation(1), runtime::Error);

    configure(main, "Select * from Pictures", 2);
    configure(list, "Select ID,PhotoDescription,Date,Category from Pictures");
    main.refresh();
    list.refresh();
    EXPECT_EQ(db::connectionUsers(path), 2);
    EXPECT_EQ(main.recordset().cursorLocation(), db::CursorLocation::Server);
    main.recordset().moveLast();
    main.recordset().field("Notes").setValue("discarded by refresh");

    main.setRecordSource("Select * from Pictures ORDER BY PhotoDescription");
    main.refresh();
    EXPECT_EQ(db::connectionUsers(path), 2) << "the old user is dropped, the new one kept";
    EXPECT_EQ(main.recordset().absolutePosition(), 1);
    main.recordset().moveLast();
    EXPECT_TRUE(main.recordset().field("Notes").value().isNull());

    main.setRecordSource("Select * from Nowhere");
    EXPECT_THROW(main.refresh(), runtime::Error);
    EXPECT_FALSE(main.isOpen());
    EXPECT_EQ(db::connectionUsers(path), 1);
    list.close();
    EXPECT_FALSE(db::isConnectionOpen(path));
}

TEST_F(DataControls, BoundConsumersShowTheRowBeforeMoveCompleteListenersRun) {
    addPictures({"a", "b"});
    db::DataControl dc;
    configure(dc, "Select * from Pictures");
    std::vector<std::string> log;
    const db::BindingId name = dc.bind({"PhotoDescription",
                                        [&](const db::Field* f) { log.push_back("show " + (f ? f->value().text() : "-")); },
                                        {}});
    dc.onWillMove([&](db::MoveReason, db::Recordset&) { log.push_back("will"); });
    dc.onMoveComplete([&](db::MoveReason, const runtime::Error*, db::Recordset& rs) {
        log.push_back("done " + std::to_string(rs.absolutePosition()));
    });
    dc.refresh();
    dc.recordset().moveNext();
    dc.recordset().moveNext();
    EXPECT_EQ(log, (std::vector<std::string>{"will", "show a", "done 1", "will", "show b", "done 2", "will", "show -",
                                             "done -3"}));

    // Unbinding leaves the consumer alone; binding again shows at once.
    log.clear();
    dc.setDataField(name, "");
    dc.recordset().moveFirst();
    dc.setDataField(name, "Category");
    EXPECT_EQ(log, (std::vector<std::string>{"will", "done 1", "show "}));
}

TEST_F(DataControls, TwoWayConsumersWriteBackOnAMoveOneWayNever) {
    addPictures({"a", "b"});
    db::DataControl dc;
    configure(dc, "Select * from Pictures");
    std::optional<db::Value> typed;
    dc.bind({"Notes", [](const db::Field*) {}, [&] { return std::exchange(typed, std::nullopt); }});
    int pictureShows = 0;
    dc.bind({"Photo", [&](const db::Field*) { ++pictureShows; }, {}});  // a picture box
    dc.refresh();

    typed = db::Value("typed into the box");
    dc.recordset().moveNext();
    typed = db::Value("saved by update");
    dc.recordset().update();
    EXPECT_EQ(pictureShows, 2);

    auto rs = open("Select * from Pictures");
    EXPECT_EQ(rs->field("Notes").value().text(), "typed into the box");
    EXPECT_TRUE(rs->field("Photo").value().isNull());
    rs->moveNext();
    EXPECT_EQ(rs->field("Notes").value().text(), "saved by update");
}

TEST_F(DataControls, ConsumerFailuresGoToTheErrorEventNotTheMove) {
    addPictures({"a"});
    db::DataControl dc;
    configure(dc, "Select ID,PhotoDescription from Pictures");
    dc.bind({"Photo", [](const db::Field*) {}, {}});  // not in this record set
    std::vector<long> errors;
    dc.onError([&](const runtime::Error& e, bool& cancel) {
        errors.push_back(e.number());
        cancel = true;
    });
    bool completed = false;
    dc.onMoveComplete([&](db::MoveReason, const runtime::Error* e, db::Recordset&) { completed = e == nullptr; });
    EXPECT_NO_THROW(dc.refresh());
    EXPECT_TRUE(completed);
    EXPECT_EQ(errors, std::vector<long>{db::kErrItemNotFound});
}

TEST_F(DataControls, AHandlerMayCloseItsOwnControlDuringMoveComplete) {
    addPictures({"a", "b"});
    db::DataControl dc;
    configure(dc, "Select * from Pictures");
    int after = 0;
    dc.onMoveComplete([&](db::MoveReason r, const runtime::Error*, db::Recordset&) {
        if (r == db::MoveReason::MoveNext) dc.close();  // the window unloads itself
    });
    dc.onMoveComplete([&](db::MoveReason, const runtime::Error*, db::Recordset&) { ++after; });
    dc.refresh();
    dc.recordset().moveNext();
    EXPECT_FALSE(dc.isOpen());
    EXPECT_EQ(db::connectionUsers(path), 0);
    EXPECT_EQ(after, 2) << "listeners after the closing one still run on this event";
}

}  // namespace
