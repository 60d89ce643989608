// Tests of the grid's cell store: a long run of random edits checked against a
// plain table of strings and row tags after every step, and the encoding at the lengths
// where a cell's length prefix grows.
#include "ui/CellStore.h"

#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// The plain table: a row's texts by column, and its tag.
struct PlainRow {
    std::vector<std::string> cells;
    int tag = 0;
};
using Table = std::vector<PlainRow>;

void ExpectSame(const TCellStore& store, const Table& table, std::size_t cols) {
    ASSERT_EQ(store.Rows(), table.size());
    ASSERT_EQ(store.Cols(), cols);
    for (std::size_t r = 0; r < table.size(); ++r) {
        ASSERT_EQ(store.Tag(r), table[r].tag) << "tag of row " << r;
        for (std::size_t c = 0; c < cols; ++c)
            ASSERT_EQ(store.Cell(c, r), table[r].cells[c]) << "cell " << c << "," << r;
    }
}

std::size_t LiveBytes(const Table& table) {
    std::size_t bytes = 0;
    for (const auto& row : table)
        for (const auto& cell : row.cells)
            bytes += cell.size() + 3;
    return bytes;
}

TEST(CellStore, RandomEditsMatchAPlainTable) {
    std::mt19937 random(20240607);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    auto text = [&] {
        // Mostly short names; now and then empty, with NUL and high bytes, or
        // long enough to need a longer length prefix and to fill the pool.
        switch (pick(10)) {
        case 0:
            return std::string();
        case 1:
            return std::string("a\0b\xFF", 4);
        case 2:
            return std::string(100 + pick(30000), static_cast<char>('a' + pick(26)));
        default:
            return std::string("t").append(std::to_string(pick(100000)));
        }
    };

    TCellStore store;
    Table table;
    std::size_t cols = 0;
    auto setCols = [&](std::size_t n) {
        store.SetCols(n);
        for (auto& row : table)
            row.cells.resize(n);
        cols = n;
    };
    setCols(4);
    store.SetRows(6);
    table.assign(6, PlainRow{std::vector<std::string>(cols)});

    for (int step = 0; step < 6000; ++step) {
        SCOPED_TRACE(testing::Message() << "step " << step);
        const std::size_t rows = table.size();
        switch (pick(12)) {
        case 0:
        case 1:
        case 2:
        case 3: { // the most common edit by far
            if (rows == 0) break;
            const std::size_t c = pick(cols), r = pick(rows);
            const std::string t = text();
            store.SetCell(c, r, t);
            table[r].cells[c] = t;
            if (pick(4) == 0) {
                const int tag = static_cast<int>(pick(1000)) - 500;
                store.SetTag(r, tag);
                table[r].tag = tag;
            }
            break;
        }
        case 4: { // a text that lives in the store itself
            if (rows == 0) break;
            const std::size_t c = pick(cols), r = pick(rows);
            const std::size_t fromC = pick(cols), fromR = pick(rows);
            store.SetCell(c, r, store.Cell(fromC, fromR));
            table[r].cells[c] = table[fromR].cells[fromC];
            break;
        }
        case 5: { // a whole row, sometimes shorter or longer than the columns
            if (rows == 0) break;
            const std::size_t r = pick(rows);
            std::vector<std::string> texts(pick(cols + 2));
            for (auto& t : texts)
                t = text();
            const std::vector<std::string_view> views(texts.begin(), texts.end());
            store.SetRow(r, views);
            texts.resize(cols);
            table[r].cells = texts;
            break;
        }
        case 6: {
            const std::size_t r = pick(rows + 1);
            store.InsertRow(r);
            table.insert(table.begin() + static_cast<std::ptrdiff_t>(r),
                         PlainRow{std::vector<std::string>(cols)});
            break;
        }
        case 7: {
            if (rows == 0) break;
            const std::size_t r = pick(rows);
            store.DeleteRow(r);
            table.erase(table.begin() + static_cast<std::ptrdiff_t>(r));
            break;
        }
        case 8: {
            if (rows == 0) break;
            const std::size_t a = pick(rows), b = pick(rows);
            store.SwapRows(a, b);
            std::swap(table[a], table[b]);
            break;
        }
        case 9: {
            if (rows == 0) break;
            const std::size_t r = pick(rows);
            store.ClearRow(r);
            table[r] = PlainRow{std::vector<std::string>(cols)};
            break;
        }
        case 10: { // reorder every row after the first
            if (rows < 2) break;
            std::vector<std::uint32_t> order(rows - 1);
            std::iota(order.begin(), order.end(), 0u);
            std::shuffle(order.begin(), order.end(), random);
            store.Reorder(1, order);
            Table moved = table;
            for (std::size_t k = 0; k < order.size(); ++k)
                moved[1 + k] = table[1 + order[k]];
            table = moved;
            break;
        }
        case 11: { // row and column counts up and down
            if (pick(2) == 0) {
                const std::size_t n = 1 + pick(14);
                store.SetRows(n);
                table.resize(n, PlainRow{std::vector<std::string>(cols)});
            } else {
                setCols(1 + pick(7));
            }
            break;
        }
        }
        ExpectSame(store, table, cols);
        if (HasFatalFailure()) return;
    }
    // Stale bytes are reclaimed: the pool stays within a small multiple of
    // what the rows hold.
    EXPECT_LE(store.PoolBytes(), 2 * LiveBytes(table) + (2u << 20));
}

TEST(CellStore, LengthsAroundTheLengthPrefixSteps) {
    const std::vector<std::size_t> lengths = {0, 1, 127, 128, 129, 16383, 16384, 70000};
    TCellStore store;
    store.SetCols(lengths.size());
    store.SetRows(3);
    // Row 1 filled left to right (in place at the end of the pool), row 0
    // right to left (written again on every cell), row 2 in one call.
    std::vector<std::string> texts;
    for (std::size_t c = 0; c < lengths.size(); ++c)
        texts.push_back(std::string(lengths[c], static_cast<char>('A' + c)));
    for (std::size_t c = 0; c < lengths.size(); ++c)
        store.SetCell(c, 1, texts[c]);
    for (std::size_t c = lengths.size(); c-- > 0;)
        store.SetCell(c, 0, texts[c]);
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    store.SetRow(2, views);
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < lengths.size(); ++c)
            EXPECT_EQ(store.Cell(c, r), texts[c]) << "cell " << c << "," << r;
}

TEST(CellStore, CellsSkippedWhileFillingAreEmpty) {
    TCellStore store;
    store.SetCols(5);
    store.SetRows(2);
    store.SetCell(3, 1, "three");
    store.SetCell(1, 1, "one"); // goes back: the row is written again
    store.SetCell(4, 0, "title");
    const std::vector<std::string_view> row1 = {"", "one", "", "three", ""};
    const std::vector<std::string_view> row0 = {"", "", "", "", "title"};
    for (std::size_t c = 0; c < 5; ++c) {
        EXPECT_EQ(store.Cell(c, 1), row1[c]);
        EXPECT_EQ(store.Cell(c, 0), row0[c]);
    }
}

// Copying a cell into the next one of the same row: the pool grows under the
// text being copied, again and again, while the row is filled in place.
TEST(CellStore, ATextTakenFromTheStoreItself) {
    TCellStore store;
    store.SetCols(300);
    store.SetRows(2);
    store.SetCell(0, 1, "q");
    for (std::size_t c = 1; c < 300; ++c)
        store.SetCell(c, 1, store.Cell(c - 1, 1));
    for (std::size_t c = 0; c < 300; ++c)
        ASSERT_EQ(store.Cell(c, 1), "q") << "column " << c;
}

// Each way of dropping texts, repeated over many megabytes: the pool must
// reclaim what was dropped rather than grow with every round.
TEST(CellStore, DroppedTextsAreReclaimed) {
    struct Case {
        const char* name;
        std::function<void(TCellStore&)> drop;
    };
    const std::vector<Case> cases = {
        {"fewer rows", [](TCellStore& s) { s.SetRows(1); }},
        {"fewer columns", [](TCellStore& s) { s.SetCols(1); }},
        {"deleted rows",
         [](TCellStore& s) {
             while (s.Rows() > 1)
                 s.DeleteRow(1);
         }},
        {"cleared rows",
         [](TCellStore& s) {
             for (std::size_t r = 0; r < s.Rows(); ++r)
                 s.ClearRow(r);
         }},
        {"texts written over",
         [](TCellStore& s) {
             for (std::size_t r = 0; r < s.Rows(); ++r)
                 for (std::size_t c = 0; c < s.Cols(); ++c)
                     s.SetCell(c, r, "x");
         }},
    };
    const std::string big(10000, 'b');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCellStore store;
        for (int round = 0; round < 40; ++round) {
            store.SetCols(3);
            store.SetRows(41);
            for (std::size_t r = 1; r < 41; ++r)
                for (std::size_t col = 1; col < 3; ++col)
                    store.SetCell(col, r, big); // 800 kB a round
            c.drop(store);
        }
        EXPECT_LT(store.PoolBytes(), 4u << 20);
    }
}

} // namespace
} // namespace sorvane
