// The collector's missing-disk question.
#include "dialogs/TFColectorMensaje.h"

#include "dialogs/TFColector.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane {

TFColectorMensaje::TFColectorMensaje(QWidget* parent) : QDialog(parent) {
    setObjectName("FColectorMensaje");
    setModal(true);
    LMensaje = Named<QLabel>("LMensaje", this);
    LMensaje->setWordWrap(true);
    LCatalogoTitulo = Named<QLabel>("LCatalogoTitulo", this);
    LCatalogo = Named<QLabel>("LCatalogo", this);
    LItemTitulo = Named<QLabel>("LItemTitulo", this);
    LItem = Named<QLabel>("LItem", this);
    for (QLabel* value : {LCatalogo, LItem})
        value->setTextFormat(Qt::PlainText);
    const auto button = [this](const char* name) {
        auto* b = Named<QPushButton>(name, this);
        b->setAutoDefault(false);
        return b;
    };
    BBReintentar = button("BBReintentar");
    BBCancelar = button("BBCancelar");
    BBParar = button("BBParar");
    BBReintentar->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(LCatalogoTitulo, 0, 0);
    fields->addWidget(LCatalogo, 0, 1);
    fields->addWidget(LItemTitulo, 1, 0);
    fields->addWidget(LItem, 1, 1);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {BBReintentar, BBCancelar, BBParar})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LMensaje);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(BBReintentar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBReintentarClick(); }); });
    connect(BBCancelar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBCancelarClick(); }); });
    connect(BBParar, &QPushButton::clicked, this, [this] { Guarded([this] { BBPararClick(); }); });
}

void TFColectorMensaje::Responde(char answer) {
    if (FColector != nullptr) FColector->Respuesta = answer;
    done(QDialog::Accepted);
}

void TFColectorMensaje::BBReintentarClick() {
    Responde('R');
}

void TFColectorMensaje::BBCancelarClick() {
    Responde('C');
}

void TFColectorMensaje::BBPararClick() {
    Responde('P');
}

} // namespace sorvane
