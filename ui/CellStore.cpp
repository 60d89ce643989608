// The byte pool behind the string grid.
#include "ui/CellStore.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace sorvane {
namespace {

// Below this, stale bytes are never worth a compaction.
constexpr std::size_t kMinStaleToCompact = 1 << 20;

// Reads a LEB128 length at `p` and moves `p` past it.
std::size_t ReadLength(const char*& p) {
    std::size_t value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        value |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return value;
        shift += 7;
    }
}

void WriteLength(std::string& out, std::size_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (value & 0x7F)));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

} // namespace

void TCellStore::SetRows(std::size_t rows) {
    for (std::size_t r = rows; r < rows_.size(); ++r)
        stale_ += rows_[r].bytes;
    rows_.resize(rows);
    CompactIfStale();
}

void TCellStore::SetCols(std::size_t cols) {
    if (cols < cols_) {
        for (RowRun& run : rows_) {
            if (run.cells <= cols) continue;
            const char* begin = pool_.data() + run.offset;
            const char* p = begin;
            for (std::size_t c = 0; c < cols; ++c)
                p += ReadLength(p);
            const auto kept = static_cast<std::uint32_t>(p - begin);
            stale_ += run.bytes - kept;
            run.bytes = kept;
            run.cells = static_cast<std::uint32_t>(cols);
        }
    }
    cols_ = cols;
    CompactIfStale();
}

std::string_view TCellStore::Cell(std::size_t col, std::size_t row) const {
    const RowRun& run = rows_[row];
    if (col >= run.cells) return {};
    const char* p = pool_.data() + run.offset;
    for (std::size_t c = 0; c < col; ++c)
        p += ReadLength(p);
    const std::size_t length = ReadLength(p);
    return {p, length};
}

void TCellStore::Encode(std::string& out, std::string_view text) const {
    WriteLength(out, text.size());
    out.append(text);
}

void TCellStore::DecodeRow(const RowRun& run, std::vector<std::string_view>& cells) const {
    cells.clear();
    const char* p = pool_.data() + run.offset;
    for (std::uint32_t c = 0; c < run.cells; ++c) {
        const std::size_t length = ReadLength(p);
        cells.emplace_back(p, length);
        p += length;
    }
}

void TCellStore::SetCell(std::size_t col, std::size_t row, std::string_view text) {
    RowRun& run = rows_[row];
    // A text that lies in the pool itself would move under us while the pool
    // grows; it takes the way through the scratch buffer.
    const std::less<const char*> before;
    const bool fromPool =
        !before(text.data(), pool_.data()) && before(text.data(), pool_.data() + pool_.size());
    if (col >= run.cells && IsLastRun(run) && !fromPool) {
        // Filling the last row left to right: append in place.
        if (run.bytes == 0) run.offset = pool_.size();
        const std::size_t size = pool_.size();
        pool_.append(col - run.cells, '\0'); // the empty cells in between
        Encode(pool_, text);
        run.bytes += static_cast<std::uint32_t>(pool_.size() - size);
        run.cells = static_cast<std::uint32_t>(col + 1);
        return;
    }
    std::vector<std::string_view> cells;
    DecodeRow(run, cells);
    if (col >= cells.size()) cells.resize(col + 1);
    cells[col] = text;
    scratch_.clear();
    for (std::string_view cell : cells)
        Encode(scratch_, cell);
    Store(row, scratch_, static_cast<std::uint32_t>(cells.size()));
}

void TCellStore::SetRow(std::size_t row, std::span<const std::string_view> texts) {
    const std::size_t count = std::min(texts.size(), cols_);
    scratch_.clear();
    for (std::size_t c = 0; c < count; ++c)
        Encode(scratch_, texts[c]);
    Store(row, scratch_, static_cast<std::uint32_t>(count));
}

void TCellStore::Store(std::size_t row, const std::string& encoded, std::uint32_t cells) {
    RowRun& run = rows_[row];
    if (IsLastRun(run) && run.bytes != 0) {
        pool_.resize(run.offset); // rewrite the last run where it is
    } else {
        stale_ += run.bytes;
        run.offset = pool_.size();
    }
    pool_.append(encoded);
    run.bytes = static_cast<std::uint32_t>(encoded.size());
    run.cells = cells;
    CompactIfStale();
}

void TCellStore::Drop(RowRun& run) {
    stale_ += run.bytes;
    run = RowRun{};
}

void TCellStore::ClearRow(std::size_t row) {
    Drop(rows_[row]);
    CompactIfStale();
}

void TCellStore::InsertRow(std::size_t row) {
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), RowRun{});
}

void TCellStore::DeleteRow(std::size_t row) {
    stale_ += rows_[row].bytes;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    CompactIfStale();
}

void TCellStore::SwapRows(std::size_t a, std::size_t b) {
    std::swap(rows_[a], rows_[b]);
}

void TCellStore::Reorder(std::size_t first, std::span<const std::uint32_t> order) {
    std::vector<RowRun> moved(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        moved[i] = rows_[first + order[i]];
    std::copy(moved.begin(), moved.end(), rows_.begin() + static_cast<std::ptrdiff_t>(first));
}

void TCellStore::CompactIfStale() {
    if (stale_ < kMinStaleToCompact || stale_ * 2 < pool_.size()) return;
    std::string compact;
    compact.reserve(pool_.size() - stale_);
    for (RowRun& run : rows_) {
        if (run.bytes == 0) {
            run.offset = 0;
            continue;
        }
        const std::size_t offset = compact.size();
        compact.append(pool_, run.offset, run.bytes);
        run.offset = offset;
    }
    pool_ = std::move(compact);
    stale_ = 0;
}

} // namespace sorvane
