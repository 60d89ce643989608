// The loading window shown while catalogues are read in at start and freed at exit.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace sorvane {

class TFFinal : public QDialog {
    Q_OBJECT

public:
    explicit TFFinal(QWidget* parent = nullptr);

    QLabel* LMensaje;
    QLabel* LProgreso;
    QLabel* LEspere;
    QProgressBar* PBFinal;
};

extern TFFinal* FFinal;

} // namespace sorvane
