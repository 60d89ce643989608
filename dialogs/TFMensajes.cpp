// The message window.
#include "dialogs/TFMensajes.h"

#include "ui/Named.h"

#include <QLabel>
#include <QPushButton>

namespace sorvane {

TFMensajes* FMensajes = nullptr;

TFMensajes::TFMensajes(QWidget* parent) : QDialog(parent) {
    setObjectName("FMensajes");
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(420, 183);

    LMensaje = Named<QLabel>("LMensaje", this);
    LMensaje->setGeometry(10, 16, 401, 105);
    LMensaje->setAlignment(Qt::AlignCenter);
    LMensaje->setWordWrap(true);
    QFont bold = LMensaje->font();
    bold.setBold(true);
    LMensaje->setFont(bold);

    MBoton = new QPushButton("OK", this);
    MBoton->setObjectName("MBoton");
    MBoton->setGeometry(170, 138, 80, 28);
    MBoton->setDefault(true);
    connect(MBoton, &QPushButton::clicked, this, [this] { MBotonClick(); });
}

void TFMensajes::MBotonClick() {
    accept();
}

} // namespace sorvane
