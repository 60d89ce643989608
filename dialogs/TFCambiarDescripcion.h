// The description editor of a folder or file.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFCambiarDescripcion : public QDialog {
    Q_OBJECT

public:
    explicit TFCambiarDescripcion(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FCambiarDescripcion"); }
};

inline TFCambiarDescripcion* FCambiarDescripcion = nullptr;

} // namespace sorvane
