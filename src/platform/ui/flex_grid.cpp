#include "platform/ui/flex_grid.h"

#include <algorithm>
#include <climits>
#include <memory>

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "platform/db/data_control.h"
#include "platform/runtime/error.h"

namespace ui {

namespace {

constexpr double kDefaultColWidth = 960;  // twips

[[noreturn]] void invalidValue() { throw runtime::Error(380, "Invalid property value"); }
[[noreturn]] void invalidIndex() { throw runtime::Error(381, "Invalid property array index"); }

}  // namespace

namespace detail {

// The rows of the grid, read on demand from a private record set (see the header).
// One row is cached: a painted row asks for each of its cells in turn.
class FlexGridModel : public QAbstractTableModel {
public:
    explicit FlexGridModel(QObject* parent) : QAbstractTableModel(parent) {}

    void reload(db::DataControl* source) {
        beginResetModel();
        drop();
        try {
            if (source && source->isOpen()) {
                db::Recordset& shown = source->recordset();
                auto rows = std::make_shared<db::Recordset>();
                rows->open(db::Connection::open(source->connectionString()), shown.source(),
                           shown.cursorLocation());
                for (size_t i = 0; i < rows->fieldCount(); ++i) {
                    const db::Field f = rows->field(i);
                    names_.push_back(QString::fromStdString(f.name()));
                    longBinary_.push_back(f.isLongBinary());
                }
                count_ = static_cast<int>(std::min<long>(rows->recordCount(), INT_MAX));
                rows_ = std::move(rows);
                watched_ = shown.weak_from_this();
            }
        } catch (...) {
            // A grid that cannot read its rows shows none; the data control reports
            // its own failures.
            drop();
        }
        endResetModel();
    }

    void clear() {
        beginResetModel();
        drop();
        endResetModel();
    }

    // Whether rs is the record set the rows were read for.
    bool follows(const db::Recordset& rs) const { return watched_.lock().get() == &rs; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count_; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(names_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)) return {};
        const db::Value* v = value(index.row(), index.column());
        if (role == Qt::TextAlignmentRole) {
            const bool number = v && (v->kind() == db::Value::Kind::Integer || v->kind() == db::Value::Kind::Real);
            return (Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft)).toInt();
        }
        return v && !v->isNull() ? QString::fromStdString(v->text()) : QString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return {};
        if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) return names_[section];
        return QString();
    }

    QString name(int field) const { return field >= 0 && field < columnCount() ? names_[field] : QString(); }
    QString text(int record, int field) const { return data(index(record, field), Qt::DisplayRole).toString(); }
    long long rowsRead() const { return rowsRead_; }

private:
    void drop() {
        if (rows_) rows_->close();
        rows_.reset();
        watched_.reset();
        names_.clear();
        longBinary_.clear();
        count_ = 0;
        cachedRow_ = -1;
        cached_.clear();
    }

    const db::Value* value(int record, int field) const {
        if (!rows_ || record < 0 || record >= count_ || field < 0 || field >= columnCount()) return nullptr;
        if (record != cachedRow_) {
            cachedRow_ = -1;
            cached_.assign(names_.size(), db::Value());
            try {
                // Only this private record set moves; nobody listens to it.
                rows_->setAbsolutePosition(record + 1);
                ++rowsRead_;
                // Long binaries are never read: the grid shows them empty.
                for (size_t i = 0; i < names_.size(); ++i)
                    if (!longBinary_[i]) cached_[i] = rows_->field(i).value();
            } catch (...) {
                return nullptr;
            }
            cachedRow_ = record;
        }
        return &cached_[static_cast<size_t>(field)];
    }

    std::shared_ptr<db::Recordset> rows_;
    std::weak_ptr<db::Recordset> watched_;
    std::vector<QString> names_;
    std::vector<bool> longBinary_;
    int count_ = 0;
    mutable int cachedRow_ = -1;
    mutable std::vector<db::Value> cached_;
    mutable long long rowsRead_ = 0;
};

}  // namespace detail

namespace {

// Paints each cell from the grid's own colours and selection, not the style's.
class FlexGridDelegate : public QStyledItemDelegate {
public:
    explicit FlexGridDelegate(FlexGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int row = index.row() + grid_->FixedRows();
        const int col = index.column() + grid_->FixedCols();
        const bool selected = grid_->cellHighlighted(row, col);
        const QRect r = option.rect;
        painter->save();
        painter->fillRect(r, toQColor(selected ? grid_->BackColorSel() : grid_->BackColor()));
        painter->setPen(toQColor(selected ? grid_->ForeColorSel() : grid_->ForeColor()));
        painter->setFont(option.font);
        const QRect textRect = r.adjusted(2, 0, -3, -1);
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        const QString text = option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, textRect.width());
        painter->drawText(textRect, alignment, text);
        if (grid_->hasFocus() && row == grid_->Row() && col == grid_->Col()) {
            QPen focus(toQColor(grid_->ForeColor()), 1, Qt::DotLine);
            painter->setPen(focus);
            painter->drawRect(r.adjusted(1, 1, -2, -2));
        }
        painter->setPen(toQColor(grid_->GridColor()));
        painter->drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        painter->restore();
    }

private:
    FlexGrid* grid_;
};

}  // namespace

FlexGrid::FlexGrid(QWidget* parent)
    : QTableView(parent), Control(this), model_(new detail::FlexGridModel(this)) {
    setModel(model_);
    setItemDelegate(new FlexGridDelegate(this));
    setShowGrid(false);
    // The grid keeps its own current cell and range; Qt's selection stays unused.
    QTableView::setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAutoScroll(false);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(0);
    }
    horizontalHeader()->setDefaultSectionSize(twipsToPixels(kDefaultColWidth));
    applyFixedHeaders();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!applyingTop_ && QWidget::isVisible()) topRow_ = value + fixedRows_;
    });
    // The cells' area receives the mouse; its events count as the grid's.
    watchInput(viewport());
    initAppearance(vbWindowBackground, vbWindowText);
}

FlexGrid::~FlexGrid() { detach(); }

// ---- data source ---------------------------------------------------------------------

void FlexGrid::setDataSource(db::DataControl* source) {
    detach();
    source_ = source;
    if (source_)
        listener_ = source_->onMoveComplete(
            [this](db::MoveReason reason, const runtime::Error*, db::Recordset&) { sourceMoved(reason); });
    byCode([&] { reload(true); });
}

void FlexGrid::detach() {
    if (source_ && listener_) source_->removeListener(listener_);
    source_ = nullptr;
    listener_ = 0;
}

void FlexGrid::retire() {
    Component::retire();
    // Drops the grid's connection user as the window unloads, before any compaction.
    detach();
    model_->clear();
}

void FlexGrid::sourceMoved(db::MoveReason reason) {
    if (!source_ || !source_->isOpen()) return;
    // A move of the data control changes no row; a new record set, a requery or a
    // deletion does.
    if (!model_->follows(source_->recordset()) || reason == db::MoveReason::Requery)
        reload(true);
    else if (reason == db::MoveReason::Delete)
        reload(false);
}

void FlexGrid::Refresh() {
    // The rows follow the data control's events; this catches a record set closed or
    // replaced without one. The same record set is not read again: its snapshot has
    // not changed, and a second read of a long list would cost as much as the first.
    const bool current = source_ && source_->isOpen() && model_->follows(source_->recordset());
    if (!current) byCode([&] { reload(false); });
    viewport()->update();
}

void FlexGrid::reload(bool resetCell) {
    model_->reload(source_);
    applyColumnWidths();
    const auto clampRow = [&](int r) { return std::clamp(r, firstRow(), std::max(firstRow(), Rows() - 1)); };
    const auto clampCol = [&](int c) { return std::clamp(c, firstCol(), std::max(firstCol(), Cols() - 1)); };
    if (resetCell) {
        topRow_ = fixedRows_;
        changeCell(firstRow(), firstCol(), firstRow(), firstCol());
    } else {
        topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, Rows() - 1));
        changeCell(clampRow(row_), clampCol(col_), clampRow(rowSel_), clampCol(colSel_));
    }
    applyTopRow();
}

int FlexGrid::Rows() const { return model_->rowCount() + fixedRows_; }
int FlexGrid::Cols() const { return model_->columnCount() + fixedCols_; }
int FlexGrid::firstRow() const { return Rows() > fixedRows_ ? fixedRows_ : 0; }
int FlexGrid::firstCol() const { return Cols() > fixedCols_ ? fixedCols_ : 0; }
long long FlexGrid::rowsRead() const { return model_->rowsRead(); }

void FlexGrid::setFixedRows(int rows) {
    if (rows < 0 || rows > 1) invalidValue();
    fixedRows_ = rows;
    applyFixedHeaders();
    byCode([&] { reload(true); });
}

void FlexGrid::setFixedCols(int cols) {
    if (cols < 0 || cols > 1) invalidValue();
    fixedCols_ = cols;
    // Column widths are kept by grid column; the fixed one is the first.
    applyFixedHeaders();
    byCode([&] { reload(true); });
}

void FlexGrid::applyFixedHeaders() {
    horizontalHeader()->setVisible(fixedRows_ == 1);
    verticalHeader()->setVisible(fixedCols_ == 1);
}

// ---- current cell and selection ------------------------------------------------------

void FlexGrid::requireRow(int row) const {
    if (row < 0 || row >= Rows()) invalidValue();
}

void FlexGrid::requireCol(int col) const {
    if (col < 0 || col >= Cols()) invalidValue();
}

void FlexGrid::setRow(int row) {
    requireRow(row);
    byCode([&] { changeCell(row, col_, row, col_); });
}

void FlexGrid::setCol(int col) {
    requireCol(col);
    byCode([&] { changeCell(row_, col, row_, col); });
}

void FlexGrid::setRowSel(int row) {
    requireRow(row);
    byCode([&] { changeCell(row_, col_, row, colSel_); });
}

void FlexGrid::setColSel(int col) {
    requireCol(col);
    byCode([&] { changeCell(row_, col_, rowSel_, col); });
}

void FlexGrid::setSelectionMode(int mode) {
    if (mode < 0 || mode > 2) invalidValue();
    selectionMode_ = mode;
    viewport()->update();
}

void FlexGrid::changeCell(int row, int col, int rowSel, int colSel) {
    const bool moved = row != row_ || col != col_;
    const bool selected = moved || rowSel != rowSel_ || colSel != colSel_;
    row_ = row;
    col_ = col;
    rowSel_ = rowSel;
    colSel_ = colSel;
    if (!selected) return;
    viewport()->update();
    if (moved) RowColChange.fire();
    SelChange.fire();
}

bool FlexGrid::cellHighlighted(int row, int col) const {
    const bool inRows = row >= std::min(row_, rowSel_) && row <= std::max(row_, rowSel_);
    const bool inCols = col >= std::min(col_, colSel_) && col <= std::max(col_, colSel_);
    switch (selectionMode_) {
    case 1: return inRows;
    case 2: return inCols;
    default: return inRows && inCols;
    }
}

// ---- scrolling -----------------------------------------------------------------------

int FlexGrid::TopRow() const {
    if (QWidget::isVisible() && model_->rowCount() > 0) return verticalScrollBar()->value() + fixedRows_;
    return topRow_;
}

void FlexGrid::setTopRow(int row) {
    if (row < fixedRows_ || row >= Rows()) invalidValue();
    topRow_ = row;
    applyTopRow();
}

void FlexGrid::applyTopRow() {
    applyingTop_ = true;
    verticalScrollBar()->setValue(topRow_ - fixedRows_);
    applyingTop_ = false;
}

void FlexGrid::updateGeometries() {
    // The scroll range follows the size; the wanted top row is applied again.
    applyingTop_ = true;
    QTableView::updateGeometries();
    applyingTop_ = false;
    applyTopRow();
}

void FlexGrid::ensureVisible(int row, int col) {
    if (row >= fixedRows_ && col >= fixedCols_) scrollTo(model_->index(row - fixedRows_, col - fixedCols_));
}

int FlexGrid::visibleRowCount() const {
    return std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
}

// ---- cells ---------------------------------------------------------------------------

QString FlexGrid::TextMatrix(int row, int col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) invalidIndex();
    if (col < fixedCols_) return QString();
    if (row < fixedRows_) return model_->name(col - fixedCols_);
    return model_->text(row - fixedRows_, col - fixedCols_);
}

QString FlexGrid::Text() const {
    if (row_ >= Rows() || col_ >= Cols()) return QString();
    return TextMatrix(row_, col_);
}

double FlexGrid::ColWidth(int col) const {
    if (col < 0 || col >= Cols()) invalidIndex();
    const size_t c = static_cast<size_t>(col);
    return c < colWidths_.size() && colWidths_[c] >= 0 ? colWidths_[c] : kDefaultColWidth;
}

void FlexGrid::setColWidth(int col, double twips) {
    if (col < 0 || col >= Cols()) invalidIndex();
    const size_t c = static_cast<size_t>(col);
    if (colWidths_.size() <= c) colWidths_.resize(c + 1, -1);
    colWidths_[c] = twips < 0 ? -1 : twips;
    applyColumnWidths();
}

void FlexGrid::applyColumnWidths() {
    for (int c = 0; c < Cols(); ++c) {
        const int pixels = twipsToPixels(ColWidth(c));
        if (c < fixedCols_)
            verticalHeader()->setFixedWidth(pixels);
        else
            horizontalHeader()->resizeSection(c - fixedCols_, pixels);
    }
}

void FlexGrid::geometryApplied() {
    // Row height follows the font: its line height and a small margin.
    const int height = fontMetrics().height() + 3;
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
}

// ---- colours -------------------------------------------------------------------------

void FlexGrid::applyColors() {
    Control::applyColors();
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, toQColor(backBkg_));
    palette.setColor(QPalette::Window, toQColor(backBkg_));
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    viewport()->update();
}

void FlexGrid::setBackColorBkg(COLORREF color) {
    backBkg_ = color;
    applyColors();
}

void FlexGrid::setGridColor(COLORREF color) {
    gridColor_ = color;
    viewport()->update();
}

void FlexGrid::setBackColorSel(COLORREF color) {
    backSel_ = color;
    viewport()->update();
}

void FlexGrid::setForeColorSel(COLORREF color) {
    foreSel_ = color;
    viewport()->update();
}

// ---- mouse and keys ------------------------------------------------------------------

void FlexGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    const int row = index.row() + fixedRows_;
    const int col = index.column() + fixedCols_;
    selecting_ = true;
    if (event->modifiers() & Qt::ShiftModifier)
        changeCell(row_, col_, row, col);
    else
        changeCell(row, col, row, col);
}

void FlexGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) changeCell(row_, col_, index.row() + fixedRows_, index.column() + fixedCols_);
}

void FlexGrid::mouseReleaseEvent(QMouseEvent*) { selecting_ = false; }

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void FlexGrid::keyPressEvent(QKeyEvent* event) {
    if (Rows() <= fixedRows_ || Cols() <= fixedCols_) return;
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    int row = extend ? rowSel_ : row_;
    int col = extend ? colSel_ : col_;
    switch (event->key()) {
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_PageUp: row -= visibleRowCount(); break;
    case Qt::Key_PageDown: row += visibleRowCount(); break;
    case Qt::Key_Home:
        col = fixedCols_;
        if (control) row = fixedRows_;
        break;
    case Qt::Key_End:
        col = Cols() - 1;
        if (control) row = Rows() - 1;
        break;
    default: event->ignore(); return;
    }
    row = std::clamp(row, fixedRows_, Rows() - 1);
    col = std::clamp(col, fixedCols_, Cols() - 1);
    if (extend)
        changeCell(row_, col_, row, col);
    else
        changeCell(row, col, row, col);
    ensureVisible(row, col);
}

}  // namespace ui
