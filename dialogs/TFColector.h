// The collector basket: files gathered from catalogues to copy to a target disk.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFColector : public QDialog {
    Q_OBJECT

public:
    explicit TFColector(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FColector"); }
};

inline TFColector* FColector = nullptr;

} // namespace sorvane
