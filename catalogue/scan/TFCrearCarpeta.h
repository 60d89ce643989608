// The folder cataloguing window.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFCrearCarpeta : public QDialog {
    Q_OBJECT

public:
    explicit TFCrearCarpeta(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FCrearCarpeta"); }
};

inline TFCrearCarpeta* FCrearCarpeta = nullptr;

} // namespace sorvane
