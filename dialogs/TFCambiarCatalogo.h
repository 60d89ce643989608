// The catalogue-header editor: a catalogue's name, disk type and sizes.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFCambiarCatalogo : public QDialog {
    Q_OBJECT

public:
    explicit TFCambiarCatalogo(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FCambiarCatalogo"); }
};

inline TFCambiarCatalogo* FCambiarCatalogo = nullptr;

} // namespace sorvane
