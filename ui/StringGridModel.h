// TStringGridModel: shows a TCellStore to a QTableView. Grid row 0 is the title
// row and becomes the horizontal header; grid rows 1.. are the model's rows
// 0... The store is changed by the grid, which tells the model through the
// calls below so the view hears of every change in the order Qt expects.
#pragma once

#include "ui/CellStore.h"

#include <QAbstractTableModel>
#include <functional>

namespace sorvane {

class TStringGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TStringGridModel(const TCellStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // While frozen (nested calls count), row changes and cell changes are not
    // announced one by one: the view keeps seeing the row count it last heard
    // of, and hears of everything at once when the last Thaw comes (or at an
    // explicit Publish). Column changes are always announced at once, so column
    // widths can be set while frozen.
    void Freeze() { ++frozen_; }
    void Thaw();
    bool Frozen() const { return frozen_ > 0; }
    // True when, frozen, the view has not heard of some change yet.
    bool Pending() const { return pending_; }
    // Announces every change the view has not heard of yet.
    void Publish();

    // Each call runs `change`, which changes the store; model rows and columns
    // are counted here, 0-based.
    void InsertRows(int first, int count, const std::function<void()>& change);
    void RemoveRows(int first, int count, const std::function<void()>& change);
    void InsertColumns(int first, int count, const std::function<void()>& change);
    void RemoveColumns(int first, int count, const std::function<void()>& change);

    // Announce changed texts: cells of grid rows firstRow..lastRow (row 0 is the
    // header) and columns firstCol..lastCol. Changes are gathered into one
    // announcement when control returns to the event loop (a cell-by-cell fill
    // would otherwise spend most of its time announcing cells nobody sees), or
    // earlier, before any change of rows or columns.
    void CellsChanged(int firstCol, int firstRow, int lastCol, int lastRow);
    // Announces the gathered cell changes now.
    void FlushCellChanges();

private:
    int StoreRows() const { return static_cast<int>(store_.Rows()) - 1; }

    const TCellStore& store_;
    int shownRows_ = 0;
    int shownCols_ = 0;
    int frozen_ = 0;
    bool pending_ = false;
    // Gathered cell changes, in grid rows; firstRow_ > lastRow_ when none.
    int firstCol_ = 0;
    int lastCol_ = -1;
    int firstRow_ = 0;
    int lastRow_ = -1;
    bool flushQueued_ = false;
};

} // namespace sorvane
