// The message window: the one modal window through which every part of the
// program shows a text to the user.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace sorvane {

class TFMensajes : public QDialog {
    Q_OBJECT

public:
    explicit TFMensajes(QWidget* parent = nullptr);

    void MBotonClick();

    QLabel* LMensaje;
    QPushButton* MBoton;
};

extern TFMensajes* FMensajes;

} // namespace sorvane
