// The collector's disk request while a copy runs.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFColectorMensaje : public QDialog {
    Q_OBJECT

public:
    explicit TFColectorMensaje(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FColectorMensaje"); }
};

inline TFColectorMensaje* FColectorMensaje = nullptr;

} // namespace sorvane
