// The new-collection window.
#include "dialogs/TFCrearColeccion.h"

#include "catalogue/format/PathText.h"
#include "dialogs/Language.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/TreeNode.h"
#include "platform/Folders.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sorvane {

TFCrearColeccion::TFCrearColeccion(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("FCrearColeccion");
    setModal(true);
    LNueva = Named<QLabel>("LNueva", this);
    ENueva = Named<QLineEdit>("ENueva", this);
    ENueva->setMinimumWidth(300);
    ENueva->installEventFilter(this);
    LNueva->setBuddy(ENueva);
    CBPrimerNivel = Named<TCheckBox>("CBPrimerNivel", this);
    BBAceptar = Named<QPushButton>("BBAceptar", this);
    BBAceptar->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LNueva);
    layout->addWidget(ENueva);
    layout->addWidget(CBPrimerNivel);
    layout->addWidget(BBAceptar, 0, Qt::AlignRight);

    connect(BBAceptar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBAceptarClick(); }); });
}

void TFCrearColeccion::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFCrearColeccion::FormShow() {
    ENueva->clear();
    // Only a collection can hold the new one; with no node selected (an empty
    // tree included) or a catalogue, it goes to the top level.
    const bool belowSelected = host_.EsColeccion(host_.ArbolCatalogos().currentItem());
    CBPrimerNivel->SetChecked(!belowSelected);
    CBPrimerNivel->setEnabled(belowSelected);
    ENueva->setFocus();
}

void TFCrearColeccion::BBAceptarClick() {
    ENueva->setText(ENueva->text().trimmed());
    const QString name = ENueva->text();
    if (name.isEmpty()) return;
    DialogHost& main = host_;
    QTreeWidgetItem* selected = main.ArbolCatalogos().currentItem();
    const bool topLevel = CBPrimerNivel->Checked() || !main.EsColeccion(selected);
    const std::string folderName = name.toStdString();
    // A pasted name skips the key filter: a separator or ".." would make the
    // folder somewhere else than the node shows.
    if (TieneCaracterProhibido(folderName)) {
        main.MuestraMensaje(LeeTexto("M", "M_CARACTER_PROHIBIDO") + " " +
                            CaracteresProhibidos(folderName));
        return;
    }
    if (!CreateFolder((topLevel ? main.CarpetaRaiz() : main.CarpetaDeNodo(selected) + "/") +
                      folderName)) {
        main.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_CREAR"));
        return;
    }
    auto* node = new TNodoArbol(NodeKind::Collection);
    node->setText(0, name);
    node->setIcon(0, main.IconosArbol()[kImageCollection]);
    if (topLevel) {
        main.ArbolCatalogos().addTopLevelItem(node);
    } else {
        selected->addChild(node);
        selected->setExpanded(true);
    }
    main.ArbolCatalogos().setCurrentItem(node);
    main.OrdenaArbol();
    main.ArbolChange(node);
    accept();
}

bool TFCrearColeccion::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ENueva && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Escape is the window's, which closes on it as every other window does.
        if (key->key() == Qt::Key_Escape) return false;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded([this] { BBAceptarClick(); });
            return true;
        }
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0) != '\b' && EsCaracterProhibido(typed.at(0).unicode()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace sorvane
