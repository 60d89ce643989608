// The disk cataloguing window.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFCrearDisco : public QDialog {
    Q_OBJECT

public:
    explicit TFCrearDisco(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FCrearDisco"); }
};

inline TFCrearDisco* FCrearDisco = nullptr;

} // namespace sorvane
