// The collector basket: files gathered from catalogues to copy to a target disk.
// A standing window, created at start; its grid is made here, the rest of its
// controls arrive with its own work.
#pragma once

#include "ui/StringGrid.h"

#include <QDialog>
#include <QVBoxLayout>

namespace sorvane {

class TFColector : public QDialog {
    Q_OBJECT

public:
    // Columns of SGColector; the settings keep the widths of columns 1-17.
    static constexpr int kColumns = 21;

    explicit TFColector(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("FColector");
        SGColector = new TStringGrid(this);
        SGColector->setObjectName("SGColector");
        SGColector->SetColCount(kColumns);
        SGColector->SetRowCount(2);
        // Column 0 holds the sort key; 4 and 5 (the folder and the name) share
        // what the others leave.
        static constexpr int kWidths[kColumns] = {0,  80, 80, 140, 140, 150, 64, 81, 81, 40, 30,
                                                  48, 60, 30, 12,  30,  22,  50, 0,  0,  0};
        for (int col = 0; col < kColumns; ++col)
            SGColector->SetColWidths(col, kWidths[col]);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(SGColector);
    }

    TStringGrid* SGColector;
};

inline TFColector* FColector = nullptr;

} // namespace sorvane
