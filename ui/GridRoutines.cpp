// Grid routines over TStringGrid's row operations, so every change keeps tags
// with their rows and leaves the title row alone.
#include "ui/GridRoutines.h"

#include "catalogue/format/CatalogueLines.h"
#include "platform/Files.h"
#include "ui/StringGrid.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace sorvane {

namespace {

constexpr std::string_view kAscending = "(asc)";
constexpr std::string_view kDescending = "(dsc)";
constexpr std::string_view kLineEnd = "\r\n";

// The locale whose collation sorts the grids. Windows compares texts
// linguistically in every locale, while Qt's C locale compares code points
// (which would put "éclair" after "zebra"), so C takes the default Unicode
// order, which English uses.
QLocale CollationLocale() {
    const QLocale locale;
    if (locale.language() == QLocale::C) return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

} // namespace

void SortGridByColumn(TStringGrid& grid, int column) {
    grid.CellView(column, 0); // a column outside the grid raises, even with no rows to sort
    const int rows = grid.RowCount();
    if (rows <= 2) return;
    QCollator collator(CollationLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    // One key per row up front: a million rows make some twenty million comparisons.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(static_cast<std::size_t>(rows - 1));
    for (int r = 1; r < rows; ++r)
        keys.push_back(collator.sortKey(grid.CellText(column, r)));
    grid.SortRows([&](int a, int b) {
        return keys[static_cast<std::size_t>(a - 1)].compare(
                   keys[static_cast<std::size_t>(b - 1)]) < 0;
    });
}

void ReverseGridRows(TStringGrid& grid) {
    // Row k + 1 takes row RowCount() - 1 - k: the same as swapping the pairs,
    // in one reordering.
    std::vector<int> order(static_cast<std::size_t>(grid.RowCount() - 1));
    std::iota(order.rbegin(), order.rend(), 1);
    grid.MoveRows(order);
}

void SwapGridRows(TStringGrid& grid, int a, int b) {
    if (a == b) return;
    grid.SwapRows(a, b);
}

void SaveGridToFile(const TStringGrid& grid, const std::string& path) {
    std::string text;
    for (int r = 1; r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.ColCount(); ++c) {
            text += grid.CellView(c, r);
            text += kLineEnd;
        }
    WriteFileAtomically(path, text);
}

void LoadGridFromFile(TStringGrid& grid, const std::string& path, int columnCount) {
    if (columnCount < 1) throw std::invalid_argument("A grid file needs at least one column");
    CatalogueLines lines;
    lines.LoadFromFile(path);
    const std::size_t columns = static_cast<std::size_t>(columnCount);
    const std::size_t rows = lines.Count() / columns;

    TStringGridUpdate update(grid);
    if (grid.ColCount() < columnCount) grid.SetColCount(columnCount);
    grid.SetRowCount(1); // the rows that come back start empty
    grid.SetRowCount(static_cast<int>(rows) + 1);
    std::vector<std::string_view> cells(columns);
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c)
            cells[c] = lines.Line(r * columns + c);
        grid.SetRowCells(static_cast<int>(r) + 1, cells);
    }
}

std::string_view DameOrdenColumna(std::string_view columnTitle) {
    return columnTitle.ends_with(kAscending) ? kAscending : kDescending;
}

} // namespace sorvane
