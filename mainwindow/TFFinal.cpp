// The loading window.
#include "mainwindow/TFFinal.h"

#include "ui/Named.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace sorvane {

TFFinal* FFinal = nullptr;

TFFinal::TFFinal(QWidget* parent) : QDialog(parent) {
    setObjectName("FFinal");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(420, 150);
    LMensaje = Named<QLabel>("LMensaje", this);
    LProgreso = Named<QLabel>("LProgreso", this);
    LEspere = Named<QLabel>("LEspere", this);
    PBFinal = Named<QProgressBar>("PBFinal", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LMensaje);
    layout->addWidget(LProgreso);
    layout->addWidget(PBFinal);
    layout->addWidget(LEspere);
}

} // namespace sorvane
