// The collector's question while a copy runs: the disk of a catalogue is in
// no drive; retry, skip the row, or stop the run.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace sorvane {

class TFColectorMensaje : public QDialog {
    Q_OBJECT

public:
    explicit TFColectorMensaje(QWidget* parent = nullptr);

    // Each button leaves its letter in the collector's answer and closes the window.
    void BBReintentarClick();
    void BBCancelarClick();
    void BBPararClick();

    QLabel *LMensaje, *LCatalogoTitulo, *LCatalogo, *LItemTitulo, *LItem;
    QPushButton *BBReintentar, *BBCancelar, *BBParar;

private:
    void Responde(char answer);
};

inline TFColectorMensaje* FColectorMensaje = nullptr;

} // namespace sorvane
