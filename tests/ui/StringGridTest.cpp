// Tests of the string grid, shown offscreen and driven through its handlers:
// cells column first, row and column counts, the title row as the header, the
// hidden column 0, row operations, grid lines and owner drawing read back from
// the painted pixels, texts too wide for their cells read back from the
// drawing, the current cell, mouse and key handlers, and updates announced once
// at the end.
#include "ui/StringGrid.h"

#include "tests/ui/TextRecorder.h"
#include "ui/SlotBarrier.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using test::TextRecorder;

struct Cell {
    int col;
    int row;
    bool operator==(const Cell&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Cell& cell) {
    return out << "(" << cell.col << "," << cell.row << ")";
}

std::string Name(int col, int row) {
    return std::to_string(col) + "," + std::to_string(row);
}

bool HasColour(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb()) return true;
    return false;
}

class StringGridTest : public testing::Test {
protected:
    void SetUp() override {
        grid.resize(420, 320);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    void TearDown() override { SetExceptionReporter(nullptr); }

    // A cols x rows grid whose cell (c, r) holds "c,r", title row included.
    void Fill(int cols, int rows) {
        grid.SetColCount(cols);
        grid.SetRowCount(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                grid.SetCells(c, r, Name(c, r));
    }

    // What the view is told a cell shows: the header for row 0.
    QString Shown(int col, int row) const {
        const QAbstractItemModel* model = grid.model();
        if (row == 0) return model->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
        return model->data(model->index(row - 1, col), Qt::DisplayRole).toString();
    }

    std::vector<std::string> Column(int col) const {
        std::vector<std::string> texts;
        for (int r = 1; r < grid.RowCount(); ++r)
            texts.push_back(grid.Cells(col, r));
        return texts;
    }

    // Every text the grid draws, as it stands now.
    std::unique_ptr<TextRecorder> DrawnTexts() {
        QCoreApplication::processEvents();
        auto recorder = std::make_unique<TextRecorder>(grid.size());
        grid.render(recorder.get());
        return recorder;
    }

    QImage Painted() {
        QCoreApplication::processEvents();
        return grid.grab().toImage();
    }

    // A point inside a cell, in the coordinates of the widget that receives
    // the mouse there (the header's viewport for row 0, the grid's otherwise).
    QPoint CellPoint(QWidget* target, int col, int row) const {
        return target->mapFrom(&grid, grid.CellRect(col, row).center());
    }

    TStringGrid grid;
};

TEST_F(StringGridTest, CellsAreAddressedColumnFirst) {
    grid.SetColCount(4);
    grid.SetRowCount(3);
    struct Case {
        int col;
        int row;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, 0, "Name"},        {3, 0, "Size"}, {1, 2, "col 1 row 2"},
        {2, 1, "col 2 row 1"}, {3, 2, "last"},
    };
    for (const Case& c : cases)
        grid.SetCells(c.col, c.row, c.text);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << c.col << "," << c.row);
        EXPECT_EQ(grid.Cells(c.col, c.row), c.text);
        EXPECT_EQ(Shown(c.col, c.row), QString::fromStdString(c.text));
    }
    // The transposed cells were never written.
    EXPECT_EQ(grid.Cells(2, 1), "col 2 row 1");
    EXPECT_EQ(grid.Cells(1, 2), "col 1 row 2");
    EXPECT_EQ(grid.Cells(2, 2), "");
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(grid.model()->columnCount(), 4);
}

TEST_F(StringGridTest, TextsAreShownAsUtf8OrElseAsWindows1252) {
    struct Case {
        std::string bytes;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"plain.txt", QStringLiteral("plain.txt")},
        {"caf\xC3\xA9.mp3", QString::fromUtf8("café.mp3")},
        {"\xE6\x97\xA5\xE6\x9C\xAC", QString::fromUtf8("日本")},
        {"caf\xE9.mp3", QString::fromUtf8("café.mp3")}, // written on Windows
        {"\x80 \x93x\x94", QString::fromUtf8("€ “x”")},
    };
    grid.SetColCount(1);
    grid.SetRowCount(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        grid.SetCells(0, 1, c.bytes);
        grid.SetCells(0, 0, c.bytes);
        EXPECT_EQ(grid.Cells(0, 1), c.bytes); // stored as given
        EXPECT_EQ(Shown(0, 1), c.shown);
        EXPECT_EQ(Shown(0, 0), c.shown);
        EXPECT_EQ(grid.CellText(0, 1), c.shown);
    }
    grid.SetCellText(0, 1, QString::fromUtf8("niño"));
    EXPECT_EQ(grid.Cells(0, 1), "ni\xC3\xB1o");
}

TEST_F(StringGridTest, RowAndColumnCountsGrowEmptyAndShrinkFromTheEnd) {
    Fill(3, 6);
    grid.SetRowCount(3);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"0,1", "0,2"}));

    grid.SetRowCount(5); // the dropped rows do not come back
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"2,1", "2,2", "", ""}));
    EXPECT_EQ(Shown(2, 4), "");

    grid.SetColCount(1);
    grid.SetColCount(3);
    EXPECT_EQ(grid.model()->columnCount(), 3);
    EXPECT_EQ(grid.Cells(0, 2), "0,2");
    EXPECT_EQ(grid.Cells(1, 2), "");
    EXPECT_EQ(Shown(1, 0), "");

    grid.SetRowCount(0); // the title row always stays
    grid.SetColCount(0);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.Cells(0, 0), "0,0");
}

TEST_F(StringGridTest, IndexesOutsideTheGridThrow) {
    Fill(3, 4);
    const std::vector<Cell> outside = {{-1, 1}, {3, 1}, {0, -1}, {0, 4}, {100, 100}};
    for (const Cell& cell : outside) {
        SCOPED_TRACE(testing::Message() << cell);
        EXPECT_THROW(grid.Cells(cell.col, cell.row), std::out_of_range);
        EXPECT_THROW(grid.SetCells(cell.col, cell.row, "x"), std::out_of_range);
        EXPECT_THROW(grid.SetCurrentCell(cell.col, cell.row), std::out_of_range);
    }
    EXPECT_THROW(grid.ColWidths(3), std::out_of_range);
    EXPECT_THROW(grid.SetRow(0), std::out_of_range); // the title row is never current
}

// Each case starts from rows "0,1".."0,4", tagged 10..40, and names the first
// column after; the other column and the tags must have moved with it.
TEST_F(StringGridTest, RowOperations) {
    struct Case {
        const char* name;
        std::function<void(TStringGrid&)> operation;
        std::vector<std::string> column0;
    };
    const std::vector<Case> cases = {
        {"insert before row 2",
         [](TStringGrid& g) { g.InsertRow(2); },
         {"0,1", "", "0,2", "0,3", "0,4"}},
        {"insert at the end",
         [](TStringGrid& g) { g.InsertRow(5); },
         {"0,1", "0,2", "0,3", "0,4", ""}},
        {"delete the first row", [](TStringGrid& g) { g.DeleteRow(1); }, {"0,2", "0,3", "0,4"}},
        {"delete the last row", [](TStringGrid& g) { g.DeleteRow(4); }, {"0,1", "0,2", "0,3"}},
        {"swap", [](TStringGrid& g) { g.SwapRows(1, 4); }, {"0,4", "0,2", "0,3", "0,1"}},
        {"clear", [](TStringGrid& g) { g.ClearRow(3); }, {"0,1", "0,2", "", "0,4"}},
        {"move",
         [](TStringGrid& g) {
             g.MoveRows(std::vector<int>{3, 1, 4, 2});
         },
         {"0,3", "0,1", "0,4", "0,2"}},
        {"sort descending",
         [](TStringGrid& g) {
             g.SortRows([&g](int a, int b) { return g.CellView(0, a) > g.CellView(0, b); });
         },
         {"0,4", "0,3", "0,2", "0,1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(2, 5);
        for (int r = 0; r < 5; ++r)
            grid.SetRowTag(r, 10 * r);
        c.operation(grid);
        EXPECT_EQ(Column(0), c.column0);
        EXPECT_EQ(grid.RowTag(0), 0);
        // The second column moved along with the first.
        for (int r = 1; r < grid.RowCount(); ++r) {
            std::string second = c.column0[r - 1];
            if (!second.empty()) second[0] = '1';
            EXPECT_EQ(grid.Cells(1, r), second) << "row " << r;
            // The tag went with its row; a new or cleared row has none.
            const int tag = second.empty() ? 0 : 10 * std::stoi(second.substr(2));
            EXPECT_EQ(grid.RowTag(r), tag) << "row " << r;
            EXPECT_EQ(Shown(1, r), QString::fromStdString(second)) << "row " << r;
        }
        EXPECT_EQ(grid.model()->rowCount(), grid.RowCount() - 1);
        EXPECT_EQ(grid.Cells(0, 0), "0,0");
        EXPECT_EQ(Shown(1, 0), "1,0");
    }
}

TEST_F(StringGridTest, TheTitleRowIsNeverMovedByRowOperations) {
    Fill(2, 4);
    EXPECT_THROW(grid.InsertRow(0), std::out_of_range);
    EXPECT_THROW(grid.DeleteRow(0), std::out_of_range);
    EXPECT_THROW(grid.SwapRows(0, 2), std::out_of_range);
    EXPECT_THROW(grid.MoveRows(std::vector<int>{0, 1, 2}), std::invalid_argument);
    grid.SortRows([](int a, int b) { return a > b; });
    EXPECT_EQ(grid.Cells(0, 0), "0,0");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"0,3", "0,2", "0,1"}));
}

TEST_F(StringGridTest, MoveRowsRejectsAnOrderThatIsNotAPermutation) {
    const std::vector<std::vector<int>> orders = {
        {}, {1, 2}, {1, 2, 3, 4}, {1, 1, 2}, {1, 2, 4}, {-1, 2, 3},
    };
    for (const auto& order : orders) {
        Fill(1, 4);
        EXPECT_THROW(grid.MoveRows(order), std::invalid_argument);
        EXPECT_EQ(Column(0), (std::vector<std::string>{"0,1", "0,2", "0,3"}));
    }
}

TEST_F(StringGridTest, ColumnWidthZeroHidesTheColumn) {
    Fill(3, 4);
    grid.SetColWidths(1, 80);
    grid.SetColWidths(0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.ColWidths(0), 0);
    EXPECT_TRUE(grid.isColumnHidden(0));
    EXPECT_EQ(grid.horizontalHeader()->sectionSize(0), 0);
    EXPECT_TRUE(grid.CellRect(0, 1).isNull());
    EXPECT_TRUE(grid.CellRect(0, 0).isNull());
    // Column 1 starts where column 0 would have been.
    EXPECT_EQ(grid.columnViewportPosition(1), 0);
    const QPoint first = grid.viewport()->mapTo(&grid, QPoint(1, 1));
    EXPECT_EQ(grid.MouseToCell(first.x(), first.y()).col, 1);
    // Its texts stay in the grid, and the view still has them.
    EXPECT_EQ(grid.Cells(0, 2), "0,2");
    EXPECT_EQ(Shown(0, 2), "0,2");

    grid.SetColWidths(0, 50);
    EXPECT_FALSE(grid.isColumnHidden(0));
    EXPECT_EQ(grid.ColWidths(0), 50);
    EXPECT_EQ(grid.ColWidths(1), 80);
}

TEST_F(StringGridTest, ColumnHiddenWhileUpdatingStaysHidden) {
    grid.BeginUpdate();
    Fill(3, 100);
    grid.SetColWidths(0, 0);
    grid.EndUpdate();
    EXPECT_TRUE(grid.isColumnHidden(0));
    EXPECT_EQ(grid.ColWidths(0), 0);
    EXPECT_EQ(Shown(0, 99), "0,99");
    // The grid starts on the first row, not in the hidden column.
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
}

TEST_F(StringGridTest, GridLinesEachDirectionOnItsOwn) {
    Fill(3, 5);
    // Nothing but background and lines to look at, away from the current cell.
    for (int r = 0; r < 5; ++r)
        grid.ClearRow(r);
    const QRect cell = grid.CellRect(1, 2);
    struct Case {
        bool horizontal;
        bool vertical;
    };
    for (const Case c :
         {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(testing::Message()
                     << "horizontal " << c.horizontal << " vertical " << c.vertical);
        grid.SetHorizontalLines(c.horizontal);
        grid.SetVerticalLines(c.vertical);
        EXPECT_EQ(grid.HorizontalLines(), c.horizontal);
        EXPECT_EQ(grid.VerticalLines(), c.vertical);
        const QImage image = Painted();
        const QRgb inside = image.pixel(cell.center());
        const QRgb bottom = image.pixel(cell.center().x(), cell.bottom());
        const QRgb right = image.pixel(cell.right(), cell.center().y());
        EXPECT_EQ(bottom != inside, c.horizontal);
        EXPECT_EQ(right != inside, c.vertical);
    }
}

TEST_F(StringGridTest, DrawHookSeesEveryShownCellTitleRowIncluded) {
    Fill(3, 4);
    struct Call {
        Cell cell;
        QSize size;
        bool focused;
    };
    std::vector<Call> calls;
    grid.OnDrawCell = [&](int col, int row, QPainter&, const QRect& rect, bool focused) {
        calls.push_back({{col, row}, rect.size(), focused});
        return false;
    };
    grid.SetCurrentCell(2, 3);
    Painted();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            SCOPED_TRACE(testing::Message() << (Cell{c, r}));
            const auto it = std::find_if(calls.begin(), calls.end(), [&](const Call& call) {
                return call.cell == Cell{c, r};
            });
            ASSERT_NE(it, calls.end());
            EXPECT_EQ(it->size, grid.CellRect(c, r).size());
            EXPECT_EQ(it->focused, c == 2 && r == 3);
        }

    // With whole rows highlighted, every cell of the current row is focused.
    grid.SetRowSelect(true);
    calls.clear();
    Painted();
    for (const Call& call : calls)
        EXPECT_EQ(call.focused, call.cell.row == 3) << call.cell;
}

TEST_F(StringGridTest, DrawHookCanDrawTheTextItselfOrLeaveItToTheGrid) {
    Fill(3, 4);
    grid.SetCells(1, 2, "WWWWWWWW");
    grid.SetCells(1, 0, "WWWWWWWW");
    auto region = [&](int col, int row) { return Painted().copy(grid.CellRect(col, row)); };
    const QImage withText = region(1, 2);
    const QImage titleWithText = region(1, 0);

    grid.OnDrawCell = [](int col, int row, QPainter&, const QRect&, bool) {
        return col == 1 && (row == 2 || row == 0); // "drawn" by the hook: nothing at all
    };
    const QImage hookDrew = region(1, 2);
    const QImage titleHookDrew = region(1, 0);

    grid.OnDrawCell = [](int col, int row, QPainter& painter, const QRect& rect, bool) {
        if (col != 1 || row != 2) return false;
        painter.fillRect(rect, Qt::red);
        return true;
    };
    const QImage hookPainted = region(1, 2);

    // A hook that only sets the pen leaves the text to the grid, in its colour.
    grid.OnDrawCell = [](int col, int row, QPainter& painter, const QRect&, bool) {
        if (col == 1 && (row == 2 || row == 0)) painter.setPen(Qt::red);
        return false;
    };
    const QImage redText = region(1, 2);
    const QImage redTitle = region(1, 0);
    const QImage notHooked = region(2, 2);

    grid.OnDrawCell = nullptr;
    grid.SetCells(1, 2, "");
    grid.SetCells(1, 0, "");
    const QImage empty = region(1, 2);
    const QImage titleEmpty = region(1, 0);

    EXPECT_NE(withText, empty);
    EXPECT_EQ(hookDrew, empty);
    EXPECT_NE(titleWithText, titleEmpty);
    EXPECT_EQ(titleHookDrew, titleEmpty);
    EXPECT_EQ(hookPainted.pixel(hookPainted.rect().center()), QColor(Qt::red).rgb());
    EXPECT_TRUE(HasColour(redText, Qt::red));
    EXPECT_TRUE(HasColour(redTitle, Qt::red));
    EXPECT_FALSE(HasColour(withText, Qt::red));
    EXPECT_FALSE(HasColour(notHooked, Qt::red)); // the pen did not outlast its cell
}

TEST_F(StringGridTest, DrawHookFailureIsReportedOnceAfterPainting) {
    Fill(2, 3);
    std::vector<std::string> reports;
    SetExceptionReporter([&](const std::string& message) { reports.push_back(message); });
    grid.OnDrawCell = [](int, int, QPainter&, const QRect&, bool) -> bool {
        throw std::runtime_error("bad cell");
    };
    grid.grab();
    EXPECT_TRUE(reports.empty()); // not from inside the paint event
    QCoreApplication::processEvents();
    grid.grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(reports, std::vector<std::string>{"bad cell"});

    grid.SetCells(0, 1, "changed"); // new contents, a new report
    grid.grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(StringGridTest, DrawHookIsNeverHandedARowTheGridNoLongerHas) {
    Fill(3, 12);
    std::vector<Cell> outside;
    std::vector<std::string> reports;
    SetExceptionReporter([&](const std::string& message) { reports.push_back(message); });
    grid.OnDrawCell = [&](int col, int row, QPainter&, const QRect&, bool) {
        if (row >= grid.RowCount() || col >= grid.ColCount()) outside.push_back({col, row});
        return grid.Cells(col, row).empty(); // reads the cell, as real hooks do
    };
    Painted();
    // Rows go while the view still shows them: it hears of it at EndUpdate,
    // and its viewport may be painted before that.
    {
        TStringGridUpdate update(grid);
        grid.SetRowCount(4);
        grid.DeleteRow(1);
        grid.viewport()->grab();
        QCoreApplication::processEvents();
    }
    Painted();
    QCoreApplication::processEvents();
    EXPECT_TRUE(outside.empty()) << "first: " << outside.front();
    EXPECT_TRUE(reports.empty()) << reports.front();
    EXPECT_EQ(grid.model()->rowCount(), 2);
}

// A text too wide for its cell shows its leading characters and "…", whatever
// its alignment: a number keeps its magnitude, a title its first letters. A
// text that fits is drawn whole, and trailing blanks give way first.
TEST_F(StringGridTest, TextsTooWideForTheirCellKeepTheirLeadingCharacters) {
    struct Case {
        const char* what;
        int row;
        QString text;
        QString fits; // what the cell is just wide enough for
        bool rightAligned;
        bool cut;
    };
    const QString big = "5,368,709,120";
    const std::vector<Case> cases = {
        {"wide number, right-aligned", 1, big, "5,368,7", true, true},
        {"wide number, grid's drawing", 2, "3,000,000,000", "3,00", false, true},
        {"number that fits, right-aligned", 3, "4,096", "4,096", true, false},
        {"title with padding blanks", 0, "Modified       ", "Modified", false, false},
        {"long title", 0, "Attributes       ", "Attr", false, true},
    };
    grid.SetColCount(static_cast<int>(cases.size()));
    grid.SetRowCount(4);
    const QFontMetrics metrics = grid.fontMetrics();
    for (int col = 0; col < static_cast<int>(cases.size()); ++col) {
        const Case& c = cases[col];
        grid.SetCellText(col, c.row, c.text);
        const int width =
            c.row == 0 ? grid.TitleWidthFor(c.fits) : TStringGrid::CellWidthFor(metrics, c.fits);
        grid.SetColWidths(col, width);
    }
    grid.OnDrawCell = [&](int col, int row, QPainter& painter, const QRect& rect, bool) {
        if (row == 0 || !cases[col].rightAligned) return false;
        grid.DrawCellText(painter, rect, grid.CellText(col, row),
                          Qt::AlignRight | Qt::AlignVCenter);
        return true;
    };
    const auto drawn = DrawnTexts();
    const QString ellipsis(QChar(0x2026));
    for (int col = 0; col < static_cast<int>(cases.size()); ++col) {
        const Case& c = cases[col];
        SCOPED_TRACE(c.what);
        const QRect cell = grid.CellRect(col, c.row);
        const QString shown = drawn->TextIn(cell);
        if (!c.cut) {
            EXPECT_EQ(shown.toStdString(), c.text.trimmed().toStdString());
            continue;
        }
        ASSERT_TRUE(shown.endsWith(ellipsis)) << shown.toStdString();
        const QString lead = shown.chopped(1);
        EXPECT_FALSE(lead.isEmpty());
        EXPECT_TRUE(c.text.startsWith(lead)) << shown.toStdString();
        EXPECT_EQ(lead, TStringGrid::FitCellText(metrics, c.text, cell.width()).chopped(1));
        // It starts at the cell's left edge and stays inside the cell.
        for (const TextRecorder::Drawn& d : drawn->drawn) {
            if (cell.contains(d.at.toPoint())) {
                EXPECT_LE(d.at.x(), cell.left() + TStringGrid::kTextMargin + 1);
            }
        }
        EXPECT_LE(metrics.horizontalAdvance(shown), cell.width() - 2 * TStringGrid::kTextMargin);
    }
}

TEST_F(StringGridTest, FittingATextToACell) {
    const QFontMetrics metrics = grid.fontMetrics();
    const QString ellipsis(QChar(0x2026));
    const QString cafe = QString::fromUtf8("cafe\xCC\x81"); // "e" and a combining accent
    const auto width = [&](const QString& text) {
        return TStringGrid::CellWidthFor(metrics, text);
    };
    struct Case {
        const char* what;
        QString text;
        int cellWidth;
        QString expected; // empty: the longest leading piece that fits, and "…"
    };
    const std::vector<Case> cases = {
        {"fits exactly", "9,999,999,999,999", width("9,999,999,999,999"), "9,999,999,999,999"},
        {"one pixel short", "9,999,999,999,999", width("9,999,999,999,999") - 1, ""},
        {"half the room", "4294967296", width("4294967296") / 2, ""},
        {"padding blank before a number", " 5,368,709,120", width("5,368,709,120"),
         "5,368,709,120"},
        {"trailing blanks", "Size       ", width("Size"), "Size"},
        {"no room at all", "12345", 3, ellipsis},
        {"an accent stays with its letter", cafe + "wwww", width(cafe + ellipsis), cafe + ellipsis},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString fitted = TStringGrid::FitCellText(metrics, c.text, c.cellWidth);
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(fitted.toStdString(), c.expected.toStdString());
            continue;
        }
        ASSERT_TRUE(fitted.endsWith(ellipsis)) << fitted.toStdString();
        const QString lead = fitted.chopped(1);
        EXPECT_TRUE(c.text.startsWith(lead)) << fitted.toStdString();
        EXPECT_LE(width(fitted), c.cellWidth);
        // One character more would not fit.
        EXPECT_GT(width(c.text.left(lead.size() + 1) + ellipsis), c.cellWidth);
    }
}

TEST_F(StringGridTest, SelectCellRunsForCodeClicksAndKeys) {
    std::vector<Cell> selected;
    grid.OnSelectCell = [&](int col, int row) { selected.push_back({col, row}); };
    EXPECT_EQ(grid.Row(), 0); // no rows yet
    Fill(3, 6);
    // The first rows put the grid on row 1 by themselves.
    EXPECT_TRUE(selected.empty());
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 0);

    grid.SetCurrentCell(2, 3);
    grid.SetCurrentCell(2, 3); // no change, no call
    grid.SetRow(5);
    grid.SetCol(1);
    EXPECT_EQ(selected, (std::vector<Cell>{{2, 3}, {2, 5}, {1, 5}}));

    selected.clear();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CellPoint(grid.viewport(), 0, 2));
    EXPECT_EQ(selected, (std::vector<Cell>{{0, 2}}));
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.Col(), 0);

    selected.clear();
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(selected, (std::vector<Cell>{{0, 3}, {1, 3}}));
    EXPECT_EQ(grid.Row(), 3);
}

TEST_F(StringGridTest, CurrentCellKeepsItsNumberThroughRowOperations) {
    Fill(3, 8);
    grid.SetCurrentCell(1, 4);
    int calls = 0;
    grid.OnSelectCell = [&](int, int) { ++calls; };
    struct Step {
        const char* name;
        std::function<void()> operation;
        int row;
    };
    const std::vector<Step> steps = {
        {"delete above", [&] { grid.DeleteRow(1); }, 4},
        {"insert above", [&] { grid.InsertRow(1); }, 4},
        {"delete the current row", [&] { grid.DeleteRow(4); }, 4},
        {"sort", [&] { grid.SortRows([](int a, int b) { return a > b; }); }, 4},
        {"shrink below it", [&] { grid.SetRowCount(3); }, 2},
        {"refill while updating",
         [&] {
             TStringGridUpdate update(grid);
             grid.SetRowCount(1);
             Fill(3, 9);
         },
         2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.operation();
        EXPECT_EQ(grid.Row(), step.row);
        EXPECT_EQ(grid.Col(), 1);
    }
    EXPECT_EQ(calls, 0); // none of these is a new choice of cell
}

TEST_F(StringGridTest, MouseHandlersReportTheCellUnderTheMouseTitleRowIncluded) {
    Fill(3, 4);
    std::vector<TGridMouseEvent> downs, ups, doubles;
    grid.OnMouseDown = [&](const TGridMouseEvent& e) { downs.push_back(e); };
    grid.OnMouseUp = [&](const TGridMouseEvent& e) { ups.push_back(e); };
    grid.OnDblClick = [&](const TGridMouseEvent& e) { doubles.push_back(e); };

    QWidget* header = grid.horizontalHeader()->viewport();
    QWidget* cells = grid.viewport();
    struct Case {
        const char* name;
        QWidget* target;
        QPoint at; // in the target's coordinates
        Qt::MouseButton button;
        Cell cell;
    };
    const QPoint belowLastRow = cells->mapFrom(&grid, grid.CellRect(1, 3).center()) +
                                QPoint(0, 3 * grid.DefaultRowHeight());
    const std::vector<Case> cases = {
        {"title of column 0", header, CellPoint(header, 0, 0), Qt::LeftButton, {0, 0}},
        {"title of column 2", header, CellPoint(header, 2, 0), Qt::LeftButton, {2, 0}},
        {"cell 1,1", cells, CellPoint(cells, 1, 1), Qt::LeftButton, {1, 1}},
        {"cell 2,3 right button", cells, CellPoint(cells, 2, 3), Qt::RightButton, {2, 3}},
        {"below the last row", cells, belowLastRow, Qt::LeftButton, {-1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        downs.clear();
        ups.clear();
        QTest::mouseClick(c.target, c.button, {}, c.at);
        ASSERT_EQ(downs.size(), 1u);
        ASSERT_EQ(ups.size(), 1u);
        const QPoint inGrid = c.target->mapTo(&grid, c.at);
        for (const TGridMouseEvent& e : {downs[0], ups[0]}) {
            EXPECT_EQ((Cell{e.col, e.row}), c.cell);
            EXPECT_EQ(e.button, c.button);
            EXPECT_EQ(QPoint(e.x, e.y), inGrid);
            const TGridCoord back = grid.MouseToCell(e.x, e.y);
            EXPECT_EQ((Cell{back.col, back.row}), c.cell);
        }
    }

    QTest::mouseDClick(cells, Qt::LeftButton, {}, CellPoint(cells, 2, 2));
    QTest::mouseDClick(header, Qt::LeftButton, {}, CellPoint(header, 1, 0));
    ASSERT_EQ(doubles.size(), 2u);
    EXPECT_EQ((Cell{doubles[0].col, doubles[0].row}), (Cell{2, 2}));
    EXPECT_EQ((Cell{doubles[1].col, doubles[1].row}), (Cell{1, 0}));
}

TEST_F(StringGridTest, KeyUpReportsReleasedKeysButNotAutoRepeat) {
    Fill(2, 3);
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
    grid.OnKeyUp = [&](int key, Qt::KeyboardModifiers modifiers) {
        keys.push_back({key, modifiers});
    };
    grid.setFocus();
    QTest::keyRelease(&grid, Qt::Key_Delete);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(&grid, &repeat);
    QKeyEvent withControl(QEvent::KeyRelease, Qt::Key_F, Qt::ControlModifier);
    QCoreApplication::sendEvent(&grid, &withControl);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].first, Qt::Key_Delete);
    EXPECT_EQ(keys[0].second, Qt::NoModifier);
    EXPECT_EQ(keys[1].first, Qt::Key_F);
    EXPECT_EQ(keys[1].second, Qt::ControlModifier);
}

TEST_F(StringGridTest, UpdatesAreAnnouncedOnceAtTheEnd) {
    grid.SetColCount(2);
    QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(grid.model(), &QAbstractItemModel::rowsRemoved);

    grid.BeginUpdate();
    EXPECT_TRUE(grid.Updating());
    EXPECT_FALSE(grid.updatesEnabled());
    for (int r = 1; r <= 1000; ++r) {
        grid.SetRowCount(r + 1); // one row at a time, the slow way
        grid.SetCells(0, r, Name(0, r));
    }
    grid.BeginUpdate(); // nested: the inner end announces nothing
    grid.DeleteRow(1000);
    grid.EndUpdate();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(inserted.count(), 0);
    grid.EndUpdate();

    EXPECT_FALSE(grid.Updating());
    EXPECT_TRUE(grid.updatesEnabled());
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 999);
    EXPECT_EQ(Shown(0, 999), "0,999");
    EXPECT_EQ(grid.Row(), 1);

    {
        TStringGridUpdate update(grid);
        grid.SetRowCount(11);
        grid.SetCurrentCell(1, 7); // a row the view has not heard of yet works too
        EXPECT_EQ(grid.Row(), 7);
    }
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 10);
    EXPECT_EQ(grid.Row(), 7);
    grid.EndUpdate(); // unpaired: ignored
    EXPECT_FALSE(grid.Updating());
}

} // namespace
} // namespace sorvane
