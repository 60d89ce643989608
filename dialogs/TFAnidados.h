// The nested-entries viewer: the members of an archive entry.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFAnidados : public QDialog {
    Q_OBJECT

public:
    explicit TFAnidados(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FAnidados"); }
};

inline TFAnidados* FAnidados = nullptr;

} // namespace sorvane
