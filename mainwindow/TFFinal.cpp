// The loading window.
#include "mainwindow/TFFinal.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace sorvane {

TFFinal* FFinal = nullptr;

TFFinal::TFFinal(QWidget* parent) : QDialog(parent) {
    setObjectName("FFinal");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(420, 150);
    LMensaje = new QLabel(this);
    LMensaje->setObjectName("LMensaje");
    LProgreso = new QLabel(this);
    LProgreso->setObjectName("LProgreso");
    LEspere = new QLabel(this);
    LEspere->setObjectName("LEspere");
    PBFinal = new QProgressBar(this);
    PBFinal->setObjectName("PBFinal");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LMensaje);
    layout->addWidget(LProgreso);
    layout->addWidget(PBFinal);
    layout->addWidget(LEspere);
}

} // namespace sorvane
