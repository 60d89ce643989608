// The language question of a first start.
#include "dialogs/TFAskIdioma.h"

#include "ui/Named.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane {

TFAskIdioma::TFAskIdioma(TRadioGroup& idioma, QWidget* parent) : QDialog(parent), idioma_(idioma) {
    setObjectName("FAskIdioma");
    setModal(true);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowTitle("Language / Idioma");

    const auto line = [this](const char* name, const QString& text) {
        auto* label = Named<QLabel>(name, this);
        label->setText(text);
        label->setAlignment(Qt::AlignCenter);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        return label;
    };
    LIngles = line("LIngles", "Please, select your language");
    LEspanol = line("LEspanol", QString::fromUtf8("Por favor, seleccione su idioma"));
    BIngles = new QPushButton("English", this);
    BIngles->setObjectName("BIngles");
    BEspanol = new QPushButton(QString::fromUtf8("Español"), this);
    BEspanol->setObjectName("BEspanol");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LIngles);
    layout->addWidget(LEspanol);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BIngles);
    buttons->addWidget(BEspanol);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(BIngles, &QPushButton::clicked, this, [this] { Guarded([this] { BInglesClick(); }); });
    connect(BEspanol, &QPushButton::clicked, this,
            [this] { Guarded([this] { BEspanolClick(); }); });
}

void TFAskIdioma::BInglesClick() {
    idioma_.SetItemIndex(0);
    accept();
}

void TFAskIdioma::BEspanolClick() {
    idioma_.SetItemIndex(1);
    accept();
}

} // namespace sorvane
