// Routines over whole string grids: sorting, reversing and swapping rows, and
// the grid file (one cell per line). Row 0, the title row, is never moved,
// saved or loaded.
#pragma once

#include <string>
#include <string_view>

namespace sorvane {

class TStringGrid;

// Sorts rows 1..RowCount()-1 ascending by the shown text of `column`, compared
// case-insensitively in the collation of the user's locale (accents still
// order "Eclair" before "éclair"; both come before "zebra"). Tags move with
// their rows; rows with equal keys keep their order. The C locale has no
// collation of its own, so it sorts in the default Unicode order.
void SortGridByColumn(TStringGrid& grid, int column);

// Swaps row i with row RowCount() - i for i from 1 to (RowCount() - 1) / 2:
// descending order after an ascending sort.
void ReverseGridRows(TStringGrid& grid);

// Swaps rows a and b (texts and tags); nothing at all when a == b.
void SwapGridRows(TStringGrid& grid, int a, int b);

// Writes rows 1..RowCount()-1, each row's columns 0..ColCount()-1, one cell per
// line ending in CR LF, to a temporary file renamed over `path`. Raises
// EInOutError when the file cannot be written.
void SaveGridToFile(const TStringGrid& grid, const std::string& path);

// Reads a file of one cell per line (lines end in CR LF, LF or CR): the grid
// gets lines / columnCount + 1 rows, row r taking lines (r - 1) * columnCount
// to r * columnCount - 1 as its columns 0..columnCount-1; trailing lines that
// do not fill a row are ignored. The grid is widened to columnCount columns
// when narrower; the loaded rows start empty with tag 0, and the title row
// stays. Raises EInOutError when the file cannot be read (the grid is then
// unchanged) and std::invalid_argument for a columnCount below 1.
void LoadGridFromFile(TStringGrid& grid, const std::string& path, int columnCount);

// The sort order a column title announces: "(asc)" when it ends in "(asc)",
// otherwise "(dsc)".
std::string_view DameOrdenColumna(std::string_view columnTitle);

} // namespace sorvane
