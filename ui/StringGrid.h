// TStringGrid: a grid of texts addressed as Cells(col, row), column first, with
// one fixed title row (row 0, drawn as the header), a column 0 that a width of
// 0 hides, owner drawing and row operations for sorting. The texts live in one
// TCellStore shown through a table model, so a million rows fill quickly.
#pragma once

#include "ui/CellStore.h"

#include <QFontMetrics>
#include <QTableView>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

class TStringGridModel;

// A mouse event over the grid. x and y are in the grid's own coordinates; col
// and row name the cell under the mouse (row 0 over the title row), or are -1
// when the mouse is over no cell.
struct TGridMouseEvent {
    Qt::MouseButton button = Qt::NoButton;
    Qt::KeyboardModifiers modifiers;
    int x = 0;
    int y = 0;
    int col = -1;
    int row = -1;
};

// Grid coordinates of a cell; -1 when there is none.
struct TGridCoord {
    int col = -1;
    int row = -1;
};

// A new grid has one column and the title row. Indexes: columns 0..ColCount()-1,
// rows 0..RowCount()-1 with row 0 the title row; a call with an index outside
// the grid throws std::out_of_range. Row operations (insert, delete, swap, move,
// sort) act on rows 1.. only, so the title row always stays row 0. Handlers run
// through the exception barrier.
class TStringGrid : public QTableView {
    Q_OBJECT

public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    // At least one column and one row (the title row). Growing adds empty
    // columns or rows; shrinking drops the last ones with their texts.
    int ColCount() const;
    void SetColCount(int count);
    int RowCount() const;
    void SetRowCount(int count);

    // Cell texts are the engine's bytes (UTF-8; a text that is not valid UTF-8
    // is shown as Windows-1252).
    std::string Cells(int col, int row) const;
    // The same text without a copy; valid until the grid's texts change.
    std::string_view CellView(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);
    // The text as shown, and a shown text stored as UTF-8.
    QString CellText(int col, int row) const;
    void SetCellText(int col, int row, const QString& text);

    // A whole row at once: texts[i] goes to column i, columns beyond the texts
    // become empty, texts beyond the last column are ignored.
    std::vector<std::string> RowCells(int row) const;
    void SetRowCells(int row, std::span<const std::string_view> texts);
    void SetRowCells(int row, std::initializer_list<std::string_view> texts);
    void SetRowCells(int row, const std::vector<std::string>& texts);

    // A number the window keeps with a row (say, what kind of entry the row
    // shows). It moves with its row through every row operation; new rows and
    // cleared rows have 0.
    int RowTag(int row) const;
    void SetRowTag(int row, int tag);

    // Width 0 hides the column (the usual home of a hidden key in column 0).
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    // Every row is this tall, so the view never measures rows. It follows the
    // font until it is set.
    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    // The width columns get until SetColWidths gives them one.
    int DefaultColWidth() const;
    void SetDefaultColWidth(int width);

    // The current cell. Row() is 0 while the grid has no rows but the title.
    // Setting it from code (to a row 1..RowCount()-1) scrolls it into view and,
    // when it changes, runs OnSelectCell just as a click or a key does. Changes
    // the grid makes by itself (rows removed under it, the first rows added to
    // an empty grid) do not run OnSelectCell. The current cell keeps its number
    // through row operations, moved only to stay inside the grid.
    int Row() const;
    int Col() const;
    void SetRow(int row);
    void SetCol(int col);
    void SetCurrentCell(int col, int row);

    // Whole-row highlight instead of a single highlighted cell (off at first).
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on);

    // Grid lines, each direction on its own (both on at first).
    bool HorizontalLines() const { return horizontalLines_; }
    void SetHorizontalLines(bool on);
    bool VerticalLines() const { return verticalLines_; }
    void SetVerticalLines(bool on);

    // Between BeginUpdate and EndUpdate (nested pairs count) the grid does not
    // repaint and the view hears of row and cell changes once, at the end.
    // Always pair them; TStringGridUpdate does it for a scope.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updating_ > 0; }

    // Inserts an empty row before `row` (1..RowCount(); RowCount() appends).
    void InsertRow(int row);
    // Deletes row 1..RowCount()-1.
    void DeleteRow(int row);
    void SwapRows(int a, int b);
    // Empties every cell of a row (the title row too) and resets its tag.
    void ClearRow(int row);
    // Reorders rows 1..RowCount()-1 at once: row k+1 takes the texts that row
    // order[k] had. `order` must hold each of 1..RowCount()-1 once, else
    // std::invalid_argument is thrown and nothing changes.
    void MoveRows(std::span<const int> order);
    // Sorts rows 1..RowCount()-1 stably by `less` on row numbers (called with
    // the rows' numbers before the sort).
    void SortRows(const std::function<bool(int a, int b)>& less);

    // The cell under a point in the grid's coordinates (row 0 over the title).
    TGridCoord MouseToCell(int x, int y) const;
    // Where a cell is drawn, in the grid's coordinates (possibly scrolled out
    // of sight); empty when its column is hidden.
    QRect CellRect(int col, int row) const;
    // Draws a text the way the grid draws its cells (a small margin, clipped
    // to the cell); for draw hooks that change the font, colour or alignment.
    // A text too wide for the cell is drawn as FitCellText gives it, from the
    // left whatever the alignment, so a number never loses its leading digits.
    void DrawCellText(QPainter& painter, const QRect& rect, const QString& text,
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) const;
    // The text a cell `cellWidth` pixels wide shows: the whole text when it
    // fits between the margins (trailing blanks may go), else its leading
    // characters followed by "…". Blanks at either end are padding and are
    // dropped from a text that does not fit.
    static QString FitCellText(const QFontMetrics& metrics, const QString& text, int cellWidth);
    // The width a column needs to show `text` whole in a cell, and its title
    // whole in the title row (trailing blanks left out, as they may go).
    static int CellWidthFor(const QFontMetrics& metrics, const QString& text);
    int TitleWidthFor(const QString& title) const;
    // Space between a cell's edge and its text, on either side.
    static constexpr int kTextMargin = 2;

    // Runs when the current cell changes (see Row()).
    std::function<void(int col, int row)> OnSelectCell;
    // Runs for every cell painted, the title row included, after the grid has
    // filled the cell's background; the painter comes with the grid's font and
    // the cell's text colour (`focused` is true when the cell is highlighted,
    // whose text takes the highlighted colour). Return true when the hook drew
    // the cell's text itself (DrawCellText helps); return false to have the
    // grid draw the text, with the font and pen the hook left on the painter,
    // so a hook that only wants bold or coloured text sets them and returns
    // false. Changes to the painter's state do not outlast the cell.
    std::function<bool(int col, int row, QPainter& painter, const QRect& rect, bool focused)>
        OnDrawCell;
    // Mouse buttons over the grid, the title row included, after the grid has
    // handled them (a click has already moved the current cell).
    std::function<void(const TGridMouseEvent&)> OnMouseDown;
    std::function<void(const TGridMouseEvent&)> OnMouseUp;
    std::function<void(const TGridMouseEvent&)> OnDblClick;
    // A key released while the grid has the focus (auto-repeat left out).
    std::function<void(int key, Qt::KeyboardModifiers modifiers)> OnKeyUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class TGridDelegate;
    friend class TGridHeader;

    void CheckCol(int col) const;
    void CheckRow(int row) const;
    void Changed();
    // Runs a change of rows or columns; the current cell keeps its number
    // (moved only to stay inside the grid) and OnSelectCell does not run.
    template <typename Change> void Reshape(Change&& change);
    // The current cell as the view has it (row 0 when it has none).
    TGridCoord ViewCurrent() const;
    void RestoreCurrent(TGridCoord cell);
    void SetCurrentQuietly(int col, int row);
    void ApplyRowHeight();
    TGridMouseEvent MouseEvent(const QWidget* source, const QMouseEvent& event) const;
    // Runs OnDrawCell; a failure is reported once, after painting, until the
    // grid's contents change.
    bool RunDrawHook(int col, int row, QPainter& painter, const QRect& rect, bool focused) const;

    TCellStore store_;
    TStringGridModel* model_ = nullptr;
    int updating_ = 0;
    int quiet_ = 0; // while above 0, a change of the current cell is the grid's own
    int preferredCol_ = 0;
    int rowHeight_ = 0;
    bool rowHeightSet_ = false;
    bool rowSelect_ = false;
    bool horizontalLines_ = true;
    bool verticalLines_ = true;
    mutable bool drawFailureReported_ = false;
};

// Keeps a grid between BeginUpdate and EndUpdate for a scope, exceptions included.
class TStringGridUpdate {
public:
    explicit TStringGridUpdate(TStringGrid& grid) : grid_(grid) { grid_.BeginUpdate(); }
    ~TStringGridUpdate() { grid_.EndUpdate(); }
    TStringGridUpdate(const TStringGridUpdate&) = delete;
    TStringGridUpdate& operator=(const TStringGridUpdate&) = delete;

private:
    TStringGrid& grid_;
};

} // namespace sorvane
