#pragma once
// The records grid: a read-only table over the rows of a data control's record set
// (DataSource), one grid row per record, one grid column per field, in the record
// set's order.
//
// Rows and columns are counted from 0 and include the fixed ones. FixedRows and
// FixedCols are 0 or 1 (0 by default, as the catalogue's grid has them): with a fixed
// row, row 0 is a header with the field names; with a fixed column, column 0 is a
// blank margin. So grid row r shows record r - FixedRows + 1 (1-based, as the record
// set counts), and grid column c shows field c - FixedCols. With neither, row 0 is
// record 1 and column 1 is the second field.
//
// Lazy: the grid never copies the rows. It reads them, only as they are painted or
// asked for, through a record set of its own opened with the data control's
// statement on the same shared connection (the same statement lists the same rows in
// the same order), so painting or reading TextMatrix never moves the data control's
// record set and fires none of its events. That record set is opened again whenever
// the data control opens, requeries or deletes a row; Refresh catches up with a data
// control closed or reopened without an event (and otherwise only repaints). It holds
// one user of the shared connection until the grid is unbound, retired (its window
// unloads), refreshed after the data control closed, or destroyed. The data control
// must outlive the binding: unbind (setDataSource(nullptr)) before destroying a data
// control that the grid still uses.
//
// Current cell and selection: Row/Col is the current cell, RowSel/ColSel the other
// corner of the selected range. Setting Row or Col by code makes the selection the
// current cell alone; setting RowSel or ColSel then extends it. A click makes the
// clicked cell current, a drag or shift-click extends the selection, the arrow and
// page keys move the current cell (shift extends). RowColChange fires when the current
// cell changes and SelChange when the range changes, by the user or by code (a Row set
// fires both); Click fires after the clicked cell is current. Row, Col, RowSel, ColSel,
// TopRow set outside the grid raise error 380; TextMatrix and ColWidth with an index
// outside raise 381.
//
// TopRow is the first row shown below the fixed row. Setting it scrolls so that the
// row is at the top, as far as the scroll range allows; set while the grid is hidden it
// takes effect when the grid is shown.
//
// Colours: BackColor (the cells), ForeColor (their text), BackColorBkg (the area
// beyond the last row and column), GridColor (the lines between cells),
// BackColorSel/ForeColorSel (the selected range). SelectionMode 0 highlights the
// range as it is, 1 whole rows, 2 whole columns. Text is left-aligned, numbers
// right-aligned. Column widths are in twips (ColWidth); rows follow the font.
//
// Refresh() is this class's own: called through Control it only repaints.

#include <vector>

#include <QTableView>

#include "platform/db/listeners.h"
#include "platform/ui/control.h"

namespace db {
class DataControl;
enum class MoveReason : int;
}  // namespace db

namespace ui {

namespace detail {
class FlexGridModel;
}

class FlexGrid : public QTableView, public Control {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    db::DataControl* DataSource() const { return source_; }
    // Binds the grid (null unbinds) and shows the data control's rows, if it is open.
    void setDataSource(db::DataControl* source);
    // Shows the data control's current record set (an empty grid when it is closed)
    // and repaints.
    void Refresh();

    int Rows() const;
    int Cols() const;
    int FixedRows() const { return fixedRows_; }
    void setFixedRows(int rows);  // 0 or 1
    int FixedCols() const { return fixedCols_; }
    void setFixedCols(int cols);  // 0 or 1

    int Row() const { return row_; }
    void setRow(int row);
    int Col() const { return col_; }
    void setCol(int col);
    int RowSel() const { return rowSel_; }
    void setRowSel(int row);
    int ColSel() const { return colSel_; }
    void setColSel(int col);
    int TopRow() const;
    void setTopRow(int row);
    int SelectionMode() const { return selectionMode_; }
    void setSelectionMode(int mode);  // 0 free, 1 by row, 2 by column

    // The text of a cell: a field's value as the bound boxes show it ("" for none),
    // a field name in the fixed row, "" in the fixed column.
    QString TextMatrix(int row, int col) const;
    // The current cell's text.
    QString Text() const;
    double ColWidth(int col) const;
    void setColWidth(int col, double twips);  // negative: the default width

    COLORREF BackColorBkg() const { return backBkg_; }
    void setBackColorBkg(COLORREF color);
    COLORREF GridColor() const { return gridColor_; }
    void setGridColor(COLORREF color);
    COLORREF BackColorSel() const { return backSel_; }
    void setBackColorSel(COLORREF color);
    COLORREF ForeColorSel() const { return foreSel_; }
    void setForeColorSel(COLORREF color);

    Event<> RowColChange{this};
    Event<> SelChange{this};

    void retire() override;

    // Rows fetched from the record set since the grid was made: a painted grid reads
    // only the rows it shows (for tests).
    long long rowsRead() const;
    // Whether the cell (grid coordinates) is drawn as selected.
    bool cellHighlighted(int row, int col) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void updateGeometries() override;
    void applyColors() override;
    void geometryApplied() override;

private:
    void detach();
    void sourceMoved(db::MoveReason reason);
    void reload(bool resetCell);
    void changeCell(int row, int col, int rowSel, int colSel);
    void requireRow(int row) const;
    void requireCol(int col) const;
    int firstRow() const;
    int firstCol() const;
    void applyTopRow();
    void applyColumnWidths();
    void applyFixedHeaders();
    void ensureVisible(int row, int col);
    int visibleRowCount() const;

    detail::FlexGridModel* model_;
    db::DataControl* source_ = nullptr;
    db::ListenerId listener_ = 0;
    int fixedRows_ = 0;
    int fixedCols_ = 0;
    int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
    int topRow_ = 0;
    int selectionMode_ = 0;
    bool applyingTop_ = false;
    bool selecting_ = false;
    std::vector<double> colWidths_;  // twips; negative: default
    COLORREF backBkg_ = vbApplicationWorkspace;
    COLORREF gridColor_ = RGB(192, 192, 192);
    COLORREF backSel_ = vbHighlight;
    COLORREF foreSel_ = vbHighlightText;
};

}  // namespace ui
