// The table model of the string grid.
#include "ui/StringGridModel.h"

#include "ui/DisplayText.h"

#include <QTimer>
#include <algorithm>

namespace sorvane {

TStringGridModel::TStringGridModel(const TCellStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store), shownRows_(std::max(StoreRows(), 0)),
      shownCols_(static_cast<int>(store.Cols())) {}

int TStringGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int TStringGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCols_;
}

QVariant TStringGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    // While frozen the view may ask for a row the store no longer has.
    const auto row = static_cast<std::size_t>(index.row()) + 1;
    const auto col = static_cast<std::size_t>(index.column());
    if (row >= store_.Rows() || col >= store_.Cols()) return {};
    return DisplayText(store_.Cell(col, row));
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (store_.Rows() == 0 || static_cast<std::size_t>(section) >= store_.Cols()) return {};
    return DisplayText(store_.Cell(static_cast<std::size_t>(section), 0));
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TStringGridModel::Thaw() {
    if (frozen_ == 0) return;
    if (--frozen_ == 0) Publish();
}

void TStringGridModel::Publish() {
    FlushCellChanges();
    if (!pending_) return;
    pending_ = false;
    const int rows = std::max(StoreRows(), 0);
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
    if (shownCols_ > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, shownCols_ - 1);
        if (shownRows_ > 0) emit dataChanged(index(0, 0), index(shownRows_ - 1, shownCols_ - 1));
    }
}

void TStringGridModel::InsertRows(int first, int count, const std::function<void()>& change) {
    FlushCellChanges();
    if (Frozen()) {
        change();
        pending_ = true;
        return;
    }
    beginInsertRows(QModelIndex(), first, first + count - 1);
    change();
    shownRows_ += count;
    endInsertRows();
}

void TStringGridModel::RemoveRows(int first, int count, const std::function<void()>& change) {
    FlushCellChanges();
    if (Frozen()) {
        change();
        pending_ = true;
        return;
    }
    beginRemoveRows(QModelIndex(), first, first + count - 1);
    change();
    shownRows_ -= count;
    endRemoveRows();
}

void TStringGridModel::InsertColumns(int first, int count, const std::function<void()>& change) {
    FlushCellChanges();
    beginInsertColumns(QModelIndex(), first, first + count - 1);
    change();
    shownCols_ += count;
    endInsertColumns();
}

void TStringGridModel::RemoveColumns(int first, int count, const std::function<void()>& change) {
    FlushCellChanges();
    beginRemoveColumns(QModelIndex(), first, first + count - 1);
    change();
    shownCols_ -= count;
    endRemoveColumns();
}

void TStringGridModel::CellsChanged(int firstCol, int firstRow, int lastCol, int lastRow) {
    if (Frozen()) {
        pending_ = true;
        return;
    }
    if (firstRow_ > lastRow_) {
        firstCol_ = firstCol;
        lastCol_ = lastCol;
        firstRow_ = firstRow;
        lastRow_ = lastRow;
    } else {
        firstCol_ = std::min(firstCol_, firstCol);
        lastCol_ = std::max(lastCol_, lastCol);
        firstRow_ = std::min(firstRow_, firstRow);
        lastRow_ = std::max(lastRow_, lastRow);
    }
    if (!flushQueued_) {
        flushQueued_ = true;
        QTimer::singleShot(0, this, [this] { FlushCellChanges(); });
    }
}

void TStringGridModel::FlushCellChanges() {
    flushQueued_ = false;
    if (firstRow_ > lastRow_) return;
    const int firstCol = firstCol_;
    const int lastCol = std::min(lastCol_, shownCols_ - 1);
    const int firstRow = firstRow_;
    const int lastRow = lastRow_;
    firstRow_ = 0;
    lastRow_ = -1;
    if (firstCol > lastCol) return;
    if (firstRow == 0) emit headerDataChanged(Qt::Horizontal, firstCol, lastCol);
    const int top = std::max(firstRow, 1) - 1;
    const int bottom = std::min(lastRow - 1, shownRows_ - 1);
    if (top <= bottom) emit dataChanged(index(top, firstCol), index(bottom, lastCol));
}

} // namespace sorvane
