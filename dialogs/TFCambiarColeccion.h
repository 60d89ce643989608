// The collection editor: renames a collection.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFCambiarColeccion : public QDialog {
    Q_OBJECT

public:
    explicit TFCambiarColeccion(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FCambiarColeccion"); }
};

inline TFCambiarColeccion* FCambiarColeccion = nullptr;

} // namespace sorvane
