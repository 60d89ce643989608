// Tests of the routines over whole grids: sorting by a column in the locale's
// collation, reversing and swapping rows, the grid file written and read back,
// and the sort order a column title announces. Every case checks that tags
// stay with their rows and that the title row is left alone.
#include "ui/GridRoutines.h"

#include "platform/Files.h"
#include "ui/StringGrid.h"

#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::vector<std::string> kTitles = {"Key", "Name", "Size"};

// A 3-column grid with the titles above and the given rows; row r's tag is 100 + r.
void Fill(TStringGrid& grid, const Rows& rows) {
    grid.SetColCount(3);
    grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    grid.SetRowCells(0, kTitles);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        grid.SetRowCells(static_cast<int>(r) + 1, rows[r]);
        grid.SetRowTag(static_cast<int>(r) + 1, 101 + static_cast<int>(r));
    }
}

Rows DataRows(const TStringGrid& grid) {
    Rows rows;
    for (int r = 1; r < grid.RowCount(); ++r)
        rows.push_back(grid.RowCells(r));
    return rows;
}

std::vector<int> Tags(const TStringGrid& grid) {
    std::vector<int> tags;
    for (int r = 1; r < grid.RowCount(); ++r)
        tags.push_back(grid.RowTag(r));
    return tags;
}

// Rows whose column 0 holds the row's original number (1-based) and column 1 the key.
Rows Keyed(const std::vector<std::string>& keys) {
    Rows rows;
    for (std::size_t i = 0; i < keys.size(); ++i)
        rows.push_back({std::to_string(i + 1), keys[i], "size " + std::to_string(i + 1)});
    return rows;
}

std::vector<std::string> Column(const TStringGrid& grid, int col) {
    std::vector<std::string> texts;
    for (int r = 1; r < grid.RowCount(); ++r)
        texts.push_back(grid.Cells(col, r));
    return texts;
}

// Keeps the default locale that a test changes.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

// Checks that every row moved whole: its key, its other cells and its tag.
void ExpectRowsWhole(const TStringGrid& grid) {
    for (int r = 1; r < grid.RowCount(); ++r) {
        const std::string original = grid.Cells(0, r);
        EXPECT_EQ(grid.Cells(2, r), "size " + original) << "row " << r;
        EXPECT_EQ(grid.RowTag(r), 100 + std::stoi(original)) << "row " << r;
    }
    EXPECT_EQ(grid.RowCells(0), kTitles);
}

struct SortCase {
    const char* name;
    std::vector<std::string> keys;
    std::vector<std::string> sorted;
};

TEST(SortGridByColumn, SortsByTheColumnIgnoringCaseWithAccentsBesideTheirLetters) {
    const std::vector<SortCase> cases = {
        {"mixed case and accents",
         {"zebra", "éclair", "Eclair", "apple", "Zulu", "Ápple"},
         {"apple", "Ápple", "Eclair", "éclair", "zebra", "Zulu"}},
        {"case is ignored, unlike code-point order", {"b", "C", "a", "B"}, {"a", "b", "B", "C"}},
        {"digits compare as text", {"10", "9", "1", "100"}, {"1", "10", "100", "9"}},
        {"Windows-1252 cells sort as they are shown",
         {"zebra",
          "\xE9"
          "clair",
          "eclair"},
         {"eclair",
          "\xE9"
          "clair",
          "zebra"}},
        {"empty cells first", {"b", "", "a"}, {"", "a", "b"}},
        {"one row", {"only"}, {"only"}},
        {"already sorted", {"a", "b", "c"}, {"a", "b", "c"}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE(c.name);
        TStringGrid grid;
        Fill(grid, Keyed(c.keys));
        SortGridByColumn(grid, 1);
        EXPECT_EQ(Column(grid, 1), c.sorted);
        ExpectRowsWhole(grid);
    }
}

TEST(SortGridByColumn, FollowsTheCollationOfTheUserLocale) {
    struct LocaleCase {
        QLocale locale;
        std::vector<std::string> sorted;
    };
    const std::vector<std::string> keys = {"oa", "ñu", "nz", "Ñandú"};
    const std::vector<LocaleCase> cases = {
        // "ñ" is an "n" with an accent in English, a letter after "n" in Spanish;
        // C takes the Unicode default order, as English does.
        {QLocale::c(), {"Ñandú", "ñu", "nz", "oa"}},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), {"Ñandú", "ñu", "nz", "oa"}},
        {QLocale(QLocale::Spanish, QLocale::Spain), {"nz", "Ñandú", "ñu", "oa"}},
    };
    for (const LocaleCase& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        const DefaultLocale scope(c.locale);
        TStringGrid grid;
        Fill(grid, Keyed(keys));
        SortGridByColumn(grid, 1);
        EXPECT_EQ(Column(grid, 1), c.sorted);
        ExpectRowsWhole(grid);
    }
}

TEST(SortGridByColumn, EqualKeysKeepTheirOrderAndOtherColumnsSortToo) {
    TStringGrid grid;
    Fill(grid, Keyed({"b", "A", "a", "B", "a"}));
    SortGridByColumn(grid, 1);
    EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"2", "3", "5", "1", "4"}));
    ExpectRowsWhole(grid);

    // Sorting by column 2 ("size N") brings back the first order.
    SortGridByColumn(grid, 2);
    EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(Tags(grid), (std::vector<int>{101, 102, 103, 104, 105}));
}

TEST(SortGridByColumn, AColumnOutsideTheGridRaises) {
    TStringGrid grid;
    Fill(grid, {});
    EXPECT_THROW(SortGridByColumn(grid, 3), std::out_of_range);
    Fill(grid, Keyed({"b", "a"}));
    EXPECT_THROW(SortGridByColumn(grid, -1), std::out_of_range);
    EXPECT_EQ(Column(grid, 1), (std::vector<std::string>{"b", "a"}));
}

TEST(ReverseGridRows, ReversesTheDataRowsForEvenAndOddCounts) {
    for (int dataRows : {0, 1, 2, 4, 5}) {
        SCOPED_TRACE(std::to_string(dataRows) + " data rows");
        std::vector<std::string> keys;
        for (int i = 0; i < dataRows; ++i)
            keys.push_back(std::string(1, static_cast<char>('a' + i)));
        TStringGrid grid;
        Fill(grid, Keyed(keys));
        ReverseGridRows(grid);
        const std::vector<std::string> reversed(keys.rbegin(), keys.rend());
        EXPECT_EQ(Column(grid, 1), reversed);
        ExpectRowsWhole(grid);
        ReverseGridRows(grid);
        EXPECT_EQ(Column(grid, 1), keys);
    }
}

TEST(SwapGridRows, SwapsTwoRowsAndNothingForTheSameRow) {
    TStringGrid grid;
    Fill(grid, Keyed({"a", "b", "c", "d"}));
    SwapGridRows(grid, 1, 3);
    EXPECT_EQ(Column(grid, 1), (std::vector<std::string>{"c", "b", "a", "d"}));
    ExpectRowsWhole(grid);
    SwapGridRows(grid, 4, 2);
    EXPECT_EQ(Column(grid, 1), (std::vector<std::string>{"c", "d", "a", "b"}));
    ExpectRowsWhole(grid);

    const Rows before = DataRows(grid);
    SwapGridRows(grid, 2, 2);
    SwapGridRows(grid, 0, 0); // the same row: not even the title row is refused
    EXPECT_EQ(DataRows(grid), before);
    EXPECT_THROW(SwapGridRows(grid, 0, 1), std::out_of_range);
    EXPECT_THROW(SwapGridRows(grid, 1, 5), std::out_of_range);
    EXPECT_EQ(DataRows(grid), before);
    ExpectRowsWhole(grid);
}

class GridFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }

    void Write(const std::string& path, std::string_view text) const {
        WriteFileAtomically(path, text);
    }

    QTemporaryDir folder;
};

TEST_F(GridFileTest, SavedGridLoadsBackIntoAnotherGrid) {
    const Rows rows = {
        {"1", "Informe año 2019.pdf", "1.234 KB"},
        {"", "", ""},
        {"3", "\xE9t\xE9 (Windows)", "7 bytes"},
        {"4", "  blanks kept  ", "0"},
    };
    TStringGrid saved;
    Fill(saved, rows);
    const std::string path = Path("grid.txt");
    SaveGridToFile(saved, path);
    EXPECT_EQ(ReadWholeFile(path), "1\r\nInforme año 2019.pdf\r\n1.234 KB\r\n"
                                   "\r\n\r\n\r\n"
                                   "3\r\n\xE9t\xE9 (Windows)\r\n7 bytes\r\n"
                                   "4\r\n  blanks kept  \r\n0\r\n");

    // A narrower grid with rows of its own and its own titles.
    TStringGrid loaded;
    loaded.SetRowCount(7);
    loaded.SetCells(0, 0, "Title");
    loaded.SetCells(0, 5, "stale");
    loaded.SetRowTag(2, 9);
    LoadGridFromFile(loaded, path, 3);
    EXPECT_EQ(loaded.ColCount(), 3);
    EXPECT_EQ(DataRows(loaded), rows);
    EXPECT_EQ(Tags(loaded), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(loaded.RowCells(0), (std::vector<std::string>{"Title", "", ""}));
}

TEST_F(GridFileTest, LoadsWholeRowsOfTheLinesWhateverTheirEnds) {
    struct LoadCase {
        const char* name;
        std::string_view text;
        int columns;
        Rows rows;
    };
    const std::vector<LoadCase> cases = {
        {"7 lines of 3 columns: the last line is ignored",
         "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n",
         3,
         {{"a", "b", "c"}, {"d", "e", "f"}}},
        {"LF ends", "a\nb\nc\nd\n", 2, {{"a", "b"}, {"c", "d"}}},
        {"CR ends", "a\rb\rc\rd\r", 2, {{"a", "b"}, {"c", "d"}}},
        {"mixed ends, last line without one", "a\r\nb\nc\rd", 4, {{"a", "b", "c", "d"}}},
        {"empty lines are empty cells", "\r\n\r\nx\r\n", 3, {{"", "", "x"}}},
        {"one column", "a\r\nb\r\n", 1, {{"a"}, {"b"}}},
        {"fewer lines than a row", "a\r\nb\r\n", 3, {}},
        {"empty file", "", 3, {}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("load.txt");
        Write(path, c.text);
        TStringGrid grid;
        Fill(grid, Keyed({"old", "rows"}));
        grid.SetColCount(c.columns);
        LoadGridFromFile(grid, path, c.columns);
        EXPECT_EQ(grid.RowCount(), static_cast<int>(c.rows.size()) + 1);
        EXPECT_EQ(DataRows(grid), c.rows);
        EXPECT_EQ(grid.Cells(0, 0), "Key");
    }
}

TEST_F(GridFileTest, AWiderGridKeepsItsColumnsEmptyBeyondTheFile) {
    const std::string path = Path("two.txt");
    Write(path, "a\r\nb\r\nc\r\nd\r\n");
    TStringGrid grid;
    Fill(grid, Keyed({"x", "y", "z"}));
    LoadGridFromFile(grid, path, 2);
    EXPECT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(DataRows(grid), (Rows{{"a", "b", ""}, {"c", "d", ""}}));
    EXPECT_EQ(grid.RowCells(0), kTitles);
}

TEST_F(GridFileTest, FailuresLeaveTheGridAlone) {
    TStringGrid grid;
    const Rows rows = Keyed({"a", "b"});
    Fill(grid, rows);
    EXPECT_THROW(LoadGridFromFile(grid, Path("missing.txt"), 3), EInOutError);
    EXPECT_THROW(LoadGridFromFile(grid, Path("missing.txt"), 0), std::invalid_argument);
    EXPECT_THROW(SaveGridToFile(grid, Path("no such folder/grid.txt")), EInOutError);
    EXPECT_EQ(DataRows(grid), rows);
    EXPECT_EQ(Tags(grid), (std::vector<int>{101, 102}));
}

TEST_F(GridFileTest, AGridWithoutDataRowsSavesAnEmptyFile) {
    TStringGrid grid;
    Fill(grid, {});
    const std::string path = Path("empty.txt");
    Write(path, "old content\r\n");
    SaveGridToFile(grid, path);
    EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(DameOrdenColumna, AscendingOnlyWhenTheTitleEndsInAsc) {
    const std::vector<std::pair<std::string_view, std::string_view>> cases = {
        {"Name (asc)", "(asc)"},  {"(asc)", "(asc)"},      {"Tamaño (asc)", "(asc)"},
        {"Name (dsc)", "(dsc)"},  {"Name", "(dsc)"},       {"", "(dsc)"},
        {"asc)", "(dsc)"},        {"(asc) Name", "(dsc)"}, {"Name (ASC)", "(dsc)"},
        {"Name (asc) ", "(dsc)"},
    };
    for (const auto& [title, order] : cases)
        EXPECT_EQ(DameOrdenColumna(title), order) << "title \"" << title << "\"";
}

} // namespace
} // namespace sorvane
