// The new-collection window.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFCrearColeccion : public QDialog {
    Q_OBJECT

public:
    explicit TFCrearColeccion(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FCrearColeccion"); }
};

inline TFCrearColeccion* FCrearColeccion = nullptr;

} // namespace sorvane
