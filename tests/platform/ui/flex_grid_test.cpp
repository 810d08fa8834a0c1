// The records grid over a data control: rows counted from 0 with row r standing for
// record r + 1, the current-row arithmetic the main window relies on, reading rows
// without moving the data control's record set, and lazy reading of large lists.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <QHeaderView>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/db/catalogue_fixture.h"
#include "platform/db/data_control.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/forms.h"

namespace {

const std::string kListQuery = "Select ID,PhotoDescription,Date,Category from Pictures ORDER BY PhotoDescription";

// A main record set and the list record set under a grid, as the main window has them.
class GridForm : public ui::Form {
public:
    GridForm() : Form("GridForm") {}
    db::DataControl Adodc3;
    db::DataControl Adodc4;
    QPointer<ui::FlexGrid> MSHFlexGrid1;

protected:
    void createControls() override {
        setClientSize(9000, 6000);
        MSHFlexGrid1 = create<ui::FlexGrid>("MSHFlexGrid1", 300, 300, 6000, 3000);
        MSHFlexGrid1->setDataSource(&Adodc4);
    }
    void closeDataControls() override {
        Adodc3.close();
        Adodc4.close();
    }
};

class FlexGridTest : public dbtest::CatalogueTest {
protected:
    // The form loaded with both data controls open on the same sorted list.
    GridForm& open(const std::string& listQuery = kListQuery) {
        GridForm& f = ui::forms<GridForm>();
        for (db::DataControl* dc : {&f.Adodc3, &f.Adodc4}) dc->setConnectionString(connectionString());
        f.Adodc3.setRecordSource("Select * from Pictures ORDER BY PhotoDescription");
        f.Adodc4.setRecordSource(listQuery);
        f.Load();
        f.Adodc3.refresh();
        f.Adodc4.refresh();
        return f;
    }

    static long error(const std::function<void()>& f) {
        try {
            f();
        } catch (const runtime::Error& e) {
            return e.number();
        }
        return 0;
    }

    void addManyPictures(int count) {
        db::Connection c = db::Connection::openFile(path, dbtest::kPassword);
        sqlite3_exec(c.handle(), "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(c.handle(), "INSERT INTO Pictures (PhotoDescription) VALUES (?1)", -1, &stmt, nullptr);
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "p%06d", i);
            sqlite3_bind_text(stmt, 1, name, -1, SQLITE_TRANSIENT);
            ASSERT_EQ(sqlite3_step(stmt), SQLITE_DONE);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(c.handle(), "COMMIT", nullptr, nullptr, nullptr);
    }
};

TEST_F(FlexGridTest, RowRIsRecordRPlusOneAndColumnsAreTheListFields) {
    addPictures({"cedar", "ash", "birch"});  // IDs 1, 2, 3
    ui::FlexGrid& grid = *open().MSHFlexGrid1;
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.Cols(), 4);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.FixedCols(), 0);
    EXPECT_EQ(grid.TextMatrix(0, 0), "2");
    EXPECT_EQ(grid.TextMatrix(0, 1), "ash");
    EXPECT_EQ(grid.TextMatrix(2, 1), "cedar");
    EXPECT_EQ(grid.TextMatrix(1, 3), "") << "a field with no value";
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(error([&] { grid.TextMatrix(3, 0); }), 381);
    EXPECT_EQ(error([&] { grid.TextMatrix(0, 4); }), 381);
    EXPECT_EQ(error([&] { grid.setRow(3); }), 380);
    EXPECT_EQ(error([&] { grid.setRow(-4); }), 380) << "the position past the end, less one";
    EXPECT_EQ(error([&] { grid.setCol(4); }), 380);

    // A fixed row is a header of field names; a fixed column a blank margin; both
    // shift the records by one.
    grid.setFixedRows(1);
    grid.setFixedCols(1);
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.Cols(), 5);
    EXPECT_EQ(grid.TextMatrix(0, 2), "PhotoDescription");
    EXPECT_EQ(grid.TextMatrix(1, 0), "");
    EXPECT_EQ(grid.TextMatrix(1, 2), "ash");
    EXPECT_EQ(grid.Row(), 1) << "the first record is current again";
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_TRUE(grid.horizontalHeader()->isVisibleTo(&grid));
    EXPECT_EQ(error([&] { grid.setFixedRows(2); }), 380);
}

TEST_F(FlexGridTest, FollowingTheCurrentRecordAndClickingARowMoveTheRecordSets) {
    addPictures({"e", "d", "c", "b", "a"});
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    f.Show();

    // The after-move handler's steps: Row = position - 1, RowSel and TopRow the same
    // row, Col = 1.
    int changes = 0, selections = 0;
    grid.RowColChange = [&] { ++changes; };
    grid.SelChange = [&] { ++selections; };
    f.Adodc3.recordset().setAbsolutePosition(4);
    const int row = static_cast<int>(f.Adodc3.recordset().absolutePosition()) - 1;
    grid.setRow(row);
    grid.setRowSel(row);
    grid.setTopRow(row);
    grid.setCol(1);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.RowSel(), 3);
    EXPECT_EQ(grid.ColSel(), 1) << "setting Col makes the selection the current cell";
    EXPECT_EQ(grid.Text(), "d");
    EXPECT_EQ(changes, 2) << "Row and Col each moved the current cell";
    EXPECT_EQ(selections, 2) << "setting RowSel to the current row changes nothing";
    grid.setRow(3);
    EXPECT_EQ(changes, 2) << "the same row again fires nothing";

    // The grid's click: both record sets go to Row + 1, after the click made the row
    // current.
    std::vector<std::string> log;
    grid.MouseDown = [&](int, int, double, double) { log.push_back("down " + std::to_string(grid.Row())); };
    grid.RowColChange = [&] { log.push_back("rowcol " + std::to_string(grid.Row())); };
    grid.Click = [&] {
        log.push_back("click " + std::to_string(grid.Row()));
        f.Adodc3.recordset().setAbsolutePosition(grid.Row() + 1);
        f.Adodc4.recordset().setAbsolutePosition(grid.Row() + 1);
    };
    grid.setTopRow(0);
    const QRect cell = grid.visualRect(grid.model()->index(1, 2));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(log, (std::vector<std::string>{"down 3", "rowcol 1", "click 1"}));
    EXPECT_EQ(f.Adodc3.recordset().field("PhotoDescription").value().text(), "b");
    EXPECT_EQ(f.Adodc4.recordset().absolutePosition(), 2);
    EXPECT_EQ(grid.Col(), 2);
}

TEST_F(FlexGridTest, ReadsItsOwnRecordSetAndLetsTheConnectionGoAtUnload) {
    addPictures({"a", "b", "c", "d"});
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    f.Adodc4.recordset().setAbsolutePosition(2);
    int moves = 0;
    f.Adodc4.onWillMove([&](db::MoveReason, db::Recordset&) { ++moves; });
    f.Adodc4.onMoveComplete([&](db::MoveReason, const runtime::Error*, db::Recordset&) { ++moves; });

    f.Show();
    grid.grab();
    EXPECT_EQ(grid.TextMatrix(3, 1), "d");
    grid.setRow(3);
    grid.setTopRow(2);
    grid.grab();
    EXPECT_EQ(moves, 0) << "painting and reading never move the data control";
    EXPECT_EQ(f.Adodc4.recordset().absolutePosition(), 2);
    EXPECT_GT(grid.rowsRead(), 0);

    // Two data controls and the grid share one connection; unloading the window lets
    // all of it go, as a compaction needs.
    EXPECT_EQ(db::connectionUsers(path), 3);
    f.Unload();
    EXPECT_FALSE(db::isConnectionOpen(path));
}

TEST_F(FlexGridTest, FollowsAReopenARequeryAndADeletion) {
    addPictures({"a", "b"});
    addPictures({"c", "d", "e"}, "Trees");
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    grid.setRow(4);
    grid.setCol(2);
    EXPECT_EQ(grid.Rows(), 5);

    f.Adodc4.setRecordSource("Select ID,PhotoDescription,Date,Category from Pictures where Category='Trees'");
    f.Adodc4.refresh();
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.TextMatrix(0, 1), "c");
    EXPECT_EQ(grid.Row(), 0) << "a new list starts at its first cell";
    EXPECT_EQ(grid.Col(), 0);

    addPictures({"f"}, "Trees");
    EXPECT_EQ(grid.Rows(), 3) << "a snapshot, until the data control reads again";
    f.Adodc4.recordset().requery();
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.TextMatrix(3, 1), "f");

    grid.setRow(3);
    f.Adodc4.recordset().setAbsolutePosition(2);
    f.Adodc4.recordset().deleteCurrent();
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.TextMatrix(1, 1), "e");
    EXPECT_EQ(grid.Row(), 2) << "kept, within the shorter list";

    // A closed data control: Refresh empties the grid and lets its connection go.
    f.Adodc4.close();
    f.Adodc3.close();
    grid.Refresh();
    EXPECT_EQ(grid.Rows(), 0);
    EXPECT_FALSE(db::isConnectionOpen(path));
}

TEST_F(FlexGridTest, ALargeListIsReadOnlyWhereItIsShown) {
    addManyPictures(100000);
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    EXPECT_EQ(grid.Rows(), 100000);
    f.Show();
    grid.grab();
    const int shown = grid.viewport()->height() / grid.rowHeight(0) + 1;
    EXPECT_LE(grid.rowsRead(), 2 * shown);

    grid.setTopRow(99990);
    grid.setRow(99999);
    grid.grab();
    EXPECT_EQ(grid.TextMatrix(99999, 1), "p099999");
    EXPECT_LE(grid.rowsRead(), 4 * shown + 1);
    EXPECT_EQ(grid.TopRow(), grid.verticalScrollBar()->maximum())
        << "the last rows fill the grid; the top row stops where the scroll range ends";
    EXPECT_GT(grid.TopRow(), 99900);
}

TEST_F(FlexGridTest, TopRowSetWhileHiddenAppliesWhenShownAndFollowsTheScrollBar) {
    addManyPictures(60);
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    f.Show();
    grid.setVisible(false);
    grid.setTopRow(20);
    EXPECT_EQ(grid.TopRow(), 20);
    grid.setVisible(true);
    EXPECT_EQ(grid.TopRow(), 20);
    EXPECT_EQ(grid.rowAt(1), 20) << "row 20 is the first one shown";

    grid.verticalScrollBar()->setValue(7);
    EXPECT_EQ(grid.TopRow(), 7);
    grid.setVisible(false);
    EXPECT_EQ(grid.TopRow(), 7);
    grid.setTopRow(30);
    grid.setVisible(true);
    EXPECT_EQ(grid.rowAt(1), 30);
    EXPECT_EQ(error([&] { grid.setTopRow(60); }), 380);

    // A longer list read while hidden: the top row is not held to the old range.
    grid.setVisible(false);
    db::Connection c = db::Connection::openFile(path, dbtest::kPassword);
    sqlite3_exec(c.handle(), "INSERT INTO Pictures (PhotoDescription) SELECT 'q' || PhotoDescription FROM Pictures",
                 nullptr, nullptr, nullptr);
    f.Adodc4.refresh();
    grid.setTopRow(100);
    grid.setVisible(true);
    EXPECT_EQ(grid.rowAt(1), 100);
}

TEST_F(FlexGridTest, MouseAndKeysMoveTheCurrentCellAndExtendTheSelection) {
    addPictures({"a", "b", "c", "d", "e", "f"});
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    f.Show();
    const auto at = [&](int row, int col) { return grid.visualRect(grid.model()->index(row, col)).center(); };

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at(1, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(3, 2));
    EXPECT_EQ(std::vector<int>({grid.Row(), grid.Col(), grid.RowSel(), grid.ColSel()}), std::vector<int>({1, 1, 3, 2}));
    EXPECT_TRUE(grid.cellHighlighted(2, 2));
    EXPECT_FALSE(grid.cellHighlighted(2, 3));
    grid.setSelectionMode(1);
    EXPECT_TRUE(grid.cellHighlighted(2, 3)) << "by row: whole rows";

    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.RowSel(), 2) << "a move without shift drops the range";
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.RowSel(), 3);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 5);
    EXPECT_EQ(grid.Col(), 3);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 5) << "stops at the last row";
}

TEST_F(FlexGridTest, ColumnWidthsInTwipsAndTheThemeColours) {
    addPictures({"a", "b"});
    GridForm& f = open();
    ui::FlexGrid& grid = *f.MSHFlexGrid1;
    f.Show();
    const double defaultWidth = grid.ColWidth(3);
    grid.setColWidth(0, 1000);
    grid.setColWidth(1, 3000);
    grid.setColWidth(2, 1500);
    EXPECT_EQ(grid.ColWidth(1), 3000);
    EXPECT_EQ(grid.ColWidth(3), defaultWidth);
    EXPECT_EQ(grid.columnWidth(0), 67);
    EXPECT_EQ(grid.columnWidth(1), 200);
    EXPECT_EQ(grid.columnWidth(2), 100);
    EXPECT_EQ(error([&] { grid.setColWidth(4, 100); }), 381);

    // Widths stay through a new list.
    f.Adodc4.refresh();
    EXPECT_EQ(grid.columnWidth(1), 200);

    grid.setBackColor(ui::RGB(50, 50, 50));
    grid.setBackColorBkg(ui::RGB(10, 20, 30));
    grid.setGridColor(ui::vb3DDKShadow);
    grid.setBackColorSel(ui::RGB(200, 0, 0));
    grid.setRow(0);
    grid.setCol(0);
    grid.setColSel(1);
    const QImage image = grid.viewport()->grab().toImage();
    const QRect unselected = grid.visualRect(grid.model()->index(1, 1));
    const QRect selected = grid.visualRect(grid.model()->index(0, 1));
    EXPECT_EQ(image.pixelColor(unselected.left() + 1, unselected.top() + 1), QColor(50, 50, 50));
    EXPECT_EQ(image.pixelColor(selected.left() + 1, selected.top() + 1), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(unselected.right(), unselected.center().y()), ui::toQColor(ui::vb3DDKShadow));
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), QColor(10, 20, 30)) << "beyond the cells";
}

}  // namespace
