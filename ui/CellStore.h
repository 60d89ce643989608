// TCellStore: the texts of a string grid, kept in one byte pool so that a
// million rows cost one allocation per pool growth rather than one per cell.
// Plain C++; the grid's model reads it and the grid changes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// Rows and columns are 0-based here; every index must be inside the store
// (the grid checks its callers' indexes before it gets here).
//
// Layout: each row is one run of bytes in `pool_` holding its cells in column
// order, each as a LEB128 length followed by the text. A row records where its
// run starts, how long it is, how many cells it encodes (the columns after
// those are empty) and its tag. Reordering rows only moves these small records. A changed
// row is written again at the end of the pool (in place when it already is the
// last run there, which is the case while a grid is filled row after row), and
// the pool is compacted once more than half of it is stale.
class TCellStore {
public:
    std::size_t Rows() const { return rows_.size(); }
    std::size_t Cols() const { return cols_; }

    // Growing adds empty rows or columns; shrinking drops the last ones.
    void SetRows(std::size_t rows);
    void SetCols(std::size_t cols);

    // The text of a cell; valid until the store changes.
    std::string_view Cell(std::size_t col, std::size_t row) const;
    void SetCell(std::size_t col, std::size_t row, std::string_view text);

    // Replaces the whole row: texts[i] goes to column i; columns beyond
    // `texts` become empty and texts beyond the last column are ignored.
    void SetRow(std::size_t row, std::span<const std::string_view> texts);
    // Empties the row's cells and resets its tag.
    void ClearRow(std::size_t row);

    // A number kept with a row, moved with it by every row operation; new rows
    // have 0.
    int Tag(std::size_t row) const { return rows_[row].tag; }
    void SetTag(std::size_t row, int tag) { rows_[row].tag = tag; }

    // Inserts an empty row before `row` (row == Rows() appends).
    void InsertRow(std::size_t row);
    void DeleteRow(std::size_t row);
    void SwapRows(std::size_t a, std::size_t b);

    // Rows first .. first + order.size() - 1 take the contents that rows
    // first + order[0], first + order[1], ... had; `order` must be a
    // permutation of 0 .. order.size() - 1 (the caller checks).
    void Reorder(std::size_t first, std::span<const std::uint32_t> order);

    // Bytes held by the pool, stale ones included (for tests of compaction).
    std::size_t PoolBytes() const { return pool_.size(); }

private:
    struct RowRun {
        std::uint64_t offset = 0;
        std::uint32_t bytes = 0;
        std::uint32_t cells = 0;
        std::int32_t tag = 0;
    };

    bool IsLastRun(const RowRun& run) const {
        return run.bytes == 0 || run.offset + run.bytes == pool_.size();
    }
    void Encode(std::string& out, std::string_view text) const;
    void DecodeRow(const RowRun& run, std::vector<std::string_view>& cells) const;
    // Writes `encoded` (cells encoded cells) as the new contents of `row`.
    void Store(std::size_t row, const std::string& encoded, std::uint32_t cells);
    void Drop(RowRun& run);
    void CompactIfStale();

    std::vector<RowRun> rows_;
    std::size_t cols_ = 0;
    std::string pool_;
    std::size_t stale_ = 0; // bytes of the pool no row refers to
    std::string scratch_;   // reused while a row is encoded again
};

} // namespace sorvane
